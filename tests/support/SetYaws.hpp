// The yaws that the thread tests set: the readers check each answer against
// them, so that a torn or stale value shows.
#pragma once

#include <cmath>

namespace kelvara::test {

/// Returns true for a yaw that the writers of the thread tests set: a
/// multiple of 10 degrees from 0 to 90, within rounding.
inline bool IsSetYaw(double yaw) {
  return std::abs(yaw - 10 * std::round(yaw / 10)) < 1e-9 && yaw > -1e-9 &&
         yaw < 90 + 1e-9;
}

}  // namespace kelvara::test
