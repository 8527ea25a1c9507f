// WPILib's simulated-device interface (the HAL's "sim devices"), declared
// here from its C binary form so that the simulated driver neither compiles
// nor links against WPILib: the functions are looked up in the running
// process, and where no HAL is loaded there are none.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kelvara::sim::detail::hal {

/// HAL_Type: which member of a Value's data is in use.
enum class Type : std::int32_t {
  kUnassigned = 0,
  kBoolean = 0x01,
  kDouble = 0x02,
  kEnum = 0x04,
  kInt = 0x08,
  kLong = 0x10,
};

/**
 * HAL_Value: a C union of an int32_t (boolean, enum, int), an int64_t (long)
 * and a double, every member at offset 0, followed by the type. Held here as
 * the union's 8 bytes, read and written by copying.
 */
struct Value {
  alignas(8) std::array<unsigned char, 8> data{};
  Type type = Type::kUnassigned;
};
static_assert(sizeof(Value) == 16 && offsetof(Value, type) == 8,
              "HAL_Value is 8 bytes of union and then the type");

/// A double value.
Value Double(double number) noexcept;
/// A boolean value: 1 for true, 0 for false.
Value Boolean(bool flag) noexcept;
/// An enum value: the index of an option.
Value Enum(std::int32_t index) noexcept;

/// The number a value holds, whatever its type; empty when unassigned or of
/// an unknown type.
std::optional<double> ToNumber(const Value& value) noexcept;

/// Returns true when both values have the same type and the same contents
/// for that type (doubles bit for bit, so NaN equals itself).
bool Same(const Value& a, const Value& b) noexcept;

/// The direction of a value, from the device code's point of view.
enum Direction : std::int32_t {
  /// Set by the simulator, read by device code.
  kInput = 0,
  /// Set by device code, shown by the simulator.
  kOutput = 1,
  /// Both.
  kBidirectional = 2,
};

/// HALSIM_SimValueCallback: called with the value's name, the parameter given
/// at registration, the value's handle, its direction and the new value.
using ValueCallback = void (*)(const char* name, void* param,
                               std::int32_t handle, std::int32_t direction,
                               const Value* value);

/// The HAL functions that the simulated driver calls. Handles are int32_t;
/// 0 is none.
struct Api {
  std::int32_t (*createSimDevice)(const char* name);
  void (*freeSimDevice)(std::int32_t device);
  std::int32_t (*createSimValue)(std::int32_t device, const char* name,
                                 std::int32_t direction,
                                 const Value* initialValue);
  std::int32_t (*createSimValueEnum)(std::int32_t device, const char* name,
                                     std::int32_t direction,
                                     std::int32_t numOptions,
                                     const char** options,
                                     std::int32_t initialValue);
  void (*setSimValue)(std::int32_t value, const Value* newValue);
  std::int32_t (*registerSimValueChangedCallback)(std::int32_t value,
                                                  void* param,
                                                  ValueCallback callback,
                                                  std::int32_t initialNotify);
  void (*cancelSimValueChangedCallback)(std::int32_t uid);
  /// Registers a function that HAL_Shutdown calls with param.
  void (*onShutdown)(void* param, void (*function)(void* param));
};

/// The HAL's functions in this process, looked up once by name: on Linux and
/// macOS among the global symbols, on Windows in WPILib's HAL module if it is
/// loaded already (wpiHal.dll, or wpiHald.dll in debug builds), which is never
/// loaded from here. Null when any of them is missing.
const Api* Find() noexcept;

}  // namespace kelvara::sim::detail::hal
