#pragma once

#include <string_view>

#include <wpi/hardware/bus/CANPort.hpp>

#include "kelvara/DeviceHandle.hpp"
#include "kelvara/Status.hpp"
#include "kelvara/UsbPort.hpp"

namespace kelvara {

/**
 * The Kinetra inertial measurement unit.
 *
 * A Kinetra object owns one driver handle for its whole life and is
 * move-only. Opening never fails visibly: when the device cannot be opened the
 * object still exists, IsConnected() returns false and its operations report
 * the driver's failures. The extra integer that every opening operation takes
 * goes to the driver unchanged; only the driver gives it a meaning.
 */
class Kinetra {
 public:
  /**
   * Opens the IMU on a CAN port.
   *
   * @param canId the device's CAN id
   * @param port the CAN port it is attached to
   * @param extra passed to the driver unchanged
   */
  Kinetra(int canId, wpi::CANPort port, int extra);

  /**
   * Opens the IMU on USB without naming a port.
   *
   * @param extra passed to the driver unchanged
   */
  static Kinetra Usb(int extra);

  /**
   * Opens the IMU on the given USB port.
   *
   * @param port the USB port
   * @param extra passed to the driver unchanged
   */
  static Kinetra Usb(UsbPort port, int extra);

  /**
   * Opens the IMU on a serial device.
   *
   * @param path the serial device's path; the driver sees it up to its first
   *     zero character
   * @param extra passed to the driver unchanged
   * @throws std::bad_alloc if the path cannot be copied
   */
  static Kinetra FromSerialDevice(std::string_view path, int extra);

  /// Takes over the other object's device; the other holds none afterwards.
  Kinetra(Kinetra&& other) noexcept = default;

  /// Releases this object's device, then takes over the other's.
  Kinetra& operator=(Kinetra&& other) noexcept = default;

  Kinetra(const Kinetra&) = delete;
  Kinetra& operator=(const Kinetra&) = delete;

  /// Releases the device.
  ~Kinetra() = default;

  /// Returns true when the driver reports the device as connected.
  bool IsConnected() const;

 private:
  struct Adopt {};
  Kinetra(Adopt, int handle);

  DeviceHandle<Kinetra> m_handle;
};

}  // namespace kelvara
