// Stand-in for WPILib's temperature units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

WPI_STANDIN_UNIT(kelvin_t, operator""_K, dimension::temperature, std::ratio<1>);
WPI_STANDIN_UNIT(celsius_t, operator""_degC, dimension::temperature,
                 std::ratio<1>, 0, std::ratio<27315, 100>);

}  // namespace wpi::units
