// What the C interface adds to the C++ classes it serves: no exception
// leaves it; a failure inside the library comes back as a code; an out value
// that the driver leaves unwritten is 0.

#include <cstddef>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "kelvara/KelvaraLib.h"
#include "kelvara/testing/RecordingDriver.hpp"

namespace {

using Open = std::int32_t (*)(const char*, std::size_t, std::int32_t*);

TEST(CInterfaceTest, APathThatCannotBeCopiedOpensNothingAndIsReported) {
  kelvara::testing::RecordingDriver driver;
  const Open openings[] = {
      [](const char* path, std::size_t length, std::int32_t* handle) {
        return KelvaraLib_Kinetra_OpenSerial(path, length, 0, handle);
      },
      KelvaraLib_Lumeno_OpenSerial, KelvaraLib_Vantor_OpenSerial};
  // Longer than any string can be: copying it throws before reading it.
  const std::size_t length = std::numeric_limits<std::size_t>::max();
  for (const Open open : openings) {
    std::int32_t handle = 42;
    EXPECT_EQ(open("/dev/ttyS0", length, &handle), KelvaraLib_kFailed);
    EXPECT_EQ(handle, 42);
  }
  EXPECT_TRUE(driver.Calls().empty());
}

TEST(CInterfaceTest, AConfigValueThatTheDriverDoesNotWriteIsZero) {
  const kelvara::testing::RecordingDriver driver;  // answers 0, writes nothing
  std::uint32_t value = 7;
  EXPECT_EQ(KelvaraLib_Lumeno_GetConfigValue(1, 4, &value), 0);
  EXPECT_EQ(value, 0u);
}

}  // namespace
