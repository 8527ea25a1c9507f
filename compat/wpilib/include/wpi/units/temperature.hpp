// Stand-in for WPILib's temperature units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

using kelvin_t = unit_t<dimension::temperature, std::ratio<1>>;
using celsius_t =
    unit_t<dimension::temperature, std::ratio<1>, 0, std::ratio<27315, 100>>;

namespace literals {
constexpr kelvin_t operator""_K(long double v) {
  return kelvin_t{static_cast<double>(v)};
}
constexpr kelvin_t operator""_K(unsigned long long v) {
  return kelvin_t{static_cast<double>(v)};
}
constexpr celsius_t operator""_degC(long double v) {
  return celsius_t{static_cast<double>(v)};
}
constexpr celsius_t operator""_degC(unsigned long long v) {
  return celsius_t{static_cast<double>(v)};
}
}  // namespace literals

}  // namespace wpi::units
