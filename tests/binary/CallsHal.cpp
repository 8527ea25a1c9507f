// A library that calls WPILib's HAL directly, and so links against it: the
// symbol check must reject it.
#include <cstdint>

extern "C" std::int32_t HAL_CreateSimDevice(const char* name);

namespace kelvara {

std::int32_t Publish() {
  return HAL_CreateSimDevice("Kinetra:Kinetra[USB]");
}

}  // namespace kelvara
