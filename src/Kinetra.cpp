#include "kelvara/Kinetra.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>
#include <utility>

#include "DriverCalls.hpp"
#include "driver/DriverValues.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

namespace {

// The driver writes the sensor identifier straight into the result array
// through a pointer to 32-bit unsigned words.
static_assert(std::is_same_v<unsigned int, std::uint32_t>);

// The sample's group bits are the device's validity bits; only the time
// fields have a bit of their own, above them.
static_assert(detail::kKinetraYaw == driver::kKinetraValidYaw);
static_assert(detail::kKinetraPitchRoll == driver::kKinetraValidPitchRoll);
static_assert(detail::kKinetraAngle == driver::kKinetraValidAngle);
static_assert(detail::kKinetraQuaternion6d ==
              driver::kKinetraValidQuaternion6d);
static_assert(detail::kKinetraQuaternion9d ==
              driver::kKinetraValidQuaternion9d);
static_assert(detail::kKinetraAngularVelocity ==
              driver::kKinetraValidAngularVelocity);
static_assert(detail::kKinetraLinearAcceleration ==
              driver::kKinetraValidLinearAcceleration);
static_assert(detail::kKinetraMagneticField ==
              driver::kKinetraValidMagneticField);
static_assert(detail::kKinetraAlgorithmState ==
              driver::kKinetraValidAlgorithmState);
static_assert(detail::kKinetraTemperature == driver::kKinetraValidTemperature);
static_assert((detail::kKinetraTime & driver::kKinetraValidAnyGroup) == 0);

// EnableMessages passes a message's value unchanged: each kind is the
// driver's number for it, and the last one is the driver's last.
static_assert(detail::SameNumbers<KinetraMessage>({
    {KinetraMessage::kOrientation, driver::kKinetraMessageOrientation},
    {KinetraMessage::kQuaternion, driver::kKinetraMessageQuaternion},
    {KinetraMessage::kAngularVelocity, driver::kKinetraMessageAngularVelocity},
    {KinetraMessage::kLinearAcceleration,
     driver::kKinetraMessageLinearAcceleration},
    {KinetraMessage::kMagneticField, driver::kKinetraMessageMagneticField},
    {KinetraMessage::kAlgorithmState, driver::kKinetraMessageAlgorithmState},
    {KinetraMessage::kTemperature, driver::kKinetraMessageTemperature},
    {KinetraMessage::kTemperature, driver::kKinetraMessageCount - 1},
}));

/// Copies a group of the record into values when its bit is in present.
template <typename T>
void CopyIf(std::uint32_t present, std::uint32_t group, const T& from, T& to) {
  if ((present & group) != 0) {
    to = from;
  }
}

template <typename T, std::size_t N>
void CopyIf(std::uint32_t present, std::uint32_t group, const T (&from)[N],
            std::array<T, N>& to) {
  if ((present & group) != 0) {
    std::copy(std::begin(from), std::end(from), to.begin());
  }
}

}  // namespace

using detail::OpenDevice;
using detail::PortNumber;
using detail::ToExpected;
using detail::ToStatus;

std::int32_t Kinetra::OpenCan(std::int32_t port, std::int32_t canId,
                              std::int32_t extra) {
  return OpenDevice(KELVARA_Kinetra_CreateCan, port, canId, extra);
}

Kinetra Kinetra::Usb(int extra) {
  return Kinetra{Adopt{}, OpenDevice(KELVARA_Kinetra_CreateUsb,
                                     driver::kNoUsbPort, extra)};
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

Status Kinetra::ReadSample(std::uint32_t groups,
                           detail::KinetraValues& values) const {
  // Only the validity bits are cleared before the call: a driver that
  // reports success without writing the record then yields no values
  // instead of whatever the stack held, and a read pays for one store, not
  // for clearing 272 bytes. No field is read unless its group is present.
  KinetraData record;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  record.validMask = 0;
  values.present = 0;
  const std::int32_t code = KELVARA_Kinetra_GetData(m_handle.Get(), &record);
  if (code != 0) {
    return ToStatus(code);
  }
  const std::uint32_t valid = record.validMask & driver::kKinetraValidAnyGroup;
  const std::uint32_t present =
      (valid & groups) | (valid != 0 ? groups & detail::kKinetraTime : 0);
  values.present = present;
  if ((present & detail::kKinetraTime) != 0) {
    values.timestampNs = record.timestampNs;
    values.timeSynced = record.timeSynced != 0;
  }
  CopyIf(present, detail::kKinetraYaw, record.yaw, values.yaw);
  CopyIf(present, detail::kKinetraPitchRoll, record.pitch, values.pitch);
  CopyIf(present, detail::kKinetraPitchRoll, record.roll, values.roll);
  CopyIf(present, detail::kKinetraAngle, record.angle, values.angle);
  CopyIf(present, detail::kKinetraQuaternion6d, record.quaternion6d,
         values.quaternion6d);
  CopyIf(present, detail::kKinetraQuaternion9d, record.quaternion9d,
         values.quaternion9d);
  CopyIf(present, detail::kKinetraAngularVelocity, record.angularVelocity,
         values.angularVelocity);
  CopyIf(present, detail::kKinetraLinearAcceleration, record.linearAcceleration,
         values.linearAcceleration);
  CopyIf(present, detail::kKinetraMagneticField, record.magneticField,
         values.magneticField);
  if ((present & detail::kKinetraAlgorithmState) != 0) {
    values.algorithmState =
        AlgorithmState{record.algorithmVector[0],  record.algorithmVector[1],
                       record.algorithmVector[2],  record.algorithmFlag0 != 0,
                       record.algorithmFlag1 != 0, record.algorithmValue0,
                       record.algorithmValue1,     record.algorithmValue2,
                       record.algorithmValue3};
  }
  CopyIf(present, detail::kKinetraTemperature, record.temperature,
         values.temperature);
  return Status::kOk;
}

Status Kinetra::ResetYaw() {
  return ToStatus(KELVARA_Kinetra_ResetYaw(m_handle.Get()));
}

Status Kinetra::SetOutputRate(int rate) {
  return ToStatus(KELVARA_Kinetra_SetOutputRate(m_handle.Get(), rate));
}

Status Kinetra::EnableMessages(KinetraMessage message) {
  return ToStatus(KELVARA_Kinetra_EnableMessages(m_handle.Get(),
                                                 std::to_underlying(message)));
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
