// The WPILib stand-in must reproduce WPILib's arithmetic bit for bit: the
// library's results are compared exactly in other tests.

#include <cmath>
#include <numbers>
#include <type_traits>

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
using wpi::math::Quaternion;
using wpi::math::Rotation3d;
constexpr double kPi = std::numbers::pi;

/// True when the integer literal holds 3 and the floating one 0.5, each taken
/// as a Unit: a suffix of another unit of the same dimension would hold a
/// converted number.
template <typename Unit>
constexpr bool Holds(Unit fromInteger, Unit fromFloating) {
  return fromInteger.value() == 3.0 && fromFloating.value() == 0.5;
}

// Each suffix makes its own unit from either kind of literal.
using namespace units::literals;
static_assert(Holds<units::radian_t>(3_rad, 0.5_rad) &&
              Holds<units::degree_t>(3_deg, 0.5_deg) &&
              Holds<units::radians_per_second_t>(3_rad_per_s, 0.5_rad_per_s) &&
              Holds<units::degrees_per_second_t>(3_deg_per_s, 0.5_deg_per_s) &&
              Holds<units::meters_per_second_squared_t>(3_mps_sq, 0.5_mps_sq) &&
              Holds<units::standard_gravity_t>(3_SG, 0.5_SG) &&
              Holds<units::tesla_t>(3_Te, 0.5_Te) &&
              Holds<units::microtesla_t>(3_uTe, 0.5_uTe) &&
              Holds<units::kelvin_t>(3_K, 0.5_K) &&
              Holds<units::celsius_t>(3_degC, 0.5_degC) &&
              Holds<units::second_t>(3_s, 0.5_s) &&
              Holds<units::millisecond_t>(3_ms, 0.5_ms) &&
              Holds<units::microsecond_t>(3_us, 0.5_us) &&
              Holds<units::nanosecond_t>(3_ns, 0.5_ns) &&
              Holds<units::meter_t>(3_m, 0.5_m) &&
              Holds<units::centimeter_t>(3_cm, 0.5_cm) &&
              Holds<units::millimeter_t>(3_mm, 0.5_mm));

TEST(WpilibStandInTest, UnitConversionsMultiplyThenDivide) {
  // ns to s divides by 1e9 rather than multiplying by 1e-9.
  EXPECT_EQ(units::second_t{units::nanosecond_t{1.5e9}}.value(), 1.5);
  EXPECT_EQ(units::second_t{units::nanosecond_t{123456789.0}}.value(),
            123456789.0 / 1.0e9);
  EXPECT_EQ(units::second_t{units::millisecond_t{500}}.value(), 0.5);
  EXPECT_EQ(units::millisecond_t{units::second_t{0.5}}.value(), 500.0);
  EXPECT_EQ(units::millimeter_t{units::meter_t{0.25}}.value(), 0.25 * 1000.0);
  EXPECT_EQ(units::microtesla_t{units::tesla_t{0.5}}.value(), 0.5 * 1.0e6);
  EXPECT_EQ(
      units::meters_per_second_squared_t{units::standard_gravity_t{2}}.value(),
      (2.0 * 196133.0) / 20000.0);
  for (const double v : {90.0, -30.0, 1.0e-3, 720.5}) {
    EXPECT_EQ(units::radian_t{units::degree_t{v}}.value(), (v * kPi) / 180.0);
    EXPECT_EQ(units::degree_t{units::radian_t{v}}.value(), (v * 180.0) / kPi);
    EXPECT_EQ(
        units::radians_per_second_t{units::degrees_per_second_t{v}}.value(),
        (v * kPi) / 180.0);
  }
  // Temperature is affine.
  EXPECT_EQ(units::kelvin_t{units::celsius_t{20}}.value(), 20.0 + 273.15);
  EXPECT_EQ(units::celsius_t{units::kelvin_t{0}}.value(), -273.15);
}

TEST(WpilibStandInTest, ColorRoundsUpToSteps_ThenClamps) {
  // Components are whole multiples of 1/4096.
  const double step = 1.0 / 4096.0;
  const struct {
    double in;
    double out;
  } cases[] = {{0.5, 0.5},        {std::nextafter(1.0, 0.0), 1.0},
               {0.1, 410 * step}, {1.0e-9, step},
               {1.5, 1.0},        {-0.2, 0.0}};
  for (const auto& c : cases) {
    const wpi::util::Color color{c.in, c.in, c.in};
    EXPECT_EQ(color.red, c.out) << c.in;
    EXPECT_EQ(color.green, c.out) << c.in;
    EXPECT_EQ(color.blue, c.out) << c.in;
  }
  // Integers are 0 to 255, as in WPILib; mixing them with doubles is
  // ambiguous there too.
  EXPECT_EQ((wpi::util::Color{255, 1, 0}),
            (wpi::util::Color{1.0, 1 / 255.0, 0.0}));
  static_assert(
      !std::is_constructible_v<wpi::util::Color, double, double, int>);
}

TEST(WpilibStandInTest, QuaternionsNormalizeAndZeroBecomesTheIdentity) {
  const Quaternion q{2.0, 0.0, 0.0, 0.0};
  EXPECT_EQ(q.W(), 2.0);
  EXPECT_EQ(q.Norm(), 2.0);
  EXPECT_EQ(q.Normalize().W(), 1.0);
  const Rotation3d tripled{Quaternion{0, 0, 0, 3}};
  EXPECT_EQ(tripled.GetQuaternion().Z(), 1.0);
  EXPECT_EQ(tripled.GetQuaternion().W(), 0.0);
  EXPECT_EQ(tripled.Z().value(), kPi);  // b = 0, a = -1: atan2(0, -1)
  const Rotation3d fromZero{Quaternion{0, 0, 0, 0}};
  EXPECT_EQ(fromZero.GetQuaternion().W(), 1.0);
  EXPECT_EQ(fromZero, Rotation3d{});
}

TEST(WpilibStandInTest, RotationAnglesRoundTripAndKeepTheirSign) {
  const Rotation3d r{units::radian_t{0.1}, units::radian_t{-0.2},
                     units::radian_t{2.5}};
  EXPECT_NEAR(r.X().value(), 0.1, 1e-12);
  EXPECT_NEAR(r.Y().value(), -0.2, 1e-12);
  EXPECT_NEAR(r.Z().value(), 2.5, 1e-12);
  EXPECT_NEAR(r.ToRotation2d().Radians().value(), 2.5, 1e-12);
  // Pitch at the pole saturates instead of leaving asin's domain.
  const double h = std::sqrt(0.5);
  EXPECT_EQ(Rotation3d{Quaternion(h, 0, h, 0)}.Y().value(), kPi / 2.0);
  const wpi::math::Rotation2d minus30 = units::degree_t{-30};
  EXPECT_NEAR(minus30.Degrees().value(), -30.0, 1e-12);
  EXPECT_EQ(minus30.Cos(), std::cos((-30.0 * kPi) / 180.0));
  EXPECT_EQ(minus30.Sin(), std::sin((-30.0 * kPi) / 180.0));
}

}  // namespace
