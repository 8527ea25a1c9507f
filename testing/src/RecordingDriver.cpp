#include "kelvara/testing/RecordingDriver.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "driver/KelvaraLibDriver.hpp"

namespace kelvara::testing {

namespace {

constexpr std::size_t kMaxArguments = KelvaraRecording_kMaxArguments;
constexpr std::size_t kReservedCalls = 4096;

/// A call as stored while recording: fixed size, so that recording it
/// allocates nothing (a path up to the string's own room). A text argument's
/// bytes are the path.
// Its implicit moves throw nothing: std::string's do not.
// NOLINTNEXTLINE(bugprone-exception-escape)
struct StoredCall {
  DriverFunction function{};
  std::size_t count = 0;
  std::array<KelvaraRecording_Argument, kMaxArguments> arguments{};
  std::string path;
};

/// What one function is programmed to answer.
struct Answer {
  std::optional<std::int32_t> result;
  std::vector<std::int32_t> queued;
  std::size_t nextQueued = 0;
  std::optional<std::vector<std::byte>> record;
  std::vector<std::vector<std::byte>> queuedRecords;
  std::size_t nextQueuedRecord = 0;
  std::optional<std::byte> fill;
};

struct State {
  std::mutex mutex;
  std::array<Answer, kDriverFunctionCount> answers;
  std::vector<StoredCall> calls;
  std::int32_t nextHandle = 1;
  std::optional<std::int32_t> createStatus;

  void Reset() {
    answers = {};
    calls.clear();
    calls.reserve(kReservedCalls);
    nextHandle = 1;
    createStatus.reset();
  }
};

State& GetState() {
  static State state;
  return state;
}

Answer& AnswerOf(State& state, DriverFunction function) {
  return state.answers[static_cast<std::size_t>(function)];
}

KelvaraRecording_Argument ToArgument(StoredCall& /*call*/, std::int32_t value) {
  KelvaraRecording_Argument argument{};
  argument.kind = KelvaraRecording_kInteger;
  argument.integer = value;
  return argument;
}
KelvaraRecording_Argument ToArgument(StoredCall& /*call*/,
                                     std::uint64_t value) {
  KelvaraRecording_Argument argument{};
  argument.kind = KelvaraRecording_kUnsigned;
  argument.unsignedInteger = value;
  return argument;
}
KelvaraRecording_Argument ToArgument(StoredCall& /*call*/, double value) {
  KelvaraRecording_Argument argument{};
  argument.kind = KelvaraRecording_kNumber;
  argument.number = value;
  return argument;
}
KelvaraRecording_Argument ToArgument(StoredCall& call, const char* text) {
  call.path = text;
  KelvaraRecording_Argument argument{};
  argument.kind = KelvaraRecording_kText;
  argument.textLength = call.path.size();
  return argument;
}

template <typename Arguments, std::size_t... I>
void Store(StoredCall& call, const Arguments& arguments,
           std::index_sequence<I...> /*indices*/) {
  ((call.arguments[I] = ToArgument(call, std::get<I>(arguments))), ...);
}

/// Records a call with the first Count of its arguments.
template <std::size_t Count, typename Arguments>
StoredCall& Record(State& state, DriverFunction function,
                   const Arguments& arguments) {
  StoredCall& call = state.calls.emplace_back();
  call.function = function;
  call.count = Count;
  Store(call, arguments, std::make_index_sequence<Count>{});
  return call;
}

/// The function's programmed result: queued results first, then the set
/// one, else a fresh handle from a create function and 0 from any other.
std::int32_t ResultOf(State& state, DriverFunction function, bool create) {
  auto& answer = AnswerOf(state, function);
  if (answer.nextQueued < answer.queued.size()) {
    return answer.queued[answer.nextQueued++];
  }
  if (answer.result) {
    return *answer.result;
  }
  return create ? state.nextHandle++ : 0;
}

/// Fills the caller's buffer as programmed: the marker byte over all of it,
/// then the next queued record, or else the set one, over its start.
void FillBuffer(Answer& answer, void* buffer, std::size_t size) {
  if (answer.fill) {
    std::memset(buffer, std::to_integer<int>(*answer.fill), size);
  }
  const std::vector<std::byte>* record =
      answer.record ? &*answer.record : nullptr;
  if (answer.nextQueuedRecord < answer.queuedRecords.size()) {
    record = &answer.queuedRecords[answer.nextQueuedRecord++];
  }
  if (record != nullptr && !record->empty()) {
    std::memcpy(buffer, record->data(), std::min(size, record->size()));
  }
}

/// One call of a driver function: records it, answers as programmed and
/// writes what the function writes. A create function's status is recorded
/// as the value it holds on entry; a buffer to fill is not recorded.
template <driver::Reply kReply, DriverFunction kFunction, typename... Args>
std::int32_t Respond(Args... args) {
  constexpr std::size_t kCount = sizeof...(Args);
  static_assert(kCount <= kMaxArguments);
  const std::tuple<Args...> arguments{args...};
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  if constexpr (kReply.kind == driver::Reply::Kind::kHandle) {
    std::int32_t* status = std::get<kCount - 1>(arguments);
    StoredCall& call = Record<kCount - 1>(state, kFunction, arguments);
    call.arguments[call.count++] = ToArgument(call, *status);
    const std::int32_t handle = ResultOf(state, kFunction, true);
    if (state.createStatus) {
      *status = *state.createStatus;
    }
    return handle;
  } else if constexpr (kReply.kind == driver::Reply::Kind::kFills) {
    auto* buffer = std::get<kCount - 1>(arguments);
    Record<kCount - 1>(state, kFunction, arguments);
    const std::int32_t result = ResultOf(state, kFunction, false);
    FillBuffer(AnswerOf(state, kFunction), buffer,
               kReply.count * sizeof *buffer);
    return result;
  } else {
    Record<kCount>(state, kFunction, arguments);
    return ResultOf(state, kFunction, false);
  }
}

/// Runs a control function's work under the state's lock and gives its
/// result code.
template <typename F>
std::int32_t Guard(F&& work) noexcept {
  try {
    State& state = GetState();
    std::scoped_lock lock{state.mutex};
    std::forward<F>(work)(state);
    return KelvaraRecording_kOk;
  } catch (const std::bad_alloc&) {
    return KelvaraRecording_kOutOfMemory;
  } catch (...) {
    return KelvaraRecording_kFailed;
  }
}

/// Runs a control function's work on one function's answer; refuses an
/// unknown function.
template <typename F>
std::int32_t OnAnswer(std::int32_t function, F&& work) noexcept {
  if (function < 0 || function >= kDriverFunctionCount) {
    return KelvaraRecording_kInvalidArgument;
  }
  return Guard([function, &work](State& state) {
    std::forward<F>(work)(
        AnswerOf(state, static_cast<DriverFunction>(function)));
  });
}

/// size bytes at data as a record; empty for none.
std::vector<std::byte> RecordOf(const std::uint8_t* data, std::uint64_t size) {
  std::vector<std::byte> record(static_cast<std::size_t>(size));
  std::transform(data, data + size, record.begin(),
                 [](std::uint8_t byte) { return std::byte{byte}; });
  return record;
}

/// Whether a stored call is one of those asked for.
bool Matches(const StoredCall& call, std::int32_t function) {
  return function == KelvaraRecording_kAllFunctions ||
         static_cast<std::int32_t>(call.function) == function;
}

}  // namespace

}  // namespace kelvara::testing

using kelvara::testing::Guard;
using kelvara::testing::OnAnswer;
using kelvara::testing::RecordOf;
using kelvara::testing::State;

extern "C" {

int32_t KelvaraRecording_Reset(void) {
  return Guard([](State& state) { state.Reset(); });
}

int32_t KelvaraRecording_SetResult(int32_t function, int32_t result) {
  return OnAnswer(function, [result](kelvara::testing::Answer& answer) {
    answer.result = result;
  });
}

int32_t KelvaraRecording_QueueResults(int32_t function, const int32_t* results,
                                      uint64_t count) {
  if (results == nullptr && count != 0) {
    return KelvaraRecording_kInvalidArgument;
  }
  return OnAnswer(function, [results, count](kelvara::testing::Answer& answer) {
    if (count != 0) {
      answer.queued.insert(answer.queued.end(), results, results + count);
    }
  });
}

int32_t KelvaraRecording_SetRecord(int32_t function, const uint8_t* bytes,
                                   uint64_t size) {
  if (bytes == nullptr && size != 0) {
    return KelvaraRecording_kInvalidArgument;
  }
  return OnAnswer(function, [bytes, size](kelvara::testing::Answer& answer) {
    answer.record = RecordOf(bytes, size);
  });
}

int32_t KelvaraRecording_QueueRecord(int32_t function, const uint8_t* bytes,
                                     uint64_t size) {
  if (bytes == nullptr && size != 0) {
    return KelvaraRecording_kInvalidArgument;
  }
  return OnAnswer(function, [bytes, size](kelvara::testing::Answer& answer) {
    answer.queuedRecords.push_back(RecordOf(bytes, size));
  });
}

int32_t KelvaraRecording_SetFill(int32_t function, uint8_t marker) {
  return OnAnswer(function, [marker](kelvara::testing::Answer& answer) {
    answer.fill = std::byte{marker};
  });
}

int32_t KelvaraRecording_SetCreateStatus(int32_t status) {
  return Guard([status](State& state) { state.createStatus = status; });
}

int32_t KelvaraRecording_GetCalls(int32_t function,
                                  KelvaraRecording_Call* calls,
                                  uint64_t capacity, char* text,
                                  uint64_t textCapacity, uint64_t* count,
                                  uint64_t* textLength) {
  if (count == nullptr || textLength == nullptr ||
      (calls == nullptr && capacity != 0) ||
      (text == nullptr && textCapacity != 0)) {
    return KelvaraRecording_kInvalidArgument;
  }
  return Guard([&](State& state) {
    // Sizes first, then the copy, only when everything fits.
    std::uint64_t matching = 0;
    std::uint64_t length = 0;
    for (const auto& stored : state.calls) {
      if (kelvara::testing::Matches(stored, function)) {
        ++matching;
        length += stored.path.size();
      }
    }
    *count = matching;
    *textLength = length;
    if (matching > capacity || length > textCapacity) {
      return;
    }
    std::uint64_t offset = 0;
    for (const auto& stored : state.calls) {
      if (!kelvara::testing::Matches(stored, function)) {
        continue;
      }
      KelvaraRecording_Call& record = *calls++;
      record.function = static_cast<std::int32_t>(stored.function);
      record.argumentCount = static_cast<std::int32_t>(stored.count);
      std::copy(stored.arguments.begin(), stored.arguments.end(),
                std::begin(record.arguments));
      for (auto& argument : record.arguments) {
        if (argument.kind == KelvaraRecording_kText) {
          argument.textOffset = offset;
        }
      }
      std::copy(stored.path.begin(), stored.path.end(), text + offset);
      offset += stored.path.size();
    }
  });
}

int32_t KelvaraRecording_CountOf(int32_t function, uint64_t* count) {
  if (count == nullptr) {
    return KelvaraRecording_kInvalidArgument;
  }
  return Guard([function, count](State& state) {
    *count = static_cast<std::uint64_t>(std::count_if(
        state.calls.begin(), state.calls.end(),
        [function](const kelvara::testing::StoredCall& call) {
          return static_cast<std::int32_t>(call.function) == function;
        }));
  });
}

int32_t KelvaraRecording_ClearCalls(void) {
  return Guard([](State& state) { state.calls.clear(); });
}

// Defines the C functions; the arguments come already in
// parentheses.
// NOLINTBEGIN(cppcoreguidelines-macro-usage,bugprone-macro-parentheses)
#define KELVARA_RECORDING_ENTRY(device, operation, result, parameters, \
                                arguments, reply)                      \
  result KELVARA_##device##_##operation parameters {                   \
    return static_cast<result>(                                        \
        kelvara::testing::Respond<                                     \
            kelvara::driver::reply,                                    \
            kelvara::testing::DriverFunction::k##device##operation>    \
            arguments);                                                \
  }
// NOLINTEND(cppcoreguidelines-macro-usage,bugprone-macro-parentheses)
KELVARA_DRIVER_FUNCTIONS(KELVARA_RECORDING_ENTRY)
#undef KELVARA_RECORDING_ENTRY

}  // extern "C"
