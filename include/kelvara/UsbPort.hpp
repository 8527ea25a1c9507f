#pragma once

#include <cstdint>

namespace kelvara {

/**
 * A USB port of the controller. Its numeric value goes to the driver
 * unchanged; the driver gives it its meaning.
 */
enum class UsbPort : std::int32_t {
  ///@{
  /// The port that the driver numbers 0, 1, 2 or 3; which socket that is,
  /// the driver decides.
  kUsb0 = 0,
  kUsb1 = 1,
  kUsb2 = 2,
  kUsb3 = 3,
  ///@}
};

}  // namespace kelvara
