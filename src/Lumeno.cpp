#include "kelvara/Lumeno.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ColorMath.hpp"
#include "DriverCalls.hpp"
#include "driver/DriverValues.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

namespace {

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

/// Asks the driver for one configuration value. The value starts at 0, so a
/// driver that reports success without writing it gives 0.
std::expected<std::uint32_t, Status> QueryConfigValue(std::int32_t handle,
                                                      std::int32_t item) {
  std::uint32_t value = 0;
  const std::int32_t code = KELVARA_Lumeno_GetConfigValue(handle, item, &value);
  return detail::ToExpected(code, [&value] { return value; });
}

}  // namespace

using detail::OpenDevice;
using detail::PortNumber;
using detail::ToStatus;

std::int32_t Lumeno::OpenCan(std::int32_t port, std::int32_t canId) {
  return OpenDevice(KELVARA_Lumeno_CreateCan, port, canId);
}

Lumeno Lumeno::Usb() {
  return Lumeno{Adopt{},
                OpenDevice(KELVARA_Lumeno_CreateUsb, driver::kNoUsbPort)};
}

Lumeno Lumeno::Usb(UsbPort port) {
  return Lumeno{Adopt{},
                OpenDevice(KELVARA_Lumeno_CreateUsb, PortNumber(port))};
}

Lumeno Lumeno::FromSerialDevice(std::string_view path) {
  return Lumeno{Adopt{},
                detail::OpenSerialDevice(KELVARA_Lumeno_CreateSerial, path)};
}

Lumeno::Lumeno(Adopt, int handle) : m_handle{handle} {}

Lumeno& Lumeno::operator=(Lumeno&& other) noexcept {
  if (this != &other) {
    m_handle = std::move(other.m_handle);
    m_palette = std::move(other.m_palette);
    other.m_palette.clear();
    m_matchThreshold = other.m_matchThreshold;
  }
  return *this;
}

bool Lumeno::IsConnected() const {
  return KELVARA_Lumeno_IsConnected(m_handle.Get()) != 0;
}

std::optional<LumenoReading> Lumeno::GetColor() const {
  // Only the valid word is cleared: a driver that reports success without
  // writing the record then yields no sample instead of whatever the stack
  // held.
  LumenoColorData data;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  data.valid = 0;
  if (KELVARA_Lumeno_GetColor(m_handle.Get(), &data) != 0 || data.valid == 0) {
    return std::nullopt;
  }
  return LumenoReading{data.X, data.Y, data.Z, data.tag};
}

Status Lumeno::SetSampleTimeMilliseconds(double milliseconds) {
  return ToStatus(KELVARA_Lumeno_SetSampleTime(
      m_handle.Get(), detail::RoundToInt32(milliseconds)));
}

Status Lumeno::SetLedBrightness(std::int32_t brightness) {
  return ToStatus(KELVARA_Lumeno_SetLedBrightness(m_handle.Get(), brightness));
}

Status Lumeno::SetStatusLed(bool on, std::int32_t value) {
  return ToStatus(
      KELVARA_Lumeno_SetStatusLed(m_handle.Get(), on ? 1 : 0, value));
}

Status Lumeno::SetMeasureMode(LumenoMeasureMode mode) {
  return ToStatus(KELVARA_Lumeno_SetMeasureMode(m_handle.Get(),
                                                std::to_underlying(mode), 0.0));
}

Status Lumeno::SetFixedDistanceMillimeters(double millimeters) {
  return ToStatus(KELVARA_Lumeno_SetMeasureMode(
      m_handle.Get(), driver::kLumenoMeasureFixedDistance, millimeters));
}

std::expected<std::uint32_t, Status> Lumeno::GetConfigValue(
    LumenoConfigItem item) {
  return QueryConfigValue(m_handle.Get(), std::to_underlying(item));
}

std::expected<FirmwareVersion, Status> Lumeno::GetFirmwareVersion() {
  const auto word =
      QueryConfigValue(m_handle.Get(), driver::kLumenoConfigFirmwareVersion);
  if (!word) {
    return std::unexpected{word.error()};
  }
  const auto byte = [v = *word](int shift) {
    return static_cast<std::int32_t>((v >> shift) & 0xFFu);
  };
  return FirmwareVersion{byte(16), byte(8), byte(0)};
}

void Lumeno::AddColor(std::string_view name, Chromaticity chromaticity) {
  const auto entry = std::ranges::find_if(
      m_palette, [name](const auto& e) { return e.first == name; });
  if (entry != m_palette.end()) {
    entry->second = chromaticity;
  } else {
    m_palette.emplace_back(std::string{name}, chromaticity);
  }
}

std::optional<Chromaticity> Lumeno::LearnColor(std::string_view name) {
  auto chromaticity = GetColor().and_then(
      [](const LumenoReading& sample) { return sample.GetChromaticity(); });
  if (chromaticity) {
    AddColor(name, *chromaticity);
  }
  return chromaticity;
}

void Lumeno::RemoveColor(std::string_view name) {
  std::erase_if(m_palette, [name](const auto& e) { return e.first == name; });
}

void Lumeno::ClearColors() {
  m_palette.clear();
}

void Lumeno::SetMatchThreshold(double threshold) {
  if (threshold > 0.0) {
    m_matchThreshold = threshold;
  }
}

std::optional<LumenoMatch> Lumeno::GetMatch() const {
  const auto sample = GetColor();
  if (!sample) {
    return std::nullopt;
  }
  // A sample without a chromaticity (no light) is near nothing, whatever the
  // threshold. Its chromaticity is computed once, not once per entry.
  const auto seen = sample->GetChromaticity();
  if (!seen) {
    return std::nullopt;
  }
  const std::string* bestName = nullptr;
  double bestDistance = 0.0;
  for (const auto& [name, chromaticity] : m_palette) {
    const double distance = detail::ChromaticityDistance(*seen, chromaticity);
    // An infinite distance (an entry off the chart) is never near, not even
    // under an infinite threshold. NaN fails the comparison.
    if (std::isinf(distance) || !(distance <= m_matchThreshold)) {
      continue;
    }
    if (bestName == nullptr || distance < bestDistance) {
      bestName = &name;
      bestDistance = distance;
    }
  }
  if (bestName == nullptr) {
    return std::nullopt;
  }
  return LumenoMatch{*bestName, 1.0 - bestDistance / m_matchThreshold,
                     bestDistance};
}

}  // namespace kelvara
