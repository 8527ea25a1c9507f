// Stand-in for WPILib's angular velocity units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

WPI_STANDIN_UNIT(radians_per_second_t, operator""_rad_per_s,
                 dimension::angular_velocity, std::ratio<1>);
WPI_STANDIN_UNIT(degrees_per_second_t, operator""_deg_per_s,
                 dimension::angular_velocity, std::ratio<1, 180>, 1);

}  // namespace wpi::units
