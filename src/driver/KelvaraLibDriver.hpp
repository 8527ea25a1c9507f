// The functions of KelvaraLibDriver, the device family's driver module. Every
// device operation of the library is one synchronous call of one of these.
//
// Handles, ports, ids, codes and other integers are signed 32-bit unless
// stated. A result code is 0 for success; an out argument holds an answer
// only after a 0 result. Create functions return a handle also when opening
// fails; the status they are given points to a local integer set to 0 that
// the library never reads.
#pragma once

#include <cstdint>

#include "driver/DriverRecords.hpp"

extern "C" {

std::int32_t KELVARA_Kinetra_CreateCan(std::int32_t port, std::int32_t canId,
                                       std::int32_t extra,
                                       std::int32_t* status);
std::int32_t KELVARA_Kinetra_CreateUsb(std::int32_t usbPort, std::int32_t extra,
                                       std::int32_t* status);
std::int32_t KELVARA_Kinetra_CreateSerial(const char* path, std::int32_t extra,
                                          std::int32_t* status);
void KELVARA_Kinetra_Destroy(std::int32_t handle);
std::int32_t KELVARA_Kinetra_IsConnected(std::int32_t handle);
std::int32_t KELVARA_Kinetra_GetData(std::int32_t handle, KinetraData* data);
std::int32_t KELVARA_Kinetra_ResetYaw(std::int32_t handle);
std::int32_t KELVARA_Kinetra_SetOutputRate(std::int32_t handle,
                                           std::int32_t rate);
std::int32_t KELVARA_Kinetra_EnableMessages(std::int32_t handle,
                                            std::int32_t message);
/// axes: 9 or 6.
std::int32_t KELVARA_Kinetra_SetYawAxes(std::int32_t handle, std::int32_t axes);
/// version: 3 integers, major, minor, patch.
std::int32_t KELVARA_Kinetra_GetFirmwareVersion(std::int32_t handle,
                                                std::int32_t* version);
/// uuid: 3 unsigned integers.
std::int32_t KELVARA_Kinetra_GetSensorUuid(std::int32_t handle,
                                           std::uint32_t* uuid);
/// results: 8 integers.
std::int32_t KELVARA_Kinetra_SelfTest(std::int32_t handle,
                                      std::int32_t* results);

std::int32_t KELVARA_Lumeno_CreateCan(std::int32_t port, std::int32_t canId,
                                      std::int32_t* status);
std::int32_t KELVARA_Lumeno_CreateUsb(std::int32_t usbPort,
                                      std::int32_t* status);
std::int32_t KELVARA_Lumeno_CreateSerial(const char* path,
                                         std::int32_t* status);
void KELVARA_Lumeno_Destroy(std::int32_t handle);
std::int32_t KELVARA_Lumeno_IsConnected(std::int32_t handle);
std::int32_t KELVARA_Lumeno_GetColor(std::int32_t handle,
                                     LumenoColorData* data);
std::int32_t KELVARA_Lumeno_SetSampleTime(std::int32_t handle,
                                          std::int32_t milliseconds);
std::int32_t KELVARA_Lumeno_SetLedBrightness(std::int32_t handle,
                                             std::int32_t brightness);
/// on: 1 or 0.
std::int32_t KELVARA_Lumeno_SetStatusLed(std::int32_t handle, std::int32_t on,
                                         std::int32_t value);
std::int32_t KELVARA_Lumeno_SetMeasureMode(std::int32_t handle,
                                           std::int32_t mode,
                                           double millimeters);
std::int32_t KELVARA_Lumeno_GetConfigValue(std::int32_t handle,
                                           std::int32_t item,
                                           std::uint32_t* value);

std::int32_t KELVARA_Vantor_CreateCan(std::int32_t port, std::int32_t canId,
                                      std::int32_t* status);
std::int32_t KELVARA_Vantor_CreateUsb(std::int32_t usbPort,
                                      std::int32_t* status);
std::int32_t KELVARA_Vantor_CreateSerial(const char* path,
                                         std::int32_t* status);
void KELVARA_Vantor_Destroy(std::int32_t handle);
std::int32_t KELVARA_Vantor_IsConnected(std::int32_t handle);
/// data: a buffer of 160 bytes.
std::int32_t KELVARA_Vantor_GetScan(std::int32_t handle, VantorScanData* data);
std::int32_t KELVARA_Vantor_GetConfig(std::int32_t handle,
                                      VantorConfigData* data);
std::int32_t KELVARA_Vantor_SetOutputRate(std::int32_t handle,
                                          std::int32_t rate);
std::int32_t KELVARA_Vantor_SetResolution(std::int32_t handle,
                                          std::int32_t resolution);
std::int32_t KELVARA_Vantor_SetRangingFrequency(std::int32_t handle,
                                                std::int32_t frequency);
std::int32_t KELVARA_Vantor_SetZoneMask(std::int32_t handle,
                                        std::uint64_t mask);

/// mode: 1 or 0; timeout in whole milliseconds.
std::int32_t KELVARA_CanBus_RequestMode(std::int32_t port, std::int32_t mode,
                                        std::int32_t timeoutMs);
/// Returns the port's mode, 0 or 1; any other value means none.
std::int32_t KELVARA_CanBus_GetMode(std::int32_t port);

}  // extern "C"
