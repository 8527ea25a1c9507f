#include "kelvara/sim/SimClock.hpp"

#include <cmath>
#include <limits>

#include "SimState.hpp"

namespace kelvara::sim {

namespace {

/// A time as whole nanoseconds, kept within 64 bits (NaN gives 0).
std::int64_t WholeNanoseconds(double ns) {
  constexpr double kLimit = 9.2e18;
  if (std::isnan(ns)) {
    return 0;
  }
  return std::llround(std::clamp(ns, -kLimit, kLimit));
}

}  // namespace

std::int64_t SimClock::NowNanoseconds() {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  return state.clockNs;
}

void SimClock::SetNanoseconds(double nanoseconds) {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  state.clockNs = WholeNanoseconds(nanoseconds);
}

void SimClock::AdvanceNanoseconds(double nanoseconds) {
  auto& state = detail::GetState();
  std::scoped_lock lock{state.mutex};
  state.clockNs += WholeNanoseconds(nanoseconds);
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
