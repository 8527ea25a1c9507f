#include "kelvara/sim/SimCanBus.hpp"

#include "SimState.hpp"
#include "driver/DriverValues.hpp"

namespace kelvara::sim {

namespace {

/// Runs f(port) on a CAN port under the state's lock, then brings the HAL's
/// view up to date; returns fallback when the port does not exist.
template <typename F, typename R>
R WithPort(std::int32_t number, R fallback, F&& f) {
  auto& state = detail::GetState();
  const detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  if (number < 0 || number >= driver::kCanPortCount) {
    return fallback;
  }
  return f(state.canPorts[static_cast<std::size_t>(number)]);
}

}  // namespace

std::optional<CanBusMode> SimCanBus::GetMode() const {
  return WithPort(m_port, std::optional<CanBusMode>{},
                  [](detail::CanPort& port) -> std::optional<CanBusMode> {
                    return static_cast<CanBusMode>(port.mode);
                  });
}

void SimCanBus::SetMode(CanBusMode mode) {
  WithPort(m_port, false, [mode](detail::CanPort& port) {
    port.mode = mode == CanBusMode::kMode1 ? 1 : 0;
    return true;
  });
}

int SimCanBus::GetRequestCount() const {
  return WithPort(m_port, 0,
                  [](detail::CanPort& port) { return port.requests; });
}

void SimCanBus::FailNextRequests(int count, std::int32_t code) {
  WithPort(m_port, false, [count, code](detail::CanPort& port) {
    port.failures.Set(count, code);
    return true;
  });
}

void SimCanBus::Reset() {
  WithPort(m_port, false, [](detail::CanPort& port) {
    port = detail::CanPort{};
    return true;
  });
}

}  // namespace kelvara::sim
