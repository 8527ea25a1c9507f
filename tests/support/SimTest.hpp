// What the tests of the simulated driver share: the library and the
// simulation's control interface, an address of its own for every test (the
// simulated devices live as long as the process), and the readings that the
// simulated ranger must give, worked out here independently of it.
#pragma once

#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/CanBus.hpp"
#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimCanBus.hpp"
#include "kelvara/sim/SimClock.hpp"
#include "kelvara/sim/SimKinetra.hpp"
#include "kelvara/sim/SimLumeno.hpp"
#include "kelvara/sim/SimResult.hpp"
#include "kelvara/sim/SimVantor.hpp"

namespace kelvara::test {

/// A serial device path that only the running test uses.
inline std::string TestPath(std::string_view suffix = "") {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string{"/dev/sim/"} + info->test_suite_name() + "." +
         info->name() + std::string{suffix};
}

/// The simulated address of TestPath(suffix).
inline sim::SimAddress TestAddress(std::string_view suffix = "") {
  return sim::SimAddress::Serial(TestPath(suffix));
}

/// Every zone's reading of a fresh scan in millimetres, -1 for none.
inline std::vector<double> Readings(const Vantor& ranger) {
  const auto scan = *ranger.GetScan();
  std::vector<double> readings;
  for (int zone = 0; zone < scan.GetZoneCount(); ++zone) {
    readings.push_back(
        scan.GetDistance(zone).value_or(wpi::units::millimeter_t{-1}).value());
  }
  return readings;
}

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

/// Runs each function on a thread of its own, all at once, and waits for
/// them all.
template <typename... Functions>
void RunTogether(Functions&... functions) {
  std::thread threads[] = {std::thread{functions}...};
  for (std::thread& thread : threads) {
    thread.join();
  }
}

}  // namespace kelvara::test
