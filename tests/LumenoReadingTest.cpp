// The colour reading's conversions. Every step is exact double arithmetic, so
// the expected values are exact too.

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include <gtest/gtest.h>

#include "ColorMath.hpp"
#include "kelvara/Lumeno.hpp"

namespace {

using kelvara::Chromaticity;
using kelvara::LumenoReading;
using kelvara::detail::SrgbTransfer;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
/// The double nearest 1/3; three of them sum to exactly 1.
constexpr double kThird = 1.0 / 3.0;

std::array<double, 3> Rgb(const LumenoReading& reading) {
  const auto color = reading.ToColor();
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

}  // namespace
