#include "kelvara/sim/SimClock.hpp"

#include <cmath>
#include <limits>

#include "SimState.hpp"

namespace kelvara::sim {

namespace {

/// A time as whole nanoseconds, kept within 64 bits (NaN gives 0).
std::int64_t WholeNanoseconds(wpi::units::second_t time) {
  const double ns = wpi::units::nanosecond_t{time}.value();
  constexpr double kLimit = 9.2e18;
  if (std::isnan(ns)) {
    return 0;
  }
  return std::llround(std::clamp(ns, -kLimit, kLimit));
}

}  // namespace

wpi::units::second_t SimClock::Now() {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  return wpi::units::nanosecond_t{static_cast<double>(state.clockNs)};
}

void SimClock::Set(wpi::units::second_t time) {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  state.clockNs = WholeNanoseconds(time);
}

void SimClock::Advance(wpi::units::second_t dt) {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  state.clockNs += WholeNanoseconds(dt);
}

void SimClock::SetSynchronized(bool synchronized) {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  state.clockSynchronized = synchronized;
}

bool SimClock::IsSynchronized() {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  return state.clockSynchronized;
}

void SimClock::Reset() {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  state.clockNs = 0;
  state.clockSynchronized = true;
}

}  // namespace kelvara::sim
