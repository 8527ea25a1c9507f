#pragma once

#include <cstdint>

#include <wpi/units/length.hpp>
#include <wpi/util/Color.hpp>

#include "kelvara/Lumeno.hpp"
#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimDevice.hpp"

namespace kelvara::sim {

/**
 * Controls the simulated Lumeno colour sensor at one address.
 *
 * The sensor sees a surface whose CIE XYZ values, scaled by the LED
 * brightness (100 gives them unchanged, 50 halves them), make each sample. A
 * surface set as a display colour is converted with the exact inverse of the
 * conversion of LumenoReading::ToColor, so ToColor gives the colour back to
 * within the colour type's rounding (1/4096). Each sample's tag counts the
 * samples the device has taken, from 1.
 *
 * Configuration values (Lumeno::GetConfigValue): kSampleTime in
 * milliseconds, kLedBrightness, kStatusLed (1 on, 0 off), kMeasureMode (the
 * LumenoMeasureMode's value), kFixedDistance in whole millimetres and
 * kFirmwareVersion (major << 16 | minor << 8 | patch). Other items fail with
 * SimResult::kUnsupportedItem.
 *
 * The device refuses (SimResult::kInvalidArgument) a sample time outside 1
 * to 1000 ms, a brightness outside 0 to 100, a status LED switch other than
 * 1 or 0, a measure mode that LumenoMeasureMode does not name, and a fixed
 * distance that is negative, infinite or not a number.
 *
 * Defaults: a mid-grey surface (display colour 0.5, 0.5, 0.5), sample time
 * 50 ms, brightness 100, status LED off with value 0, measure mode 0, fixed
 * distance 0, firmware 1.4.2, no noise.
 */
class SimLumeno : public SimDevice {
 public:
  /// Controls the colour sensor at address.
  explicit SimLumeno(const SimAddress& address)
      : SimDevice{SimDeviceKind::kLumeno, address} {}

  /// Puts a surface of this display colour under the sensor.
  void SetSurfaceColor(const wpi::util::Color& color) {
    detail::CallAt(GetAddress(), KelvaraSim_Lumeno_SetSurfaceRgb, color.red,
                   color.green, color.blue);
  }

  /// Puts a surface of these CIE XYZ tristimulus values under the sensor (on
  /// the scale where a linear sRGB component of 1 is full intensity).
  void SetSurfaceXyz(double x, double y, double z) {
    detail::CallAt(GetAddress(), KelvaraSim_Lumeno_SetSurfaceXyz, x, y, z);
  }

  /// The sample time in milliseconds last set by robot code.
  std::int32_t GetSampleTime() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Lumeno_GetSampleTime);
  }

  /// The LED brightness, 0 to 100.
  std::int32_t GetLedBrightness() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Lumeno_GetLedBrightness);
  }

  /// Returns true when robot code switched the status LED on.
  bool IsStatusLedOn() const {
    return detail::GetAt<bool>(GetAddress(), KelvaraSim_Lumeno_IsStatusLedOn);
  }

  /// The value robot code gave the status LED.
  std::int32_t GetStatusLedValue() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Lumeno_GetStatusLedValue);
  }

  /// The measure mode last set by robot code.
  LumenoMeasureMode GetMeasureMode() const {
    return static_cast<LumenoMeasureMode>(detail::GetAt<std::int32_t>(
        GetAddress(), KelvaraSim_Lumeno_GetMeasureMode));
  }

  /// The distance of the fixed-distance mode, as robot code last gave it.
  wpi::units::millimeter_t GetFixedDistance() const {
    return wpi::units::millimeter_t{detail::GetAt<double>(
        GetAddress(), KelvaraSim_Lumeno_GetFixedDistance)};
  }

  /// Sets the firmware version; each part is kept in 0 to 255.
  void SetFirmwareVersion(std::uint8_t major, std::uint8_t minor,
                          std::uint8_t patch) {
    detail::CallAt(GetAddress(), KelvaraSim_Lumeno_SetFirmwareVersion, major,
                   minor, patch);
  }

  /**
   * Adds seeded Gaussian noise to every later sample: each of X, Y and Z is
   * multiplied by 1 plus a draw with this standard deviation (0 adds none).
   * The same seed and calls give the same samples.
   */
  void SetNoise(double relativeStdDev, std::uint64_t seed) {
    detail::CallAt(GetAddress(), KelvaraSim_Lumeno_SetNoise, relativeStdDev,
                   seed);
  }
};

}  // namespace kelvara::sim
