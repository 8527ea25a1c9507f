// A driver module whose every answer comes from the fuzzer's input: handles,
// result codes, connection answers, bus modes and every byte of every buffer
// it fills. Under AddressSanitizer it also poisons the parts of a buffer that
// the library has been told not to read (the whole buffer after a failure,
// invalid groups, reserved bytes), so that reading them is reported.

#include <cstddef>
#include <cstdint>

#include "FuzzInput.hpp"
#include "driver/KelvaraLibDriver.hpp"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define KELVARA_FUZZ_POISONING 1
#endif
#endif

namespace kelvara::fuzz {

FuzzInput& Input() {
  static FuzzInput input;
  return input;
}

namespace {

/// Marks bytes of a buffer as not to be read. ASan tracks 8-byte granules,
/// so a region that does not cover whole granules is only partly marked; the
/// library's own stack frame clears the marks when the call returns.
void Forbid([[maybe_unused]] const void* buffer,
            [[maybe_unused]] std::size_t offset,
            [[maybe_unused]] std::size_t size) {
#ifdef KELVARA_FUZZ_POISONING
  __asan_poison_memory_region(static_cast<const char*>(buffer) + offset, size);
#endif
}

template <typename Record>
void ForbidAll(const Record* record) {
  Forbid(record, 0, sizeof(Record));
}

std::int32_t Handle() {
  return Input().Take<std::int32_t>();
}

/// Fills a buffer from the input and returns a result code; after a failure
/// the whole buffer is forbidden.
template <typename T>
std::int32_t FillBuffer(T* buffer, std::size_t size) {
  Input().Fill(buffer, size);
  const std::int32_t code = Input().TakeCode();
  if (code != 0) {
    Forbid(buffer, 0, size);
  }
  return code;
}

void ForbidInvalidKinetraGroups(const KinetraData* data) {
  using namespace kelvara::driver;
  const std::uint32_t mask = data->validMask;
  struct Group {
    std::uint32_t bits;
    std::size_t offset;
    std::size_t size;
  };
  const Group groups[] = {
      {kKinetraValidAnyGroup, offsetof(KinetraData, timestampNs), 16},
      {kKinetraValidYaw, offsetof(KinetraData, yaw), 8},
      {kKinetraValidPitchRoll, offsetof(KinetraData, pitch), 16},
      {kKinetraValidAngle, offsetof(KinetraData, angle), 8},
      {kKinetraValidQuaternion6d, offsetof(KinetraData, quaternion6d), 32},
      {kKinetraValidQuaternion9d, offsetof(KinetraData, quaternion9d), 32},
      {kKinetraValidAngularVelocity, offsetof(KinetraData, angularVelocity),
       24},
      {kKinetraValidLinearAcceleration,
       offsetof(KinetraData, linearAcceleration), 24},
      {kKinetraValidMagneticField, offsetof(KinetraData, magneticField), 32},
      {kKinetraValidAlgorithmState, offsetof(KinetraData, algorithmVector), 64},
      {kKinetraValidTemperature, offsetof(KinetraData, temperature), 8},
  };
  for (const Group& group : groups) {
    if ((mask & group.bits) == 0) {
      Forbid(data, group.offset, group.size);
    }
  }
}

}  // namespace

}  // namespace kelvara::fuzz

using kelvara::fuzz::FillBuffer;
using kelvara::fuzz::Forbid;
using kelvara::fuzz::Handle;
using kelvara::fuzz::Input;

extern "C" {

std::int32_t KELVARA_Kinetra_CreateCan(std::int32_t, std::int32_t, std::int32_t,
                                       std::int32_t* status) {
  *status = Input().Take<std::int32_t>();
  return Handle();
}
std::int32_t KELVARA_Kinetra_CreateUsb(std::int32_t, std::int32_t,
                                       std::int32_t* status) {
  *status = Input().Take<std::int32_t>();
  return Handle();
}
std::int32_t KELVARA_Kinetra_CreateSerial(const char* path, std::int32_t,
                                          std::int32_t* status) {
  // Reads the path as a driver would: up to its terminating zero.
  std::size_t length = 0;
  while (path[length] != '\0') {
    ++length;
  }
  *status = static_cast<std::int32_t>(length);
  return Handle();
}
void KELVARA_Kinetra_Destroy(std::int32_t) {}
std::int32_t KELVARA_Kinetra_IsConnected(std::int32_t) {
  return Input().Take<std::int32_t>();
}
std::int32_t KELVARA_Kinetra_GetData(std::int32_t, KinetraData* data) {
  const std::int32_t code = FillBuffer(data, sizeof(KinetraData));
  if (code == 0) {
    kelvara::fuzz::ForbidInvalidKinetraGroups(data);
  }
  return code;
}
std::int32_t KELVARA_Kinetra_ResetYaw(std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Kinetra_SetOutputRate(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Kinetra_EnableMessages(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Kinetra_SetYawAxes(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Kinetra_GetFirmwareVersion(std::int32_t,
                                                std::int32_t* version) {
  return FillBuffer(version, 3 * sizeof(std::int32_t));
}
std::int32_t KELVARA_Kinetra_GetSensorUuid(std::int32_t, std::uint32_t* uuid) {
  return FillBuffer(uuid, 3 * sizeof(std::uint32_t));
}
std::int32_t KELVARA_Kinetra_SelfTest(std::int32_t, std::int32_t* results) {
  return FillBuffer(results, 8 * sizeof(std::int32_t));
}

std::int32_t KELVARA_Lumeno_CreateCan(std::int32_t, std::int32_t,
                                      std::int32_t* status) {
  *status = Input().Take<std::int32_t>();
  return Handle();
}
std::int32_t KELVARA_Lumeno_CreateUsb(std::int32_t, std::int32_t* status) {
  *status = Input().Take<std::int32_t>();
  return Handle();
}
std::int32_t KELVARA_Lumeno_CreateSerial(const char* path,
                                         std::int32_t* status) {
  return KELVARA_Kinetra_CreateSerial(path, 0, status);
}
void KELVARA_Lumeno_Destroy(std::int32_t) {}
std::int32_t KELVARA_Lumeno_IsConnected(std::int32_t) {
  return Input().Take<std::int32_t>();
}
std::int32_t KELVARA_Lumeno_GetColor(std::int32_t, LumenoColorData* data) {
  const std::int32_t code = FillBuffer(data, sizeof(LumenoColorData));
  if (code == 0) {
    Forbid(data, offsetof(LumenoColorData, reserved0) + 4, 8);
    if (data->valid == 0) {
      Forbid(data, 8, sizeof(LumenoColorData) - 8);
    }
  }
  return code;
}
std::int32_t KELVARA_Lumeno_SetSampleTime(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Lumeno_SetLedBrightness(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Lumeno_SetStatusLed(std::int32_t, std::int32_t,
                                         std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Lumeno_SetMeasureMode(std::int32_t, std::int32_t, double) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Lumeno_GetConfigValue(std::int32_t, std::int32_t,
                                           std::uint32_t* value) {
  // The library starts the value at 0 and keeps it when the driver writes
  // nothing: leave it unwritten half of the time.
  if ((Input().Take<std::uint8_t>() & 1) != 0) {
    Input().Fill(value, sizeof *value);
  }
  const std::int32_t code = Input().TakeCode();
  if (code != 0) {
    Forbid(value, 0, sizeof *value);
  }
  return code;
}

std::int32_t KELVARA_Vantor_CreateCan(std::int32_t, std::int32_t,
                                      std::int32_t* status) {
  *status = Input().Take<std::int32_t>();
  return Handle();
}
std::int32_t KELVARA_Vantor_CreateUsb(std::int32_t, std::int32_t* status) {
  *status = Input().Take<std::int32_t>();
  return Handle();
}
std::int32_t KELVARA_Vantor_CreateSerial(const char* path,
                                         std::int32_t* status) {
  return KELVARA_Kinetra_CreateSerial(path, 0, status);
}
void KELVARA_Vantor_Destroy(std::int32_t) {}
std::int32_t KELVARA_Vantor_IsConnected(std::int32_t) {
  return Input().Take<std::int32_t>();
}
std::int32_t KELVARA_Vantor_GetScan(std::int32_t, VantorScanData* data) {
  const std::int32_t code = FillBuffer(data, sizeof(VantorScanData));
  if (code == 0) {
    Forbid(data, 8, 8);
    Forbid(data, offsetof(VantorScanData, reserved1), 8);
    if (data->valid == 0) {
      Forbid(data, 8, sizeof(VantorScanData) - 8);
    }
  }
  return code;
}
std::int32_t KELVARA_Vantor_GetConfig(std::int32_t, VantorConfigData* data) {
  const std::int32_t code = FillBuffer(data, sizeof(VantorConfigData));
  if (code == 0) {
    if (data->zoneMaskPresent == 0) {
      Forbid(data, offsetof(VantorConfigData, zoneMask), 8);
    }
    if (data->firmwareVersionPresent == 0) {
      Forbid(data, offsetof(VantorConfigData, firmwareVersion) + 4, 8);
    }
  }
  return code;
}
std::int32_t KELVARA_Vantor_SetOutputRate(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Vantor_SetResolution(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Vantor_SetRangingFrequency(std::int32_t, std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_Vantor_SetZoneMask(std::int32_t, std::uint64_t) {
  return Input().TakeCode();
}

std::int32_t KELVARA_CanBus_RequestMode(std::int32_t, std::int32_t,
                                        std::int32_t) {
  return Input().TakeCode();
}
std::int32_t KELVARA_CanBus_GetMode(std::int32_t) {
  return Input().Take<std::int32_t>();
}

}  // extern "C"
