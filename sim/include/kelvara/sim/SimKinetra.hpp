#pragma once

#include <array>
#include <cstdint>

#include <wpi/math/geometry/Quaternion.hpp>
#include <wpi/math/geometry/Rotation3d.hpp>
#include <wpi/units/acceleration.hpp>
#include <wpi/units/angle.hpp>
#include <wpi/units/angular_velocity.hpp>
#include <wpi/units/magnetic_field_strength.hpp>
#include <wpi/units/temperature.hpp>

#include "kelvara/Kinetra.hpp"
#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimDevice.hpp"
#include "kelvara/sim/detail/SimCall.hpp"

namespace kelvara::sim {

/**
 * Controls the simulated Kinetra IMU at one address.
 *
 * The model holds the sensor's true orientation; every sample reports it as
 * the device would:
 *   - yaw, pitch and roll in degrees are those of the sample's orientation
 *     quaternion from the axes chosen for yaw (nine at first, see
 *     Kinetra::Use9AxisYaw): yaw is Rotation3d::Z(), pitch Y(), roll X(),
 *     counter-clockwise positive;
 *   - the angle is the continuous yaw, which keeps counting past 180 degrees;
 *   - ResetYaw makes the reported yaw and angle 0 without moving the true
 *     orientation; both quaternions are turned about the vertical axis with
 *     them;
 *   - the nine-axis quaternion never drifts; the six-axis one drifts in yaw
 *     at the rate of SetYawDriftRate() over simulation time (SimClock), so
 *     with six axes chosen for yaw, the yaw and angle drift too;
 *   - linear acceleration is what an accelerometer measures: the set motion
 *     acceleration plus gravity's reaction rotated into the sensor frame (a
 *     level sensor at rest reads 0, 0, +9.80665 m/s^2);
 *   - the magnetic field is the Earth's field rotated into the sensor frame,
 *     with the field's strength as the fourth element;
 *   - the algorithm state holds the gravity direction in the sensor frame as
 *     a unit vector (x, y, z), flag0 = yaw from nine axes, flag1 = at rest
 *     (angular velocity below 0.01 rad/s and motion acceleration below
 *     0.05 m/s^2), value0 = six-axis yaw drift so far in degrees, value1 =
 *     the drift rate in degrees per second, value2 = the output rate, value3
 *     = the Earth's field strength in microtesla;
 *   - the timestamp is SimClock::Now() in nanoseconds, synchronised as
 *     SimClock::IsSynchronized() says.
 *
 * Defaults: level and facing along x, at rest, 25 degrees Celsius, Earth's
 * field (20, 0, -45) microtesla, yaw from nine axes, no drift, output rate
 * 100, no message enabled, firmware 3.2.1, a sensor identifier derived from
 * the address, every self-test result 1 (passed), every group valid, no
 * noise.
 */
class SimKinetra : public SimDevice {
 public:
  /// Standard deviations of the Gaussian noise added to each sample; 0 adds
  /// none.
  struct Noise {
    /// Added to yaw, pitch and roll each.
    wpi::units::degree_t orientation{0.0};
    /// Added to each axis of the angular velocity.
    wpi::units::radians_per_second_t angularVelocity{0.0};
    /// Added to each axis of the linear acceleration.
    wpi::units::meters_per_second_squared_t acceleration{0.0};
  };

  /// Controls the IMU at address.
  explicit SimKinetra(const SimAddress& address)
      : SimDevice{SimDeviceKind::kKinetra, address} {}

  /**
   * Turns the sensor to an orientation. The continuous yaw (the angle)
   * follows by the shortest turn from the previous yaw.
   */
  void SetOrientation(const wpi::math::Rotation3d& orientation) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetOrientation,
                   orientation.X().value(), orientation.Y().value(),
                   orientation.Z().value());
  }

  /**
   * Turns the sensor to an orientation given as extrinsic roll about x, then
   * pitch about y, then yaw about z. The yaw is taken as the continuous yaw:
   * a yaw of 370 degrees gives an angle of 370 and a yaw of 10.
   */
  void SetYawPitchRoll(wpi::units::degree_t yaw, wpi::units::degree_t pitch,
                       wpi::units::degree_t roll) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetYawPitchRoll,
                   yaw.value(), pitch.value(), roll.value());
  }

  /// SetYawPitchRoll() with the present pitch and roll.
  void SetYaw(wpi::units::degree_t yaw) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetYaw, yaw.value());
  }

  /// The true orientation, unaffected by ResetYaw, drift and noise.
  wpi::math::Rotation3d GetOrientation() const {
    const auto [w, x, y, z] = detail::GetAt<KelvaraSim_Quaternion>(
        GetAddress(), KelvaraSim_Kinetra_GetOrientation);
    return wpi::math::Rotation3d{wpi::math::Quaternion{w, x, y, z}};
  }

  /// Sets the angular velocity in the sensor frame.
  void SetAngularVelocity(wpi::units::radians_per_second_t x,
                          wpi::units::radians_per_second_t y,
                          wpi::units::radians_per_second_t z) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetAngularVelocity,
                   x.value(), y.value(), z.value());
  }

  /// Sets the motion acceleration in the sensor frame, gravity excluded.
  void SetLinearAcceleration(wpi::units::meters_per_second_squared_t x,
                             wpi::units::meters_per_second_squared_t y,
                             wpi::units::meters_per_second_squared_t z) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetLinearAcceleration,
                   x.value(), y.value(), z.value());
  }

  /// Sets the Earth's magnetic field in the world frame (the frame in which
  /// the orientation is given).
  void SetEarthMagneticField(wpi::units::microtesla_t x,
                             wpi::units::microtesla_t y,
                             wpi::units::microtesla_t z) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetEarthMagneticField,
                   x.value(), y.value(), z.value());
  }

  /// Sets the temperature that every later sample reports.
  void SetTemperature(wpi::units::celsius_t temperature) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetTemperature,
                   temperature.value());
  }

  /// Sets the rate at which the six-axis yaw drifts, counter-clockwise
  /// positive. The drift so far is kept.
  void SetYawDriftRate(wpi::units::degrees_per_second_t rate) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetYawDriftRate,
                   rate.value());
  }

  /// Returns true when yaw comes from nine axes, false when from six.
  bool IsNineAxisYaw() const {
    return detail::GetAt<bool>(GetAddress(), KelvaraSim_Kinetra_IsNineAxisYaw);
  }

  /// The output rate last set by robot code.
  std::int32_t GetOutputRate() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Kinetra_GetOutputRate);
  }

  /// Returns true when robot code enabled this kind of message.
  bool IsMessageEnabled(KinetraMessage message) const {
    return detail::GetAt<bool>(GetAddress(),
                               KelvaraSim_Kinetra_IsMessageEnabled,
                               static_cast<std::int32_t>(message));
  }

  /// The extra integer of the latest opening of this device; 0 before any.
  std::int32_t GetOpenArgument() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Kinetra_GetOpenArgument);
  }

  /// Sets the firmware version that the device reports.
  void SetFirmwareVersion(std::int32_t major, std::int32_t minor,
                          std::int32_t patch) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetFirmwareVersion, major,
                   minor, patch);
  }

  /// Sets the sensor identifier that the device reports.
  void SetSensorUuid(const std::array<std::uint32_t, 3>& uuid) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetSensorUuid, uuid.data());
  }

  /// Sets the eight values that a self-test reports (1: passed, 0: failed).
  void SetSelfTestResult(const std::array<std::int32_t, 8>& results) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetSelfTestResult,
                   results.data());
  }

  /**
   * Marks groups of every later sample invalid: the bits set in mask are
   * cleared from the sample's validity bits (0x001 yaw, 0x002 pitch and
   * roll, 0x004 angle, 0x008 six-axis quaternion, 0x010 nine-axis
   * quaternion, 0x020 angular velocity, 0x040 linear acceleration, 0x080
   * magnetic field, 0x100 algorithm state, 0x200 temperature). 0 makes every
   * group valid again.
   */
  void SetInvalidGroups(std::uint32_t mask) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetInvalidGroups, mask);
  }

  /// Adds seeded Gaussian noise to every later sample; the same seed and
  /// calls give the same samples.
  void SetNoise(const Noise& noise, std::uint64_t seed) {
    detail::CallAt(GetAddress(), KelvaraSim_Kinetra_SetNoise,
                   noise.orientation.value(), noise.angularVelocity.value(),
                   noise.acceleration.value(), seed);
  }
};

}  // namespace kelvara::sim
