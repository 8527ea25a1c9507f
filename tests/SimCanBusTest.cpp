// The simulated CAN bus modes, through CanBus.

#include <gtest/gtest.h>

#include "kelvara/CanBus.hpp"
#include "kelvara/sim/SimCanBus.hpp"
#include "kelvara/sim/SimResult.hpp"

namespace {

using kelvara::CanBus;
using kelvara::CanBusMode;
using kelvara::Status;
using kelvara::sim::AsStatus;
using kelvara::sim::SimCanBus;
using kelvara::sim::SimResult;
using wpi::units::second_t;

TEST(SimCanBusTest, EveryPortKeepsItsOwnMode) {
  for (int port = 0; port < 25; ++port) {
    SimCanBus{static_cast<wpi::CANPort>(port)}.Reset();
  }
  EXPECT_EQ(CanBus::RequestMode(wpi::CANPort::CAN_D7, CanBusMode::kMode1,
                                second_t{0.1}),
            Status::kOk);
  for (int port = 0; port < 25; ++port) {
    const auto canPort = static_cast<wpi::CANPort>(port);
    const auto expected = canPort == wpi::CANPort::CAN_D7 ? CanBusMode::kMode1
                                                          : CanBusMode::kMode0;
    EXPECT_EQ(CanBus::GetMode(canPort), expected) << port;
    EXPECT_EQ(SimCanBus{canPort}.GetMode(), expected) << port;
  }
  SimCanBus{wpi::CANPort::CAN_S2}.SetMode(CanBusMode::kMode1);
  EXPECT_EQ(CanBus::GetMode(wpi::CANPort::CAN_S2), CanBusMode::kMode1);
  EXPECT_EQ(CanBus::RequestMode(wpi::CANPort::CAN_S2, CanBusMode::kMode0,
                                second_t{0}),
            Status::kOk);
  EXPECT_EQ(CanBus::GetMode(wpi::CANPort::CAN_S2), CanBusMode::kMode0);
}

TEST(SimCanBusTest, RefusesPortsThatDoNotExistAndNegativeTimeouts) {
  const auto missing = static_cast<wpi::CANPort>(25);
  EXPECT_EQ(CanBus::RequestMode(missing, CanBusMode::kMode1, second_t{1}),
            AsStatus(SimResult::kInvalidArgument));
  EXPECT_EQ(CanBus::GetMode(missing), std::nullopt);
  EXPECT_EQ(CanBus::GetMode(static_cast<wpi::CANPort>(-1)), std::nullopt);
  EXPECT_EQ(SimCanBus{missing}.GetMode(), std::nullopt);

  SimCanBus port{wpi::CANPort::CAN_D19};
  port.Reset();
  EXPECT_EQ(CanBus::RequestMode(wpi::CANPort::CAN_D19, CanBusMode::kMode1,
                                second_t{-0.5}),
            AsStatus(SimResult::kInvalidArgument));
  EXPECT_EQ(port.GetMode(), CanBusMode::kMode0);
  EXPECT_EQ(port.GetRequestCount(), 1);
}

TEST(SimCanBusTest, InjectedFailuresLeaveTheModeAlone) {
  SimCanBus port{wpi::CANPort::CAN_S4};
  port.Reset();
  port.FailNextRequests(2, 13);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(CanBus::RequestMode(wpi::CANPort::CAN_S4, CanBusMode::kMode1,
                                  second_t{1}),
              static_cast<Status>(13));
  }
  EXPECT_EQ(port.GetMode(), CanBusMode::kMode0);
  EXPECT_EQ(CanBus::RequestMode(wpi::CANPort::CAN_S4, CanBusMode::kMode1,
                                second_t{1}),
            Status::kOk);
  EXPECT_EQ(port.GetMode(), CanBusMode::kMode1);
  EXPECT_EQ(port.GetRequestCount(), 3);
  port.Reset();
  EXPECT_EQ(port.GetMode(), CanBusMode::kMode0);
  EXPECT_EQ(port.GetRequestCount(), 0);
}

}  // namespace
