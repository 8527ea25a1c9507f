// Stand-in for WPILib's magnetic field strength units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

using tesla_t = unit_t<dimension::magnetic_field_strength, std::ratio<1>>;
using microtesla_t = unit_t<dimension::magnetic_field_strength, std::micro>;

namespace literals {
constexpr tesla_t operator""_Te(long double v) {
  return tesla_t{static_cast<double>(v)};
}
constexpr tesla_t operator""_Te(unsigned long long v) {
  return tesla_t{static_cast<double>(v)};
}
constexpr microtesla_t operator""_uTe(long double v) {
  return microtesla_t{static_cast<double>(v)};
}
constexpr microtesla_t operator""_uTe(unsigned long long v) {
  return microtesla_t{static_cast<double>(v)};
}
}  // namespace literals

}  // namespace wpi::units
