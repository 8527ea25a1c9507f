// Seeded Gaussian noise for the sensor models. The generator (splitmix64 with
// the Box-Muller transform) is written out here rather than taken from
// <random>, whose distributions differ between standard libraries, so that a
// seed gives the same samples everywhere.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace kelvara::sim::detail {

/// A seeded source of normally distributed draws.
class NoiseSource {
 public:
  /// Restarts the sequence from a seed.
  void Seed(std::uint64_t seed) noexcept {
    m_state = seed;
    m_hasSpare = false;
  }

  /// A draw with mean 0 and this standard deviation. A standard deviation of
  /// 0 gives 0 without using up a draw.
  double Draw(double stdDev) noexcept {
    if (stdDev == 0.0) {
      return 0.0;
    }
    return stdDev * StandardNormal();
  }

 private:
  std::uint64_t Next() noexcept {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  /// Uniform in [0, 1).
  double Uniform() noexcept {
    return static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }

  double StandardNormal() noexcept {
    if (m_hasSpare) {
      m_hasSpare = false;
      return m_spare;
    }
    const double radius = std::sqrt(-2.0 * std::log(1.0 - Uniform()));
    const double angle = 2.0 * std::numbers::pi * Uniform();
    m_spare = radius * std::sin(angle);
    m_hasSpare = true;
    return radius * std::cos(angle);
  }

  std::uint64_t m_state = 0;
  double m_spare = 0.0;
  bool m_hasSpare = false;
};

}  // namespace kelvara::sim::detail
