// The control functions of the simulation's clock.
#include <cmath>
#include <limits>

#include "Saturating.hpp"
#include "SimControl.hpp"

namespace {

using kelvara::sim::detail::State;

/// A time as whole nanoseconds, held at the limits of 64 bits (NaN gives 0).
std::int64_t WholeNanoseconds(double ns) {
  constexpr double kEnd = 0x1p63;  // one past the largest count
  if (std::isnan(ns)) {
    return 0;
  }
  if (ns >= kEnd) {
    return kelvara::sim::detail::kInt64Max;
  }
  if (ns <= -kEnd) {
    return kelvara::sim::detail::kInt64Min;
  }
  return std::llround(ns);
}

/// Runs f(state) under the state's lock, then brings the HAL's view up to
/// date; gives the result code.
template <typename F>
std::int32_t OnClock(F f) noexcept {
  return kelvara::sim::detail::Guard([&f] {
    State& state = kelvara::sim::detail::GetState();
    const kelvara::sim::detail::PublishAfterwards publish;
    std::scoped_lock lock{state.mutex};
    f(state);
  });
}

}  // namespace

extern "C" {

int32_t KelvaraSim_Clock_Now(int64_t* nanoseconds) {
  return OnClock([nanoseconds](State& state) {
    kelvara::sim::detail::Answer(nanoseconds, state.clockNs);
  });
}

int32_t KelvaraSim_Clock_Set(double nanoseconds) {
  return OnClock([nanoseconds](State& state) {
    state.clockNs = WholeNanoseconds(nanoseconds);
  });
}

int32_t KelvaraSim_Clock_Advance(double nanoseconds) {
  return OnClock([nanoseconds](State& state) {
    state.clockNs = kelvara::sim::detail::SaturatingAdd(
        state.clockNs, WholeNanoseconds(nanoseconds));
  });
}

int32_t KelvaraSim_Clock_SetSynchronized(bool synchronized) {
  return OnClock(
      [synchronized](State& state) { state.clockSynchronized = synchronized; });
}

int32_t KelvaraSim_Clock_IsSynchronized(bool* synchronized) {
  return OnClock([synchronized](State& state) {
    kelvara::sim::detail::Answer(synchronized, state.clockSynchronized);
  });
}

int32_t KelvaraSim_Clock_Reset(void) {
  return OnClock([](State& state) {
    state.clockNs = 0;
    state.clockSynchronized = true;
  });
}

}  // extern "C"
