// The functions of KelvaraLibDriver, the device family's driver module. Every
// device operation of the library is one synchronous call of one of these.
// They are declared here from their list in DriverFunctions.hpp, which
// gives each one's parameters; DriverValues.hpp names the numbers with a
// meaning of their own that they take.
//
// Handles, ports, ids, codes and other integers are signed 32-bit unless
// stated. A result code is 0 for success; an out argument holds an answer
// only after a 0 result. Create functions return a handle also when opening
// fails; the status they are given points to a local integer set to 0 that
// the library never reads.
#pragma once

#include <cstdint>

#include "driver/DriverFunctions.hpp"
#include "driver/DriverRecords.hpp"
#include "driver/DriverValues.hpp"
#include "kelvara/Export.h"

extern "C" {

// Exported by the driver module that defines them (KELVARA_EXPORT), also
// from a library whose other symbols are hidden.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage): declares C functions
#define KELVARA_DRIVER_DECLARATION(device, operation, result, parameters, \
                                   arguments, reply)                      \
  KELVARA_EXPORT result KELVARA_##device##_##operation parameters;
KELVARA_DRIVER_FUNCTIONS(KELVARA_DRIVER_DECLARATION)
#undef KELVARA_DRIVER_DECLARATION

}  // extern "C"
