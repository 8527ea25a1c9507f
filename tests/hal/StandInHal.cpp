#include "StandInHal.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

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

/// Set when the stand-in's data is destroyed.
constinit std::atomic<bool> g_destroyed{false};

/// The stand-in's data: made at first use and destroyed with the other static
/// objects during the process's exit, as WPILib's HAL does with its own.
struct Table {
  ~Table() { g_destroyed = true; }

  // Callbacks run under this lock, as they do in WPILib's HAL.
  std::recursive_mutex mutex;
  // Devices and values share one count of handles, so no handle means both.
  std::map<std::int32_t, std::string> devices;
  std::map<std::int32_t, Value> values;
  std::vector<std::pair<void*, void (*)(void*)>> onShutdown;
  bool shutDown = false;
  std::int32_t lastHandle = 0;
  std::int32_t lastCallback = 0;
  std::int32_t calls = 0;
  std::int32_t misuses = 0;
};

/// The data; a call once it is destroyed ends the process with a message.
Table& Data() {
  if (g_destroyed) {
    std::fputs("stand-in HAL: called after its data was destroyed\n", stderr);
    std::abort();
  }
  static Table table;
  return table;
}

thread_local int t_callbackDepth = 0;

/// Locks the stand-in for a call of one of the HAL's functions: counted, and
/// a misuse from inside a change callback or after HAL_Shutdown.
std::unique_lock<std::recursive_mutex> Call() {
  Table& data = Data();
  std::unique_lock lock{data.mutex};
  ++data.calls;
  data.misuses += t_callbackDepth > 0 || data.shutDown ? 1 : 0;
  return lock;
}

/// The value behind a handle, or null; a misuse when it must exist.
Value* Find(std::int32_t handle, bool mustExist = false) {
  Table& data = Data();
  const auto found = data.values.find(handle);
  data.misuses += found == data.values.end() && mustExist ? 1 : 0;
  return found != data.values.end() ? &found->second : nullptr;
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
  Table& data = Data();
  if (!data.devices.contains(device)) {
    ++data.misuses;
    return 0;
  }
  data.values.emplace(
      ++data.lastHandle,
      Value{device, name, direction, initial, std::move(options), {}});
  return data.lastHandle;
}

std::int32_t DeviceNamed(const char* name) {
  for (const auto& [handle, device] : Data().devices) {
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
  Table& data = Data();
  data.devices.emplace(++data.lastHandle, name);
  return data.lastHandle;
}

void HAL_FreeSimDevice(std::int32_t device) {
  const auto lock = Call();
  Table& data = Data();
  data.misuses += data.devices.erase(device) == 0 ? 1 : 0;
  std::erase_if(data.values, [device](const auto& value) {
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
  const std::int32_t uid = ++Data().lastCallback;
  const Callback& added =
      found->callbacks.emplace(uid, Callback{callback, param}).first->second;
  if (initialNotify != 0) {
    Notify(value, *found, added);
  }
  return uid;
}

void HALSIM_CancelSimValueChangedCallback(std::int32_t uid) {
  const auto lock = Call();
  Table& data = Data();
  for (auto& [handle, value] : data.values) {
    if (value.callbacks.erase(uid) != 0) {
      return;
    }
  }
  ++data.misuses;
}

void HAL_OnShutdown(void* param, void (*func)(void*)) {
  const auto lock = Call();
  Data().onShutdown.emplace_back(param, func);
}

void HAL_Shutdown() {
  Table& data = Data();
  std::vector<std::pair<void*, void (*)(void*)>> functions;
  {
    const auto lock = Call();
    functions.swap(data.onShutdown);
  }
  // Called unlocked, as WPILib's HAL calls them.
  for (const auto& [param, function] : functions) {
    function(param);
  }
  const std::scoped_lock lock{data.mutex};
  data.shutDown = true;
}

StandInHalCounts StandInHal_Count() {
  Table& data = Data();
  const std::scoped_lock lock{data.mutex};
  std::int32_t callbacks = 0;
  for (const auto& [handle, value] : data.values) {
    callbacks += static_cast<std::int32_t>(value.callbacks.size());
  }
  return {static_cast<std::int32_t>(data.devices.size()), callbacks, data.calls,
          data.misuses};
}

}  // extern "C"

std::vector<StandInHalValue> StandInHal_GetDevice(const std::string& name) {
  Table& data = Data();
  const std::scoped_lock lock{data.mutex};
  std::vector<StandInHalValue> values;
  const std::int32_t device = DeviceNamed(name.c_str());
  // Values are kept in the order of their handles, which is that of creation.
  for (const auto& [handle, value] : data.values) {
    if (device != 0 && value.device == device) {
      values.push_back(
          {handle, value.name, value.direction, value.value, value.options});
    }
  }
  return values;
}
