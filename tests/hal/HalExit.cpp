// Robot code that still holds a simulated device when WPILib's HAL goes
// away: released after HAL_Shutdown (argument "shutdown"), or held by a
// global object that the process's exit releases after the HAL's data is
// destroyed (argument "exit"). The simulated driver must then leave the HAL
// alone: the stand-in HAL aborts on a call after its data is gone, and this
// program fails when the stand-in counted a misuse.

#include <cstdio>
#include <optional>
#include <string_view>

#include "hal/StandInHal.hpp"
#include "kelvara/Kinetra.hpp"

namespace {

// Made before the HAL's data, so destroyed after it.
// NOLINTNEXTLINE(*-avoid-non-const-global-variables)
std::optional<kelvara::Kinetra> g_imu;

}  // namespace

int main(int argc, char** argv) {
  const std::string_view order = argc > 1 ? argv[1] : "";
  g_imu.emplace(1, wpi::CANPort::CAN_S0, 0);
  if (StandInHal_Count().devices != 1) {
    std::fputs("the device was not published\n", stderr);
    return 1;
  }
  if (order == "shutdown") {
    HAL_Shutdown();
    g_imu.reset();
    return StandInHal_Count().misuses == 0 ? 0 : 1;
  }
  return order == "exit" ? 0 : 1;
}
