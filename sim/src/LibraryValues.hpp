// The ranges of the library's enumerations whose values reach the driver as
// plain numbers: message kinds, measure modes and resolutions. The simulated
// devices accept exactly the values that the library names.
#pragma once

#include <cstdint>

#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"

namespace kelvara::sim::detail {

/// Message kinds are numbered from 0 up to, not including, this count.
inline constexpr std::int32_t kKinetraMessageCount =
    static_cast<std::int32_t>(KinetraMessage::kTemperature) + 1;
static_assert(kKinetraMessageCount <= 64,
              "enabled messages are kept in 64 bits");

/// Lumeno measure modes are numbered from 0 up to, not including, this count.
inline constexpr std::int32_t kLumenoMeasureModeCount =
    static_cast<std::int32_t>(LumenoMeasureMode::kFixedDistance) + 1;
/// The measure mode that uses the fixed distance.
inline constexpr std::int32_t kLumenoFixedDistanceMode =
    static_cast<std::int32_t>(LumenoMeasureMode::kFixedDistance);

/// Vantor resolutions.
inline constexpr std::int32_t kVantorResolution4x4 =
    static_cast<std::int32_t>(VantorResolution::k4x4);
inline constexpr std::int32_t kVantorResolution8x8 =
    static_cast<std::int32_t>(VantorResolution::k8x8);

}  // namespace kelvara::sim::detail
