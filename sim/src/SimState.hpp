// The simulated driver's process-wide state: the devices by address, the
// handles issued, the clock and the CAN ports, under one lock.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>

#include "HalBridge.hpp"
#include "KinetraModel.hpp"
#include "LumenoModel.hpp"
#include "VantorModel.hpp"
#include "driver/DriverValues.hpp"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimDevice.hpp"
#include "kelvara/sim/SimResult.hpp"

namespace kelvara::sim::detail {

/// Failures that simulation code asked for: the next count calls return
/// code.
struct InjectedFailures {
  int count = 0;
  std::int32_t code = 0;

  void Set(int newCount, std::int32_t newCode) {
    count = newCode == 0 ? 0 : std::max(newCount, 0);
    code = newCode;
  }

  /// The code for this call, if it is to fail; uses up one failure.
  std::optional<std::int32_t> Take() {
    if (count == 0) {
      return std::nullopt;
    }
    --count;
    return code;
  }
};

/// A simulated device: its presence, faults and handles, and its model.
template <typename Model>
struct Device {
  explicit Device(const SimAddress& address)
      : model{MakeModel(address)}, canHold{address.CanHoldDevice()} {}

  bool IsPresent() const { return attached && canHold; }

  /// Back to the defaults; open handles stay counted.
  void Reset(const SimAddress& address) {
    const int handles = openHandles;
    *this = Device{address};
    openHandles = handles;
  }

  Model model;
  bool canHold;
  bool attached = true;
  bool invalidRecords = false;
  int openHandles = 0;
  InjectedFailures failures;

 private:
  static Model MakeModel(const SimAddress& address) {
    if constexpr (std::is_constructible_v<Model, const SimAddress&>) {
      return Model{address};
    } else {
      return Model{};
    }
  }
};

using KinetraDevice = Device<KinetraModel>;
using LumenoDevice = Device<LumenoModel>;
using VantorDevice = Device<VantorModel>;

/// The simulated bus mode of one CAN port.
struct CanPort {
  std::int32_t mode = 0;
  int requests = 0;
  InjectedFailures failures;
};

struct State {
  std::mutex mutex;

  std::map<SimAddress, KinetraDevice> kinetras;
  std::map<SimAddress, LumenoDevice> lumenos;
  std::map<SimAddress, VantorDevice> vantors;

  /// Open handles and their devices. Devices are never removed from the maps
  /// above, so the pointers stay valid.
  std::unordered_map<std::int32_t,
                     std::variant<KinetraDevice*, LumenoDevice*, VantorDevice*>>
      handles;
  /// The last handle issued; handles count up and are never reused.
  std::int32_t lastHandle = 0;

  std::int64_t clockNs = 0;
  bool clockSynchronized = true;

  std::array<CanPort, driver::kCanPortCount> canPorts{};

  /// What WPILib's simulation tools are shown.
  HalBridge hal;

  /// The devices of one kind.
  template <typename Model>
  std::map<SimAddress, Device<Model>>& Devices();

  /// The device of one kind at an address, made with defaults on first use.
  template <typename Model>
  Device<Model>& At(const SimAddress& address) {
    auto& devices = Devices<Model>();
    auto found = devices.find(address);
    if (found == devices.end()) {
      found = devices.try_emplace(address, address).first;
    }
    return found->second;
  }

  /// The open device of one kind behind a handle, or null.
  template <typename Model>
  Device<Model>* Find(std::int32_t handle) {
    const auto found = handles.find(handle);
    if (found == handles.end()) {
      return nullptr;
    }
    auto* const* device = std::get_if<Device<Model>*>(&found->second);
    return device != nullptr ? *device : nullptr;
  }
};

template <>
inline std::map<SimAddress, KinetraDevice>& State::Devices<KinetraModel>() {
  return kinetras;
}
template <>
inline std::map<SimAddress, LumenoDevice>& State::Devices<LumenoModel>() {
  return lumenos;
}
template <>
inline std::map<SimAddress, VantorDevice>& State::Devices<VantorModel>() {
  return vantors;
}

/// The state, made on first use and never destroyed, so that devices released
/// during the program's exit still find it.
State& GetState();

/// The kind of the devices of a model.
template <typename Model>
constexpr SimDeviceKind KindOf() {
  if constexpr (std::is_same_v<Model, KinetraModel>) {
    return SimDeviceKind::kKinetra;
  } else if constexpr (std::is_same_v<Model, LumenoModel>) {
    return SimDeviceKind::kLumeno;
  } else {
    static_assert(std::is_same_v<Model, VantorModel>);
    return SimDeviceKind::kVantor;
  }
}

/// Runs f on the device of one kind at an address under the state's lock,
/// then brings the HAL's view up to date.
template <typename Model, typename F>
decltype(auto) WithDevice(const SimAddress& address, F&& f) {
  State& state = GetState();
  const PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  return std::forward<F>(f)(state.At<Model>(address), state);
}

/// Runs f on the device of a kind at an address under the state's lock,
/// then brings the HAL's view up to date.
template <typename F>
decltype(auto) WithDevice(SimDeviceKind kind, const SimAddress& address,
                          F&& f) {
  switch (kind) {
    case SimDeviceKind::kKinetra:
      return WithDevice<KinetraModel>(address, std::forward<F>(f));
    case SimDeviceKind::kLumeno:
      return WithDevice<LumenoModel>(address, std::forward<F>(f));
    case SimDeviceKind::kVantor:
      break;
  }
  return WithDevice<VantorModel>(address, std::forward<F>(f));
}

}  // namespace kelvara::sim::detail
