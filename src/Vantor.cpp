// The ranger's C functions, each one driver call. Frames and configurations
// go to the driver in the caller's own records, which the inline code of
// Vantor.hpp reads.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "DriverCalls.hpp"
#include "driver/DriverValues.hpp"
#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/KelvaraLib.h"
#include "kelvara/Vantor.hpp"

namespace kelvara {

namespace {

// The public records are the driver's byte for byte, so that the driver
// writes the caller's record in place.
using PublicScan = KelvaraLib_VantorScanData;
static_assert(sizeof(PublicScan) == sizeof(VantorScanData));
static_assert(alignof(PublicScan) == alignof(VantorScanData));
static_assert(std::is_standard_layout_v<PublicScan>);
static_assert(offsetof(PublicScan, valid) == offsetof(VantorScanData, valid));
static_assert(offsetof(PublicScan, tag) == offsetof(VantorScanData, tag));
static_assert(offsetof(PublicScan, zoneCount) ==
              offsetof(VantorScanData, zoneCount));
static_assert(offsetof(PublicScan, distances) ==
              offsetof(VantorScanData, distances));
static_assert(sizeof(PublicScan::distances) == sizeof(VantorScan::Distances));

using PublicConfig = KelvaraLib_VantorConfigData;
static_assert(sizeof(PublicConfig) == sizeof(VantorConfigData));
static_assert(alignof(PublicConfig) == alignof(VantorConfigData));
static_assert(std::is_standard_layout_v<PublicConfig>);
static_assert(offsetof(PublicConfig, setting0) ==
              offsetof(VantorConfigData, setting0));
static_assert(offsetof(PublicConfig, flag0) ==
              offsetof(VantorConfigData, flag0));
static_assert(offsetof(PublicConfig, flag1) ==
              offsetof(VantorConfigData, flag1));
static_assert(offsetof(PublicConfig, flag2) ==
              offsetof(VantorConfigData, flag2));
static_assert(offsetof(PublicConfig, setting1) ==
              offsetof(VantorConfigData, setting1));
static_assert(offsetof(PublicConfig, zoneMaskPresent) ==
              offsetof(VantorConfigData, zoneMaskPresent));
static_assert(offsetof(PublicConfig, zoneMask) ==
              offsetof(VantorConfigData, zoneMask));
static_assert(offsetof(PublicConfig, firmwareVersionPresent) ==
              offsetof(VantorConfigData, firmwareVersionPresent));
static_assert(offsetof(PublicConfig, firmwareVersion) ==
              offsetof(VantorConfigData, firmwareVersion));
static_assert(offsetof(PublicConfig, setting2) ==
              offsetof(VantorConfigData, setting2));
static_assert(offsetof(PublicConfig, setting3) ==
              offsetof(VantorConfigData, setting3));

// A resolution reaches the driver as its value, the grid's number of zones.
static_assert(detail::SameNumbers<VantorResolution>({
    {VantorResolution::k4x4, driver::kVantorResolution4x4},
    {VantorResolution::k8x8, driver::kVantorResolution8x8},
}));

/// True when a scan's grid side is the driver's for every zone count around
/// the two grids', the unusual ones included.
constexpr bool GridSizeIsTheDriverRule() {
  using Limits = std::numeric_limits<std::int32_t>;
  constexpr std::array kZoneCounts{
      Limits::min(), -16, -1, 0, 4, 8, 15, 16, 17, 20, 63, 64, 65,
      Limits::max()};
  return std::ranges::all_of(kZoneCounts, [](std::int32_t zones) {
    return VantorScan{0, zones, {}}.GridSize() == driver::VantorGridSide(zones);
  });
}
static_assert(GridSizeIsTheDriverRule());

static_assert(sizeof(Vantor) == 4, "a Vantor is exactly its handle");

}  // namespace

}  // namespace kelvara

using kelvara::detail::OpenDevice;

extern "C" {

std::int32_t KelvaraLib_Vantor_OpenCan(std::int32_t port, std::int32_t canId) {
  return OpenDevice(KELVARA_Vantor_CreateCan, port, canId);
}

std::int32_t KelvaraLib_Vantor_OpenUsb(std::int32_t usbPort) {
  return OpenDevice(KELVARA_Vantor_CreateUsb, usbPort);
}

std::int32_t KelvaraLib_Vantor_OpenSerial(const char* path, std::size_t length,
                                          std::int32_t* handle) {
  return kelvara::detail::OpenSerialDevice(KELVARA_Vantor_CreateSerial, path,
                                           length, handle);
}

void KelvaraLib_Vantor_Destroy(std::int32_t handle) {
  KELVARA_Vantor_Destroy(handle);
}

bool KelvaraLib_Vantor_IsConnected(std::int32_t handle) {
  return KELVARA_Vantor_IsConnected(handle) != 0;
}

std::int32_t KelvaraLib_Vantor_GetScan(std::int32_t handle,
                                       KelvaraLib_VantorScanData* data) {
  // Only the valid word is cleared: a driver that reports success without
  // writing the record then yields no scan instead of whatever the caller's
  // stack held.
  data->valid = 0;
  return KELVARA_Vantor_GetScan(
      handle, kelvara::detail::AsDriverRecord<VantorScanData>(data));
}

std::int32_t KelvaraLib_Vantor_SetOutputRate(std::int32_t handle,
                                             std::int32_t rate) {
  return KELVARA_Vantor_SetOutputRate(handle, rate);
}

std::int32_t KelvaraLib_Vantor_SetResolution(std::int32_t handle,
                                             std::int32_t zones) {
  return KELVARA_Vantor_SetResolution(handle, zones);
}

std::int32_t KelvaraLib_Vantor_SetRangingFrequency(std::int32_t handle,
                                                   std::int32_t frequency) {
  return KELVARA_Vantor_SetRangingFrequency(handle, frequency);
}

std::int32_t KelvaraLib_Vantor_SetZoneMask(std::int32_t handle,
                                           std::uint64_t mask) {
  return KELVARA_Vantor_SetZoneMask(handle, mask);
}

std::int32_t KelvaraLib_Vantor_GetConfig(std::int32_t handle,
                                         KelvaraLib_VantorConfigData* data) {
  // Cleared, so that a driver that reports success without writing the record
  // yields the defaults instead of whatever the caller's stack held.
  *data = KelvaraLib_VantorConfigData{};
  return KELVARA_Vantor_GetConfig(
      handle, kelvara::detail::AsDriverRecord<VantorConfigData>(data));
}

}  // extern "C"
