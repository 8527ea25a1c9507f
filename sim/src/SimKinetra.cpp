#include "kelvara/sim/SimKinetra.hpp"

#include "SimState.hpp"

namespace kelvara::sim {

namespace {

using detail::KinetraModel;
using detail::State;

/// Runs f(model, state) on the IMU at an address under the state's lock.
template <typename F>
decltype(auto) WithImu(const SimAddress& address, F&& f) {
  return detail::WithDevice<KinetraModel>(
      address, [&f](detail::KinetraDevice& device, State& state) {
        return f(device.model, state);
      });
}

}  // namespace

SimKinetra::SimKinetra(const SimAddress& address)
    : SimDevice{SimDeviceKind::kKinetra, address} {}

void SimKinetra::SetOrientationRadians(double roll, double pitch, double yaw) {
  WithImu(GetAddress(), [roll, pitch, yaw](KinetraModel& model, State&) {
    model.SetOrientation(roll, pitch, yaw);
  });
}

void SimKinetra::SetYawPitchRollDegrees(double yaw, double pitch, double roll) {
  WithImu(GetAddress(), [yaw, pitch, roll](KinetraModel& model, State&) {
    model.SetYawPitchRoll(yaw, pitch, roll);
  });
}

void SimKinetra::SetYawDegrees(double yaw) {
  WithImu(GetAddress(),
          [yaw](KinetraModel& model, State&) { model.SetYaw(yaw); });
}

std::array<double, 4> SimKinetra::GetOrientationQuaternion() const {
  return WithImu(GetAddress(), [](KinetraModel& model, State&) {
    const detail::Quat q = model.GetOrientation();
    return std::array<double, 4>{q.w, q.x, q.y, q.z};
  });
}

void SimKinetra::SetAngularVelocityRadiansPerSecond(double x, double y,
                                                    double z) {
  WithImu(GetAddress(), [x, y, z](KinetraModel& model, State&) {
    model.angularVelocity = {x, y, z};
  });
}

void SimKinetra::SetLinearAccelerationMetersPerSecondSquared(double x, double y,
                                                             double z) {
  WithImu(GetAddress(), [x, y, z](KinetraModel& model, State&) {
    model.linearAcceleration = {x, y, z};
  });
}

void SimKinetra::SetEarthMagneticFieldMicrotesla(double x, double y, double z) {
  WithImu(GetAddress(), [x, y, z](KinetraModel& model, State&) {
    model.earthField = {x, y, z};
  });
}

void SimKinetra::SetTemperatureCelsius(double temperature) {
  WithImu(GetAddress(), [temperature](KinetraModel& model, State&) {
    model.temperature = temperature;
  });
}

void SimKinetra::SetYawDriftRateDegreesPerSecond(double rate) {
  WithImu(GetAddress(), [rate](KinetraModel& model, State& state) {
    model.SetDriftRate(rate, state.clockNs);
  });
}

bool SimKinetra::IsNineAxisYaw() const {
  return WithImu(GetAddress(),
                 [](KinetraModel& model, State&) { return model.nineAxisYaw; });
}

std::int32_t SimKinetra::GetOutputRate() const {
  return WithImu(GetAddress(),
                 [](KinetraModel& model, State&) { return model.outputRate; });
}

bool SimKinetra::IsMessageEnabled(KinetraMessage message) const {
  const auto bit = static_cast<std::int32_t>(message);
  return WithImu(GetAddress(), [bit](KinetraModel& model, State&) {
    return bit >= 0 && bit < 64 && (model.enabledMessages >> bit & 1u) != 0;
  });
}

std::int32_t SimKinetra::GetOpenArgument() const {
  return WithImu(GetAddress(), [](KinetraModel& model, State&) {
    return model.openArgument;
  });
}

void SimKinetra::SetFirmwareVersion(std::int32_t major, std::int32_t minor,
                                    std::int32_t patch) {
  WithImu(GetAddress(), [major, minor, patch](KinetraModel& model, State&) {
    model.firmwareVersion = {major, minor, patch};
  });
}

void SimKinetra::SetSensorUuid(const std::array<std::uint32_t, 3>& uuid) {
  WithImu(GetAddress(),
          [&uuid](KinetraModel& model, State&) { model.sensorUuid = uuid; });
}

void SimKinetra::SetSelfTestResult(const std::array<std::int32_t, 8>& results) {
  WithImu(GetAddress(), [&results](KinetraModel& model, State&) {
    model.selfTestResult = results;
  });
}

void SimKinetra::SetInvalidGroups(std::uint32_t mask) {
  WithImu(GetAddress(),
          [mask](KinetraModel& model, State&) { model.invalidGroups = mask; });
}

void SimKinetra::SetNoiseDeviations(double orientationDegrees,
                                    double angularVelocityRadiansPerSecond,
                                    double accelerationMetersPerSecondSquared,
                                    std::uint64_t seed) {
  WithImu(GetAddress(), [=](KinetraModel& model, State&) {
    model.orientationNoise = orientationDegrees;
    model.angularVelocityNoise = angularVelocityRadiansPerSecond;
    model.accelerationNoise = accelerationMetersPerSecondSquared;
    model.noise.Seed(seed);
  });
}

}  // namespace kelvara::sim
