// The colour arithmetic's C functions. This file is compiled without
// floating-point contraction: every product is rounded before it is added,
// whether or not the target has a fused multiply-add, so that a colour is the
// same whatever compiler and flags the caller uses.
#include <algorithm>
#include <cmath>

#include "kelvara/KelvaraLib.h"

namespace {

/// The largest linear value on the linear segment of the sRGB curve.
constexpr double kLinearSegmentEnd = 0.0031308;

/// A tristimulus sum at or below this carries too little light for a
/// chromaticity.
constexpr double kMinimumSum = 1e-6;

}  // namespace

extern "C" {

void KelvaraLib_Lumeno_XyzToLinearSrgb(const KelvaraLib_Xyz* xyz,
                                       KelvaraLib_Rgb* rgb) {
  const double x = xyz->X;
  const double y = xyz->Y;
  const double z = xyz->Z;
  *rgb = KelvaraLib_Rgb{3.2406 * x - 1.5372 * y - 0.4986 * z,
                        -0.9689 * x + 1.8758 * y + 0.0415 * z,
                        0.0557 * x - 0.2040 * y + 1.0570 * z};
}

double KelvaraLib_Lumeno_SrgbTransfer(double linear) {
  // std::clamp passes NaN through, and NaN would survive into the colour.
  const double c = std::isnan(linear) ? 0.0 : std::clamp(linear, 0.0, 1.0);
  if (c <= kLinearSegmentEnd) {
    return 12.92 * c;
  }
  return 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

void KelvaraLib_Lumeno_XyzToSrgb(const KelvaraLib_Xyz* xyz,
                                 KelvaraLib_Rgb* rgb) {
  KelvaraLib_Rgb linear;
  KelvaraLib_Lumeno_XyzToLinearSrgb(xyz, &linear);
  *rgb = KelvaraLib_Rgb{KelvaraLib_Lumeno_SrgbTransfer(linear.red),
                        KelvaraLib_Lumeno_SrgbTransfer(linear.green),
                        KelvaraLib_Lumeno_SrgbTransfer(linear.blue)};
}

bool KelvaraLib_Lumeno_GetChromaticity(const KelvaraLib_Xyz* xyz,
                                       KelvaraLib_Chromaticity* chromaticity) {
  const double sum = (xyz->X + xyz->Y) + xyz->Z;
  if (!std::isfinite(sum) || sum <= kMinimumSum) {
    return false;
  }
  // A finite sum can still give an infinite coordinate when X and Y nearly
  // cancel at the edge of the double range.
  const double x = xyz->X / sum;
  const double y = xyz->Y / sum;
  if (!std::isfinite(x) || !std::isfinite(y)) {
    return false;
  }
  *chromaticity = KelvaraLib_Chromaticity{x, y};
  return true;
}

double KelvaraLib_Lumeno_ChromaticityDistance(
    const KelvaraLib_Chromaticity* a, const KelvaraLib_Chromaticity* b) {
  return std::hypot(a->x - b->x, a->y - b->y);
}

size_t KelvaraLib_Lumeno_FindNearest(const KelvaraLib_Chromaticity* seen,
                                     const KelvaraLib_Chromaticity* entries,
                                     size_t count, double threshold,
                                     double* distance) {
  size_t best = count;
  double bestDistance = 0.0;
  for (size_t i = 0; i < count; ++i) {
    const double d = KelvaraLib_Lumeno_ChromaticityDistance(seen, &entries[i]);
    // An infinite distance (an entry off the chart) is never near, not even
    // under an infinite threshold. NaN fails the comparison.
    if (std::isinf(d) || !(d <= threshold)) {
      continue;
    }
    if (best == count || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  if (best != count) {
    *distance = bestDistance;
  }
  return best;
}

}  // extern "C"
