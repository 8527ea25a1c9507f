// The numbers by which the library names message kinds, measure modes,
// configuration items and resolutions when it passes them to the driver. The
// simulated devices accept exactly these.
#pragma once

#include <cstdint>

namespace kelvara::sim::detail {

/// Message kinds are numbered from 0 up to, not including, this count.
inline constexpr std::int32_t kKinetraMessageCount = 4;
static_assert(kKinetraMessageCount <= 64,
              "enabled messages are kept in 64 bits");

/// Lumeno measure modes are numbered from 0 up to, not including, this count.
inline constexpr std::int32_t kLumenoMeasureModeCount = 3;
/// The measure mode that uses the fixed distance.
inline constexpr std::int32_t kLumenoFixedDistanceMode = 2;

/// Lumeno configuration items.
inline constexpr std::int32_t kLumenoItemSampleTime = 0;
inline constexpr std::int32_t kLumenoItemLedBrightness = 1;
inline constexpr std::int32_t kLumenoItemStatusLed = 2;
inline constexpr std::int32_t kLumenoItemStatusLedValue = 3;
inline constexpr std::int32_t kLumenoItemMeasureMode = 4;
inline constexpr std::int32_t kLumenoItemFixedDistance = 5;
inline constexpr std::int32_t kLumenoItemFirmwareVersion = 8;

/// Vantor resolutions.
inline constexpr std::int32_t kVantorResolution4x4 = 0;
inline constexpr std::int32_t kVantorResolution8x8 = 1;

}  // namespace kelvara::sim::detail
