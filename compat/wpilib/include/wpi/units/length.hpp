// Stand-in for WPILib's length units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

WPI_STANDIN_UNIT(meter_t, operator""_m, dimension::length, std::ratio<1>);
WPI_STANDIN_UNIT(centimeter_t, operator""_cm, dimension::length, std::centi);
WPI_STANDIN_UNIT(millimeter_t, operator""_mm, dimension::length, std::milli);

}  // namespace wpi::units
