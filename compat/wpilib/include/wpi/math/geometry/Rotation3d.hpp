// Stand-in for WPILib's Rotation3d.
#pragma once

#include <cmath>
#include <numbers>

#include "wpi/math/geometry/Quaternion.hpp"
#include "wpi/math/geometry/Rotation2d.hpp"
#include "wpi/units/angle.hpp"

namespace wpi::math {

/// A rotation in space, stored as a unit quaternion.
class Rotation3d {
 public:
  constexpr Rotation3d() = default;

  /// Stores q normalised; a zero quaternion becomes the identity.
  explicit Rotation3d(const Quaternion& q) : m_q{q.Normalize()} {}

  /// Extrinsic rotation about X (roll), then Y (pitch), then Z (yaw).
  Rotation3d(wpi::units::radian_t roll, wpi::units::radian_t pitch,
             wpi::units::radian_t yaw) {
    double cr = std::cos(roll.value() * 0.5);
    double sr = std::sin(roll.value() * 0.5);
    double cp = std::cos(pitch.value() * 0.5);
    double sp = std::sin(pitch.value() * 0.5);
    double cy = std::cos(yaw.value() * 0.5);
    double sy = std::sin(yaw.value() * 0.5);
    m_q = Quaternion{cr * cp * cy + sr * sp * sy, sr * cp * cy - cr * sp * sy,
                     cr * sp * cy + sr * cp * sy, cr * cp * sy - sr * sp * cy};
  }

  const Quaternion& GetQuaternion() const { return m_q; }

  /// Counter-clockwise rotation about the X axis (roll).
  wpi::units::radian_t X() const {
    double w = m_q.W(), x = m_q.X(), y = m_q.Y(), z = m_q.Z();
    double a = 1.0 - 2.0 * (x * x + y * y);
    double b = 2.0 * (w * x + y * z);
    return wpi::units::radian_t{a * a + b * b > 1e-20 ? std::atan2(b, a) : 0.0};
  }

  /// Counter-clockwise rotation about the Y axis (pitch).
  wpi::units::radian_t Y() const {
    double w = m_q.W(), x = m_q.X(), y = m_q.Y(), z = m_q.Z();
    double t = 2.0 * (w * y - z * x);
    return wpi::units::radian_t{std::abs(t) >= 1.0
                                    ? std::copysign(std::numbers::pi / 2.0, t)
                                    : std::asin(t)};
  }

  /// Counter-clockwise rotation about the Z axis (yaw).
  wpi::units::radian_t Z() const {
    double w = m_q.W(), x = m_q.X(), y = m_q.Y(), z = m_q.Z();
    double a = 1.0 - 2.0 * (y * y + z * z);
    double b = 2.0 * (w * z + x * y);
    return wpi::units::radian_t{a * a + b * b > 1e-20
                                    ? std::atan2(b, a)
                                    : std::atan2(2.0 * w * z, w * w - z * z)};
  }

  Rotation2d ToRotation2d() const { return Rotation2d{Z()}; }

  bool operator==(const Rotation3d& other) const {
    return std::abs(std::abs(m_q.Dot(other.m_q)) -
                    m_q.Norm() * other.m_q.Norm()) < 1e-9;
  }

 private:
  Quaternion m_q;
};

}  // namespace wpi::math
