#include "kelvara/sim/SimVantor.hpp"

#include <algorithm>
#include <cmath>

#include "SimState.hpp"
#include "driver/DriverValues.hpp"

namespace kelvara::sim {

namespace {

using detail::State;
using detail::VantorModel;

constexpr double kLargestRangeLimit = 32767.0;

/// The zone counts of the two grids.
constexpr std::size_t kZones4x4 = driver::kVantorResolution4x4;
constexpr std::size_t kZones8x8 = driver::kVantorResolution8x8;

/// Runs f(model) on the ranger at an address under the state's lock.
template <typename F>
decltype(auto) WithRanger(const SimAddress& address, F&& f) {
  return detail::WithDevice<VantorModel>(
      address,
      [&f](detail::VantorDevice& device, State&) { return f(device.model); });
}

}  // namespace

SimVantor::SimVantor(const SimAddress& address)
    : SimDevice{SimDeviceKind::kVantor, address} {}

void SimVantor::SetTargetRaw(double millimeters, double tiltHorizontal,
                             double tiltVertical) {
  const detail::FlatTarget target{millimeters, tiltHorizontal, tiltVertical};
  WithRanger(GetAddress(),
             [&target](VantorModel& model) { model.scene = target; });
}

bool SimVantor::SetZoneMillimeters(std::span<const double> millimeters) {
  const std::size_t zones = millimeters.size();
  if (zones != kZones4x4 && zones != kZones8x8) {
    return false;
  }
  detail::ZoneGrid grid;
  grid.side = driver::VantorGridSide(static_cast<std::int32_t>(zones));
  grid.cells.fill(-1.0);
  std::transform(
      millimeters.begin(), millimeters.end(), grid.cells.begin(),
      [](double distance) { return std::isnan(distance) ? -1.0 : distance; });
  WithRanger(GetAddress(), [&grid](VantorModel& model) { model.scene = grid; });
  return true;
}

void SimVantor::ClearScene() {
  WithRanger(GetAddress(),
             [](VantorModel& model) { model.scene = detail::EmptyScene{}; });
}

void SimVantor::SetRangeLimitMillimeters(double millimeters) {
  const double clamped = std::isnan(millimeters)
                             ? 0.0
                             : std::clamp(millimeters, 0.0, kLargestRangeLimit);
  WithRanger(GetAddress(),
             [clamped](VantorModel& model) { model.rangeLimit = clamped; });
}

std::int32_t SimVantor::GetZoneCount() const {
  return WithRanger(GetAddress(),
                    [](VantorModel& model) { return model.zoneCount; });
}

std::int32_t SimVantor::GetOutputRate() const {
  return WithRanger(GetAddress(),
                    [](VantorModel& model) { return model.outputRate; });
}

std::int32_t SimVantor::GetRangingFrequency() const {
  return WithRanger(GetAddress(),
                    [](VantorModel& model) { return model.rangingFrequency; });
}

std::uint64_t SimVantor::GetZoneMask() const {
  return WithRanger(GetAddress(),
                    [](VantorModel& model) { return model.zoneMask; });
}

void SimVantor::SetFirmwareVersion(std::int32_t major, std::int32_t minor,
                                   std::int32_t patch) {
  WithRanger(GetAddress(), [major, minor, patch](VantorModel& model) {
    model.firmwareVersion = {major, minor, patch};
  });
}

void SimVantor::SetNoiseMillimeters(double stdDev, std::uint64_t seed) {
  WithRanger(GetAddress(), [stdDev, seed](VantorModel& model) {
    model.noiseStdDev = stdDev;
    model.noise.Seed(seed);
  });
}

}  // namespace kelvara::sim
