// The control functions that every kind of simulated device offers.
#include "SimControl.hpp"
#include "SimState.hpp"

namespace kelvara::sim::detail {

static_assert(static_cast<int>(SimDeviceKind::kKinetra) ==
                  KelvaraSim_kKinetra &&
              static_cast<int>(SimDeviceKind::kLumeno) == KelvaraSim_kLumeno &&
              static_cast<int>(SimDeviceKind::kVantor) == KelvaraSim_kVantor);

SimDeviceKind KindFrom(std::int32_t kind) {
  if (kind < KelvaraSim_kKinetra || kind > KelvaraSim_kVantor) {
    throw InvalidArgument{};
  }
  return static_cast<SimDeviceKind>(kind);
}

namespace {

/// Runs f(device) on the device of a kind at an address under the state's
/// lock, and gives the result code.
template <typename F>
std::int32_t OnDevice(std::int32_t kind, const KelvaraSim_Address* address,
                      F f) noexcept {
  return Guard([&] {
    const SimAddress at = AddressFrom(address);
    WithDevice(KindFrom(kind), at,
               [&f, &at](auto& device, State&) { f(device, at); });
  });
}

}  // namespace

}  // namespace kelvara::sim::detail

using kelvara::sim::SimAddress;
using kelvara::sim::detail::Answer;
using kelvara::sim::detail::OnDevice;

extern "C" {

int32_t KelvaraSim_Device_Detach(int32_t kind,
                                 const KelvaraSim_Address* address) {
  return OnDevice(kind, address, [](auto& device, const SimAddress&) {
    device.attached = false;
  });
}

int32_t KelvaraSim_Device_Attach(int32_t kind,
                                 const KelvaraSim_Address* address) {
  return OnDevice(kind, address, [](auto& device, const SimAddress&) {
    device.attached = true;
  });
}

int32_t KelvaraSim_Device_IsAttached(int32_t kind,
                                     const KelvaraSim_Address* address,
                                     bool* attached) {
  return OnDevice(kind, address, [attached](auto& device, const SimAddress&) {
    Answer(attached, device.IsPresent());
  });
}

int32_t KelvaraSim_Device_GetOpenHandleCount(int32_t kind,
                                             const KelvaraSim_Address* address,
                                             int32_t* count) {
  return OnDevice(kind, address, [count](auto& device, const SimAddress&) {
    Answer(count, device.openHandles);
  });
}

int32_t KelvaraSim_Device_FailNextCalls(int32_t kind,
                                        const KelvaraSim_Address* address,
                                        int32_t count, int32_t code) {
  return OnDevice(kind, address,
                  [count, code](auto& device, const SimAddress&) {
                    device.failures.Set(count, code);
                  });
}

int32_t KelvaraSim_Device_GetPendingFailures(int32_t kind,
                                             const KelvaraSim_Address* address,
                                             int32_t* count) {
  return OnDevice(kind, address, [count](auto& device, const SimAddress&) {
    Answer(count, device.failures.count);
  });
}

int32_t KelvaraSim_Device_DeliverInvalidRecords(
    int32_t kind, const KelvaraSim_Address* address, bool invalid) {
  return OnDevice(kind, address, [invalid](auto& device, const SimAddress&) {
    device.invalidRecords = invalid;
  });
}

int32_t KelvaraSim_Device_Reset(int32_t kind,
                                const KelvaraSim_Address* address) {
  return OnDevice(kind, address,
                  [](auto& device, const SimAddress& at) { device.Reset(at); });
}

}  // extern "C"
