#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string_view>
#include <utility>

#include <wpi/hardware/bus/CANPort.hpp>
#include <wpi/units/length.hpp>

#include "kelvara/KelvaraLib.h"
#include "kelvara/Status.hpp"
#include "kelvara/UsbPort.hpp"
#include "kelvara/detail/CInterface.hpp"
#include "kelvara/detail/CanPortNumber.hpp"
#include "kelvara/detail/DeviceHandle.hpp"

namespace kelvara {

/**
 * One frame of the Vantor ranger: a square grid of zones, 4 by 4 or 8 by 8,
 * each holding the distance measured in that zone or no reading.
 *
 * A scan is an immutable value of fixed size; its queries never allocate and
 * may run on any number of threads at once. Zones are numbered row-major: the
 * zone in row r and column c of a grid of side n has index r * n + c.
 */
class VantorScan {
 public:
  /// Number of distance entries a scan holds, whatever its zone count.
  static constexpr std::int32_t kMaxZones = 64;

  /// Zone distances in whole millimetres, row-major; negative: no reading.
  using Distances = std::array<std::int16_t, kMaxZones>;

  /**
   * Stores a frame as the driver reported it; nothing is checked.
   *
   * @param tag the driver's value for this frame; no query reads it
   * @param zoneCount 16 for a 4 by 4 frame, 64 for an 8 by 8 frame; only
   *     zones below both the zone count and 64 can hold a reading
   * @param distances all 64 entries, also those past the zone count
   */
  constexpr VantorScan(std::int32_t tag, std::int32_t zoneCount,
                       const Distances& distances) noexcept
      : m_tag{tag}, m_zoneCount{zoneCount}, m_distances{distances} {}

  /// Returns the grid side: 4 for a zone count of 16, otherwise 8.
  constexpr std::int32_t GridSize() const noexcept {
    return m_zoneCount == 16 ? 4 : 8;
  }

  /**
   * Returns the distance measured in one zone.
   *
   * @param zone the zone index, row-major
   * @return the distance in millimetres (0 mm is a valid reading); empty when
   *     the index is negative, not below the zone count or not below 64, or
   *     when the zone has no reading
   */
  std::optional<wpi::units::millimeter_t> GetDistance(
      std::int32_t zone) const noexcept {
    // The array bound guards against a zone count above 64, which the driver
    // should never report but which must not lead past the stored entries.
    if (zone < 0 || zone >= m_zoneCount || zone >= kMaxZones) {
      return std::nullopt;
    }
    return ToReading(m_distances[static_cast<std::size_t>(zone)]);
  }

  /**
   * Returns the distance measured in the zone at a row and a column.
   *
   * @return the distance in millimetres; empty when the row or the column
   *     lies outside 0 to GridSize() - 1, and otherwise as GetDistance(zone)
   *     for zone row * GridSize() + column
   */
  std::optional<wpi::units::millimeter_t> GetDistance(
      std::int32_t row, std::int32_t column) const noexcept {
    // Checking both against the side first keeps row * side + column below
    // 64.
    const std::int32_t side = GridSize();
    if (row < 0 || row >= side || column < 0 || column >= side) {
      return std::nullopt;
    }
    return GetDistance(row * side + column);
  }

  /**
   * Returns the smallest distance of the frame.
   *
   * @return the smallest reading in millimetres among the zones that have
   *     one; empty when no zone has a reading, the zone count is 0 or
   *     negative included
   */
  std::optional<wpi::units::millimeter_t> GetClosest() const noexcept {
    // Only the stored entries are visited, however large the zone count. The
    // walk compares the raw entries and converts only the winner.
    const std::int32_t zones = std::clamp(m_zoneCount, 0, kMaxZones);
    std::int32_t closest = -1;
    for (std::int32_t zone = 0; zone < zones; ++zone) {
      const std::int32_t entry = m_distances[static_cast<std::size_t>(zone)];
      if (entry >= 0 && (closest < 0 || entry < closest)) {
        closest = entry;
      }
    }
    return ToReading(closest);
  }

  /// Returns the driver's tag for this frame, unchanged.
  std::int32_t GetTag() const noexcept { return m_tag; }

  /// Returns the zone count as the driver reported it, unchanged.
  std::int32_t GetZoneCount() const noexcept { return m_zoneCount; }

  /// Returns all 64 raw entries in millimetres, also those past the zone
  /// count; negative entries mean no reading.
  const Distances& GetDistances() const noexcept { return m_distances; }

 private:
  /// A distance entry as a reading: empty when negative (no reading).
  static std::optional<wpi::units::millimeter_t> ToReading(
      std::int32_t entry) noexcept {
    if (entry < 0) {
      return std::nullopt;
    }
    return wpi::units::millimeter_t{static_cast<double>(entry)};
  }

  std::int32_t m_tag;
  std::int32_t m_zoneCount;
  Distances m_distances;
};

/// The zone grids of the Vantor ranger. The driver receives the number of
/// zones of the grid, which is each enumerator's value.
enum class VantorResolution : std::int32_t {
  /// The 4 by 4 grid; scans then hold 16 zones.
  k4x4 = 16,
  /// The 8 by 8 grid; scans then hold 64 zones.
  k8x8 = 64,
};

/**
 * The Vantor ranger's configuration as the driver reports it. The meaning of
 * the settings and flags is the driver's; the library only carries them.
 */
struct VantorConfig {
  /// The first word of the driver's record, copied unchanged.
  std::int32_t setting0 = 0;
  ///@{
  /// A flag of the driver's record: true when its word is nonzero.
  bool flag0 = false;
  bool flag1 = false;
  bool flag2 = false;
  ///@}
  /// The word after the flags in the driver's record, copied unchanged.
  std::int32_t setting1 = 0;
  /// The zone mask, all 64 bits; empty when the driver reports none.
  std::optional<std::uint64_t> zoneMask;
  /// The firmware version; empty when the driver reports none.
  std::optional<FirmwareVersion> firmwareVersion;
  /// The driver's setting 2; empty when the driver reports 0 or a negative
  /// value.
  std::optional<std::int32_t> setting2;
  /// The driver's setting 3; empty when the driver reports 0 or a negative
  /// value.
  std::optional<std::int32_t> setting3;
};

/**
 * The Vantor multi-zone time-of-flight ranger.
 *
 * A Vantor object owns one driver handle for its whole life and is move-only.
 * Opening never fails visibly: when the device cannot be opened the object
 * still exists, IsConnected() returns false and its operations report the
 * driver's failures.
 */
class Vantor {
 public:
  /**
   * Opens the ranger on a CAN port.
   *
   * @param canId the device's CAN id
   * @param port the CAN port it is attached to
   */
  Vantor(int canId, wpi::CANPort port)
      : m_handle{
            KelvaraLib_Vantor_OpenCan(detail::CanPortNumber(port), canId)} {}

  /// Opens the ranger on USB without naming a port.
  static Vantor Usb() {
    return Vantor{KelvaraLib_Vantor_OpenUsb(KelvaraLib_kNoUsbPort)};
  }

  /**
   * Opens the ranger on the given USB port.
   *
   * @param port the USB port
   */
  static Vantor Usb(UsbPort port) {
    return Vantor{KelvaraLib_Vantor_OpenUsb(std::to_underlying(port))};
  }

  /**
   * Opens the ranger on a serial device.
   *
   * @param path the serial device's path; the driver sees it up to its first
   *     zero character
   * @throws std::bad_alloc if the path cannot be copied
   */
  static Vantor FromSerialDevice(std::string_view path) {
    return Vantor{detail::OpenSerial(KelvaraLib_Vantor_OpenSerial, path)};
  }

  /// Takes over the other object's device; the other holds none afterwards.
  Vantor(Vantor&& other) noexcept = default;

  /// Releases this object's device, then takes over the other's.
  Vantor& operator=(Vantor&& other) noexcept = default;

  Vantor(const Vantor&) = delete;
  Vantor& operator=(const Vantor&) = delete;

  /// Releases the device.
  ~Vantor() = default;

  /// Returns true when the driver reports the device as connected.
  bool IsConnected() const {
    return KelvaraLib_Vantor_IsConnected(m_handle.Get());
  }

  /**
   * Takes one frame from the ranger.
   *
   * @return the frame; empty when the driver fails or reports no frame
   */
  std::optional<VantorScan> GetScan() const {
    KelvaraLib_VantorScanData data;  // NOLINT(*-member-init): valid is set
    if (KelvaraLib_Vantor_GetScan(m_handle.Get(), &data) != 0 ||
        data.valid == 0) {
      return std::nullopt;
    }
    return VantorScan{data.tag, data.zoneCount,
                      std::bit_cast<VantorScan::Distances>(data.distances)};
  }

  /**
   * Takes one frame and returns its smallest distance.
   *
   * @return the distance in millimetres; empty when the driver fails, reports
   *     no frame, or no zone of the frame has a reading
   */
  std::optional<wpi::units::millimeter_t> GetClosestDistance() const {
    const auto scan = GetScan();
    if (!scan) {
      return std::nullopt;
    }
    return scan->GetClosest();
  }

  /**
   * Sets the rate at which the ranger produces frames; the driver decides
   * which rates are valid and in which unit.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetOutputRate(std::int32_t rate) {
    return detail::ToStatus(
        KelvaraLib_Vantor_SetOutputRate(m_handle.Get(), rate));
  }

  /**
   * Sets the zone grid.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetResolution(VantorResolution resolution) {
    return detail::ToStatus(KelvaraLib_Vantor_SetResolution(
        m_handle.Get(), std::to_underlying(resolution)));
  }

  /**
   * Sets the ranging frequency; the driver decides which frequencies are
   * valid and in which unit.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetRangingFrequency(std::int32_t frequency) {
    return detail::ToStatus(
        KelvaraLib_Vantor_SetRangingFrequency(m_handle.Get(), frequency));
  }

  /**
   * Sets which zones are measured; the driver assigns the bits to zones.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetZoneMask(std::uint64_t mask) {
    return detail::ToStatus(
        KelvaraLib_Vantor_SetZoneMask(m_handle.Get(), mask));
  }

  /**
   * Reads the ranger's configuration.
   *
   * @return the configuration, or the driver's result code when it fails
   */
  std::expected<VantorConfig, Status> GetConfig() {
    KelvaraLib_VantorConfigData data;  // NOLINT(*-member-init): cleared there
    const std::int32_t code =
        KelvaraLib_Vantor_GetConfig(m_handle.Get(), &data);
    return detail::ToExpected(code, [&data] { return ToConfig(data); });
  }

 private:
  /// Takes over a handle that the driver issued.
  explicit Vantor(std::int32_t handle) : m_handle{handle} {}

  /// The configuration that a good reply of the driver describes. Optional
  /// fields stay empty unless the record marks them present; settings 2 and
  /// 3 count as present only when positive.
  static VantorConfig ToConfig(const KelvaraLib_VantorConfigData& data) {
    VantorConfig config;
    config.setting0 = data.setting0;
    config.flag0 = data.flag0 != 0;
    config.flag1 = data.flag1 != 0;
    config.flag2 = data.flag2 != 0;
    config.setting1 = data.setting1;
    if (data.zoneMaskPresent != 0) {
      config.zoneMask = data.zoneMask;
    }
    if (data.firmwareVersionPresent != 0) {
      config.firmwareVersion =
          FirmwareVersion{data.firmwareVersion[0], data.firmwareVersion[1],
                          data.firmwareVersion[2]};
    }
    if (data.setting2 > 0) {
      config.setting2 = data.setting2;
    }
    if (data.setting3 > 0) {
      config.setting3 = data.setting3;
    }
    return config;
  }

  detail::DeviceHandle<Vantor> m_handle;
};

}  // namespace kelvara
