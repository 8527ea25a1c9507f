#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/CanBus.hpp"
#include "kelvara/testing/RecordingDriver.hpp"

namespace {

using kelvara::CanBus;
using kelvara::CanBusMode;
using kelvara::Status;
using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using kelvara::testing::RecordingDriver;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(CanBusTest, RequestModeSendsPortModeAndMilliseconds) {
  RecordingDriver driver;
  EXPECT_EQ(CanBus::RequestMode(wpi::CANPort::CAN_D19, CanBusMode::kMode1,
                                wpi::units::second_t{2.0}),
            Status::kOk);
  EXPECT_EQ(driver.Calls(),
            (std::vector<DriverCall>{
                {DriverFunction::kCanBusRequestMode, {24, 1, 2000}}}));
}

TEST(CanBusTest, OnlyModeOneRequestsModeOne) {
  const struct {
    CanBusMode mode;
    std::int64_t sent;
  } cases[] = {
      {CanBusMode::kMode0, 0},
      {CanBusMode::kMode1, 1},
      {static_cast<CanBusMode>(7), 0},
      {static_cast<CanBusMode>(-1), 0},
  };
  for (const auto& c : cases) {
    RecordingDriver driver;
    CanBus::RequestMode(wpi::CANPort::CAN_S0, c.mode, wpi::units::second_t{1});
    EXPECT_EQ(driver.Calls(),
              (std::vector<DriverCall>{
                  {DriverFunction::kCanBusRequestMode, {0, c.sent, 1000}}}))
        << "mode " << static_cast<int>(c.mode);
  }
}

TEST(CanBusTest, TimeoutBecomesWholeMillisecondsTruncatedAndSaturated) {
  const struct {
    double seconds;
    std::int64_t milliseconds;
  } cases[] = {
      {2.0, 2000},
      {0.25, 250},
      {0.0019, 1},
      {0.0005, 0},
      {-0.0015, -1},
      {1.001, 1000},  // 1.001 * 1000 is just below 1001
      {0.0, 0},
      // The 32-bit edges: in range truncates, beyond it saturates.
      {2147483.6475, kMax},
      {2147483.648, kMax},
      {-2147483.6485, kMin},
      {-2147483.649, kMin},
      {3.0e6, kMax},
      {-3.0e6, kMin},
      {1.0e300, kMax},
      {kInf, kMax},
      {-kInf, kMin},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) {
    RecordingDriver driver;
    CanBus::RequestMode(wpi::CANPort::CAN_S4, CanBusMode::kMode0,
                        wpi::units::second_t{c.seconds});
    EXPECT_EQ(driver.Calls(),
              (std::vector<DriverCall>{{DriverFunction::kCanBusRequestMode,
                                        {4, 0, c.milliseconds}}}))
        << "timeout " << c.seconds << " s";
  }
}

TEST(CanBusTest, TimeoutInOtherUnitsIsConvertedFirst) {
  RecordingDriver driver;
  CanBus::RequestMode(wpi::CANPort::CAN_S0, CanBusMode::kMode1,
                      wpi::units::millisecond_t{1500});
  EXPECT_EQ(driver.Calls(),
            (std::vector<DriverCall>{
                {DriverFunction::kCanBusRequestMode, {0, 1, 1500}}}));
}

TEST(CanBusTest, RequestModeReturnsAnyDriverCodeUnchanged) {
  for (std::int32_t code : {0, 1, -1, 5, 12345, kMax, kMin}) {
    RecordingDriver driver;
    driver.SetResult(DriverFunction::kCanBusRequestMode, code);
    const Status status = CanBus::RequestMode(
        wpi::CANPort::CAN_S0, CanBusMode::kMode0, wpi::units::second_t{0.1});
    EXPECT_EQ(static_cast<std::int32_t>(status), code);
  }
}

TEST(CanBusTest, GetModeMapsOnlyZeroAndOne) {
  const struct {
    std::int32_t answer;
    std::optional<CanBusMode> mode;
  } cases[] = {
      {0, CanBusMode::kMode0}, {1, CanBusMode::kMode1}, {2, std::nullopt},
      {-1, std::nullopt},      {kMin, std::nullopt},
  };
  for (const auto& c : cases) {
    RecordingDriver driver;
    driver.SetResult(DriverFunction::kCanBusGetMode, c.answer);
    EXPECT_EQ(CanBus::GetMode(wpi::CANPort::CAN_D0), c.mode)
        << "answer " << c.answer;
    EXPECT_EQ(driver.Calls(),
              (std::vector<DriverCall>{{DriverFunction::kCanBusGetMode, {5}}}));
  }
}

}  // namespace
