// The colour reading's conversions. Every step is exact double arithmetic, so
// the expected values are exact too.

#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include <gtest/gtest.h>

#include "ColorMath.hpp"
#include "kelvara/Lumeno.hpp"

namespace {

using kelvara::Chromaticity;
using kelvara::LumenoReading;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
/// The double nearest 1/3; three of them sum to exactly 1.
constexpr double kThird = 1.0 / 3.0;
/// 1.055 - 0.055: one unit in the last place below 1.
const double kCompandedOne = std::nextafter(1.0, 0.0);

std::array<double, 3> Components(const wpi::util::Color& color) {
  return {color.red, color.green, color.blue};
}

TEST(LumenoReadingTest, MatrixRowsAreSummedLeftToRightWithoutFusedMultiplyAdd) {
  // For these inputs, summing a row in another order or fusing a
  // multiply-add changes the last bit of every row.
  EXPECT_EQ(kelvara::detail::XyzToLinearSrgb({0.525, 0.766, 0.093}),
            (std::array{0.47745000000000026, 0.9320497999999999,
                        -0.028720499999999982}));
}

TEST(LumenoReadingTest, TransferFunctionClampsAndSwitchesAfterTheBound) {
  const double bound = 0.0031308;
  const struct {
    double linear;
    double companded;
  } cases[] = {
      {0.0, 0.0},
      {bound, 0.040449936},  // 12.92 * bound: still linear
      {std::nextafter(bound, 1.0), 0.04044990748269014},  // the power branch
      {0.5, 0.7353569830524495},
      {1.0, kCompandedOne},
      {1.5, kCompandedOne},
      {kInf, kCompandedOne},
      {-0.5, 0.0},
      {-kInf, 0.0},
      {kNaN, 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kelvara::detail::SrgbTransfer(c.linear), c.companded)
        << "linear " << c.linear;
  }
}

TEST(LumenoReadingTest, ToColorGivesRoundedDisplayColour) {
  const struct {
    LumenoReading reading;
    std::array<double, 3> rgb;
  } cases[] = {
      {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}},
      {{0.525, 0.766, 0.093}, {2951 / 4096.0, 3972 / 4096.0, 0.0}},
      // Red and green clamp at 1 and at 0 before the transfer function.
      {{1.0, 0.0, 0.0}, {1.0, 0.0, 1073 / 4096.0}},
      {{10.0, 10.0, 10.0}, {1.0, 1.0, 1.0}},
      // A NaN component makes every linear value NaN, which counts as 0.
      {{kNaN, 0.0, 0.0}, {0.0, 0.0, 0.0}},
      // Opposed infinities make red and green NaN; blue is infinite.
      {{kInf, 0.0, kInf}, {0.0, 0.0, 1.0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Components(c.reading.ToColor()), c.rgb)
        << "XYZ " << c.reading.X << ", " << c.reading.Y << ", " << c.reading.Z;
  }
}

TEST(LumenoReadingTest, ChromaticityNeedsFiniteSumAboveOneMillionth) {
  const double max = std::numeric_limits<double>::max();
  const struct {
    LumenoReading reading;
    std::optional<Chromaticity> expected;
  } cases[] = {
      {{0.0, 0.0, 0.0}, std::nullopt},
      {{1e-6, 0.0, 0.0}, std::nullopt},
      {{std::nextafter(1e-6, 1.0), 0.0, 0.0}, Chromaticity{1.0, 0.0}},
      {{1.0, -1.0, 0.0}, std::nullopt},
      {{-1.0, -2.0, -3.0}, std::nullopt},
      {{3.0, 4.0, 1.0}, Chromaticity{0.375, 0.5}},
      {{6.0, 8.0, 2.0}, Chromaticity{0.375, 0.5}},
      {{kThird, kThird, kThird}, Chromaticity{kThird, kThird}},
      {{kNaN, 1.0, 1.0}, std::nullopt},
      {{1.0, 1.0, kNaN}, std::nullopt},
      {{kInf, 1.0, 1.0}, std::nullopt},
      {{kInf, -kInf, 1.0}, std::nullopt},
      {{max, max, 0.0}, std::nullopt},
      // The sum is a small finite number but X / sum overflows.
      {{1e308, -1e308, 1e-5}, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto chromaticity = c.reading.GetChromaticity();
    ASSERT_EQ(chromaticity.has_value(), c.expected.has_value())
        << "XYZ " << c.reading.X << ", " << c.reading.Y << ", " << c.reading.Z;
    if (chromaticity) {
      EXPECT_EQ(chromaticity->x, c.expected->x);
      EXPECT_EQ(chromaticity->y, c.expected->y);
    }
  }
}

TEST(LumenoReadingTest, DistanceIgnoresBrightnessAndIsInfiniteWithoutLight) {
  const struct {
    LumenoReading reading;
    Chromaticity target;
    double distance;
  } cases[] = {
      {{3.0, 4.0, 1.0}, {0.0, 0.0}, 0.625},
      {{60.0, 80.0, 20.0}, {0.0, 0.0}, 0.625},
      {{3.0, 4.0, 1.0}, {0.375, 0.5}, 0.0},
      {{kThird, kThird, kThird}, {kThird, kThird}, 0.0},
      {{0.0, 0.0, 0.0}, {0.0, 0.0}, kInf},
      {{1e-6, 0.0, 0.0}, {1.0, 0.0}, kInf},
      {{kNaN, 0.0, 0.0}, {0.0, 0.0}, kInf},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.reading.DistanceTo(c.target), c.distance)
        << "XYZ " << c.reading.X << ", " << c.reading.Y << ", " << c.reading.Z;
  }
}

}  // namespace
