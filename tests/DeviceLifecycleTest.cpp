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
using Arguments = std::vector<DriverArgument>;

constexpr int kKinetraExtra = -123456;

// Only the device classes make handles: code that is not a device cannot
// release a device by making a handle of its own.
static_assert(!std::is_constructible_v<
              kelvara::detail::DeviceHandle<kelvara::Kinetra>, std::int32_t>);
static_assert(!std::is_constructible_v<
              kelvara::detail::DeviceHandle<kelvara::Lumeno>, std::int32_t>);
static_assert(!std::is_constructible_v<
              kelvara::detail::DeviceHandle<kelvara::Vantor>, std::int32_t>);

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
  static constexpr DriverFunction kDestroy = Function(3);
  static constexpr DriverFunction kIsConnected = Function(4);

  static D Can(int id, wpi::CANPort port) { return D{id, port, kExtra...}; }
  static D Usb() { return D::Usb(kExtra...); }
  static D Usb(UsbPort port) { return D::Usb(port, kExtra...); }
  static D Serial(std::string_view path) {
    return D::FromSerialDevice(path, kExtra...);
  }
  static Arguments Extra() { return {std::int64_t{kExtra}...}; }
};

using KinetraTraits =
    Traits<kelvara::Kinetra, DriverFunction::kKinetraCreateCan, kKinetraExtra>;
using LumenoTraits = Traits<kelvara::Lumeno, DriverFunction::kLumenoCreateCan>;
using VantorTraits = Traits<kelvara::Vantor, DriverFunction::kVantorCreateCan>;

/// transport arguments, then the extra integer (Kinetra), then the status
/// value on entry, which must be 0.
Arguments CreateArguments(Arguments transport, const Arguments& extra) {
  transport.insert(transport.end(), extra.begin(), extra.end());
  transport.emplace_back(std::int64_t{0});
  return transport;
}

template <typename Traits>
class DeviceLifecycleTest : public ::testing::Test {
 protected:
  DriverCall Destroy(std::int64_t handle) {
    return {Traits::kDestroy, {handle}};
  }

  RecordingDriver m_driver;
};

using DeviceTypes = ::testing::Types<KinetraTraits, LumenoTraits, VantorTraits>;
TYPED_TEST_SUITE(DeviceLifecycleTest, DeviceTypes);

TYPED_TEST(DeviceLifecycleTest, CanCreateReceivesPortBeforeId) {
  RecordingDriver& driver = this->m_driver;
  driver.SetResult(TypeParam::kCreateCan, 77);
  {
    auto device = TypeParam::Can(10, wpi::CANPort::CAN_D3);
    EXPECT_EQ(driver.Calls(),
              (std::vector<DriverCall>{
                  {TypeParam::kCreateCan,
                   CreateArguments({8, 10}, TypeParam::Extra())}}));
  }
  EXPECT_EQ(driver.CallsTo(TypeParam::kDestroy),
            std::vector<DriverCall>{this->Destroy(77)});
}

TYPED_TEST(DeviceLifecycleTest, UsbSendsPortValueOrMinusOne) {
  RecordingDriver& driver = this->m_driver;
  {
    auto unnamed = TypeParam::Usb();
    auto named = TypeParam::Usb(UsbPort::kUsb2);
  }
  EXPECT_EQ(
      driver.Calls(),
      (std::vector<DriverCall>{
          {TypeParam::kCreateUsb, CreateArguments({-1}, TypeParam::Extra())},
          {TypeParam::kCreateUsb, CreateArguments({2}, TypeParam::Extra())},
          this->Destroy(2),
          this->Destroy(1),
      }));
}

TYPED_TEST(DeviceLifecycleTest, SerialPathReachesDriverTerminated) {
  using namespace std::string_view_literals;
  const std::string longPath = "/dev/serial/by-id/usb-kelvara-0001-if00";
  const struct {
    std::string_view path;
    std::string expected;
  } cases[] = {
      {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"", ""},
      {"ab\0cd"sv, "ab"},
      // A view into a longer text: only its own characters are copied.
      {std::string_view{"/dev/ttyACM0-and-more", 12}, "/dev/ttyACM0"},
      {longPath, longPath},
  };
  for (const auto& c : cases) {
    RecordingDriver driver;
    { auto device = TypeParam::Serial(c.path); }
    EXPECT_EQ(driver.Calls(),
              (std::vector<DriverCall>{
                  {TypeParam::kCreateSerial,
                   CreateArguments({c.expected}, TypeParam::Extra())},
                  this->Destroy(1)}))
        << "path " << c.expected;
  }
}

TYPED_TEST(DeviceLifecycleTest, CreationStatusIsIgnored) {
  RecordingDriver& driver = this->m_driver;
  driver.SetCreateStatus(-9);
  driver.SetResult(TypeParam::kCreateCan, -5);
  driver.SetResult(TypeParam::kCreateUsb, 0);
  driver.SetResult(TypeParam::kCreateSerial, 31);
  {
    auto can = TypeParam::Can(1, wpi::CANPort::CAN_S0);
    auto usb = TypeParam::Usb();
    auto serial = TypeParam::Serial("/dev/ttyS1");
    driver.ClearCalls();
  }
  // Whatever the driver returned is the handle, released exactly once.
  EXPECT_EQ(driver.Calls(),
            (std::vector<DriverCall>{this->Destroy(31), this->Destroy(0),
                                     this->Destroy(-5)}));
}

TYPED_TEST(DeviceLifecycleTest, MoveConstructionLeavesZeroBehind) {
  RecordingDriver& driver = this->m_driver;
  {
    auto source = TypeParam::Can(3, wpi::CANPort::CAN_S1);
    driver.ClearCalls();
    auto target{std::move(source)};
    EXPECT_TRUE(driver.Calls().empty());
  }
  EXPECT_EQ(driver.Calls(),
            (std::vector<DriverCall>{this->Destroy(1), this->Destroy(0)}));
}

TYPED_TEST(DeviceLifecycleTest, MoveAssignmentReleasesTargetFirst) {
  RecordingDriver& driver = this->m_driver;
  {
    auto target = TypeParam::Usb();
    auto source = TypeParam::Usb();
    driver.ClearCalls();
    target = std::move(source);
    EXPECT_EQ(driver.Calls(), std::vector<DriverCall>{this->Destroy(1)});
    driver.ClearCalls();
  }
  // source (now empty) then target (now holding handle 2).
  EXPECT_EQ(driver.Calls(),
            (std::vector<DriverCall>{this->Destroy(0), this->Destroy(2)}));
}

TYPED_TEST(DeviceLifecycleTest, MoveAssignmentIntoEmptyObjectReleasesZero) {
  RecordingDriver& driver = this->m_driver;
  {
    auto first = TypeParam::Usb();
    auto moved{std::move(first)};
    auto second = TypeParam::Usb();
    driver.ClearCalls();
    first = std::move(second);
    EXPECT_EQ(driver.Calls(), std::vector<DriverCall>{this->Destroy(0)});
    driver.ClearCalls();
  }
  EXPECT_EQ(driver.Calls(),
            (std::vector<DriverCall>{this->Destroy(0), this->Destroy(1),
                                     this->Destroy(2)}));
}

TYPED_TEST(DeviceLifecycleTest, SelfMoveAssignmentChangesNothing) {
  RecordingDriver& driver = this->m_driver;
  {
    auto device = TypeParam::Usb();
    auto& alias = device;
    driver.ClearCalls();
    device = std::move(alias);
    EXPECT_TRUE(driver.Calls().empty());
    EXPECT_FALSE(device.IsConnected());
  }
  EXPECT_EQ(driver.CallsTo(TypeParam::kIsConnected),
            (std::vector<DriverCall>{{TypeParam::kIsConnected, {1}}}));
  EXPECT_EQ(driver.CallsTo(TypeParam::kDestroy),
            std::vector<DriverCall>{this->Destroy(1)});
}

TYPED_TEST(DeviceLifecycleTest, IsConnectedWhenDriverAnswersNonzero) {
  const struct {
    std::int32_t answer;
    bool connected;
  } cases[] = {{0, false},
               {1, true},
               {-1, true},
               {2, true},
               {std::numeric_limits<std::int32_t>::min(), true}};
  for (const auto& c : cases) {
    RecordingDriver driver;
    driver.SetResult(TypeParam::kCreateCan, 12);
    driver.SetResult(TypeParam::kIsConnected, c.answer);
    auto device = TypeParam::Can(4, wpi::CANPort::CAN_S2);
    EXPECT_EQ(device.IsConnected(), c.connected) << "answer " << c.answer;
    EXPECT_EQ(driver.CallsTo(TypeParam::kIsConnected),
              (std::vector<DriverCall>{{TypeParam::kIsConnected, {12}}}));
  }
}

TYPED_TEST(DeviceLifecycleTest, MovedFromObjectAsksDriverWithZero) {
  RecordingDriver& driver = this->m_driver;
  auto source = TypeParam::Usb();
  auto target{std::move(source)};
  // NOLINTNEXTLINE(bugprone-use-after-move): the empty state is under test.
  source.IsConnected();
  target.IsConnected();
  EXPECT_EQ(driver.CallsTo(TypeParam::kIsConnected),
            (std::vector<DriverCall>{{TypeParam::kIsConnected, {0}},
                                     {TypeParam::kIsConnected, {1}}}));
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

TEST(KinetraExtraTest, ExtraIntegerReachesEveryTransportUnchanged) {
  for (int extra : {0, 1, -1, std::numeric_limits<int>::max(),
                    std::numeric_limits<int>::min()}) {
    RecordingDriver driver;
    {
      kelvara::Kinetra can{7, wpi::CANPort::CAN_D19, extra};
      auto usb = kelvara::Kinetra::Usb(extra);
      auto usbPort = kelvara::Kinetra::Usb(UsbPort::kUsb0, extra);
      auto serial = kelvara::Kinetra::FromSerialDevice("/dev/ttyS0", extra);
    }
    const std::int64_t e = extra;
    EXPECT_EQ(driver.CallsTo(DriverFunction::kKinetraCreateCan),
              (std::vector<DriverCall>{
                  {DriverFunction::kKinetraCreateCan, {24, 7, e, 0}}}));
    EXPECT_EQ(driver.CallsTo(DriverFunction::kKinetraCreateUsb),
              (std::vector<DriverCall>{
                  {DriverFunction::kKinetraCreateUsb, {-1, e, 0}},
                  {DriverFunction::kKinetraCreateUsb, {0, e, 0}}}));
    EXPECT_EQ(driver.CallsTo(DriverFunction::kKinetraCreateSerial),
              (std::vector<DriverCall>{{DriverFunction::kKinetraCreateSerial,
                                        {std::string{"/dev/ttyS0"}, e, 0}}}));
  }
}

}  // namespace
