// Stand-in for WPILib's time units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

using second_t = unit_t<dimension::time, std::ratio<1>>;
using millisecond_t = unit_t<dimension::time, std::milli>;
using microsecond_t = unit_t<dimension::time, std::micro>;
using nanosecond_t = unit_t<dimension::time, std::nano>;

namespace literals {
constexpr second_t operator""_s(long double v) {
  return second_t{static_cast<double>(v)};
}
constexpr second_t operator""_s(unsigned long long v) {
  return second_t{static_cast<double>(v)};
}
constexpr millisecond_t operator""_ms(long double v) {
  return millisecond_t{static_cast<double>(v)};
}
constexpr millisecond_t operator""_ms(unsigned long long v) {
  return millisecond_t{static_cast<double>(v)};
}
constexpr microsecond_t operator""_us(long double v) {
  return microsecond_t{static_cast<double>(v)};
}
constexpr microsecond_t operator""_us(unsigned long long v) {
  return microsecond_t{static_cast<double>(v)};
}
constexpr nanosecond_t operator""_ns(long double v) {
  return nanosecond_t{static_cast<double>(v)};
}
constexpr nanosecond_t operator""_ns(unsigned long long v) {
  return nanosecond_t{static_cast<double>(v)};
}
}  // namespace literals

}  // namespace wpi::units
