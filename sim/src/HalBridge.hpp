// Shows the simulated devices in WPILib's simulation tools: every device that
// robot code holds open, and every CAN port whose bus mode robot code
// requested, is published as a HAL sim device whose values follow the
// simulation and, where steerable, steer it.
//
// Lock order: publishing -> HalBridge::halCalls -> the HAL's own lock ->
// State::mutex. Publishing runs on one thread at a time, behind a flag that
// no thread waits for; it decides under State::mutex and calls the HAL only
// after releasing it. A HAL change callback, which may run on any thread and
// under the HAL's lock, only applies the change under State::mutex and never
// calls the HAL.
//
// Once the HAL goes away (HAL_Shutdown, or the process's exit, after which
// the HAL's static data is destroyed) the bridge calls it no more: devices
// that robot code releases later, such as those of global objects, are left
// to the HAL.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <variant>

#include "HalInterface.hpp"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimDevice.hpp"

namespace kelvara::sim::detail {

/// A simulated device as the HAL shows it.
struct HalDevice {
  SimDeviceKind kind;
  SimAddress address;
  bool operator==(const HalDevice&) const = default;
};

/// A CAN port's bus mode as the HAL shows it.
struct HalCanPort {
  std::int32_t port;
  bool operator==(const HalCanPort&) const = default;
};

using HalTarget = std::variant<HalDevice, HalCanPort>;

/// The most values that one HAL device holds.
inline constexpr std::size_t kMaxHalValues = 6;

/// One published value.
struct HalSlot {
  std::int32_t handle = 0;
  std::int32_t callback = 0;
  /// The value that the HAL holds, as far as the bridge knows.
  hal::Value shown;
  /// The value being published, so that its own change callback is told
  /// apart from a change made by someone else.
  hal::Value publishing;
  bool inFlight = false;
};

/// A target that the bridge watches, and its HAL device while published.
struct HalLink {
  HalTarget target;
  std::string name;
  /// The HAL device; 0 while not published.
  std::int32_t device = 0;
  /// The HAL refused to make the device (a name already taken); not tried
  /// again until the target is hidden and shown again.
  bool refused = false;
  std::array<HalSlot, kMaxHalValues> slots{};
};

/// The bridge's state. The links are guarded by State::mutex; the flags are
/// atomic.
struct HalBridge {
  /// The links by id. An id, never reused, is the parameter of the link's
  /// change callbacks, so a late callback finds no link rather than another.
  std::map<std::uint64_t, HalLink> links;
  std::uint64_t lastId = 0;
  /// A thread is publishing.
  std::atomic<bool> publishing{false};
  /// Publishing is to run again: something may have changed since the
  /// running pass looked.
  std::atomic<bool> requested{false};
  /// Held by the publishing thread while it calls the HAL, so that the HAL's
  /// going away can wait for the call in progress.
  std::mutex halCalls;
  /// The HAL is going away: it is not called again.
  std::atomic<bool> halGone{false};
  /// The bridge has asked to learn when the HAL goes away. Guarded by
  /// halCalls.
  bool hooked = false;

  /// Watches a target from now on, unless it is watched already. The link
  /// goes when the target is neither shown nor held open.
  void Watch(const HalTarget& target);
};

/// Returns true when WPILib's HAL is loaded in this process.
bool HalFound() noexcept;

/// Brings the HAL's view of the watched targets up to date: publishes the
/// devices to be shown, frees those no longer shown, and sets the values that
/// changed. Call it with State::mutex released. When another thread is
/// publishing, that thread runs again for this one.
void PublishToHal() noexcept;

/// Calls PublishToHal when it goes out of scope. Entry points that change or
/// read the simulation declare one before they lock the state, so that it
/// runs after the lock is released.
class [[nodiscard]] PublishAfterwards {
 public:
  PublishAfterwards() = default;
  ~PublishAfterwards() { PublishToHal(); }
  PublishAfterwards(const PublishAfterwards&) = delete;
  PublishAfterwards& operator=(const PublishAfterwards&) = delete;
  PublishAfterwards(PublishAfterwards&&) = delete;
  PublishAfterwards& operator=(PublishAfterwards&&) = delete;
};

}  // namespace kelvara::sim::detail
