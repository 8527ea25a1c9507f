// The control functions of the simulated IMU.
#include <algorithm>

#include "SimControl.hpp"

using kelvara::sim::detail::Answer;
using kelvara::sim::detail::KinetraModel;
using kelvara::sim::detail::State;

namespace {

/// Runs f(model, state) on the IMU at an address; gives the result code.
template <typename F>
std::int32_t OnImu(const KelvaraSim_Address* address, F f) noexcept {
  return kelvara::sim::detail::OnModel<KinetraModel>(address, f);
}

}  // namespace

extern "C" {

int32_t KelvaraSim_Kinetra_SetOrientation(const KelvaraSim_Address* address,
                                          double roll, double pitch,
                                          double yaw) {
  return OnImu(address, [=](KinetraModel& model, State&) {
    model.SetOrientation(roll, pitch, yaw);
  });
}

int32_t KelvaraSim_Kinetra_SetYawPitchRoll(const KelvaraSim_Address* address,
                                           double yaw, double pitch,
                                           double roll) {
  return OnImu(address, [=](KinetraModel& model, State&) {
    model.SetYawPitchRoll(yaw, pitch, roll);
  });
}

int32_t KelvaraSim_Kinetra_SetYaw(const KelvaraSim_Address* address,
                                  double yaw) {
  return OnImu(address,
               [yaw](KinetraModel& model, State&) { model.SetYaw(yaw); });
}

int32_t KelvaraSim_Kinetra_GetOrientation(const KelvaraSim_Address* address,
                                          KelvaraSim_Quaternion* orientation) {
  return OnImu(address, [orientation](KinetraModel& model, State&) {
    const kelvara::sim::detail::Quat q = model.GetOrientation();
    Answer(orientation, KelvaraSim_Quaternion{q.w, q.x, q.y, q.z});
  });
}

int32_t KelvaraSim_Kinetra_SetAngularVelocity(const KelvaraSim_Address* address,
                                              double x, double y, double z) {
  return OnImu(address, [=](KinetraModel& model, State&) {
    model.angularVelocity = {x, y, z};
  });
}

int32_t KelvaraSim_Kinetra_SetLinearAcceleration(
    const KelvaraSim_Address* address, double x, double y, double z) {
  return OnImu(address, [=](KinetraModel& model, State&) {
    model.linearAcceleration = {x, y, z};
  });
}

int32_t KelvaraSim_Kinetra_SetEarthMagneticField(
    const KelvaraSim_Address* address, double x, double y, double z) {
  return OnImu(address, [=](KinetraModel& model, State&) {
    model.earthField = {x, y, z};
  });
}

int32_t KelvaraSim_Kinetra_SetTemperature(const KelvaraSim_Address* address,
                                          double celsius) {
  return OnImu(address, [celsius](KinetraModel& model, State&) {
    model.temperature = celsius;
  });
}

int32_t KelvaraSim_Kinetra_SetYawDriftRate(const KelvaraSim_Address* address,
                                           double degreesPerSecond) {
  return OnImu(address, [degreesPerSecond](KinetraModel& model, State& state) {
    model.SetDriftRate(degreesPerSecond, state.clockNs);
  });
}

int32_t KelvaraSim_Kinetra_IsNineAxisYaw(const KelvaraSim_Address* address,
                                         bool* nineAxis) {
  return OnImu(address, [nineAxis](KinetraModel& model, State&) {
    Answer(nineAxis, model.nineAxisYaw);
  });
}

int32_t KelvaraSim_Kinetra_GetOutputRate(const KelvaraSim_Address* address,
                                         int32_t* rate) {
  return OnImu(address, [rate](KinetraModel& model, State&) {
    Answer(rate, model.outputRate);
  });
}

int32_t KelvaraSim_Kinetra_IsMessageEnabled(const KelvaraSim_Address* address,
                                            int32_t message, bool* enabled) {
  return OnImu(address, [message, enabled](KinetraModel& model, State&) {
    Answer(enabled, message >= 0 && message < 64 &&
                        (model.enabledMessages >> message & 1u) != 0);
  });
}

int32_t KelvaraSim_Kinetra_GetOpenArgument(const KelvaraSim_Address* address,
                                           int32_t* argument) {
  return OnImu(address, [argument](KinetraModel& model, State&) {
    Answer(argument, model.openArgument);
  });
}

int32_t KelvaraSim_Kinetra_SetFirmwareVersion(const KelvaraSim_Address* address,
                                              int32_t major, int32_t minor,
                                              int32_t patch) {
  return OnImu(address, [=](KinetraModel& model, State&) {
    model.firmwareVersion = {major, minor, patch};
  });
}

int32_t KelvaraSim_Kinetra_SetSensorUuid(const KelvaraSim_Address* address,
                                         const uint32_t uuid[3]) {
  return OnImu(address, [uuid](KinetraModel& model, State&) {
    if (uuid == nullptr) {
      throw kelvara::sim::detail::InvalidArgument{};
    }
    std::copy_n(uuid, model.sensorUuid.size(), model.sensorUuid.begin());
  });
}

int32_t KelvaraSim_Kinetra_SetSelfTestResult(const KelvaraSim_Address* address,
                                             const int32_t results[8]) {
  return OnImu(address, [results](KinetraModel& model, State&) {
    if (results == nullptr) {
      throw kelvara::sim::detail::InvalidArgument{};
    }
    std::copy_n(results, model.selfTestResult.size(),
                model.selfTestResult.begin());
  });
}

int32_t KelvaraSim_Kinetra_SetInvalidGroups(const KelvaraSim_Address* address,
                                            uint32_t mask) {
  return OnImu(address, [mask](KinetraModel& model, State&) {
    model.invalidGroups = mask;
  });
}

int32_t KelvaraSim_Kinetra_SetNoise(const KelvaraSim_Address* address,
                                    double orientation, double angularVelocity,
                                    double acceleration, uint64_t seed) {
  return OnImu(address, [=](KinetraModel& model, State&) {
    model.orientationNoise = orientation;
    model.angularVelocityNoise = angularVelocity;
    model.accelerationNoise = acceleration;
    model.noise.Seed(seed);
  });
}

}  // extern "C"
