#pragma once

#include <cstdint>

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

/// A device's firmware version, most significant number first.
struct FirmwareVersion {
  /// First (most significant) version number.
  std::int32_t major = 0;
  /// Second version number.
  std::int32_t minor = 0;
  /// Third (least significant) version number.
  std::int32_t patch = 0;
};

}  // namespace kelvara
