#pragma once

#include <cstdint>

#include <wpi/units/time.hpp>

#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/detail/SimCall.hpp"

namespace kelvara::sim {

/**
 * The simulation's clock. It gives every IMU sample its timestamp and
 * synchronised flag and drives the six-axis yaw drift. It starts at 0 and
 * moves only when simulation code sets or advances it, so simulated runs are
 * repeatable. Its time is kept in whole nanoseconds. All members may be
 * called from any thread.
 */
class SimClock {
 public:
  SimClock() = delete;

  /// The simulation time: the timestamp of an IMU sample taken now.
  static wpi::units::second_t Now() {
    return wpi::units::nanosecond_t{
        static_cast<double>(detail::Get<std::int64_t>(KelvaraSim_Clock_Now))};
  }

  /// Sets the simulation time, rounded to whole nanoseconds; it may go back.
  static void Set(wpi::units::second_t time) {
    const wpi::units::nanosecond_t nanoseconds = time;
    detail::Call(KelvaraSim_Clock_Set, nanoseconds.value());
  }

  /// Moves the simulation time on by dt, rounded to whole nanoseconds.
  static void Advance(wpi::units::second_t dt) {
    const wpi::units::nanosecond_t nanoseconds = dt;
    detail::Call(KelvaraSim_Clock_Advance, nanoseconds.value());
  }

  /// Sets whether the IMU samples report their time as synchronised (true at
  /// first).
  static void SetSynchronized(bool synchronized) {
    detail::Call(KelvaraSim_Clock_SetSynchronized, synchronized);
  }

  /// Returns true when the IMU samples report their time as synchronised.
  static bool IsSynchronized() {
    return detail::Get<bool>(KelvaraSim_Clock_IsSynchronized);
  }

  /// Sets the time back to 0 and the synchronised flag back to true.
  static void Reset() { detail::Call(KelvaraSim_Clock_Reset); }
};

}  // namespace kelvara::sim
