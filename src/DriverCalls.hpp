// Helpers that the C functions of every device and of CanBus share for
// calling the driver: opening a device, converting quantities into the
// driver's whole-number arguments, and checking that public enumerations
// carry the driver's numbers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "kelvara/KelvaraLib.h"
#include "kelvara/Status.hpp"
#include "kelvara/detail/CInterface.hpp"

namespace kelvara::detail {

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
/// of the path, valid during the call only. The handle goes to *handle; the
/// result is a KelvaraLib_Result, and no exception leaves: when the copy
/// cannot be made, no device is opened and *handle stays as it was.
template <typename Create, typename... Extra>
std::int32_t OpenSerialDevice(Create create, const char* path,
                              std::size_t length, std::int32_t* handle,
                              Extra... extra) noexcept {
  try {
    const std::string terminated{path, length};
    *handle = OpenDevice(create, terminated.c_str(), extra...);
    return KelvaraLib_kOk;
  } catch (const std::bad_alloc&) {
    return KelvaraLib_kOutOfMemory;
  } catch (...) {
    return KelvaraLib_kFailed;
  }
}

/// The driver's record type for a public record of the same layout (each
/// pair's layout is checked where it is used): the driver, a module of its
/// own, writes the caller's record through this pointer.
template <typename DriverRecord, typename PublicRecord>
DriverRecord* AsDriverRecord(PublicRecord* record) noexcept {
  static_assert(sizeof(DriverRecord) == sizeof(PublicRecord) &&
                alignof(DriverRecord) == alignof(PublicRecord));
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): same layout
  return reinterpret_cast<DriverRecord*>(record);
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
