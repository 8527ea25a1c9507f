// Stand-in for WPILib's Color.
#pragma once

#include <algorithm>
#include <cmath>

namespace wpi::util {

/// An RGB colour with components from 0 to 1 in steps of 1/4096.
class Color {
 public:
  constexpr Color() = default;

  /// Each component is rounded up to a multiple of 1/4096, then clamped to
  /// the range 0 to 1.
  Color(double r, double g, double b)
      : red{RoundAndClamp(r)},
        green{RoundAndClamp(g)},
        blue{RoundAndClamp(b)} {}

  /// Components from 0 to 255, each divided by 255 and then rounded as the
  /// doubles are. Integer arguments pick this one: Color{1, 0, 0} is nearly
  /// black, and Color{0.5, 0.5, 1} fits both constructors, so is ambiguous.
  Color(int r, int g, int b) : Color{r / 255.0, g / 255.0, b / 255.0} {}

  bool operator==(const Color&) const = default;

  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;

 private:
  static double RoundAndClamp(double value) {
    return std::clamp(std::ceil(value * 4096.0) / 4096.0, 0.0, 1.0);
  }
};

}  // namespace wpi::util
