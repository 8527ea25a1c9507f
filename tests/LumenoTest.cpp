// The colour sensor's operations, observed at the driver boundary.

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "driver/DriverRecords.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/AllocationCounter.hpp"

namespace {

using kelvara::Lumeno;
using kelvara::LumenoConfigItem;
using kelvara::LumenoMeasureMode;
using kelvara::Status;
using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using kelvara::testing::RecordingDriver;
using namespace wpi::units::literals;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();

/// A colour record holding a sample when valid is nonzero.
LumenoColorData ColorRecord(double x, double y, double z,
                            std::int32_t valid = 1, std::int32_t tag = 0) {
  LumenoColorData data{};
  data.valid = valid;
  data.tag = tag;
  data.X = x;
  data.Y = y;
  data.Z = z;
  return data;
}

std::int32_t Code(Status status) {
  return static_cast<std::int32_t>(status);
}

/// A sensor on handle 1, opened after the recording driver was reset.
class LumenoTest : public ::testing::Test {
 protected:
  RecordingDriver m_driver;
  Lumeno m_sensor = Lumeno::Usb();
};

TEST_F(LumenoTest, GetColorCopiesTheRecordBitForBit) {
  const double denormal = std::numeric_limits<double>::denorm_min();
  m_driver.SetRecord(DriverFunction::kLumenoGetColor,
                     ColorRecord(-0.0, denormal, 12.5, 7, -1));
  m_driver.ClearCalls();
  const auto reading = m_sensor.GetColor();
  ASSERT_TRUE(reading);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(reading->X),
            std::bit_cast<std::uint64_t>(-0.0));
  EXPECT_EQ(reading->Y, denormal);
  EXPECT_EQ(reading->Z, 12.5);
  EXPECT_EQ(static_cast<std::uint32_t>(reading->tag), 0xFFFFFFFFu);
  EXPECT_EQ(m_driver.Calls(),
            (std::vector<DriverCall>{{DriverFunction::kLumenoGetColor, {1}}}));
}

TEST_F(LumenoTest, GetColorIsEmptyOnFailureOrWithoutSample) {
  const struct {
    std::int32_t code;
    std::int32_t valid;
  } cases[] = {{0, 0}, {-1, 1}, {3, 1}, {kMin, 5}};
  for (const auto& c : cases) {
    m_driver.SetResult(DriverFunction::kLumenoGetColor, c.code);
    m_driver.SetRecord(DriverFunction::kLumenoGetColor,
                       ColorRecord(0.2, 0.3, 0.4, c.valid));
    EXPECT_FALSE(m_sensor.GetColor())
        << "code " << c.code << ", valid " << c.valid;
  }
}

TEST_F(LumenoTest, GetColorIsEmptyWhenTheDriverWritesNothing) {
  EXPECT_FALSE(m_sensor.GetColor());
}

TEST_F(LumenoTest, CommandsSendTheirArgumentsAndReturnTheDriverCode) {
  using Command = Status (*)(Lumeno&);
  const struct {
    Command command;
    DriverCall call;
  } cases[] = {
      {[](Lumeno& s) { return s.SetLedBrightness(-3); },
       {DriverFunction::kLumenoSetLedBrightness, {1, -3}}},
      {[](Lumeno& s) { return s.SetStatusLed(true, 0); },
       {DriverFunction::kLumenoSetStatusLed, {1, 1, 0}}},
      {[](Lumeno& s) { return s.SetStatusLed(false, 5); },
       {DriverFunction::kLumenoSetStatusLed, {1, 0, 5}}},
      {[](Lumeno& s) {
         return s.SetMeasureMode(LumenoMeasureMode::kFixedDistance);
       },
       {DriverFunction::kLumenoSetMeasureMode, {1, 2, 0.0}}},
      {[](Lumeno& s) {
         return s.SetMeasureMode(LumenoMeasureMode::kAutoDistance);
       },
       {DriverFunction::kLumenoSetMeasureMode, {1, 1, 0.0}}},
      {[](Lumeno& s) {
         return s.SetMeasureMode(static_cast<LumenoMeasureMode>(-7));
       },
       {DriverFunction::kLumenoSetMeasureMode, {1, -7, 0.0}}},
      {[](Lumeno& s) { return s.SetFixedDistance(0.25_m); },
       {DriverFunction::kLumenoSetMeasureMode, {1, 2, 250.0}}},
      {[](Lumeno& s) { return s.SetFixedDistance(12.5_mm); },
       {DriverFunction::kLumenoSetMeasureMode, {1, 2, 12.5}}},
      {[](Lumeno& s) { return s.SetSampleTime(100_ms); },
       {DriverFunction::kLumenoSetSampleTime, {1, 100}}},
  };
  for (std::int32_t code : {0, -1, 5, kMax, kMin}) {
    for (const auto& c : cases) {
      m_driver.SetResult(c.call.function, code);
      m_driver.ClearCalls();
      EXPECT_EQ(Code(c.command(m_sensor)), code) << c.call;
      EXPECT_EQ(m_driver.Calls(), std::vector{c.call});
    }
  }
}

TEST_F(LumenoTest, SampleTimeIsRoundedHalfAwayFromZeroAndSaturated) {
  const struct {
    wpi::units::millisecond_t time;
    std::int64_t sent;
  } cases[] = {
      {2.5_ms, 3},
      {2.4999_ms, 2},
      {-2.5_ms, -3},
      {-2.4999_ms, -2},
      {0.5_s, 500},
      {2147483647.4_ms, kMax},
      {2147483647.5_ms, kMax},
      {-2147483648.4_ms, kMin},
      {-2147483648.5_ms, kMin},
      {1e10_ms, kMax},
      {-1e10_ms, kMin},
      {wpi::units::millisecond_t{kInf}, kMax},
      {wpi::units::millisecond_t{-kInf}, kMin},
      {wpi::units::millisecond_t{std::numeric_limits<double>::quiet_NaN()}, 0},
  };
  for (const auto& c : cases) {
    m_driver.ClearCalls();
    m_sensor.SetSampleTime(c.time);
    EXPECT_EQ(m_driver.Calls(),
              (std::vector<DriverCall>{
                  {DriverFunction::kLumenoSetSampleTime, {1, c.sent}}}))
        << c.time.value() << " ms";
  }
}

TEST_F(LumenoTest, GetConfigValueReturnsTheWordOrTheDriverCode) {
  m_driver.SetRecord(DriverFunction::kLumenoGetConfigValue,
                     std::uint32_t{0xDEADBEEF});
  EXPECT_EQ(m_sensor.GetConfigValue(LumenoConfigItem::kFixedDistance),
            0xDEADBEEFu);

  m_driver.SetResult(DriverFunction::kLumenoGetConfigValue, -9);
  const auto failed = m_sensor.GetConfigValue(LumenoConfigItem::kSampleTime);
  ASSERT_FALSE(failed);
  EXPECT_EQ(Code(failed.error()), -9);

  EXPECT_EQ(m_driver.CallsTo(DriverFunction::kLumenoGetConfigValue),
            (std::vector<DriverCall>{
                {DriverFunction::kLumenoGetConfigValue, {1, 4}},
                {DriverFunction::kLumenoGetConfigValue, {1, 0}}}));
}

TEST_F(LumenoTest, GetConfigValueIsZeroWhenTheDriverWritesNothing) {
  EXPECT_EQ(m_sensor.GetConfigValue(LumenoConfigItem::kMeasureMode), 0u);
}

TEST_F(LumenoTest, FirmwareVersionUnpacksTheLowThreeBytesOfItemEight) {
  const struct {
    std::uint32_t word;
    kelvara::FirmwareVersion version;
  } cases[] = {
      {0x01020304, {2, 3, 4}},
      {0xFFFFFFFF, {255, 255, 255}},
      {0x00800001, {128, 0, 1}},
      {0, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    m_driver.SetRecord(DriverFunction::kLumenoGetConfigValue, c.word);
    m_driver.ClearCalls();
    const auto version = m_sensor.GetFirmwareVersion();
    ASSERT_TRUE(version) << std::hex << c.word;
    EXPECT_EQ(version->major, c.version.major) << std::hex << c.word;
    EXPECT_EQ(version->minor, c.version.minor) << std::hex << c.word;
    EXPECT_EQ(version->patch, c.version.patch) << std::hex << c.word;
    EXPECT_EQ(m_driver.Calls(),
              (std::vector<DriverCall>{
                  {DriverFunction::kLumenoGetConfigValue, {1, 8}}}));
  }
}

TEST_F(LumenoTest, FirmwareVersionPassesTheDriverCodeOn) {
  m_driver.SetRecord(DriverFunction::kLumenoGetConfigValue,
                     std::uint32_t{0x01020304});
  m_driver.SetResult(DriverFunction::kLumenoGetConfigValue, 5);
  const auto version = m_sensor.GetFirmwareVersion();
  ASSERT_FALSE(version);
  EXPECT_EQ(Code(version.error()), 5);
}

TEST_F(LumenoTest, SensorOperationsAllocateNothing) {
  m_driver.SetRecord(DriverFunction::kLumenoGetColor,
                     ColorRecord(0.2, 0.3, 0.4));
  m_driver.SetRecord(DriverFunction::kLumenoGetConfigValue,
                     std::uint32_t{0x00010203});
  m_driver.QueueResults(DriverFunction::kLumenoGetConfigValue, {0, 0, 7});
  EXPECT_EQ(kelvara::test::CountAllocations([this] {
              static_cast<void>(m_sensor.GetColor());
              m_sensor.SetSampleTime(20_ms);
              m_sensor.SetLedBrightness(10);
              m_sensor.SetStatusLed(true, 1);
              m_sensor.SetMeasureMode(LumenoMeasureMode::kUncorrected);
              m_sensor.SetFixedDistance(30_mm);
              static_cast<void>(
                  m_sensor.GetConfigValue(LumenoConfigItem::kLedBrightness));
              static_cast<void>(m_sensor.GetFirmwareVersion());
              static_cast<void>(m_sensor.GetFirmwareVersion());
            }),
            0u);
}

}  // namespace
