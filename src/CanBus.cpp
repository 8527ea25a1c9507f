#include "kelvara/CanBus.hpp"

#include "DriverCalls.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

Status CanBus::RequestModeOnPort(std::int32_t port, CanBusMode mode,
                                 double timeoutSeconds) {
  const std::int32_t driverMode = mode == CanBusMode::kMode1 ? 1 : 0;
  const std::int32_t milliseconds =
      detail::TruncateToInt32(timeoutSeconds * 1000.0);
  return detail::ToStatus(
      KELVARA_CanBus_RequestMode(port, driverMode, milliseconds));
}

std::optional<CanBusMode> CanBus::GetModeOfPort(std::int32_t port) {
  switch (KELVARA_CanBus_GetMode(port)) {
    case 0:
      return CanBusMode::kMode0;
    case 1:
      return CanBusMode::kMode1;
    default:
      return std::nullopt;
  }
}

}  // namespace kelvara
