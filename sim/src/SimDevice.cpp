#include "kelvara/sim/SimDevice.hpp"

#include "SimState.hpp"

namespace kelvara::sim {

using detail::State;

// Taken by reference: callers keep their address, so it is copied either way.
// NOLINTNEXTLINE(modernize-pass-by-value)
SimDevice::SimDevice(SimDeviceKind kind, const SimAddress& address)
    : m_kind{kind}, m_address{address} {}

void SimDevice::Detach() {
  detail::WithDevice(m_kind, m_address,
                     [](auto& device, State&) { device.attached = false; });
}

void SimDevice::Attach() {
  detail::WithDevice(m_kind, m_address,
                     [](auto& device, State&) { device.attached = true; });
}

bool SimDevice::IsAttached() const {
  return detail::WithDevice(m_kind, m_address, [](auto& device, State&) {
    return device.IsPresent();
  });
}

int SimDevice::GetOpenHandleCount() const {
  return detail::WithDevice(m_kind, m_address, [](auto& device, State&) {
    return device.openHandles;
  });
}

void SimDevice::FailNextCalls(int count, std::int32_t code) {
  detail::WithDevice(m_kind, m_address, [count, code](auto& device, State&) {
    device.failures.Set(count, code);
  });
}

int SimDevice::GetPendingFailures() const {
  return detail::WithDevice(m_kind, m_address, [](auto& device, State&) {
    return device.failures.count;
  });
}

void SimDevice::DeliverInvalidRecords(bool invalid) {
  detail::WithDevice(m_kind, m_address, [invalid](auto& device, State&) {
    device.invalidRecords = invalid;
  });
}

void SimDevice::Reset() {
  detail::WithDevice(m_kind, m_address,
                     [this](auto& device, State&) { device.Reset(m_address); });
}

}  // namespace kelvara::sim
