// Stand-in for WPILib's angular velocity units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

using radians_per_second_t = unit_t<dimension::angular_velocity, std::ratio<1>>;
using degrees_per_second_t =
    unit_t<dimension::angular_velocity, std::ratio<1, 180>, 1>;

namespace literals {
constexpr radians_per_second_t operator""_rad_per_s(long double v) {
  return radians_per_second_t{static_cast<double>(v)};
}
constexpr radians_per_second_t operator""_rad_per_s(unsigned long long v) {
  return radians_per_second_t{static_cast<double>(v)};
}
constexpr degrees_per_second_t operator""_deg_per_s(long double v) {
  return degrees_per_second_t{static_cast<double>(v)};
}
constexpr degrees_per_second_t operator""_deg_per_s(unsigned long long v) {
  return degrees_per_second_t{static_cast<double>(v)};
}
}  // namespace literals

}  // namespace wpi::units
