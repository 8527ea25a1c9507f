// What the simulated ranger must see of a flat target, worked out here
// independently of the simulated driver.
#pragma once

#include <cmath>
#include <numbers>
#include <vector>

namespace kelvara::test {

/// The readings in whole millimetres, zone by zone, of a side x side grid in
/// a 45 degree field of view that looks at a flat target straight ahead at
/// distance millimetres, turned by tilts in degrees: a positive horizontal
/// (vertical) tilt takes the higher columns (rows) farther away.
inline std::vector<double> FlatReadings(double distance, int side,
                                        double horizontal = 0,
                                        double vertical = 0) {
  constexpr double kPi = std::numbers::pi;
  auto slope = [side](int index) {
    return std::tan(((index + 0.5) / side - 0.5) * kPi / 4);
  };
  std::vector<double> readings;
  for (int zone = 0; zone < side * side; ++zone) {
    const double x = slope(zone % side);
    const double y = slope(zone / side);
    readings.push_back(std::round(distance * std::hypot(1.0, x, y) /
                                  (1 - std::tan(horizontal * kPi / 180) * x -
                                   std::tan(vertical * kPi / 180) * y)));
  }
  return readings;
}

}  // namespace kelvara::test
