// The simulated ranger: the scene in front of it, its settings, and the scans
// and configuration it gives.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <variant>

#include "Noise.hpp"
#include "driver/DriverRecords.hpp"
#include "driver/DriverValues.hpp"
#include "kelvara/sim/SimResult.hpp"

namespace kelvara::sim::detail {

/// A flat target crossing the sensor's axis at a distance (millimetres),
/// tilted about the vertical and the horizontal axis (radians).
struct FlatTarget {
  double distance = 0.0;
  double tiltHorizontal = 0.0;
  double tiltVertical = 0.0;
};

/// An explicit grid of distances (millimetres; negative or NaN: nothing in
/// view), side by side cells, row-major.
struct ZoneGrid {
  int side = 4;
  std::array<double, 64> cells{};
};

/// Nothing in view.
struct EmptyScene {};

using Scene = std::variant<EmptyScene, FlatTarget, ZoneGrid>;

struct VantorModel {
  /// One scan; counts it and draws noise.
  VantorScanData Scan();
  VantorConfigData Config() const;

  SimResult SetResolution(std::int32_t resolution);
  SimResult SetOutputRate(std::int32_t rate);
  SimResult SetRangingFrequency(std::int32_t frequency);

  /// The side of the grid in use, 4 or 8.
  int GridSide() const { return driver::VantorGridSide(zoneCount); }
  /// The distance that a zone of the grid in use sees, mask and noise aside;
  /// empty when nothing is in view there within the range limit.
  std::optional<double> SceneDistance(int zone) const;
  /// Whether the zone mask lets a zone of the grid in use report.
  bool ZoneEnabled(int zone) const;
  /// The smallest reading of a scan now, in millimetres, noise aside; -1
  /// when no zone has a reading.
  std::int32_t ClosestReading() const;

  Scene scene = FlatTarget{2000.0, 0.0, 0.0};
  double rangeLimit = 4000.0;
  std::int32_t zoneCount = 16;
  std::int32_t outputRate = 15;
  std::int32_t rangingFrequency = 15;
  std::uint64_t zoneMask = ~std::uint64_t{0};
  std::array<std::int32_t, 3> firmwareVersion{2, 0, 5};
  std::uint32_t scans = 0;
  double noiseStdDev = 0.0;
  NoiseSource noise;
};

}  // namespace kelvara::sim::detail
