#include <kelvara/CanBus.hpp>

int main() {
  return kelvara::CanBus::GetMode(wpi::CANPort::CAN_S0) ==
                 kelvara::CanBusMode::kMode1
             ? 1
             : 0;
}
