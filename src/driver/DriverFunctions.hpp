// The list of the driver module's functions, each named once. The
// declarations, the recording driver's function names and entry points, and
// the entry points of the fuzzing and benchmark drivers are generated from
// it; the simulated driver defines each function by hand against the
// generated declarations. Adding a function to the driver module means
// adding its entry here, then giving it behaviour in the drivers where it
// has some.
//
// Each entry is
//
//   X(device, operation, result type, (parameters), (arguments), reply)
//
// for the function KELVARA_<device>_<operation>. The arguments are the
// parameters' names, for entry points that pass them on; the reply is one
// of kHandle, kNothing, kAnswer, kCode and Fills(n) below.
//
// Arguments of note: KELVARA_Kinetra_SetYawAxes takes 9 or 6; the firmware
// version is major, minor, patch; KELVARA_Lumeno_SetStatusLed's on is 1 or
// 0; KELVARA_CanBus_RequestMode takes mode 1 or 0 and a time-out in whole
// milliseconds. KELVARA_<device>_IsConnected answers nonzero when the device
// is connected; KELVARA_CanBus_GetMode answers the port's mode, 0 or 1, any
// other value meaning none.
#pragma once

#include <cstddef>
#include <cstdint>

// A list of C functions is what X-macros are for; no template can name them.
// NOLINTBEGIN(cppcoreguidelines-macro-usage)

// clang-format off
#define KELVARA_DRIVER_FUNCTIONS(X)                                            \
  X(Kinetra, CreateCan, std::int32_t,                                          \
    (std::int32_t port, std::int32_t canId, std::int32_t extra,                \
     std::int32_t* status),                                                    \
    (port, canId, extra, status), kHandle)                                     \
  X(Kinetra, CreateUsb, std::int32_t,                                          \
    (std::int32_t usbPort, std::int32_t extra, std::int32_t* status),          \
    (usbPort, extra, status), kHandle)                                         \
  X(Kinetra, CreateSerial, std::int32_t,                                       \
    (const char* path, std::int32_t extra, std::int32_t* status),              \
    (path, extra, status), kHandle)                                            \
  X(Kinetra, Destroy, void, (std::int32_t handle), (handle), kNothing)         \
  X(Kinetra, IsConnected, std::int32_t, (std::int32_t handle), (handle),       \
    kAnswer)                                                                   \
  X(Kinetra, GetData, std::int32_t, (std::int32_t handle, KinetraData* data),  \
    (handle, data), Fills(1))                                                  \
  X(Kinetra, ResetYaw, std::int32_t, (std::int32_t handle), (handle), kCode)   \
  X(Kinetra, SetOutputRate, std::int32_t,                                      \
    (std::int32_t handle, std::int32_t rate), (handle, rate), kCode)           \
  X(Kinetra, EnableMessages, std::int32_t,                                     \
    (std::int32_t handle, std::int32_t message), (handle, message), kCode)     \
  X(Kinetra, SetYawAxes, std::int32_t,                                         \
    (std::int32_t handle, std::int32_t axes), (handle, axes), kCode)           \
  X(Kinetra, GetFirmwareVersion, std::int32_t,                                 \
    (std::int32_t handle, std::int32_t* version), (handle, version), Fills(3)) \
  X(Kinetra, GetSensorUuid, std::int32_t,                                      \
    (std::int32_t handle, std::uint32_t* uuid), (handle, uuid), Fills(3))      \
  X(Kinetra, SelfTest, std::int32_t,                                           \
    (std::int32_t handle, std::int32_t* results), (handle, results), Fills(8)) \
  X(Lumeno, CreateCan, std::int32_t,                                           \
    (std::int32_t port, std::int32_t canId, std::int32_t* status),             \
    (port, canId, status), kHandle)                                            \
  X(Lumeno, CreateUsb, std::int32_t,                                           \
    (std::int32_t usbPort, std::int32_t* status), (usbPort, status), kHandle)  \
  X(Lumeno, CreateSerial, std::int32_t,                                        \
    (const char* path, std::int32_t* status), (path, status), kHandle)         \
  X(Lumeno, Destroy, void, (std::int32_t handle), (handle), kNothing)          \
  X(Lumeno, IsConnected, std::int32_t, (std::int32_t handle), (handle),        \
    kAnswer)                                                                   \
  X(Lumeno, GetColor, std::int32_t,                                            \
    (std::int32_t handle, LumenoColorData* data), (handle, data), Fills(1))    \
  X(Lumeno, SetSampleTime, std::int32_t,                                       \
    (std::int32_t handle, std::int32_t milliseconds), (handle, milliseconds),  \
    kCode)                                                                     \
  X(Lumeno, SetLedBrightness, std::int32_t,                                    \
    (std::int32_t handle, std::int32_t brightness), (handle, brightness),      \
    kCode)                                                                     \
  X(Lumeno, SetStatusLed, std::int32_t,                                        \
    (std::int32_t handle, std::int32_t on, std::int32_t value),                \
    (handle, on, value), kCode)                                                \
  X(Lumeno, SetMeasureMode, std::int32_t,                                      \
    (std::int32_t handle, std::int32_t mode, double millimeters),              \
    (handle, mode, millimeters), kCode)                                        \
  X(Lumeno, GetConfigValue, std::int32_t,                                      \
    (std::int32_t handle, std::int32_t item, std::uint32_t* value),            \
    (handle, item, value), Fills(1))                                           \
  X(Vantor, CreateCan, std::int32_t,                                           \
    (std::int32_t port, std::int32_t canId, std::int32_t* status),             \
    (port, canId, status), kHandle)                                            \
  X(Vantor, CreateUsb, std::int32_t,                                           \
    (std::int32_t usbPort, std::int32_t* status), (usbPort, status), kHandle)  \
  X(Vantor, CreateSerial, std::int32_t,                                        \
    (const char* path, std::int32_t* status), (path, status), kHandle)         \
  X(Vantor, Destroy, void, (std::int32_t handle), (handle), kNothing)          \
  X(Vantor, IsConnected, std::int32_t, (std::int32_t handle), (handle),        \
    kAnswer)                                                                   \
  X(Vantor, GetScan, std::int32_t, (std::int32_t handle, VantorScanData* data),\
    (handle, data), Fills(1))                                                  \
  X(Vantor, GetConfig, std::int32_t,                                           \
    (std::int32_t handle, VantorConfigData* data), (handle, data), Fills(1))   \
  X(Vantor, SetOutputRate, std::int32_t,                                       \
    (std::int32_t handle, std::int32_t rate), (handle, rate), kCode)           \
  X(Vantor, SetResolution, std::int32_t,                                       \
    (std::int32_t handle, std::int32_t resolution), (handle, resolution),      \
    kCode)                                                                     \
  X(Vantor, SetRangingFrequency, std::int32_t,                                 \
    (std::int32_t handle, std::int32_t frequency), (handle, frequency), kCode) \
  X(Vantor, SetZoneMask, std::int32_t,                                         \
    (std::int32_t handle, std::uint64_t mask), (handle, mask), kCode)          \
  X(CanBus, RequestMode, std::int32_t,                                         \
    (std::int32_t port, std::int32_t mode, std::int32_t timeoutMs),            \
    (port, mode, timeoutMs), kCode)                                            \
  X(CanBus, GetMode, std::int32_t, (std::int32_t port), (port), kAnswer)
// clang-format on

/// Expands a list entry to the enumerator k<device><operation>.
#define KELVARA_DRIVER_ENUMERATOR(device, operation, ...) k##device##operation,

/// Expands a list entry to the function's name, "KELVARA_<device>_<operation>".
#define KELVARA_DRIVER_NAME(device, operation, ...) \
  "KELVARA_" #device "_" #operation,

// NOLINTEND(cppcoreguidelines-macro-usage)

namespace kelvara::driver {

/// What a driver function gives its caller.
struct Reply {
  enum class Kind {
    /// A new handle, also when opening fails; the last parameter points to
    /// a status that the function may set.
    kHandle,
    /// No result (void).
    kNothing,
    /// An answer that is not a result code: nonzero for connected, a bus
    /// mode.
    kAnswer,
    /// A result code, 0 for success; nothing written for the caller.
    kCode,
    /// A result code, and after 0, count values in the buffer that the last
    /// parameter points to.
    kFills,
  };

  /// Which of the replies above.
  Kind kind = Kind::kNothing;
  /// For kFills: how many values the buffer holds, each of the type that
  /// the last parameter points to (a record counts as one).
  std::size_t count = 0;
};

/// A handle, see Reply::Kind::kHandle.
inline constexpr Reply kHandle{Reply::Kind::kHandle};
/// No result, see Reply::Kind::kNothing.
inline constexpr Reply kNothing{Reply::Kind::kNothing};
/// An answer, see Reply::Kind::kAnswer.
inline constexpr Reply kAnswer{Reply::Kind::kAnswer};
/// A result code, see Reply::Kind::kCode.
inline constexpr Reply kCode{Reply::Kind::kCode};

/// A result code and count values in the caller's buffer, see
/// Reply::Kind::kFills.
constexpr Reply Fills(std::size_t count) {
  return Reply{Reply::Kind::kFills, count};
}

}  // namespace kelvara::driver
