// Helpers that every device class and CanBus share for calling the driver:
// opening a device, turning result codes into Status and query answers into
// expected values, converting quantities into the driver's whole-number
// arguments, and checking that public enumerations carry the driver's
// numbers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <expected>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "kelvara/Status.hpp"
#include "kelvara/UsbPort.hpp"

namespace kelvara::detail {

/// A driver result code as a Status of the same number.
constexpr Status ToStatus(std::int32_t code) noexcept {
  return static_cast<Status>(code);
}

/// The answer to a query that the device must answer: the driver's nonzero
/// result code as the error, or, after a 0 code only, the value that build
/// makes from the driver's out buffer. A failed call never reaches build, so
/// an out buffer is never read after a failure.
template <typename Build>
auto ToExpected(std::int32_t code, Build&& build)
    -> std::expected<std::invoke_result_t<Build>, Status> {
  if (code != 0) {
    return std::unexpected{ToStatus(code)};
  }
  return std::forward<Build>(build)();
}

/// True when each enumerator in the list has the driver's number paired with
/// it: ties the public enumerations, which spell their values, to the
/// numbers the driver takes.
template <typename Enum>
constexpr bool SameNumbers(
    std::initializer_list<std::pair<Enum, std::int32_t>> pairs) noexcept {
  return std::ranges::all_of(pairs, [](const auto& pair) {
    return std::to_underlying(pair.first) == pair.second;
  });
}

/// The port number that the driver receives for a USB port.
constexpr std::int32_t PortNumber(UsbPort port) noexcept {
  return static_cast<std::int32_t>(port);
}

/// Calls a driver create function with the transport's arguments followed by
/// a status that starts at 0, and returns the handle it issues. The status
/// that the driver writes is not looked at: a failed open still yields the
/// handle the driver returned.
template <typename Create, typename... Args>
std::int32_t OpenDevice(Create create, Args... args) {
  std::int32_t status = 0;
  return create(args..., &status);
}

/// OpenDevice for a serial device: the driver receives a zero-terminated copy
/// of the path, valid during the call only.
template <typename Create, typename... Extra>
std::int32_t OpenSerialDevice(Create create, std::string_view path,
                              Extra... extra) {
  const std::string terminated{path};
  return OpenDevice(create, terminated.c_str(), extra...);
}

/// Converts to a 32-bit integer by truncation toward zero. Values beyond the
/// 32-bit range give the nearest end of the range and NaN gives 0, where a
/// plain cast would be undefined.
inline std::int32_t TruncateToInt32(double value) noexcept {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= 2147483648.0) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value <= -2147483649.0) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

/// Rounds to the nearest 32-bit integer, halves away from zero (as
/// std::lround). Values whose rounded result lies beyond the 32-bit range give
/// the nearest end of the range and NaN gives 0.
inline std::int32_t RoundToInt32(double value) noexcept {
  if (std::isnan(value)) {
    return 0;
  }
  if (value >= 2147483647.5) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value <= -2147483648.5) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(std::lround(value));
}

}  // namespace kelvara::detail
