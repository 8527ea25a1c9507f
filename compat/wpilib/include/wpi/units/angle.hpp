// Stand-in for WPILib's angle units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

WPI_STANDIN_UNIT(radian_t, operator""_rad, dimension::angle, std::ratio<1>);
WPI_STANDIN_UNIT(degree_t, operator""_deg, dimension::angle, std::ratio<1, 180>,
                 1);

}  // namespace wpi::units
