#include "kelvara/Vantor.hpp"

#include <algorithm>
#include <cstddef>

namespace kelvara {

namespace {

/// A distance entry as a reading: empty when negative (no reading).
std::optional<wpi::units::millimeter_t> ToReading(std::int32_t entry) {
  if (entry < 0) {
    return std::nullopt;
  }
  return wpi::units::millimeter_t{static_cast<double>(entry)};
}

}  // namespace

VantorScan::VantorScan(std::int32_t tag, std::int32_t zoneCount,
                       const Distances& distances) noexcept
    : m_tag{tag}, m_zoneCount{zoneCount}, m_distances{distances} {}

std::int32_t VantorScan::GridSize() const noexcept {
  return m_zoneCount == 16 ? 4 : 8;
}

std::optional<wpi::units::millimeter_t> VantorScan::GetDistance(
    std::int32_t zone) const noexcept {
  // The array bound guards against a zone count above 64, which the driver
  // should never report but which must not lead past the stored entries.
  if (zone < 0 || zone >= m_zoneCount || zone >= kMaxZones) {
    return std::nullopt;
  }
  return ToReading(m_distances[static_cast<std::size_t>(zone)]);
}

std::optional<wpi::units::millimeter_t> VantorScan::GetDistance(
    std::int32_t row, std::int32_t column) const noexcept {
  // Checking both against the side first keeps row * side + column below 64.
  const std::int32_t side = GridSize();
  if (row < 0 || row >= side || column < 0 || column >= side) {
    return std::nullopt;
  }
  return GetDistance(row * side + column);
}

std::optional<wpi::units::millimeter_t> VantorScan::GetClosest()
    const noexcept {
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

std::int32_t VantorScan::GetTag() const noexcept {
  return m_tag;
}

std::int32_t VantorScan::GetZoneCount() const noexcept {
  return m_zoneCount;
}

const VantorScan::Distances& VantorScan::GetDistances() const noexcept {
  return m_distances;
}

}  // namespace kelvara
