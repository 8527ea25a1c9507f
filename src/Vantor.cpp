#include "kelvara/Vantor.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>

#include "DriverCalls.hpp"
#include "driver/DriverValues.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

namespace {

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

/// The configuration that a good reply of the driver describes. Optional
/// fields stay empty unless the record marks them present; settings 2 and 3
/// count as present only when positive.
VantorConfig ToConfig(const VantorConfigData& data) {
  VantorConfig config;
  config.setting0 = data.setting0;
  config.flag0 = data.flag0 != 0;
  config.flag1 = data.flag1 != 0;
  config.flag2 = data.flag2 != 0;
  config.setting1 = data.setting1;
  if (data.zoneMaskPresent != 0) {
    config.zoneMask = data.zoneMask;
  }
  if (data.firmwareVersionPresent != 0) {
    config.firmwareVersion =
        FirmwareVersion{data.firmwareVersion[0], data.firmwareVersion[1],
                        data.firmwareVersion[2]};
  }
  if (data.setting2 > 0) {
    config.setting2 = data.setting2;
  }
  if (data.setting3 > 0) {
    config.setting3 = data.setting3;
  }
  return config;
}

}  // namespace

using detail::OpenDevice;
using detail::PortNumber;

std::int32_t Vantor::OpenCan(std::int32_t port, std::int32_t canId) {
  return OpenDevice(KELVARA_Vantor_CreateCan, port, canId);
}

Vantor Vantor::Usb() {
  return Vantor{Adopt{},
                OpenDevice(KELVARA_Vantor_CreateUsb, driver::kNoUsbPort)};
}

Vantor Vantor::Usb(UsbPort port) {
  return Vantor{Adopt{},
                OpenDevice(KELVARA_Vantor_CreateUsb, PortNumber(port))};
}

Vantor Vantor::FromSerialDevice(std::string_view path) {
  return Vantor{Adopt{},
                detail::OpenSerialDevice(KELVARA_Vantor_CreateSerial, path)};
}

Vantor::Vantor(Adopt, int handle) : m_handle{handle} {}

bool Vantor::IsConnected() const {
  return KELVARA_Vantor_IsConnected(m_handle.Get()) != 0;
}

std::optional<VantorScan> Vantor::GetScan() const {
  // Only the valid word is cleared: a driver that reports success without
  // writing the record then yields no scan instead of whatever the stack held.
  VantorScanData data;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  data.valid = 0;
  if (KELVARA_Vantor_GetScan(m_handle.Get(), &data) != 0 || data.valid == 0) {
    return std::nullopt;
  }
  VantorScan::Distances distances;
  std::copy(std::begin(data.distances), std::end(data.distances),
            distances.begin());
  return VantorScan{data.tag, data.zoneCount, distances};
}

Status Vantor::SetOutputRate(std::int32_t rate) {
  return detail::ToStatus(KELVARA_Vantor_SetOutputRate(m_handle.Get(), rate));
}

Status Vantor::SetResolution(VantorResolution resolution) {
  return detail::ToStatus(KELVARA_Vantor_SetResolution(
      m_handle.Get(), std::to_underlying(resolution)));
}

Status Vantor::SetRangingFrequency(std::int32_t frequency) {
  return detail::ToStatus(
      KELVARA_Vantor_SetRangingFrequency(m_handle.Get(), frequency));
}

Status Vantor::SetZoneMask(std::uint64_t mask) {
  return detail::ToStatus(KELVARA_Vantor_SetZoneMask(m_handle.Get(), mask));
}

std::expected<VantorConfig, Status> Vantor::GetConfig() {
  // Cleared, so that a driver that reports success without writing the record
  // yields the defaults instead of whatever the stack held.
  VantorConfigData data{};
  const std::int32_t code = KELVARA_Vantor_GetConfig(m_handle.Get(), &data);
  return detail::ToExpected(code, [&data] { return ToConfig(data); });
}

}  // namespace kelvara
