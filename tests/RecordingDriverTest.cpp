// The recording driver is a test tool that teams use too: its answers must be
// exactly what it was told to give.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/testing/KelvaraRecording.h"
#include "kelvara/testing/RecordingDriver.hpp"

namespace {

using enum kelvara::testing::DriverFunction;
using kelvara::testing::RecordingDriver;

TEST(RecordingDriverTest, QueuedAnswersComeOnePerCallThenTheSetOne) {
  RecordingDriver driver;
  driver.QueueResults(kLumenoGetConfigValue, {3, 4});
  driver.SetResult(kLumenoGetConfigValue, 9);
  driver.SetRecord(kLumenoGetConfigValue, std::uint32_t{90});
  driver.QueueRecord(kLumenoGetConfigValue, std::uint32_t{30});
  driver.QueueRecord(kLumenoGetConfigValue, std::uint32_t{40});
  for (const std::int32_t expected : {3, 4, 9, 9}) {
    std::uint32_t value = 0;
    EXPECT_EQ(KELVARA_Lumeno_GetConfigValue(1, 8, &value), expected);
    EXPECT_EQ(value, 10u * static_cast<std::uint32_t>(expected));
  }
  EXPECT_EQ(driver.CountOf(kLumenoGetConfigValue), 4u);
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
  driver.SetFill(kLumenoGetConfigValue, std::byte{0xA5});
  const std::array<std::uint8_t, 6> record{1, 2, 3, 4, 5, 6};
  // A four-byte buffer followed by a guard that no call may touch.
  struct {
    std::uint32_t value;
    std::uint32_t guard;
  } buffer{0, 0x11111111u};
  const struct {
    std::size_t recordSize;
    std::int32_t result;
    std::uint32_t value;
  } cases[] = {{0, 0, 0xA5A5A5A5u}, {2, 0, 0xA5A50201u}, {6, 5, 0x04030201u}};
  for (const auto& c : cases) {
    driver.SetRecord(kLumenoGetConfigValue,
                     std::as_bytes(std::span{record}).first(c.recordSize));
    driver.SetResult(kLumenoGetConfigValue, c.result);
    EXPECT_EQ(KELVARA_Lumeno_GetConfigValue(1, 8, &buffer.value), c.result);
    EXPECT_EQ(buffer.value, c.value) << c.recordSize << " bytes";
    EXPECT_EQ(buffer.guard, 0x11111111u);
  }
}

TEST(RecordingDriverTest, CallsPrintReadably) {
  RecordingDriver driver;
  std::int32_t status = 0;
  KELVARA_Kinetra_CreateSerial("/dev/ttyS0", 3, &status);
  KELVARA_Vantor_SetZoneMask(2, 0x8000000000000001u);
  std::ostringstream text;
  for (const auto& call : driver.Calls()) {
    text << call << '\n';
  }
  EXPECT_EQ(text.str(),
            "KELVARA_Kinetra_CreateSerial(\"/dev/ttyS0\", 3, 0)\n"
            "KELVARA_Vantor_SetZoneMask(2, 9223372036854775809)\n");
}

TEST(RecordingDriverTest, CFunctionsRefuseBadArgumentsAndAskForRoom) {
  RecordingDriver driver;
  for (const std::int32_t code :
       {KelvaraRecording_SetResult(-1, 0),
        KelvaraRecording_SetFill(kelvara::testing::kDriverFunctionCount, 0),
        KelvaraRecording_QueueResults(0, nullptr, 1),
        KelvaraRecording_SetRecord(0, nullptr, 1),
        KelvaraRecording_CountOf(0, nullptr)}) {
    EXPECT_EQ(code, KelvaraRecording_kInvalidArgument);
  }
  EXPECT_THROW(
      driver.SetResult(static_cast<kelvara::testing::DriverFunction>(99), 0),
      std::invalid_argument);
  // Too little room for the path: the sizes come back, nothing else.
  std::int32_t status = 0;
  KELVARA_Lumeno_CreateSerial("/dev/ttyS0", &status);
  KelvaraRecording_Call call{};
  call.function = -2;
  std::array<char, 9> text{};
  std::uint64_t count = 0;
  std::uint64_t length = 0;
  EXPECT_EQ(
      KelvaraRecording_GetCalls(KelvaraRecording_kAllFunctions, &call, 1,
                                text.data(), text.size(), &count, &length),
      KelvaraRecording_kOk);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(length, 10u);
  EXPECT_EQ(call.function, -2);
}

}  // namespace
