#include "VantorModel.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Setting.hpp"
#include "driver/DriverValues.hpp"

namespace kelvara::sim::detail {

namespace {

/// The full width (and height) of the field of view, radians.
constexpr double kFieldOfView = 45.0 * std::numbers::pi / 180.0;
constexpr std::int16_t kNoReading = -1;
constexpr double kLargestReading = 32767.0;

/// Angle of the centre ray of a grid cell from the axis, radians.
double CellAngle(int index, int side) {
  return ((index + 0.5) / side - 0.5) * kFieldOfView;
}

/// Distance along a zone's centre ray to a flat target.
std::optional<double> RayToTarget(const FlatTarget& target, int row, int column,
                                  int side) {
  if (!(target.distance > 0.0)) {
    return std::nullopt;
  }
  const double rayX = std::tan(CellAngle(column, side));
  const double rayY = std::tan(CellAngle(row, side));
  const double rayLength = std::hypot(rayX, rayY, 1.0);
  // The target's normal faces the sensor, leaning away from it towards the
  // higher columns (rows) for a positive horizontal (vertical) tilt.
  const double normalX = -std::tan(target.tiltHorizontal);
  const double normalY = -std::tan(target.tiltVertical);
  const double facing = (normalX * rayX + normalY * rayY + 1.0) / rayLength;
  if (facing <= 1e-9) {
    return std::nullopt;
  }
  return target.distance / facing;
}

/// The value of a grid cell seen at another resolution: the mean of the
/// finer cells in view, or the coarser cell's value.
std::optional<double> GridDistance(const ZoneGrid& grid, int row, int column,
                                   int side) {
  auto cell = [&grid](int r, int c) -> std::optional<double> {
    const int index = r * grid.side + c;
    const double value = grid.cells[static_cast<std::size_t>(index)];
    return value >= 0.0 ? std::optional<double>{value} : std::nullopt;
  };
  if (grid.side <= side) {
    const int ratio = side / grid.side;
    return cell(row / ratio, column / ratio);
  }
  const int ratio = grid.side / side;
  double sum = 0.0;
  int count = 0;
  for (int r = row * ratio; r < (row + 1) * ratio; ++r) {
    for (int c = column * ratio; c < (column + 1) * ratio; ++c) {
      if (const auto value = cell(r, c)) {
        sum += *value;
        ++count;
      }
    }
  }
  return count > 0 ? std::optional<double>{sum / count} : std::nullopt;
}

/// A zone's distance as the scan reports it: whole millimetres, 0 to the
/// largest reading.
std::int16_t Reading(double distance) {
  return static_cast<std::int16_t>(
      std::lround(std::clamp(distance, 0.0, kLargestReading)));
}

}  // namespace

std::optional<double> VantorModel::SceneDistance(int zone) const {
  const int side = GridSide();
  const int row = zone / side;
  const int column = zone % side;
  std::optional<double> distance;
  if (const auto* target = std::get_if<FlatTarget>(&scene)) {
    distance = RayToTarget(*target, row, column, side);
  } else if (const auto* grid = std::get_if<ZoneGrid>(&scene)) {
    distance = GridDistance(*grid, row, column, side);
  }
  // Beyond the range limit, or not a number (a target given as NaN).
  if (distance && !(*distance <= rangeLimit)) {
    return std::nullopt;
  }
  return distance;
}

bool VantorModel::ZoneEnabled(int zone) const {
  return (zoneMask >> zone & 1u) != 0;
}

VantorScanData VantorModel::Scan() {
  VantorScanData data{};
  data.valid = 1;
  data.tag = static_cast<std::int32_t>(++scans);
  data.zoneCount = zoneCount;
  std::fill(std::begin(data.distances), std::end(data.distances), kNoReading);
  for (int zone = 0; zone < zoneCount; ++zone) {
    const auto distance = SceneDistance(zone);
    if (!distance || !ZoneEnabled(zone)) {
      continue;
    }
    data.distances[zone] = Reading(*distance + noise.Draw(noiseStdDev));
  }
  return data;
}

std::int32_t VantorModel::ClosestReading() const {
  std::int32_t closest = kNoReading;
  for (int zone = 0; zone < zoneCount; ++zone) {
    const auto distance = SceneDistance(zone);
    if (distance && ZoneEnabled(zone)) {
      const std::int32_t reading = Reading(*distance);
      closest = closest == kNoReading ? reading : std::min(closest, reading);
    }
  }
  return closest;
}

VantorConfigData VantorModel::Config() const {
  const std::uint64_t gridZones = zoneCount == driver::kVantorResolution8x8
                                      ? ~std::uint64_t{0}
                                      : (std::uint64_t{1} << 16) - 1;
  bool targetInView = false;
  for (int zone = 0; zone < zoneCount; ++zone) {
    targetInView = targetInView || (ZoneEnabled(zone) && SceneDistance(zone));
  }
  VantorConfigData data{};
  data.setting0 = outputRate;
  data.flag0 = zoneCount == driver::kVantorResolution8x8 ? 1 : 0;
  data.flag1 = (zoneMask & gridZones) != gridZones ? 1 : 0;
  data.flag2 = targetInView ? 1 : 0;
  data.setting1 = rangingFrequency;
  data.zoneMaskPresent = 1;
  data.zoneMask = zoneMask;
  data.firmwareVersionPresent = 1;
  std::copy(firmwareVersion.begin(), firmwareVersion.end(),
            std::begin(data.firmwareVersion));
  data.setting2 = zoneCount;
  data.setting3 = static_cast<std::int32_t>(rangeLimit);
  return data;
}

SimResult VantorModel::SetResolution(std::int32_t resolution) {
  // A resolution is the grid's number of zones.
  if (resolution != driver::kVantorResolution4x4 &&
      resolution != driver::kVantorResolution8x8) {
    return SimResult::kInvalidArgument;
  }
  zoneCount = resolution;
  return SimResult::kOk;
}

SimResult VantorModel::SetOutputRate(std::int32_t rate) {
  return SetWithin(outputRate, rate, 1, 1000);
}

SimResult VantorModel::SetRangingFrequency(std::int32_t frequency) {
  return SetWithin(rangingFrequency, frequency, 1, 60);
}

}  // namespace kelvara::sim::detail
