// Stand-in for WPILib's angle units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

using radian_t = unit_t<dimension::angle, std::ratio<1>>;
using degree_t = unit_t<dimension::angle, std::ratio<1, 180>, 1>;

namespace literals {
constexpr radian_t operator""_rad(long double v) {
  return radian_t{static_cast<double>(v)};
}
constexpr radian_t operator""_rad(unsigned long long v) {
  return radian_t{static_cast<double>(v)};
}
constexpr degree_t operator""_deg(long double v) {
  return degree_t{static_cast<double>(v)};
}
constexpr degree_t operator""_deg(unsigned long long v) {
  return degree_t{static_cast<double>(v)};
}
}  // namespace literals

}  // namespace wpi::units
