// The smallest driver that answers every call successfully: fixed handles,
// result code 0, and records copied from constants. The benchmarks call it
// both through the library and by hand, so that the difference between the
// two is the library's own cost.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>

#include "driver/KelvaraLibDriver.hpp"

namespace {

constexpr KinetraData kKinetraData{
    .validMask = 0x3FF,
    .reserved0 = {},
    .timestampNs = 1'500'000'000,
    .timeSynced = 1,
    .reserved1 = {},
    .yaw = 12.5,
    .pitch = -3.25,
    .roll = 1.5,
    .angle = 372.5,
    .quaternion6d = {0.9238795325112867, 0.0, 0.0, 0.3826834323650898},
    .quaternion9d = {0.9238795325112867, 0.0, 0.0, 0.3826834323650898},
    .angularVelocity = {0.1, -0.2, 0.3},
    .linearAcceleration = {0.5, 0.25, -9.80665},
    .magneticField = {20.0, -5.0, 40.0, 45.0},
    .algorithmVector = {1.0, 2.0, 3.0},
    .algorithmFlag0 = 1,
    .algorithmFlag1 = 0,
    .algorithmValue0 = 0.5,
    .algorithmValue1 = 0.25,
    .algorithmValue2 = 0.125,
    .algorithmValue3 = 0.0625,
    .temperature = 31.5,
};

constexpr LumenoColorData kColor{
    .valid = 1,
    .reserved0 = {},
    .tag = 7,
    .reserved1 = {},
    .X = 0.2,
    .Y = 0.3,
    .Z = 0.5,
};

constexpr VantorScanData MakeScan() {
  VantorScanData scan{};
  scan.valid = 1;
  scan.tag = 3;
  scan.zoneCount = 64;
  for (int i = 0; i < 64; ++i) {
    scan.distances[i] = static_cast<std::int16_t>(4000 - 37 * i);
  }
  return scan;
}
constexpr VantorScanData kScan = MakeScan();

constexpr VantorConfigData kConfig{
    .setting0 = 1,
    .flag0 = 1,
    .flag1 = 0,
    .flag2 = 1,
    .setting1 = 15,
    .zoneMaskPresent = 1,
    .zoneMask = ~std::uint64_t{0},
    .firmwareVersionPresent = 1,
    .firmwareVersion = {1, 4, 2},
    .setting2 = 60,
    .setting3 = 0,
};

constexpr std::int32_t kVersion[3] = {2, 1, 7};
constexpr std::uint32_t kUuid[3] = {0xDEADBEEF, 0x01234567, 0x89ABCDEF};
constexpr std::int32_t kSelfTest[8] = {1, 1, 1, 1, 0, 0, 0, 0};
constexpr std::uint32_t kConfigValue = 0x00010407;

/// The values copied into a buffer of Count values of type T: each buffer
/// that a driver function fills has its own type and count.
template <typename T, std::size_t Count>
constexpr const T* kCanned = nullptr;
template <>
constexpr const KinetraData* kCanned<KinetraData, 1> = &kKinetraData;
template <>
constexpr const std::int32_t* kCanned<std::int32_t, 3> = kVersion;
template <>
constexpr const std::uint32_t* kCanned<std::uint32_t, 3> = kUuid;
template <>
constexpr const std::int32_t* kCanned<std::int32_t, 8> = kSelfTest;
template <>
constexpr const LumenoColorData* kCanned<LumenoColorData, 1> = &kColor;
template <>
constexpr const std::uint32_t* kCanned<std::uint32_t, 1> = &kConfigValue;
template <>
constexpr const VantorScanData* kCanned<VantorScanData, 1> = &kScan;
template <>
constexpr const VantorConfigData* kCanned<VantorConfigData, 1> = &kConfig;

/// The handle that each kind of device is opened with; the bus has none.
enum class Device : std::int32_t {
  kCanBus = 0,
  kKinetra = 1,
  kLumeno = 2,
  kVantor = 3,
};

/// Every call succeeds: a create returns the device's handle, a connection
/// test and the bus mode answer 1, a command returns 0, and a buffer is
/// filled from its constant.
template <kelvara::driver::Reply kReply, Device kDevice, typename... Args>
std::int32_t Respond([[maybe_unused]] Args... args) {
  using Kind = kelvara::driver::Reply::Kind;
  if constexpr (kReply.kind == Kind::kHandle) {
    return static_cast<std::int32_t>(kDevice);
  } else if constexpr (kReply.kind == Kind::kAnswer) {
    return 1;
  } else if constexpr (kReply.kind == Kind::kFills) {
    auto* buffer = std::get<sizeof...(Args) - 1>(std::tuple{args...});
    using Value = std::remove_pointer_t<decltype(buffer)>;
    constexpr const Value* kValues = kCanned<Value, kReply.count>;
    static_assert(kValues != nullptr, "a buffer without canned values");
    std::memcpy(buffer, kValues, kReply.count * sizeof(Value));
    return 0;
  } else {
    return 0;
  }
}

}  // namespace

extern "C" {

#define KELVARA_MINIMAL_ENTRY(device, operation, result, parameters,   \
                              arguments, reply)                        \
  result KELVARA_##device##_##operation parameters {                   \
    return static_cast<result>(                                        \
        Respond<kelvara::driver::reply, Device::k##device> arguments); \
  }
KELVARA_DRIVER_FUNCTIONS(KELVARA_MINIMAL_ENTRY)
#undef KELVARA_MINIMAL_ENTRY

}  // extern "C"
