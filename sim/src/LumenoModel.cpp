#include "LumenoModel.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "Setting.hpp"
#include "driver/DriverValues.hpp"

namespace kelvara::sim::detail {

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;

/// The XYZ-to-linear-sRGB matrix of LumenoReading::ToColor.
constexpr Matrix kXyzToRgb{{{3.2406, -1.5372, -0.4986},
                            {-0.9689, 1.8758, 0.0415},
                            {0.0557, -0.2040, 1.0570}}};

constexpr Matrix Inverse(const Matrix& m) {
  const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
  return {{{c00 / det, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det,
            (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det},
           {c01 / det, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det,
            (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det},
           {c02 / det, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det,
            (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det}}};
}

constexpr Matrix kRgbToXyz = Inverse(kXyzToRgb);

/// Undoes sRGB companding: a display component to its linear intensity.
double Linearize(double component) {
  return component <= 12.92 * 0.0031308
             ? component / 12.92
             : std::pow((component + 0.055) / 1.055, 2.4);
}

/// Applies sRGB companding to a linear intensity clamped to 0 to 1.
double Compand(double linear) {
  const double clamped =
      std::isnan(linear) ? 0.0 : std::clamp(linear, 0.0, 1.0);
  return clamped <= 0.0031308 ? 12.92 * clamped
                              : 1.055 * std::pow(clamped, 1.0 / 2.4) - 0.055;
}

/// A non-negative millimetre count rounded to a whole number, kept within
/// 32 bits.
std::uint32_t WholeMillimeters(double millimeters) {
  constexpr double kMax = std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(std::round(std::min(millimeters, kMax)));
}

}  // namespace

Xyz XyzFromRgb(double red, double green, double blue) {
  const std::array<double, 3> linear{Linearize(red), Linearize(green),
                                     Linearize(blue)};
  std::array<double, 3> xyz{};
  for (std::size_t row = 0; row < 3; ++row) {
    for (std::size_t column = 0; column < 3; ++column) {
      xyz[row] += kRgbToXyz[row][column] * linear[column];
    }
  }
  return {xyz[0], xyz[1], xyz[2]};
}

std::array<double, 3> RgbFromXyz(const Xyz& xyz) {
  const std::array<double, 3> in{xyz.x, xyz.y, xyz.z};
  std::array<double, 3> rgb{};
  for (std::size_t row = 0; row < 3; ++row) {
    double linear = 0.0;
    for (std::size_t column = 0; column < 3; ++column) {
      linear += kXyzToRgb[row][column] * in[column];
    }
    rgb[row] = Compand(linear);
  }
  return rgb;
}

LumenoColorData LumenoModel::Sample() {
  const double scale = ledBrightness / 100.0;
  LumenoColorData data{};
  data.valid = 1;
  data.tag = static_cast<std::int32_t>(++samples);
  data.X = surface.x * scale * (1.0 + noise.Draw(noiseStdDev));
  data.Y = surface.y * scale * (1.0 + noise.Draw(noiseStdDev));
  data.Z = surface.z * scale * (1.0 + noise.Draw(noiseStdDev));
  return data;
}

SimResult LumenoModel::SetSampleTime(std::int32_t milliseconds) {
  return SetWithin(sampleTime, milliseconds, 1, 1000);
}

SimResult LumenoModel::SetLedBrightness(std::int32_t brightness) {
  return SetWithin(ledBrightness, brightness, 0, 100);
}

SimResult LumenoModel::SetStatusLed(std::int32_t on, std::int32_t value) {
  if (on != 0 && on != 1) {
    return SimResult::kInvalidArgument;
  }
  statusLedOn = on == 1;
  statusLedValue = value;
  return SimResult::kOk;
}

SimResult LumenoModel::SetMeasureMode(std::int32_t mode, double millimeters) {
  if (mode < 0 || mode >= driver::kLumenoMeasureModeCount) {
    return SimResult::kInvalidArgument;
  }
  if (mode == driver::kLumenoMeasureFixedDistance) {
    if (!(millimeters >= 0.0) || std::isinf(millimeters)) {
      return SimResult::kInvalidArgument;
    }
    fixedDistance = millimeters;
  }
  measureMode = mode;
  return SimResult::kOk;
}

SimResult LumenoModel::GetConfigValue(std::int32_t item,
                                      std::uint32_t& value) const {
  switch (item) {
    case driver::kLumenoConfigSampleTime:
      value = static_cast<std::uint32_t>(sampleTime);
      return SimResult::kOk;
    case driver::kLumenoConfigLedBrightness:
      value = static_cast<std::uint32_t>(ledBrightness);
      return SimResult::kOk;
    case driver::kLumenoConfigStatusLed:
      value = statusLedOn ? 1u : 0u;
      return SimResult::kOk;
    case driver::kLumenoConfigMeasureMode:
      value = static_cast<std::uint32_t>(measureMode);
      return SimResult::kOk;
    case driver::kLumenoConfigFixedDistance:
      value = WholeMillimeters(fixedDistance);
      return SimResult::kOk;
    case driver::kLumenoConfigFirmwareVersion:
      value = firmwareWord;
      return SimResult::kOk;
    default:
      return SimResult::kUnsupportedItem;
  }
}

}  // namespace kelvara::sim::detail
