// Addresses in the control interface: read from their C form, and which of
// them can hold a device.
#include <cstddef>

#include "SimControl.hpp"
#include "driver/DriverValues.hpp"

namespace kelvara::sim::detail {

namespace {

/// CAN ids are numbered from 0 to this one.
constexpr int kLargestCanId = 62;

static_assert(static_cast<int>(SimTransport::kCan) == KelvaraSim_kCan &&
              static_cast<int>(SimTransport::kUsb) == KelvaraSim_kUsb &&
              static_cast<int>(SimTransport::kSerial) == KelvaraSim_kSerial);
static_assert(KelvaraSim_kNoUsbPort == driver::kNoUsbPort);

/// The record, once checked as AddressFrom describes.
const KelvaraSim_Address& Checked(const KelvaraSim_Address* address) {
  if (address == nullptr || address->transport < KelvaraSim_kCan ||
      address->transport > KelvaraSim_kSerial ||
      (address->path == nullptr && address->pathLength != 0)) {
    throw InvalidArgument{};
  }
  return *address;
}

}  // namespace

SimAddress AddressFrom(const KelvaraSim_Address* record) {
  const KelvaraSim_Address& address = Checked(record);
  switch (address.transport) {
    case KelvaraSim_kCan:
      return AddressOf::Can(address.port, address.canId);
    case KelvaraSim_kUsb:
      return AddressOf::Make(SimTransport::kUsb, address.port, 0, {});
    default:
      return AddressOf::Make(
          SimTransport::kSerial, 0, 0,
          address.pathLength == 0
              ? std::string{}
              : std::string{address.path,
                            static_cast<std::size_t>(address.pathLength)});
  }
}

}  // namespace kelvara::sim::detail

extern "C" {

int32_t KelvaraSim_Address_CanHoldDevice(const KelvaraSim_Address* address,
                                         bool* canHold) {
  using namespace kelvara::sim::detail;
  return Guard([&] {
    const KelvaraSim_Address& checked = Checked(address);
    bool result = false;
    switch (checked.transport) {
      case KelvaraSim_kCan:
        result = checked.port >= 0 &&
                 checked.port < kelvara::driver::kCanPortCount &&
                 checked.canId >= 0 && checked.canId <= kLargestCanId;
        break;
      case KelvaraSim_kUsb:
        result = checked.port >= kelvara::driver::kNoUsbPort;
        break;
      default:
        result = checked.pathLength != 0;
    }
    Answer(canHold, result);
  });
}

}  // extern "C"
