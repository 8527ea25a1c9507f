// Part of the inline layer of the public headers: what the device classes
// share for calling the C functions of KelvaraLib.h, turning their result
// codes into Status and expected values.
#pragma once

#include <cstdint>
#include <expected>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>

#include "kelvara/KelvaraLib.h"
#include "kelvara/Status.hpp"

namespace kelvara::detail {

/// A driver result code as a Status of the same number.
constexpr Status ToStatus(std::int32_t code) noexcept {
  return static_cast<Status>(code);
}

/// The answer to a query that the device must answer: the driver's nonzero
/// result code as the error, or, after a 0 code only, the value that build
/// makes from the out record. A failed call never reaches build, so an out
/// record is never read after a failure.
template <typename Build>
auto ToExpected(std::int32_t code, Build&& build)
    -> std::expected<std::invoke_result_t<Build>, Status> {
  std::expected<std::invoke_result_t<Build>, Status> result{std::unexpect,
                                                            ToStatus(code)};
  if (code == 0) {
    // Assigned, not constructed with the value: libc++ 16 keeps the flag in
    // the value's tail padding, which constructing the value over it can
    // clear; assignment sets the flag after the value is in place.
    result = std::forward<Build>(build)();
  }
  return result;
}

/// Opens a device on a serial device through its Open...Serial function and
/// returns the handle. Throws std::bad_alloc when the library could not copy
/// the path (the only step of it that can fail); no device is open then.
template <typename Open, typename... Extra>
std::int32_t OpenSerial(Open open, std::string_view path, Extra... extra) {
  std::int32_t handle = 0;
  if (open(path.data(), path.size(), extra..., &handle) != KelvaraLib_kOk) {
    throw std::bad_alloc{};
  }
  return handle;
}

}  // namespace kelvara::detail
