#pragma once

#include <cstdint>

#include "kelvara/Status.hpp"

namespace kelvara::sim {

/**
 * The result codes of the simulated driver. Every driver function that
 * returns a code returns one of these, or the code that simulation code
 * injected with SimDevice::FailNextCalls() or SimCanBus::FailNextRequests().
 * The library hands them to robot code unchanged as a Status; AsStatus()
 * gives the Status to compare with.
 */
enum class SimResult : std::int32_t {
  /// The call did what it was asked; robot code sees Status::kOk.
  kOk = 0,
  /// The device at the handle's address is not present: detached by
  /// simulation code, or at an address that cannot hold a device.
  kNotConnected = 1,
  /// The handle was never issued, was released already, is 0, or belongs to
  /// another kind of device.
  kUnknownHandle = 2,
  /// An argument that the device refuses: a value out of the device's range,
  /// a CAN port that does not exist, a resolution that is neither grid, a null
  /// out buffer.
  kInvalidArgument = 3,
  /// A configuration item that the colour sensor does not know.
  kUnsupportedItem = 4,
  /// Memory for the device, its handle or its HAL entry could not be
  /// allocated; nothing was opened or requested.
  kOutOfMemory = 5,
};

/// The Status that robot code receives from the library for a result code.
constexpr Status AsStatus(SimResult result) noexcept {
  return static_cast<Status>(result);
}

}  // namespace kelvara::sim
