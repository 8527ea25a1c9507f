#pragma once

#include <cstdint>
#include <optional>

#include <wpi/hardware/bus/CANPort.hpp>

#include "kelvara/CanBus.hpp"
#include "kelvara/detail/CanPortNumber.hpp"
#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/detail/SimCall.hpp"

namespace kelvara::sim {

/**
 * Controls the simulated bus mode of one CAN port. Ports CAN_S0 to CAN_D19
 * (0 to 24) exist and start in mode 0; CanBus::RequestMode switches a port
 * at once, and CanBus::GetMode reads it. A request fails with
 * SimResult::kInvalidArgument for a port that does not exist, a mode other
 * than 0 or 1, or a negative timeout; GetMode of such a port gives no mode.
 * All members may be called from any thread.
 */
class SimCanBus {
 public:
  /// Controls the port's simulated bus mode; a port that does not exist may
  /// be named too, and then nothing changes.
  explicit SimCanBus(wpi::CANPort port) noexcept
      : m_port{kelvara::detail::CanPortNumber(port)} {}

  /// The port's mode; empty for a port that does not exist.
  std::optional<CanBusMode> GetMode() const {
    const auto mode =
        detail::Get<std::int32_t>(KelvaraSim_CanBus_GetMode, m_port);
    if (mode < 0) {
      return std::nullopt;
    }
    return static_cast<CanBusMode>(mode);
  }

  /// Switches the port's mode, as if another party had; no effect on a port
  /// that does not exist.
  void SetMode(CanBusMode mode) {
    detail::Call(KelvaraSim_CanBus_SetMode, m_port,
                 static_cast<std::int32_t>(mode));
  }

  /// The number of mode requests that robot code made on the port,
  /// successful or not.
  int GetRequestCount() const {
    return detail::Get<std::int32_t>(KelvaraSim_CanBus_GetRequestCount, m_port);
  }

  /// Makes the next count mode requests on the port fail with code, leaving
  /// the mode as it is. A count of 0 or less, or a code of 0, cancels the
  /// failures still pending.
  void FailNextRequests(int count, std::int32_t code) {
    detail::Call(KelvaraSim_CanBus_FailNextRequests, m_port, count, code);
  }

  /// Restores the port: mode 0, no request counted, no failure pending.
  void Reset() { detail::Call(KelvaraSim_CanBus_Reset, m_port); }

 private:
  std::int32_t m_port;
};

}  // namespace kelvara::sim
