// Runs robot code through the installed library on the installed simulated
// driver, steering the device through the sim control interface. Exits
// non-zero on a wrong answer.
#include <cmath>
#include <cstdio>

#include <kelvara/Kinetra.hpp>
#include <kelvara/sim/SimKinetra.hpp>
#include <kelvara/sim/SimResult.hpp>

int main() {
  namespace sim = kelvara::sim;
  sim::SimKinetra gyro{sim::SimAddress::Can(4, wpi::CANPort::CAN_S2)};
  const kelvara::Kinetra imu{4, wpi::CANPort::CAN_S2, 0};
  gyro.SetYaw(wpi::units::degree_t{-30});
  const auto yaw = imu.GetYaw();
  gyro.Detach();
  if (!yaw || std::abs(yaw->value() + 30) > 1e-9 || imu.IsConnected() ||
      gyro.GetOpenHandleCount() != 1) {
    std::puts("consumer: unexpected answer from the simulated driver");
    return 1;
  }
  std::puts("consumer: simulated driver OK");
  return 0;
}
