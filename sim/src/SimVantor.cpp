// The control functions of the simulated ranger.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "SimControl.hpp"
#include "driver/DriverValues.hpp"

using kelvara::sim::detail::Answer;
using kelvara::sim::detail::State;
using kelvara::sim::detail::VantorModel;

namespace {

constexpr double kLargestRangeLimit = 32767.0;

/// The zone counts of the two grids.
constexpr std::uint64_t kZones4x4 = kelvara::driver::kVantorResolution4x4;
constexpr std::uint64_t kZones8x8 = kelvara::driver::kVantorResolution8x8;

/// Runs f(model) on the ranger at an address; gives the result code.
template <typename F>
std::int32_t OnRanger(const KelvaraSim_Address* address, F f) noexcept {
  return kelvara::sim::detail::OnModel<VantorModel>(
      address, [&f](VantorModel& model, State&) { f(model); });
}

}  // namespace

extern "C" {

int32_t KelvaraSim_Vantor_SetTarget(const KelvaraSim_Address* address,
                                    double millimeters, double tiltHorizontal,
                                    double tiltVertical) {
  const kelvara::sim::detail::FlatTarget target{millimeters, tiltHorizontal,
                                                tiltVertical};
  return OnRanger(address,
                  [&target](VantorModel& model) { model.scene = target; });
}

int32_t KelvaraSim_Vantor_SetZoneDistances(const KelvaraSim_Address* address,
                                           const double* millimeters,
                                           uint64_t count, bool* accepted) {
  if (count != kZones4x4 && count != kZones8x8) {
    return kelvara::sim::detail::Guard([accepted] { Answer(accepted, false); });
  }
  if (millimeters == nullptr) {
    return KelvaraSim_kInvalidArgument;
  }
  kelvara::sim::detail::ZoneGrid grid;
  grid.side = kelvara::driver::VantorGridSide(static_cast<std::int32_t>(count));
  grid.cells.fill(-1.0);
  std::transform(
      millimeters, millimeters + count, grid.cells.begin(),
      [](double distance) { return std::isnan(distance) ? -1.0 : distance; });
  return OnRanger(address, [&grid, accepted](VantorModel& model) {
    Answer(accepted, true);
    model.scene = grid;
  });
}

int32_t KelvaraSim_Vantor_ClearScene(const KelvaraSim_Address* address) {
  return OnRanger(address, [](VantorModel& model) {
    model.scene = kelvara::sim::detail::EmptyScene{};
  });
}

int32_t KelvaraSim_Vantor_SetRangeLimit(const KelvaraSim_Address* address,
                                        double millimeters) {
  const double clamped = std::isnan(millimeters)
                             ? 0.0
                             : std::clamp(millimeters, 0.0, kLargestRangeLimit);
  return OnRanger(
      address, [clamped](VantorModel& model) { model.rangeLimit = clamped; });
}

int32_t KelvaraSim_Vantor_GetZoneCount(const KelvaraSim_Address* address,
                                       int32_t* count) {
  return OnRanger(
      address, [count](VantorModel& model) { Answer(count, model.zoneCount); });
}

int32_t KelvaraSim_Vantor_GetOutputRate(const KelvaraSim_Address* address,
                                        int32_t* rate) {
  return OnRanger(
      address, [rate](VantorModel& model) { Answer(rate, model.outputRate); });
}

int32_t KelvaraSim_Vantor_GetRangingFrequency(const KelvaraSim_Address* address,
                                              int32_t* frequency) {
  return OnRanger(address, [frequency](VantorModel& model) {
    Answer(frequency, model.rangingFrequency);
  });
}

int32_t KelvaraSim_Vantor_GetZoneMask(const KelvaraSim_Address* address,
                                      uint64_t* mask) {
  return OnRanger(address,
                  [mask](VantorModel& model) { Answer(mask, model.zoneMask); });
}

int32_t KelvaraSim_Vantor_SetFirmwareVersion(const KelvaraSim_Address* address,
                                             int32_t major, int32_t minor,
                                             int32_t patch) {
  return OnRanger(address, [=](VantorModel& model) {
    model.firmwareVersion = {major, minor, patch};
  });
}

int32_t KelvaraSim_Vantor_SetNoise(const KelvaraSim_Address* address,
                                   double millimeters, uint64_t seed) {
  return OnRanger(address, [=](VantorModel& model) {
    model.noiseStdDev = millimeters;
    model.noise.Seed(seed);
  });
}

}  // extern "C"
