#include "kelvara/sim/SimClock.hpp"

#include <cmath>
#include <limits>

#include "Saturating.hpp"
#include "SimState.hpp"

namespace kelvara::sim {

namespace {

/// A time as whole nanoseconds, held at the limits of 64 bits (NaN gives 0).
std::int64_t WholeNanoseconds(double ns) {
  constexpr double kEnd = 0x1p63;  // one past the largest count
  if (std::isnan(ns)) {
    return 0;
  }
  if (ns >= kEnd) {
    return detail::kInt64Max;
  }
  if (ns <= -kEnd) {
    return detail::kInt64Min;
  }
  return std::llround(ns);
}

}  // namespace

std::int64_t SimClock::NowNanoseconds() {
  auto& state = detail::GetState();
  const detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  return state.clockNs;
}

void SimClock::SetNanoseconds(double nanoseconds) {
  auto& state = detail::GetState();
  const detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  state.clockNs = WholeNanoseconds(nanoseconds);
}

void SimClock::AdvanceNanoseconds(double nanoseconds) {
  auto& state = detail::GetState();
  const detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  state.clockNs =
      detail::SaturatingAdd(state.clockNs, WholeNanoseconds(nanoseconds));
}

void SimClock::SetSynchronized(bool synchronized) {
  auto& state = detail::GetState();
  const detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  state.clockSynchronized = synchronized;
}

bool SimClock::IsSynchronized() {
  auto& state = detail::GetState();
  const detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  return state.clockSynchronized;
}

void SimClock::Reset() {
  auto& state = detail::GetState();
  const detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  state.clockNs = 0;
  state.clockSynchronized = true;
}

}  // namespace kelvara::sim
