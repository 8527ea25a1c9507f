// The colour computations of the colour sensor: the two steps of
// LumenoReading::ToColor, apart so that each can be checked on its own, and
// the chromaticity distance that DistanceTo and palette matching share. All
// are defined in LumenoReading.cpp, which is compiled without floating-point
// contraction: every product is rounded before it is added, whether or not
// the target has a fused multiply-add.
#pragma once

#include <array>

#include "kelvara/Lumeno.hpp"

namespace kelvara::detail {

/// Linear sRGB red, green and blue of a reading's XYZ values, with the
/// four-decimal matrix of IEC 61966-2-1, each row summed left to right.
std::array<double, 3> XyzToLinearSrgb(const LumenoReading& reading) noexcept;

/// The sRGB transfer function of one linear component, clamped to 0 to 1
/// first; NaN counts as 0. Linear up to 0.0031308 inclusive, a power above.
double SrgbTransfer(double linear) noexcept;

/// The Euclidean distance between two chromaticities in the xy plane.
double ChromaticityDistance(Chromaticity a, Chromaticity b) noexcept;

}  // namespace kelvara::detail
