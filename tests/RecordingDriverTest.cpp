// The recording driver is a test tool that teams use too: its answers must be
// exactly what it was told to give.

#include <array>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/testing/RecordingDriver.hpp"

namespace {

using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using kelvara::testing::RecordingDriver;

TEST(RecordingDriverTest, QueuedResultsComeFirstThenTheSetResult) {
  RecordingDriver driver;
  driver.QueueResults(DriverFunction::kKinetraResetYaw, {3, 4});
  driver.SetResult(DriverFunction::kKinetraResetYaw, 9);
  EXPECT_EQ(KELVARA_Kinetra_ResetYaw(1), 3);
  EXPECT_EQ(KELVARA_Kinetra_ResetYaw(1), 4);
  EXPECT_EQ(KELVARA_Kinetra_ResetYaw(1), 9);
  EXPECT_EQ(KELVARA_Kinetra_ResetYaw(1), 9);
  EXPECT_EQ(driver.CountOf(DriverFunction::kKinetraResetYaw), 4u);
}

TEST(RecordingDriverTest, CreateHandsOutFreshHandlesAndResetStartsOver) {
  std::int32_t status = 0;
  {
    RecordingDriver driver;
    EXPECT_EQ(KELVARA_Lumeno_CreateUsb(-1, &status), 1);
    EXPECT_EQ(KELVARA_Vantor_CreateUsb(-1, &status), 2);
  }
  RecordingDriver driver;
  EXPECT_TRUE(driver.Calls().empty());
  EXPECT_EQ(KELVARA_Vantor_CreateUsb(-1, &status), 1);
  EXPECT_EQ(status, 0);
}

TEST(RecordingDriverTest, RecordOverlaysFillAndIsCutToTheBuffer) {
  RecordingDriver driver;
  const std::array<std::byte, 6> record{std::byte{1}, std::byte{2},
                                        std::byte{3}, std::byte{4},
                                        std::byte{5}, std::byte{6}};
  driver.SetFill(DriverFunction::kLumenoGetConfigValue, std::byte{0xA5});
  std::uint32_t value = 0;
  EXPECT_EQ(KELVARA_Lumeno_GetConfigValue(1, 8, &value), 0);
  EXPECT_EQ(value, 0xA5A5A5A5u);

  driver.SetRecord(DriverFunction::kLumenoGetConfigValue,
                   std::span<const std::byte>{record}.first(2));
  EXPECT_EQ(KELVARA_Lumeno_GetConfigValue(1, 8, &value), 0);
  EXPECT_EQ(value, 0xA5A50201u);

  // Six bytes into a four-byte buffer: the neighbours stay untouched.
  struct {
    std::uint32_t value;
    std::uint32_t guard;
  } buffer{0, 0x11111111u};
  driver.SetRecord(DriverFunction::kLumenoGetConfigValue, record);
  driver.SetResult(DriverFunction::kLumenoGetConfigValue, 5);
  EXPECT_EQ(KELVARA_Lumeno_GetConfigValue(1, 8, &buffer.value), 5);
  EXPECT_EQ(buffer.value, 0x04030201u);
  EXPECT_EQ(buffer.guard, 0x11111111u);
}

TEST(RecordingDriverTest, CallsPrintReadably) {
  RecordingDriver driver;
  std::int32_t status = 0;
  KELVARA_Kinetra_CreateSerial("/dev/ttyS0", 3, &status);
  KELVARA_Vantor_SetZoneMask(2, 0x8000000000000001u);
  std::ostringstream text;
  for (const DriverCall& call : driver.Calls()) {
    text << call << '\n';
  }
  EXPECT_EQ(text.str(),
            "KELVARA_Kinetra_CreateSerial(\"/dev/ttyS0\", 3, 0)\n"
            "KELVARA_Vantor_SetZoneMask(2, 9223372036854775809)\n");
}

}  // namespace
