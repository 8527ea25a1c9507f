// Stand-in for WPILib's acceleration units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

using meters_per_second_squared_t =
    unit_t<dimension::acceleration, std::ratio<1>>;
using standard_gravity_t =
    unit_t<dimension::acceleration, std::ratio<980665, 100000>>;

namespace literals {
constexpr meters_per_second_squared_t operator""_mps_sq(long double v) {
  return meters_per_second_squared_t{static_cast<double>(v)};
}
constexpr meters_per_second_squared_t operator""_mps_sq(unsigned long long v) {
  return meters_per_second_squared_t{static_cast<double>(v)};
}
constexpr standard_gravity_t operator""_SG(long double v) {
  return standard_gravity_t{static_cast<double>(v)};
}
constexpr standard_gravity_t operator""_SG(unsigned long long v) {
  return standard_gravity_t{static_cast<double>(v)};
}
}  // namespace literals

}  // namespace wpi::units
