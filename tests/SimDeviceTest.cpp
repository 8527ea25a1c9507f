// Presence, handles, reset and fault injection of the simulated devices, as
// robot code sees them through the library.

#include <cstdint>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"
#include "kelvara/sim/SimKinetra.hpp"
#include "kelvara/sim/SimLumeno.hpp"
#include "kelvara/sim/SimResult.hpp"
#include "kelvara/sim/SimVantor.hpp"
#include "support/SimTestAddress.hpp"

namespace {

using kelvara::Kinetra;
using kelvara::Lumeno;
using kelvara::Status;
using kelvara::UsbPort;
using kelvara::Vantor;
using kelvara::sim::AsStatus;
using kelvara::sim::SimAddress;
using kelvara::sim::SimKinetra;
using kelvara::sim::SimLumeno;
using kelvara::sim::SimResult;
using kelvara::sim::SimVantor;
using kelvara::test::TestAddress;
using kelvara::test::TestPath;

TEST(SimDeviceTest, EveryAddressHoldsAPresentDevice) {
  EXPECT_TRUE((Kinetra{5, wpi::CANPort::CAN_D3, 0}.IsConnected()));
  EXPECT_TRUE(Kinetra::Usb(0).IsConnected());
  EXPECT_TRUE(Lumeno::Usb(UsbPort::kUsb2).IsConnected());
  EXPECT_TRUE(Lumeno::FromSerialDevice(TestPath()).IsConnected());
  EXPECT_TRUE((Vantor{62, wpi::CANPort::CAN_S0}.IsConnected()));
  EXPECT_TRUE(
      SimVantor{SimAddress::Can(62, wpi::CANPort::CAN_S0)}.IsAttached());
}

TEST(SimDeviceTest, AnAddressThatCannotHoldADeviceIsNeverConnected) {
  const auto port = static_cast<wpi::CANPort>(25);
  SimKinetra sim{SimAddress::Can(1, port)};
  sim.Attach();
  EXPECT_FALSE(sim.IsAttached());
  EXPECT_FALSE((Kinetra{1, port, 0}.IsConnected()));
  EXPECT_FALSE((Lumeno{63, wpi::CANPort::CAN_S0}.IsConnected()));
  EXPECT_FALSE(Vantor::FromSerialDevice("").IsConnected());
}

TEST(SimDeviceTest, TransportsAndKindsAreSeparateAddresses) {
  SimKinetra{SimAddress::Usb()}.Reset();
  SimKinetra{SimAddress::Usb(UsbPort::kUsb0)}.Detach();
  EXPECT_TRUE(Kinetra::Usb(0).IsConnected());
  EXPECT_FALSE(Kinetra::Usb(UsbPort::kUsb0, 0).IsConnected());
  SimKinetra{SimAddress::Usb(UsbPort::kUsb0)}.Attach();

  const SimAddress address = TestAddress();
  SimLumeno{address}.Detach();
  EXPECT_FALSE(Lumeno::FromSerialDevice(address.GetPath()).IsConnected());
  EXPECT_TRUE(Vantor::FromSerialDevice(address.GetPath()).IsConnected());
}

TEST(SimDeviceTest, DetachAndReattachKeepTheDeviceAndItsHandles) {
  const SimAddress address = TestAddress();
  SimVantor sim{address};
  Vantor ranger = Vantor::FromSerialDevice(address.GetPath());
  ASSERT_EQ(ranger.SetOutputRate(30), Status::kOk);

  sim.Detach();
  EXPECT_FALSE(sim.IsAttached());
  EXPECT_FALSE(ranger.IsConnected());
  EXPECT_EQ(ranger.SetOutputRate(40), AsStatus(SimResult::kNotConnected));
  EXPECT_FALSE(ranger.GetScan());
  EXPECT_EQ(ranger.GetConfig().error(), AsStatus(SimResult::kNotConnected));

  sim.Attach();
  EXPECT_TRUE(ranger.IsConnected());
  EXPECT_EQ(ranger.GetConfig()->setting0, 30);
  EXPECT_TRUE(ranger.GetScan());
}

TEST(SimDeviceTest, CountsTheHandlesRobotCodeHoldsOpen) {
  const SimAddress address = TestAddress();
  const SimKinetra sim{address};
  EXPECT_EQ(sim.GetOpenHandleCount(), 0);
  {
    Kinetra first = Kinetra::FromSerialDevice(address.GetPath(), 0);
    Kinetra second = Kinetra::FromSerialDevice(address.GetPath(), 0);
    EXPECT_EQ(sim.GetOpenHandleCount(), 2);
    Kinetra moved = std::move(first);
    EXPECT_EQ(sim.GetOpenHandleCount(), 2);
    moved = std::move(second);
    EXPECT_EQ(sim.GetOpenHandleCount(), 1);
    // A moved-from object holds handle 0, which reaches no device.
    EXPECT_FALSE(first.IsConnected());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(first.ResetYaw(), AsStatus(SimResult::kUnknownHandle));
  }
  EXPECT_EQ(sim.GetOpenHandleCount(), 0);
}

TEST(SimDeviceTest, InjectedFailuresHitTheNextCallsInOrder) {
  const SimAddress address = TestAddress();
  SimKinetra sim{address};
  Kinetra imu = Kinetra::FromSerialDevice(address.GetPath(), 0);
  sim.FailNextCalls(3, -42);
  EXPECT_EQ(sim.GetPendingFailures(), 3);
  EXPECT_TRUE(imu.IsConnected());  // not a counted call
  EXPECT_EQ(imu.ResetYaw(), static_cast<Status>(-42));
  EXPECT_FALSE(imu.GetYaw());
  EXPECT_EQ(imu.GetFirmwareVersion().error(), static_cast<Status>(-42));
  EXPECT_EQ(sim.GetPendingFailures(), 0);
  EXPECT_EQ(imu.ResetYaw(), Status::kOk);

  // Injected failures come before the absence of the device.
  sim.Detach();
  sim.FailNextCalls(1, 9);
  EXPECT_EQ(imu.ResetYaw(), static_cast<Status>(9));
  EXPECT_EQ(imu.ResetYaw(), AsStatus(SimResult::kNotConnected));
  sim.Attach();

  for (const auto& [count, code] : {std::pair{0, 5}, std::pair{4, 0}}) {
    sim.FailNextCalls(2, 5);
    sim.FailNextCalls(count, code);
    EXPECT_EQ(sim.GetPendingFailures(), 0);
    EXPECT_EQ(imu.ResetYaw(), Status::kOk);
  }
}

TEST(SimDeviceTest, InvalidRecordsGiveEmptySamples) {
  const SimAddress address = TestAddress();
  SimKinetra imuSim{address};
  SimVantor rangerSim{address};
  const Kinetra imu = Kinetra::FromSerialDevice(address.GetPath(), 0);
  const Vantor ranger = Vantor::FromSerialDevice(address.GetPath());
  imuSim.DeliverInvalidRecords(true);
  rangerSim.DeliverInvalidRecords(true);
  EXPECT_FALSE(imu.GetYaw());
  EXPECT_FALSE(imu.GetTimestamp());
  EXPECT_FALSE(ranger.GetScan());
  imuSim.DeliverInvalidRecords(false);
  rangerSim.DeliverInvalidRecords(false);
  EXPECT_TRUE(imu.GetYaw());
  EXPECT_TRUE(ranger.GetScan());
}

TEST(SimDeviceTest, ResetRestoresDefaultsAndKeepsHandles) {
  const SimAddress address = TestAddress();
  SimKinetra sim{address};
  Kinetra imu = Kinetra::FromSerialDevice(address.GetPath(), 0);
  sim.SetYawPitchRoll(wpi::units::degree_t{30}, wpi::units::degree_t{5},
                      wpi::units::degree_t{0});
  ASSERT_EQ(imu.SetOutputRate(50), Status::kOk);
  sim.FailNextCalls(5, 3);
  sim.Detach();

  sim.Reset();
  EXPECT_TRUE(sim.IsAttached());
  EXPECT_EQ(sim.GetPendingFailures(), 0);
  EXPECT_EQ(sim.GetOpenHandleCount(), 1);
  EXPECT_EQ(sim.GetOutputRate(), 100);
  EXPECT_EQ(imu.GetYaw(), wpi::units::degree_t{0});
  EXPECT_TRUE(imu.IsConnected());
}

}  // namespace
