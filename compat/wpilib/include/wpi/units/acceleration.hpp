// Stand-in for WPILib's acceleration units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

WPI_STANDIN_UNIT(meters_per_second_squared_t, operator""_mps_sq,
                 dimension::acceleration, std::ratio<1>);
WPI_STANDIN_UNIT(standard_gravity_t, operator""_SG, dimension::acceleration,
                 std::ratio<980665, 100000>);

}  // namespace wpi::units
