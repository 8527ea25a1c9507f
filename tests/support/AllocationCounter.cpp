#include "support/AllocationCounter.hpp"

#include <cstdlib>
#include <new>

#if defined(_WIN32)
#include <malloc.h>
#include <windows.h>

#include <cstddef>
#include <cstring>
#endif

namespace {

thread_local std::size_t t_allocations = 0;
thread_local void (*t_releaseHook)(void*) = nullptr;
thread_local void* t_releaseContext = nullptr;
thread_local std::size_t t_allowed = kelvara::test::kNeverFail;

/// Whether this allocation is the one to fail, as FailAllocationAfter asked.
bool Refused() noexcept {
  const bool refuse = t_allowed == 0;
  if (t_allowed != kelvara::test::kNeverFail) {
    t_allowed = refuse ? kelvara::test::kNeverFail : t_allowed - 1;
  }
  return refuse;
}

void* Allocate(std::size_t size, std::size_t alignment = 0) noexcept {
  if (Refused()) {
    return nullptr;
  }
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

#if defined(_WIN32)
// On Windows every DLL carries its own C++ runtime, so the operator new
// replaced below serves the test program alone. The library's and the
// recording driver's allocations reach the C library's malloc and free
// through their DLL's import table, whose entries are pointed here before
// the tests run, so that they are counted and released alike.
void* CountingMalloc(std::size_t size) noexcept {
  return Allocate(size);
}

void* CountingAlignedMalloc(std::size_t size, std::size_t alignment) noexcept {
  return Allocate(size, alignment);
}

void CountingFree(void* p) noexcept {
  Release(p);
}

void CountingAlignedFree(void* p) noexcept {
  Release(p, true);
}

/// Points the loaded DLL's import of the named function at replacement.
void Redirect(const wchar_t* dll, const char* function, void* replacement) {
  auto* const base = reinterpret_cast<std::byte*>(GetModuleHandleW(dll));
  if (base == nullptr) {
    return;
  }
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
           base + imports.VirtualAddress);
       module->Name != 0; ++module) {
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
        base + module->OriginalFirstThunk);
    auto* slots =
        reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
        continue;
      }
      const auto* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
          base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(name->Name), function) !=
          0) {
        continue;
      }
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function,
                     PAGE_READWRITE, &protection);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection,
                     &protection);
    }
  }
}

const bool g_countingDlls = [] {
  for (const wchar_t* dll : {L"KelvaraLib.dll", L"KelvaraLibDriver.dll"}) {
    Redirect(dll, "malloc", reinterpret_cast<void*>(&CountingMalloc));
    Redirect(dll, "_aligned_malloc",
             reinterpret_cast<void*>(&CountingAlignedMalloc));
    Redirect(dll, "free", reinterpret_cast<void*>(&CountingFree));
    Redirect(dll, "_aligned_free",
             reinterpret_cast<void*>(&CountingAlignedFree));
  }
  return true;
}();
#endif

}  // namespace

namespace kelvara::test {

std::size_t AllocationCount() noexcept {
  return t_allocations;
}

void FailAllocationAfter(std::size_t count) noexcept {
  t_allowed = count;
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
