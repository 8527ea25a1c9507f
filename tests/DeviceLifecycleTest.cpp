// Opening, owning, moving and releasing driver handles, for all three device
// classes at once: every test runs once per class.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/AllocationCounter.hpp"

namespace {

using kelvara::UsbPort;
using kelvara::testing::DriverArgument;
using kelvara::testing::DriverCall;
using kelvara::testing::DriverFunction;
using kelvara::testing::RecordingDriver;
using Calls = std::vector<DriverCall>;

// Only the device classes make handles: code that is not a device cannot
// release a device by making a handle of its own.
template <typename D>
constexpr bool kHandleIsPrivate =
    !std::is_constructible_v<kelvara::detail::DeviceHandle<D>, std::int32_t>;
static_assert(kHandleIsPrivate<kelvara::Kinetra> &&
              kHandleIsPrivate<kelvara::Lumeno> &&
              kHandleIsPrivate<kelvara::Vantor>);

/// How a test opens a device of class D and which driver functions serve it:
/// the five lifecycle functions of each class follow each other in
/// DriverFunction, from its CAN create function on. Kinetra's opening
/// operations take an extra integer that must reach the driver after the
/// transport's own arguments.
template <typename D, DriverFunction kFirst, int... kExtra>
struct Traits {
  static constexpr DriverFunction Function(int offset) {
    return static_cast<DriverFunction>(static_cast<int>(kFirst) + offset);
  }
  static constexpr DriverFunction kCreateCan = Function(0);
  static constexpr DriverFunction kCreateUsb = Function(1);
  static constexpr DriverFunction kCreateSerial = Function(2);
  static constexpr DriverFunction kIsConnected = Function(4);

  static D Can(int id, wpi::CANPort port) { return D{id, port, kExtra...}; }
  static D Usb() { return D::Usb(kExtra...); }
  static D Usb(UsbPort port) { return D::Usb(port, kExtra...); }
  static D Serial(std::string_view path) {
    return D::FromSerialDevice(path, kExtra...);
  }
  /// A create call: the transport's arguments, the extra integer, then the
  /// status as it was on entry, which must be 0.
  static DriverCall Create(DriverFunction function,
                           std::vector<DriverArgument> arguments) {
    (arguments.emplace_back(std::int64_t{kExtra}), ...);
    arguments.emplace_back(std::int64_t{0});
    return {function, arguments};
  }
  static DriverCall Destroy(std::int64_t handle) {
    return {Function(3), {handle}};
  }
};

using DeviceTypes = ::testing::Types<
    Traits<kelvara::Kinetra, DriverFunction::kKinetraCreateCan, -123456>,
    Traits<kelvara::Lumeno, DriverFunction::kLumenoCreateCan>,
    Traits<kelvara::Vantor, DriverFunction::kVantorCreateCan>>;

template <typename T>
class DeviceLifecycleTest : public ::testing::Test {
 protected:
  RecordingDriver m_driver;
};
TYPED_TEST_SUITE(DeviceLifecycleTest, DeviceTypes);

TYPED_TEST(DeviceLifecycleTest,
           OpeningSendsTheAddressAndKeepsWhatTheDriverGave) {
  using T = TypeParam;
  using namespace std::string_view_literals;
  const std::string longPath = "/dev/serial/by-id/usb-kelvara-0001-if00";
  // A serial path reaches the driver terminated, and of a view into a
  // longer text only its own characters.
  const std::pair<std::string_view, std::string> paths[] = {
      {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"", ""},
      {"ab\0cd"sv, "ab"},
      {std::string_view{"/dev/ttyACM0-and-more", 12}, "/dev/ttyACM0"},
      {longPath, longPath}};
  // Whatever the driver returns is the handle, whatever status it wrote.
  this->m_driver.SetCreateStatus(-9);
  this->m_driver.SetResult(T::kCreateCan, -5);
  this->m_driver.QueueResults(T::kCreateUsb, {0, 77});
  // CAN sends the port's number before the id; USB the port's number, or -1
  // for the first port found.
  Calls expected{T::Create(T::kCreateCan, {8, 10}),
                 T::Create(T::kCreateUsb, {-1}), T::Create(T::kCreateUsb, {2})};
  {
    const auto can = T::Can(10, wpi::CANPort::CAN_D3);
    const auto unnamed = T::Usb();
    const auto named = T::Usb(UsbPort::kUsb2);
    std::int64_t handle = 0;
    for (const auto& [path, sent] : paths) {
      { const auto serial = T::Serial(path); }
      expected.push_back(T::Create(T::kCreateSerial, {sent}));
      expected.push_back(T::Destroy(++handle));
    }
  }
  expected.insert(expected.end(),
                  {T::Destroy(77), T::Destroy(0), T::Destroy(-5)});
  EXPECT_EQ(this->m_driver.Calls(), expected);
}

TYPED_TEST(DeviceLifecycleTest, MovesLeaveZeroAndAssignmentReleasesTheTarget) {
  using T = TypeParam;
  RecordingDriver& driver = this->m_driver;
  const DriverCall connected1{T::kIsConnected, {1}};
  const DriverCall connected0{T::kIsConnected, {0}};
  {
    auto first = T::Usb();
    auto second = T::Usb();
    auto third = T::Usb();
    driver.ClearCalls();
    auto moved{std::move(first)};
    EXPECT_TRUE(driver.Calls().empty());
    second = std::move(moved);  // releases 2, holds 1
    first = std::move(third);   // releases the 0 left behind, holds 3
    auto& alias = second;
    second = std::move(alias);  // changes nothing
    // NOLINTNEXTLINE(bugprone-use-after-move): the empty state is under test.
    static_cast<void>(moved.IsConnected());
    static_cast<void>(second.IsConnected());
    EXPECT_EQ(driver.Calls(),
              (Calls{T::Destroy(2), T::Destroy(0), connected0, connected1}));
    driver.ClearCalls();
  }
  EXPECT_EQ(driver.Calls(), (Calls{T::Destroy(0), T::Destroy(0), T::Destroy(1),
                                   T::Destroy(3)}));
}

TYPED_TEST(DeviceLifecycleTest, IsConnectedWhenTheDriverAnswersNonzero) {
  using T = TypeParam;
  this->m_driver.SetResult(T::kCreateCan, 12);
  const auto device = T::Can(4, wpi::CANPort::CAN_S2);
  for (const std::int32_t answer :
       {0, 1, -1, 2, std::numeric_limits<std::int32_t>::min()}) {
    this->m_driver.SetResult(T::kIsConnected, answer);
    EXPECT_EQ(device.IsConnected(), answer != 0) << "answer " << answer;
  }
  EXPECT_EQ(this->m_driver.CallsTo(T::kIsConnected),
            Calls(5, {T::kIsConnected, {12}}));
}

TYPED_TEST(DeviceLifecycleTest, OpeningMovingAndReleasingAllocateNothing) {
  EXPECT_EQ(kelvara::test::CountAllocations([] {
              auto can = TypeParam::Can(1, wpi::CANPort::CAN_S0);
              auto usb = TypeParam::Usb(UsbPort::kUsb1);
              auto moved{std::move(can)};
              usb = std::move(moved);
              static_cast<void>(usb.IsConnected());
            }),
            0u);
}

}  // namespace
