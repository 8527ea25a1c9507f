// The simulated colour sensor's model, as robot code reads it through Lumeno.

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "kelvara/Lumeno.hpp"
#include "kelvara/sim/SimLumeno.hpp"
#include "kelvara/sim/SimResult.hpp"
#include "support/SimTestAddress.hpp"

namespace {

using kelvara::Lumeno;
using kelvara::LumenoConfigItem;
using kelvara::LumenoMeasureMode;
using kelvara::Status;
using kelvara::sim::AsStatus;
using kelvara::sim::SimLumeno;
using kelvara::sim::SimResult;
using kelvara::test::TestAddress;
using wpi::util::Color;

/// A simulated colour sensor and robot code's Lumeno on it, at the test's
/// address.
struct Sensor {
  Sensor()
      : sim{TestAddress()},
        lumeno{Lumeno::FromSerialDevice(sim.GetAddress().GetPath())} {}
  SimLumeno sim;
  Lumeno lumeno;
};

TEST(SimLumenoTest, ASurfaceColourComesBackThroughToColor) {
  const Color colors[] = {{1, 0, 0}, {0, 1, 0},          {0, 0, 1},
                          {1, 1, 1}, {0.5, 0.5, 0.5},    {0.2, 0.6, 0.9},
                          {0, 0, 0}, {0.01, 0.02, 0.03}, {0.9, 0.4, 0.05}};
  Sensor d;
  for (const Color& color : colors) {
    d.sim.SetSurfaceColor(color);
    const Color seen = d.lumeno.GetColor()->ToColor();
    EXPECT_NEAR(seen.red, color.red, 1.0 / 4096) << color.red;
    EXPECT_NEAR(seen.green, color.green, 1.0 / 4096) << color.green;
    EXPECT_NEAR(seen.blue, color.blue, 1.0 / 4096) << color.blue;
  }
  // The sRGB primaries and white in the four-decimal matrix's own terms.
  d.sim.SetSurfaceColor(Color{1, 1, 1});
  const auto white = *d.lumeno.GetColor();
  EXPECT_NEAR(white.X, 0.9505, 1e-3);
  EXPECT_NEAR(white.Y, 1.0, 1e-3);
  EXPECT_NEAR(white.Z, 1.089, 1e-3);
}

TEST(SimLumenoTest, SamplesCarryTheSurfaceScaledByTheLed) {
  Sensor d;
  d.sim.SetSurfaceXyz(0.25, 0.5, 0.125);
  const auto full = *d.lumeno.GetColor();
  EXPECT_EQ(full.X, 0.25);
  EXPECT_EQ(full.Y, 0.5);
  EXPECT_EQ(full.Z, 0.125);
  EXPECT_EQ(d.lumeno.GetColor()->tag, full.tag + 1);

  ASSERT_EQ(d.lumeno.SetLedBrightness(50), Status::kOk);
  const auto half = *d.lumeno.GetColor();
  EXPECT_EQ(half.X, 0.125);
  EXPECT_EQ(half.Y, 0.25);
  EXPECT_EQ(half.Z, 0.0625);
  EXPECT_EQ(half.DistanceTo(*full.GetChromaticity()), 0.0);

  ASSERT_EQ(d.lumeno.SetLedBrightness(0), Status::kOk);
  EXPECT_FALSE(d.lumeno.GetColor()->GetChromaticity());
  EXPECT_EQ(d.lumeno.SetLedBrightness(101),
            AsStatus(SimResult::kInvalidArgument));
  EXPECT_EQ(d.sim.GetLedBrightness(), 0);
}

TEST(SimLumenoTest, SettingsComeBackThroughTheConfigurationValues) {
  Sensor d;
  auto value = [&d](LumenoConfigItem item) {
    return d.lumeno.GetConfigValue(item).value();
  };
  EXPECT_EQ(value(LumenoConfigItem::kSampleTime), 50u);
  ASSERT_EQ(d.lumeno.SetSampleTime(wpi::units::millisecond_t{20}), Status::kOk);
  ASSERT_EQ(d.lumeno.SetLedBrightness(40), Status::kOk);
  ASSERT_EQ(d.lumeno.SetStatusLed(true, 7), Status::kOk);
  ASSERT_EQ(d.lumeno.SetFixedDistance(wpi::units::meter_t{0.2504}),
            Status::kOk);
  EXPECT_EQ(value(LumenoConfigItem::kSampleTime), 20u);
  EXPECT_EQ(value(LumenoConfigItem::kLedBrightness), 40u);
  EXPECT_EQ(value(LumenoConfigItem::kStatusLed), 1u);
  EXPECT_EQ(value(LumenoConfigItem::kMeasureMode), 2u);
  EXPECT_EQ(value(LumenoConfigItem::kFixedDistance), 250u);
  EXPECT_EQ(d.sim.GetStatusLedValue(), 7);
  EXPECT_DOUBLE_EQ(d.sim.GetFixedDistance().value(), 250.4);

  // Another mode keeps the fixed distance for later.
  ASSERT_EQ(d.lumeno.SetMeasureMode(LumenoMeasureMode::kAutoDistance),
            Status::kOk);
  EXPECT_EQ(d.sim.GetMeasureMode(), LumenoMeasureMode::kAutoDistance);
  EXPECT_EQ(value(LumenoConfigItem::kFixedDistance), 250u);

  const auto version = *d.lumeno.GetFirmwareVersion();
  EXPECT_EQ((std::array{version.major, version.minor, version.patch}),
            (std::array{1, 4, 2}));
  d.sim.SetFirmwareVersion(2, 3, 255);
  EXPECT_EQ(value(LumenoConfigItem::kFirmwareVersion), 0x0002'03FFu);
  for (int item : {5, 7, 9, -1}) {
    EXPECT_EQ(
        d.lumeno.GetConfigValue(static_cast<LumenoConfigItem>(item)).error(),
        AsStatus(SimResult::kUnsupportedItem))
        << item;
  }
}

TEST(SimLumenoTest, RefusesValuesOutOfTheDevicesRange) {
  Sensor d;
  const Status invalid = AsStatus(SimResult::kInvalidArgument);
  using wpi::units::millimeter_t;
  using wpi::units::millisecond_t;
  EXPECT_EQ(d.lumeno.SetSampleTime(millisecond_t{0}), invalid);
  EXPECT_EQ(d.lumeno.SetSampleTime(millisecond_t{1001}), invalid);
  EXPECT_EQ(d.lumeno.SetLedBrightness(-1), invalid);
  EXPECT_EQ(d.lumeno.SetMeasureMode(static_cast<LumenoMeasureMode>(3)),
            invalid);
  for (double mm :
       {-0.5, std::nan(""), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(d.lumeno.SetFixedDistance(millimeter_t{mm}), invalid) << mm;
  }
  EXPECT_EQ(d.sim.GetSampleTime(), 50);
  EXPECT_EQ(d.sim.GetMeasureMode(), LumenoMeasureMode::kUncorrected);
  EXPECT_FALSE(d.sim.IsStatusLedOn());
}

TEST(SimLumenoTest, LearntColoursMatchTheSurfaceUnderTheSensor) {
  Sensor d;
  const struct {
    const char* name;
    Color color;
  } tiles[] = {{"red", {0.8, 0.1, 0.1}},
               {"blue", {0.1, 0.2, 0.8}},
               {"yellow", {0.9, 0.8, 0.1}}};
  for (const auto& tile : tiles) {
    d.sim.SetSurfaceColor(tile.color);
    ASSERT_TRUE(d.lumeno.LearnColor(tile.name)) << tile.name;
  }
  ASSERT_EQ(d.lumeno.SetLedBrightness(60), Status::kOk);
  for (const auto& tile : tiles) {
    d.sim.SetSurfaceColor(tile.color);
    const auto match = d.lumeno.GetMatch();
    ASSERT_TRUE(match) << tile.name;
    EXPECT_EQ(match->name, tile.name);
    EXPECT_NEAR(match->confidence, 1.0, 1e-9);
  }
}

TEST(SimLumenoTest, NoiseIsRepeatableWithASeed) {
  Sensor d;
  SimLumeno twin{TestAddress("-twin")};
  const Lumeno twinSensor =
      Lumeno::FromSerialDevice(twin.GetAddress().GetPath());
  d.sim.SetNoise(0.02, 7);
  twin.SetNoise(0.02, 7);
  const auto first = *d.lumeno.GetColor();
  const auto again = *twinSensor.GetColor();
  EXPECT_EQ((std::array{first.X, first.Y, first.Z}),
            (std::array{again.X, again.Y, again.Z}));
  EXPECT_NE(first.X, d.lumeno.GetColor()->X);
  d.sim.SetNoise(0.0, 7);
  EXPECT_EQ(d.lumeno.GetColor()->Y, d.lumeno.GetColor()->Y);
}

}  // namespace
