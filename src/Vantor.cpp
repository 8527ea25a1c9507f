#include "kelvara/Vantor.hpp"

#include "DriverCalls.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

using detail::OpenDevice;
using detail::PortNumber;

Vantor::Vantor(int canId, wpi::CANPort port)
    : m_handle{OpenDevice(KELVARA_Vantor_CreateCan, PortNumber(port), canId)} {}

Vantor Vantor::Usb() {
  return Vantor{Adopt{},
                OpenDevice(KELVARA_Vantor_CreateUsb, detail::kNoUsbPort)};
}

Vantor Vantor::Usb(UsbPort port) {
  return Vantor{Adopt{},
                OpenDevice(KELVARA_Vantor_CreateUsb, PortNumber(port))};
}

Vantor Vantor::FromSerialDevice(std::string_view path) {
  return Vantor{Adopt{},
                detail::OpenSerialDevice(KELVARA_Vantor_CreateSerial, path)};
}

Vantor::Vantor(Adopt, int handle) : m_handle{handle} {}

bool Vantor::IsConnected() const {
  return KELVARA_Vantor_IsConnected(m_handle.Get()) != 0;
}

}  // namespace kelvara
