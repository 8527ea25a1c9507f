#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string_view>
#include <utility>

#include <wpi/hardware/bus/CANPort.hpp>
#include <wpi/math/geometry/Quaternion.hpp>
#include <wpi/math/geometry/Rotation2d.hpp>
#include <wpi/math/geometry/Rotation3d.hpp>
#include <wpi/units/acceleration.hpp>
#include <wpi/units/angle.hpp>
#include <wpi/units/angular_velocity.hpp>
#include <wpi/units/magnetic_field_strength.hpp>
#include <wpi/units/temperature.hpp>
#include <wpi/units/time.hpp>

#include "kelvara/KelvaraLib.h"
#include "kelvara/Status.hpp"
#include "kelvara/UsbPort.hpp"
#include "kelvara/detail/CInterface.hpp"
#include "kelvara/detail/CanPortNumber.hpp"
#include "kelvara/detail/DeviceHandle.hpp"

namespace kelvara {

/// Angular velocity about the IMU's three axes.
struct AngularVelocity3d {
  ///@{
  /// The rate about the device's x, y or z axis, as the device measured it.
  wpi::units::radians_per_second_t x{0.0};
  wpi::units::radians_per_second_t y{0.0};
  wpi::units::radians_per_second_t z{0.0};
  ///@}
};

/// Linear acceleration along the IMU's three axes.
struct Acceleration3d {
  ///@{
  /// The acceleration along the device's x, y or z axis, as the device
  /// measured it.
  wpi::units::meters_per_second_squared_t x{0.0};
  wpi::units::meters_per_second_squared_t y{0.0};
  wpi::units::meters_per_second_squared_t z{0.0};
  ///@}
};

/// The magnetic field that the IMU measures.
struct MagneticField {
  ///@{
  /// The field along the device's x, y or z axis.
  wpi::units::microtesla_t x{0.0};
  wpi::units::microtesla_t y{0.0};
  wpi::units::microtesla_t z{0.0};
  ///@}
  /// The field strength as the device reports it, not computed here from x,
  /// y and z.
  wpi::units::microtesla_t strength{0.0};
};

/**
 * The state of the IMU's orientation algorithm, as the device reports it.
 * The values carry no unit; their meaning is the device's.
 */
struct AlgorithmState {
  ///@{
  /// The algorithm's state vector, its three elements in the device's order.
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  ///@}
  ///@{
  /// An algorithm flag: true when the device reports it as any nonzero word.
  bool flag0 = false;
  bool flag1 = false;
  ///@}
  ///@{
  /// The algorithm's four further values, in the device's order.
  double value0 = 0.0;
  double value1 = 0.0;
  double value2 = 0.0;
  double value3 = 0.0;
  ///@}
};

/**
 * A kind of message that the IMU can be told to send. Its value goes to the
 * driver unchanged; so does a value that no enumerator names.
 */
enum class KinetraMessage : std::int32_t {
  /// Yaw, pitch, roll and the angle value.
  kOrientation = 0,
  /// The orientation quaternions.
  kQuaternion = 1,
  /// The rates that Kinetra::GetAngularVelocity reads.
  kAngularVelocity = 2,
  /// The acceleration that Kinetra::GetLinearAcceleration reads.
  kLinearAcceleration = 3,
  /// The field that Kinetra::GetMagneticField reads.
  kMagneticField = 4,
  /// The state that Kinetra::GetAlgorithmState reads.
  kAlgorithmState = 5,
  /// The temperature that Kinetra::GetTemperature reads.
  kTemperature = 6,
};

/**
 * The eight values of an IMU self-test, copied bit for bit from the device's
 * answer in its order. What each value means is the device's.
 */
struct SelfTestResult {
  ///@{
  /// A value of the answer: result0 is its first, result7 its last.
  std::int32_t result0 = 0;
  std::int32_t result1 = 0;
  std::int32_t result2 = 0;
  std::int32_t result3 = 0;
  std::int32_t result4 = 0;
  std::int32_t result5 = 0;
  std::int32_t result6 = 0;
  std::int32_t result7 = 0;
  ///@}
};

/**
 * Everything one IMU sample holds, all from the same record of the device:
 * each value is what its getter of Kinetra (GetYaw() for yaw, and so on)
 * would return for that record, empty where the getter would be empty.
 * Returned by Kinetra::GetSample().
 */
struct KinetraSample {
  /// Yaw in degrees (Kinetra::GetYaw()).
  std::optional<wpi::units::degree_t> yaw;
  /// Pitch in degrees (Kinetra::GetPitch()).
  std::optional<wpi::units::degree_t> pitch;
  /// Roll in degrees (Kinetra::GetRoll()).
  std::optional<wpi::units::degree_t> roll;
  /// The device's continuous angle in degrees (Kinetra::GetAngle()).
  std::optional<wpi::units::degree_t> angle;
  /// The yaw as a planar rotation (Kinetra::GetRotation2d()).
  std::optional<wpi::math::Rotation2d> rotation2d;
  /// The orientation from six axes (Kinetra::GetRotation3d()).
  std::optional<wpi::math::Rotation3d> rotation3d;
  /// The six-axis quaternion as delivered (Kinetra::GetQuaternion6d()).
  std::optional<wpi::math::Quaternion> quaternion6d;
  /// The nine-axis quaternion as delivered (Kinetra::GetQuaternion9d()).
  std::optional<wpi::math::Quaternion> quaternion9d;
  /// Angular velocity in radians per second (Kinetra::GetAngularVelocity()).
  std::optional<AngularVelocity3d> angularVelocity;
  /// Linear acceleration in metres per second squared
  /// (Kinetra::GetLinearAcceleration()).
  std::optional<Acceleration3d> linearAcceleration;
  /// Magnetic field in microtesla (Kinetra::GetMagneticField()).
  std::optional<MagneticField> magneticField;
  /// The orientation algorithm's state (Kinetra::GetAlgorithmState()).
  std::optional<AlgorithmState> algorithmState;
  /// Temperature in degrees Celsius (Kinetra::GetTemperature()).
  std::optional<wpi::units::celsius_t> temperature;
  /// The time of the sample in seconds (Kinetra::GetTimestamp()); empty
  /// when the sample holds no valid value at all.
  std::optional<wpi::units::second_t> timestamp;
  /// True when the sample's time is synchronised (Kinetra::IsTimeSynced()).
  bool timeSynced = false;
};

namespace detail {

// One IMU sample crosses from the driver to the inline getters as the
// driver's own record, KelvaraLib_KinetraData, written in place by the one
// driver call. The getters and GetSample take each value from it through
// its KinetraField below, which reads the value only when its group is
// valid: the fields of the other groups hold nothing meaningful.

/// The validity bits of KelvaraLib_KinetraData::validMask, one per group of
/// values. kKinetraTime, all of them, stands for the time fields, which
/// count as valid when any group is.
inline constexpr std::uint32_t kKinetraYaw = 0x001;
inline constexpr std::uint32_t kKinetraPitchRoll = 0x002;
inline constexpr std::uint32_t kKinetraAngle = 0x004;
inline constexpr std::uint32_t kKinetraQuaternion6d = 0x008;
inline constexpr std::uint32_t kKinetraQuaternion9d = 0x010;
inline constexpr std::uint32_t kKinetraAngularVelocity = 0x020;
inline constexpr std::uint32_t kKinetraLinearAcceleration = 0x040;
inline constexpr std::uint32_t kKinetraMagneticField = 0x080;
inline constexpr std::uint32_t kKinetraAlgorithmState = 0x100;
inline constexpr std::uint32_t kKinetraTemperature = 0x200;
inline constexpr std::uint32_t kKinetraTime = 0x3FF;

/// A sample record as the driver wrote it.
using KinetraValues = KelvaraLib_KinetraData;

/// One value of a sample: the group that holds it and its conversion. Every
/// getter and the whole sample take their values through these.
template <typename T>
struct KinetraField {
  std::uint32_t group;
  T (*convert)(const KinetraValues&);

  /// True when the record holds this value: one of its group's bits is set.
  bool IsIn(const KinetraValues& values) const {
    return (values.validMask & group) != 0;
  }

  /// The value, or empty when its group holds none.
  std::optional<T> operator()(const KinetraValues& values) const {
    if (!IsIn(values)) {
      return std::nullopt;
    }
    return convert(values);
  }

  /// Puts the value into out, which stays as it is when the group holds
  /// none. Fills a sample in place, without a temporary per value.
  void Into(const KinetraValues& values, std::optional<T>& out) const {
    if (IsIn(values)) {
      out.emplace(convert(values));
    }
  }
};

/// A flag of a sample: its value, or false when its group holds none.
struct KinetraFlag : KinetraField<bool> {
  /// The flag; false when its group holds no value.
  bool operator()(const KinetraValues& values) const {
    return KinetraField<bool>::operator()(values).value_or(false);
  }
};

/// A quaternion from four values in the order w, x, y, z, not normalised.
inline wpi::math::Quaternion ToQuaternion(const double (&wxyz)[4]) {
  return wpi::math::Quaternion{wxyz[0], wxyz[1], wxyz[2], wxyz[3]};
}

inline constexpr KinetraField<wpi::units::degree_t> kKinetraYawField{
    kKinetraYaw,
    [](const KinetraValues& v) { return wpi::units::degree_t{v.yaw}; }};
inline constexpr KinetraField<wpi::units::degree_t> kKinetraPitchField{
    kKinetraPitchRoll,
    [](const KinetraValues& v) { return wpi::units::degree_t{v.pitch}; }};
inline constexpr KinetraField<wpi::units::degree_t> kKinetraRollField{
    kKinetraPitchRoll,
    [](const KinetraValues& v) { return wpi::units::degree_t{v.roll}; }};
inline constexpr KinetraField<wpi::units::degree_t> kKinetraAngleField{
    kKinetraAngle,
    [](const KinetraValues& v) { return wpi::units::degree_t{v.angle}; }};
inline constexpr KinetraField<wpi::math::Rotation2d> kKinetraRotation2dField{
    kKinetraYaw, [](const KinetraValues& v) {
      return wpi::math::Rotation2d{wpi::units::degree_t{v.yaw}};
    }};
inline constexpr KinetraField<wpi::math::Rotation3d> kKinetraRotation3dField{
    kKinetraQuaternion6d, [](const KinetraValues& v) {
      return wpi::math::Rotation3d{ToQuaternion(v.quaternion6d)};
    }};
inline constexpr KinetraField<wpi::math::Quaternion> kKinetraQuaternion6dField{
    kKinetraQuaternion6d,
    [](const KinetraValues& v) { return ToQuaternion(v.quaternion6d); }};
inline constexpr KinetraField<wpi::math::Quaternion> kKinetraQuaternion9dField{
    kKinetraQuaternion9d,
    [](const KinetraValues& v) { return ToQuaternion(v.quaternion9d); }};
inline constexpr KinetraField<AngularVelocity3d> kKinetraAngularVelocityField{
    kKinetraAngularVelocity, [](const KinetraValues& v) {
      using wpi::units::radians_per_second_t;
      return AngularVelocity3d{radians_per_second_t{v.angularVelocity[0]},
                               radians_per_second_t{v.angularVelocity[1]},
                               radians_per_second_t{v.angularVelocity[2]}};
    }};
inline constexpr KinetraField<Acceleration3d> kKinetraLinearAccelerationField{
    kKinetraLinearAcceleration, [](const KinetraValues& v) {
      using wpi::units::meters_per_second_squared_t;
      return Acceleration3d{
          meters_per_second_squared_t{v.linearAcceleration[0]},
          meters_per_second_squared_t{v.linearAcceleration[1]},
          meters_per_second_squared_t{v.linearAcceleration[2]}};
    }};
inline constexpr KinetraField<MagneticField> kKinetraMagneticFieldField{
    kKinetraMagneticField, [](const KinetraValues& v) {
      using wpi::units::microtesla_t;
      return MagneticField{
          microtesla_t{v.magneticField[0]}, microtesla_t{v.magneticField[1]},
          microtesla_t{v.magneticField[2]}, microtesla_t{v.magneticField[3]}};
    }};
inline constexpr KinetraField<AlgorithmState> kKinetraAlgorithmStateField{
    kKinetraAlgorithmState, [](const KinetraValues& v) {
      return AlgorithmState{
          v.algorithmVector[0],  v.algorithmVector[1],  v.algorithmVector[2],
          v.algorithmFlag0 != 0, v.algorithmFlag1 != 0, v.algorithmValue0,
          v.algorithmValue1,     v.algorithmValue2,     v.algorithmValue3};
    }};
inline constexpr KinetraField<wpi::units::celsius_t> kKinetraTemperatureField{
    kKinetraTemperature, [](const KinetraValues& v) {
      return wpi::units::celsius_t{v.temperature};
    }};
inline constexpr KinetraField<wpi::units::second_t> kKinetraTimestampField{
    kKinetraTime, [](const KinetraValues& v) {
      const wpi::units::second_t seconds =
          wpi::units::nanosecond_t{static_cast<double>(v.timestampNs)};
      return seconds;
    }};
inline constexpr KinetraFlag kKinetraTimeSyncedField{
    {kKinetraTime, [](const KinetraValues& v) { return v.timeSynced != 0; }}};

/// A sample that holds no value.
inline constexpr KinetraSample kEmptySample{};

/// Fills an empty sample with the values of one record.
inline void FillSample(const KinetraValues& v, KinetraSample& sample) {
  kKinetraYawField.Into(v, sample.yaw);
  kKinetraPitchField.Into(v, sample.pitch);
  kKinetraRollField.Into(v, sample.roll);
  kKinetraAngleField.Into(v, sample.angle);
  kKinetraRotation2dField.Into(v, sample.rotation2d);
  kKinetraRotation3dField.Into(v, sample.rotation3d);
  kKinetraQuaternion6dField.Into(v, sample.quaternion6d);
  kKinetraQuaternion9dField.Into(v, sample.quaternion9d);
  kKinetraAngularVelocityField.Into(v, sample.angularVelocity);
  kKinetraLinearAccelerationField.Into(v, sample.linearAcceleration);
  kKinetraMagneticFieldField.Into(v, sample.magneticField);
  kKinetraAlgorithmStateField.Into(v, sample.algorithmState);
  kKinetraTemperatureField.Into(v, sample.temperature);
  kKinetraTimestampField.Into(v, sample.timestamp);
  sample.timeSynced = kKinetraTimeSyncedField(v);
}

}  // namespace detail

/**
 * The Kinetra inertial measurement unit.
 *
 * A Kinetra object owns one driver handle for its whole life and is
 * move-only. Opening never fails visibly: when the device cannot be opened the
 * object still exists, IsConnected() returns false and its operations report
 * the driver's failures. The extra integer that every opening operation takes
 * goes to the driver unchanged; only the driver gives it a meaning.
 */
class Kinetra {
 public:
  /**
   * Opens the IMU on a CAN port.
   *
   * @param canId the device's CAN id
   * @param port the CAN port it is attached to
   * @param extra passed to the driver unchanged
   */
  Kinetra(int canId, wpi::CANPort port, int extra)
      : m_handle{KelvaraLib_Kinetra_OpenCan(detail::CanPortNumber(port), canId,
                                            extra)} {}

  /**
   * Opens the IMU on USB without naming a port.
   *
   * @param extra passed to the driver unchanged
   */
  static Kinetra Usb(int extra) {
    return Kinetra{KelvaraLib_Kinetra_OpenUsb(KelvaraLib_kNoUsbPort, extra)};
  }

  /**
   * Opens the IMU on the given USB port.
   *
   * @param port the USB port
   * @param extra passed to the driver unchanged
   */
  static Kinetra Usb(UsbPort port, int extra) {
    return Kinetra{KelvaraLib_Kinetra_OpenUsb(std::to_underlying(port), extra)};
  }

  /**
   * Opens the IMU on a serial device.
   *
   * @param path the serial device's path; the driver sees it up to its first
   *     zero character
   * @param extra passed to the driver unchanged
   * @throws std::bad_alloc if the path cannot be copied
   */
  static Kinetra FromSerialDevice(std::string_view path, int extra) {
    return Kinetra{
        detail::OpenSerial(KelvaraLib_Kinetra_OpenSerial, path, extra)};
  }

  /// Takes over the other object's device; the other holds none afterwards.
  Kinetra(Kinetra&& other) noexcept = default;

  /// Releases this object's device, then takes over the other's.
  Kinetra& operator=(Kinetra&& other) noexcept = default;

  Kinetra(const Kinetra&) = delete;
  Kinetra& operator=(const Kinetra&) = delete;

  /// Releases the device.
  ~Kinetra() = default;

  /// Returns true when the driver reports the device as connected.
  bool IsConnected() const {
    return KelvaraLib_Kinetra_IsConnected(m_handle.Get());
  }

  // Sample getters. Each asks the driver for a fresh sample, so two getters
  // called one after the other may see different samples. Each result is
  // empty when the driver call fails or the sample marks the value invalid.

  /// Returns the yaw in degrees, or empty when no valid yaw is available.
  std::optional<wpi::units::degree_t> GetYaw() const {
    return Read(detail::kKinetraYawField);
  }

  /// Returns the pitch in degrees, or empty when no valid pitch is available.
  std::optional<wpi::units::degree_t> GetPitch() const {
    return Read(detail::kKinetraPitchField);
  }

  /// Returns the roll in degrees, or empty when no valid roll is available.
  std::optional<wpi::units::degree_t> GetRoll() const {
    return Read(detail::kKinetraRollField);
  }

  /// Returns the device's angle value in degrees, or empty when no valid angle
  /// is available.
  std::optional<wpi::units::degree_t> GetAngle() const {
    return Read(detail::kKinetraAngleField);
  }

  /// Returns the yaw as a planar rotation, or empty when no valid yaw is
  /// available.
  std::optional<wpi::math::Rotation2d> GetRotation2d() const {
    return Read(detail::kKinetraRotation2dField);
  }

  /// Returns the orientation from the six-axis quaternion (normalised by the
  /// rotation), or empty when no valid six-axis quaternion is available.
  std::optional<wpi::math::Rotation3d> GetRotation3d() const {
    return Read(detail::kKinetraRotation3dField);
  }

  /// Returns the orientation computed from six sensor axes, as delivered (not
  /// normalised), or empty when it is not valid.
  std::optional<wpi::math::Quaternion> GetQuaternion6d() const {
    return Read(detail::kKinetraQuaternion6dField);
  }

  /// Returns the orientation computed from nine sensor axes, as delivered (not
  /// normalised), or empty when it is not valid.
  std::optional<wpi::math::Quaternion> GetQuaternion9d() const {
    return Read(detail::kKinetraQuaternion9dField);
  }

  /// Returns the angular velocity in radians per second, or empty when it is
  /// not valid.
  std::optional<AngularVelocity3d> GetAngularVelocity() const {
    return Read(detail::kKinetraAngularVelocityField);
  }

  /// Returns the linear acceleration in metres per second squared, or empty
  /// when it is not valid.
  std::optional<Acceleration3d> GetLinearAcceleration() const {
    return Read(detail::kKinetraLinearAccelerationField);
  }

  /// Returns the magnetic field in microtesla, or empty when it is not valid.
  std::optional<MagneticField> GetMagneticField() const {
    return Read(detail::kKinetraMagneticFieldField);
  }

  /// Returns the orientation algorithm's state, or empty when it is not
  /// valid.
  std::optional<AlgorithmState> GetAlgorithmState() const {
    return Read(detail::kKinetraAlgorithmStateField);
  }

  /// Returns the device's temperature in degrees Celsius, or empty when it is
  /// not valid.
  std::optional<wpi::units::celsius_t> GetTemperature() const {
    return Read(detail::kKinetraTemperatureField);
  }

  /// Returns the time of the sample in seconds, or empty when the sample holds
  /// no valid value at all.
  std::optional<wpi::units::second_t> GetTimestamp() const {
    return Read(detail::kKinetraTimestampField);
  }

  /// Returns true when the sample's time is synchronised; false when it is
  /// not, when the sample holds no valid value or when the driver call fails.
  bool IsTimeSynced() const { return Read(detail::kKinetraTimeSyncedField); }

  /**
   * Takes one sample and returns every value it holds, all from the same
   * record: one driver call, where calling the getters would make one each
   * and might see a different sample each time. Use it where values must
   * belong together, such as a heading and the time it was measured.
   *
   * @return the sample, each value empty where its getter would be empty
   *     (a sample that marks nothing valid has every value empty); the
   *     driver's result code when the driver call fails
   */
  std::expected<KinetraSample, Status> GetSample() const {
    detail::KinetraValues record;  // NOLINT(*-member-init): see Fetch
    const std::int32_t code = Fetch(record);
    std::expected<KinetraSample, Status> sample{std::unexpect,
                                                detail::ToStatus(code)};
    if (code == 0) {
      // An empty sample is assigned, then filled in place. Assignment sets
      // the expected's flag after making the value; libc++ 16 keeps that
      // flag in the value's tail padding, which making the value clears, so
      // a sample made inside the expected (constructed or emplaced) would
      // lose it.
      sample = detail::kEmptySample;
      detail::FillSample(record, *sample);
    }
    return sample;
  }

  /**
   * Makes the device's current heading its zero yaw.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status ResetYaw() {
    return detail::ToStatus(KelvaraLib_Kinetra_ResetYaw(m_handle.Get()));
  }

  /**
   * Sets the device's output rate. The rate goes to the driver unchecked; the
   * driver decides which rates it accepts and in which unit.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetOutputRate(int rate) {
    return detail::ToStatus(
        KelvaraLib_Kinetra_SetOutputRate(m_handle.Get(), rate));
  }

  /**
   * Tells the device to send a kind of message.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status EnableMessages(KinetraMessage message) {
    return detail::ToStatus(KelvaraLib_Kinetra_EnableMessages(
        m_handle.Get(), std::to_underlying(message)));
  }

  /**
   * Chooses whether the device computes yaw from nine sensor axes (true) or
   * from six (false).
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status Use9AxisYaw(bool nineAxes) {
    return detail::ToStatus(
        KelvaraLib_Kinetra_Use9AxisYaw(m_handle.Get(), nineAxes));
  }

  /**
   * Reads the device's firmware version; its numbers are not limited to
   * 0 to 255.
   *
   * @return the version, or the driver's result code when the query fails
   */
  std::expected<FirmwareVersion, Status> GetFirmwareVersion() {
    KelvaraLib_FirmwareVersion version;
    const std::int32_t code =
        KelvaraLib_Kinetra_GetFirmwareVersion(m_handle.Get(), &version);
    return detail::ToExpected(code, [&version] {
      return FirmwareVersion{version.major, version.minor, version.patch};
    });
  }

  /**
   * Reads the sensor's identifier.
   *
   * @return its three words in the device's order, or the driver's result
   *     code when the query fails
   */
  std::expected<std::array<unsigned int, 3>, Status> GetSensorUuid() {
    KelvaraLib_KinetraSensorUuid uuid;
    const std::int32_t code =
        KelvaraLib_Kinetra_GetSensorUuid(m_handle.Get(), &uuid);
    return detail::ToExpected(code, [&uuid] {
      return std::array<unsigned int, 3>{uuid.words[0], uuid.words[1],
                                         uuid.words[2]};
    });
  }

  /**
   * Runs the device's self-test.
   *
   * @return the eight values it reports, or the driver's result code when the
   *     query fails
   */
  std::expected<SelfTestResult, Status> SelfTest() {
    KelvaraLib_KinetraSelfTest result;
    const std::int32_t code =
        KelvaraLib_Kinetra_SelfTest(m_handle.Get(), &result);
    return detail::ToExpected(code, [&result] {
      const auto& r = result.results;
      return SelfTestResult{r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]};
    });
  }

 private:
  /// Takes over a handle that the driver issued.
  explicit Kinetra(std::int32_t handle) : m_handle{handle} {}

  /**
   * Fetches one sample into record, which the driver writes in place: one
   * driver call. The library clears only the validity bits before the
   * call; no other part of the record may be read unless its group is valid.
   *
   * @return the driver's result code; record holds nothing when it fails
   */
  std::int32_t Fetch(detail::KinetraValues& record) const {
    return KelvaraLib_Kinetra_GetData(m_handle.Get(), &record);
  }

  /// One value of a fresh sample, as field gives it from the record; empty
  /// (or false) when the driver call fails.
  template <typename Field>
  auto Read(const Field& field) const
      -> decltype(field(std::declval<const detail::KinetraValues&>())) {
    detail::KinetraValues record;  // NOLINT(*-member-init): see Fetch
    if (Fetch(record) != 0 || !field.IsIn(record)) {
      return {};
    }
    return field.convert(record);
  }

  detail::DeviceHandle<Kinetra> m_handle;
};

}  // namespace kelvara
