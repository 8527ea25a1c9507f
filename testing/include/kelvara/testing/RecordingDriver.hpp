#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <new>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "driver/DriverFunctions.hpp"
#include "kelvara/testing/KelvaraRecording.h"

namespace kelvara::testing {

/// The functions of the driver module, in the order they are declared:
/// kKinetraCreateCan for KELVARA_Kinetra_CreateCan, and so on.
enum class DriverFunction : int {
  KELVARA_DRIVER_FUNCTIONS(KELVARA_DRIVER_ENUMERATOR)
};

/// The number of driver functions: every DriverFunction lies below it.
inline constexpr int kDriverFunctionCount = static_cast<int>(
    std::size({KELVARA_DRIVER_FUNCTIONS(KELVARA_DRIVER_NAME)}));

struct DriverCall;

namespace detail {

/// The driver functions' C names, by number.
inline constexpr std::array<std::string_view, kDriverFunctionCount>
    kDriverFunctionNames{KELVARA_DRIVER_FUNCTIONS(KELVARA_DRIVER_NAME)};

/// A function's number in the control functions.
constexpr std::int32_t Number(DriverFunction function) noexcept {
  return static_cast<std::int32_t>(function);
}

/// Bytes as the control functions take them.
inline const std::uint8_t* Bytes(std::span<const std::byte> bytes) noexcept {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): both bytes
  return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

/// Raises the failure that a control function's code reports: an unknown
/// function as std::invalid_argument, the allocation failure as
/// std::bad_alloc, anything else as a runtime error.
inline void Check(std::int32_t code) {
  switch (code) {
    case KelvaraRecording_kOk:
      return;
    case KelvaraRecording_kInvalidArgument:
      throw std::invalid_argument{"kelvara::testing: no such driver function"};
    case KelvaraRecording_kOutOfMemory:
      throw std::bad_alloc{};
    default:
      throw std::runtime_error{"kelvara::testing: the recording driver failed"};
  }
}

/// The recorded calls of one function, or of all.
std::vector<DriverCall> CollectCalls(std::int32_t function);

}  // namespace detail

/// The driver function's C name, such as "KELVARA_Kinetra_GetData".
std::string_view GetName(DriverFunction function);

/**
 * One recorded argument: 32-bit integers (handles, ports, ids, codes and the
 * value a create call's status held on entry) as int64_t, the zone mask as
 * uint64_t, the distance as double, a serial path as the text up to its
 * terminating zero. Out buffers are not recorded.
 */
using DriverArgument =
    std::variant<std::int64_t, std::uint64_t, double, std::string>;

/// One recorded call: the function and its arguments in the driver's order.
struct DriverCall {
  /// The function called.
  DriverFunction function;
  /// Its arguments in order; for create calls the status value comes last.
  std::vector<DriverArgument> arguments;

  /// Same function and equal arguments.
  bool operator==(const DriverCall&) const = default;
};

/// Prints a call as "KELVARA_Kinetra_CreateCan(5, 10, 42, 0)".
std::ostream& operator<<(std::ostream& os, const DriverCall& call);

/**
 * A driver module for unit tests: it records every call it receives and
 * answers as programmed. Link the KelvaraRecordingDriver library into a test
 * executable and its 37 KELVARA_ functions stand in for a real driver.
 *
 * The driver's state is process-wide, as a real driver's is; a RecordingDriver
 * object is the way to program and inspect it. Constructing one clears every
 * recorded call and every programmed answer, and so does destroying it, so a
 * test starts with `RecordingDriver driver;` and leaves nothing behind. All
 * members may be called from any thread.
 *
 * Unprogrammed answers: the create functions hand out the handles 1, 2, 3 ...
 * in call order; every other function returns 0 and writes nothing.
 *
 * While answering a call the driver allocates no memory (for up to 4096 calls
 * between resets and serial paths of up to 15 characters), so tests may count
 * the allocations of the code under test around driver calls.
 */
class RecordingDriver {
 public:
  RecordingDriver() { detail::Check(KelvaraRecording_Reset()); }
  ~RecordingDriver() {
    // Only reserving room for the next test's calls can fail here; the next
    // RecordingDriver resets the state again.
    static_cast<void>(KelvaraRecording_Reset());
  }
  RecordingDriver(const RecordingDriver&) = delete;
  RecordingDriver& operator=(const RecordingDriver&) = delete;
  RecordingDriver(RecordingDriver&&) = delete;
  RecordingDriver& operator=(RecordingDriver&&) = delete;

  /// Makes every later call of the function return result (a handle for the
  /// create functions, a mode for KELVARA_CanBus_GetMode, a nonzero-is-true
  /// answer for the IsConnected functions, a result code otherwise). Queued
  /// results are used first.
  void SetResult(DriverFunction function, std::int32_t result) {
    detail::Check(KelvaraRecording_SetResult(detail::Number(function), result));
  }

  /// Makes the next calls of the function return these results, one per call
  /// in order; after them the function answers as before.
  void QueueResults(DriverFunction function,
                    std::initializer_list<std::int32_t> results) {
    detail::Check(KelvaraRecording_QueueResults(
        detail::Number(function), std::data(results), results.size()));
  }

  /**
   * Makes every later call of a function that fills a caller's buffer (the
   * records, the firmware version, sensor identifier, self-test and
   * configuration value) copy these bytes to the start of the buffer,
   * whatever result it returns. Bytes beyond the buffer's size are not
   * copied.
   */
  void SetRecord(DriverFunction function, std::span<const std::byte> bytes) {
    detail::Check(KelvaraRecording_SetRecord(
        detail::Number(function), detail::Bytes(bytes), bytes.size()));
  }

  /// SetRecord with the bytes of a plain value, such as a KinetraData.
  template <typename T>
  requires std::is_trivially_copyable_v<T>
  void SetRecord(DriverFunction function, const T& value) {
    SetRecord(function, std::as_bytes(std::span{&value, 1}));
  }

  /**
   * Makes the next call of a buffer-filling function that has no record
   * queued before this one copy these bytes as SetRecord's would: queued
   * records are used one per call in order, before the record set with
   * SetRecord. A queue of different records shows which call a value came
   * from.
   */
  void QueueRecord(DriverFunction function, std::span<const std::byte> bytes) {
    detail::Check(KelvaraRecording_QueueRecord(
        detail::Number(function), detail::Bytes(bytes), bytes.size()));
  }

  /// QueueRecord with the bytes of a plain value, such as a KinetraData.
  template <typename T>
  requires std::is_trivially_copyable_v<T>
  void QueueRecord(DriverFunction function, const T& value) {
    QueueRecord(function, std::as_bytes(std::span{&value, 1}));
  }

  /**
   * Makes every later call of a buffer-filling function first fill the
   * caller's whole buffer with the marker byte, whatever result it returns,
   * before copying the record set with SetRecord. A result that shows the
   * marker proves that the buffer was read; a result that does not, after a
   * failed call, proves that it was not.
   */
  void SetFill(DriverFunction function, std::byte marker) {
    detail::Check(KelvaraRecording_SetFill(
        detail::Number(function), std::to_integer<std::uint8_t>(marker)));
  }

  /// Makes the create functions write this value through their status
  /// pointer (by default they leave it as it is).
  void SetCreateStatus(std::int32_t status) {
    detail::Check(KelvaraRecording_SetCreateStatus(status));
  }

  /// Every call received since the last reset, oldest first.
  std::vector<DriverCall> Calls() const {
    return detail::CollectCalls(KelvaraRecording_kAllFunctions);
  }

  /// The calls of one function, oldest first.
  std::vector<DriverCall> CallsTo(DriverFunction function) const {
    return detail::CollectCalls(detail::Number(function));
  }

  /// How many times the function was called.
  std::size_t CountOf(DriverFunction function) const {
    std::uint64_t count = 0;
    detail::Check(KelvaraRecording_CountOf(detail::Number(function), &count));
    return static_cast<std::size_t>(count);
  }

  /// Forgets the recorded calls; programmed answers stay.
  void ClearCalls() { detail::Check(KelvaraRecording_ClearCalls()); }
};

inline std::string_view GetName(DriverFunction function) {
  return detail::kDriverFunctionNames.at(static_cast<std::size_t>(function));
}

inline std::ostream& operator<<(std::ostream& os, const DriverCall& call) {
  os << GetName(call.function) << '(';
  const char* separator = "";
  for (const auto& argument : call.arguments) {
    os << separator;
    std::visit(
        [&os](const auto& value) {
          if constexpr (std::is_same_v<std::decay_t<decltype(value)>,
                                       std::string>) {
            os << '"' << value << '"';
          } else {
            os << value;
          }
        },
        argument);
    separator = ", ";
  }
  return os << ')';
}

namespace detail {

inline std::vector<DriverCall> CollectCalls(std::int32_t function) {
  std::vector<KelvaraRecording_Call> records;
  std::string text;
  std::uint64_t count = 0;
  std::uint64_t textLength = 0;
  // The first call tells the sizes; calls recorded meanwhile on another
  // thread may ask for one more round.
  for (;;) {
    Check(KelvaraRecording_GetCalls(function, records.data(), records.size(),
                                    text.data(), text.size(), &count,
                                    &textLength));
    if (count <= records.size() && textLength <= text.size()) {
      break;
    }
    records.resize(static_cast<std::size_t>(count));
    text.resize(static_cast<std::size_t>(textLength));
  }
  std::vector<DriverCall> calls;
  calls.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    const KelvaraRecording_Call& record = records[i];
    DriverCall& call = calls.emplace_back(
        DriverCall{static_cast<DriverFunction>(record.function), {}});
    for (std::int32_t j = 0; j < record.argumentCount; ++j) {
      const KelvaraRecording_Argument& argument =
          record.arguments[static_cast<std::size_t>(j)];
      switch (argument.kind) {
        case KelvaraRecording_kInteger:
          call.arguments.emplace_back(argument.integer);
          break;
        case KelvaraRecording_kUnsigned:
          call.arguments.emplace_back(argument.unsignedInteger);
          break;
        case KelvaraRecording_kNumber:
          call.arguments.emplace_back(argument.number);
          break;
        default:
          call.arguments.emplace_back(
              text.substr(static_cast<std::size_t>(argument.textOffset),
                          static_cast<std::size_t>(argument.textLength)));
      }
    }
  }
  return calls;
}

}  // namespace detail

}  // namespace kelvara::testing
