#pragma once

#include <cstdint>

namespace kelvara {

/**
 * A USB port of the controller. Its numeric value goes to the driver
 * unchanged; the driver gives it its meaning.
 */
enum class UsbPort : std::int32_t {
  /// The first USB port.
  kUsb0 = 0,
  /// The second USB port.
  kUsb1 = 1,
  /// The third USB port.
  kUsb2 = 2,
  /// The fourth USB port.
  kUsb3 = 3,
};

}  // namespace kelvara
