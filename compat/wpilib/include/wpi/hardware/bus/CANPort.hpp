// Stand-in for WPILib's CANPort.
#pragma once

namespace wpi {

/// The controller's CAN ports.
enum class CANPort : int {
  CAN_S0 = 0,
  CAN_S1 = 1,
  CAN_S2 = 2,
  CAN_S3 = 3,
  CAN_S4 = 4,
  CAN_D0 = 5,
  CAN_D1 = 6,
  CAN_D2 = 7,
  CAN_D3 = 8,
  CAN_D4 = 9,
  CAN_D5 = 10,
  CAN_D6 = 11,
  CAN_D7 = 12,
  CAN_D8 = 13,
  CAN_D9 = 14,
  CAN_D10 = 15,
  CAN_D11 = 16,
  CAN_D12 = 17,
  CAN_D13 = 18,
  CAN_D14 = 19,
  CAN_D15 = 20,
  CAN_D16 = 21,
  CAN_D17 = 22,
  CAN_D18 = 23,
  CAN_D19 = 24,
};

}  // namespace wpi
