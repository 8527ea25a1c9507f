// A stand-in for WPILib's HAL in tests: the simulated-device functions that
// the HAL exports, with the same C names and binary form, keeping devices and
// values in memory and calling a value's change callbacks when it is set (as
// the HAL does, under its own lock). Beside them, a few StandInHal_ functions
// let a test look inside.
#pragma once

#include <cstdint>

extern "C" {

enum HAL_Type {
  HAL_UNASSIGNED = 0,
  HAL_BOOLEAN = 0x01,
  HAL_DOUBLE = 0x02,
  HAL_ENUM = 0x04,
  HAL_INT = 0x08,
  HAL_LONG = 0x10,
};

struct HAL_Value {
  union {
    std::int32_t v_boolean;
    std::int32_t v_enum;
    std::int32_t v_int;
    std::int64_t v_long;
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
void HAL_GetSimValue(std::int32_t value, struct HAL_Value* out);
void HAL_SetSimValue(std::int32_t value, const struct HAL_Value* in);
void HAL_ResetSimValue(std::int32_t value);
std::int32_t HALSIM_GetSimDeviceHandle(const char* name);
std::int32_t HALSIM_GetSimValueHandle(std::int32_t device, const char* name);
std::int32_t HALSIM_RegisterSimValueChangedCallback(
    std::int32_t value, void* param, HALSIM_SimValueCallback callback,
    std::int32_t initialNotify);
void HALSIM_CancelSimValueChangedCallback(std::int32_t uid);

/// The number of devices that exist.
std::int32_t StandInHal_CountDevices();
/// The name of a device's value by its place in the order of creation;
/// null when there is none.
const char* StandInHal_GetValueName(std::int32_t device, std::int32_t index);
/// A value's direction; -1 for no value.
std::int32_t StandInHal_GetValueDirection(std::int32_t value);
/// An enum value's options, joined by '|'; null for no value.
const char* StandInHal_GetEnumOptions(std::int32_t value);
/// The number of change callbacks registered and neither cancelled nor
/// freed with their value.
std::int32_t StandInHal_CountCallbacks();
/// The number of calls of the HAL's functions so far.
std::int32_t StandInHal_CountCalls();
/// The number of misuses so far: a HAL function called from a change
/// callback, or given a handle or callback that does not exist (freed,
/// cancelled or never made).
std::int32_t StandInHal_CountMisuses();

}  // extern "C"
