// The IMU's sample getters, commands and queries, against the recording
// driver: which validity bits each getter tests, which fields it reads and how
// it converts them, and what crosses the driver boundary. Every call goes
// through Once, which also checks that it allocates nothing.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <expected>
#include <functional>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "driver/DriverRecords.hpp"
#include "kelvara/Kinetra.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/DeviceTest.hpp"

namespace {

using namespace kelvara::test;  // NOLINT(google-build-using-namespace)
using kelvara::Kinetra;
using kelvara::KinetraSample;
using kelvara::Status;
using kelvara::testing::DriverCall;
using enum kelvara::testing::DriverFunction;
using enum kelvara::KinetraMessage;

const DriverCall kGetData{kKinetraGetData, {kHandle}};

/// A sample in which every group is valid and every value differs from every
/// other, so that reading a wrong field or element shows in the result.
// clang-format off
constexpr KinetraData kFullSample{
    // Validity bits, reserved, time, synchronised, reserved; yaw, pitch, roll,
    // angle; the six- and the nine-axis quaternion; angular velocity, linear
    // acceleration, magnetic field; algorithm vector, flags and values;
    // temperature.
    0x3FF, {}, 1'500'000'000, 2, {}, 10.5, -20.25, 30.125, -40.0625,
    {0.5, -0.25, 0.125, -0.0625}, {0.75, 0.375, -0.1875, 0.09375},
    {1.5, -2.5, 3.5}, {-4.75, 5.75, -6.75}, {7.25, -8.25, 9.25, 10.25},
    {11.5, -12.5, 13.5}, -1, 0, 14.5, -15.5, 16.5, -17.5, 36.625};
// clang-format on

/// kFullSample's yaw in radians, converted as the unit library does.
const double kYawRadians = (10.5 * std::numbers::pi) / 180.0;
/// The norm of kFullSample's six-axis quaternion: the square root of its
/// elements' squares, whose sum is exact.
const double kNorm6d = std::sqrt(0.25 + 0.0625 + 0.015625 + 0.00390625);

/// A getter's result as plain numbers in field order, zero-padded.
using Values = std::array<double, 9>;

template <typename Unit>
Values ToValues(Unit value) {
  return {value.value()};
}
Values ToValues(const wpi::math::Rotation2d& r) {
  return {r.Cos(), r.Sin()};
}
Values ToValues(const wpi::math::Quaternion& q) {
  return {q.W(), q.X(), q.Y(), q.Z()};
}
Values ToValues(const wpi::math::Rotation3d& r) {
  return ToValues(r.GetQuaternion());
}
Values ToValues(const kelvara::AngularVelocity3d& v) {
  return {v.x.value(), v.y.value(), v.z.value()};
}
Values ToValues(const kelvara::Acceleration3d& a) {
  return {a.x.value(), a.y.value(), a.z.value()};
}
Values ToValues(const kelvara::MagneticField& f) {
  return {f.x.value(), f.y.value(), f.z.value(), f.strength.value()};
}
Values ToValues(const kelvara::AlgorithmState& s) {
  return {s.x,      s.y,      s.z,      1.0 * s.flag0, 1.0 * s.flag1,
          s.value0, s.value1, s.value2, s.value3};
}

/// The getter's result as Values, or empty when it yields none.
template <auto Get>
std::optional<Values> Read(const Kinetra& imu) {
  return (imu.*Get)().transform([](const auto& v) { return ToValues(v); });
}

/// A sample's member as Values, or empty when it holds none.
template <auto Member>
std::optional<Values> Sampled(const KinetraSample& sample) {
  return (sample.*Member).transform([](const auto& v) { return ToValues(v); });
}

/// One getter: the validity bits it tests, its result for kFullSample, and
/// the member of a sample that holds the same value.
struct Getter {
  std::string_view name;
  std::uint32_t mask;
  Values expected;
  std::optional<Values> (*read)(const Kinetra&);
  std::optional<Values> (*sampled)(const KinetraSample&);
};

const Getter kGetters[] = {
    {"GetYaw", 0x001, Values{10.5}, Read<&Kinetra::GetYaw>,
     Sampled<&KinetraSample::yaw>},
    {"GetPitch", 0x002, Values{-20.25}, Read<&Kinetra::GetPitch>,
     Sampled<&KinetraSample::pitch>},
    {"GetRoll", 0x002, Values{30.125}, Read<&Kinetra::GetRoll>,
     Sampled<&KinetraSample::roll>},
    {"GetAngle", 0x004, Values{-40.0625}, Read<&Kinetra::GetAngle>,
     Sampled<&KinetraSample::angle>},
    {"GetRotation2d", 0x001,
     Values{std::cos(kYawRadians), std::sin(kYawRadians)},
     Read<&Kinetra::GetRotation2d>, Sampled<&KinetraSample::rotation2d>},
    // The six-axis quaternion divided by its norm.
    {"GetRotation3d", 0x008,
     Values{0.5 / kNorm6d, -0.25 / kNorm6d, 0.125 / kNorm6d, -0.0625 / kNorm6d},
     Read<&Kinetra::GetRotation3d>, Sampled<&KinetraSample::rotation3d>},
    {"GetQuaternion6d", 0x008, Values{0.5, -0.25, 0.125, -0.0625},
     Read<&Kinetra::GetQuaternion6d>, Sampled<&KinetraSample::quaternion6d>},
    {"GetQuaternion9d", 0x010, Values{0.75, 0.375, -0.1875, 0.09375},
     Read<&Kinetra::GetQuaternion9d>, Sampled<&KinetraSample::quaternion9d>},
    {"GetAngularVelocity", 0x020, Values{1.5, -2.5, 3.5},
     Read<&Kinetra::GetAngularVelocity>,
     Sampled<&KinetraSample::angularVelocity>},
    {"GetLinearAcceleration", 0x040, Values{-4.75, 5.75, -6.75},
     Read<&Kinetra::GetLinearAcceleration>,
     Sampled<&KinetraSample::linearAcceleration>},
    {"GetMagneticField", 0x080, Values{7.25, -8.25, 9.25, 10.25},
     Read<&Kinetra::GetMagneticField>, Sampled<&KinetraSample::magneticField>},
    {"GetAlgorithmState", 0x100,
     Values{11.5, -12.5, 13.5, 1.0, 0.0, 14.5, -15.5, 16.5, -17.5},
     Read<&Kinetra::GetAlgorithmState>,
     Sampled<&KinetraSample::algorithmState>},
    {"GetTemperature", 0x200, Values{36.625}, Read<&Kinetra::GetTemperature>,
     Sampled<&KinetraSample::temperature>},
    {"GetTimestamp", 0x3FF, Values{1.5}, Read<&Kinetra::GetTimestamp>,
     Sampled<&KinetraSample::timestamp>},
    // Counts as yielding a value when it returns true.
    {"IsTimeSynced", 0x3FF, Values{1.0},
     [](const Kinetra& k) {
       return k.IsTimeSynced() ? Values{1.0} : std::optional<Values>{};
     },
     [](const KinetraSample& s) {
       return s.timeSynced ? Values{1.0} : std::optional<Values>{};
     }},
};

/// Validity bits for the getters' tests: none, all ten groups, all 32 bits,
/// each single bit (the ten groups and those above), and every group but one.
std::vector<std::uint32_t> ValidityMasks() {
  std::vector<std::uint32_t> masks{0, 0x3FF, ~std::uint32_t{0}};
  for (int bit = 0; bit < 32; ++bit) {
    masks.push_back(std::uint32_t{1} << bit);
    if (bit < 10) {
      masks.push_back(0x3FF & ~(std::uint32_t{1} << bit));
    }
  }
  return masks;
}

/// The words that every query's driver function is told to write.
using Words = std::array<std::int32_t, 8>;
constexpr Words kQueryWords{300, 65'536, kMin, -1, 14, 15, -16, kMax};

/// A query's value as its 32-bit words in memory order (its fields in
/// declaration order), zero-padded; or its error.
template <auto Get>
std::expected<Words, Status> Query(Kinetra& imu) {
  const auto result = (imu.*Get)();
  if (!result) {
    return std::unexpected(result.error());
  }
  static_assert(sizeof(*result) <= sizeof(Words));
  Words words{};
  std::memcpy(words.data(), &*result, sizeof(*result));
  return words;
}

/// One query: its driver function and its value when kQueryWords is written.
struct Queried {
  kelvara::testing::DriverFunction function;
  Words expected;
  std::expected<Words, Status> (*read)(Kinetra&);
};

const Queried kQueries[] = {
    {kKinetraGetFirmwareVersion, Words{300, 65'536, kMin},
     Query<&Kinetra::GetFirmwareVersion>},
    // The identifier's third word is 0x8000'0000.
    {kKinetraGetSensorUuid, Words{300, 65'536, kMin},
     Query<&Kinetra::GetSensorUuid>},
    {kKinetraSelfTest, kQueryWords, Query<&Kinetra::SelfTest>},
};

using KinetraTest = DeviceTest<Kinetra, kKinetraCreateUsb, 0>;
const auto kGetSample = std::mem_fn(&Kinetra::GetSample);

TEST_F(KinetraTest, GettersAndSampleYieldAFieldOnlyOnSuccessWithOneOfItsBits) {
  for (const std::int32_t code : {0, 1, -1, kMin}) {
    m_driver.SetResult(kKinetraGetData, code);
    for (const std::uint32_t mask : ValidityMasks()) {
      SCOPED_TRACE(::testing::Message()
                   << "code " << code << ", validity bits 0x" << std::hex
                   << mask);
      KinetraData record = kFullSample;
      record.validMask = mask;
      m_driver.SetRecord(kKinetraGetData, record);
      const auto sample = Once(kGetData, kGetSample);
      EXPECT_EQ(sample ? Status::kOk : sample.error(), Status{code});
      for (const Getter& getter : kGetters) {
        const auto expected = code == 0 && (mask & getter.mask) != 0
                                  ? std::optional{getter.expected}
                                  : std::nullopt;
        EXPECT_EQ(Once(kGetData, getter.read), expected) << getter.name;
        if (sample) {
          EXPECT_EQ(getter.sampled(*sample), expected) << getter.name;
        }
      }
    }
  }
  // A fresh driver answers 0 and writes nothing. (Not on a getter's first
  // call: looking up the library's symbol then overwrites the dirtied stack.)
  const kelvara::testing::RecordingDriver fresh;
  const auto sample = Once(kGetData, kGetSample);
  ASSERT_TRUE(sample.has_value());
  for (const Getter& getter : kGetters) {
    EXPECT_EQ(Once(kGetData, getter.read), std::nullopt) << getter.name;
    EXPECT_EQ(getter.sampled(*sample), std::nullopt) << getter.name;
  }
}

TEST(StatusTest, PrintsItsNumberAndNothingElse) {
  for (const std::int32_t code : {0, 42, -1, kMin}) {
    std::ostringstream logged;
    logged << Status{code};
    EXPECT_EQ(logged.str(), std::to_string(code));
    EXPECT_EQ(::testing::PrintToString(Status{code}), std::to_string(code));
  }
}

TEST_F(KinetraTest, AnyNonzeroFlagIsTrueAndTimestampsAreDividedExactly) {
  KinetraData sample = kFullSample;
  for (const std::int32_t word : {0, 2, -1, kMin}) {
    sample.timeSynced = sample.algorithmFlag0 = sample.algorithmFlag1 = word;
    m_driver.SetRecord(kKinetraGetData, sample);
    EXPECT_EQ(m_device.IsTimeSynced(), word != 0) << word;
    EXPECT_EQ(m_device.GetAlgorithmState()->flag0, word != 0) << word;
    EXPECT_EQ(m_device.GetAlgorithmState()->flag1, word != 0) << word;
  }
  // Nanoseconds divided by 10^9 and rounded once: multiplying 3 or -7 by
  // 1e-9 instead would end one unit in the last place away.
  const std::pair<std::int64_t, double> times[] = {
      {-2'500'000'000, -2.5}, {3, 3e-9}, {-7, -7e-9}};
  for (const auto& [nanoseconds, seconds] : times) {
    sample.timestampNs = nanoseconds;
    m_driver.SetRecord(kKinetraGetData, sample);
    EXPECT_EQ(m_device.GetTimestamp()->value(), seconds)
        << nanoseconds << " ns";
  }
}

TEST_F(KinetraTest, CommandsSendTheirArgumentAndReturnTheDriverCode) {
  ExpectCommands({
      {[](Kinetra& k) { return k.ResetYaw(); }, {kKinetraResetYaw, {kHandle}}},
      {[](Kinetra& k) { return k.SetOutputRate(kMin); },
       {kKinetraSetOutputRate, {kHandle, kMin}}},
      {[](Kinetra& k) { return k.EnableMessages(kMagneticField); },
       {kKinetraEnableMessages, {kHandle, 4}}},
      {[](Kinetra& k) {
         return k.EnableMessages(kelvara::KinetraMessage{-77});
       },
       {kKinetraEnableMessages, {kHandle, -77}}},
      {[](Kinetra& k) { return k.Use9AxisYaw(true); },
       {kKinetraSetYawAxes, {kHandle, 9}}},
      {[](Kinetra& k) { return k.Use9AxisYaw(false); },
       {kKinetraSetYawAxes, {kHandle, 6}}},
  });
}

TEST_F(KinetraTest, QueriesReturnTheWordsInOrderOrTheDriverCode) {
  for (const Queried& query : kQueries) {
    SCOPED_TRACE(kelvara::testing::GetName(query.function));
    const DriverCall call{query.function, {kHandle}};
    m_driver.SetRecord(query.function, kQueryWords);
    EXPECT_EQ(Once(call, query.read), query.expected);
    // Marker bytes and the record fill the buffer even when the call fails.
    m_driver.SetFill(query.function, std::byte{0x5A});
    for (const std::int32_t code : {5, -1, kMin, kMax}) {
      m_driver.SetResult(query.function, code);
      EXPECT_EQ(Once(call, query.read), std::unexpected(Status{code}));
    }
    // Success with nothing written, from a fresh driver (see above).
    const kelvara::testing::RecordingDriver fresh;
    EXPECT_EQ(Once(call, query.read), Words{});
  }
}

}  // namespace
