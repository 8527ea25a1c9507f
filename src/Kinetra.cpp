// The IMU's C functions, each one driver call. A sample goes to the driver in
// the caller's own record, which the inline code of Kinetra.hpp decodes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>
#include <utility>

#include "DriverCalls.hpp"
#include "driver/DriverValues.hpp"
#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/KelvaraLib.h"
#include "kelvara/Kinetra.hpp"

namespace kelvara {

namespace {

// The public sample record is the driver's byte for byte, so that the driver
// writes the caller's record in place. The driver is a module of its own: the
// record reaches it through a pointer, as bytes of this layout.
using Public = KelvaraLib_KinetraData;
static_assert(sizeof(Public) == sizeof(KinetraData));
static_assert(alignof(Public) == alignof(KinetraData));
static_assert(std::is_standard_layout_v<Public>);
static_assert(offsetof(Public, validMask) == offsetof(KinetraData, validMask));
static_assert(offsetof(Public, timestampNs) ==
              offsetof(KinetraData, timestampNs));
static_assert(offsetof(Public, timeSynced) ==
              offsetof(KinetraData, timeSynced));
static_assert(offsetof(Public, yaw) == offsetof(KinetraData, yaw));
static_assert(offsetof(Public, pitch) == offsetof(KinetraData, pitch));
static_assert(offsetof(Public, roll) == offsetof(KinetraData, roll));
static_assert(offsetof(Public, angle) == offsetof(KinetraData, angle));
static_assert(offsetof(Public, quaternion6d) ==
              offsetof(KinetraData, quaternion6d));
static_assert(offsetof(Public, quaternion9d) ==
              offsetof(KinetraData, quaternion9d));
static_assert(offsetof(Public, angularVelocity) ==
              offsetof(KinetraData, angularVelocity));
static_assert(offsetof(Public, linearAcceleration) ==
              offsetof(KinetraData, linearAcceleration));
static_assert(offsetof(Public, magneticField) ==
              offsetof(KinetraData, magneticField));
static_assert(offsetof(Public, algorithmVector) ==
              offsetof(KinetraData, algorithmVector));
static_assert(offsetof(Public, algorithmFlag0) ==
              offsetof(KinetraData, algorithmFlag0));
static_assert(offsetof(Public, algorithmFlag1) ==
              offsetof(KinetraData, algorithmFlag1));
static_assert(offsetof(Public, algorithmValue0) ==
              offsetof(KinetraData, algorithmValue0));
static_assert(offsetof(Public, algorithmValue1) ==
              offsetof(KinetraData, algorithmValue1));
static_assert(offsetof(Public, algorithmValue2) ==
              offsetof(KinetraData, algorithmValue2));
static_assert(offsetof(Public, algorithmValue3) ==
              offsetof(KinetraData, algorithmValue3));
static_assert(offsetof(Public, temperature) ==
              offsetof(KinetraData, temperature));

// The inline decoding's group bits are the device's validity bits; the time
// fields count as valid when any group is.
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
static_assert(detail::kKinetraTime == driver::kKinetraValidAnyGroup);

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

static_assert(KelvaraLib_kNoUsbPort == driver::kNoUsbPort);
static_assert(sizeof(Kinetra) == 4, "a Kinetra is exactly its handle");

}  // namespace

}  // namespace kelvara

using kelvara::detail::OpenDevice;

extern "C" {

std::int32_t KelvaraLib_Kinetra_OpenCan(std::int32_t port, std::int32_t canId,
                                        std::int32_t extra) {
  return OpenDevice(KELVARA_Kinetra_CreateCan, port, canId, extra);
}

std::int32_t KelvaraLib_Kinetra_OpenUsb(std::int32_t usbPort,
                                        std::int32_t extra) {
  return OpenDevice(KELVARA_Kinetra_CreateUsb, usbPort, extra);
}

std::int32_t KelvaraLib_Kinetra_OpenSerial(const char* path, std::size_t length,
                                           std::int32_t extra,
                                           std::int32_t* handle) {
  return kelvara::detail::OpenSerialDevice(KELVARA_Kinetra_CreateSerial, path,
                                           length, handle, extra);
}

void KelvaraLib_Kinetra_Destroy(std::int32_t handle) {
  KELVARA_Kinetra_Destroy(handle);
}

bool KelvaraLib_Kinetra_IsConnected(std::int32_t handle) {
  return KELVARA_Kinetra_IsConnected(handle) != 0;
}

std::int32_t KelvaraLib_Kinetra_GetData(std::int32_t handle,
                                        KelvaraLib_KinetraData* data) {
  // Only the validity bits are cleared before the call: a driver that
  // reports success without writing the record then yields no values
  // instead of whatever the caller's stack held, and a read pays for one
  // store, not for clearing 272 bytes.
  data->validMask = 0;
  return KELVARA_Kinetra_GetData(
      handle, kelvara::detail::AsDriverRecord<KinetraData>(data));
}

std::int32_t KelvaraLib_Kinetra_ResetYaw(std::int32_t handle) {
  return KELVARA_Kinetra_ResetYaw(handle);
}

std::int32_t KelvaraLib_Kinetra_SetOutputRate(std::int32_t handle,
                                              std::int32_t rate) {
  return KELVARA_Kinetra_SetOutputRate(handle, rate);
}

std::int32_t KelvaraLib_Kinetra_EnableMessages(std::int32_t handle,
                                               std::int32_t message) {
  return KELVARA_Kinetra_EnableMessages(handle, message);
}

std::int32_t KelvaraLib_Kinetra_Use9AxisYaw(std::int32_t handle,
                                            bool nineAxes) {
  return KELVARA_Kinetra_SetYawAxes(handle, nineAxes ? 9 : 6);
}

std::int32_t KelvaraLib_Kinetra_GetFirmwareVersion(
    std::int32_t handle, KelvaraLib_FirmwareVersion* version) {
  std::array<std::int32_t, 3> words{};
  const std::int32_t code =
      KELVARA_Kinetra_GetFirmwareVersion(handle, words.data());
  if (code == 0) {
    *version = KelvaraLib_FirmwareVersion{words[0], words[1], words[2]};
  }
  return code;
}

std::int32_t KelvaraLib_Kinetra_GetSensorUuid(
    std::int32_t handle, KelvaraLib_KinetraSensorUuid* uuid) {
  // Cleared, so that a driver that reports success without writing the
  // answer yields zeros.
  *uuid = KelvaraLib_KinetraSensorUuid{};
  return KELVARA_Kinetra_GetSensorUuid(handle, std::data(uuid->words));
}

std::int32_t KelvaraLib_Kinetra_SelfTest(std::int32_t handle,
                                         KelvaraLib_KinetraSelfTest* result) {
  *result = KelvaraLib_KinetraSelfTest{};
  return KELVARA_Kinetra_SelfTest(handle, std::data(result->results));
}

}  // extern "C"
