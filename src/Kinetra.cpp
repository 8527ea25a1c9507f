#include "kelvara/Kinetra.hpp"

#include "DriverCalls.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

using detail::OpenDevice;
using detail::PortNumber;

Kinetra::Kinetra(int canId, wpi::CANPort port, int extra)
    : m_handle{OpenDevice(KELVARA_Kinetra_CreateCan, PortNumber(port), canId,
                          extra)} {}

Kinetra Kinetra::Usb(int extra) {
  return Kinetra{Adopt{}, OpenDevice(KELVARA_Kinetra_CreateUsb,
                                     detail::kNoUsbPort, extra)};
}

Kinetra Kinetra::Usb(UsbPort port, int extra) {
  return Kinetra{
      Adopt{}, OpenDevice(KELVARA_Kinetra_CreateUsb, PortNumber(port), extra)};
}

Kinetra Kinetra::FromSerialDevice(std::string_view path, int extra) {
  return Kinetra{Adopt{}, detail::OpenSerialDevice(KELVARA_Kinetra_CreateSerial,
                                                   path, extra)};
}

Kinetra::Kinetra(Adopt, int handle) : m_handle{handle} {}

bool Kinetra::IsConnected() const {
  return KELVARA_Kinetra_IsConnected(m_handle.Get()) != 0;
}

}  // namespace kelvara
