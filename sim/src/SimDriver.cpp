// The 37 functions of the driver module, answered by the simulated devices.
// Every function takes the state's lock for its whole run, so any of them may
// be called from any thread at any time, and brings the HAL's view up to date
// after releasing it. Out buffers are filled from a finished local record,
// and only when the call succeeds.

#include <cstring>
#include <limits>

#include "SimControl.hpp"
#include "SimState.hpp"
#include "driver/DriverValues.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara::sim::detail {

namespace {

constexpr std::int32_t Code(SimResult result) {
  return static_cast<std::int32_t>(result);
}

/// Issues a handle on the device of one kind at an address. The handle is
/// issued also when the device is not present; the status then says so.
template <typename Model, typename Prepare>
std::int32_t Open(const SimAddress& address, std::int32_t* status,
                  Prepare prepare) {
  // Looked up before the lock, which the look-up must not wait under.
  const bool watch = HalFound();
  State& state = GetState();
  const PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  auto& device = state.At<Model>(address);
  prepare(device.model);
  SimResult result =
      device.IsPresent() ? SimResult::kOk : SimResult::kNotConnected;
  std::int32_t handle = 0;
  if (state.lastHandle == std::numeric_limits<std::int32_t>::max()) {
    // Every handle has been issued once; none is reused.
    result = SimResult::kNotConnected;
  } else {
    // Everything that allocates comes first, so that a failure leaves no
    // handle behind.
    handle = state.lastHandle + 1;
    state.handles.emplace(handle, &device);
    if (watch) {
      try {
        state.hal.Watch(
            HalTarget{std::in_place_type<HalDevice>, KindOf<Model>(), address});
      } catch (...) {
        state.handles.erase(handle);
        throw;
      }
    }
    state.lastHandle = handle;
    ++device.openHandles;
  }
  if (status != nullptr) {
    *status = Code(result);
  }
  return handle;
}

template <typename Model>
std::int32_t Open(const SimAddress& address, std::int32_t* status) {
  return Open<Model>(address, status, [](Model&) {});
}

// The driver's callers may be C, where no exception may arrive. Memory that
// cannot be allocated (for a device, a handle, a serial path or a HAL entry)
// is the only failure that throws here; the two guards below turn it into
// SimResult::kOutOfMemory.

/// Runs a create call: on failure no handle is issued (0), and the status
/// says kOutOfMemory.
template <typename F>
std::int32_t GuardedCreate(std::int32_t* status, F open) noexcept {
  try {
    return open();
  } catch (...) {
    if (status != nullptr) {
      *status = Code(SimResult::kOutOfMemory);
    }
    return 0;
  }
}

/// Runs a call that returns a result code: on failure, kOutOfMemory.
template <typename F>
std::int32_t GuardedCode(F call) noexcept {
  try {
    return call();
  } catch (...) {
    return Code(SimResult::kOutOfMemory);
  }
}

SimAddress CanAddress(std::int32_t port, std::int32_t canId) {
  return AddressOf::Can(port, canId);
}

SimAddress UsbAddress(std::int32_t port) {
  return SimAddress::Usb(static_cast<UsbPort>(port));
}

SimAddress SerialAddress(const char* path) {
  return SimAddress::Serial(path != nullptr ? path : "");
}

template <typename Model>
void Close(std::int32_t handle) {
  State& state = GetState();
  const PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  if (auto* device = state.Find<Model>(handle)) {
    --device->openHandles;
    state.handles.erase(handle);
  }
}

template <typename Model>
std::int32_t Connected(std::int32_t handle) {
  State& state = GetState();
  const PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  const auto* device = state.Find<Model>(handle);
  return device != nullptr && device->IsPresent() ? 1 : 0;
}

/// Runs an operation on the device behind a handle, after the checks that
/// every operation shares: a known handle, no injected failure, a present
/// device. f returns the result.
template <typename Model, typename F>
std::int32_t Operate(std::int32_t handle, F f) {
  State& state = GetState();
  const PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  auto* device = state.Find<Model>(handle);
  if (device == nullptr) {
    return Code(SimResult::kUnknownHandle);
  }
  if (const auto injected = device->failures.Take()) {
    return *injected;
  }
  if (!device->IsPresent()) {
    return Code(SimResult::kNotConnected);
  }
  return Code(f(*device, state));
}

/// Copies a finished value into the caller's buffer.
template <typename T>
SimResult Deliver(const T& value, T* out) {
  if (out == nullptr) {
    return SimResult::kInvalidArgument;
  }
  std::memcpy(out, &value, sizeof(T));
  return SimResult::kOk;
}

template <typename T, std::size_t N>
SimResult Deliver(const std::array<T, N>& values, T* out) {
  if (out == nullptr) {
    return SimResult::kInvalidArgument;
  }
  std::memcpy(out, values.data(), sizeof(T) * N);
  return SimResult::kOk;
}

/// Operations on one model that return a SimResult.
template <typename Model, typename F>
std::int32_t Command(std::int32_t handle, F f) {
  return Operate<Model>(handle,
                        [&f](Device<Model>& device, State&) -> SimResult {
                          return f(device.model);
                        });
}

bool PortExists(std::int32_t port) {
  return port >= 0 && port < driver::kCanPortCount;
}

}  // namespace

}  // namespace kelvara::sim::detail

namespace sim = kelvara::sim;
using sim::SimResult;
using sim::detail::Command;
using sim::detail::Deliver;
using sim::detail::KinetraModel;
using sim::detail::LumenoModel;
using sim::detail::Operate;
using sim::detail::State;
using sim::detail::VantorModel;

extern "C" {

std::int32_t KELVARA_Kinetra_CreateCan(std::int32_t port, std::int32_t canId,
                                       std::int32_t extra,
                                       std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<KinetraModel>(
        sim::detail::CanAddress(port, canId), status,
        [extra](KinetraModel& model) { model.openArgument = extra; });
  });
}

std::int32_t KELVARA_Kinetra_CreateUsb(std::int32_t usbPort, std::int32_t extra,
                                       std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<KinetraModel>(
        sim::detail::UsbAddress(usbPort), status,
        [extra](KinetraModel& model) { model.openArgument = extra; });
  });
}

std::int32_t KELVARA_Kinetra_CreateSerial(const char* path, std::int32_t extra,
                                          std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<KinetraModel>(
        sim::detail::SerialAddress(path), status,
        [extra](KinetraModel& model) { model.openArgument = extra; });
  });
}

void KELVARA_Kinetra_Destroy(std::int32_t handle) {
  sim::detail::Close<KinetraModel>(handle);
}

std::int32_t KELVARA_Kinetra_IsConnected(std::int32_t handle) {
  return sim::detail::Connected<KinetraModel>(handle);
}

std::int32_t KELVARA_Kinetra_GetData(std::int32_t handle, KinetraData* data) {
  return Operate<KinetraModel>(
      handle, [data](sim::detail::KinetraDevice& device, State& state) {
        KinetraData sample =
            device.model.Sample(state.clockNs, state.clockSynchronized);
        if (device.invalidRecords) {
          sample.validMask = 0;
        }
        return Deliver(sample, data);
      });
}

std::int32_t KELVARA_Kinetra_ResetYaw(std::int32_t handle) {
  return Operate<KinetraModel>(
      handle, [](sim::detail::KinetraDevice& device, State& state) {
        device.model.ResetYaw(state.clockNs);
        return SimResult::kOk;
      });
}

std::int32_t KELVARA_Kinetra_SetOutputRate(std::int32_t handle,
                                           std::int32_t rate) {
  return Command<KinetraModel>(handle, [rate](KinetraModel& model) {
    return model.SetOutputRate(rate);
  });
}

std::int32_t KELVARA_Kinetra_EnableMessages(std::int32_t handle,
                                            std::int32_t message) {
  return Command<KinetraModel>(handle, [message](KinetraModel& model) {
    return model.EnableMessages(message);
  });
}

std::int32_t KELVARA_Kinetra_SetYawAxes(std::int32_t handle,
                                        std::int32_t axes) {
  return Command<KinetraModel>(
      handle, [axes](KinetraModel& model) { return model.SetYawAxes(axes); });
}

std::int32_t KELVARA_Kinetra_GetFirmwareVersion(std::int32_t handle,
                                                std::int32_t* version) {
  return Command<KinetraModel>(handle, [version](KinetraModel& model) {
    return Deliver(model.firmwareVersion, version);
  });
}

std::int32_t KELVARA_Kinetra_GetSensorUuid(std::int32_t handle,
                                           std::uint32_t* uuid) {
  return Command<KinetraModel>(handle, [uuid](KinetraModel& model) {
    return Deliver(model.sensorUuid, uuid);
  });
}

std::int32_t KELVARA_Kinetra_SelfTest(std::int32_t handle,
                                      std::int32_t* results) {
  return Command<KinetraModel>(handle, [results](KinetraModel& model) {
    return Deliver(model.selfTestResult, results);
  });
}

std::int32_t KELVARA_Lumeno_CreateCan(std::int32_t port, std::int32_t canId,
                                      std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<LumenoModel>(sim::detail::CanAddress(port, canId),
                                          status);
  });
}

std::int32_t KELVARA_Lumeno_CreateUsb(std::int32_t usbPort,
                                      std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<LumenoModel>(sim::detail::UsbAddress(usbPort),
                                          status);
  });
}

std::int32_t KELVARA_Lumeno_CreateSerial(const char* path,
                                         std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<LumenoModel>(sim::detail::SerialAddress(path),
                                          status);
  });
}

void KELVARA_Lumeno_Destroy(std::int32_t handle) {
  sim::detail::Close<LumenoModel>(handle);
}

std::int32_t KELVARA_Lumeno_IsConnected(std::int32_t handle) {
  return sim::detail::Connected<LumenoModel>(handle);
}

std::int32_t KELVARA_Lumeno_GetColor(std::int32_t handle,
                                     LumenoColorData* data) {
  return Operate<LumenoModel>(
      handle, [data](sim::detail::LumenoDevice& device, State&) {
        LumenoColorData sample = device.model.Sample();
        if (device.invalidRecords) {
          sample.valid = 0;
        }
        return Deliver(sample, data);
      });
}

std::int32_t KELVARA_Lumeno_SetSampleTime(std::int32_t handle,
                                          std::int32_t milliseconds) {
  return Command<LumenoModel>(handle, [milliseconds](LumenoModel& model) {
    return model.SetSampleTime(milliseconds);
  });
}

std::int32_t KELVARA_Lumeno_SetLedBrightness(std::int32_t handle,
                                             std::int32_t brightness) {
  return Command<LumenoModel>(handle, [brightness](LumenoModel& model) {
    return model.SetLedBrightness(brightness);
  });
}

std::int32_t KELVARA_Lumeno_SetStatusLed(std::int32_t handle, std::int32_t on,
                                         std::int32_t value) {
  return Command<LumenoModel>(handle, [on, value](LumenoModel& model) {
    return model.SetStatusLed(on, value);
  });
}

std::int32_t KELVARA_Lumeno_SetMeasureMode(std::int32_t handle,
                                           std::int32_t mode,
                                           double millimeters) {
  return Command<LumenoModel>(handle, [mode, millimeters](LumenoModel& model) {
    return model.SetMeasureMode(mode, millimeters);
  });
}

std::int32_t KELVARA_Lumeno_GetConfigValue(std::int32_t handle,
                                           std::int32_t item,
                                           std::uint32_t* value) {
  return Command<LumenoModel>(handle, [item, value](LumenoModel& model) {
    std::uint32_t answer = 0;
    const SimResult result = model.GetConfigValue(item, answer);
    return result == SimResult::kOk ? Deliver(answer, value) : result;
  });
}

std::int32_t KELVARA_Vantor_CreateCan(std::int32_t port, std::int32_t canId,
                                      std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<VantorModel>(sim::detail::CanAddress(port, canId),
                                          status);
  });
}

std::int32_t KELVARA_Vantor_CreateUsb(std::int32_t usbPort,
                                      std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<VantorModel>(sim::detail::UsbAddress(usbPort),
                                          status);
  });
}

std::int32_t KELVARA_Vantor_CreateSerial(const char* path,
                                         std::int32_t* status) {
  return sim::detail::GuardedCreate(status, [&] {
    return sim::detail::Open<VantorModel>(sim::detail::SerialAddress(path),
                                          status);
  });
}

void KELVARA_Vantor_Destroy(std::int32_t handle) {
  sim::detail::Close<VantorModel>(handle);
}

std::int32_t KELVARA_Vantor_IsConnected(std::int32_t handle) {
  return sim::detail::Connected<VantorModel>(handle);
}

std::int32_t KELVARA_Vantor_GetScan(std::int32_t handle, VantorScanData* data) {
  return Operate<VantorModel>(
      handle, [data](sim::detail::VantorDevice& device, State&) {
        VantorScanData scan = device.model.Scan();
        if (device.invalidRecords) {
          scan.valid = 0;
        }
        return Deliver(scan, data);
      });
}

std::int32_t KELVARA_Vantor_GetConfig(std::int32_t handle,
                                      VantorConfigData* data) {
  return Command<VantorModel>(handle, [data](VantorModel& model) {
    return Deliver(model.Config(), data);
  });
}

std::int32_t KELVARA_Vantor_SetOutputRate(std::int32_t handle,
                                          std::int32_t rate) {
  return Command<VantorModel>(
      handle, [rate](VantorModel& model) { return model.SetOutputRate(rate); });
}

std::int32_t KELVARA_Vantor_SetResolution(std::int32_t handle,
                                          std::int32_t resolution) {
  return Command<VantorModel>(handle, [resolution](VantorModel& model) {
    return model.SetResolution(resolution);
  });
}

std::int32_t KELVARA_Vantor_SetRangingFrequency(std::int32_t handle,
                                                std::int32_t frequency) {
  return Command<VantorModel>(handle, [frequency](VantorModel& model) {
    return model.SetRangingFrequency(frequency);
  });
}

std::int32_t KELVARA_Vantor_SetZoneMask(std::int32_t handle,
                                        std::uint64_t mask) {
  return Command<VantorModel>(handle, [mask](VantorModel& model) {
    model.zoneMask = mask;
    return SimResult::kOk;
  });
}

std::int32_t KELVARA_CanBus_RequestMode(std::int32_t port, std::int32_t mode,
                                        std::int32_t timeoutMs) {
  return sim::detail::GuardedCode([&] {
    const bool watch = sim::detail::HalFound();
    State& state = sim::detail::GetState();
    const sim::detail::PublishAfterwards publish;
    std::scoped_lock lock{state.mutex};
    if (!sim::detail::PortExists(port)) {
      return sim::detail::Code(SimResult::kInvalidArgument);
    }
    // The one step that allocates, before anything is counted.
    if (watch) {
      state.hal.Watch(sim::detail::HalCanPort{port});
    }
    auto& canPort = state.canPorts[static_cast<std::size_t>(port)];
    ++canPort.requests;
    if (const auto injected = canPort.failures.Take()) {
      return *injected;
    }
    if ((mode != 0 && mode != 1) || timeoutMs < 0) {
      return sim::detail::Code(SimResult::kInvalidArgument);
    }
    canPort.mode = mode;
    return sim::detail::Code(SimResult::kOk);
  });
}

std::int32_t KELVARA_CanBus_GetMode(std::int32_t port) {
  State& state = sim::detail::GetState();
  const sim::detail::PublishAfterwards publish;
  std::scoped_lock lock{state.mutex};
  if (!sim::detail::PortExists(port)) {
    return -1;
  }
  return state.canPorts[static_cast<std::size_t>(port)].mode;
}

}  // extern "C"
