// Signed 64-bit arithmetic that holds at the type's limits instead of
// overflowing, for the simulation's nanosecond counts: a clock moved on
// without bound stops at the end of its range rather than wrapping round.
#pragma once

#include <cstdint>
#include <limits>

namespace kelvara::sim::detail {

inline constexpr std::int64_t kInt64Max =
    std::numeric_limits<std::int64_t>::max();
inline constexpr std::int64_t kInt64Min =
    std::numeric_limits<std::int64_t>::min();

/// a + b, or the limit that the sum passes.
constexpr std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) noexcept {
  if (b > 0 && a > kInt64Max - b) {
    return kInt64Max;
  }
  if (b < 0 && a < kInt64Min - b) {
    return kInt64Min;
  }
  return a + b;
}

/// a - b, or the limit that the difference passes.
constexpr std::int64_t SaturatingSubtract(std::int64_t a,
                                          std::int64_t b) noexcept {
  if (b < 0 && a > kInt64Max + b) {
    return kInt64Max;
  }
  if (b > 0 && a < kInt64Min + b) {
    return kInt64Min;
  }
  return a - b;
}

}  // namespace kelvara::sim::detail
