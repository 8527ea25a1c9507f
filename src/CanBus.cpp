// The CAN bus's C functions, each one driver call.
#include <cstdint>

#include "DriverCalls.hpp"
#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/CanBus.hpp"
#include "kelvara/KelvaraLib.h"

namespace kelvara {

static_assert(std::to_underlying(CanBusMode::kMode0) == 0 &&
              std::to_underlying(CanBusMode::kMode1) == 1);

}  // namespace kelvara

extern "C" {

std::int32_t KelvaraLib_CanBus_RequestMode(std::int32_t port, std::int32_t mode,
                                           double timeoutSeconds) {
  const std::int32_t driverMode = mode == 1 ? 1 : 0;
  const std::int32_t milliseconds =
      kelvara::detail::TruncateToInt32(timeoutSeconds * 1000.0);
  return KELVARA_CanBus_RequestMode(port, driverMode, milliseconds);
}

std::int32_t KelvaraLib_CanBus_GetMode(std::int32_t port) {
  return KELVARA_CanBus_GetMode(port);
}

}  // extern "C"
