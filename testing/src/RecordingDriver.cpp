#include "kelvara/testing/RecordingDriver.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <ostream>
#include <tuple>
#include <utility>

#include "driver/KelvaraLibDriver.hpp"

namespace kelvara::testing {

namespace {

constexpr std::size_t kMaxArguments = 4;
constexpr std::size_t kReservedCalls = 4096;

constexpr std::array<std::string_view, kDriverFunctionCount> kNames{
    KELVARA_DRIVER_FUNCTIONS(KELVARA_DRIVER_NAME)};

/// A call as stored while recording: fixed size, so that recording it
/// allocates nothing.
struct StoredCall {
  DriverFunction function{};
  std::size_t count = 0;
  std::array<DriverArgument, kMaxArguments> arguments;
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

DriverArgument ToArgument(std::int32_t value) {
  return std::int64_t{value};
}
DriverArgument ToArgument(std::uint64_t value) {
  return value;
}
DriverArgument ToArgument(double value) {
  return value;
}
DriverArgument ToArgument(const char* text) {
  return std::string{text};
}

template <typename Arguments, std::size_t... I>
void Store(StoredCall& call, const Arguments& arguments,
           std::index_sequence<I...> /*indices*/) {
  ((call.arguments[I] = ToArgument(std::get<I>(arguments))), ...);
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
    call.arguments[call.count++] = ToArgument(*status);
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

std::vector<DriverCall> Collect(const State& state,
                                std::optional<DriverFunction> only) {
  std::vector<DriverCall> result;
  for (const auto& stored : state.calls) {
    if (only && stored.function != *only) {
      continue;
    }
    result.push_back(
        DriverCall{stored.function,
                   {stored.arguments.begin(),
                    stored.arguments.begin() +
                        static_cast<std::ptrdiff_t>(stored.count)}});
  }
  return result;
}

}  // namespace

std::string_view GetName(DriverFunction function) {
  return kNames.at(static_cast<std::size_t>(function));
}

std::ostream& operator<<(std::ostream& os, const DriverCall& call) {
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

RecordingDriver::RecordingDriver() {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  state.Reset();
}

RecordingDriver::~RecordingDriver() {
  try {
    State& state = GetState();
    std::scoped_lock lock{state.mutex};
    state.Reset();
  } catch (...) {
    // Only reserving room for the next test's calls can fail here; the next
    // RecordingDriver resets the state again.
  }
}

void RecordingDriver::SetResult(DriverFunction function, std::int32_t result) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  AnswerOf(state, function).result = result;
}

void RecordingDriver::QueueResults(
    DriverFunction function, std::initializer_list<std::int32_t> results) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  auto& queued = AnswerOf(state, function).queued;
  queued.insert(queued.end(), results.begin(), results.end());
}

void RecordingDriver::SetRecord(DriverFunction function,
                                std::span<const std::byte> bytes) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  AnswerOf(state, function).record.emplace(bytes.begin(), bytes.end());
}

void RecordingDriver::QueueRecord(DriverFunction function,
                                  std::span<const std::byte> bytes) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  AnswerOf(state, function)
      .queuedRecords.emplace_back(bytes.begin(), bytes.end());
}

void RecordingDriver::SetFill(DriverFunction function, std::byte marker) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  AnswerOf(state, function).fill = marker;
}

void RecordingDriver::SetCreateStatus(std::int32_t status) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  state.createStatus = status;
}

std::vector<DriverCall> RecordingDriver::Calls() const {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  return Collect(state, std::nullopt);
}

std::vector<DriverCall> RecordingDriver::CallsTo(
    DriverFunction function) const {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  return Collect(state, function);
}

std::size_t RecordingDriver::CountOf(DriverFunction function) const {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  return static_cast<std::size_t>(
      std::count_if(state.calls.begin(), state.calls.end(),
                    [function](const StoredCall& call) {
                      return call.function == function;
                    }));
}

void RecordingDriver::ClearCalls() {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  state.calls.clear();
}

}  // namespace kelvara::testing

extern "C" {

// Defines the C functions; the arguments come already in parentheses.
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
