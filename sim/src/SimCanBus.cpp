// The control functions of the simulated CAN ports' bus modes.
#include "SimControl.hpp"
#include "driver/DriverValues.hpp"

namespace {

using kelvara::sim::detail::CanPort;

/// Runs f(port) on a CAN port under the state's lock, then brings the HAL's
/// view up to date; does nothing for a port that does not exist unless
/// absent is given, which runs then. Gives the result code.
template <typename F, typename G>
std::int32_t OnPort(std::int32_t number, F f, G absent) noexcept {
  return kelvara::sim::detail::Guard([&] {
    auto& state = kelvara::sim::detail::GetState();
    const kelvara::sim::detail::PublishAfterwards publish;
    std::scoped_lock lock{state.mutex};
    if (number < 0 || number >= kelvara::driver::kCanPortCount) {
      absent();
    } else {
      f(state.canPorts[static_cast<std::size_t>(number)]);
    }
  });
}

template <typename F>
std::int32_t OnPort(std::int32_t number, F f) noexcept {
  return OnPort(number, f, [] {});
}

}  // namespace

extern "C" {

int32_t KelvaraSim_CanBus_GetMode(int32_t port, int32_t* mode) {
  return OnPort(
      port,
      [mode](CanPort& canPort) {
        kelvara::sim::detail::Answer(mode, canPort.mode);
      },
      [mode] { kelvara::sim::detail::Answer(mode, -1); });
}

int32_t KelvaraSim_CanBus_SetMode(int32_t port, int32_t mode) {
  return OnPort(port,
                [mode](CanPort& canPort) { canPort.mode = mode == 1 ? 1 : 0; });
}

int32_t KelvaraSim_CanBus_GetRequestCount(int32_t port, int32_t* count) {
  return OnPort(
      port,
      [count](CanPort& canPort) {
        kelvara::sim::detail::Answer(count, canPort.requests);
      },
      [count] { kelvara::sim::detail::Answer(count, 0); });
}

int32_t KelvaraSim_CanBus_FailNextRequests(int32_t port, int32_t count,
                                           int32_t code) {
  return OnPort(port, [count, code](CanPort& canPort) {
    canPort.failures.Set(count, code);
  });
}

int32_t KelvaraSim_CanBus_Reset(int32_t port) {
  return OnPort(port, [](CanPort& canPort) { canPort = CanPort{}; });
}

}  // extern "C"
