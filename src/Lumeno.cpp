#include "kelvara/Lumeno.hpp"

#include <utility>

#include "DriverCalls.hpp"
#include "driver/KelvaraLibDriver.hpp"

namespace kelvara {

using detail::OpenDevice;
using detail::PortNumber;

Lumeno::Lumeno(int canId, wpi::CANPort port)
    : m_handle{OpenDevice(KELVARA_Lumeno_CreateCan, PortNumber(port), canId)} {}

Lumeno Lumeno::Usb() {
  return Lumeno{Adopt{},
                OpenDevice(KELVARA_Lumeno_CreateUsb, detail::kNoUsbPort)};
}

Lumeno Lumeno::Usb(UsbPort port) {
  return Lumeno{Adopt{},
                OpenDevice(KELVARA_Lumeno_CreateUsb, PortNumber(port))};
}

Lumeno Lumeno::FromSerialDevice(std::string_view path) {
  return Lumeno{Adopt{},
                detail::OpenSerialDevice(KELVARA_Lumeno_CreateSerial, path)};
}

Lumeno::Lumeno(Adopt, int handle) : m_handle{handle} {}

Lumeno& Lumeno::operator=(Lumeno&& other) noexcept {
  if (this != &other) {
    m_handle = std::move(other.m_handle);
    m_palette = std::move(other.m_palette);
    other.m_palette.clear();
    m_matchThreshold = other.m_matchThreshold;
  }
  return *this;
}

bool Lumeno::IsConnected() const {
  return KELVARA_Lumeno_IsConnected(m_handle.Get()) != 0;
}

}  // namespace kelvara
