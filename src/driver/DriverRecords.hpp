// The raw records that the driver fills through a pointer. Their layouts are
// fixed by the driver: little-endian, naturally aligned, doubles in IEEE 754
// double precision. Reserved bytes are never read.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

/// One IMU sample, written by KELVARA_Kinetra_GetData.
struct KinetraData {
  /// Bit n set: group n below holds a valid value (see KinetraValid).
  std::uint32_t validMask;
  std::uint8_t reserved0[4];
  /// Time of the sample in nanoseconds.
  std::int64_t timestampNs;
  /// Nonzero when the sample time is synchronised.
  std::int32_t timeSynced;
  std::uint8_t reserved1[4];
  // Yaw, pitch, roll and the continuous angle, in degrees.
  double yaw;
  double pitch;
  double roll;
  double angle;
  // The six-axis and the nine-axis quaternion, each w, x, y, z.
  double quaternion6d[4];
  double quaternion9d[4];
  /// Radians per second, x, y, z.
  double angularVelocity[3];
  /// Metres per second squared, x, y, z.
  double linearAcceleration[3];
  /// Microtesla, x, y, z, then the field strength.
  double magneticField[4];
  // The orientation algorithm's state: a vector, two flags (nonzero: set)
  // and four values, none with a unit.
  double algorithmVector[3];
  std::int32_t algorithmFlag0;
  std::int32_t algorithmFlag1;
  double algorithmValue0;
  double algorithmValue1;
  double algorithmValue2;
  double algorithmValue3;
  /// Degrees Celsius.
  double temperature;
};

/// One colour sample, written by KELVARA_Lumeno_GetColor.
struct LumenoColorData {
  /// 0: the record holds no sample.
  std::int32_t valid;
  std::uint8_t reserved0[12];
  std::int32_t tag;
  std::uint8_t reserved1[4];
  // CIE 1931 tristimulus values.
  double X;
  double Y;
  double Z;
};

/// One range frame, written by KELVARA_Vantor_GetScan. The driver may write
/// up to 160 bytes; the fields read end at byte 152.
struct VantorScanData {
  /// 0: the record holds no scan.
  std::int32_t valid;
  std::uint8_t reserved0[12];
  std::int32_t tag;
  /// 16 or 64.
  std::int32_t zoneCount;
  /// Millimetres, row-major; negative: no reading.
  std::int16_t distances[64];
  std::uint8_t reserved1[8];
};

/// The ranger's configuration, written by KELVARA_Vantor_GetConfig.
struct VantorConfigData {
  std::int32_t setting0;
  std::int32_t flag0;
  std::int32_t flag1;
  std::int32_t flag2;
  std::int32_t setting1;
  /// Nonzero: zoneMask holds the mask.
  std::int32_t zoneMaskPresent;
  std::uint64_t zoneMask;
  /// Nonzero: firmwareVersion holds major, minor, patch.
  std::int32_t firmwareVersionPresent;
  std::int32_t firmwareVersion[3];
  /// 0 or negative: absent.
  std::int32_t setting2;
  std::int32_t setting3;
};

}  // extern "C"

namespace kelvara::driver {

/// Validity bits of KinetraData::validMask.
inline constexpr std::uint32_t kKinetraValidYaw = 0x001;
inline constexpr std::uint32_t kKinetraValidPitchRoll = 0x002;
inline constexpr std::uint32_t kKinetraValidAngle = 0x004;
inline constexpr std::uint32_t kKinetraValidQuaternion6d = 0x008;
inline constexpr std::uint32_t kKinetraValidQuaternion9d = 0x010;
inline constexpr std::uint32_t kKinetraValidAngularVelocity = 0x020;
inline constexpr std::uint32_t kKinetraValidLinearAcceleration = 0x040;
inline constexpr std::uint32_t kKinetraValidMagneticField = 0x080;
inline constexpr std::uint32_t kKinetraValidAlgorithmState = 0x100;
inline constexpr std::uint32_t kKinetraValidTemperature = 0x200;
/// The time fields are usable when any of the ten groups is valid.
inline constexpr std::uint32_t kKinetraValidAnyGroup = 0x3FF;

/// Size of the buffer handed to KELVARA_Vantor_GetScan.
inline constexpr std::size_t kVantorScanBufferSize = 160;

}  // namespace kelvara::driver

static_assert(sizeof(KinetraData) == 272);
static_assert(offsetof(KinetraData, validMask) == 0);
static_assert(offsetof(KinetraData, timestampNs) == 8);
static_assert(offsetof(KinetraData, timeSynced) == 16);
static_assert(offsetof(KinetraData, yaw) == 24);
static_assert(offsetof(KinetraData, pitch) == 32);
static_assert(offsetof(KinetraData, roll) == 40);
static_assert(offsetof(KinetraData, angle) == 48);
static_assert(offsetof(KinetraData, quaternion6d) == 56);
static_assert(offsetof(KinetraData, quaternion9d) == 88);
static_assert(offsetof(KinetraData, angularVelocity) == 120);
static_assert(offsetof(KinetraData, linearAcceleration) == 144);
static_assert(offsetof(KinetraData, magneticField) == 168);
static_assert(offsetof(KinetraData, algorithmVector) == 200);
static_assert(offsetof(KinetraData, algorithmFlag0) == 224);
static_assert(offsetof(KinetraData, algorithmFlag1) == 228);
static_assert(offsetof(KinetraData, algorithmValue0) == 232);
static_assert(offsetof(KinetraData, algorithmValue1) == 240);
static_assert(offsetof(KinetraData, algorithmValue2) == 248);
static_assert(offsetof(KinetraData, algorithmValue3) == 256);
static_assert(offsetof(KinetraData, temperature) == 264);

static_assert(sizeof(LumenoColorData) == 48);
static_assert(offsetof(LumenoColorData, valid) == 0);
static_assert(offsetof(LumenoColorData, tag) == 16);
static_assert(offsetof(LumenoColorData, X) == 24);
static_assert(offsetof(LumenoColorData, Y) == 32);
static_assert(offsetof(LumenoColorData, Z) == 40);

static_assert(sizeof(VantorScanData) == kelvara::driver::kVantorScanBufferSize);
static_assert(offsetof(VantorScanData, valid) == 0);
static_assert(offsetof(VantorScanData, tag) == 16);
static_assert(offsetof(VantorScanData, zoneCount) == 20);
static_assert(offsetof(VantorScanData, distances) == 24);
static_assert(offsetof(VantorScanData, reserved1) == 152);

static_assert(sizeof(VantorConfigData) == 56);
static_assert(offsetof(VantorConfigData, setting0) == 0);
static_assert(offsetof(VantorConfigData, flag0) == 4);
static_assert(offsetof(VantorConfigData, flag1) == 8);
static_assert(offsetof(VantorConfigData, flag2) == 12);
static_assert(offsetof(VantorConfigData, setting1) == 16);
static_assert(offsetof(VantorConfigData, zoneMaskPresent) == 20);
static_assert(offsetof(VantorConfigData, zoneMask) == 24);
static_assert(offsetof(VantorConfigData, firmwareVersionPresent) == 32);
static_assert(offsetof(VantorConfigData, firmwareVersion) == 36);
static_assert(offsetof(VantorConfigData, setting2) == 48);
static_assert(offsetof(VantorConfigData, setting3) == 52);
