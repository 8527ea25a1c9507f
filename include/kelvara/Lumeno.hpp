#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <wpi/hardware/bus/CANPort.hpp>

#include "kelvara/DeviceHandle.hpp"
#include "kelvara/Status.hpp"
#include "kelvara/UsbPort.hpp"

namespace kelvara {

/// A CIE 1931 xy chromaticity: the colour of a sample without its brightness.
struct Chromaticity {
  /// x coordinate, X / (X + Y + Z).
  double x = 0.0;
  /// y coordinate, Y / (X + Y + Z).
  double y = 0.0;
};

/**
 * The Lumeno colour sensor.
 *
 * A Lumeno object owns one driver handle for its whole life and is move-only.
 * Opening never fails visibly: when the device cannot be opened the object
 * still exists, IsConnected() returns false and its operations report the
 * driver's failures. Besides its handle, the object keeps a palette of named
 * colours and a match threshold (0.05 at first), which move with it.
 */
class Lumeno {
 public:
  /**
   * Opens the colour sensor on a CAN port.
   *
   * @param canId the device's CAN id
   * @param port the CAN port it is attached to
   */
  Lumeno(int canId, wpi::CANPort port);

  /// Opens the colour sensor on USB without naming a port.
  static Lumeno Usb();

  /**
   * Opens the colour sensor on the given USB port.
   *
   * @param port the USB port
   */
  static Lumeno Usb(UsbPort port);

  /**
   * Opens the colour sensor on a serial device.
   *
   * @param path the serial device's path; the driver sees it up to its first
   *     zero character
   * @throws std::bad_alloc if the path cannot be copied
   */
  static Lumeno FromSerialDevice(std::string_view path);

  /// Takes over the other object's device and palette and copies its
  /// threshold; the other holds no device and an empty palette afterwards.
  Lumeno(Lumeno&& other) noexcept = default;

  /// Releases this object's device and palette, then takes over the other's
  /// device, palette and threshold. Assigning an object to itself does
  /// nothing.
  Lumeno& operator=(Lumeno&& other) noexcept;

  Lumeno(const Lumeno&) = delete;
  Lumeno& operator=(const Lumeno&) = delete;

  /// Releases the device.
  ~Lumeno() = default;

  /// Returns true when the driver reports the device as connected.
  bool IsConnected() const;

 private:
  struct Adopt {};
  Lumeno(Adopt, int handle);

  DeviceHandle<Lumeno> m_handle;
  std::vector<std::pair<std::string, Chromaticity>> m_palette;
  double m_matchThreshold = 0.05;
};

}  // namespace kelvara
