#include "HalInterface.hpp"

#include <bit>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace kelvara::sim::detail::hal {

namespace {

template <typename T>
Value Make(Type type, T member) noexcept {
  Value value;
  std::memcpy(value.data.data(), &member, sizeof member);
  value.type = type;
  return value;
}

template <typename T>
T Read(const Value& value) noexcept {
  T member{};
  std::memcpy(&member, value.data.data(), sizeof member);
  return member;
}

/// The number of bytes of the union that a type uses.
std::size_t Width(Type type) noexcept {
  switch (type) {
    case Type::kBoolean:
    case Type::kEnum:
    case Type::kInt:
      return sizeof(std::int32_t);
    case Type::kDouble:
    case Type::kLong:
      return sizeof(std::int64_t);
    case Type::kUnassigned:
      break;
  }
  return 0;
}

#ifdef _WIN32
using Module = HMODULE;

/// WPILib's HAL module if the process has loaded it, else null. Found, not
/// loaded: a program without WPILib gets no HAL from here.
Module HalModule() noexcept {
  for (const wchar_t* name : {L"wpiHal.dll", L"wpiHald.dll"}) {
    if (const Module module = GetModuleHandleW(name)) {
      return module;
    }
  }
  return nullptr;
}
#else
using Module = void*;

/// The process's global symbols, where a loaded HAL's functions are.
Module HalModule() noexcept {
  return RTLD_DEFAULT;
}
#endif

/// Looks a function up by name; false when it is missing.
template <typename F>
bool Look(F& function, Module module, const char* name) noexcept {
#ifdef _WIN32
  function = std::bit_cast<F>(GetProcAddress(module, name));
#else
  // A function's address held as a data pointer, as dlsym returns it.
  function = std::bit_cast<F>(dlsym(module, name));
#endif
  return function != nullptr;
}

std::optional<Api> Resolve() noexcept {
  const Module module = HalModule();
#ifdef _WIN32
  if (module == nullptr) {
    return std::nullopt;
  }
#endif
  Api api{};
  const bool found =
      Look(api.createSimDevice, module, "HAL_CreateSimDevice") &&
      Look(api.freeSimDevice, module, "HAL_FreeSimDevice") &&
      Look(api.createSimValue, module, "HAL_CreateSimValue") &&
      Look(api.createSimValueEnum, module, "HAL_CreateSimValueEnum") &&
      Look(api.setSimValue, module, "HAL_SetSimValue") &&
      Look(api.registerSimValueChangedCallback, module,
           "HALSIM_RegisterSimValueChangedCallback") &&
      Look(api.cancelSimValueChangedCallback, module,
           "HALSIM_CancelSimValueChangedCallback") &&
      Look(api.onShutdown, module, "HAL_OnShutdown");
  return found ? std::optional<Api>{api} : std::nullopt;
}

}  // namespace

Value Double(double number) noexcept {
  return Make(Type::kDouble, number);
}

Value Boolean(bool flag) noexcept {
  return Make(Type::kBoolean, std::int32_t{flag ? 1 : 0});
}

Value Enum(std::int32_t index) noexcept {
  return Make(Type::kEnum, index);
}

std::optional<double> ToNumber(const Value& value) noexcept {
  switch (value.type) {
    case Type::kBoolean:
    case Type::kEnum:
    case Type::kInt:
      return Read<std::int32_t>(value);
    case Type::kLong:
      return static_cast<double>(Read<std::int64_t>(value));
    case Type::kDouble:
      return Read<double>(value);
    case Type::kUnassigned:
      break;
  }
  return std::nullopt;
}

bool Same(const Value& a, const Value& b) noexcept {
  return a.type == b.type &&
         std::memcmp(a.data.data(), b.data.data(), Width(a.type)) == 0;
}

const Api* Find() noexcept {
  static const std::optional<Api> api = Resolve();
  return api ? &*api : nullptr;
}

}  // namespace kelvara::sim::detail::hal
