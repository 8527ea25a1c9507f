// The simulated ranger's model, as robot code reads it through Vantor.

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/Vantor.hpp"
#include "kelvara/sim/SimResult.hpp"
#include "kelvara/sim/SimVantor.hpp"
#include "support/SimTestAddress.hpp"

namespace {

using kelvara::Status;
using kelvara::Vantor;
using kelvara::VantorResolution;
using kelvara::VantorScan;
using kelvara::sim::AsStatus;
using kelvara::sim::SimResult;
using kelvara::sim::SimVantor;
using kelvara::test::TestAddress;
using wpi::units::degree_t;
using wpi::units::millimeter_t;

/// A simulated ranger and robot code's Vantor on it, at the test's address.
struct Ranger {
  Ranger()
      : sim{TestAddress()},
        ranger{Vantor::FromSerialDevice(sim.GetAddress().GetPath())} {}
  SimVantor sim;
  Vantor ranger;
};

/// Every zone's reading of a scan in millimetres, -1 for none.
std::vector<double> Readings(const VantorScan& scan) {
  std::vector<double> readings;
  for (int zone = 0; zone < scan.GetZoneCount(); ++zone) {
    const auto distance = scan.GetDistance(zone);
    readings.push_back(distance ? distance->value() : -1.0);
  }
  return readings;
}

/// The distance along the centre ray of a zone to a flat target straight
/// ahead, for a 45 degree field of view.
double HeadOnDistance(double distance, int row, int column, int side) {
  auto slope = [side](int index) {
    return std::tan(((index + 0.5) / side - 0.5) * std::numbers::pi / 4);
  };
  return std::round(distance * std::hypot(1.0, slope(row), slope(column)));
}

TEST(SimVantorTest, AFlatTargetIsSeenAcrossTheFieldOfView) {
  Ranger d;
  for (const auto resolution :
       {VantorResolution::k4x4, VantorResolution::k8x8}) {
    ASSERT_EQ(d.ranger.SetResolution(resolution), Status::kOk);
    d.sim.SetTarget(millimeter_t{1500});
    const auto scan = *d.ranger.GetScan();
    const int side = scan.GridSize();
    EXPECT_EQ(side * side, static_cast<int>(resolution));
    for (int row = 0; row < side; ++row) {
      for (int column = 0; column < side; ++column) {
        EXPECT_EQ(scan.GetDistance(row, column)->value(),
                  HeadOnDistance(1500, row, column, side))
            << row << ", " << column;
      }
    }
    EXPECT_EQ(d.ranger.GetClosestDistance()->value(),
              HeadOnDistance(1500, side / 2, side / 2, side));
  }
}

TEST(SimVantorTest, ATiltedTargetRecedesTowardsOneSide) {
  Ranger d;
  d.sim.SetTarget(millimeter_t{1000}, degree_t{20});
  auto scan = *d.ranger.GetScan();
  for (int row = 0; row < 4; ++row) {
    for (int column = 1; column < 4; ++column) {
      EXPECT_GT(*scan.GetDistance(row, column),
                *scan.GetDistance(row, column - 1));
      EXPECT_EQ(*scan.GetDistance(row, column),
                *scan.GetDistance(3 - row, column));
    }
  }
  d.sim.SetTarget(millimeter_t{1000}, degree_t{0}, degree_t{-20});
  scan = *d.ranger.GetScan();
  EXPECT_GT(*scan.GetDistance(0, 2), *scan.GetDistance(3, 2));
  EXPECT_EQ(*scan.GetDistance(1, 0), *scan.GetDistance(1, 3));
}

TEST(SimVantorTest, ZonesBeyondTheRangeLimitHaveNoReading) {
  Ranger d;
  d.sim.SetTarget(millimeter_t{3900});
  const auto readings = Readings(*d.ranger.GetScan());
  // The corner zones look farther than the centre ones, past 4000 mm.
  EXPECT_EQ(readings[0], -1);
  EXPECT_EQ(readings[15], -1);
  EXPECT_GT(readings[5], 3900);
  d.sim.SetTarget(millimeter_t{5000});
  EXPECT_FALSE(d.ranger.GetClosestDistance());
  d.sim.SetRangeLimit(millimeter_t{6000});
  EXPECT_TRUE(d.ranger.GetClosestDistance());
  d.sim.SetTarget(millimeter_t{1000}, degree_t{std::nan("")});
  EXPECT_FALSE(d.ranger.GetClosestDistance());
  d.sim.ClearScene();
  EXPECT_FALSE(d.ranger.GetClosestDistance());
  EXPECT_FALSE(d.ranger.GetConfig()->flag2);
}

TEST(SimVantorTest, AnExplicitGridIsReportedAtEitherResolution) {
  Ranger d;
  std::array<millimeter_t, 16> coarse{};
  for (std::size_t i = 0; i < coarse.size(); ++i) {
    coarse[i] = millimeter_t{100.0 * static_cast<double>(i + 1)};
  }
  coarse[3] = millimeter_t{-1};
  coarse[4] = millimeter_t{5000};  // beyond the range limit
  ASSERT_TRUE(d.sim.SetZoneDistances(coarse));
  const auto readings = Readings(*d.ranger.GetScan());
  EXPECT_EQ(readings[0], 100);
  EXPECT_EQ(readings[3], -1);
  EXPECT_EQ(readings[4], -1);
  EXPECT_EQ(readings[15], 1600);

  ASSERT_EQ(d.ranger.SetResolution(VantorResolution::k8x8), Status::kOk);
  const auto fine = *d.ranger.GetScan();
  EXPECT_EQ(fine.GetDistance(0, 0)->value(), 100);
  EXPECT_EQ(fine.GetDistance(1, 1)->value(), 100);
  EXPECT_EQ(fine.GetDistance(7, 7)->value(), 1600);
  EXPECT_FALSE(fine.GetDistance(0, 7));

  std::array<millimeter_t, 64> cells{};
  cells.fill(millimeter_t{800});
  cells[0] = millimeter_t{200};
  cells[1] = millimeter_t{-1};
  cells[9] = millimeter_t{std::nan("")};
  ASSERT_TRUE(d.sim.SetZoneDistances(cells));
  EXPECT_EQ(d.ranger.GetScan()->GetDistance(0)->value(), 200);
  ASSERT_EQ(d.ranger.SetResolution(VantorResolution::k4x4), Status::kOk);
  // Zone 0 covers cells 0, 1, 8 and 9: the mean of those in view.
  EXPECT_EQ(d.ranger.GetScan()->GetDistance(0)->value(), 500);
  EXPECT_EQ(d.ranger.GetScan()->GetDistance(1)->value(), 800);

  EXPECT_FALSE(d.sim.SetZoneDistances(std::array<millimeter_t, 9>{}));
  EXPECT_EQ(d.ranger.GetScan()->GetDistance(0)->value(), 500);
}

TEST(SimVantorTest, ZonesClearedInTheMaskHaveNoReading) {
  Ranger d;
  ASSERT_EQ(d.ranger.SetZoneMask(0xFFFF & ~0x0021ULL), Status::kOk);
  const auto readings = Readings(*d.ranger.GetScan());
  EXPECT_EQ(readings[0], -1);
  EXPECT_EQ(readings[5], -1);
  EXPECT_GT(readings[1], 0);
  EXPECT_EQ(d.sim.GetZoneMask(), 0xFFDEu);
  EXPECT_TRUE(d.ranger.GetConfig()->flag1);
}

TEST(SimVantorTest, SettingsComeBackThroughTheConfiguration) {
  Ranger d;
  const Status invalid = AsStatus(SimResult::kInvalidArgument);
  EXPECT_EQ(d.ranger.SetOutputRate(30), Status::kOk);
  EXPECT_EQ(d.ranger.SetOutputRate(0), invalid);
  EXPECT_EQ(d.ranger.SetRangingFrequency(60), Status::kOk);
  EXPECT_EQ(d.ranger.SetRangingFrequency(61), invalid);
  EXPECT_EQ(d.ranger.SetResolution(VantorResolution::k8x8), Status::kOk);
  EXPECT_EQ(d.ranger.SetResolution(static_cast<VantorResolution>(32)), invalid);
  EXPECT_EQ(d.ranger.SetZoneMask(0x8000000000000001ULL), Status::kOk);
  d.sim.SetFirmwareVersion(2, 7, 300);
  d.sim.SetRangeLimit(millimeter_t{1e9});

  const auto config = *d.ranger.GetConfig();
  EXPECT_EQ(config.setting0, 30);
  EXPECT_EQ(config.setting1, 60);
  EXPECT_EQ(config.setting2, 64);
  EXPECT_EQ(config.setting3, 32767);
  EXPECT_TRUE(config.flag0);
  EXPECT_TRUE(config.flag1);
  EXPECT_TRUE(config.flag2);
  EXPECT_EQ(config.zoneMask, 0x8000000000000001ULL);
  ASSERT_TRUE(config.firmwareVersion);
  EXPECT_EQ(config.firmwareVersion->patch, 300);
  EXPECT_EQ(d.sim.GetOutputRate(), 30);
  EXPECT_EQ(d.sim.GetRangingFrequency(), 60);
  EXPECT_EQ(d.sim.GetZoneCount(), 64);
  EXPECT_EQ(d.ranger.GetScan()->GetZoneCount(), 64);
}

TEST(SimVantorTest, ScansAreCountedAndNoiseIsRepeatable) {
  Ranger d;
  SimVantor twin{TestAddress("-twin")};
  const Vantor twinRanger =
      Vantor::FromSerialDevice(twin.GetAddress().GetPath());
  const std::int32_t tag = d.ranger.GetScan()->GetTag();
  EXPECT_EQ(d.ranger.GetScan()->GetTag(), tag + 1);
  EXPECT_EQ(Readings(*d.ranger.GetScan()), Readings(*d.ranger.GetScan()));

  d.sim.SetNoise(millimeter_t{15}, 99);
  twin.SetNoise(millimeter_t{15}, 99);
  const auto first = Readings(*d.ranger.GetScan());
  EXPECT_EQ(first, Readings(*twinRanger.GetScan()));
  EXPECT_NE(first, Readings(*d.ranger.GetScan()));
  for (std::size_t zone = 0; zone < first.size(); ++zone) {
    EXPECT_NEAR(first[zone],
                HeadOnDistance(2000, static_cast<int>(zone) / 4,
                               static_cast<int>(zone) % 4, 4),
                100);
  }
}

}  // namespace
