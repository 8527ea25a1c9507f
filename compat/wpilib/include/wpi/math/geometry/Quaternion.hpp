// Stand-in for WPILib's Quaternion.
#pragma once

#include <cmath>

namespace wpi::math {

/// A quaternion w + xi + yj + zk, stored as given (not normalised).
class Quaternion {
 public:
  constexpr Quaternion() = default;
  constexpr Quaternion(double w, double x, double y, double z)
      : m_w{w}, m_x{x}, m_y{y}, m_z{z} {}

  constexpr double W() const { return m_w; }
  constexpr double X() const { return m_x; }
  constexpr double Y() const { return m_y; }
  constexpr double Z() const { return m_z; }

  constexpr double Dot(const Quaternion& other) const {
    return m_w * other.m_w + m_x * other.m_x + m_y * other.m_y +
           m_z * other.m_z;
  }

  double Norm() const { return std::sqrt(Dot(*this)); }

  /// This quaternion divided by its norm; the identity when the norm is 0.
  Quaternion Normalize() const {
    double norm = Norm();
    if (norm == 0.0) {
      return Quaternion{};
    }
    return Quaternion{m_w / norm, m_x / norm, m_y / norm, m_z / norm};
  }

  constexpr Quaternion Conjugate() const {
    return Quaternion{m_w, -m_x, -m_y, -m_z};
  }

  constexpr Quaternion Inverse() const {
    double norm2 = Dot(*this);
    return Quaternion{m_w / norm2, -m_x / norm2, -m_y / norm2, -m_z / norm2};
  }

  /// Hamilton product.
  constexpr Quaternion operator*(const Quaternion& r) const {
    return Quaternion{m_w * r.m_w - m_x * r.m_x - m_y * r.m_y - m_z * r.m_z,
                      m_w * r.m_x + m_x * r.m_w + m_y * r.m_z - m_z * r.m_y,
                      m_w * r.m_y - m_x * r.m_z + m_y * r.m_w + m_z * r.m_x,
                      m_w * r.m_z + m_x * r.m_y - m_y * r.m_x + m_z * r.m_w};
  }

  /// Approximate equality: same norm and parallel, within 1e-9.
  bool operator==(const Quaternion& other) const {
    return std::abs(Dot(other) - Norm() * other.Norm()) < 1e-9 &&
           std::abs(Norm() - other.Norm()) < 1e-9;
  }

 private:
  double m_w = 1.0;
  double m_x = 0.0;
  double m_y = 0.0;
  double m_z = 0.0;
};

}  // namespace wpi::math
