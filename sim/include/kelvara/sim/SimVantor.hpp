#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include <wpi/units/angle.hpp>
#include <wpi/units/length.hpp>

#include "kelvara/sim/KelvaraSim.h"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimDevice.hpp"

namespace kelvara::sim {

/**
 * Controls the simulated Vantor ranger at one address.
 *
 * The ranger looks at a scene through a square field of view of 45 degrees,
 * split into 4 by 4 or 8 by 8 zones (row-major, zone index = row * side +
 * column). Each zone reports the distance along its centre ray to the scene
 * in whole millimetres, or no reading (-1) when the distance lies beyond the
 * range limit, nothing is in view, or the zone's bit (bit n for zone n) is
 * clear in the zone mask. Each scan's tag counts the scans the device has
 * taken, from 1.
 *
 * The scene is either a flat target (SetTarget) or an explicit grid
 * (SetZoneDistances). A grid of the other resolution is resampled: an 8 by 8
 * grid seen at 4 by 4 gives each zone the mean of its four cells that hold
 * a distance; a 4 by 4 grid seen at 8 by 8 gives each cell its zone's value.
 *
 * Configuration (Vantor::GetConfig): setting0 = output rate, flag0 = 8 by 8
 * grid in use, flag1 = the zone mask clears a zone of the grid in use, flag2
 * = some enabled zone sees a target within range, setting1 = ranging
 * frequency, the zone mask (always present), the firmware version (always
 * present), setting2 = zone count, setting3 = range limit in millimetres.
 *
 * The device refuses (SimResult::kInvalidArgument) a resolution that is
 * neither grid, an output rate outside 1 to 1000 and a ranging frequency
 * outside 1 to 60.
 *
 * Defaults: 4 by 4, a flat target 2000 mm straight ahead, range limit
 * 4000 mm, output rate 15, ranging frequency 15, every zone enabled,
 * firmware 2.0.5, no noise.
 */
class SimVantor : public SimDevice {
 public:
  /// Controls the ranger at address.
  explicit SimVantor(const SimAddress& address)
      : SimDevice{SimDeviceKind::kVantor, address} {}

  /**
   * Puts a flat target in view, crossing the sensor's axis at distance. A
   * positive horizontal tilt turns the target so that its side towards the
   * higher columns is farther away; a positive vertical tilt likewise
   * towards the higher rows. Tilts lie strictly between -90 and 90 degrees.
   * A distance of 0 or less leaves nothing in view.
   */
  void SetTarget(wpi::units::millimeter_t distance,
                 wpi::units::degree_t tiltHorizontal = wpi::units::degree_t{0},
                 wpi::units::degree_t tiltVertical = wpi::units::degree_t{0}) {
    const wpi::units::radian_t horizontal = tiltHorizontal;
    const wpi::units::radian_t vertical = tiltVertical;
    detail::CallAt(GetAddress(), KelvaraSim_Vantor_SetTarget, distance.value(),
                   horizontal.value(), vertical.value());
  }

  /**
   * Sets the scene as an explicit grid of 16 (4 by 4) or 64 (8 by 8)
   * distances, row-major; a negative or NaN entry is a cell with nothing in
   * view.
   *
   * @return false, with the scene unchanged, for any other number of entries
   */
  bool SetZoneDistances(std::span<const wpi::units::millimeter_t> distances) {
    std::array<double, 64> millimeters{};
    if (distances.size() > millimeters.size()) {
      return false;
    }
    std::transform(distances.begin(), distances.end(), millimeters.begin(),
                   [](wpi::units::millimeter_t d) { return d.value(); });
    return detail::GetAt<bool>(GetAddress(), KelvaraSim_Vantor_SetZoneDistances,
                               millimeters.data(),
                               static_cast<std::uint64_t>(distances.size()));
  }

  /// Leaves nothing in view: every zone reports no reading.
  void ClearScene() {
    detail::CallAt(GetAddress(), KelvaraSim_Vantor_ClearScene);
  }

  /// Sets the farthest distance that gives a reading, 0 to 32767 mm (values
  /// beyond are clamped).
  void SetRangeLimit(wpi::units::millimeter_t limit) {
    detail::CallAt(GetAddress(), KelvaraSim_Vantor_SetRangeLimit,
                   limit.value());
  }

  /// The number of zones of the grid in use, 16 or 64.
  std::int32_t GetZoneCount() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Vantor_GetZoneCount);
  }

  /// The output rate last set by robot code.
  std::int32_t GetOutputRate() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Vantor_GetOutputRate);
  }

  /// The ranging frequency last set by robot code.
  std::int32_t GetRangingFrequency() const {
    return detail::GetAt<std::int32_t>(GetAddress(),
                                       KelvaraSim_Vantor_GetRangingFrequency);
  }

  /// The zone mask last set by robot code.
  std::uint64_t GetZoneMask() const {
    return detail::GetAt<std::uint64_t>(GetAddress(),
                                        KelvaraSim_Vantor_GetZoneMask);
  }

  /// Sets the firmware version that the configuration reports.
  void SetFirmwareVersion(std::int32_t major, std::int32_t minor,
                          std::int32_t patch) {
    detail::CallAt(GetAddress(), KelvaraSim_Vantor_SetFirmwareVersion, major,
                   minor, patch);
  }

  /// Adds seeded Gaussian noise with this standard deviation to every zone's
  /// reading (0 adds none); a reading never goes below 0. The same seed and
  /// calls give the same scans.
  void SetNoise(wpi::units::millimeter_t stdDev, std::uint64_t seed) {
    detail::CallAt(GetAddress(), KelvaraSim_Vantor_SetNoise, stdDev.value(),
                   seed);
  }
};

}  // namespace kelvara::sim
