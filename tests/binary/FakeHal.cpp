// Stands in for WPILib's HAL library (libwpiHal.so) for CallsHal.cpp.
#include <cstdint>

extern "C" std::int32_t HAL_CreateSimDevice(const char* /*name*/) {
  return 0;
}
