#pragma once

#include <cstdint>

#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/detail/SimCall.hpp"

namespace kelvara::sim {

/// The kinds of simulated device.
enum class SimDeviceKind {
  /// A Kinetra IMU.
  kKinetra,
  /// A Lumeno colour sensor.
  kLumeno,
  /// A Vantor ranger.
  kVantor,
};

/**
 * What every simulated device offers simulation code: its presence, the
 * handles robot code holds on it, its reset and fault injection. SimKinetra,
 * SimLumeno and SimVantor add their sensor models.
 *
 * A controller is a view of the device at one address, not the device
 * itself: every controller of the same kind and address, and every handle
 * that robot code opened there, reach the same device, and destroying a
 * controller changes nothing. A device comes into being with plausible
 * defaults the first time robot code or a controller reaches its address,
 * attached (present) unless its address cannot hold a device. All members
 * may be called from any thread, also while robot code uses the device.
 *
 * Where WPILib's HAL is loaded (desktop simulation), a device that robot code
 * holds open and that is attached is also published as a HAL sim device,
 * which WPILib's simulation GUI shows and its sim-device interface steers;
 * the README lists its name and values.
 */
class SimDevice {
 public:
  /// The kind of device that this controller reaches.
  SimDeviceKind GetKind() const noexcept { return m_kind; }

  /// The address that robot code opens the device with.
  const SimAddress& GetAddress() const noexcept { return m_address; }

  /**
   * Takes the device off its transport, as if unplugged: IsConnected() of
   * robot code's objects turns false and every other call on them fails with
   * SimResult::kNotConnected. Handles stay open and work again after
   * Attach(). Devices opened while detached get their handle as usual, with
   * the status kNotConnected.
   */
  void Detach();

  /// Puts the device back on its transport (reconnects it) with its state as
  /// it was. Has no effect at an address that cannot hold a device.
  void Attach();

  /// Returns true when the device is present: attached at an address that
  /// can hold a device.
  bool IsAttached() const;

  /// The number of handles robot code holds open on this device: opened and
  /// not yet released.
  int GetOpenHandleCount() const;

  /**
   * Makes the next count calls on the device fail with code, before any
   * other check, also while it is detached. The calls counted are all that
   * return a result code: every one except opening, releasing and
   * IsConnected(). A count of 0 or less, or a code of 0, cancels the
   * failures still pending.
   *
   * @param count the number of calls to fail
   * @param code the result code they return
   */
  void FailNextCalls(int count, std::int32_t code);

  /// The number of injected failures not yet delivered.
  int GetPendingFailures() const;

  /// Makes every later sample (IMU data, colour sample, range scan) arrive
  /// marked as holding nothing: a valid word of 0, with the record's other
  /// fields filled as usual. false restores normal samples.
  void DeliverInvalidRecords(bool invalid);

  /// Restores the device to its defaults: attached, no fault pending, the
  /// sensor model as at first. Open handles stay open.
  void Reset();

 protected:
  /// A view of the device of this kind at this address.
  // Taken by reference: callers keep their address, so it is copied either
  // way. NOLINTNEXTLINE(modernize-pass-by-value)
  SimDevice(SimDeviceKind kind, const SimAddress& address)
      : m_kind{kind}, m_address{address} {}
  ~SimDevice() = default;
  /// Another view of the same device.
  SimDevice(const SimDevice&) = default;
  /// Views the other's device.
  SimDevice& operator=(const SimDevice&) = default;
  /// Another view of the same device.
  SimDevice(SimDevice&&) = default;
  /// Views the other's device.
  SimDevice& operator=(SimDevice&&) = default;

 private:
  /// The kind's number in the control functions.
  std::int32_t KindNumber() const noexcept {
    return static_cast<std::int32_t>(m_kind);
  }

  SimDeviceKind m_kind;
  SimAddress m_address;
};

inline void SimDevice::Detach() {
  detail::Call(KelvaraSim_Device_Detach, KindNumber(),
               detail::AddressArg{m_address});
}

inline void SimDevice::Attach() {
  detail::Call(KelvaraSim_Device_Attach, KindNumber(),
               detail::AddressArg{m_address});
}

inline bool SimDevice::IsAttached() const {
  return detail::Get<bool>(KelvaraSim_Device_IsAttached, KindNumber(),
                           detail::AddressArg{m_address});
}

inline int SimDevice::GetOpenHandleCount() const {
  return detail::Get<std::int32_t>(KelvaraSim_Device_GetOpenHandleCount,
                                   KindNumber(), detail::AddressArg{m_address});
}

inline void SimDevice::FailNextCalls(int count, std::int32_t code) {
  detail::Call(KelvaraSim_Device_FailNextCalls, KindNumber(),
               detail::AddressArg{m_address}, count, code);
}

inline int SimDevice::GetPendingFailures() const {
  return detail::Get<std::int32_t>(KelvaraSim_Device_GetPendingFailures,
                                   KindNumber(), detail::AddressArg{m_address});
}

inline void SimDevice::DeliverInvalidRecords(bool invalid) {
  detail::Call(KelvaraSim_Device_DeliverInvalidRecords, KindNumber(),
               detail::AddressArg{m_address}, invalid);
}

inline void SimDevice::Reset() {
  detail::Call(KelvaraSim_Device_Reset, KindNumber(),
               detail::AddressArg{m_address});
}

}  // namespace kelvara::sim
