// A driver module whose every answer comes from the fuzzer's input: handles,
// result codes, connection answers, bus modes and every byte of every buffer
// it fills. Under AddressSanitizer it also poisons the parts of a buffer that
// the library has been told not to read (the whole buffer after a failure,
// invalid groups, reserved bytes), so that reading them is reported.

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>

#include "FuzzInput.hpp"
#include "driver/KelvaraLibDriver.hpp"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define KELVARA_FUZZ_POISONING 1
#endif
#endif

namespace kelvara::fuzz {

FuzzInput& Input() {
  static FuzzInput input;
  return input;
}

namespace {

/// The driver functions, for those that answer in a way of their own.
enum class Function { KELVARA_DRIVER_FUNCTIONS(KELVARA_DRIVER_ENUMERATOR) };

/// Marks bytes of a buffer as not to be read. ASan tracks 8-byte granules,
/// so a region that does not cover whole granules is only partly marked; the
/// library's own stack frame clears the marks when the call returns.
void Forbid([[maybe_unused]] const void* buffer,
            [[maybe_unused]] std::size_t offset,
            [[maybe_unused]] std::size_t size) {
#ifdef KELVARA_FUZZ_POISONING
  __asan_poison_memory_region(static_cast<const char*>(buffer) + offset, size);
#endif
}

/// Forbids the groups of a sample whose validity bits are clear.
void ForbidUnread(const KinetraData* data) {
  using namespace kelvara::driver;
  const std::uint32_t mask = data->validMask;
  struct Group {
    std::uint32_t bits;
    std::size_t offset;
    std::size_t size;
  };
  const Group groups[] = {
      {kKinetraValidAnyGroup, offsetof(KinetraData, timestampNs), 16},
      {kKinetraValidYaw, offsetof(KinetraData, yaw), 8},
      {kKinetraValidPitchRoll, offsetof(KinetraData, pitch), 16},
      {kKinetraValidAngle, offsetof(KinetraData, angle), 8},
      {kKinetraValidQuaternion6d, offsetof(KinetraData, quaternion6d), 32},
      {kKinetraValidQuaternion9d, offsetof(KinetraData, quaternion9d), 32},
      {kKinetraValidAngularVelocity, offsetof(KinetraData, angularVelocity),
       24},
      {kKinetraValidLinearAcceleration,
       offsetof(KinetraData, linearAcceleration), 24},
      {kKinetraValidMagneticField, offsetof(KinetraData, magneticField), 32},
      {kKinetraValidAlgorithmState, offsetof(KinetraData, algorithmVector), 64},
      {kKinetraValidTemperature, offsetof(KinetraData, temperature), 8},
  };
  for (const Group& group : groups) {
    if ((mask & group.bits) == 0) {
      Forbid(data, group.offset, group.size);
    }
  }
}

/// Forbids the reserved bytes of a colour sample, and all but the valid word
/// of one that holds no sample.
void ForbidUnread(const LumenoColorData* data) {
  Forbid(data, offsetof(LumenoColorData, reserved0) + 4, 8);
  if (data->valid == 0) {
    Forbid(data, 8, sizeof(LumenoColorData) - 8);
  }
}

/// Forbids the reserved bytes of a range frame, and all but the valid word
/// of one that holds no scan.
void ForbidUnread(const VantorScanData* data) {
  Forbid(data, 8, 8);
  Forbid(data, offsetof(VantorScanData, reserved1), 8);
  if (data->valid == 0) {
    Forbid(data, 8, sizeof(VantorScanData) - 8);
  }
}

/// Forbids the absent parts of a configuration.
void ForbidUnread(const VantorConfigData* data) {
  if (data->zoneMaskPresent == 0) {
    Forbid(data, offsetof(VantorConfigData, zoneMask), 8);
  }
  if (data->firmwareVersionPresent == 0) {
    Forbid(data, offsetof(VantorConfigData, firmwareVersion) + 4, 8);
  }
}

/// Every value of an integer answer may be read.
void ForbidUnread(const std::int32_t*) {}
void ForbidUnread(const std::uint32_t*) {}

/// Opens a device: the handle comes from the input, and so does the status,
/// except after a serial path, which is read as a driver would, up to its
/// terminating zero; its length becomes the status.
template <typename First, typename... Rest>
std::int32_t Open(First first, Rest... rest) {
  std::int32_t* status = std::get<sizeof...(Rest) - 1>(std::tuple{rest...});
  if constexpr (std::is_same_v<First, const char*>) {
    std::size_t length = 0;
    while (first[length] != '\0') {
      ++length;
    }
    *status = static_cast<std::int32_t>(length);
  } else {
    *status = Input().Take<std::int32_t>();
  }
  return Input().Take<std::int32_t>();
}

/// Fills a buffer from the input and returns a result code; after a failure
/// the whole buffer is forbidden, after success what the library may not
/// read of it.
template <typename T>
std::int32_t FillBuffer(T* buffer, std::size_t count) {
  Input().Fill(buffer, count * sizeof(T));
  const std::int32_t code = Input().TakeCode();
  if (code != 0) {
    Forbid(buffer, 0, count * sizeof(T));
  } else {
    ForbidUnread(buffer);
  }
  return code;
}

/// Fills a single value half of the time and leaves it unwritten otherwise:
/// the library starts the configuration value at 0 and keeps it when the
/// driver writes nothing.
std::int32_t FillOrLeave(std::uint32_t* value) {
  if ((Input().Take<std::uint8_t>() & 1) != 0) {
    Input().Fill(value, sizeof *value);
  }
  const std::int32_t code = Input().TakeCode();
  if (code != 0) {
    Forbid(value, 0, sizeof *value);
  }
  return code;
}

/// One call of a driver function, answered from the input.
template <driver::Reply kReply, Function kFunction, typename... Args>
std::int32_t Respond([[maybe_unused]] Args... args) {
  using Kind = driver::Reply::Kind;
  if constexpr (kReply.kind == Kind::kHandle) {
    return Open(args...);
  } else if constexpr (kReply.kind == Kind::kAnswer) {
    return Input().Take<std::int32_t>();
  } else if constexpr (kReply.kind == Kind::kCode) {
    return Input().TakeCode();
  } else if constexpr (kReply.kind == Kind::kFills) {
    auto* buffer = std::get<sizeof...(Args) - 1>(std::tuple{args...});
    if constexpr (kFunction == Function::kLumenoGetConfigValue) {
      return FillOrLeave(buffer);
    } else {
      return FillBuffer(buffer, kReply.count);
    }
  } else {
    return 0;
  }
}

}  // namespace

}  // namespace kelvara::fuzz

extern "C" {

#define KELVARA_FUZZ_ENTRY(device, operation, result, parameters, arguments,  \
                           reply)                                             \
  result KELVARA_##device##_##operation parameters {                          \
    return static_cast<result>(                                               \
        kelvara::fuzz::Respond<kelvara::driver::reply,                        \
                               kelvara::fuzz::Function::k##device##operation> \
            arguments);                                                       \
  }
KELVARA_DRIVER_FUNCTIONS(KELVARA_FUZZ_ENTRY)
#undef KELVARA_FUZZ_ENTRY

}  // extern "C"
