#include "HalBridge.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <span>
#include <tuple>
#include <utility>

#include "SimState.hpp"
#include "driver/DriverValues.hpp"

namespace kelvara::sim::detail {

namespace {

using hal::Direction;
using Numbers = std::array<double, kMaxHalValues>;

/// One value of a HAL device: its name, direction and type, and for an enum
/// its options.
struct ValueInfo {
  const char* name;
  Direction direction;
  hal::Type type;
  std::span<const char* const> options{};
};

constexpr auto kDouble = hal::Type::kDouble;
constexpr auto kBoolean = hal::Type::kBoolean;

// The values of each kind of device, in the order of the numbers that
// ShowValues gives and ApplyValue takes.
constexpr std::array kKinetraValues{
    ValueInfo{"yaw (deg)", hal::kBidirectional, kDouble},
    ValueInfo{"pitch (deg)", hal::kBidirectional, kDouble},
    ValueInfo{"roll (deg)", hal::kBidirectional, kDouble},
    ValueInfo{"yaw rate (deg/s)", hal::kBidirectional, kDouble},
    ValueInfo{"temperature (degC)", hal::kOutput, kDouble},
    ValueInfo{"connected", hal::kBidirectional, kBoolean},
};
constexpr std::array kLumenoValues{
    ValueInfo{"red", hal::kBidirectional, kDouble},
    ValueInfo{"green", hal::kBidirectional, kDouble},
    ValueInfo{"blue", hal::kBidirectional, kDouble},
    ValueInfo{"connected", hal::kBidirectional, kBoolean},
};
constexpr std::array kVantorValues{
    ValueInfo{"target distance (mm)", hal::kBidirectional, kDouble},
    ValueInfo{"horizontal tilt (deg)", hal::kBidirectional, kDouble},
    ValueInfo{"vertical tilt (deg)", hal::kBidirectional, kDouble},
    ValueInfo{"closest distance (mm)", hal::kOutput, kDouble},
    ValueInfo{"connected", hal::kBidirectional, kBoolean},
};
constexpr std::array<const char*, 2> kCanBusModes{"mode 0", "mode 1"};
constexpr std::array kCanBusValues{
    ValueInfo{"mode", hal::kOutput, hal::Type::kEnum, kCanBusModes},
};
static_assert(kKinetraValues.size() <= kMaxHalValues &&
              kLumenoValues.size() <= kMaxHalValues &&
              kVantorValues.size() <= kMaxHalValues);

// The values' places in the tables above.
enum KinetraValue : std::size_t {
  kYaw,
  kPitch,
  kRoll,
  kYawRate,
  kTemperature,
  kKinetraConnected,
};
enum LumenoValue : std::size_t { kRed, kGreen, kBlue, kLumenoConnected };
enum VantorValue : std::size_t {
  kDistance,
  kTiltHorizontal,
  kTiltVertical,
  kClosest,
  kVantorConnected,
};

double Degrees(double radians) {
  return radians * 180.0 / std::numbers::pi;
}

double Radians(double degrees) {
  return degrees * std::numbers::pi / 180.0;
}

// What the HAL shows of each kind of device, and a change from the HAL
// applied as the control interface's setter would apply it.

void ShowValues(const KinetraDevice& device, const State& state,
                Numbers& numbers) {
  const KinetraModel& model = device.model;
  const auto [yaw, pitch, roll] = model.ReportedYawPitchRoll(state.clockNs);
  numbers = {yaw,
             pitch,
             roll,
             Degrees(model.angularVelocity.z),
             model.temperature,
             device.IsPresent() ? 1.0 : 0.0};
}

void ApplyValue(KinetraDevice& device, const State& state, std::size_t index,
                double number) {
  KinetraModel& model = device.model;
  switch (index) {
    case kYaw:
      model.SetReportedYaw(number, state.clockNs);
      break;
    case kPitch:
      model.SetPitch(number);
      break;
    case kRoll:
      model.SetRoll(number);
      break;
    case kYawRate:
      model.angularVelocity.z = Radians(number);
      break;
    case kKinetraConnected:
      device.attached = number != 0.0;
      break;
    default:  // the temperature is only shown
      break;
  }
}

void ShowValues(const LumenoDevice& device, const State&, Numbers& numbers) {
  const auto [red, green, blue] = RgbFromXyz(device.model.surface);
  numbers = {red, green, blue, device.IsPresent() ? 1.0 : 0.0};
}

void ApplyValue(LumenoDevice& device, const State&, std::size_t index,
                double number) {
  if (index == kLumenoConnected) {
    device.attached = number != 0.0;
    return;
  }
  // A colour's components lie in 0 to 1.
  auto rgb = RgbFromXyz(device.model.surface);
  rgb[index] = std::isnan(number) ? 0.0 : std::clamp(number, 0.0, 1.0);
  device.model.surface = XyzFromRgb(rgb[0], rgb[1], rgb[2]);
}

/// The flat target in view; one at distance 0 (nothing in view) when the
/// scene is empty or an explicit grid.
FlatTarget TargetOf(const VantorModel& model) {
  const auto* target = std::get_if<FlatTarget>(&model.scene);
  return target != nullptr ? *target : FlatTarget{};
}

void ShowValues(const VantorDevice& device, const State&, Numbers& numbers) {
  const FlatTarget target = TargetOf(device.model);
  numbers = {target.distance, Degrees(target.tiltHorizontal),
             Degrees(target.tiltVertical),
             static_cast<double>(device.model.ClosestReading()),
             device.IsPresent() ? 1.0 : 0.0};
}

void ApplyValue(VantorDevice& device, const State&, std::size_t index,
                double number) {
  FlatTarget target = TargetOf(device.model);
  switch (index) {
    case kDistance:
      target.distance = number;
      break;
    case kTiltHorizontal:
      target.tiltHorizontal = Radians(number);
      break;
    case kTiltVertical:
      target.tiltVertical = Radians(number);
      break;
    case kVantorConnected:
      device.attached = number != 0.0;
      return;
    default:  // the closest distance is only shown
      return;
  }
  device.model.scene = target;
}

/// The device of one kind at an address, or null.
template <typename Model>
Device<Model>* FindDevice(State& state, const SimAddress& address) {
  auto& devices = state.Devices<Model>();
  const auto found = devices.find(address);
  return found != devices.end() ? &found->second : nullptr;
}

/// Runs f on the target's device, if there is one.
template <typename F>
void WithTargetDevice(State& state, const HalDevice& target, F&& f) {
  switch (target.kind) {
    case SimDeviceKind::kKinetra:
      if (auto* device = FindDevice<KinetraModel>(state, target.address)) {
        f(*device);
      }
      return;
    case SimDeviceKind::kLumeno:
      if (auto* device = FindDevice<LumenoModel>(state, target.address)) {
        f(*device);
      }
      return;
    case SimDeviceKind::kVantor:
      if (auto* device = FindDevice<VantorModel>(state, target.address)) {
        f(*device);
      }
      return;
  }
}

std::span<const ValueInfo> ValuesOf(const HalTarget& target) {
  const auto* device = std::get_if<HalDevice>(&target);
  if (device == nullptr) {
    return kCanBusValues;
  }
  switch (device->kind) {
    case SimDeviceKind::kKinetra:
      return kKinetraValues;
    case SimDeviceKind::kLumeno:
      return kLumenoValues;
    case SimDeviceKind::kVantor:
      break;
  }
  return kVantorValues;
}

/// Whether a target is to be shown, and whether it is to be watched further.
struct Presence {
  /// Shown: a device that robot code holds open, attached or not, at an
  /// address that can hold one, or a CAN port whose bus mode robot code
  /// requested.
  bool shown = false;
  /// Robot code holds the device open, or requested the port's bus mode.
  bool held = false;
};

/// Looks at a target; fills numbers with its values when it is shown.
Presence Look(State& state, const HalTarget& target, Numbers& numbers) {
  Presence presence;
  if (const auto* port = std::get_if<HalCanPort>(&target)) {
    const CanPort& canPort =
        state.canPorts[static_cast<std::size_t>(port->port)];
    presence.held = presence.shown = canPort.requests > 0;
    numbers[0] = canPort.mode;
    return presence;
  }
  WithTargetDevice(state, std::get<HalDevice>(target), [&](auto& device) {
    presence.held = device.openHandles > 0;
    presence.shown = presence.held && device.canHold;
    if (presence.shown) {
      ShowValues(device, state, numbers);
    }
  });
  return presence;
}

void Apply(State& state, const HalTarget& target, std::size_t index,
           double number) {
  if (const auto* device = std::get_if<HalDevice>(&target)) {
    WithTargetDevice(state, *device, [&](auto& shown) {
      ApplyValue(shown, state, index, number);
    });
  }
}

hal::Value ToValue(const ValueInfo& info, double number) {
  switch (info.type) {
    case hal::Type::kBoolean:
      return hal::Boolean(number != 0.0);
    case hal::Type::kEnum:
      return hal::Enum(static_cast<std::int32_t>(number));
    default:
      return hal::Double(number);
  }
}

/// The link with an id, or null. Only the publishing thread erases links, so
/// one that it found under an earlier lock is still there.
HalLink* FindLink(State& state, std::uint64_t id) {
  const auto found = state.hal.links.find(id);
  return found != state.hal.links.end() ? &found->second : nullptr;
}

// A link's id travels through the HAL as its callbacks' parameter.

void* AsParam(std::uint64_t id) {
  return std::bit_cast<void*>(static_cast<std::uintptr_t>(id));
}

std::uint64_t IdOf(void* param) {
  return std::bit_cast<std::uintptr_t>(param);
}

/// A change of a value in the HAL: a change made by someone else is applied
/// to the simulation; the change that publishing made is only noted. The HAL
/// is not called from here.
void OnHalChange(const char* /*name*/, void* param, std::int32_t handle,
                 std::int32_t /*direction*/, const hal::Value* value) noexcept {
  if (value == nullptr) {
    return;
  }
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  HalLink* found = FindLink(state, IdOf(param));
  if (found == nullptr || found->device == 0) {
    return;
  }
  HalLink& link = *found;
  const auto infos = ValuesOf(link.target);
  for (std::size_t index = 0; index < infos.size(); ++index) {
    HalSlot& slot = link.slots[index];
    if (slot.handle != handle) {
      continue;
    }
    if (slot.inFlight && hal::Same(*value, slot.publishing)) {
      // The value being published: nothing to apply. After a change by
      // someone else in between, it is no longer the simulation's, so
      // publishing runs again.
      slot.inFlight = false;
      if (!hal::Same(*value, slot.shown)) {
        slot.shown = *value;
        state.hal.requested = true;
      }
      return;
    }
    if (hal::Same(*value, slot.shown)) {
      return;
    }
    slot.shown = *value;
    const auto number = hal::ToNumber(*value);
    if (infos[index].direction != hal::kOutput && number) {
      Apply(state, link.target, index, *number);
    }
    // Values that follow the one changed, or an output value to restore.
    state.hal.requested = true;
    return;
  }
}

/// What publishing does with one link, decided under the state's lock.
struct Step {
  enum class Kind { kNone, kFree, kCreate, kUpdate };
  Kind kind = Kind::kNone;
  /// kFree: the device and the callbacks to cancel first.
  std::int32_t device = 0;
  std::array<std::int32_t, kMaxHalValues> callbacks{};
  /// kCreate: the name, which lives as long as the link.
  const char* name = nullptr;
  /// kCreate: the values; kUpdate: the values' handles (0: unchanged).
  std::span<const ValueInfo> infos;
  std::array<std::int32_t, kMaxHalValues> handles{};
  std::array<hal::Value, kMaxHalValues> values{};
};

Step Decide(State& state, std::map<std::uint64_t, HalLink>::iterator found) {
  HalLink& link = found->second;
  Numbers numbers{};
  const Presence presence = Look(state, link.target, numbers);
  Step step;
  step.infos = ValuesOf(link.target);
  if (!presence.shown) {
    if (link.device != 0) {
      step.kind = Step::Kind::kFree;
      step.device = link.device;
      for (std::size_t index = 0; index < step.infos.size(); ++index) {
        step.callbacks[index] = link.slots[index].callback;
      }
      link.device = 0;
      link.slots = {};
    }
    link.refused = false;
    if (!presence.held) {
      state.hal.links.erase(found);
    }
    return step;
  }
  for (std::size_t index = 0; index < step.infos.size(); ++index) {
    step.values[index] = ToValue(step.infos[index], numbers[index]);
  }
  if (link.device == 0) {
    if (!link.refused) {
      step.kind = Step::Kind::kCreate;
      step.name = link.name.c_str();
    }
    return step;
  }
  for (std::size_t index = 0; index < step.infos.size(); ++index) {
    HalSlot& slot = link.slots[index];
    if (slot.handle != 0 && !hal::Same(step.values[index], slot.shown)) {
      slot.shown = slot.publishing = step.values[index];
      slot.inFlight = true;
      step.handles[index] = slot.handle;
      step.kind = Step::Kind::kUpdate;
    }
  }
  return step;
}

/// Set while this thread holds HalBridge::halCalls and calls the HAL, which
/// may call functions of others that shut the HAL down or end the process.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
thread_local bool t_callingHal = false;

#ifdef _WIN32
// The exit handler runs when the process detaches this module, after
// ExitProcess has ended every other thread, perhaps one that held
// HalBridge::halCalls: waiting for it would hang.
constexpr bool kWaitAtExit = false;
#else
constexpr bool kWaitAtExit = true;
#endif

/// Stops all calls of the HAL; with wait, once a call in progress on another
/// thread has returned.
void StopCallingHal(bool wait) noexcept {
  HalBridge& bridge = GetState().hal;
  bridge.halGone = true;
  if (wait && !t_callingHal) {
    const std::scoped_lock calls{bridge.halCalls};
  }
}

/// Learns when the HAL goes away: from HAL_Shutdown, and from the process's
/// exit. Called once the HAL has been asked for a device, so that its static
/// data exists by now and is destroyed only after this exit handler has run.
void Hook(const hal::Api& api, HalBridge& bridge) {
  bridge.hooked = true;
  api.onShutdown(nullptr, [](void*) { StopCallingHal(true); });
  // Should the handler not be registered, nothing better is left to do.
  static_cast<void>(std::atexit([] { StopCallingHal(kWaitAtExit); }));
}

/// Makes the link's HAL device and values, then listens to their changes.
void Create(const hal::Api& api, State& state, std::uint64_t id,
            const Step& step) {
  const std::int32_t device = api.createSimDevice(step.name);
  if (!state.hal.hooked) {
    Hook(api, state.hal);
  }
  std::array<std::int32_t, kMaxHalValues> handles{};
  for (std::size_t index = 0; device != 0 && index < step.infos.size();
       ++index) {
    const ValueInfo& info = step.infos[index];
    const hal::Value& initial = step.values[index];
    if (info.type == hal::Type::kEnum) {
      std::array<const char*, kCanBusModes.size()> options{};
      std::copy(info.options.begin(), info.options.end(), options.begin());
      handles[index] = api.createSimValueEnum(
          device, info.name, info.direction,
          static_cast<std::int32_t>(info.options.size()), options.data(),
          static_cast<std::int32_t>(*hal::ToNumber(initial)));
    } else {
      handles[index] =
          api.createSimValue(device, info.name, info.direction, &initial);
    }
  }
  {
    std::scoped_lock lock{state.mutex};
    HalLink* link = FindLink(state, id);
    if (link == nullptr) {
      return;
    }
    link->device = device;
    link->refused = device == 0;
    for (std::size_t index = 0; index < step.infos.size(); ++index) {
      link->slots[index] = HalSlot{};
      link->slots[index].handle = handles[index];
      link->slots[index].shown = step.values[index];
    }
  }
  // Registered with a first call for the value now held, so that a change
  // made since the values were made is not missed.
  std::array<std::int32_t, kMaxHalValues> callbacks{};
  for (std::size_t index = 0; index < step.infos.size(); ++index) {
    if (handles[index] != 0) {
      callbacks[index] = api.registerSimValueChangedCallback(
          handles[index], AsParam(id), OnHalChange, 1);
    }
  }
  std::scoped_lock lock{state.mutex};
  if (HalLink* link = FindLink(state, id)) {
    for (std::size_t index = 0; index < step.infos.size(); ++index) {
      link->slots[index].callback = callbacks[index];
    }
  }
}

void Carry(const hal::Api& api, State& state, std::uint64_t id,
           const Step& step) {
  switch (step.kind) {
    case Step::Kind::kNone:
      return;
    case Step::Kind::kFree:
      for (const std::int32_t callback : step.callbacks) {
        if (callback != 0) {
          api.cancelSimValueChangedCallback(callback);
        }
      }
      api.freeSimDevice(step.device);
      return;
    case Step::Kind::kCreate:
      Create(api, state, id, step);
      return;
    case Step::Kind::kUpdate:
      break;
  }
  for (std::size_t index = 0; index < step.infos.size(); ++index) {
    if (step.handles[index] != 0) {
      api.setSimValue(step.handles[index], &step.values[index]);
    }
  }
  // The values' own callbacks have seen them by now, if they were called.
  std::scoped_lock lock{state.mutex};
  if (HalLink* link = FindLink(state, id)) {
    for (HalSlot& slot : link->slots) {
      slot.inFlight = false;
    }
  }
}

/// One pass over the links, in the order of their ids. Only the publishing
/// thread erases links, so a link found here stays until this pass is done
/// with it.
void PublishPass(const hal::Api& api, State& state) {
  std::uint64_t cursor = 0;
  for (;;) {
    const std::scoped_lock calls{state.hal.halCalls};
    if (state.hal.halGone) {
      return;
    }
    Step step;
    {
      std::scoped_lock lock{state.mutex};
      const auto next = state.hal.links.upper_bound(cursor);
      if (next == state.hal.links.end()) {
        return;
      }
      cursor = next->first;
      step = Decide(state, next);
    }
    t_callingHal = true;
    Carry(api, state, cursor, step);
    t_callingHal = false;
  }
}

/// A CAN port's name: S0 to S4, then D0 to D19.
std::string CanPortName(std::int32_t port) {
  constexpr std::int32_t kSPorts = 5;
  std::string name{port < kSPorts ? "S" : "D"};
  name += std::to_string(port < kSPorts ? port : port - kSPorts);
  return name;
}

/// The address part of a device's name.
std::string AddressName(const SimAddress& address) {
  std::string name;
  switch (address.GetTransport()) {
    case SimTransport::kCan:
      name = "CAN ";
      name += CanPortName(address.GetPort());
      name += " ";
      name += std::to_string(address.GetCanId());
      break;
    case SimTransport::kUsb:
      name = "USB";
      if (address.GetPort() != driver::kNoUsbPort) {
        name += " ";
        name += std::to_string(address.GetPort());
      }
      break;
    case SimTransport::kSerial:
      name = "serial ";
      name += address.GetPath();
      break;
  }
  return name;
}

/// The name under which the HAL shows a target: Type:Name[address].
std::string NameOf(const HalTarget& target) {
  std::string type{"CanBus"};
  std::string address;
  if (const auto* port = std::get_if<HalCanPort>(&target)) {
    address = "CAN ";
    address += CanPortName(port->port);
  } else {
    const auto& device = std::get<HalDevice>(target);
    type = device.kind == SimDeviceKind::kKinetra  ? "Kinetra"
           : device.kind == SimDeviceKind::kLumeno ? "Lumeno"
                                                   : "Vantor";
    address = AddressName(device.address);
  }
  return type + ":" + type + "[" + address + "]";
}

}  // namespace

void HalBridge::Watch(const HalTarget& target) {
  for (const auto& [id, link] : links) {
    if (link.target == target) {
      return;
    }
  }
  // Built in place from a copy of the target.
  links.emplace(std::piecewise_construct, std::forward_as_tuple(++lastId),
                std::forward_as_tuple(target, NameOf(target)));
}

bool HalFound() noexcept {
  return hal::Find() != nullptr;
}

void PublishToHal() noexcept {
  const hal::Api* api = hal::Find();
  State& state = GetState();
  HalBridge& bridge = state.hal;
  if (api == nullptr || bridge.halGone) {
    return;
  }
  bridge.requested = true;
  // Whoever holds the flag publishes for everyone: a thread that finds it
  // taken leaves its request to the holder, which looks again before it
  // lets go. So no thread ever waits here, not even one that a HAL callback
  // of the publishing thread calls back into the driver.
  while (!bridge.publishing.exchange(true)) {
    while (bridge.requested.exchange(false)) {
      PublishPass(*api, state);
    }
    bridge.publishing = false;
    if (!bridge.requested) {
      return;
    }
  }
}

}  // namespace kelvara::sim::detail
