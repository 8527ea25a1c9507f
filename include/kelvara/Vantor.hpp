#pragma once

#include <string_view>

#include <wpi/hardware/bus/CANPort.hpp>

#include "kelvara/DeviceHandle.hpp"
#include "kelvara/Status.hpp"
#include "kelvara/UsbPort.hpp"

namespace kelvara {

/**
 * The Vantor multi-zone time-of-flight ranger.
 *
 * A Vantor object owns one driver handle for its whole life and is move-only.
 * Opening never fails visibly: when the device cannot be opened the object
 * still exists, IsConnected() returns false and its operations report the
 * driver's failures.
 */
class Vantor {
 public:
  /**
   * Opens the ranger on a CAN port.
   *
   * @param canId the device's CAN id
   * @param port the CAN port it is attached to
   */
  Vantor(int canId, wpi::CANPort port);

  /// Opens the ranger on USB without naming a port.
  static Vantor Usb();

  /**
   * Opens the ranger on the given USB port.
   *
   * @param port the USB port
   */
  static Vantor Usb(UsbPort port);

  /**
   * Opens the ranger on a serial device.
   *
   * @param path the serial device's path; the driver sees it up to its first
   *     zero character
   * @throws std::bad_alloc if the path cannot be copied
   */
  static Vantor FromSerialDevice(std::string_view path);

  /// Takes over the other object's device; the other holds none afterwards.
  Vantor(Vantor&& other) noexcept = default;

  /// Releases this object's device, then takes over the other's.
  Vantor& operator=(Vantor&& other) noexcept = default;

  Vantor(const Vantor&) = delete;
  Vantor& operator=(const Vantor&) = delete;

  /// Releases the device.
  ~Vantor() = default;

  /// Returns true when the driver reports the device as connected.
  bool IsConnected() const;

 private:
  struct Adopt {};
  Vantor(Adopt, int handle);

  DeviceHandle<Vantor> m_handle;
};

}  // namespace kelvara
