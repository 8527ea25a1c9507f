#include "kelvara/testing/RecordingDriver.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <ostream>
#include <utility>

#include "driver/KelvaraLibDriver.hpp"

namespace kelvara::testing {

namespace {

constexpr std::size_t kMaxArguments = 4;
constexpr std::size_t kReservedCalls = 4096;

constexpr std::array<std::string_view, kDriverFunctionCount> kNames{
    "KELVARA_Kinetra_CreateCan",
    "KELVARA_Kinetra_CreateUsb",
    "KELVARA_Kinetra_CreateSerial",
    "KELVARA_Kinetra_Destroy",
    "KELVARA_Kinetra_IsConnected",
    "KELVARA_Kinetra_GetData",
    "KELVARA_Kinetra_ResetYaw",
    "KELVARA_Kinetra_SetOutputRate",
    "KELVARA_Kinetra_EnableMessages",
    "KELVARA_Kinetra_SetYawAxes",
    "KELVARA_Kinetra_GetFirmwareVersion",
    "KELVARA_Kinetra_GetSensorUuid",
    "KELVARA_Kinetra_SelfTest",
    "KELVARA_Lumeno_CreateCan",
    "KELVARA_Lumeno_CreateUsb",
    "KELVARA_Lumeno_CreateSerial",
    "KELVARA_Lumeno_Destroy",
    "KELVARA_Lumeno_IsConnected",
    "KELVARA_Lumeno_GetColor",
    "KELVARA_Lumeno_SetSampleTime",
    "KELVARA_Lumeno_SetLedBrightness",
    "KELVARA_Lumeno_SetStatusLed",
    "KELVARA_Lumeno_SetMeasureMode",
    "KELVARA_Lumeno_GetConfigValue",
    "KELVARA_Vantor_CreateCan",
    "KELVARA_Vantor_CreateUsb",
    "KELVARA_Vantor_CreateSerial",
    "KELVARA_Vantor_Destroy",
    "KELVARA_Vantor_IsConnected",
    "KELVARA_Vantor_GetScan",
    "KELVARA_Vantor_GetConfig",
    "KELVARA_Vantor_SetOutputRate",
    "KELVARA_Vantor_SetResolution",
    "KELVARA_Vantor_SetRangingFrequency",
    "KELVARA_Vantor_SetZoneMask",
    "KELVARA_CanBus_RequestMode",
    "KELVARA_CanBus_GetMode",
};

bool IsCreate(DriverFunction function) {
  switch (function) {
    case DriverFunction::kKinetraCreateCan:
    case DriverFunction::kKinetraCreateUsb:
    case DriverFunction::kKinetraCreateSerial:
    case DriverFunction::kLumenoCreateCan:
    case DriverFunction::kLumenoCreateUsb:
    case DriverFunction::kLumenoCreateSerial:
    case DriverFunction::kVantorCreateCan:
    case DriverFunction::kVantorCreateUsb:
    case DriverFunction::kVantorCreateSerial:
      return true;
    default:
      return false;
  }
}

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

/// Records the call, then returns the function's programmed result. Called
/// with the state locked.
template <typename... Args>
std::int32_t Respond(State& state, DriverFunction function, Args... args) {
  static_assert(sizeof...(Args) <= kMaxArguments);
  StoredCall& call = state.calls.emplace_back();
  call.function = function;
  call.count = sizeof...(Args);
  std::size_t index = 0;
  ((call.arguments[index++] = ToArgument(args)), ...);

  auto& answer = AnswerOf(state, function);
  if (answer.nextQueued < answer.queued.size()) {
    return answer.queued[answer.nextQueued++];
  }
  if (answer.result) {
    return *answer.result;
  }
  return IsCreate(function) ? state.nextHandle++ : 0;
}

template <typename... Args>
std::int32_t Call(DriverFunction function, Args... args) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  return Respond(state, function, args...);
}

template <typename... Args>
std::int32_t Create(DriverFunction function, std::int32_t* status,
                    Args... args) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  const std::int32_t handle = Respond(state, function, args..., *status);
  if (state.createStatus) {
    *status = *state.createStatus;
  }
  return handle;
}

template <typename... Args>
std::int32_t Fill(DriverFunction function, void* buffer, std::size_t size,
                  Args... args) {
  State& state = GetState();
  std::scoped_lock lock{state.mutex};
  const std::int32_t result = Respond(state, function, args...);
  auto& answer = AnswerOf(state, function);
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
  return result;
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

using kelvara::testing::DriverFunction;

extern "C" {

std::int32_t KELVARA_Kinetra_CreateCan(std::int32_t port, std::int32_t canId,
                                       std::int32_t extra,
                                       std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kKinetraCreateCan, status,
                                  port, canId, extra);
}
std::int32_t KELVARA_Kinetra_CreateUsb(std::int32_t usbPort, std::int32_t extra,
                                       std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kKinetraCreateUsb, status,
                                  usbPort, extra);
}
std::int32_t KELVARA_Kinetra_CreateSerial(const char* path, std::int32_t extra,
                                          std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kKinetraCreateSerial, status,
                                  path, extra);
}
void KELVARA_Kinetra_Destroy(std::int32_t handle) {
  kelvara::testing::Call(DriverFunction::kKinetraDestroy, handle);
}
std::int32_t KELVARA_Kinetra_IsConnected(std::int32_t handle) {
  return kelvara::testing::Call(DriverFunction::kKinetraIsConnected, handle);
}
std::int32_t KELVARA_Kinetra_GetData(std::int32_t handle, KinetraData* data) {
  return kelvara::testing::Fill(DriverFunction::kKinetraGetData, data,
                                sizeof(KinetraData), handle);
}
std::int32_t KELVARA_Kinetra_ResetYaw(std::int32_t handle) {
  return kelvara::testing::Call(DriverFunction::kKinetraResetYaw, handle);
}
std::int32_t KELVARA_Kinetra_SetOutputRate(std::int32_t handle,
                                           std::int32_t rate) {
  return kelvara::testing::Call(DriverFunction::kKinetraSetOutputRate, handle,
                                rate);
}
std::int32_t KELVARA_Kinetra_EnableMessages(std::int32_t handle,
                                            std::int32_t message) {
  return kelvara::testing::Call(DriverFunction::kKinetraEnableMessages, handle,
                                message);
}
std::int32_t KELVARA_Kinetra_SetYawAxes(std::int32_t handle,
                                        std::int32_t axes) {
  return kelvara::testing::Call(DriverFunction::kKinetraSetYawAxes, handle,
                                axes);
}
std::int32_t KELVARA_Kinetra_GetFirmwareVersion(std::int32_t handle,
                                                std::int32_t* version) {
  return kelvara::testing::Fill(DriverFunction::kKinetraGetFirmwareVersion,
                                version, 3 * sizeof(std::int32_t), handle);
}
std::int32_t KELVARA_Kinetra_GetSensorUuid(std::int32_t handle,
                                           std::uint32_t* uuid) {
  return kelvara::testing::Fill(DriverFunction::kKinetraGetSensorUuid, uuid,
                                3 * sizeof(std::uint32_t), handle);
}
std::int32_t KELVARA_Kinetra_SelfTest(std::int32_t handle,
                                      std::int32_t* results) {
  return kelvara::testing::Fill(DriverFunction::kKinetraSelfTest, results,
                                8 * sizeof(std::int32_t), handle);
}

std::int32_t KELVARA_Lumeno_CreateCan(std::int32_t port, std::int32_t canId,
                                      std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kLumenoCreateCan, status,
                                  port, canId);
}
std::int32_t KELVARA_Lumeno_CreateUsb(std::int32_t usbPort,
                                      std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kLumenoCreateUsb, status,
                                  usbPort);
}
std::int32_t KELVARA_Lumeno_CreateSerial(const char* path,
                                         std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kLumenoCreateSerial, status,
                                  path);
}
void KELVARA_Lumeno_Destroy(std::int32_t handle) {
  kelvara::testing::Call(DriverFunction::kLumenoDestroy, handle);
}
std::int32_t KELVARA_Lumeno_IsConnected(std::int32_t handle) {
  return kelvara::testing::Call(DriverFunction::kLumenoIsConnected, handle);
}
std::int32_t KELVARA_Lumeno_GetColor(std::int32_t handle,
                                     LumenoColorData* data) {
  return kelvara::testing::Fill(DriverFunction::kLumenoGetColor, data,
                                sizeof(LumenoColorData), handle);
}
std::int32_t KELVARA_Lumeno_SetSampleTime(std::int32_t handle,
                                          std::int32_t milliseconds) {
  return kelvara::testing::Call(DriverFunction::kLumenoSetSampleTime, handle,
                                milliseconds);
}
std::int32_t KELVARA_Lumeno_SetLedBrightness(std::int32_t handle,
                                             std::int32_t brightness) {
  return kelvara::testing::Call(DriverFunction::kLumenoSetLedBrightness, handle,
                                brightness);
}
std::int32_t KELVARA_Lumeno_SetStatusLed(std::int32_t handle, std::int32_t on,
                                         std::int32_t value) {
  return kelvara::testing::Call(DriverFunction::kLumenoSetStatusLed, handle, on,
                                value);
}
std::int32_t KELVARA_Lumeno_SetMeasureMode(std::int32_t handle,
                                           std::int32_t mode,
                                           double millimeters) {
  return kelvara::testing::Call(DriverFunction::kLumenoSetMeasureMode, handle,
                                mode, millimeters);
}
std::int32_t KELVARA_Lumeno_GetConfigValue(std::int32_t handle,
                                           std::int32_t item,
                                           std::uint32_t* value) {
  return kelvara::testing::Fill(DriverFunction::kLumenoGetConfigValue, value,
                                sizeof(std::uint32_t), handle, item);
}

std::int32_t KELVARA_Vantor_CreateCan(std::int32_t port, std::int32_t canId,
                                      std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kVantorCreateCan, status,
                                  port, canId);
}
std::int32_t KELVARA_Vantor_CreateUsb(std::int32_t usbPort,
                                      std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kVantorCreateUsb, status,
                                  usbPort);
}
std::int32_t KELVARA_Vantor_CreateSerial(const char* path,
                                         std::int32_t* status) {
  return kelvara::testing::Create(DriverFunction::kVantorCreateSerial, status,
                                  path);
}
void KELVARA_Vantor_Destroy(std::int32_t handle) {
  kelvara::testing::Call(DriverFunction::kVantorDestroy, handle);
}
std::int32_t KELVARA_Vantor_IsConnected(std::int32_t handle) {
  return kelvara::testing::Call(DriverFunction::kVantorIsConnected, handle);
}
std::int32_t KELVARA_Vantor_GetScan(std::int32_t handle, VantorScanData* data) {
  return kelvara::testing::Fill(DriverFunction::kVantorGetScan, data,
                                sizeof(VantorScanData), handle);
}
std::int32_t KELVARA_Vantor_GetConfig(std::int32_t handle,
                                      VantorConfigData* data) {
  return kelvara::testing::Fill(DriverFunction::kVantorGetConfig, data,
                                sizeof(VantorConfigData), handle);
}
std::int32_t KELVARA_Vantor_SetOutputRate(std::int32_t handle,
                                          std::int32_t rate) {
  return kelvara::testing::Call(DriverFunction::kVantorSetOutputRate, handle,
                                rate);
}
std::int32_t KELVARA_Vantor_SetResolution(std::int32_t handle,
                                          std::int32_t resolution) {
  return kelvara::testing::Call(DriverFunction::kVantorSetResolution, handle,
                                resolution);
}
std::int32_t KELVARA_Vantor_SetRangingFrequency(std::int32_t handle,
                                                std::int32_t frequency) {
  return kelvara::testing::Call(DriverFunction::kVantorSetRangingFrequency,
                                handle, frequency);
}
std::int32_t KELVARA_Vantor_SetZoneMask(std::int32_t handle,
                                        std::uint64_t mask) {
  return kelvara::testing::Call(DriverFunction::kVantorSetZoneMask, handle,
                                mask);
}

std::int32_t KELVARA_CanBus_RequestMode(std::int32_t port, std::int32_t mode,
                                        std::int32_t timeoutMs) {
  return kelvara::testing::Call(DriverFunction::kCanBusRequestMode, port, mode,
                                timeoutMs);
}
std::int32_t KELVARA_CanBus_GetMode(std::int32_t port) {
  return kelvara::testing::Call(DriverFunction::kCanBusGetMode, port);
}

}  // extern "C"
