// The colour sensor: its reading's conversions, its operations, observed at
// the driver boundary, and its palette, observed through GetMatch.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ColorMath.hpp"
#include "driver/DriverRecords.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/DeviceTest.hpp"

namespace {

using namespace kelvara::test;  // NOLINT(google-build-using-namespace)
using kelvara::Chromaticity;
using kelvara::Lumeno;
using kelvara::LumenoReading;
using kelvara::detail::SrgbTransfer;
using enum kelvara::LumenoConfigItem;
using kelvara::LumenoMeasureMode;
using kelvara::Status;
using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using namespace wpi::units::literals;

constexpr auto kGetColor = DriverFunction::kLumenoGetColor;
constexpr auto kGetConfigValue = DriverFunction::kLumenoGetConfigValue;
constexpr auto kSetSampleTime = DriverFunction::kLumenoSetSampleTime;

/// The name that GetMatch returns, if any.
std::optional<std::string> Matched(const Lumeno& sensor) {
  return sensor.GetMatch().transform([](auto match) { return match.name; });
}

/// The double nearest 1/3; three of them sum to exactly 1.
constexpr double kThird = 1.0 / 3.0;

std::array<double, 3> Rgb(const LumenoReading& reading) {
  const auto color = reading.ToColor();
  return {color.red, color.green, color.blue};
}

// The colour reading's conversions. Every step is exact double arithmetic, so
// the expected values are exact too.

TEST(LumenoReadingTest, MatrixRowsAreSummedLeftToRightWithoutFusedMultiplyAdd) {
  // For these inputs, summing a row in another order or fusing a
  // multiply-add changes the last bit of every row.
  EXPECT_EQ(kelvara::detail::XyzToLinearSrgb({0.525, 0.766, 0.093}),
            (std::array{0.47745000000000026, 0.9320497999999999,
                        -0.028720499999999982}));
}

TEST(LumenoReadingTest, TransferFunctionClampsAndSwitchesAfterTheBound) {
  const double bound = 0.0031308;
  EXPECT_EQ(SrgbTransfer(bound), 0.040449936);  // 12.92 * bound: still linear
  EXPECT_EQ(SrgbTransfer(std::nextafter(bound, 1.0)), 0.04044990748269014);
  // 1.055 - 0.055 is one unit in the last place below 1.
  EXPECT_EQ(SrgbTransfer(1.5), std::nextafter(1.0, 0.0));
  EXPECT_EQ(SrgbTransfer(-0.5), 0.0);
  EXPECT_EQ(SrgbTransfer(kNaN), 0.0);
}

TEST(LumenoReadingTest, ToColorGivesRoundedDisplayColour) {
  EXPECT_EQ(Rgb({0.525, 0.766, 0.093}),
            (std::array{2951 / 4096.0, 3972 / 4096.0, 0.0}));
  // Red and green clamp at 1 and at 0 before the transfer function.
  EXPECT_EQ(Rgb({1.0, 0.0, 0.0}), (std::array{1.0, 0.0, 1073 / 4096.0}));
  // A NaN component makes every linear value NaN, which counts as 0.
  EXPECT_EQ(Rgb({kNaN, 0.0, 0.0}), (std::array{0.0, 0.0, 0.0}));
}

TEST(LumenoReadingTest, ChromaticityNeedsFiniteSumAboveOneMillionth) {
  const auto xy = [](std::optional<Chromaticity> c) {
    return c ? std::optional{std::pair{c->x, c->y}} : std::nullopt;
  };
  const std::pair<LumenoReading, std::optional<Chromaticity>> cases[] = {
      {{1e-6, 0.0, 0.0}, std::nullopt},
      {{std::nextafter(1e-6, 1.0), 0.0, 0.0}, Chromaticity{1.0, 0.0}},
      {{-1.0, -2.0, -3.0}, std::nullopt},
      {{60.0, 80.0, 20.0}, Chromaticity{0.375, 0.5}},
      {{kThird, kThird, kThird}, Chromaticity{kThird, kThird}},
      // (X + Y) + Z is 1; X + (Y + Z) and (X + Z) + Y would be 0.
      {{1e16, -1e16, 1.0}, Chromaticity{1e16, -1e16}},
      {{kNaN, 1.0, 1.0}, std::nullopt},
      {{1e308, 1e308, 0.0}, std::nullopt},  // the sum overflows
      // The sum is a small finite number but X / sum overflows.
      {{1e308, -1e308, 1e-5}, std::nullopt},
  };
  for (const auto& [reading, expected] : cases) {
    EXPECT_EQ(xy(reading.GetChromaticity()), xy(expected))
        << "XYZ " << reading.X << ", " << reading.Y << ", " << reading.Z;
    // Exactly 0 from the expected chromaticity; infinite when there is none.
    EXPECT_EQ(reading.DistanceTo(expected.value_or(Chromaticity{})),
              expected ? 0.0 : kInf);
  }
  // Euclidean: (0.375, 0.5) is 0.625 from the origin.
  EXPECT_EQ((LumenoReading{3.0, 4.0, 1.0}.DistanceTo({0.0, 0.0})), 0.625);
}

/// Chromaticities are multiples of a power of two, so that samples and
/// distances are exact.
class LumenoTest : public DeviceTest<Lumeno, DriverFunction::kLumenoCreateUsb> {
 protected:
  static constexpr Chromaticity kP{0.25, 0.25};

  /// A chromaticity dy above P: its distance from P is exactly |dy|.
  static constexpr Chromaticity AboveP(double dy) { return {0.25, 0.25 + dy}; }

  /// Makes every later GetColor call deliver this record.
  void SetColor(const LumenoReading& r, std::int32_t valid = 1) {
    m_driver.SetRecord(kGetColor,
                       LumenoColorData{valid, {}, r.tag, {}, r.X, r.Y, r.Z});
  }

  /// Makes every later sample have exactly this chromaticity.
  void SetSample(Chromaticity c) { SetColor({c.x, c.y, 1.0 - c.x - c.y}); }
};

TEST_F(LumenoTest, GetColorDeliversOnlyASampleTheDriverReported) {
  const DriverCall call{kGetColor, {kHandle}};
  const auto getColor = std::mem_fn(&Lumeno::GetColor);
  // Success without a written record: the stack's leftovers are no sample.
  EXPECT_FALSE(Once(call, getColor));
  // A failing driver may leave anything in the record, even a valid word.
  m_driver.SetFill(kGetColor, std::byte{0x5A});
  for (std::int32_t code : {-1, 3, kMin}) {
    m_driver.SetResult(kGetColor, code);
    EXPECT_FALSE(Once(call, getColor)) << "code " << code;
  }
  m_driver.SetResult(kGetColor, 0);
  SetColor({0.2, 0.3, 0.4}, 0);
  EXPECT_FALSE(Once(call, getColor));

  // Any nonzero valid word marks a sample; the tag keeps its sign bit.
  SetColor({0.5, -0.25, 12.5, kMin + 0x5678}, 7);
  const auto reading = Once(call, getColor);
  ASSERT_TRUE(reading);
  EXPECT_EQ(std::tuple(reading->X, reading->Y, reading->Z, reading->tag),
            std::tuple(0.5, -0.25, 12.5, kMin + 0x5678));
}

TEST_F(LumenoTest, CommandsSendTheirArgumentsAndReturnTheDriverCode) {
  using enum DriverFunction;
  ExpectCommands({
      {[](Lumeno& l) { return l.SetLedBrightness(-3); },
       {kLumenoSetLedBrightness, {kHandle, -3}}},
      {[](Lumeno& l) { return l.SetStatusLed(true, 0); },
       {kLumenoSetStatusLed, {kHandle, 1, 0}}},
      {[](Lumeno& l) { return l.SetStatusLed(false, 5); },
       {kLumenoSetStatusLed, {kHandle, 0, 5}}},
      {[](Lumeno& l) {
         return l.SetMeasureMode(LumenoMeasureMode::kAutoDistance);
       },
       {kLumenoSetMeasureMode, {kHandle, 1, 0.0}}},
      // An unknown mode goes to the driver as it is.
      {[](Lumeno& l) { return l.SetMeasureMode(LumenoMeasureMode{-7}); },
       {kLumenoSetMeasureMode, {kHandle, -7, 0.0}}},
      {[](Lumeno& l) { return l.SetFixedDistance(0.25_m); },
       {kLumenoSetMeasureMode, {kHandle, 2, 250.0}}},
      {[](Lumeno& l) { return l.SetFixedDistance(12.5_mm); },
       {kLumenoSetMeasureMode, {kHandle, 2, 12.5}}},
      {[](Lumeno& l) { return l.SetSampleTime(100_ms); },
       {kSetSampleTime, {kHandle, 100}}},
  });
}

TEST_F(LumenoTest, SampleTimeIsRoundedHalfAwayFromZeroAndSaturated) {
  const std::pair<double, std::int64_t> cases[] = {
      {2.5, 3},     {2.4999, 2},          {-2.5, -3},
      {1e10, kMax}, {2147483647.5, kMax}, {-2147483648.5, kMin},
      {kInf, kMax}, {-kInf, kMin},        {kNaN, 0}};
  m_device.SetSampleTime(0.5_s);  // converted to milliseconds first
  std::vector<DriverCall> expected{{kSetSampleTime, {kHandle, 500}}};
  for (const auto& [milliseconds, sent] : cases) {
    m_device.SetSampleTime(wpi::units::millisecond_t{milliseconds});
    expected.push_back({kSetSampleTime, {kHandle, sent}});
  }
  EXPECT_EQ(m_driver.CallsTo(kSetSampleTime), expected);
}

TEST_F(LumenoTest, ConfigValueAndFirmwareVersionPassWordOrCodeOn) {
  const DriverCall fixedDistance{kGetConfigValue, {kHandle, 4}};
  const DriverCall firmware{kGetConfigValue, {kHandle, 8}};
  const auto value = [](Lumeno& l) { return l.GetConfigValue(kFixedDistance); };
  const auto version = [](Lumeno& l) {
    const auto v = l.GetFirmwareVersion().value();
    return std::tuple(v.major, v.minor, v.patch);
  };
  // Success without a written word gives the 0 the value started at, whatever
  // the stack held. The first round binds the library's functions, which
  // overwrites the dirtied stack.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Once(fixedDistance, value), 0u);
    EXPECT_EQ(Once(firmware, version), std::tuple(0, 0, 0));
  }
  m_driver.SetRecord(kGetConfigValue, 0x01020304u);
  EXPECT_EQ(Once(fixedDistance, value), 0x01020304u);
  EXPECT_EQ(Once(firmware, version), std::tuple(2, 3, 4));
  m_driver.SetRecord(kGetConfigValue, 0xFFFFFFFFu);
  EXPECT_EQ(version(m_device), std::tuple(255, 255, 255));
  m_driver.SetResult(kGetConfigValue, -9);
  EXPECT_EQ(m_device.GetConfigValue(kSampleTime), std::unexpected{Status{-9}});
  EXPECT_EQ(m_device.GetFirmwareVersion(), std::unexpected{Status{-9}});
}

TEST_F(LumenoTest, PaletteKeepsOrderAndTiesGoToTheEarliestEntry) {
  using namespace std::string_view_literals;
  SetSample(kP);
  // Names differing only in case, after a zero byte or in length, all at the
  // same distance: each is an entry of its own.
  const std::string_view names[] = {"Red"sv,  "red"sv, "a\0b"sv,
                                    "a\0c"sv, "a"sv,   ""sv};
  m_device.AddColor("far", {0.25 + 0.03125, 0.25});
  EXPECT_EQ(Matched(m_device), "far");
  for (std::string_view name : names) {
    m_device.AddColor(name, AboveP(0.015625));
    EXPECT_EQ(Matched(m_device), "Red") << "after adding " << name;
  }
  m_device.AddColor("far", AboveP(-0.015625));  // replaced where it stood
  EXPECT_EQ(Matched(m_device), "far");
  m_device.RemoveColor("far");
  m_device.RemoveColor("RED");  // no such entry: nothing happens
  // Each removal uncovers the next entry.
  for (std::string_view name : names) {
    EXPECT_EQ(Matched(m_device), std::string{name});
    m_device.RemoveColor(name);
  }
  EXPECT_EQ(Matched(m_device), std::nullopt);
  // One sample per GetMatch, however long the palette.
  EXPECT_EQ(m_driver.CountOf(kGetColor), 15u);
}

TEST_F(LumenoTest, ThresholdIsInclusiveWithConfidenceZeroAtTheBound) {
  const auto confidence = [this] {
    return m_device.GetMatch().transform([](auto m) { return m.confidence; });
  };
  SetSample(kP);
  m_device.AddColor("entry", kP);
  EXPECT_EQ(confidence(), 1.0);
  m_device.AddColor("entry", AboveP(0.03125));
  // Inclusive bound; 0, -1 and NaN are ignored, so 0.0625 stays for them.
  const double below = std::nextafter(0.03125, 0.0);
  const std::pair<double, std::optional<double>> cases[] = {
      {0.03125, 0.0}, {below, std::nullopt}, {0.0625, 0.5}, {0.0, 0.5},
      {-1.0, 0.5},    {kNaN, 0.5},           {kInf, 1.0}};
  for (const auto& [threshold, expected] : cases) {
    m_device.SetMatchThreshold(threshold);
    EXPECT_EQ(confidence(), expected) << "threshold " << threshold;
  }
  EXPECT_EQ(m_device.GetMatch()->distance, 0.03125);

  // Under the infinite threshold, which ClearColors keeps, only a finite
  // distance matches.
  m_device.ClearColors();
  m_device.AddColor("infinite", {kInf, 0.25});
  m_device.AddColor("nan", {kNaN, 0.25});
  EXPECT_EQ(Matched(m_device), std::nullopt);
  m_device.AddColor("huge", {1e300, -1e300});
  EXPECT_EQ(Matched(m_device), "huge");
  // A sample without chromaticity is near nothing.
  SetColor({0.0, 0.0, 0.0});
  EXPECT_EQ(Matched(m_device), std::nullopt);
}

TEST_F(LumenoTest, LearnColorStoresOnlyARealChromaticity) {
  m_device.AddColor("red", kP);
  m_device.AddColor("blue", AboveP(0.25));
  // A failure, no sample or no light: nothing is learnt, "red" stays.
  m_driver.QueueResults(kGetColor, {-4});
  SetSample(AboveP(0.25));
  EXPECT_FALSE(m_device.LearnColor("red"));
  SetColor({0.25, 0.5, 0.25}, 0);
  EXPECT_FALSE(m_device.LearnColor("red"));
  SetColor({0.0, 0.0, 0.0});
  EXPECT_FALSE(m_device.LearnColor("red"));
  EXPECT_EQ(m_driver.CountOf(kGetColor), 3u);
  SetSample(kP);
  EXPECT_EQ(Matched(m_device), "red");

  SetSample(AboveP(0.25));
  const auto learnt = m_device.LearnColor("red");
  ASSERT_TRUE(learnt);
  EXPECT_EQ(std::tuple(learnt->x, learnt->y), std::tuple(0.25, 0.5));
  EXPECT_EQ(Matched(m_device), "red");  // replaced at the front, tied with blue
  ASSERT_TRUE(m_device.LearnColor("green"));  // appended behind blue
  m_device.RemoveColor("red");
  EXPECT_EQ(Matched(m_device), "blue");
  // A middle entry leaves with its colour: nothing is left near kP.
  m_device.AddColor("green", kP);
  m_device.AddColor("gray", AboveP(0.5));
  m_device.RemoveColor("green");
  SetSample(kP);
  EXPECT_EQ(Matched(m_device), std::nullopt);
}

TEST_F(LumenoTest, MovesCarryPaletteAndThreshold) {
  // Samples at the threshold's distance match only under the raised one.
  m_device.SetMatchThreshold(0.0625);
  m_device.AddColor("red", kP);
  SetSample(AboveP(0.0625));
  Lumeno& alias = m_device;
  m_device = std::move(alias);
  EXPECT_EQ(Matched(m_device), "red");

  Lumeno target{std::move(m_device)};
  EXPECT_EQ(Matched(target), "red");
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is tested.
  EXPECT_EQ(Matched(m_device), std::nullopt);
  m_device.AddColor("blue", kP);
  EXPECT_EQ(Matched(m_device), "blue");  // the threshold stayed

  // Assignment drops the target's "red" and takes the source's threshold.
  m_device.SetMatchThreshold(0.125);
  SetSample(AboveP(0.125));
  target = std::move(m_device);
  EXPECT_EQ(Matched(target), "blue");
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is tested.
  EXPECT_EQ(Matched(m_device), std::nullopt);
}

TEST_F(LumenoTest, DestructionReleasesTheDeviceBeforeThePalette) {
  // Each release of memory during the destruction is counted, with the
  // fewest devices that the driver had released by any of them.
  struct Seen {
    const kelvara::testing::RecordingDriver* driver;
    std::size_t fewestReleased = 99;
    std::size_t count = 0;
  } seen{&m_driver};
  {
    Lumeno sensor = Lumeno::Usb();
    sensor.AddColor("a palette entry with a name too long to be stored inline",
                    kP);
    OnRelease(
        [](void* context) {
          auto& s = *static_cast<Seen*>(context);
          s.fewestReleased =
              std::min(s.fewestReleased,
                       s.driver->CountOf(DriverFunction::kLumenoDestroy));
          ++s.count;
        },
        &seen);
  }
  OnRelease(nullptr, nullptr);
  EXPECT_EQ(seen.count, 3u);  // the entry's name, the names, the colours
  EXPECT_EQ(seen.fewestReleased, 1u);
}

TEST_F(LumenoTest, GetMatchAllocatesOnlyTheNameOfTheMatch) {
  // Names too long for the short-string buffer: each copy allocates. The
  // nearest entry comes last, so a copy per improvement would show.
  m_device.AddColor("a rather long colour name 1", AboveP(0.03125));
  m_device.AddColor("a rather long colour name 2", AboveP(0.015625));
  m_device.AddColor("a rather long colour name 3", kP);
  SetSample(kP);
  const auto getMatch = [this] { static_cast<void>(m_device.GetMatch()); };
  EXPECT_EQ(CountAllocations(getMatch), 1u);
  SetSample(AboveP(0.5));  // nothing matches
  EXPECT_EQ(CountAllocations(getMatch), 0u);
}

}  // namespace
