// The colour sensor's C functions, each one driver call. A colour sample
// goes to the driver in the caller's own record, which the inline code of
// Lumeno.hpp reads.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "DriverCalls.hpp"
#include "driver/DriverValues.hpp"
#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/KelvaraLib.h"
#include "kelvara/Lumeno.hpp"

namespace kelvara {

namespace {

// The public colour record is the driver's byte for byte, so that the driver
// writes the caller's record in place.
using Public = KelvaraLib_LumenoColorData;
static_assert(sizeof(Public) == sizeof(LumenoColorData));
static_assert(alignof(Public) == alignof(LumenoColorData));
static_assert(std::is_standard_layout_v<Public>);
static_assert(offsetof(Public, valid) == offsetof(LumenoColorData, valid));
static_assert(offsetof(Public, tag) == offsetof(LumenoColorData, tag));
static_assert(offsetof(Public, X) == offsetof(LumenoColorData, X));
static_assert(offsetof(Public, Y) == offsetof(LumenoColorData, Y));
static_assert(offsetof(Public, Z) == offsetof(LumenoColorData, Z));

// Modes and items reach the driver as their values, unchanged.
static_assert(detail::SameNumbers<LumenoMeasureMode>({
    {LumenoMeasureMode::kUncorrected, driver::kLumenoMeasureUncorrected},
    {LumenoMeasureMode::kAutoDistance, driver::kLumenoMeasureAutoDistance},
    {LumenoMeasureMode::kFixedDistance, driver::kLumenoMeasureFixedDistance},
}));
static_assert(detail::SameNumbers<LumenoConfigItem>({
    {LumenoConfigItem::kSampleTime, driver::kLumenoConfigSampleTime},
    {LumenoConfigItem::kLedBrightness, driver::kLumenoConfigLedBrightness},
    {LumenoConfigItem::kStatusLed, driver::kLumenoConfigStatusLed},
    {LumenoConfigItem::kMeasureMode, driver::kLumenoConfigMeasureMode},
    {LumenoConfigItem::kFixedDistance, driver::kLumenoConfigFixedDistance},
    {LumenoConfigItem::kFirmwareVersion, driver::kLumenoConfigFirmwareVersion},
}));

}  // namespace

}  // namespace kelvara

using kelvara::detail::OpenDevice;

extern "C" {

std::int32_t KelvaraLib_Lumeno_OpenCan(std::int32_t port, std::int32_t canId) {
  return OpenDevice(KELVARA_Lumeno_CreateCan, port, canId);
}

std::int32_t KelvaraLib_Lumeno_OpenUsb(std::int32_t usbPort) {
  return OpenDevice(KELVARA_Lumeno_CreateUsb, usbPort);
}

std::int32_t KelvaraLib_Lumeno_OpenSerial(const char* path, std::size_t length,
                                          std::int32_t* handle) {
  return kelvara::detail::OpenSerialDevice(KELVARA_Lumeno_CreateSerial, path,
                                           length, handle);
}

void KelvaraLib_Lumeno_Destroy(std::int32_t handle) {
  KELVARA_Lumeno_Destroy(handle);
}

bool KelvaraLib_Lumeno_IsConnected(std::int32_t handle) {
  return KELVARA_Lumeno_IsConnected(handle) != 0;
}

std::int32_t KelvaraLib_Lumeno_GetColor(std::int32_t handle,
                                        KelvaraLib_LumenoColorData* data) {
  // Only the valid word is cleared: a driver that reports success without
  // writing the record then yields no sample instead of whatever the
  // caller's stack held.
  data->valid = 0;
  return KELVARA_Lumeno_GetColor(
      handle, kelvara::detail::AsDriverRecord<LumenoColorData>(data));
}

std::int32_t KelvaraLib_Lumeno_SetSampleTime(std::int32_t handle,
                                             double milliseconds) {
  return KELVARA_Lumeno_SetSampleTime(
      handle, kelvara::detail::RoundToInt32(milliseconds));
}

std::int32_t KelvaraLib_Lumeno_SetLedBrightness(std::int32_t handle,
                                                std::int32_t brightness) {
  return KELVARA_Lumeno_SetLedBrightness(handle, brightness);
}

std::int32_t KelvaraLib_Lumeno_SetStatusLed(std::int32_t handle, bool on,
                                            std::int32_t value) {
  return KELVARA_Lumeno_SetStatusLed(handle, on ? 1 : 0, value);
}

std::int32_t KelvaraLib_Lumeno_SetMeasureMode(std::int32_t handle,
                                              std::int32_t mode) {
  return KELVARA_Lumeno_SetMeasureMode(handle, mode, 0.0);
}

std::int32_t KelvaraLib_Lumeno_SetFixedDistance(std::int32_t handle,
                                                double millimeters) {
  return KELVARA_Lumeno_SetMeasureMode(
      handle, kelvara::driver::kLumenoMeasureFixedDistance, millimeters);
}

std::int32_t KelvaraLib_Lumeno_GetConfigValue(std::int32_t handle,
                                              std::int32_t item,
                                              std::uint32_t* value) {
  // Starts at 0, so that a driver that reports success without writing it
  // gives 0.
  *value = 0;
  return KELVARA_Lumeno_GetConfigValue(handle, item, value);
}

}  // extern "C"
