#include "kelvara/sim/SimAddress.hpp"

#include <utility>

#include "driver/DriverValues.hpp"

namespace kelvara::sim {

namespace {

using driver::kCanPortCount;
using driver::kNoUsbPort;

/// CAN ids are numbered from 0 to this one.
constexpr int kLargestCanId = 62;

}  // namespace

SimAddress::SimAddress(SimTransport transport, int port, int canId,
                       std::string path)
    : m_transport{transport},
      m_port{port},
      m_canId{canId},
      m_path{std::move(path)} {}

SimAddress SimAddress::Usb() {
  return SimAddress{SimTransport::kUsb, kNoUsbPort, 0, {}};
}

SimAddress SimAddress::Usb(UsbPort port) {
  return SimAddress{SimTransport::kUsb, static_cast<int>(port), 0, {}};
}

SimAddress SimAddress::Serial(std::string_view path) {
  return SimAddress{SimTransport::kSerial, 0, 0, std::string{path}};
}

bool SimAddress::CanHoldDevice() const noexcept {
  switch (m_transport) {
    case SimTransport::kCan:
      return m_port >= 0 && m_port < kCanPortCount && m_canId >= 0 &&
             m_canId <= kLargestCanId;
    case SimTransport::kUsb:
      return m_port >= kNoUsbPort;
    case SimTransport::kSerial:
      return !m_path.empty();
  }
  return false;
}

}  // namespace kelvara::sim
