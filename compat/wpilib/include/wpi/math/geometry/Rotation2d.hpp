// Stand-in for WPILib's Rotation2d.
#pragma once

#include <cmath>

#include "wpi/units/angle.hpp"

namespace wpi::math {

/// A rotation in the plane, stored as the cosine and sine of its angle.
class Rotation2d {
 public:
  constexpr Rotation2d() = default;

  template <typename Angle>
  requires wpi::units::unit_of<Angle, wpi::units::dimension::angle> Rotation2d(
      Angle value)  // NOLINT(google-explicit-constructor)
      : m_cos{std::cos(wpi::units::radian_t{value}.value())},
        m_sin{std::sin(wpi::units::radian_t{value}.value())} {}

  /// atan2(sin, cos), in [-pi, pi].
  wpi::units::radian_t Radians() const {
    return wpi::units::radian_t{std::atan2(m_sin, m_cos)};
  }
  wpi::units::degree_t Degrees() const { return Radians(); }
  constexpr double Cos() const { return m_cos; }
  constexpr double Sin() const { return m_sin; }

  bool operator==(const Rotation2d& other) const {
    return std::hypot(m_cos - other.m_cos, m_sin - other.m_sin) < 1e-9;
  }

 private:
  double m_cos = 1.0;
  double m_sin = 0.0;
};

}  // namespace wpi::math
