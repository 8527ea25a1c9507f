#include "kelvara/Kinetra.hpp"

#include <cstdint>
#include <type_traits>

#include "DriverCalls.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

namespace {

// The driver writes the sensor identifier straight into the result array
// through a pointer to 32-bit unsigned words.
static_assert(std::is_same_v<unsigned int, std::uint32_t>);

/**
 * Fetches one sample and converts it with convert. Empty when the driver call
 * fails or when none of the mask's bits is set in the sample's validity bits;
 * in both cases no field of the record is read, so an invalid or half-written
 * record never reaches the caller.
 *
 * Only the validity bits are cleared before the call (the queries below clear
 * their small buffers whole): a driver that reports success without writing
 * the record then yields an empty result instead of whatever the stack held,
 * and a getter pays for one store, not for clearing 272 bytes.
 */
template <typename T, typename Convert>
std::optional<T> GetIfValid(std::int32_t handle, std::uint32_t mask,
                            Convert convert) {
  KinetraData record;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  record.validMask = 0;
  if (KELVARA_Kinetra_GetData(handle, &record) != 0 ||
      (record.validMask & mask) == 0) {
    return std::nullopt;
  }
  return convert(record);
}

/// A quaternion from four doubles in the order w, x, y, z, not normalised.
wpi::math::Quaternion ToQuaternion(const double (&wxyz)[4]) {
  return wpi::math::Quaternion{wxyz[0], wxyz[1], wxyz[2], wxyz[3]};
}

}  // namespace

using detail::OpenDevice;
using detail::PortNumber;
using detail::ToExpected;
using detail::ToStatus;

Kinetra::Kinetra(int canId, wpi::CANPort port, int extra)
    : m_handle{OpenDevice(KELVARA_Kinetra_CreateCan, PortNumber(port), canId,
                          extra)} {}

Kinetra Kinetra::Usb(int extra) {
  return Kinetra{Adopt{}, OpenDevice(KELVARA_Kinetra_CreateUsb,
                                     detail::kNoUsbPort, extra)};
}

Kinetra Kinetra::Usb(UsbPort port, int extra) {
  return Kinetra{
      Adopt{}, OpenDevice(KELVARA_Kinetra_CreateUsb, PortNumber(port), extra)};
}

Kinetra Kinetra::FromSerialDevice(std::string_view path, int extra) {
  return Kinetra{Adopt{}, detail::OpenSerialDevice(KELVARA_Kinetra_CreateSerial,
                                                   path, extra)};
}

Kinetra::Kinetra(Adopt, int handle) : m_handle{handle} {}

bool Kinetra::IsConnected() const {
  return KELVARA_Kinetra_IsConnected(m_handle.Get()) != 0;
}

std::optional<wpi::units::degree_t> Kinetra::GetYaw() const {
  return GetIfValid<wpi::units::degree_t>(
      m_handle.Get(), driver::kKinetraValidYaw,
      [](const KinetraData& d) { return wpi::units::degree_t{d.yaw}; });
}

std::optional<wpi::units::degree_t> Kinetra::GetPitch() const {
  return GetIfValid<wpi::units::degree_t>(
      m_handle.Get(), driver::kKinetraValidPitchRoll,
      [](const KinetraData& d) { return wpi::units::degree_t{d.pitch}; });
}

std::optional<wpi::units::degree_t> Kinetra::GetRoll() const {
  return GetIfValid<wpi::units::degree_t>(
      m_handle.Get(), driver::kKinetraValidPitchRoll,
      [](const KinetraData& d) { return wpi::units::degree_t{d.roll}; });
}

std::optional<wpi::units::degree_t> Kinetra::GetAngle() const {
  return GetIfValid<wpi::units::degree_t>(
      m_handle.Get(), driver::kKinetraValidAngle,
      [](const KinetraData& d) { return wpi::units::degree_t{d.angle}; });
}

std::optional<wpi::math::Rotation2d> Kinetra::GetRotation2d() const {
  return GetIfValid<wpi::math::Rotation2d>(
      m_handle.Get(), driver::kKinetraValidYaw, [](const KinetraData& d) {
        return wpi::math::Rotation2d{wpi::units::degree_t{d.yaw}};
      });
}

std::optional<wpi::math::Rotation3d> Kinetra::GetRotation3d() const {
  return GetIfValid<wpi::math::Rotation3d>(
      m_handle.Get(), driver::kKinetraValidQuaternion6d,
      [](const KinetraData& d) {
        return wpi::math::Rotation3d{ToQuaternion(d.quaternion6d)};
      });
}

std::optional<wpi::math::Quaternion> Kinetra::GetQuaternion6d() const {
  return GetIfValid<wpi::math::Quaternion>(
      m_handle.Get(), driver::kKinetraValidQuaternion6d,
      [](const KinetraData& d) { return ToQuaternion(d.quaternion6d); });
}

std::optional<wpi::math::Quaternion> Kinetra::GetQuaternion9d() const {
  return GetIfValid<wpi::math::Quaternion>(
      m_handle.Get(), driver::kKinetraValidQuaternion9d,
      [](const KinetraData& d) { return ToQuaternion(d.quaternion9d); });
}

std::optional<AngularVelocity3d> Kinetra::GetAngularVelocity() const {
  return GetIfValid<AngularVelocity3d>(
      m_handle.Get(), driver::kKinetraValidAngularVelocity,
      [](const KinetraData& d) {
        using wpi::units::radians_per_second_t;
        return AngularVelocity3d{radians_per_second_t{d.angularVelocity[0]},
                                 radians_per_second_t{d.angularVelocity[1]},
                                 radians_per_second_t{d.angularVelocity[2]}};
      });
}

std::optional<Acceleration3d> Kinetra::GetLinearAcceleration() const {
  return GetIfValid<Acceleration3d>(
      m_handle.Get(), driver::kKinetraValidLinearAcceleration,
      [](const KinetraData& d) {
        using wpi::units::meters_per_second_squared_t;
        return Acceleration3d{
            meters_per_second_squared_t{d.linearAcceleration[0]},
            meters_per_second_squared_t{d.linearAcceleration[1]},
            meters_per_second_squared_t{d.linearAcceleration[2]}};
      });
}

std::optional<MagneticField> Kinetra::GetMagneticField() const {
  return GetIfValid<MagneticField>(
      m_handle.Get(), driver::kKinetraValidMagneticField,
      [](const KinetraData& d) {
        using wpi::units::microtesla_t;
        return MagneticField{
            microtesla_t{d.magneticField[0]}, microtesla_t{d.magneticField[1]},
            microtesla_t{d.magneticField[2]}, microtesla_t{d.magneticField[3]}};
      });
}

std::optional<AlgorithmState> Kinetra::GetAlgorithmState() const {
  return GetIfValid<AlgorithmState>(
      m_handle.Get(), driver::kKinetraValidAlgorithmState,
      [](const KinetraData& d) {
        return AlgorithmState{
            d.algorithmVector[0],  d.algorithmVector[1],  d.algorithmVector[2],
            d.algorithmFlag0 != 0, d.algorithmFlag1 != 0, d.algorithmValue0,
            d.algorithmValue1,     d.algorithmValue2,     d.algorithmValue3};
      });
}

std::optional<wpi::units::celsius_t> Kinetra::GetTemperature() const {
  return GetIfValid<wpi::units::celsius_t>(
      m_handle.Get(), driver::kKinetraValidTemperature,
      [](const KinetraData& d) {
        return wpi::units::celsius_t{d.temperature};
      });
}

std::optional<wpi::units::second_t> Kinetra::GetTimestamp() const {
  return GetIfValid<wpi::units::second_t>(
      m_handle.Get(), driver::kKinetraValidAnyGroup, [](const KinetraData& d) {
        const wpi::units::second_t seconds =
            wpi::units::nanosecond_t{static_cast<double>(d.timestampNs)};
        return seconds;
      });
}

bool Kinetra::IsTimeSynced() const {
  return GetIfValid<bool>(
             m_handle.Get(), driver::kKinetraValidAnyGroup,
             [](const KinetraData& d) { return d.timeSynced != 0; })
      .value_or(false);
}

Status Kinetra::ResetYaw() {
  return ToStatus(KELVARA_Kinetra_ResetYaw(m_handle.Get()));
}

Status Kinetra::SetOutputRate(int rate) {
  return ToStatus(KELVARA_Kinetra_SetOutputRate(m_handle.Get(), rate));
}

Status Kinetra::EnableMessages(KinetraMessage message) {
  return ToStatus(KELVARA_Kinetra_EnableMessages(
      m_handle.Get(), static_cast<std::int32_t>(message)));
}

Status Kinetra::Use9AxisYaw(bool nineAxes) {
  return ToStatus(KELVARA_Kinetra_SetYawAxes(m_handle.Get(), nineAxes ? 9 : 6));
}

std::expected<FirmwareVersion, Status> Kinetra::GetFirmwareVersion() {
  std::array<std::int32_t, 3> words{};
  const std::int32_t code =
      KELVARA_Kinetra_GetFirmwareVersion(m_handle.Get(), words.data());
  return ToExpected(code, [&words] {
    return FirmwareVersion{words[0], words[1], words[2]};
  });
}

std::expected<std::array<unsigned int, 3>, Status> Kinetra::GetSensorUuid() {
  std::array<unsigned int, 3> uuid{};
  const std::int32_t code =
      KELVARA_Kinetra_GetSensorUuid(m_handle.Get(), uuid.data());
  return ToExpected(code, [&uuid] { return uuid; });
}

std::expected<SelfTestResult, Status> Kinetra::SelfTest() {
  std::array<std::int32_t, 8> words{};
  const std::int32_t code =
      KELVARA_Kinetra_SelfTest(m_handle.Get(), words.data());
  return ToExpected(code, [&words] {
    return SelfTestResult{words[0], words[1], words[2], words[3],
                          words[4], words[5], words[6], words[7]};
  });
}

}  // namespace kelvara
