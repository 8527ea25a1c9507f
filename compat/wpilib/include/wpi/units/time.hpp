// Stand-in for WPILib's time units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

WPI_STANDIN_UNIT(second_t, operator""_s, dimension::time, std::ratio<1>);
WPI_STANDIN_UNIT(millisecond_t, operator""_ms, dimension::time, std::milli);
WPI_STANDIN_UNIT(microsecond_t, operator""_us, dimension::time, std::micro);
WPI_STANDIN_UNIT(nanosecond_t, operator""_ns, dimension::time, std::nano);

}  // namespace wpi::units
