#include "StandInHal.hpp"

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Value {
  std::int32_t device;
  std::string name;
  std::int32_t direction;
  HAL_Value value;
  std::string options;
  std::map<std::int32_t, std::pair<HALSIM_SimValueCallback, void*>> callbacks;
};

struct Hal {
  // Callbacks run under this lock, as they do in WPILib's HAL.
  std::recursive_mutex mutex;
  std::map<std::int32_t, std::string> devices;
  std::map<std::int32_t, Value> values;
  // Devices and values share one count, so no handle means both.
  std::int32_t lastHandle = 0;
  std::int32_t lastCallback = 0;
  std::int32_t calls = 0;
  std::int32_t misuses = 0;
};

thread_local int callbackDepth = 0;

/// The stand-in, locked.
struct Locked {
  Hal& hal = []() -> Hal& {
    static Hal state;
    return state;
  }();
  std::scoped_lock<std::recursive_mutex> lock{hal.mutex};

  /// The value behind a handle, or null; a misuse when it must exist.
  Value* Find(std::int32_t handle, bool mustExist = false) {
    const auto found = hal.values.find(handle);
    hal.misuses += found == hal.values.end() && mustExist ? 1 : 0;
    return found != hal.values.end() ? &found->second : nullptr;
  }
  /// The handle of a device's value by name, or of a device by name.
  std::int32_t Named(std::int32_t device, const char* name) const {
    for (const auto& [handle, value] : hal.values) {
      if (value.device == device && value.name == name) {
        return handle;
      }
    }
    return 0;
  }
  std::int32_t Named(const char* name) const {
    for (const auto& [handle, device] : hal.devices) {
      if (device == name) {
        return handle;
      }
    }
    return 0;
  }
};

/// A call of one of the HAL's functions: counted, and a misuse from inside a
/// change callback.
struct Call : Locked {
  Call() {
    ++hal.calls;
    hal.misuses += callbackDepth > 0 ? 1 : 0;
  }
  void Notify(std::int32_t handle, const Value& value,
              const std::pair<HALSIM_SimValueCallback, void*>& callback) {
    ++callbackDepth;
    callback.first(value.name.c_str(), callback.second, handle, value.direction,
                   &value.value);
    --callbackDepth;
  }
  void Changed(std::int32_t handle, const Value& value) {
    const auto callbacks = value.callbacks;  // a callback may cancel one
    for (const auto& [uid, callback] : callbacks) {
      Notify(handle, value, callback);
    }
  }
  std::int32_t AddValue(std::int32_t device, const char* name,
                        std::int32_t direction, const HAL_Value& initial,
                        std::string options = {}) {
    if (!hal.devices.contains(device)) {
      ++hal.misuses;
      return 0;
    }
    if (Named(device, name) != 0) {
      return 0;
    }
    hal.values.emplace(
        ++hal.lastHandle,
        Value{device, name, direction, initial, std::move(options), {}});
    return hal.lastHandle;
  }
};

}  // namespace

extern "C" {

std::int32_t HAL_CreateSimDevice(const char* name) {
  Call call;
  if (call.Named(name) != 0) {
    return 0;
  }
  call.hal.devices.emplace(++call.hal.lastHandle, name);
  return call.hal.lastHandle;
}

void HAL_FreeSimDevice(std::int32_t device) {
  Call call;
  call.hal.misuses += call.hal.devices.erase(device) == 0 ? 1 : 0;
  std::erase_if(call.hal.values, [device](const auto& value) {
    return value.second.device == device;
  });
}

std::int32_t HAL_CreateSimValue(std::int32_t device, const char* name,
                                std::int32_t direction,
                                const HAL_Value* initialValue) {
  return Call{}.AddValue(device, name, direction, *initialValue);
}

std::int32_t HAL_CreateSimValueEnum(std::int32_t device, const char* name,
                                    std::int32_t direction,
                                    std::int32_t numOptions,
                                    const char** options,
                                    std::int32_t initialValue) {
  std::string joined;
  for (std::int32_t i = 0; i < numOptions; ++i) {
    joined += (i == 0 ? "" : "|") + std::string{options[i]};
  }
  HAL_Value initial{};
  initial.type = HAL_ENUM;
  initial.data.v_enum = initialValue;
  return Call{}.AddValue(device, name, direction, initial, joined);
}

void HAL_GetSimValue(std::int32_t value, HAL_Value* out) {
  Call call;
  const Value* found = call.Find(value);
  *out = found != nullptr ? found->value : HAL_Value{};
}

void HAL_SetSimValue(std::int32_t value, const HAL_Value* in) {
  Call call;
  if (Value* found = call.Find(value)) {
    found->value = *in;
    call.Changed(value, *found);
  }
}

void HAL_ResetSimValue(std::int32_t value) {
  Call call;
  Value* found = call.Find(value);
  if (found != nullptr && found->value.type == HAL_DOUBLE) {
    found->value.data.v_double = 0;
    call.Changed(value, *found);
  }
}

std::int32_t HALSIM_GetSimDeviceHandle(const char* name) {
  return Call{}.Named(name);
}

std::int32_t HALSIM_GetSimValueHandle(std::int32_t device, const char* name) {
  return device != 0 ? Call{}.Named(device, name) : 0;
}

std::int32_t HALSIM_RegisterSimValueChangedCallback(
    std::int32_t value, void* param, HALSIM_SimValueCallback callback,
    std::int32_t initialNotify) {
  Call call;
  Value* found = call.Find(value, true);
  if (found == nullptr) {
    return 0;
  }
  const auto& added =
      found->callbacks
          .emplace(++call.hal.lastCallback, std::pair{callback, param})
          .first->second;
  if (initialNotify != 0) {
    call.Notify(value, *found, added);
  }
  return call.hal.lastCallback;
}

void HALSIM_CancelSimValueChangedCallback(std::int32_t uid) {
  Call call;
  for (auto& [handle, value] : call.hal.values) {
    if (value.callbacks.erase(uid) != 0) {
      return;
    }
  }
  ++call.hal.misuses;
}

std::int32_t StandInHal_CountDevices() {
  return static_cast<std::int32_t>(Locked{}.hal.devices.size());
}

const char* StandInHal_GetValueName(std::int32_t device, std::int32_t index) {
  // Values are kept in the order of their handles, which is that of creation.
  const Locked locked;
  for (const auto& [handle, value] : locked.hal.values) {
    if (value.device == device && index-- == 0) {
      return value.name.c_str();
    }
  }
  return nullptr;
}

std::int32_t StandInHal_GetValueDirection(std::int32_t value) {
  Locked locked;
  const Value* found = locked.Find(value);
  return found != nullptr ? found->direction : -1;
}

const char* StandInHal_GetEnumOptions(std::int32_t value) {
  Locked locked;
  const Value* found = locked.Find(value);
  return found != nullptr ? found->options.c_str() : nullptr;
}

std::int32_t StandInHal_CountCallbacks() {
  std::size_t count = 0;
  const Locked locked;
  for (const auto& [handle, value] : locked.hal.values) {
    count += value.callbacks.size();
  }
  return static_cast<std::int32_t>(count);
}

std::int32_t StandInHal_CountCalls() {
  return Locked{}.hal.calls;
}

std::int32_t StandInHal_CountMisuses() {
  return Locked{}.hal.misuses;
}

}  // extern "C"
