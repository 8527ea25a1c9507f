// The numbers that cross to the driver module with a meaning of their own:
// message kinds, measure modes, configuration items, resolutions, the CAN
// ports and the marker for an unnamed USB port. The library sends them and a
// driver reads them, so both take them from here.
#pragma once

#include <cstdint>

namespace kelvara::driver {

// Message kinds that KELVARA_Kinetra_EnableMessages takes.

/// Yaw, pitch, roll and the angle value.
inline constexpr std::int32_t kKinetraMessageOrientation = 0;
/// The six-axis and nine-axis quaternions.
inline constexpr std::int32_t kKinetraMessageQuaternion = 1;
/// Angular velocity.
inline constexpr std::int32_t kKinetraMessageAngularVelocity = 2;
/// Linear acceleration.
inline constexpr std::int32_t kKinetraMessageLinearAcceleration = 3;
/// Magnetic field.
inline constexpr std::int32_t kKinetraMessageMagneticField = 4;
/// The orientation algorithm's state.
inline constexpr std::int32_t kKinetraMessageAlgorithmState = 5;
/// Temperature.
inline constexpr std::int32_t kKinetraMessageTemperature = 6;
/// Message kinds are numbered from 0 up to, not including, this count.
inline constexpr std::int32_t kKinetraMessageCount = 7;

// Measure modes that KELVARA_Lumeno_SetMeasureMode takes.

/// No correction for the target's distance; the distance argument is unused.
inline constexpr std::int32_t kLumenoMeasureUncorrected = 0;
/// Corrects for a distance that the sensor measures itself; the distance
/// argument is unused.
inline constexpr std::int32_t kLumenoMeasureAutoDistance = 1;
/// Corrects for the distance argument, in millimetres.
inline constexpr std::int32_t kLumenoMeasureFixedDistance = 2;
/// Measure modes are numbered from 0 up to, not including, this count.
inline constexpr std::int32_t kLumenoMeasureModeCount = 3;

// Configuration items that KELVARA_Lumeno_GetConfigValue answers. The
// encoding of each value is the driver's, except the firmware word's.

/// The sample time in effect, in milliseconds.
inline constexpr std::int32_t kLumenoConfigSampleTime = 0;
/// The LED brightness in effect.
inline constexpr std::int32_t kLumenoConfigLedBrightness = 1;
/// The status LED: 1 when on, 0 when off.
inline constexpr std::int32_t kLumenoConfigStatusLed = 2;
/// The measure mode in effect, one of the kLumenoMeasure values.
inline constexpr std::int32_t kLumenoConfigMeasureMode = 3;
/// The fixed distance in effect, in whole millimetres.
inline constexpr std::int32_t kLumenoConfigFixedDistance = 4;
/// The firmware version word: major, minor and patch in bits 16-23, 8-15 and
/// 0-7; bits 24-31 carry nothing.
inline constexpr std::int32_t kLumenoConfigFirmwareVersion = 8;

// Resolutions that KELVARA_Vantor_SetResolution takes: the number of zones of
// the grid, which a scan record then reports as its zone count.

/// The 4 by 4 grid.
inline constexpr std::int32_t kVantorResolution4x4 = 16;
/// The 8 by 8 grid.
inline constexpr std::int32_t kVantorResolution8x8 = 64;

/// The side of the zone grid of a scan record with this zone count: 4 for 16
/// zones, 8 for any other count.
constexpr std::int32_t VantorGridSide(std::int32_t zoneCount) noexcept {
  return zoneCount == kVantorResolution4x4 ? 4 : 8;
}

/// CAN ports are numbered from 0 up to, not including, this count.
inline constexpr std::int32_t kCanPortCount = 25;

/// The USB port number that KELVARA_<device>_CreateUsb takes when the caller
/// names no port.
inline constexpr std::int32_t kNoUsbPort = -1;

}  // namespace kelvara::driver
