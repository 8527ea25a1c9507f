// Counts heap allocations. Linking AllocationCounter.cpp into a test binary
// replaces the global operator new with one that counts, per thread, every
// allocation made through it.
#pragma once

#include <cstddef>
#include <utility>

namespace kelvara::test {

/// Number of operator new calls made by the calling thread so far.
std::size_t AllocationCount() noexcept;

/// Runs f and returns how many heap allocations the calling thread made in it.
template <typename F>
std::size_t CountAllocations(F&& f) {
  const std::size_t before = AllocationCount();
  std::forward<F>(f)();
  return AllocationCount() - before;
}

}  // namespace kelvara::test
