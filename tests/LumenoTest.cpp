// The colour sensor's operations, observed at the driver boundary, and its
// palette, observed through GetMatch.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "driver/DriverRecords.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/AllocationCounter.hpp"
#include "support/DirtyStack.hpp"

namespace {

using kelvara::Chromaticity;
using kelvara::Lumeno;
using enum kelvara::LumenoConfigItem;
using kelvara::LumenoMeasureMode;
using kelvara::Status;
using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using namespace wpi::units::literals;

constexpr auto kGetColor = DriverFunction::kLumenoGetColor;
constexpr auto kGetConfigValue = DriverFunction::kLumenoGetConfigValue;
constexpr auto kSetSampleTime = DriverFunction::kLumenoSetSampleTime;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// The name that GetMatch returns, if any.
std::optional<std::string> Matched(const Lumeno& sensor) {
  return sensor.GetMatch().transform([](auto match) { return match.name; });
}

/// A sensor on handle 1, opened after the recording driver was reset.
/// Chromaticities are multiples of a power of two, so that samples and
/// distances are exact.
class LumenoTest : public ::testing::Test {
 protected:
  static constexpr Chromaticity kP{0.25, 0.25};

  /// A chromaticity dy above P: its distance from P is exactly |dy|.
  static constexpr Chromaticity AboveP(double dy) { return {0.25, 0.25 + dy}; }

  /// Makes every later GetColor call deliver this record.
  void SetColor(const kelvara::LumenoReading& r, std::int32_t valid = 1) {
    m_driver.SetRecord(kGetColor,
                       LumenoColorData{valid, {}, r.tag, {}, r.X, r.Y, r.Z});
  }

  /// Makes every later sample have exactly this chromaticity.
  void SetSample(Chromaticity c) { SetColor({c.x, c.y, 1.0 - c.x - c.y}); }

  kelvara::testing::RecordingDriver m_driver;
  Lumeno m_sensor = Lumeno::Usb();
};

TEST_F(LumenoTest, GetColorDeliversOnlyASampleTheDriverReported) {
  // Success without a written record: the stack's leftovers are no sample.
  // A first call binds the library's functions lazily, which would overwrite
  // the dirtied stack.
  static_cast<void>(m_sensor.GetColor());
  kelvara::test::DirtyTheStack();
  EXPECT_FALSE(m_sensor.GetColor());
  // A failing driver may leave anything in the record, even a valid word.
  m_driver.SetFill(kGetColor, std::byte{0x5A});
  for (std::int32_t code : {-1, 3, kMin}) {
    m_driver.SetResult(kGetColor, code);
    EXPECT_FALSE(m_sensor.GetColor()) << "code " << code;
  }
  m_driver.SetResult(kGetColor, 0);
  SetColor({0.2, 0.3, 0.4}, 0);
  EXPECT_FALSE(m_sensor.GetColor());

  // Any nonzero valid word marks a sample; the tag keeps its sign bit.
  SetColor({0.5, -0.25, 12.5, kMin + 0x5678}, 7);
  m_driver.ClearCalls();
  const auto reading = m_sensor.GetColor();
  ASSERT_TRUE(reading);
  EXPECT_EQ(std::tuple(reading->X, reading->Y, reading->Z, reading->tag),
            std::tuple(0.5, -0.25, 12.5, kMin + 0x5678));
  EXPECT_EQ(m_driver.Calls(), (std::vector<DriverCall>{{kGetColor, {1}}}));
}

TEST_F(LumenoTest, CommandsSendTheirArgumentsAndReturnTheDriverCode) {
  const std::vector<DriverCall> expected{
      {DriverFunction::kLumenoSetLedBrightness, {1, -3}},
      {DriverFunction::kLumenoSetStatusLed, {1, 1, 0}},
      {DriverFunction::kLumenoSetStatusLed, {1, 0, 5}},
      {DriverFunction::kLumenoSetMeasureMode, {1, 1, 0.0}},
      {DriverFunction::kLumenoSetMeasureMode, {1, -7, 0.0}},  // unchanged
      {DriverFunction::kLumenoSetMeasureMode, {1, 2, 250.0}},
      {DriverFunction::kLumenoSetMeasureMode, {1, 2, 12.5}},
      {kSetSampleTime, {1, 100}}};
  for (std::int32_t code : {0, -1, 5, kMax, kMin}) {
    for (const auto& call : expected) {
      m_driver.SetResult(call.function, code);
    }
    m_driver.ClearCalls();
    const std::vector<Status> results{
        m_sensor.SetLedBrightness(-3),
        m_sensor.SetStatusLed(true, 0),
        m_sensor.SetStatusLed(false, 5),
        m_sensor.SetMeasureMode(LumenoMeasureMode::kAutoDistance),
        m_sensor.SetMeasureMode(static_cast<LumenoMeasureMode>(-7)),
        m_sensor.SetFixedDistance(0.25_m),
        m_sensor.SetFixedDistance(12.5_mm),
        m_sensor.SetSampleTime(100_ms)};
    EXPECT_EQ(results, std::vector(expected.size(), Status{code}));
    EXPECT_EQ(m_driver.Calls(), expected);
  }
}

TEST_F(LumenoTest, SampleTimeIsRoundedHalfAwayFromZeroAndSaturated) {
  const std::pair<double, std::int64_t> cases[] = {
      {2.5, 3},     {2.4999, 2},          {-2.5, -3},
      {1e10, kMax}, {2147483647.5, kMax}, {-2147483648.5, kMin},
      {kInf, kMax}, {-kInf, kMin},        {kNaN, 0}};
  m_sensor.SetSampleTime(0.5_s);  // converted to milliseconds first
  std::vector<DriverCall> expected{{kSetSampleTime, {1, 500}}};
  for (const auto& [milliseconds, sent] : cases) {
    m_sensor.SetSampleTime(wpi::units::millisecond_t{milliseconds});
    expected.push_back({kSetSampleTime, {1, sent}});
  }
  EXPECT_EQ(m_driver.CallsTo(kSetSampleTime), expected);
}

TEST_F(LumenoTest, ConfigValueAndFirmwareVersionPassWordOrCodeOn) {
  const auto version = [this] {
    const auto v = m_sensor.GetFirmwareVersion().value();
    return std::tuple(v.major, v.minor, v.patch);
  };
  // Success without a written word gives the 0 the value started at, whatever
  // the stack held. The first round binds the library's functions, which
  // overwrites the dirtied stack.
  for (int round = 0; round < 2; ++round) {
    kelvara::test::DirtyTheStack();
    EXPECT_EQ(m_sensor.GetConfigValue(kMeasureMode), 0u);
    kelvara::test::DirtyTheStack();
    EXPECT_EQ(version(), std::tuple(0, 0, 0));
  }
  m_driver.SetRecord(kGetConfigValue, 0x01020304u);
  m_driver.ClearCalls();
  EXPECT_EQ(m_sensor.GetConfigValue(kFixedDistance), 0x01020304u);
  EXPECT_EQ(version(), std::tuple(2, 3, 4));
  EXPECT_EQ(m_driver.Calls(),
            (std::vector<DriverCall>{{kGetConfigValue, {1, 4}},
                                     {kGetConfigValue, {1, 8}}}));
  m_driver.SetRecord(kGetConfigValue, 0xFFFFFFFFu);
  EXPECT_EQ(version(), std::tuple(255, 255, 255));
  m_driver.SetResult(kGetConfigValue, -9);
  EXPECT_EQ(m_sensor.GetConfigValue(kSampleTime), std::unexpected{Status{-9}});
  EXPECT_EQ(m_sensor.GetFirmwareVersion(), std::unexpected{Status{-9}});
}

TEST_F(LumenoTest, PaletteKeepsOrderAndTiesGoToTheEarliestEntry) {
  using namespace std::string_view_literals;
  SetSample(kP);
  // Names differing only in case, after a zero byte or in length, all at the
  // same distance: each is an entry of its own.
  const std::string_view names[] = {"Red"sv,  "red"sv, "a\0b"sv,
                                    "a\0c"sv, "a"sv,   ""sv};
  m_sensor.AddColor("far", {0.25 + 0.03125, 0.25});
  EXPECT_EQ(Matched(m_sensor), "far");
  for (std::string_view name : names) {
    m_sensor.AddColor(name, AboveP(0.015625));
    EXPECT_EQ(Matched(m_sensor), "Red") << "after adding " << name;
  }
  m_sensor.AddColor("far", AboveP(-0.015625));  // replaced where it stood
  EXPECT_EQ(Matched(m_sensor), "far");
  m_sensor.RemoveColor("far");
  m_sensor.RemoveColor("RED");  // no such entry: nothing happens
  // Each removal uncovers the next entry.
  for (std::string_view name : names) {
    EXPECT_EQ(Matched(m_sensor), std::string{name});
    m_sensor.RemoveColor(name);
  }
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
  // One sample per GetMatch, however long the palette.
  EXPECT_EQ(m_driver.CountOf(kGetColor), 15u);
}

TEST_F(LumenoTest, ThresholdIsInclusiveWithConfidenceZeroAtTheBound) {
  const auto confidence = [this] {
    return m_sensor.GetMatch().transform([](auto m) { return m.confidence; });
  };
  SetSample(kP);
  m_sensor.AddColor("entry", kP);
  EXPECT_EQ(confidence(), 1.0);
  m_sensor.AddColor("entry", AboveP(0.03125));
  // Inclusive bound; 0, -1 and NaN are ignored, so 0.0625 stays for them.
  const double below = std::nextafter(0.03125, 0.0);
  const std::pair<double, std::optional<double>> cases[] = {
      {0.03125, 0.0}, {below, std::nullopt}, {0.0625, 0.5}, {0.0, 0.5},
      {-1.0, 0.5},    {kNaN, 0.5},           {kInf, 1.0}};
  for (const auto& [threshold, expected] : cases) {
    m_sensor.SetMatchThreshold(threshold);
    EXPECT_EQ(confidence(), expected) << "threshold " << threshold;
  }
  EXPECT_EQ(m_sensor.GetMatch()->distance, 0.03125);

  // Under the infinite threshold, which ClearColors keeps, only a finite
  // distance matches.
  m_sensor.ClearColors();
  m_sensor.AddColor("infinite", {kInf, 0.25});
  m_sensor.AddColor("nan", {kNaN, 0.25});
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
  m_sensor.AddColor("huge", {1e300, -1e300});
  EXPECT_EQ(Matched(m_sensor), "huge");
  // A sample without chromaticity is near nothing.
  SetColor({0.0, 0.0, 0.0});
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
}

TEST_F(LumenoTest, LearnColorStoresOnlyARealChromaticity) {
  m_sensor.AddColor("red", kP);
  m_sensor.AddColor("blue", AboveP(0.25));
  // A failure, no sample or no light: nothing is learnt, "red" stays.
  m_driver.QueueResults(kGetColor, {-4});
  SetSample(AboveP(0.25));
  EXPECT_FALSE(m_sensor.LearnColor("red"));
  SetColor({0.25, 0.5, 0.25}, 0);
  EXPECT_FALSE(m_sensor.LearnColor("red"));
  SetColor({0.0, 0.0, 0.0});
  EXPECT_FALSE(m_sensor.LearnColor("red"));
  EXPECT_EQ(m_driver.CountOf(kGetColor), 3u);
  SetSample(kP);
  EXPECT_EQ(Matched(m_sensor), "red");

  SetSample(AboveP(0.25));
  const auto learnt = m_sensor.LearnColor("red");
  ASSERT_TRUE(learnt);
  EXPECT_EQ(std::tuple(learnt->x, learnt->y), std::tuple(0.25, 0.5));
  EXPECT_EQ(Matched(m_sensor), "red");  // replaced at the front, tied with blue
  ASSERT_TRUE(m_sensor.LearnColor("green"));  // appended behind blue
  m_sensor.RemoveColor("red");
  EXPECT_EQ(Matched(m_sensor), "blue");
}

TEST_F(LumenoTest, MovesCarryPaletteAndThreshold) {
  // Samples at the threshold's distance match only under the raised one.
  m_sensor.SetMatchThreshold(0.0625);
  m_sensor.AddColor("red", kP);
  SetSample(AboveP(0.0625));
  Lumeno& alias = m_sensor;
  m_sensor = std::move(alias);
  EXPECT_EQ(Matched(m_sensor), "red");

  Lumeno target{std::move(m_sensor)};
  EXPECT_EQ(Matched(target), "red");
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is tested.
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
  m_sensor.AddColor("blue", kP);
  EXPECT_EQ(Matched(m_sensor), "blue");  // the threshold stayed

  // Assignment drops the target's "red" and takes the source's threshold.
  m_sensor.SetMatchThreshold(0.125);
  SetSample(AboveP(0.125));
  target = std::move(m_sensor);
  EXPECT_EQ(Matched(target), "blue");
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is tested.
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
}

TEST_F(LumenoTest, DestructionReleasesTheDeviceBeforeThePalette) {
  // Each release of memory during the destruction notes how many devices
  // the driver had released by then.
  struct Seen {
    const kelvara::testing::RecordingDriver* driver;
    std::array<std::size_t, 8> releasedDevices{};
    std::size_t count = 0;
  } seen{&m_driver};
  {
    Lumeno sensor = Lumeno::Usb();
    sensor.AddColor("a palette entry with a name too long to be stored inline",
                    kP);
    m_driver.ClearCalls();
    kelvara::test::OnRelease(
        [](void* context) {
          auto& s = *static_cast<Seen*>(context);
          if (s.count < s.releasedDevices.size()) {
            s.releasedDevices[s.count] =
                s.driver->CountOf(DriverFunction::kLumenoDestroy);
          }
          ++s.count;
        },
        &seen);
  }
  kelvara::test::OnRelease(nullptr, nullptr);
  ASSERT_EQ(seen.count, 2u);  // the entry's name, then the palette
  EXPECT_EQ(seen.releasedDevices[0], 1u);
  EXPECT_EQ(seen.releasedDevices[1], 1u);
}

TEST_F(LumenoTest, SensorOperationsAllocateNothingAndGetMatchOnlyTheName) {
  SetSample(kP);
  EXPECT_EQ(kelvara::test::CountAllocations([this] {
              static_cast<void>(m_sensor.GetColor());
              m_sensor.SetSampleTime(20_ms);
              m_sensor.SetLedBrightness(10);
              m_sensor.SetStatusLed(true, 1);
              m_sensor.SetMeasureMode(LumenoMeasureMode::kUncorrected);
              m_sensor.SetFixedDistance(30_mm);
              static_cast<void>(m_sensor.GetConfigValue(kLedBrightness));
              static_cast<void>(m_sensor.GetFirmwareVersion());
            }),
            0u);
  // Names too long for the short-string buffer: each copy allocates. The
  // nearest entry comes last, so a copy per improvement would show.
  m_sensor.AddColor("a rather long colour name 1", AboveP(0.03125));
  m_sensor.AddColor("a rather long colour name 2", AboveP(0.015625));
  m_sensor.AddColor("a rather long colour name 3", kP);
  const auto getMatch = [this] { static_cast<void>(m_sensor.GetMatch()); };
  EXPECT_EQ(kelvara::test::CountAllocations(getMatch), 1u);
  SetSample(AboveP(0.5));  // nothing matches
  EXPECT_EQ(kelvara::test::CountAllocations(getMatch), 0u);
}

}  // namespace
