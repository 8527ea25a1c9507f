// The simulated colour sensor: the surface it sees, its settings, and the
// samples and configuration values it gives.
#pragma once

#include <array>
#include <cstdint>

#include "Noise.hpp"
#include "driver/DriverRecords.hpp"
#include "kelvara/sim/SimResult.hpp"

namespace kelvara::sim::detail {

/// CIE 1931 tristimulus values.
struct Xyz {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

/// The tristimulus values that LumenoReading::ToColor turns into the display
/// colour of these sRGB components (0 to 1): sRGB companding undone, then the
/// inverse of ToColor's four-decimal matrix.
Xyz XyzFromRgb(double red, double green, double blue);

/// The sRGB components (0 to 1) of the display colour that
/// LumenoReading::ToColor makes of these tristimulus values, before the
/// colour type's rounding: the four-decimal matrix, each linear component
/// clamped to 0 to 1 (NaN as 0), then sRGB companding.
std::array<double, 3> RgbFromXyz(const Xyz& xyz);

struct LumenoModel {
  /// One sample; counts it and draws noise.
  LumenoColorData Sample();

  SimResult SetSampleTime(std::int32_t milliseconds);
  SimResult SetLedBrightness(std::int32_t brightness);
  SimResult SetStatusLed(std::int32_t on, std::int32_t value);
  SimResult SetMeasureMode(std::int32_t mode, double millimeters);
  SimResult GetConfigValue(std::int32_t item, std::uint32_t& value) const;

  Xyz surface = XyzFromRgb(0.5, 0.5, 0.5);
  std::int32_t sampleTime = 50;
  std::int32_t ledBrightness = 100;
  bool statusLedOn = false;
  std::int32_t statusLedValue = 0;
  std::int32_t measureMode = 0;
  double fixedDistance = 0.0;
  std::uint32_t firmwareWord = (1u << 16) | (4u << 8) | 2u;
  std::uint32_t samples = 0;
  double noiseStdDev = 0.0;
  NoiseSource noise;
};

}  // namespace kelvara::sim::detail
