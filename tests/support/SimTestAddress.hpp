// Test isolation for the simulated driver, whose devices live as long as the
// process: every test reaches its devices at addresses of its own.
#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "kelvara/sim/SimAddress.hpp"

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

}  // namespace kelvara::test
