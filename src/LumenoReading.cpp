#include "kelvara/Lumeno.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ColorMath.hpp"

namespace kelvara {

namespace {

/// The largest linear value on the linear segment of the sRGB curve.
constexpr double kLinearSegmentEnd = 0.0031308;

/// A tristimulus sum at or below this carries too little light for a
/// chromaticity.
constexpr double kMinimumSum = 1e-6;

}  // namespace

namespace detail {

std::array<double, 3> XyzToLinearSrgb(const LumenoReading& reading) noexcept {
  const double x = reading.X;
  const double y = reading.Y;
  const double z = reading.Z;
  return {3.2406 * x - 1.5372 * y - 0.4986 * z,
          -0.9689 * x + 1.8758 * y + 0.0415 * z,
          0.0557 * x - 0.2040 * y + 1.0570 * z};
}

double SrgbTransfer(double linear) noexcept {
  // std::clamp passes NaN through, and NaN would survive into the colour.
  const double c = std::isnan(linear) ? 0.0 : std::clamp(linear, 0.0, 1.0);
  if (c <= kLinearSegmentEnd) {
    return 12.92 * c;
  }
  return 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

double ChromaticityDistance(Chromaticity a, Chromaticity b) noexcept {
  return std::hypot(a.x - b.x, a.y - b.y);
}

}  // namespace detail

std::array<double, 3> LumenoReading::ToDisplayComponents() const noexcept {
  const auto [red, green, blue] = detail::XyzToLinearSrgb(*this);
  return {detail::SrgbTransfer(red), detail::SrgbTransfer(green),
          detail::SrgbTransfer(blue)};
}

std::optional<Chromaticity> LumenoReading::GetChromaticity() const noexcept {
  const double sum = (X + Y) + Z;
  if (!std::isfinite(sum) || sum <= kMinimumSum) {
    return std::nullopt;
  }
  // A finite sum can still give an infinite coordinate when X and Y nearly
  // cancel at the edge of the double range.
  const Chromaticity chromaticity{X / sum, Y / sum};
  if (!std::isfinite(chromaticity.x) || !std::isfinite(chromaticity.y)) {
    return std::nullopt;
  }
  return chromaticity;
}

double LumenoReading::DistanceTo(Chromaticity target) const noexcept {
  const auto own = GetChromaticity();
  if (!own) {
    return std::numeric_limits<double>::infinity();
  }
  return detail::ChromaticityDistance(*own, target);
}

}  // namespace kelvara
