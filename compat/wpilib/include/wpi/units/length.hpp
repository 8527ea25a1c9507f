// Stand-in for WPILib's length units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

using meter_t = unit_t<dimension::length, std::ratio<1>>;
using centimeter_t = unit_t<dimension::length, std::centi>;
using millimeter_t = unit_t<dimension::length, std::milli>;

namespace literals {
constexpr meter_t operator""_m(long double v) {
  return meter_t{static_cast<double>(v)};
}
constexpr meter_t operator""_m(unsigned long long v) {
  return meter_t{static_cast<double>(v)};
}
constexpr centimeter_t operator""_cm(long double v) {
  return centimeter_t{static_cast<double>(v)};
}
constexpr centimeter_t operator""_cm(unsigned long long v) {
  return centimeter_t{static_cast<double>(v)};
}
constexpr millimeter_t operator""_mm(long double v) {
  return millimeter_t{static_cast<double>(v)};
}
constexpr millimeter_t operator""_mm(unsigned long long v) {
  return millimeter_t{static_cast<double>(v)};
}
}  // namespace literals

}  // namespace wpi::units
