// The colour sensor's operations, observed at the driver boundary.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "driver/DriverRecords.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/AllocationCounter.hpp"

namespace {

using kelvara::Chromaticity;
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
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
  m_driver.SetRecord(DriverFunction::kLumenoGetColor,
                     ColorRecord(0.2, 0.3, 0.4));
  ASSERT_TRUE(m_sensor.GetColor());
  // A fresh driver state succeeds without writing the record; the sample
  // that the first call left on the stack must not reappear.
  RecordingDriver writesNothing;
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
      {wpi::units::millisecond_t{kNaN}, 0},
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
  // Success without a written word gives the 0 the value started at.
  EXPECT_EQ(m_sensor.GetConfigValue(LumenoConfigItem::kMeasureMode), 0u);
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
                {DriverFunction::kLumenoGetConfigValue, {1, 3}},
                {DriverFunction::kLumenoGetConfigValue, {1, 4}},
                {DriverFunction::kLumenoGetConfigValue, {1, 0}}}));
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

/// The palette, observed through GetMatch. Chromaticities are multiples of a
/// power of two, so that samples and distances are exact.
class LumenoPaletteTest : public LumenoTest {
 protected:
  static constexpr Chromaticity kP{0.25, 0.25};

  /// A chromaticity dy above P: its distance from P is exactly |dy|.
  static constexpr Chromaticity AboveP(double dy) { return {0.25, 0.25 + dy}; }

  /// Makes every later sample have exactly this chromaticity.
  void SetSample(Chromaticity c) {
    m_driver.SetRecord(DriverFunction::kLumenoGetColor,
                       ColorRecord(c.x, c.y, 1.0 - c.x - c.y));
  }

  /// The name that GetMatch returns, if any.
  std::optional<std::string> Matched(const Lumeno& sensor) {
    const auto match = sensor.GetMatch();
    return match ? std::optional{match->name} : std::nullopt;
  }
  std::optional<std::string> Matched() { return Matched(m_sensor); }
};

TEST_F(LumenoPaletteTest, GetMatchTakesExactlyOneSampleWhateverThePalette) {
  SetSample(kP);
  EXPECT_EQ(Matched(), std::nullopt);
  m_sensor.AddColor("a", AboveP(0.5));
  m_sensor.AddColor("b", kP);
  m_sensor.AddColor("c", AboveP(0.25));
  EXPECT_EQ(Matched(), "b");
  EXPECT_EQ(m_driver.CountOf(DriverFunction::kLumenoGetColor), 2u);
}

TEST_F(LumenoPaletteTest, AddingAKnownNameReplacesItInPlace) {
  SetSample(kP);
  // Entries at equal distance: the earliest wins, which shows the order.
  m_sensor.AddColor("red", AboveP(0.5));
  m_sensor.AddColor("blue", kP);
  m_sensor.AddColor("red", kP);
  const auto match = m_sensor.GetMatch();
  ASSERT_TRUE(match);
  EXPECT_EQ(match->name, "red");
  EXPECT_EQ(match->distance, 0.0);
  EXPECT_EQ(match->confidence, 1.0);

  m_sensor.ClearColors();
  m_sensor.AddColor("alpha", kP);
  m_sensor.AddColor("beta", kP);
  m_sensor.AddColor("alpha", kP);
  EXPECT_EQ(Matched(), "alpha");
  m_sensor.RemoveColor("alpha");
  EXPECT_EQ(Matched(), "beta");
  m_sensor.AddColor("alpha", kP);
  EXPECT_EQ(Matched(), "beta");
  m_sensor.RemoveColor("gamma");
  EXPECT_EQ(Matched(), "beta");
}

TEST_F(LumenoPaletteTest, NamesAreWholeCaseSensitiveByteStrings) {
  using namespace std::string_view_literals;
  SetSample(kP);
  for (std::string_view name :
       {"Red"sv, "red"sv, "a\0b"sv, "a\0c"sv, "a"sv, ""sv}) {
    m_sensor.AddColor(name, kP);
  }
  m_sensor.RemoveColor("RED");
  // Each removal uncovers the next entry, so all six are distinct.
  for (std::string_view name :
       {"Red"sv, "red"sv, "a\0b"sv, "a\0c"sv, "a"sv, ""sv}) {
    EXPECT_EQ(Matched(), std::string{name});
    m_sensor.RemoveColor(name);
  }
  EXPECT_EQ(Matched(), std::nullopt);
}

TEST_F(LumenoPaletteTest, ThresholdIsInclusiveWithConfidenceZeroAtTheBound) {
  SetSample(kP);
  m_sensor.AddColor("edge", AboveP(0.03125));
  const struct {
    double threshold;
    std::optional<double> confidence;
  } cases[] = {
      {0.03125, 0.0},
      {std::nextafter(0.03125, 0.0), std::nullopt},
      {0.0625, 0.5},
      {kInf, 1.0},
  };
  for (const auto& c : cases) {
    m_sensor.SetMatchThreshold(c.threshold);
    const auto match = m_sensor.GetMatch();
    ASSERT_EQ(match.has_value(), c.confidence.has_value())
        << "threshold " << c.threshold;
    if (match) {
      EXPECT_EQ(match->confidence, *c.confidence);
      EXPECT_EQ(match->distance, 0.03125);
    }
  }
}

TEST_F(LumenoPaletteTest, ThresholdIgnoresValuesNotAboveZero) {
  SetSample(kP);
  m_sensor.AddColor("near", AboveP(0.046875));
  m_sensor.AddColor("far", AboveP(0.0625));
  // 0.05 at first: only the nearer entry matches.
  for (double ignored : {0.0, -0.0, -1.0, -kInf, kNaN}) {
    m_sensor.SetMatchThreshold(ignored);
    EXPECT_EQ(Matched(), "near") << "threshold " << ignored;
  }
  m_sensor.SetMatchThreshold(0.0625);
  m_sensor.RemoveColor("near");
  EXPECT_EQ(Matched(), "far");
  // Clearing the palette keeps the threshold.
  m_sensor.ClearColors();
  m_sensor.AddColor("again", AboveP(-0.0625));
  EXPECT_EQ(Matched(), "again");
}

TEST_F(LumenoPaletteTest, NearestEntryWinsAndTiesGoToTheEarliest) {
  SetSample(kP);
  const struct {
    const char* name;
    Chromaticity chromaticity;
    const char* winner;
  } steps[] = {
      {"far", AboveP(0.03125), "far"},
      {"tieA", AboveP(0.015625), "tieA"},
      {"tieB", AboveP(-0.015625), "tieA"},
      {"tieC", {0.25 + 0.015625, 0.25}, "tieA"},
      {"nearer", AboveP(0.0078125), "nearer"},
      {"alsoNearer", AboveP(-0.0078125), "nearer"},
  };
  for (const auto& step : steps) {
    m_sensor.AddColor(step.name, step.chromaticity);
    EXPECT_EQ(Matched(), step.winner) << "after adding " << step.name;
  }
}

TEST_F(LumenoPaletteTest, SampleWithoutChromaticityMatchesNothing) {
  const LumenoColorData samples[] = {
      ColorRecord(0.0, 0.0, 0.0),   ColorRecord(1e-6, 0.0, 0.0),
      ColorRecord(1.0, -1.0, 0.0),  ColorRecord(kNaN, 0.25, 0.5),
      ColorRecord(kInf, 0.25, 0.5),
  };
  m_sensor.AddColor("first", kP);
  m_sensor.AddColor("second", AboveP(0.5));
  for (double threshold : {0.05, kInf}) {
    m_sensor.SetMatchThreshold(threshold);
    for (const auto& sample : samples) {
      m_driver.SetRecord(DriverFunction::kLumenoGetColor, sample);
      EXPECT_FALSE(m_sensor.GetMatch())
          << "threshold " << threshold << ", XYZ " << sample.X << ", "
          << sample.Y << ", " << sample.Z;
    }
  }
}

TEST_F(LumenoPaletteTest, EntryOffTheChartNeverMatches) {
  SetSample(kP);
  m_sensor.SetMatchThreshold(kInf);
  m_sensor.AddColor("infinite", {kInf, 0.25});
  m_sensor.AddColor("nan", {kNaN, 0.25});
  EXPECT_EQ(Matched(), std::nullopt);
  m_sensor.AddColor("finite", {1e300, -1e300});
  const auto match = m_sensor.GetMatch();
  ASSERT_TRUE(match);
  EXPECT_EQ(match->name, "finite");
  EXPECT_EQ(match->confidence, 1.0);
}

TEST_F(LumenoPaletteTest, LearnColorStoresOnlyARealChromaticity) {
  m_sensor.AddColor("red", kP);
  const struct {
    std::int32_t code;
    LumenoColorData sample;
  } failures[] = {
      {-4, ColorRecord(0.5, 0.25, 0.25)}, {0, ColorRecord(0.5, 0.25, 0.25, 0)},
      {0, ColorRecord(0.0, 0.0, 0.0)},    {0, ColorRecord(kNaN, 0.25, 0.25)},
      {0, ColorRecord(kInf, 0.25, 0.25)},
  };
  for (const auto& f : failures) {
    m_driver.SetResult(DriverFunction::kLumenoGetColor, f.code);
    m_driver.SetRecord(DriverFunction::kLumenoGetColor, f.sample);
    m_driver.ClearCalls();
    EXPECT_FALSE(m_sensor.LearnColor("red"))
        << "code " << f.code << ", X " << f.sample.X;
    EXPECT_EQ(m_driver.CountOf(DriverFunction::kLumenoGetColor), 1u);
    m_driver.SetResult(DriverFunction::kLumenoGetColor, 0);
    SetSample(kP);
    EXPECT_EQ(Matched(), "red") << "code " << f.code << ", X " << f.sample.X;
  }
}

TEST_F(LumenoPaletteTest, LearnColorReplacesInPlaceOrAppends) {
  const Chromaticity q{0.5, 0.25};
  m_sensor.AddColor("red", kP);
  m_sensor.AddColor("blue", q);
  SetSample(q);
  const auto learnt = m_sensor.LearnColor("red");
  ASSERT_TRUE(learnt);
  EXPECT_EQ(learnt->x, 0.5);
  EXPECT_EQ(learnt->y, 0.25);
  EXPECT_EQ(Matched(), "red");  // replaced at the front, tied with blue

  SetSample(kP);
  EXPECT_EQ(Matched(), std::nullopt);
  ASSERT_TRUE(m_sensor.LearnColor("green"));
  m_sensor.AddColor("red", kP);
  EXPECT_EQ(Matched(), "red");
  m_sensor.RemoveColor("red");
  EXPECT_EQ(Matched(), "green");
}

TEST_F(LumenoPaletteTest, MoveConstructionCarriesPaletteAndThreshold) {
  m_sensor.SetMatchThreshold(0.0625);
  m_sensor.AddColor("red", kP);
  Lumeno target{std::move(m_sensor)};

  SetSample(AboveP(0.0625));
  EXPECT_EQ(Matched(target), "red");
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is tested.
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
  m_sensor.AddColor("blue", kP);
  EXPECT_EQ(Matched(m_sensor), "blue");
}

TEST_F(LumenoPaletteTest, MoveAssignmentReplacesTheTargetsPalette) {
  const Chromaticity q{0.5, 0.25};
  Lumeno target = Lumeno::Usb();
  target.AddColor("old", q);
  m_sensor.SetMatchThreshold(0.0625);
  m_sensor.AddColor("new", kP);
  target = std::move(m_sensor);

  // Neither object holds the target's old entry any more.
  SetSample(q);
  EXPECT_EQ(Matched(target), std::nullopt);
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is tested.
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
  SetSample(AboveP(0.0625));
  EXPECT_EQ(Matched(target), "new");
  EXPECT_EQ(Matched(m_sensor), std::nullopt);
  m_sensor.AddColor("blue", kP);
  EXPECT_EQ(Matched(m_sensor), "blue");
}

TEST_F(LumenoPaletteTest, SelfMoveAssignmentKeepsPaletteAndThreshold) {
  m_sensor.SetMatchThreshold(0.0625);
  m_sensor.AddColor("red", kP);
  Lumeno& alias = m_sensor;
  m_sensor = std::move(alias);
  SetSample(AboveP(0.0625));
  EXPECT_EQ(Matched(), "red");
}

TEST_F(LumenoPaletteTest, GetMatchAllocatesOnlyTheReturnedName) {
  SetSample(kP);
  // Names too long for the short-string buffer: each copy allocates.
  m_sensor.AddColor("a rather long colour name 1", AboveP(0.03125));
  m_sensor.AddColor("a rather long colour name 2", AboveP(0.015625));
  m_sensor.AddColor("a rather long colour name 3", kP);
  EXPECT_EQ(kelvara::test::CountAllocations(
                [this] { static_cast<void>(m_sensor.GetMatch()); }),
            1u);
  m_sensor.ClearColors();
  m_sensor.AddColor("a rather long colour name 4", AboveP(0.5));
  EXPECT_EQ(kelvara::test::CountAllocations(
                [this] { static_cast<void>(m_sensor.GetMatch()); }),
            0u);
}

}  // namespace
