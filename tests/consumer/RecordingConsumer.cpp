// Opens a ranger through the installed library and checks, through the
// recording driver, what reached the driver. Exits non-zero on a mismatch.
#include <cstdio>
#include <vector>

#include <kelvara/CanBus.hpp>
#include <kelvara/Vantor.hpp>
#include <kelvara/testing/RecordingDriver.hpp>

int main() {
  using kelvara::testing::DriverCall;
  using kelvara::testing::DriverFunction;
  kelvara::testing::RecordingDriver driver;
  driver.SetResult(DriverFunction::kVantorIsConnected, 1);
  driver.SetResult(DriverFunction::kCanBusGetMode, 1);
  {
    kelvara::Vantor ranger{3, wpi::CANPort::CAN_S1};
    if (!ranger.IsConnected() ||
        kelvara::CanBus::GetMode(wpi::CANPort::CAN_S1) !=
            kelvara::CanBusMode::kMode1) {
      std::puts("consumer: unexpected answer");
      return 1;
    }
  }
  const std::vector<DriverCall> expected{
      {DriverFunction::kVantorCreateCan, {1, 3, 0}},
      {DriverFunction::kVantorIsConnected, {1}},
      {DriverFunction::kCanBusGetMode, {1}},
      {DriverFunction::kVantorDestroy, {1}},
  };
  if (driver.Calls() != expected) {
    std::puts("consumer: unexpected driver calls");
    return 1;
  }
  std::puts("consumer: recording driver OK");
  return 0;
}
