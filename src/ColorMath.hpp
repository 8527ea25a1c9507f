// The two steps of LumenoReading::ToColor, apart so that each can be checked
// on its own. Both are C functions of the library (KelvaraLib.h), compiled
// without floating-point contraction: every product is rounded before it is
// added, whether or not the target has a fused multiply-add.
#pragma once

#include <array>

#include "kelvara/KelvaraLib.h"
#include "kelvara/Lumeno.hpp"

namespace kelvara::detail {

/// Linear sRGB red, green and blue of a reading's XYZ values, with the
/// four-decimal matrix of IEC 61966-2-1, each row summed left to right.
inline std::array<double, 3> XyzToLinearSrgb(
    const LumenoReading& reading) noexcept {
  const KelvaraLib_Xyz xyz{reading.X, reading.Y, reading.Z};
  KelvaraLib_Rgb rgb;
  KelvaraLib_Lumeno_XyzToLinearSrgb(&xyz, &rgb);
  return {rgb.red, rgb.green, rgb.blue};
}

/// The sRGB transfer function of one linear component, clamped to 0 to 1
/// first; NaN counts as 0. Linear up to 0.0031308 inclusive, a power above.
inline double SrgbTransfer(double linear) noexcept {
  return KelvaraLib_Lumeno_SrgbTransfer(linear);
}

}  // namespace kelvara::detail
