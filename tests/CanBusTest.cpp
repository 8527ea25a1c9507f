// Requesting and reading the bus mode of a CAN port, through the recording
// driver.

#include <cstdint>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/CanBus.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/DeviceTest.hpp"

namespace {

using namespace kelvara::test;  // NOLINT(google-build-using-namespace)
using kelvara::CanBus;
using kelvara::CanBusMode;
using kelvara::Status;
using kelvara::testing::DriverCall;
using kelvara::testing::RecordingDriver;
using enum kelvara::testing::DriverFunction;

TEST(CanBusTest,
     RequestModeSendsPortModeAndWholeMillisecondsAndReturnsTheCode) {
  // Only kMode1 requests mode 1. The timeout is truncated toward zero and
  // saturates at the ends of the 32-bit range; NaN becomes 0.
  const struct {
    CanBusMode mode;
    double seconds;
    std::int64_t sentMode;
    std::int32_t milliseconds;
  } cases[] = {
      {CanBusMode::kMode1, 2.0, 1, 2000},
      {CanBusMode::kMode0, 0.25, 0, 250},
      {static_cast<CanBusMode>(7), 0.0019, 0, 1},
      {static_cast<CanBusMode>(-1), 0.0005, 0, 0},
      {CanBusMode::kMode1, -0.0015, 1, -1},
      {CanBusMode::kMode1, 1.001, 1, 1000},  // 1.001 * 1000 is below 1001
      // The 32-bit edges: in range truncates, beyond it saturates.
      {CanBusMode::kMode0, 2147483.6475, 0, kMax},
      {CanBusMode::kMode0, 2147483.648, 0, kMax},
      {CanBusMode::kMode0, -2147483.6485, 0, kMin},
      {CanBusMode::kMode0, -2147483.649, 0, kMin},
      {CanBusMode::kMode0, 1.0e300, 0, kMax},
      {CanBusMode::kMode0, kInf, 0, kMax},
      {CanBusMode::kMode0, -kInf, 0, kMin},
      {CanBusMode::kMode0, kNaN, 0, 0},
  };
  for (const auto& c : cases) {
    // The driver answers with the milliseconds it is sent: each case returns
    // a code of its own.
    RecordingDriver driver;
    driver.SetResult(kCanBusRequestMode, c.milliseconds);
    EXPECT_EQ(CanBus::RequestMode(wpi::CANPort::CAN_D19, c.mode,
                                  wpi::units::second_t{c.seconds}),
              Status{c.milliseconds});
    EXPECT_EQ(driver.Calls(),
              (std::vector<DriverCall>{
                  {kCanBusRequestMode, {24, c.sentMode, c.milliseconds}}}))
        << "mode " << static_cast<int>(c.mode) << ", " << c.seconds << " s";
  }
  // Any unit of time.
  const RecordingDriver driver;
  CanBus::RequestMode(wpi::CANPort::CAN_S0, CanBusMode::kMode1,
                      wpi::units::millisecond_t{1500});
  EXPECT_EQ(driver.Calls(),
            (std::vector<DriverCall>{{kCanBusRequestMode, {0, 1, 1500}}}));
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
    driver.SetResult(kCanBusGetMode, c.answer);
    EXPECT_EQ(CanBus::GetMode(wpi::CANPort::CAN_D0), c.mode)
        << "answer " << c.answer;
    EXPECT_EQ(driver.Calls(), (std::vector<DriverCall>{{kCanBusGetMode, {5}}}));
  }
}

}  // namespace
