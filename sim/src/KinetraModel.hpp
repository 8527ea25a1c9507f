// The simulated IMU: its true state, its settings, and the samples and
// answers it gives.
#pragma once

#include <array>
#include <cstdint>

#include "Noise.hpp"
#include "driver/DriverRecords.hpp"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimResult.hpp"

namespace kelvara::sim::detail {

/// A vector in the sensor or the world frame: one double per axis.
struct Vector3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

/// A quaternion w, x, y, z, for the model's own rotation arithmetic.
struct Quat {
  double w = 1.0;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

struct KinetraModel {
  explicit KinetraModel(const SimAddress& address);

  /// Turns to an orientation given as extrinsic roll, pitch and yaw in
  /// radians; the continuous yaw takes the shortest turn.
  void SetOrientation(double roll, double pitch, double yaw);
  /// Turns to an orientation whose yaw is the new continuous yaw; degrees.
  void SetYawPitchRoll(double yaw, double pitch, double roll);
  /// SetYawPitchRoll with the present pitch and roll.
  void SetYaw(double yaw);
  /// The true orientation as a unit quaternion.
  Quat GetOrientation() const;
  /// SetYawPitchRoll with the present continuous yaw and roll.
  void SetPitch(double pitch);
  /// SetYawPitchRoll with the present continuous yaw and pitch.
  void SetRoll(double roll);

  /// The yaw, pitch and roll in degrees that a sample at a time reports,
  /// noise aside.
  std::array<double, 3> ReportedYawPitchRoll(std::int64_t nowNs) const;
  /// SetYaw with the yaw as samples at a time report it: measured from the
  /// zero that ResetYaw set, and with the drift when yaw comes from six axes.
  void SetReportedYaw(double yaw, std::int64_t nowNs);

  /// The six-axis yaw drift at a time, in degrees.
  double DriftAt(std::int64_t nowNs) const;
  /// Changes the drift rate (degrees per second), keeping the drift so far.
  void SetDriftRate(double rate, std::int64_t nowNs);

  /// One sample at a time; draws noise.
  KinetraData Sample(std::int64_t nowNs, bool synced);
  /// The estimate of the orientation from nine or from six axes, turned by
  /// the yaw zero, the six-axis one with a drift in degrees; noise aside.
  Quat Estimate(bool nineAxis, double drift) const;

  void ResetYaw(std::int64_t nowNs);
  SimResult SetOutputRate(std::int32_t rate);
  SimResult EnableMessages(std::int32_t message);
  SimResult SetYawAxes(std::int32_t axes);

  // The true state.
  Quat orientation;
  double continuousYaw = 0.0;
  Vector3 angularVelocity;
  Vector3 linearAcceleration;
  Vector3 earthField{20.0, 0.0, -45.0};
  double temperature = 25.0;

  // Yaw bookkeeping: the reported yaw's zero (in continuous degrees) and the
  // six-axis drift, driftBase degrees at driftSinceNs growing at driftRate.
  double yawZero = 0.0;
  bool nineAxisYaw = true;
  double driftRate = 0.0;
  double driftBase = 0.0;
  std::int64_t driftSinceNs = 0;

  // Settings and identity.
  std::int32_t outputRate = 100;
  std::uint64_t enabledMessages = 0;
  std::int32_t openArgument = 0;
  std::array<std::int32_t, 3> firmwareVersion{3, 2, 1};
  std::array<std::uint32_t, 3> sensorUuid{};
  std::array<std::int32_t, 8> selfTestResult{1, 1, 1, 1, 1, 1, 1, 1};

  // Faults and noise.
  std::uint32_t invalidGroups = 0;
  double orientationNoise = 0.0;
  double angularVelocityNoise = 0.0;
  double accelerationNoise = 0.0;
  NoiseSource noise;
};

}  // namespace kelvara::sim::detail
