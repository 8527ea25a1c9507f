#include "support/AllocationCounter.hpp"

#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <malloc.h>
#endif

namespace {

thread_local std::size_t t_allocations = 0;
thread_local void (*t_releaseHook)(void*) = nullptr;
thread_local void* t_releaseContext = nullptr;

/// Counts an allocation and makes it; null when there is no memory. Every
/// form of operator new comes here, and every form of operator delete frees
/// with std::free, so that a sanitizer sees the pairs match.
void* Allocate(std::size_t size, std::size_t alignment = 0) noexcept {
  ++t_allocations;
  if (alignment == 0) {
    return std::malloc(size == 0 ? 1 : size);
  }
#if defined(_WIN32)
  // Windows' C library has no aligned_alloc; its aligned blocks are released
  // with _aligned_free.
  return _aligned_malloc(size == 0 ? 1 : size, alignment);
#else
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  return std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
#endif
}

void* OrThrow(void* p) {
  if (p == nullptr) {
    throw std::bad_alloc{};
  }
  return p;
}

void Release(void* p, bool aligned = false) noexcept {
  if (p != nullptr && t_releaseHook != nullptr) {
    t_releaseHook(t_releaseContext);
  }
#if defined(_WIN32)
  if (aligned) {
    _aligned_free(p);
    return;
  }
#endif
  static_cast<void>(aligned);
  std::free(p);
}

}  // namespace

namespace kelvara::test {

std::size_t AllocationCount() noexcept {
  return t_allocations;
}

void OnRelease(void (*hook)(void* context), void* context) noexcept {
  t_releaseHook = hook;
  t_releaseContext = context;
}

}  // namespace kelvara::test

void* operator new(std::size_t size) {
  return OrThrow(Allocate(size));
}
void* operator new[](std::size_t size) {
  return OrThrow(Allocate(size));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return OrThrow(Allocate(size, static_cast<std::size_t>(alignment)));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return OrThrow(Allocate(size, static_cast<std::size_t>(alignment)));
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  Release(p, true);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  Release(p, true);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  Release(p, true);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  Release(p, true);
}
