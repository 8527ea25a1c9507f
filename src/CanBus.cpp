#include "kelvara/CanBus.hpp"

#include "DriverCalls.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

Status CanBus::RequestMode(wpi::CANPort port, CanBusMode mode,
                           wpi::units::second_t timeout) {
  const std::int32_t driverMode = mode == CanBusMode::kMode1 ? 1 : 0;
  const std::int32_t milliseconds =
      detail::TruncateToInt32(timeout.value() * 1000.0);
  return detail::ToStatus(KELVARA_CanBus_RequestMode(detail::PortNumber(port),
                                                     driverMode, milliseconds));
}

std::optional<CanBusMode> CanBus::GetMode(wpi::CANPort port) {
  switch (KELVARA_CanBus_GetMode(detail::PortNumber(port))) {
    case 0:
      return CanBusMode::kMode0;
    case 1:
      return CanBusMode::kMode1;
    default:
      return std::nullopt;
  }
}

}  // namespace kelvara
