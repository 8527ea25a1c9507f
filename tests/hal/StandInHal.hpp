// A stand-in for WPILib's HAL in tests: those of the HAL's simulated-device
// functions that the simulated driver and the tests call, with the same C
// names and binary form, keeping devices and values in memory and calling a
// value's change callbacks when it is set (as the HAL does, under its own
// lock). Its life is the HAL's: its data is made at first use and destroyed
// with the static objects at the process's exit, after which a call aborts;
// HAL_Shutdown calls the functions given to HAL_OnShutdown, and a call of a
// simulated-device function after it is a misuse. Beside them, two
// StandInHal_ functions let a test look inside.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

extern "C" {

enum HAL_Type {
  HAL_UNASSIGNED = 0,
  HAL_BOOLEAN = 0x01,
  HAL_DOUBLE = 0x02,
  HAL_ENUM = 0x04,
};

/// 8 bytes of union, then the type (the HAL's union also holds int32_t and
/// int64_t members, which nothing here uses).
struct HAL_Value {
  union {
    std::int32_t v_boolean;
    std::int32_t v_enum;
    double v_double;
  } data;
  enum HAL_Type type;
};

using HALSIM_SimValueCallback = void (*)(const char* name, void* param,
                                         std::int32_t handle,
                                         std::int32_t direction,
                                         const struct HAL_Value* value);

std::int32_t HAL_CreateSimDevice(const char* name);
void HAL_FreeSimDevice(std::int32_t device);
std::int32_t HAL_CreateSimValue(std::int32_t device, const char* name,
                                std::int32_t direction,
                                const struct HAL_Value* initialValue);
std::int32_t HAL_CreateSimValueEnum(std::int32_t device, const char* name,
                                    std::int32_t direction,
                                    std::int32_t numOptions,
                                    const char** options,
                                    std::int32_t initialValue);
void HAL_SetSimValue(std::int32_t value, const struct HAL_Value* in);
std::int32_t HALSIM_RegisterSimValueChangedCallback(
    std::int32_t value, void* param, HALSIM_SimValueCallback callback,
    std::int32_t initialNotify);
void HALSIM_CancelSimValueChangedCallback(std::int32_t uid);
void HAL_OnShutdown(void* param, void (*func)(void*));
void HAL_Shutdown();

/// What the stand-in holds and has seen so far.
struct StandInHalCounts {
  std::int32_t devices;
  /// Change callbacks registered and neither cancelled nor freed with their
  /// value.
  std::int32_t callbacks;
  /// Calls of the HAL's functions.
  std::int32_t calls;
  /// A HAL function called from a change callback or after HAL_Shutdown,
  /// or given a handle or callback that does not exist (freed, cancelled or
  /// never made).
  std::int32_t misuses;
};

struct StandInHalCounts StandInHal_Count();

}  // extern "C"

/// A value of a device as the stand-in holds it.
struct StandInHalValue {
  std::int32_t handle;
  std::string name;
  std::int32_t direction;
  HAL_Value value;
  std::string options;  // an enum's options, joined by '|'
};

/// The values of the device of this name, in the order of their creation;
/// none when there is no such device.
std::vector<StandInHalValue> StandInHal_GetDevice(const std::string& name);
