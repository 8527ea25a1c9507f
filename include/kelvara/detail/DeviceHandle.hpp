#pragma once

#include <cstdint>
#include <utility>

#include "kelvara/KelvaraLib.h"

namespace kelvara {

class Kinetra;
class Lumeno;
class Vantor;

namespace detail {

/// Releases a handle of a Device through its C function.
template <typename Device>
void ReleaseHandle(std::int32_t handle) noexcept;

template <>
inline void ReleaseHandle<Kinetra>(std::int32_t handle) noexcept {
  KelvaraLib_Kinetra_Destroy(handle);
}

template <>
inline void ReleaseHandle<Lumeno>(std::int32_t handle) noexcept {
  KelvaraLib_Lumeno_Destroy(handle);
}

template <>
inline void ReleaseHandle<Vantor>(std::int32_t handle) noexcept {
  KelvaraLib_Vantor_Destroy(handle);
}

/**
 * The driver handle that a device object owns: the device object's only link
 * to its device. Move-only; the handle is released through the driver when
 * its owner is destroyed or move-assigned over. A handle of 0 means that the
 * owner holds no device (it was moved from); it is released like any other.
 *
 * Only the owning device class can make one or read the handle, so no other
 * code can release a device that it does not own.
 *
 * @tparam Device the device class that owns the handle (Kinetra, Lumeno or
 *     Vantor); it selects the driver's release function.
 */
template <typename Device>
class DeviceHandle {
 public:
  /// Takes the other handle and leaves 0 in its place.
  DeviceHandle(DeviceHandle&& other) noexcept
      : m_handle{std::exchange(other.m_handle, 0)} {}

  /// Releases this handle, then takes the other's and leaves 0 in its place.
  /// Assigning a handle to itself does nothing.
  DeviceHandle& operator=(DeviceHandle&& other) noexcept {
    if (this != &other) {
      ReleaseHandle<Device>(m_handle);
      m_handle = std::exchange(other.m_handle, 0);
    }
    return *this;
  }

  DeviceHandle(const DeviceHandle&) = delete;
  DeviceHandle& operator=(const DeviceHandle&) = delete;

  /// Releases the handle, 0 included.
  ~DeviceHandle() { ReleaseHandle<Device>(m_handle); }

 private:
  friend Device;

  /// Takes ownership of a handle issued by the driver.
  explicit DeviceHandle(std::int32_t handle) noexcept : m_handle{handle} {}

  /// The driver handle, for passing to driver calls.
  std::int32_t Get() const noexcept { return m_handle; }

  std::int32_t m_handle;
};

}  // namespace detail

}  // namespace kelvara
