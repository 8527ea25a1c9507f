#pragma once

#include <cstdint>
#include <optional>

#include <wpi/hardware/bus/CANPort.hpp>

#include "kelvara/CanBus.hpp"
#include "kelvara/detail/CanPortNumber.hpp"

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
  std::optional<CanBusMode> GetMode() const;

  /// Switches the port's mode, as if another party had; no effect on a port
  /// that does not exist.
  void SetMode(CanBusMode mode);

  /// The number of mode requests that robot code made on the port,
  /// successful or not.
  int GetRequestCount() const;

  /// Makes the next count mode requests on the port fail with code, leaving
  /// the mode as it is. A count of 0 or less, or a code of 0, cancels the
  /// failures still pending.
  void FailNextRequests(int count, std::int32_t code);

  /// Restores the port: mode 0, no request counted, no failure pending.
  void Reset();

 private:
  std::int32_t m_port;
};

}  // namespace kelvara::sim
