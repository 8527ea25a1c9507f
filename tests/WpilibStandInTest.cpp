// The WPILib stand-in must reproduce WPILib's arithmetic bit for bit: the
// library's results are compared exactly in other tests.

#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include <wpi/math/geometry/Quaternion.hpp>
#include <wpi/math/geometry/Rotation2d.hpp>
#include <wpi/math/geometry/Rotation3d.hpp>
#include <wpi/units/acceleration.hpp>
#include <wpi/units/angle.hpp>
#include <wpi/units/angular_velocity.hpp>
#include <wpi/units/length.hpp>
#include <wpi/units/magnetic_field_strength.hpp>
#include <wpi/units/temperature.hpp>
#include <wpi/units/time.hpp>
#include <wpi/util/Color.hpp>

namespace {

namespace units = wpi::units;
using namespace wpi::units::literals;
constexpr double kPi = std::numbers::pi;

TEST(WpilibStandInTest, UnitConversionsMultiplyThenDivide) {
  EXPECT_EQ(units::second_t{units::nanosecond_t{1.5e9}}.value(), 1.5);
  EXPECT_EQ(units::second_t{units::nanosecond_t{-2.5e9}}.value(), -2.5);
  EXPECT_EQ(units::second_t{units::millisecond_t{500}}.value(), 0.5);
  EXPECT_EQ(units::millisecond_t{units::second_t{0.5}}.value(), 500.0);
  EXPECT_EQ(units::millimeter_t{units::meter_t{0.25}}.value(), 0.25 * 1000.0);
  EXPECT_EQ(units::millimeter_t{units::centimeter_t{3.3}}.value(), 3.3 * 10.0);
  EXPECT_EQ(units::microsecond_t{units::millisecond_t{2.5}}.value(), 2500.0);
  EXPECT_EQ(units::microtesla_t{units::tesla_t{0.5}}.value(), 0.5 * 1.0e6);
  EXPECT_EQ(
      units::meters_per_second_squared_t{units::standard_gravity_t{2}}.value(),
      (2.0 * 196133.0) / 20000.0);
  // ns to s divides by 1e9 rather than multiplying by 1e-9.
  const double ns = 123456789.0;
  EXPECT_EQ(units::second_t{units::nanosecond_t{ns}}.value(), ns / 1.0e9);
}

TEST(WpilibStandInTest, AnglesConvertThroughPi) {
  for (double v : {90.0, -30.0, 1.0e-3, 720.5}) {
    EXPECT_EQ(units::radian_t{units::degree_t{v}}.value(),
              (v * kPi * 1.0) / 180.0);
    EXPECT_EQ(units::degree_t{units::radian_t{v}}.value(),
              (v * 180.0) / (1.0 * kPi));
    EXPECT_EQ(
        units::radians_per_second_t{units::degrees_per_second_t{v}}.value(),
        (v * kPi * 1.0) / 180.0);
  }
}

TEST(WpilibStandInTest, TemperatureIsAffine) {
  units::kelvin_t kelvin = units::celsius_t{20};
  EXPECT_EQ(kelvin.value(), 20.0 + 273.15);
  units::celsius_t celsius = units::kelvin_t{0};
  EXPECT_EQ(celsius.value(), -273.15);
  EXPECT_EQ(units::celsius_t{-40}.value(), -40.0);
}

TEST(WpilibStandInTest, LiteralsAndArithmetic) {
  EXPECT_EQ((1.5_s).value(), 1.5);
  EXPECT_EQ((250_ms).value(), 250.0);
  EXPECT_EQ((12.5_mm + 0.5_mm).value(), 13.0);
  EXPECT_EQ((-3_deg).value(), -3.0);
  EXPECT_EQ((2_m * 3.0).value(), 6.0);
  EXPECT_LT(1_s, 2_s);
  EXPECT_EQ((20_degC).value(), 20.0);
}

TEST(WpilibStandInTest, ColorRoundsUpToSteps_ThenClamps) {
  const struct {
    double in;
    double out;
  } cases[] = {
      {0.5, 0.5},
      {std::nextafter(1.0, 0.0), 1.0},
      {0.1, 410.0 / 4096.0},
      {1.0 / 4096.0, 1.0 / 4096.0},
      {1.0e-9, 1.0 / 4096.0},
      {1.5, 1.0},
      {-0.2, 0.0},
      {0.0, 0.0},
  };
  for (const auto& c : cases) {
    const wpi::util::Color color{c.in, c.in, c.in};
    EXPECT_EQ(color.red, c.out) << c.in;
    EXPECT_EQ(color.green, c.out) << c.in;
    EXPECT_EQ(color.blue, c.out) << c.in;
  }
  EXPECT_EQ(wpi::util::Color{}, (wpi::util::Color{0.0, 0.0, 0.0}));
}

TEST(WpilibStandInTest, QuaternionKeepsValuesAndNormalizes) {
  const wpi::math::Quaternion q{2.0, 0.0, 0.0, 0.0};
  EXPECT_EQ(q.W(), 2.0);
  EXPECT_EQ(q.Norm(), 2.0);
  EXPECT_EQ(q.Normalize().W(), 1.0);
  EXPECT_EQ(wpi::math::Quaternion{}.W(), 1.0);
  const auto zero = wpi::math::Quaternion{0, 0, 0, 0}.Normalize();
  EXPECT_EQ(zero.W(), 1.0);
  EXPECT_EQ(zero.X(), 0.0);
}

TEST(WpilibStandInTest, Rotation3dNormalizesItsQuaternion) {
  const wpi::math::Rotation3d doubled{wpi::math::Quaternion{0, 0, 0, 3}};
  EXPECT_EQ(doubled.GetQuaternion().Z(), 1.0);
  EXPECT_EQ(doubled.GetQuaternion().W(), 0.0);
  EXPECT_EQ(doubled.Z().value(), kPi);  // b = 0, a = -1: atan2(0, -1)
  const wpi::math::Rotation3d zero{wpi::math::Quaternion{0, 0, 0, 0}};
  EXPECT_EQ(zero.GetQuaternion().W(), 1.0);
  EXPECT_EQ(zero, wpi::math::Rotation3d{});
}

TEST(WpilibStandInTest, Rotation3dAnglesRoundTrip) {
  const wpi::math::Rotation3d r{units::radian_t{0.1}, units::radian_t{-0.2},
                                units::radian_t{2.5}};
  EXPECT_NEAR(r.X().value(), 0.1, 1e-12);
  EXPECT_NEAR(r.Y().value(), -0.2, 1e-12);
  EXPECT_NEAR(r.Z().value(), 2.5, 1e-12);
  EXPECT_NEAR(r.ToRotation2d().Radians().value(), 2.5, 1e-12);
  // Pitch at the pole saturates instead of leaving asin's domain.
  const double h = std::sqrt(0.5);
  const wpi::math::Rotation3d pole{wpi::math::Quaternion{h, 0, h, 0}};
  EXPECT_EQ(pole.Y().value(), kPi / 2.0);
}

TEST(WpilibStandInTest, Rotation2dKeepsItsSign) {
  const wpi::math::Rotation2d r = units::degree_t{-30};
  EXPECT_NEAR(r.Degrees().value(), -30.0, 1e-12);
  EXPECT_EQ(r.Cos(), std::cos((-30.0 * kPi * 1.0) / 180.0));
  EXPECT_EQ(r.Sin(), std::sin((-30.0 * kPi * 1.0) / 180.0));
  EXPECT_EQ((wpi::math::Rotation2d{units::degree_t{270}}),
            (wpi::math::Rotation2d{units::degree_t{-90}}));
  EXPECT_NEAR(wpi::math::Rotation2d{units::degree_t{270}}.Degrees().value(),
              -90.0, 1e-12);
}

}  // namespace
