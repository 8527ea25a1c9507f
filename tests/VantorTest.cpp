// The ranger's frames, nearest distance, commands and configuration, through
// the recording driver.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "driver/DriverRecords.hpp"
#include "kelvara/Vantor.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/AllocationCounter.hpp"
#include "support/DirtyStack.hpp"

namespace {

using kelvara::Status;
using kelvara::Vantor;
using kelvara::VantorConfig;
using kelvara::VantorResolution;
using kelvara::VantorScan;
using kelvara::testing::DriverArgument;
using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using kelvara::testing::RecordingDriver;
using Reading = std::optional<wpi::units::millimeter_t>;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kHandle = 42;
constexpr std::uint64_t kTopAndBottom = 0x8000000000000001u;
constexpr std::uint64_t kAll = ~std::uint64_t{0};
/// Fills a whole buffer with 0x01 bytes, which read as a good frame with 257
/// mm in every zone, or as a configuration with every field present.
constexpr std::byte kMarker{0x01};

/// A ranger whose driver handle is kHandle.
Vantor OpenRanger(RecordingDriver& driver) {
  driver.SetResult(DriverFunction::kVantorCreateCan, kHandle);
  return Vantor{3, wpi::CANPort::CAN_S1};
}

/// A scan record; entry i of the distances is first + i.
VantorScanData ScanRecord(std::int32_t valid, std::int32_t tag,
                          std::int32_t zoneCount, std::int16_t first) {
  VantorScanData record{};
  record.valid = valid;
  record.tag = tag;
  record.zoneCount = zoneCount;
  for (int i = 0; i < 64; ++i) {
    record.distances[i] = static_cast<std::int16_t>(first + i);
  }
  return record;
}

Reading Mm(double millimeters) {
  return wpi::units::millimeter_t{millimeters};
}

int ToInt(Status status) {
  return static_cast<std::int32_t>(status);
}

TEST(VantorTest, GetScanCarriesTagZoneCountAndAllDistances) {
  for (const auto& record :
       {ScanRecord(1, 7, 16, 100), ScanRecord(-1, kMin, 64, -20),
        ScanRecord(kMin, kMax, 20, 0)}) {
    RecordingDriver driver;
    driver.SetRecord(DriverFunction::kVantorGetScan, record);
    const auto scan = OpenRanger(driver).GetScan();
    ASSERT_TRUE(scan.has_value()) << "valid word " << record.valid;
    EXPECT_EQ(scan->GetTag(), record.tag);
    EXPECT_EQ(scan->GetZoneCount(), record.zoneCount);
    EXPECT_TRUE(std::equal(scan->GetDistances().begin(),
                           scan->GetDistances().end(),
                           std::begin(record.distances)));
    EXPECT_EQ(
        driver.CallsTo(DriverFunction::kVantorGetScan),
        (std::vector<DriverCall>{{DriverFunction::kVantorGetScan, {kHandle}}}));
  }
}

TEST(VantorTest, NoFrameWhenTheDriverFailsOrMarksTheRecordInvalid) {
  const struct {
    std::int32_t code;
    bool invalidRecord;
  } cases[] = {{0, true}, {5, false}, {-1, false}, {kMin, false}};
  for (const auto& c : cases) {
    RecordingDriver driver;
    // A failed call leaves only the marker, which would read as a frame.
    driver.SetFill(DriverFunction::kVantorGetScan, kMarker);
    if (c.invalidRecord) {
      driver.SetRecord(DriverFunction::kVantorGetScan,
                       ScanRecord(0, 1, 16, 10));
    }
    driver.SetResult(DriverFunction::kVantorGetScan, c.code);
    Vantor ranger = OpenRanger(driver);
    EXPECT_EQ(ranger.GetScan(), std::nullopt) << "code " << c.code;
    EXPECT_EQ(ranger.GetClosestDistance(), std::nullopt) << "code " << c.code;
  }
}

TEST(VantorTest, SuccessWithNothingWrittenGivesNoFrameAndDefaultConfig) {
  // The recording driver answers 0 and writes nothing unless told otherwise.
  RecordingDriver driver;
  Vantor ranger = OpenRanger(driver);
  kelvara::test::DirtyTheStack();
  EXPECT_EQ(ranger.GetScan(), std::nullopt);
  kelvara::test::DirtyTheStack();
  const auto config = ranger.GetConfig();
  ASSERT_TRUE(config.has_value());
  EXPECT_EQ(config->setting0, 0);
  EXPECT_FALSE(config->flag0);
  EXPECT_EQ(config->zoneMask, std::nullopt);
  EXPECT_FALSE(config->firmwareVersion.has_value());
  EXPECT_EQ(config->setting2, std::nullopt);
}

TEST(VantorTest, ClosestDistanceIsTheNearestReadingOfOneFrame) {
  const struct {
    std::int16_t first;
    Reading closest;
  } cases[] = {{40, Mm(40)}, {-30, Mm(0)}, {-100, std::nullopt}};
  for (const auto& c : cases) {
    RecordingDriver driver;
    driver.SetRecord(DriverFunction::kVantorGetScan,
                     ScanRecord(1, 0, 64, c.first));
    EXPECT_EQ(OpenRanger(driver).GetClosestDistance(), c.closest)
        << "first entry " << c.first;
    EXPECT_EQ(driver.CountOf(DriverFunction::kVantorGetScan), 1u);
  }
}

void ExpectConfig(const VantorConfig& actual, const VantorConfig& expected) {
  EXPECT_EQ(actual.setting0, expected.setting0);
  EXPECT_EQ(actual.flag0, expected.flag0);
  EXPECT_EQ(actual.flag1, expected.flag1);
  EXPECT_EQ(actual.flag2, expected.flag2);
  EXPECT_EQ(actual.setting1, expected.setting1);
  EXPECT_EQ(actual.zoneMask, expected.zoneMask);
  ASSERT_EQ(actual.firmwareVersion.has_value(),
            expected.firmwareVersion.has_value());
  if (expected.firmwareVersion) {
    EXPECT_EQ(actual.firmwareVersion->major, expected.firmwareVersion->major);
    EXPECT_EQ(actual.firmwareVersion->minor, expected.firmwareVersion->minor);
    EXPECT_EQ(actual.firmwareVersion->patch, expected.firmwareVersion->patch);
  }
  EXPECT_EQ(actual.setting2, expected.setting2);
  EXPECT_EQ(actual.setting3, expected.setting3);
}

TEST(VantorTest, DefaultConfigHoldsZeroFalseAndNothingPresent) {
  const VantorConfig config;
  EXPECT_EQ(config.setting0, 0);
  EXPECT_EQ(config.setting1, 0);
  EXPECT_FALSE(config.flag0 || config.flag1 || config.flag2);
  EXPECT_FALSE(config.zoneMask || config.firmwareVersion || config.setting2 ||
               config.setting3);
}

TEST(VantorTest, GetConfigFollowsEachFieldsPresenceRule) {
  // Each case edits an all-zero record and the default configuration.
  const struct {
    const char* name;
    void (*record)(VantorConfigData&);
    void (*config)(VantorConfig&);
  } cases[] = {
      {"all zero", [](VantorConfigData&) {}, [](VantorConfig&) {}},
      {"settings 0 and 1 copied",
       [](VantorConfigData& r) { r.setting0 = -7, r.setting1 = kMin; },
       [](VantorConfig& c) { c.setting0 = -7, c.setting1 = kMin; }},
      {"flag words -1, min and 2",
       [](VantorConfigData& r) { r.flag0 = -1, r.flag1 = kMin, r.flag2 = 2; },
       [](VantorConfig& c) { c.flag0 = c.flag1 = c.flag2 = true; }},
      {"mask without presence", [](VantorConfigData& r) { r.zoneMask = kAll; },
       [](VantorConfig&) {}},
      {"mask presence 2",
       [](VantorConfigData& r) {
         r.zoneMaskPresent = 2, r.zoneMask = kTopAndBottom;
       },
       [](VantorConfig& c) { c.zoneMask = kTopAndBottom; }},
      {"mask presence -1",
       [](VantorConfigData& r) { r.zoneMaskPresent = -1, r.zoneMask = kAll; },
       [](VantorConfig& c) { c.zoneMask = kAll; }},
      {"mask present and 0", [](VantorConfigData& r) { r.zoneMaskPresent = 1; },
       [](VantorConfig& c) { c.zoneMask = 0; }},
      {"version without presence",
       [](VantorConfigData& r) { r.firmwareVersion[0] = 1; },
       [](VantorConfig&) {}},
      {"version presence 1",
       [](VantorConfigData& r) {
         r.firmwareVersionPresent = 1;
         r.firmwareVersion[0] = 300, r.firmwareVersion[2] = -2;
       },
       [](VantorConfig& c) {
         c.firmwareVersion = {300, 0, -2};
       }},
      {"version presence min",
       [](VantorConfigData& r) {
         r.firmwareVersionPresent = kMin, r.firmwareVersion[1] = 2;
       },
       [](VantorConfig& c) {
         c.firmwareVersion = {0, 2, 0};
       }},
      {"settings 2 and 3 at -3 and min",
       [](VantorConfigData& r) { r.setting2 = -3, r.setting3 = kMin; },
       [](VantorConfig&) {}},
      {"settings 2 and 3 at 10 and 1",
       [](VantorConfigData& r) { r.setting2 = 10, r.setting3 = 1; },
       [](VantorConfig& c) { c.setting2 = 10, c.setting3 = 1; }},
      {"settings 2 and 3 at max and -1",
       [](VantorConfigData& r) { r.setting2 = kMax, r.setting3 = -1; },
       [](VantorConfig& c) { c.setting2 = kMax; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VantorConfigData record{};
    c.record(record);
    VantorConfig expected;
    c.config(expected);
    RecordingDriver driver;
    driver.SetRecord(DriverFunction::kVantorGetConfig, record);
    const auto config = OpenRanger(driver).GetConfig();
    ASSERT_TRUE(config.has_value());
    ExpectConfig(*config, expected);
    EXPECT_EQ(driver.CallsTo(DriverFunction::kVantorGetConfig),
              (std::vector<DriverCall>{
                  {DriverFunction::kVantorGetConfig, {kHandle}}}));
  }
}

TEST(VantorTest, FailedGetConfigReturnsTheCodeAndNothingElse) {
  for (const std::int32_t code : {5, 1, -1, kMax, kMin}) {
    RecordingDriver driver;
    driver.SetFill(DriverFunction::kVantorGetConfig, kMarker);
    driver.SetResult(DriverFunction::kVantorGetConfig, code);
    const auto config = OpenRanger(driver).GetConfig();
    ASSERT_FALSE(config.has_value()) << "code " << code;
    EXPECT_EQ(ToInt(config.error()), code);
  }
}

/// One command call: what the caller does and what the driver must see.
struct CommandCase {
  const char* name;
  Status (*command)(Vantor&);
  DriverFunction function;
  DriverArgument argument;
};

const CommandCase kCommands[] = {
    {"rate 50", [](Vantor& v) { return v.SetOutputRate(50); },
     DriverFunction::kVantorSetOutputRate, std::int64_t{50}},
    {"rate min", [](Vantor& v) { return v.SetOutputRate(kMin); },
     DriverFunction::kVantorSetOutputRate, std::int64_t{kMin}},
    {"4x4", [](Vantor& v) { return v.SetResolution(VantorResolution::k4x4); },
     DriverFunction::kVantorSetResolution, std::int64_t{16}},
    {"8x8", [](Vantor& v) { return v.SetResolution(VantorResolution::k8x8); },
     DriverFunction::kVantorSetResolution, std::int64_t{64}},
    {"resolution -7",
     [](Vantor& v) {
       return v.SetResolution(static_cast<VantorResolution>(-7));
     },
     DriverFunction::kVantorSetResolution, std::int64_t{-7}},
    {"frequency 15", [](Vantor& v) { return v.SetRangingFrequency(15); },
     DriverFunction::kVantorSetRangingFrequency, std::int64_t{15}},
    {"mask top bit", [](Vantor& v) { return v.SetZoneMask(kTopAndBottom); },
     DriverFunction::kVantorSetZoneMask, kTopAndBottom},
    {"mask all", [](Vantor& v) { return v.SetZoneMask(kAll); },
     DriverFunction::kVantorSetZoneMask, kAll},
    {"mask none", [](Vantor& v) { return v.SetZoneMask(0); },
     DriverFunction::kVantorSetZoneMask, std::uint64_t{0}},
};

TEST(VantorTest, CommandsPassHandleAndArgumentAndReturnTheDriversCode) {
  for (const auto& c : kCommands) {
    for (const std::int32_t code : {0, 1, -1, 5, kMax, kMin}) {
      SCOPED_TRACE(::testing::Message() << c.name << ", code " << code);
      RecordingDriver driver;
      driver.SetResult(c.function, code);
      Vantor ranger = OpenRanger(driver);
      driver.ClearCalls();
      EXPECT_EQ(ToInt(c.command(ranger)), code);
      EXPECT_EQ(driver.Calls(),
                (std::vector<DriverCall>{{c.function, {kHandle, c.argument}}}));
    }
  }
}

TEST(VantorTest, OperationsAndScanQueriesAllocateNothing) {
  RecordingDriver driver;
  driver.SetRecord(DriverFunction::kVantorGetScan, ScanRecord(1, 0, 64, 5));
  VantorConfigData config{};
  config.zoneMaskPresent = config.firmwareVersionPresent = config.setting2 = 1;
  driver.SetRecord(DriverFunction::kVantorGetConfig, config);
  Vantor ranger = OpenRanger(driver);
  EXPECT_EQ(kelvara::test::CountAllocations([&ranger] {
              if (const std::optional<VantorScan> scan = ranger.GetScan()) {
                static_cast<void>(scan->GetDistance(3, 4));
                static_cast<void>(scan->GetClosest());
              }
              static_cast<void>(ranger.GetClosestDistance());
              static_cast<void>(ranger.GetConfig());
              for (const auto& c : kCommands) {
                c.command(ranger);
              }
            }),
            0u);
}

}  // namespace
