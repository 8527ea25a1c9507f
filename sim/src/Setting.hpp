// Range-checked settings of the simulated devices.
#pragma once

#include <cstdint>

#include "kelvara/sim/SimResult.hpp"

namespace kelvara::sim::detail {

/// Stores value in setting when it lies in low to high inclusive; otherwise
/// leaves the setting as it was and refuses, as a device would.
inline SimResult SetWithin(std::int32_t& setting, std::int32_t value,
                           std::int32_t low, std::int32_t high) {
  if (value < low || value > high) {
    return SimResult::kInvalidArgument;
  }
  setting = value;
  return SimResult::kOk;
}

}  // namespace kelvara::sim::detail
