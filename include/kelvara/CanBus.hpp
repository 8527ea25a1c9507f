#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include <wpi/hardware/bus/CANPort.hpp>
#include <wpi/units/time.hpp>

#include "kelvara/KelvaraLib.h"
#include "kelvara/Status.hpp"
#include "kelvara/detail/CInterface.hpp"
#include "kelvara/detail/CanPortNumber.hpp"

namespace kelvara {

/// The two modes a CAN port's bus can be in; the driver knows them as 0 and 1.
enum class CanBusMode : std::int32_t {
  /// The mode the driver numbers 0. RequestMode asks for it for every value
  /// other than kMode1.
  kMode0 = 0,
  /// The mode the driver numbers 1.
  kMode1 = 1,
};

/// Requests and reads the bus mode of the controller's CAN ports. Owns
/// nothing and keeps no state; both operations may be called from any thread.
class CanBus {
 public:
  CanBus() = delete;

  /**
   * Asks the driver to put a CAN port into a bus mode within a timeout.
   *
   * kMode1 requests mode 1; every other value requests mode 0. The timeout
   * reaches the driver in whole milliseconds, truncated toward zero; a timeout
   * beyond the 32-bit millisecond range is sent as the nearest end of that
   * range, and NaN as 0.
   *
   * @return the driver's result code; Status::kOk on success
   */
  static Status RequestMode(wpi::CANPort port, CanBusMode mode,
                            wpi::units::second_t timeout) {
    return detail::ToStatus(KelvaraLib_CanBus_RequestMode(
        detail::CanPortNumber(port), std::to_underlying(mode),
        timeout.value()));
  }

  /**
   * Reads a CAN port's bus mode.
   *
   * @return the mode, or empty when the driver answers with neither 0 nor 1
   */
  static std::optional<CanBusMode> GetMode(wpi::CANPort port) {
    switch (KelvaraLib_CanBus_GetMode(detail::CanPortNumber(port))) {
      case 0:
        return CanBusMode::kMode0;
      case 1:
        return CanBusMode::kMode1;
      default:
        return std::nullopt;
    }
  }
};

}  // namespace kelvara
