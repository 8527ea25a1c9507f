// The IMU's sample getters, commands and queries, against the recording
// driver: which validity bits each getter tests, which fields it reads and how
// it converts them, and what crosses the driver boundary.

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "driver/DriverRecords.hpp"
#include "kelvara/Kinetra.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/AllocationCounter.hpp"
#include "support/DirtyStack.hpp"

namespace {

using kelvara::Kinetra;
using kelvara::KinetraMessage;
using kelvara::Status;
using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using kelvara::testing::RecordingDriver;

constexpr std::int32_t kHandle = 41;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

/// A sample in which every group is valid and every value differs from every
/// other, so that reading a wrong field or element shows in the result.
KinetraData FullSample() {
  return KinetraData{
      .validMask = 0x3FF,
      .reserved0 = {},
      .timestampNs = 1'500'000'000,
      .timeSynced = 2,
      .reserved1 = {},
      .yaw = 10.5,
      .pitch = -20.25,
      .roll = 30.125,
      .angle = -40.0625,
      .quaternion6d = {0.5, -0.25, 0.125, -0.0625},
      .quaternion9d = {0.75, 0.375, -0.1875, 0.09375},
      .angularVelocity = {1.5, -2.5, 3.5},
      .linearAcceleration = {-4.75, 5.75, -6.75},
      .magneticField = {7.25, -8.25, 9.25, 10.25},
      .algorithmVector = {11.5, -12.5, 13.5},
      .algorithmFlag0 = -1,
      .algorithmFlag1 = 0,
      .algorithmValue0 = 14.5,
      .algorithmValue1 = -15.5,
      .algorithmValue2 = 16.5,
      .algorithmValue3 = -17.5,
      .temperature = 36.625,
  };
}

void ExpectQuaternion(const wpi::math::Quaternion& q, double w, double x,
                      double y, double z) {
  EXPECT_EQ(q.W(), w);
  EXPECT_EQ(q.X(), x);
  EXPECT_EQ(q.Y(), y);
  EXPECT_EQ(q.Z(), z);
}

/// One getter: the validity bits it tests and a call that says whether it
/// yielded a value (for IsTimeSynced: whether it yielded true).
struct Getter {
  std::string_view name;
  std::uint32_t mask;
  std::function<bool(const Kinetra&)> hasValue;
};

const std::vector<Getter>& AllGetters() {
  static const std::vector<Getter> getters{
      {"GetYaw", 0x001,
       [](const Kinetra& k) { return k.GetYaw().has_value(); }},
      {"GetPitch", 0x002,
       [](const Kinetra& k) { return k.GetPitch().has_value(); }},
      {"GetRoll", 0x002,
       [](const Kinetra& k) { return k.GetRoll().has_value(); }},
      {"GetAngle", 0x004,
       [](const Kinetra& k) { return k.GetAngle().has_value(); }},
      {"GetRotation2d", 0x001,
       [](const Kinetra& k) { return k.GetRotation2d().has_value(); }},
      {"GetRotation3d", 0x008,
       [](const Kinetra& k) { return k.GetRotation3d().has_value(); }},
      {"GetQuaternion6d", 0x008,
       [](const Kinetra& k) { return k.GetQuaternion6d().has_value(); }},
      {"GetQuaternion9d", 0x010,
       [](const Kinetra& k) { return k.GetQuaternion9d().has_value(); }},
      {"GetAngularVelocity", 0x020,
       [](const Kinetra& k) { return k.GetAngularVelocity().has_value(); }},
      {"GetLinearAcceleration", 0x040,
       [](const Kinetra& k) { return k.GetLinearAcceleration().has_value(); }},
      {"GetMagneticField", 0x080,
       [](const Kinetra& k) { return k.GetMagneticField().has_value(); }},
      {"GetAlgorithmState", 0x100,
       [](const Kinetra& k) { return k.GetAlgorithmState().has_value(); }},
      {"GetTemperature", 0x200,
       [](const Kinetra& k) { return k.GetTemperature().has_value(); }},
      {"GetTimestamp", 0x3FF,
       [](const Kinetra& k) { return k.GetTimestamp().has_value(); }},
      {"IsTimeSynced", 0x3FF,
       [](const Kinetra& k) { return k.IsTimeSynced(); }},
  };
  return getters;
}

/// One command with its argument, and the call that it must make.
struct Command {
  std::string_view name;
  std::function<Status(Kinetra&)> run;
  DriverCall call;
};

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands{
      {"ResetYaw",
       [](Kinetra& k) { return k.ResetYaw(); },
       {DriverFunction::kKinetraResetYaw, {kHandle}}},
      {"SetOutputRate(100)",
       [](Kinetra& k) { return k.SetOutputRate(100); },
       {DriverFunction::kKinetraSetOutputRate, {kHandle, 100}}},
      {"SetOutputRate(0)",
       [](Kinetra& k) { return k.SetOutputRate(0); },
       {DriverFunction::kKinetraSetOutputRate, {kHandle, 0}}},
      {"SetOutputRate(min)",
       [](Kinetra& k) { return k.SetOutputRate(kMin); },
       {DriverFunction::kKinetraSetOutputRate, {kHandle, kMin}}},
      {"EnableMessages(kMagneticField)",
       [](Kinetra& k) {
         return k.EnableMessages(KinetraMessage::kMagneticField);
       },
       {DriverFunction::kKinetraEnableMessages, {kHandle, 4}}},
      {"EnableMessages(unnamed)",
       [](Kinetra& k) {
         return k.EnableMessages(static_cast<KinetraMessage>(-77));
       },
       {DriverFunction::kKinetraEnableMessages, {kHandle, -77}}},
      {"Use9AxisYaw(true)",
       [](Kinetra& k) { return k.Use9AxisYaw(true); },
       {DriverFunction::kKinetraSetYawAxes, {kHandle, 9}}},
      {"Use9AxisYaw(false)",
       [](Kinetra& k) { return k.Use9AxisYaw(false); },
       {DriverFunction::kKinetraSetYawAxes, {kHandle, 6}}},
  };
  return commands;
}

template <typename T>
std::optional<Status> ErrorOf(const std::expected<T, Status>& result) {
  if (result.has_value()) {
    return std::nullopt;
  }
  return result.error();
}

/// One query: its driver function and a call that returns its error, or
/// empty when it yielded a value.
struct Query {
  std::string_view name;
  DriverFunction function;
  std::function<std::optional<Status>(Kinetra&)> error;
};

const std::vector<Query>& AllQueries() {
  static const std::vector<Query> queries{
      {"GetFirmwareVersion", DriverFunction::kKinetraGetFirmwareVersion,
       [](Kinetra& k) { return ErrorOf(k.GetFirmwareVersion()); }},
      {"GetSensorUuid", DriverFunction::kKinetraGetSensorUuid,
       [](Kinetra& k) { return ErrorOf(k.GetSensorUuid()); }},
      {"SelfTest", DriverFunction::kKinetraSelfTest,
       [](Kinetra& k) { return ErrorOf(k.SelfTest()); }},
  };
  return queries;
}

class KinetraTest : public ::testing::Test {
 protected:
  KinetraTest() { m_driver.ClearCalls(); }

  static Kinetra Open(RecordingDriver& driver) {
    driver.SetResult(DriverFunction::kKinetraCreateCan, kHandle);
    return Kinetra{1, wpi::CANPort::CAN_S0, 0};
  }

  void SetSample(const KinetraData& sample) {
    m_driver.SetRecord(DriverFunction::kKinetraGetData, sample);
  }

  /// Runs the getter and checks that it made exactly one driver call, a
  /// GetData with the object's handle. Returns whether it yielded a value.
  bool CallOnce(const Getter& getter) {
    m_driver.ClearCalls();
    const bool result = getter.hasValue(m_imu);
    EXPECT_EQ(
        m_driver.Calls(),
        (std::vector<DriverCall>{{DriverFunction::kKinetraGetData, {kHandle}}}))
        << getter.name;
    return result;
  }

  RecordingDriver m_driver;
  Kinetra m_imu{Open(m_driver)};
};

TEST_F(KinetraTest, GetterHasValueExactlyWhenOneOfItsBitsIsSet) {
  // No bit, each single bit, and for each getter every bit but its own.
  std::vector<std::uint32_t> masks{0};
  for (int bit = 0; bit < 32; ++bit) {
    masks.push_back(std::uint32_t{1} << bit);
  }
  for (const Getter& getter : AllGetters()) {
    masks.push_back(~getter.mask);
  }
  for (std::uint32_t mask : masks) {
    KinetraData sample = FullSample();
    sample.validMask = mask;
    SetSample(sample);
    for (const Getter& getter : AllGetters()) {
      EXPECT_EQ(CallOnce(getter), (mask & getter.mask) != 0)
          << getter.name << " with validity bits 0x" << std::hex << mask;
    }
  }
}

TEST_F(KinetraTest, DriverFailureEmptiesEveryGetterWithoutReadingTheRecord) {
  // Filled with 0xFF the record has every validity bit set, so a getter that
  // read it after a failed call would yield a value.
  m_driver.SetFill(DriverFunction::kKinetraGetData, std::byte{0xFF});
  for (const Getter& getter : AllGetters()) {
    EXPECT_TRUE(CallOnce(getter)) << getter.name << " on the marker record";
  }
  for (std::int32_t code : {1, -1, 7, kMin}) {
    m_driver.SetResult(DriverFunction::kKinetraGetData, code);
    for (const Getter& getter : AllGetters()) {
      EXPECT_FALSE(CallOnce(getter)) << getter.name << " with code " << code;
    }
  }
  // A fully valid record does not help either.
  m_driver.SetResult(DriverFunction::kKinetraGetData, -1);
  SetSample(FullSample());
  for (const Getter& getter : AllGetters()) {
    EXPECT_FALSE(CallOnce(getter)) << getter.name << " with a valid record";
  }
}

TEST_F(KinetraTest, SuccessWithNothingWrittenReadsAsNoSampleAndZeroWords) {
  // The recording driver answers 0 and writes nothing unless told otherwise.
  for (const Getter& getter : AllGetters()) {
    kelvara::test::DirtyTheStack();
    EXPECT_FALSE(CallOnce(getter)) << getter.name;
  }
  kelvara::test::DirtyTheStack();
  const auto version = m_imu.GetFirmwareVersion();
  EXPECT_EQ(version->major, 0);
  EXPECT_EQ(version->minor, 0);
  EXPECT_EQ(version->patch, 0);
  kelvara::test::DirtyTheStack();
  EXPECT_EQ(m_imu.GetSensorUuid(), (std::array<unsigned int, 3>{}));
  kelvara::test::DirtyTheStack();
  const auto selfTest = m_imu.SelfTest();
  EXPECT_EQ(selfTest->result0, 0);
  EXPECT_EQ(selfTest->result7, 0);
}

TEST_F(KinetraTest, GettersReadTheirOwnFieldsUnscaled) {
  SetSample(FullSample());

  EXPECT_EQ(m_imu.GetYaw()->value(), 10.5);
  EXPECT_EQ(m_imu.GetPitch()->value(), -20.25);
  EXPECT_EQ(m_imu.GetRoll()->value(), 30.125);
  EXPECT_EQ(m_imu.GetAngle()->value(), -40.0625);

  const wpi::math::Rotation2d yaw{wpi::units::degree_t{10.5}};
  EXPECT_EQ(m_imu.GetRotation2d()->Cos(), yaw.Cos());
  EXPECT_EQ(m_imu.GetRotation2d()->Sin(), yaw.Sin());

  ExpectQuaternion(*m_imu.GetQuaternion6d(), 0.5, -0.25, 0.125, -0.0625);
  ExpectQuaternion(*m_imu.GetQuaternion9d(), 0.75, 0.375, -0.1875, 0.09375);
  const auto sixAxis =
      wpi::math::Quaternion{0.5, -0.25, 0.125, -0.0625}.Normalize();
  ExpectQuaternion(m_imu.GetRotation3d()->GetQuaternion(), sixAxis.W(),
                   sixAxis.X(), sixAxis.Y(), sixAxis.Z());

  const auto velocity = *m_imu.GetAngularVelocity();
  EXPECT_EQ(velocity.x.value(), 1.5);
  EXPECT_EQ(velocity.y.value(), -2.5);
  EXPECT_EQ(velocity.z.value(), 3.5);

  const auto acceleration = *m_imu.GetLinearAcceleration();
  EXPECT_EQ(acceleration.x.value(), -4.75);
  EXPECT_EQ(acceleration.y.value(), 5.75);
  EXPECT_EQ(acceleration.z.value(), -6.75);

  const auto field = *m_imu.GetMagneticField();
  EXPECT_EQ(field.x.value(), 7.25);
  EXPECT_EQ(field.y.value(), -8.25);
  EXPECT_EQ(field.z.value(), 9.25);
  EXPECT_EQ(field.strength.value(), 10.25);

  const auto state = *m_imu.GetAlgorithmState();
  EXPECT_EQ(state.x, 11.5);
  EXPECT_EQ(state.y, -12.5);
  EXPECT_EQ(state.z, 13.5);
  EXPECT_TRUE(state.flag0);
  EXPECT_FALSE(state.flag1);
  EXPECT_EQ(state.value0, 14.5);
  EXPECT_EQ(state.value1, -15.5);
  EXPECT_EQ(state.value2, 16.5);
  EXPECT_EQ(state.value3, -17.5);

  EXPECT_EQ(m_imu.GetTemperature()->value(), 36.625);
  EXPECT_EQ(m_imu.GetTimestamp()->value(), 1.5);
  EXPECT_TRUE(m_imu.IsTimeSynced());
}

TEST_F(KinetraTest, TimestampIsSignedNanosecondsAsSeconds) {
  const struct {
    std::int64_t nanoseconds;
    double seconds;
  } cases[] = {
      {1'500'000'000, 1.5},
      {-2'500'000'000, -2.5},
      {-1, -1e-9},
      {0, 0.0},
      {1, 1e-9},
      {86'400'000'000'000, 86400.0},
      {-3'000'000'000'000'000'000, -3.0e9},
  };
  for (const auto& c : cases) {
    KinetraData sample = FullSample();
    sample.validMask = 0x200;
    sample.timestampNs = c.nanoseconds;
    SetSample(sample);
    EXPECT_EQ(m_imu.GetTimestamp()->value(), c.seconds) << c.nanoseconds;
  }
}

TEST_F(KinetraTest, FlagsAreTrueForAnyNonzeroWord) {
  for (std::int32_t word : {1, 2, -1, kMin, kMax}) {
    KinetraData sample = FullSample();
    sample.timeSynced = word;
    sample.algorithmFlag0 = 0;
    sample.algorithmFlag1 = word;
    SetSample(sample);
    EXPECT_TRUE(m_imu.IsTimeSynced()) << word;
    const auto state = *m_imu.GetAlgorithmState();
    EXPECT_FALSE(state.flag0) << word;
    EXPECT_TRUE(state.flag1) << word;
  }
  KinetraData sample = FullSample();
  sample.timeSynced = 0;
  SetSample(sample);
  EXPECT_FALSE(m_imu.IsTimeSynced());
}

TEST_F(KinetraTest, Rotation2dKeepsTheYawSign) {
  for (double degrees : {90.0, -30.0, 0.0, 179.0, -179.0}) {
    KinetraData sample = FullSample();
    sample.yaw = degrees;
    SetSample(sample);
    EXPECT_NEAR(m_imu.GetRotation2d()->Degrees().value(), degrees, 1e-12);
  }
}

TEST_F(KinetraTest, Rotation3dComesFromTheSixAxisQuaternion) {
  KinetraData sample = FullSample();
  sample.validMask = 0x008;
  // Normalising the driver's quaternion is the rotation's job, not the
  // getter's: the quaternion itself arrives as delivered.
  sample.quaternion6d[0] = 2.0;
  sample.quaternion6d[1] = 0.0;
  sample.quaternion6d[2] = 0.0;
  sample.quaternion6d[3] = 0.0;
  SetSample(sample);
  ExpectQuaternion(*m_imu.GetQuaternion6d(), 2.0, 0.0, 0.0, 0.0);
  ExpectQuaternion(m_imu.GetRotation3d()->GetQuaternion(), 1.0, 0.0, 0.0, 0.0);
}

TEST_F(KinetraTest, CommandsSendTheirArgumentAndReturnTheDriverCode) {
  for (const Command& command : AllCommands()) {
    for (std::int32_t code : {0, 3, -1, kMin, kMax}) {
      m_driver.SetResult(command.call.function, code);
      m_driver.ClearCalls();
      EXPECT_EQ(command.run(m_imu), static_cast<Status>(code))
          << command.name << " with code " << code;
      EXPECT_EQ(m_driver.Calls(), std::vector<DriverCall>{command.call})
          << command.name;
    }
  }
}

TEST_F(KinetraTest, FirmwareVersionKeepsFullWordsInOrder) {
  const std::array<std::int32_t, 3> cases[] = {
      {1, 2, 3}, {300, 0, 7}, {65536, 256, kMax}, {-1, kMin, 0}};
  for (const auto& words : cases) {
    m_driver.SetRecord(DriverFunction::kKinetraGetFirmwareVersion, words);
    m_driver.ClearCalls();
    const auto version = m_imu.GetFirmwareVersion();
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->major, words[0]);
    EXPECT_EQ(version->minor, words[1]);
    EXPECT_EQ(version->patch, words[2]);
    EXPECT_EQ(m_driver.Calls(),
              (std::vector<DriverCall>{
                  {DriverFunction::kKinetraGetFirmwareVersion, {kHandle}}}));
  }
}

TEST_F(KinetraTest, SensorUuidKeepsTheDriversOrder) {
  const std::array<unsigned int, 3> words{0xDEADBEEFu, 1u, 0x80000000u};
  m_driver.SetRecord(DriverFunction::kKinetraGetSensorUuid, words);
  EXPECT_EQ(m_imu.GetSensorUuid(), words);
  EXPECT_EQ(m_driver.Calls(),
            (std::vector<DriverCall>{
                {DriverFunction::kKinetraGetSensorUuid, {kHandle}}}));
}

TEST_F(KinetraTest, SelfTestCopiesEachWordToItsField) {
  const std::array<std::int32_t, 8> words{10, 11, 12, 13, 14, 15, -16, kMin};
  m_driver.SetRecord(DriverFunction::kKinetraSelfTest, words);
  const auto result = m_imu.SelfTest();
  ASSERT_TRUE(result.has_value());
  const std::array<std::int32_t, 8> fields{
      result->result0, result->result1, result->result2, result->result3,
      result->result4, result->result5, result->result6, result->result7};
  EXPECT_EQ(fields, words);
  EXPECT_EQ(
      m_driver.Calls(),
      (std::vector<DriverCall>{{DriverFunction::kKinetraSelfTest, {kHandle}}}));
}

TEST_F(KinetraTest, FailedQueryReturnsTheDriverCodeAndNoValue) {
  for (const Query& query : AllQueries()) {
    // The buffer holds marker bytes after every call, failed or not.
    m_driver.SetFill(query.function, std::byte{0x5A});
    m_driver.SetResult(query.function, 0);
    EXPECT_EQ(query.error(m_imu), std::nullopt) << query.name;
    for (std::int32_t code : {5, -1, kMin, kMax}) {
      m_driver.SetResult(query.function, code);
      m_driver.ClearCalls();
      EXPECT_EQ(query.error(m_imu), static_cast<Status>(code))
          << query.name << " with code " << code;
      EXPECT_EQ(m_driver.Calls(),
                (std::vector<DriverCall>{{query.function, {kHandle}}}))
          << query.name;
    }
  }
}

TEST_F(KinetraTest, NoOperationAllocates) {
  using kelvara::test::CountAllocations;
  SetSample(FullSample());
  for (const Query& query : AllQueries()) {
    m_driver.SetFill(query.function, std::byte{0x11});
  }
  // Once with every answer good, once with every call failing.
  for (std::int32_t code : {0, 9}) {
    m_driver.SetResult(DriverFunction::kKinetraGetData, code);
    for (const Getter& getter : AllGetters()) {
      EXPECT_EQ(CountAllocations([&] { getter.hasValue(m_imu); }), 0u)
          << getter.name << " with code " << code;
    }
    for (const Command& command : AllCommands()) {
      m_driver.SetResult(command.call.function, code);
      EXPECT_EQ(CountAllocations([&] { command.run(m_imu); }), 0u)
          << command.name << " with code " << code;
    }
    for (const Query& query : AllQueries()) {
      m_driver.SetResult(query.function, code);
      EXPECT_EQ(CountAllocations([&] { query.error(m_imu); }), 0u)
          << query.name << " with code " << code;
    }
  }
}

}  // namespace
