#include "kelvara/detail/DeviceHandle.hpp"

#include <utility>

#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"

namespace kelvara {

namespace {

template <typename Device>
void Release(std::int32_t handle) noexcept;

template <>
void Release<Kinetra>(std::int32_t handle) noexcept {
  KELVARA_Kinetra_Destroy(handle);
}

template <>
void Release<Lumeno>(std::int32_t handle) noexcept {
  KELVARA_Lumeno_Destroy(handle);
}

template <>
void Release<Vantor>(std::int32_t handle) noexcept {
  KELVARA_Vantor_Destroy(handle);
}

}  // namespace

namespace detail {

template <typename Device>
DeviceHandle<Device>::DeviceHandle(DeviceHandle&& other) noexcept
    : m_handle{std::exchange(other.m_handle, 0)} {}

template <typename Device>
DeviceHandle<Device>& DeviceHandle<Device>::operator=(
    DeviceHandle&& other) noexcept {
  if (this != &other) {
    Release<Device>(m_handle);
    m_handle = std::exchange(other.m_handle, 0);
  }
  return *this;
}

template <typename Device>
DeviceHandle<Device>::~DeviceHandle() {
  Release<Device>(m_handle);
}

template class DeviceHandle<Kinetra>;
template class DeviceHandle<Lumeno>;
template class DeviceHandle<Vantor>;

}  // namespace detail

static_assert(sizeof(Kinetra) == 4, "a Kinetra is exactly its handle");
static_assert(sizeof(Vantor) == 4, "a Vantor is exactly its handle");

}  // namespace kelvara
