// Counts heap allocations. Linking AllocationCounter.cpp into a test binary
// replaces the global operator new with one that counts, per thread, every
// allocation made through it, and operator delete with one that can report
// each release to the test.
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

/// The count for FailAllocationAfter that fails none.
inline constexpr std::size_t kNeverFail = static_cast<std::size_t>(-1);

/// Makes the calling thread's allocation that follows count more fail, once
/// (operator new throws std::bad_alloc). Only that one fails: on Windows the
/// C++ runtime's own allocations, such as those of throwing the exception,
/// take the same path.
void FailAllocationAfter(std::size_t count) noexcept;

/// Makes every release of heap memory on the calling thread call hook (with
/// context) before the memory is freed; null stops it. The hook must neither
/// allocate nor release memory.
void OnRelease(void (*hook)(void* context), void* context) noexcept;

}  // namespace kelvara::test
