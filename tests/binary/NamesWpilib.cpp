// A library whose interface names a WPILib type: the symbol check must
// reject it.
#include <wpi/hardware/bus/CANPort.hpp>

namespace kelvara {

int PortOf(wpi::CANPort port) {
  return static_cast<int>(port);
}

}  // namespace kelvara
