// Makes uninitialised stack memory visible: a driver buffer that the library
// reads before anything was written to it shows 0xFF bytes afterwards.
#pragma once

#include <cstddef>

namespace kelvara::test {

/// Leaves 0xFF bytes in the stack space that the next calls will use.
[[gnu::noinline]] inline void DirtyTheStack() {
  volatile std::byte bytes[8192];
  for (auto& b : bytes) {
    b = std::byte{0xFF};
  }
}

}  // namespace kelvara::test
