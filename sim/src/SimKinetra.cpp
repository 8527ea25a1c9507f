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

void SimKinetra::SetOrientation(const wpi::math::Rotation3d& orientation) {
  WithImu(GetAddress(), [&orientation](KinetraModel& model, State&) {
    model.SetOrientation(orientation);
  });
}

void SimKinetra::SetYawPitchRoll(wpi::units::degree_t yaw,
                                 wpi::units::degree_t pitch,
                                 wpi::units::degree_t roll) {
  WithImu(GetAddress(), [yaw, pitch, roll](KinetraModel& model, State&) {
    model.SetYawPitchRoll(yaw.value(), pitch.value(), roll.value());
  });
}

void SimKinetra::SetYaw(wpi::units::degree_t yaw) {
  WithImu(GetAddress(), [yaw](KinetraModel& model, State&) {
    const auto orientation = model.GetOrientation();
    model.SetYawPitchRoll(yaw.value(),
                          wpi::units::degree_t{orientation.Y()}.value(),
                          wpi::units::degree_t{orientation.X()}.value());
  });
}

wpi::math::Rotation3d SimKinetra::GetOrientation() const {
  return WithImu(GetAddress(), [](KinetraModel& model, State&) {
    return model.GetOrientation();
  });
}

void SimKinetra::SetAngularVelocity(wpi::units::radians_per_second_t x,
                                    wpi::units::radians_per_second_t y,
                                    wpi::units::radians_per_second_t z) {
  WithImu(GetAddress(), [x, y, z](KinetraModel& model, State&) {
    model.angularVelocity = {x.value(), y.value(), z.value()};
  });
}

void SimKinetra::SetLinearAcceleration(
    wpi::units::meters_per_second_squared_t x,
    wpi::units::meters_per_second_squared_t y,
    wpi::units::meters_per_second_squared_t z) {
  WithImu(GetAddress(), [x, y, z](KinetraModel& model, State&) {
    model.linearAcceleration = {x.value(), y.value(), z.value()};
  });
}

void SimKinetra::SetEarthMagneticField(wpi::units::microtesla_t x,
                                       wpi::units::microtesla_t y,
                                       wpi::units::microtesla_t z) {
  WithImu(GetAddress(), [x, y, z](KinetraModel& model, State&) {
    model.earthField = {x.value(), y.value(), z.value()};
  });
}

void SimKinetra::SetTemperature(wpi::units::celsius_t temperature) {
  WithImu(GetAddress(), [temperature](KinetraModel& model, State&) {
    model.temperature = temperature.value();
  });
}

void SimKinetra::SetYawDriftRate(wpi::units::degrees_per_second_t rate) {
  WithImu(GetAddress(), [rate](KinetraModel& model, State& state) {
    model.SetDriftRate(rate.value(), state.clockNs);
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

void SimKinetra::SetNoise(const Noise& noise, std::uint64_t seed) {
  WithImu(GetAddress(), [&noise, seed](KinetraModel& model, State&) {
    model.orientationNoise = noise.orientation.value();
    model.angularVelocityNoise = noise.angularVelocity.value();
    model.accelerationNoise = noise.acceleration.value();
    model.noise.Seed(seed);
  });
}

}  // namespace kelvara::sim
