// How the inline control classes call the simulated driver's C functions.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>

#include "kelvara/sim/KelvaraSim.h"

namespace kelvara::sim::detail {

/// Raises the failure that a control function's code reports: the
/// allocation failure as std::bad_alloc, anything else as a runtime error.
inline void Check(std::int32_t code) {
  if (code == KelvaraSim_kOk) {
    return;
  }
  if (code == KelvaraSim_kOutOfMemory) {
    throw std::bad_alloc{};
  }
  throw std::runtime_error{"kelvara::sim: the simulated driver failed"};
}

/// Calls a control function that answers nothing.
template <typename F, typename... Args>
void Call(F function, Args... args) {
  Check(function(args...));
}

/// Calls a control function whose last parameter receives a T; returns it.
template <typename T, typename F, typename... Args>
T Get(F function, Args... args) {
  T value{};
  Check(function(args..., &value));
  return value;
}

}  // namespace kelvara::sim::detail
