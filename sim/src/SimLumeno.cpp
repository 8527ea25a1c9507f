#include "kelvara/sim/SimLumeno.hpp"

#include "SimState.hpp"

namespace kelvara::sim {

namespace {

using detail::LumenoModel;
using detail::State;

/// Runs f(model) on the colour sensor at an address under the state's lock.
template <typename F>
decltype(auto) WithSensor(const SimAddress& address, F&& f) {
  return detail::WithDevice<LumenoModel>(
      address,
      [&f](detail::LumenoDevice& device, State&) { return f(device.model); });
}

}  // namespace

SimLumeno::SimLumeno(const SimAddress& address)
    : SimDevice{SimDeviceKind::kLumeno, address} {}

void SimLumeno::SetSurfaceRgb(double red, double green, double blue) {
  WithSensor(GetAddress(), [red, green, blue](LumenoModel& model) {
    model.surface = detail::XyzFromRgb(red, green, blue);
  });
}

void SimLumeno::SetSurfaceXyz(double x, double y, double z) {
  WithSensor(GetAddress(), [x, y, z](LumenoModel& model) {
    model.surface = {x, y, z};
  });
}

std::int32_t SimLumeno::GetSampleTime() const {
  return WithSensor(GetAddress(),
                    [](LumenoModel& model) { return model.sampleTime; });
}

std::int32_t SimLumeno::GetLedBrightness() const {
  return WithSensor(GetAddress(),
                    [](LumenoModel& model) { return model.ledBrightness; });
}

bool SimLumeno::IsStatusLedOn() const {
  return WithSensor(GetAddress(),
                    [](LumenoModel& model) { return model.statusLedOn; });
}

std::int32_t SimLumeno::GetStatusLedValue() const {
  return WithSensor(GetAddress(),
                    [](LumenoModel& model) { return model.statusLedValue; });
}

LumenoMeasureMode SimLumeno::GetMeasureMode() const {
  return WithSensor(GetAddress(), [](LumenoModel& model) {
    return static_cast<LumenoMeasureMode>(model.measureMode);
  });
}

double SimLumeno::GetFixedDistanceMillimeters() const {
  return WithSensor(GetAddress(),
                    [](LumenoModel& model) { return model.fixedDistance; });
}

void SimLumeno::SetFirmwareVersion(std::uint8_t major, std::uint8_t minor,
                                   std::uint8_t patch) {
  WithSensor(GetAddress(), [major, minor, patch](LumenoModel& model) {
    model.firmwareWord = static_cast<std::uint32_t>(major) << 16 |
                         static_cast<std::uint32_t>(minor) << 8 | patch;
  });
}

void SimLumeno::SetNoise(double relativeStdDev, std::uint64_t seed) {
  WithSensor(GetAddress(), [relativeStdDev, seed](LumenoModel& model) {
    model.noiseStdDev = relativeStdDev;
    model.noise.Seed(seed);
  });
}

}  // namespace kelvara::sim
