// Stand-in for WPILib's magnetic field strength units.
#pragma once

#include "wpi/units/base.hpp"

namespace wpi::units {

WPI_STANDIN_UNIT(tesla_t, operator""_Te, dimension::magnetic_field_strength,
                 std::ratio<1>);
WPI_STANDIN_UNIT(microtesla_t, operator""_uTe,
                 dimension::magnetic_field_strength, std::micro);

}  // namespace wpi::units
