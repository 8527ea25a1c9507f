#pragma once

#include <cstdint>
#include <ostream>
#include <utility>

namespace kelvara {

/**
 * Result of a device command or failed query: the driver's result code,
 * carried unchanged. 0 (kOk) is success; every other value is a failure whose
 * meaning is the driver's. Any 32-bit code can be held and compared, also one
 * that no enumerator names.
 */
enum class Status : std::int32_t {
  /// The driver reported success.
  kOk = 0,
};

/// Writes the code as its number (0 for success). The library names no other
/// code: what a code means is the driver's.
inline std::ostream& operator<<(std::ostream& os, Status status) {
  return os << std::to_underlying(status);
}

/// Prints a Status in GoogleTest's messages, as operator<< does.
inline void PrintTo(Status status, std::ostream* os) {
  *os << status;
}

/// A device's firmware version, most significant number first.
struct FirmwareVersion {
  /// The major version, the most significant number. A Lumeno reports 0 to
  /// 255 in each number; the other devices any 32-bit value.
  std::int32_t major = 0;
  /// The minor version, between major and patch in significance.
  std::int32_t minor = 0;
  /// The patch level, the least significant number.
  std::int32_t patch = 0;
};

}  // namespace kelvara
