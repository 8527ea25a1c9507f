#include "StandInHal.hpp"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace {

using Callback = std::pair<HALSIM_SimValueCallback, void*>;

struct Value {
  std::int32_t device;
  std::string name;
  std::int32_t direction;
  HAL_Value value;
  std::string options;
  std::map<std::int32_t, Callback> callbacks;
};

// Callbacks run under this lock, as they do in WPILib's HAL. Devices and
// values share one count of handles, so no handle means both.
std::recursive_mutex g_mutex;
std::map<std::int32_t, std::string> g_devices;
std::map<std::int32_t, Value> g_values;
std::int32_t g_lastHandle = 0;
std::int32_t g_lastCallback = 0;
std::int32_t g_calls = 0;
std::int32_t g_misuses = 0;
thread_local int t_callbackDepth = 0;

/// Locks the stand-in for a call of one of the HAL's functions: counted, and
/// a misuse from inside a change callback.
std::unique_lock<std::recursive_mutex> Call() {
  std::unique_lock lock{g_mutex};
  ++g_calls;
  g_misuses += t_callbackDepth > 0 ? 1 : 0;
  return lock;
}

/// The value behind a handle, or null; a misuse when it must exist.
Value* Find(std::int32_t handle, bool mustExist = false) {
  const auto found = g_values.find(handle);
  g_misuses += found == g_values.end() && mustExist ? 1 : 0;
  return found != g_values.end() ? &found->second : nullptr;
}

void Notify(std::int32_t handle, const Value& value, const Callback& callback) {
  ++t_callbackDepth;
  callback.first(value.name.c_str(), callback.second, handle, value.direction,
                 &value.value);
  --t_callbackDepth;
}

std::int32_t AddValue(std::int32_t device, const char* name,
                      std::int32_t direction, const HAL_Value& initial,
                      std::string options = {}) {
  if (!g_devices.contains(device)) {
    ++g_misuses;
    return 0;
  }
  g_values.emplace(
      ++g_lastHandle,
      Value{device, name, direction, initial, std::move(options), {}});
  return g_lastHandle;
}

std::int32_t DeviceNamed(const char* name) {
  for (const auto& [handle, device] : g_devices) {
    if (device == name) {
      return handle;
    }
  }
  return 0;
}

}  // namespace

extern "C" {

std::int32_t HAL_CreateSimDevice(const char* name) {
  const auto lock = Call();
  if (DeviceNamed(name) != 0) {
    return 0;
  }
  g_devices.emplace(++g_lastHandle, name);
  return g_lastHandle;
}

void HAL_FreeSimDevice(std::int32_t device) {
  const auto lock = Call();
  g_misuses += g_devices.erase(device) == 0 ? 1 : 0;
  std::erase_if(g_values, [device](const auto& value) {
    return value.second.device == device;
  });
}

std::int32_t HAL_CreateSimValue(std::int32_t device, const char* name,
                                std::int32_t direction,
                                const HAL_Value* initialValue) {
  const auto lock = Call();
  return AddValue(device, name, direction, *initialValue);
}

std::int32_t HAL_CreateSimValueEnum(std::int32_t device, const char* name,
                                    std::int32_t direction,
                                    std::int32_t numOptions,
                                    const char** options,
                                    std::int32_t initialValue) {
  const auto lock = Call();
  std::string joined;
  for (std::int32_t i = 0; i < numOptions; ++i) {
    joined += (i == 0 ? "" : "|") + std::string{options[i]};
  }
  HAL_Value initial{};
  initial.type = HAL_ENUM;
  initial.data.v_enum = initialValue;
  return AddValue(device, name, direction, initial, joined);
}

void HAL_SetSimValue(std::int32_t value, const HAL_Value* in) {
  const auto lock = Call();
  if (Value* found = Find(value)) {
    found->value = *in;
    const auto callbacks = found->callbacks;  // a callback may cancel one
    for (const auto& [uid, callback] : callbacks) {
      Notify(value, *found, callback);
    }
  }
}

std::int32_t HALSIM_RegisterSimValueChangedCallback(
    std::int32_t value, void* param, HALSIM_SimValueCallback callback,
    std::int32_t initialNotify) {
  const auto lock = Call();
  Value* found = Find(value, true);
  if (found == nullptr) {
    return 0;
  }
  const Callback& added =
      found->callbacks.emplace(++g_lastCallback, Callback{callback, param})
          .first->second;
  if (initialNotify != 0) {
    Notify(value, *found, added);
  }
  return g_lastCallback;
}

void HALSIM_CancelSimValueChangedCallback(std::int32_t uid) {
  const auto lock = Call();
  for (auto& [handle, value] : g_values) {
    if (value.callbacks.erase(uid) != 0) {
      return;
    }
  }
  ++g_misuses;
}

StandInHalCounts StandInHal_Count() {
  const std::scoped_lock lock{g_mutex};
  std::int32_t callbacks = 0;
  for (const auto& [handle, value] : g_values) {
    callbacks += static_cast<std::int32_t>(value.callbacks.size());
  }
  return {static_cast<std::int32_t>(g_devices.size()), callbacks, g_calls,
          g_misuses};
}

}  // extern "C"

std::vector<StandInHalValue> StandInHal_GetDevice(const std::string& name) {
  const std::scoped_lock lock{g_mutex};
  std::vector<StandInHalValue> values;
  const std::int32_t device = DeviceNamed(name.c_str());
  // Values are kept in the order of their handles, which is that of creation.
  for (const auto& [handle, value] : g_values) {
    if (device != 0 && value.device == device) {
      values.push_back(
          {handle, value.name, value.direction, value.value, value.options});
    }
  }
  return values;
}
