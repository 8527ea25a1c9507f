// A device opened on the recording driver under a handle of its own, and a
// way to run one operation on it that checks what every operation owes: no
// heap allocation, exactly the one expected driver call, and no use of a
// buffer that the driver did not write.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/Status.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/AllocationCounter.hpp"
#include "support/DirtyStack.hpp"

namespace kelvara::test {

/// The ends of the driver's 32-bit words, and the doubles that are no number
/// or no finite one.
inline constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// The handle that the recording driver issues to the device under test.
inline constexpr std::int32_t kHandle = 41;

/// A test of a Device opened with Device::Usb(kExtra...), whose driver
/// function is kCreateUsb.
template <typename Device, testing::DriverFunction kCreateUsb, int... kExtra>
class DeviceTest : public ::testing::Test {
 protected:
  /// Runs f on the device over a dirtied stack, so that a buffer read before
  /// it was written shows, and checks that it allocated nothing and made
  /// exactly the one driver call given. Returns f's result.
  template <typename F>
  auto Once(const testing::DriverCall& call, F f) {
    m_driver.ClearCalls();
    std::optional<decltype(f(m_device))> result;
    DirtyTheStack();
    EXPECT_EQ(CountAllocations([&] { result.emplace(f(m_device)); }), 0u)
        << call;
    EXPECT_EQ(m_driver.Calls(), std::vector<testing::DriverCall>{call});
    return *result;
  }

  /// A command and the one driver call that it must make.
  using Command = std::pair<Status (*)(Device&), testing::DriverCall>;

  /// Runs each command once for each of several result codes: it must make
  /// exactly its call and return the code.
  void ExpectCommands(std::initializer_list<Command> commands) {
    for (const auto& [run, call] : commands) {
      for (const std::int32_t code : {0, 3, -1, kMin, kMax}) {
        m_driver.SetResult(call.function, code);
        EXPECT_EQ(Once(call, run), Status{code}) << call;
      }
    }
  }

  testing::RecordingDriver m_driver;
  Device m_device = [this] {
    m_driver.SetResult(kCreateUsb, kHandle);
    return Device::Usb(kExtra...);
  }();
};

}  // namespace kelvara::test
