// Part of the inline layer of the public headers: the code there converts
// WPILib types to and from the plain numbers that the compiled library takes
// and returns, so that the library's binary interface names no WPILib type.
#pragma once

#include <cstdint>

#include <wpi/hardware/bus/CANPort.hpp>

namespace kelvara::detail {

/// The number by which the driver knows a CAN port.
constexpr std::int32_t CanPortNumber(wpi::CANPort port) noexcept {
  return static_cast<std::int32_t>(port);
}

}  // namespace kelvara::detail
