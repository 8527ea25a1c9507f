// The simulated IMU's model, as robot code reads it through Kinetra.

#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/Kinetra.hpp"
#include "kelvara/sim/SimClock.hpp"
#include "kelvara/sim/SimKinetra.hpp"
#include "kelvara/sim/SimResult.hpp"
#include "support/SimTestAddress.hpp"

namespace {

using kelvara::Kinetra;
using kelvara::KinetraMessage;
using kelvara::Status;
using kelvara::sim::AsStatus;
using kelvara::sim::SimClock;
using kelvara::sim::SimKinetra;
using kelvara::sim::SimResult;
using kelvara::test::TestAddress;
using wpi::math::Rotation3d;
using wpi::units::degree_t;

constexpr double kGravity = 9.80665;
constexpr double kTolerance = 1e-9;

double Deg(wpi::units::radian_t angle) {
  return degree_t{angle}.value();
}

/// A simulated IMU and robot code's Kinetra on it, at the test's address.
struct Imu {
  Imu()
      : sim{TestAddress()},
        imu{Kinetra::FromSerialDevice(sim.GetAddress().GetPath(), 0)} {}
  SimKinetra sim;
  Kinetra imu;
};

TEST(SimKinetraTest, AnglesAndQuaternionsDescribeOneOrientation) {
  const struct {
    double yaw, pitch, roll;
  } cases[] = {{0, 0, 0}, {30, 10, -20}, {170, -45, 60}, {-90, 80, 179}};
  Imu d;
  for (const auto& c : cases) {
    d.sim.SetYawPitchRoll(degree_t{c.yaw}, degree_t{c.pitch}, degree_t{c.roll});
    EXPECT_NEAR(d.imu.GetYaw()->value(), c.yaw, kTolerance);
    EXPECT_NEAR(d.imu.GetPitch()->value(), c.pitch, kTolerance);
    EXPECT_NEAR(d.imu.GetRoll()->value(), c.roll, kTolerance);
    EXPECT_NEAR(d.imu.GetRotation2d()->Degrees().value(), c.yaw, kTolerance);
    const Rotation3d expected{degree_t{c.roll}, degree_t{c.pitch},
                              degree_t{c.yaw}};
    EXPECT_EQ(*d.imu.GetRotation3d(), expected);
    for (const auto& q : {*d.imu.GetQuaternion6d(), *d.imu.GetQuaternion9d()}) {
      const Rotation3d r{q};
      EXPECT_NEAR(Deg(r.Z()), c.yaw, kTolerance);
      EXPECT_NEAR(Deg(r.Y()), c.pitch, kTolerance);
      EXPECT_NEAR(Deg(r.X()), c.roll, kTolerance);
    }
  }
}

TEST(SimKinetraTest, AngleKeepsCountingPast180) {
  Imu d;
  auto turnTo = [&d](double yaw) {
    d.sim.SetOrientation(Rotation3d{degree_t{0}, degree_t{0}, degree_t{yaw}});
  };
  const struct {
    double yaw, angle;
  } turns[] = {{170, 170}, {-170, 190}, {-10, 350}, {90, 450}, {0, 360}};
  for (const auto& t : turns) {
    turnTo(t.yaw);
    EXPECT_NEAR(d.imu.GetAngle()->value(), t.angle, kTolerance) << t.yaw;
    EXPECT_NEAR(d.imu.GetYaw()->value(), t.yaw, kTolerance) << t.yaw;
  }
  d.sim.SetYaw(degree_t{370});
  EXPECT_NEAR(d.imu.GetAngle()->value(), 370, kTolerance);
  EXPECT_NEAR(d.imu.GetYaw()->value(), 10, kTolerance);
  d.sim.SetYaw(degree_t{-400});
  EXPECT_NEAR(d.imu.GetAngle()->value(), -400, kTolerance);
  EXPECT_NEAR(d.imu.GetYaw()->value(), -40, kTolerance);
}

TEST(SimKinetraTest, ResetYawZeroesTheReportedYawOnly) {
  Imu d;
  d.sim.SetYawPitchRoll(degree_t{100}, degree_t{10}, degree_t{5});
  ASSERT_EQ(d.imu.ResetYaw(), Status::kOk);
  EXPECT_NEAR(d.imu.GetYaw()->value(), 0, kTolerance);
  EXPECT_NEAR(d.imu.GetAngle()->value(), 0, kTolerance);
  EXPECT_NEAR(d.imu.GetPitch()->value(), 10, kTolerance);
  EXPECT_NEAR(d.imu.GetRoll()->value(), 5, kTolerance);
  EXPECT_EQ(d.sim.GetOrientation(),
            (Rotation3d{degree_t{5}, degree_t{10}, degree_t{100}}));
  EXPECT_NEAR(Deg(Rotation3d{*d.imu.GetQuaternion9d()}.Z()), 0, kTolerance);

  d.sim.SetYaw(degree_t{130});
  EXPECT_NEAR(d.imu.GetYaw()->value(), 30, kTolerance);
  EXPECT_NEAR(d.imu.GetAngle()->value(), 30, kTolerance);
}

TEST(SimKinetraTest, GravityAndTheEarthsFieldTurnIntoTheSensorFrame) {
  const struct {
    double yaw, pitch, roll;
    std::array<double, 3> acceleration, field;
  } cases[] = {
      {0, 0, 0, {0, 0, kGravity}, {20, 0, -45}},
      {90, 0, 0, {0, 0, kGravity}, {0, -20, -45}},
      {0, 0, 90, {0, kGravity, 0}, {20, -45, 0}},
      {0, 90, 0, {-kGravity, 0, 0}, {45, 0, 20}},
  };
  Imu d;
  for (const auto& c : cases) {
    d.sim.SetYawPitchRoll(degree_t{c.yaw}, degree_t{c.pitch}, degree_t{c.roll});
    const auto a = *d.imu.GetLinearAcceleration();
    const auto m = *d.imu.GetMagneticField();
    const auto g = *d.imu.GetAlgorithmState();
    const std::array<double, 3> gotA{a.x.value(), a.y.value(), a.z.value()};
    const std::array<double, 3> gotM{m.x.value(), m.y.value(), m.z.value()};
    const std::array<double, 3> gotG{g.x, g.y, g.z};
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(gotA[i], c.acceleration[i], 1e-9) << c.yaw << c.pitch << i;
      EXPECT_NEAR(gotM[i], c.field[i], 1e-9) << c.yaw << c.pitch << i;
      EXPECT_NEAR(gotG[i], c.acceleration[i] / kGravity, 1e-9) << i;
    }
    EXPECT_DOUBLE_EQ(m.strength.value(), std::hypot(20.0, 45.0));
  }
}

TEST(SimKinetraTest, MotionAndTemperatureAreReportedAsSet) {
  Imu d;
  EXPECT_TRUE(d.imu.GetAlgorithmState()->flag1);  // at rest
  d.sim.SetAngularVelocity(wpi::units::radians_per_second_t{0.5},
                           wpi::units::radians_per_second_t{-1},
                           wpi::units::radians_per_second_t{2});
  d.sim.SetLinearAcceleration(wpi::units::meters_per_second_squared_t{1},
                              wpi::units::meters_per_second_squared_t{2},
                              wpi::units::meters_per_second_squared_t{3});
  d.sim.SetTemperature(wpi::units::celsius_t{41.5});
  d.sim.SetEarthMagneticField(wpi::units::microtesla_t{3},
                              wpi::units::microtesla_t{4},
                              wpi::units::microtesla_t{0});
  const auto w = *d.imu.GetAngularVelocity();
  EXPECT_EQ(w.x.value(), 0.5);
  EXPECT_EQ(w.y.value(), -1);
  EXPECT_EQ(w.z.value(), 2);
  const auto a = *d.imu.GetLinearAcceleration();
  EXPECT_EQ(a.x.value(), 1);
  EXPECT_EQ(a.y.value(), 2);
  EXPECT_EQ(a.z.value(), 3 + kGravity);
  EXPECT_EQ(d.imu.GetTemperature()->value(), 41.5);
  EXPECT_EQ(d.imu.GetMagneticField()->strength.value(), 5);
  EXPECT_FALSE(d.imu.GetAlgorithmState()->flag1);
}

TEST(SimKinetraTest, TimestampAndSynchronisationComeFromTheClock) {
  Imu d;
  SimClock::Reset();
  EXPECT_EQ(d.imu.GetTimestamp()->value(), 0);
  SimClock::Set(wpi::units::second_t{1.5});
  SimClock::Advance(wpi::units::millisecond_t{20});
  EXPECT_EQ(d.imu.GetTimestamp()->value(), 1.52);
  EXPECT_TRUE(d.imu.IsTimeSynced());
  SimClock::SetSynchronized(false);
  EXPECT_FALSE(d.imu.IsTimeSynced());
  SimClock::Reset();
  EXPECT_TRUE(d.imu.IsTimeSynced());
}

TEST(SimKinetraTest, OnlyTheSixAxisYawDrifts) {
  Imu d;
  SimClock::Reset();
  d.sim.SetYawDriftRate(wpi::units::degrees_per_second_t{0.5});
  SimClock::Advance(wpi::units::second_t{10});
  EXPECT_TRUE(d.sim.IsNineAxisYaw());
  EXPECT_NEAR(d.imu.GetYaw()->value(), 0, kTolerance);
  EXPECT_NEAR(Deg(d.imu.GetRotation3d()->Z()), 5, kTolerance);
  EXPECT_NEAR(Deg(Rotation3d{*d.imu.GetQuaternion9d()}.Z()), 0, kTolerance);

  ASSERT_EQ(d.imu.Use9AxisYaw(false), Status::kOk);
  EXPECT_FALSE(d.sim.IsNineAxisYaw());
  EXPECT_FALSE(d.imu.GetAlgorithmState()->flag0);
  EXPECT_NEAR(d.imu.GetYaw()->value(), 5, kTolerance);
  EXPECT_NEAR(d.imu.GetAngle()->value(), 5, kTolerance);
  ASSERT_EQ(d.imu.ResetYaw(), Status::kOk);
  EXPECT_NEAR(d.imu.GetYaw()->value(), 0, kTolerance);
  SimClock::Advance(wpi::units::second_t{4});
  EXPECT_NEAR(d.imu.GetYaw()->value(), 2, kTolerance);
  EXPECT_NEAR(d.imu.GetAlgorithmState()->value0, 7, kTolerance);

  ASSERT_EQ(d.imu.Use9AxisYaw(true), Status::kOk);
  const double nineAxisYaw = d.imu.GetYaw()->value();
  SimClock::Advance(wpi::units::second_t{100});
  EXPECT_NEAR(d.imu.GetYaw()->value(), nineAxisYaw, kTolerance);
  SimClock::Reset();
}

TEST(SimKinetraTest, CommandsTakeWhatTheDeviceAcceptsAndRefuseTheRest) {
  Imu d;
  const Status invalid = AsStatus(SimResult::kInvalidArgument);
  EXPECT_EQ(d.imu.SetOutputRate(200), Status::kOk);
  EXPECT_EQ(d.imu.SetOutputRate(0), invalid);
  EXPECT_EQ(d.imu.SetOutputRate(1001), invalid);
  EXPECT_EQ(d.sim.GetOutputRate(), 200);

  EXPECT_FALSE(d.sim.IsMessageEnabled(KinetraMessage::kTemperature));
  EXPECT_EQ(d.imu.EnableMessages(KinetraMessage::kTemperature), Status::kOk);
  EXPECT_EQ(d.imu.EnableMessages(KinetraMessage::kOrientation), Status::kOk);
  EXPECT_TRUE(d.sim.IsMessageEnabled(KinetraMessage::kTemperature));
  EXPECT_TRUE(d.sim.IsMessageEnabled(KinetraMessage::kOrientation));
  EXPECT_FALSE(d.sim.IsMessageEnabled(KinetraMessage::kQuaternion));
  EXPECT_EQ(d.imu.EnableMessages(static_cast<KinetraMessage>(7)), invalid);
  EXPECT_EQ(d.imu.EnableMessages(static_cast<KinetraMessage>(-1)), invalid);
}

TEST(SimKinetraTest, IdentityIsPerDeviceAndSettable) {
  Imu d;
  const SimKinetra other{TestAddress("-other")};
  Kinetra otherImu =
      Kinetra::FromSerialDevice(other.GetAddress().GetPath(), -5);
  EXPECT_EQ(other.GetOpenArgument(), -5);
  EXPECT_NE(*d.imu.GetSensorUuid(), *otherImu.GetSensorUuid());
  const auto version = *d.imu.GetFirmwareVersion();
  EXPECT_EQ((std::array{version.major, version.minor, version.patch}),
            (std::array{3, 2, 1}));
  const auto test = *d.imu.SelfTest();
  EXPECT_EQ(test.result0, 1);
  EXPECT_EQ(test.result7, 1);

  d.sim.SetFirmwareVersion(300, 0, 7);
  d.sim.SetSensorUuid({1, 2, 0xFFFFFFFF});
  d.sim.SetSelfTestResult({0, 1, 1, 1, 1, 1, 1, 0});
  EXPECT_EQ(d.imu.GetFirmwareVersion()->major, 300);
  EXPECT_EQ(*d.imu.GetSensorUuid(),
            (std::array<unsigned int, 3>{1, 2, 0xFFFFFFFF}));
  EXPECT_EQ(d.imu.SelfTest()->result0, 0);
  EXPECT_EQ(d.imu.SelfTest()->result1, 1);
}

TEST(SimKinetraTest, InvalidGroupsAreMarkedInTheRecord) {
  Imu d;
  d.sim.SetInvalidGroups(0x002 | 0x200);
  EXPECT_TRUE(d.imu.GetYaw());
  EXPECT_FALSE(d.imu.GetPitch());
  EXPECT_FALSE(d.imu.GetRoll());
  EXPECT_FALSE(d.imu.GetTemperature());
  EXPECT_TRUE(d.imu.GetTimestamp());
  d.sim.SetInvalidGroups(0x3FF);
  EXPECT_FALSE(d.imu.GetTimestamp());
  EXPECT_FALSE(d.imu.GetQuaternion9d());
  d.sim.SetInvalidGroups(0);
  EXPECT_TRUE(d.imu.GetPitch());
}

TEST(SimKinetraTest, NoiseIsOffByDefaultAndRepeatableWithASeed) {
  Imu d;
  SimKinetra twin{TestAddress("-twin")};
  const Kinetra twinImu =
      Kinetra::FromSerialDevice(twin.GetAddress().GetPath(), 0);
  d.sim.SetYaw(degree_t{45});
  twin.SetYaw(degree_t{45});
  EXPECT_EQ(d.imu.GetYaw(), d.imu.GetYaw());

  const SimKinetra::Noise noise{degree_t{0.5},
                                wpi::units::radians_per_second_t{0.01},
                                wpi::units::meters_per_second_squared_t{0.1}};
  d.sim.SetNoise(noise, 1234);
  twin.SetNoise(noise, 1234);
  std::vector<double> yaws;
  for (int i = 0; i < 20; ++i) {
    const double yaw = d.imu.GetYaw()->value();
    EXPECT_EQ(yaw, twinImu.GetYaw()->value());
    EXPECT_NEAR(yaw, 45, 2.5);
    yaws.push_back(yaw);
  }
  EXPECT_NE(yaws.front(), yaws.back());
  EXPECT_NE(d.imu.GetAngularVelocity()->x.value(), 0);
}

}  // namespace
