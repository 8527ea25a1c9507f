#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include <wpi/hardware/bus/CANPort.hpp>

#include "kelvara/UsbPort.hpp"
#include "kelvara/detail/CanPortNumber.hpp"
#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/detail/SimCall.hpp"

namespace kelvara::sim {

namespace detail {
struct AddressOf;
}  // namespace detail

/// The transport on which a simulated device is reached.
enum class SimTransport {
  /// A CAN port and a CAN id.
  kCan,
  /// A USB port, or the port used when robot code names none.
  kUsb,
  /// A serial device path.
  kSerial,
};

/**
 * Where a simulated device lives: the transport address that robot code
 * opens it with. Kinetra{3, CANPort::CAN_S0, ...} reaches the Kinetra at
 * SimAddress::Can(3, CANPort::CAN_S0); Lumeno::Usb() reaches the Lumeno at
 * SimAddress::Usb(); Vantor::FromSerialDevice("/dev/ttyS1") reaches the
 * Vantor at SimAddress::Serial("/dev/ttyS1"). Each device kind has addresses
 * of its own: a Kinetra and a Lumeno at the same address are two devices.
 *
 * Some addresses cannot hold a device (see CanHoldDevice()); a device opened
 * there is never connected.
 */
class SimAddress {
 public:
  /**
   * A device on a CAN port.
   *
   * @param canId the device's CAN id; 0 to 62 can hold a device
   * @param port the CAN port; CAN_S0 to CAN_D19 (0 to 24) can hold a device
   */
  static SimAddress Can(int canId, wpi::CANPort port) {
    return SimAddress{
        SimTransport::kCan, kelvara::detail::CanPortNumber(port), canId, {}};
  }

  /// The device that robot code opens on USB without naming a port; an
  /// address of its own, apart from the numbered ports.
  static SimAddress Usb();

  /**
   * A device on a numbered USB port. Ports 0 and above can hold a device.
   *
   * @param port the USB port
   */
  static SimAddress Usb(UsbPort port);

  /**
   * A device on a serial device path. Any non-empty path can hold a device.
   *
   * @param path the path, compared as a whole byte string
   */
  static SimAddress Serial(std::string_view path);

  /// Whether robot code reaches the device on CAN, USB or serial.
  SimTransport GetTransport() const noexcept { return m_transport; }

  /// The CAN port's or USB port's number (-1 for Usb()); 0 for serial.
  int GetPort() const noexcept { return m_port; }

  /// The CAN id; 0 for USB and serial.
  int GetCanId() const noexcept { return m_canId; }

  /// The serial device path; empty for CAN and USB.
  const std::string& GetPath() const noexcept { return m_path; }

  /// Returns true when a device can live at this address: a CAN port from 0
  /// to 24 with an id from 0 to 62, a USB port of -1 or above, or a non-empty
  /// serial path.
  bool CanHoldDevice() const noexcept;

  /// Addresses are equal when transport, port, id and path are.
  auto operator<=>(const SimAddress&) const = default;

 private:
  // The simulated driver makes addresses from the numbers it receives.
  friend struct detail::AddressOf;

  SimAddress(SimTransport transport, int port, int canId, std::string path)
      : m_transport{transport},
        m_port{port},
        m_canId{canId},
        m_path{std::move(path)} {}

  SimTransport m_transport;
  int m_port;
  int m_canId;
  std::string m_path;
};

inline SimAddress SimAddress::Usb() {
  return SimAddress{SimTransport::kUsb, KelvaraSim_kNoUsbPort, 0, {}};
}

inline SimAddress SimAddress::Usb(UsbPort port) {
  return SimAddress{SimTransport::kUsb, static_cast<int>(port), 0, {}};
}

inline SimAddress SimAddress::Serial(std::string_view path) {
  return SimAddress{SimTransport::kSerial, 0, 0, std::string{path}};
}

namespace detail {

/// An address as the control functions take it: converts to a pointer to
/// its C record, which points into the SimAddress, so it must not outlive
/// it. Made as a temporary in the call's argument list.
class AddressArg {
 public:
  explicit AddressArg(const SimAddress& address) noexcept
      : m_record{static_cast<std::int32_t>(address.GetTransport()),
                 address.GetPort(), address.GetCanId(),
                 address.GetPath().data(), address.GetPath().size()} {}

  // NOLINTNEXTLINE(google-explicit-constructor,hicpp-explicit-conversions)
  operator const KelvaraSim_Address*() const noexcept { return &m_record; }

 private:
  KelvaraSim_Address m_record;
};

/// Calls a control function with the device's address, then args.
template <typename F, typename... Args>
void CallAt(const SimAddress& address, F function, Args... args) {
  Check(function(AddressArg{address}, args...));
}

/// Calls a control function with the device's address, then args, then a
/// pointer that receives the T returned.
template <typename T, typename F, typename... Args>
T GetAt(const SimAddress& address, F function, Args... args) {
  T value{};
  Check(function(AddressArg{address}, args..., &value));
  return value;
}

}  // namespace detail

inline bool SimAddress::CanHoldDevice() const noexcept {
  bool canHold = false;
  return KelvaraSim_Address_CanHoldDevice(detail::AddressArg{*this},
                                          &canHold) == KelvaraSim_kOk &&
         canHold;
}

}  // namespace kelvara::sim
