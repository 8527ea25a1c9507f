// The smallest driver that answers every call successfully: fixed handles,
// result code 0, and records copied from constants. The benchmarks call it
// both through the library and by hand, so that the difference between the
// two is the library's own cost.

#include <cstdint>
#include <cstring>

#include "driver/KelvaraLibDriver.hpp"

namespace {

constexpr KinetraData kKinetra{
    .validMask = 0x3FF,
    .reserved0 = {},
    .timestampNs = 1'500'000'000,
    .timeSynced = 1,
    .reserved1 = {},
    .yaw = 12.5,
    .pitch = -3.25,
    .roll = 1.5,
    .angle = 372.5,
    .quaternion6d = {0.9238795325112867, 0.0, 0.0, 0.3826834323650898},
    .quaternion9d = {0.9238795325112867, 0.0, 0.0, 0.3826834323650898},
    .angularVelocity = {0.1, -0.2, 0.3},
    .linearAcceleration = {0.5, 0.25, -9.80665},
    .magneticField = {20.0, -5.0, 40.0, 45.0},
    .algorithmVector = {1.0, 2.0, 3.0},
    .algorithmFlag0 = 1,
    .algorithmFlag1 = 0,
    .algorithmValue0 = 0.5,
    .algorithmValue1 = 0.25,
    .algorithmValue2 = 0.125,
    .algorithmValue3 = 0.0625,
    .temperature = 31.5,
};

constexpr LumenoColorData kColor{
    .valid = 1,
    .reserved0 = {},
    .tag = 7,
    .reserved1 = {},
    .X = 0.2,
    .Y = 0.3,
    .Z = 0.5,
};

constexpr VantorScanData MakeScan() {
  VantorScanData scan{};
  scan.valid = 1;
  scan.tag = 3;
  scan.zoneCount = 64;
  for (int i = 0; i < 64; ++i) {
    scan.distances[i] = static_cast<std::int16_t>(4000 - 37 * i);
  }
  return scan;
}
constexpr VantorScanData kScan = MakeScan();

constexpr VantorConfigData kConfig{
    .setting0 = 1,
    .flag0 = 1,
    .flag1 = 0,
    .flag2 = 1,
    .setting1 = 15,
    .zoneMaskPresent = 1,
    .zoneMask = ~std::uint64_t{0},
    .firmwareVersionPresent = 1,
    .firmwareVersion = {1, 4, 2},
    .setting2 = 60,
    .setting3 = 0,
};

constexpr std::int32_t kVersion[3] = {2, 1, 7};
constexpr std::uint32_t kUuid[3] = {0xDEADBEEF, 0x01234567, 0x89ABCDEF};
constexpr std::int32_t kSelfTest[8] = {1, 1, 1, 1, 0, 0, 0, 0};

}  // namespace

extern "C" {

std::int32_t KELVARA_Kinetra_CreateCan(std::int32_t, std::int32_t, std::int32_t,
                                       std::int32_t*) {
  return 1;
}
std::int32_t KELVARA_Kinetra_CreateUsb(std::int32_t, std::int32_t,
                                       std::int32_t*) {
  return 1;
}
std::int32_t KELVARA_Kinetra_CreateSerial(const char*, std::int32_t,
                                          std::int32_t*) {
  return 1;
}
void KELVARA_Kinetra_Destroy(std::int32_t) {}
std::int32_t KELVARA_Kinetra_IsConnected(std::int32_t) {
  return 1;
}
std::int32_t KELVARA_Kinetra_GetData(std::int32_t, KinetraData* data) {
  std::memcpy(data, &kKinetra, sizeof kKinetra);
  return 0;
}
std::int32_t KELVARA_Kinetra_ResetYaw(std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Kinetra_SetOutputRate(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Kinetra_EnableMessages(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Kinetra_SetYawAxes(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Kinetra_GetFirmwareVersion(std::int32_t,
                                                std::int32_t* version) {
  std::memcpy(version, kVersion, sizeof kVersion);
  return 0;
}
std::int32_t KELVARA_Kinetra_GetSensorUuid(std::int32_t, std::uint32_t* uuid) {
  std::memcpy(uuid, kUuid, sizeof kUuid);
  return 0;
}
std::int32_t KELVARA_Kinetra_SelfTest(std::int32_t, std::int32_t* results) {
  std::memcpy(results, kSelfTest, sizeof kSelfTest);
  return 0;
}

std::int32_t KELVARA_Lumeno_CreateCan(std::int32_t, std::int32_t,
                                      std::int32_t*) {
  return 2;
}
std::int32_t KELVARA_Lumeno_CreateUsb(std::int32_t, std::int32_t*) {
  return 2;
}
std::int32_t KELVARA_Lumeno_CreateSerial(const char*, std::int32_t*) {
  return 2;
}
void KELVARA_Lumeno_Destroy(std::int32_t) {}
std::int32_t KELVARA_Lumeno_IsConnected(std::int32_t) {
  return 1;
}
std::int32_t KELVARA_Lumeno_GetColor(std::int32_t, LumenoColorData* data) {
  std::memcpy(data, &kColor, sizeof kColor);
  return 0;
}
std::int32_t KELVARA_Lumeno_SetSampleTime(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Lumeno_SetLedBrightness(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Lumeno_SetStatusLed(std::int32_t, std::int32_t,
                                         std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Lumeno_SetMeasureMode(std::int32_t, std::int32_t, double) {
  return 0;
}
std::int32_t KELVARA_Lumeno_GetConfigValue(std::int32_t, std::int32_t,
                                           std::uint32_t* value) {
  *value = 0x00010407;
  return 0;
}

std::int32_t KELVARA_Vantor_CreateCan(std::int32_t, std::int32_t,
                                      std::int32_t*) {
  return 3;
}
std::int32_t KELVARA_Vantor_CreateUsb(std::int32_t, std::int32_t*) {
  return 3;
}
std::int32_t KELVARA_Vantor_CreateSerial(const char*, std::int32_t*) {
  return 3;
}
void KELVARA_Vantor_Destroy(std::int32_t) {}
std::int32_t KELVARA_Vantor_IsConnected(std::int32_t) {
  return 1;
}
std::int32_t KELVARA_Vantor_GetScan(std::int32_t, VantorScanData* data) {
  std::memcpy(data, &kScan, sizeof kScan);
  return 0;
}
std::int32_t KELVARA_Vantor_GetConfig(std::int32_t, VantorConfigData* data) {
  std::memcpy(data, &kConfig, sizeof kConfig);
  return 0;
}
std::int32_t KELVARA_Vantor_SetOutputRate(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Vantor_SetResolution(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Vantor_SetRangingFrequency(std::int32_t, std::int32_t) {
  return 0;
}
std::int32_t KELVARA_Vantor_SetZoneMask(std::int32_t, std::uint64_t) {
  return 0;
}

std::int32_t KELVARA_CanBus_RequestMode(std::int32_t, std::int32_t,
                                        std::int32_t) {
  return 0;
}
std::int32_t KELVARA_CanBus_GetMode(std::int32_t) {
  return 1;
}

}  // extern "C"
