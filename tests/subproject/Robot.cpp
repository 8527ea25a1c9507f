// Robot code of a project that builds KelvaraLib as a subproject: an IMU on
// the simulated driver, which the library binds to when no driver module is
// installed. Exits 0 when the IMU answers with a yaw.
#include <kelvara/Kinetra.hpp>

int main() {
  const kelvara::Kinetra imu{1, wpi::CANPort::CAN_S0, 0};
  return imu.GetYaw().has_value() ? 0 : 1;
}
