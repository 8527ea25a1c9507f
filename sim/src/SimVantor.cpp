#include "kelvara/sim/SimVantor.hpp"

#include <algorithm>
#include <cmath>

#include "SimState.hpp"

namespace kelvara::sim {

namespace {

using detail::State;
using detail::VantorModel;

constexpr double kLargestRangeLimit = 32767.0;

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

void SimVantor::SetTarget(wpi::units::millimeter_t distance,
                          wpi::units::degree_t tiltHorizontal,
                          wpi::units::degree_t tiltVertical) {
  const detail::FlatTarget target{distance.value(),
                                  wpi::units::radian_t{tiltHorizontal}.value(),
                                  wpi::units::radian_t{tiltVertical}.value()};
  WithRanger(GetAddress(),
             [&target](VantorModel& model) { model.scene = target; });
}

bool SimVantor::SetZoneDistances(
    std::span<const wpi::units::millimeter_t> distances) {
  if (distances.size() != 16 && distances.size() != 64) {
    return false;
  }
  detail::ZoneGrid grid;
  grid.side = distances.size() == 16 ? 4 : 8;
  grid.cells.fill(-1.0);
  std::transform(distances.begin(), distances.end(), grid.cells.begin(),
                 [](wpi::units::millimeter_t distance) {
                   return std::isnan(distance.value()) ? -1.0
                                                       : distance.value();
                 });
  WithRanger(GetAddress(), [&grid](VantorModel& model) { model.scene = grid; });
  return true;
}

void SimVantor::ClearScene() {
  WithRanger(GetAddress(),
             [](VantorModel& model) { model.scene = detail::EmptyScene{}; });
}

void SimVantor::SetRangeLimit(wpi::units::millimeter_t limit) {
  const double clamped =
      std::isnan(limit.value())
          ? 0.0
          : std::clamp(limit.value(), 0.0, kLargestRangeLimit);
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

void SimVantor::SetNoise(wpi::units::millimeter_t stdDev, std::uint64_t seed) {
  WithRanger(GetAddress(), [stdDev, seed](VantorModel& model) {
    model.noiseStdDev = stdDev.value();
    model.noise.Seed(seed);
  });
}

}  // namespace kelvara::sim
