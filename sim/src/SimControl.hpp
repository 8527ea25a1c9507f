// What the C functions of the control interface (kelvara/sim/KelvaraSim.h)
// share: addresses and kinds read from their C form, answers written through
// checked pointers, and every failure turned into a result code, so that no
// exception leaves the simulated driver.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "SimState.hpp"
#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimDevice.hpp"

namespace kelvara::sim::detail {

/// Thrown inside a control function for an argument it refuses.
struct InvalidArgument {};

/// Makes addresses, which only the simulated driver may build from numbers
/// (robot code names CAN ports by wpi::CANPort).
struct AddressOf {
  static SimAddress Make(SimTransport transport, std::int32_t port,
                         std::int32_t canId, std::string path) {
    return SimAddress{transport, port, canId, std::move(path)};
  }
  static SimAddress Can(std::int32_t port, std::int32_t canId) {
    return Make(SimTransport::kCan, port, canId, {});
  }
};

/// The address that a C record names; throws InvalidArgument for a null
/// record, an unknown transport or a null path with a length.
SimAddress AddressFrom(const KelvaraSim_Address* address);

/// The kind that a C number names; throws InvalidArgument for another.
SimDeviceKind KindFrom(std::int32_t kind);

/// Writes an answer through a caller's pointer; throws InvalidArgument for
/// a null one.
template <typename T, typename U>
void Answer(T* out, U&& value) {
  if (out == nullptr) {
    throw InvalidArgument{};
  }
  *out = std::forward<U>(value);
}

/// Runs a control function's work and gives its result code.
template <typename F>
std::int32_t Guard(F&& work) noexcept {
  try {
    std::forward<F>(work)();
    return KelvaraSim_kOk;
  } catch (const InvalidArgument&) {
    return KelvaraSim_kInvalidArgument;
  } catch (const std::bad_alloc&) {
    return KelvaraSim_kOutOfMemory;
  } catch (...) {
    return KelvaraSim_kFailed;
  }
}

/// Runs f(model, state) on the model of the device of one kind at an address
/// under the state's lock, and gives the result code.
template <typename Model, typename F>
std::int32_t OnModel(const KelvaraSim_Address* address, F f) noexcept {
  return Guard([&] {
    WithDevice<Model>(
        AddressFrom(address),
        [&f](Device<Model>& device, State& state) { f(device.model, state); });
  });
}

}  // namespace kelvara::sim::detail
