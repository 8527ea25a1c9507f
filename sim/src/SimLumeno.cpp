// The control functions of the simulated colour sensor.
#include "SimControl.hpp"

using kelvara::sim::detail::Answer;
using kelvara::sim::detail::LumenoModel;
using kelvara::sim::detail::State;

namespace {

/// Runs f(model) on the colour sensor at an address; gives the result code.
template <typename F>
std::int32_t OnSensor(const KelvaraSim_Address* address, F f) noexcept {
  return kelvara::sim::detail::OnModel<LumenoModel>(
      address, [&f](LumenoModel& model, State&) { f(model); });
}

}  // namespace

extern "C" {

int32_t KelvaraSim_Lumeno_SetSurfaceRgb(const KelvaraSim_Address* address,
                                        double red, double green, double blue) {
  return OnSensor(address, [=](LumenoModel& model) {
    model.surface = kelvara::sim::detail::XyzFromRgb(red, green, blue);
  });
}

int32_t KelvaraSim_Lumeno_SetSurfaceXyz(const KelvaraSim_Address* address,
                                        double x, double y, double z) {
  return OnSensor(address, [=](LumenoModel& model) {
    model.surface = {x, y, z};
  });
}

int32_t KelvaraSim_Lumeno_GetSampleTime(const KelvaraSim_Address* address,
                                        int32_t* milliseconds) {
  return OnSensor(address, [milliseconds](LumenoModel& model) {
    Answer(milliseconds, model.sampleTime);
  });
}

int32_t KelvaraSim_Lumeno_GetLedBrightness(const KelvaraSim_Address* address,
                                           int32_t* brightness) {
  return OnSensor(address, [brightness](LumenoModel& model) {
    Answer(brightness, model.ledBrightness);
  });
}

int32_t KelvaraSim_Lumeno_IsStatusLedOn(const KelvaraSim_Address* address,
                                        bool* on) {
  return OnSensor(address,
                  [on](LumenoModel& model) { Answer(on, model.statusLedOn); });
}

int32_t KelvaraSim_Lumeno_GetStatusLedValue(const KelvaraSim_Address* address,
                                            int32_t* value) {
  return OnSensor(address, [value](LumenoModel& model) {
    Answer(value, model.statusLedValue);
  });
}

int32_t KelvaraSim_Lumeno_GetMeasureMode(const KelvaraSim_Address* address,
                                         int32_t* mode) {
  return OnSensor(
      address, [mode](LumenoModel& model) { Answer(mode, model.measureMode); });
}

int32_t KelvaraSim_Lumeno_GetFixedDistance(const KelvaraSim_Address* address,
                                           double* millimeters) {
  return OnSensor(address, [millimeters](LumenoModel& model) {
    Answer(millimeters, model.fixedDistance);
  });
}

int32_t KelvaraSim_Lumeno_SetFirmwareVersion(const KelvaraSim_Address* address,
                                             uint8_t major, uint8_t minor,
                                             uint8_t patch) {
  return OnSensor(address, [=](LumenoModel& model) {
    model.firmwareWord = static_cast<std::uint32_t>(major) << 16 |
                         static_cast<std::uint32_t>(minor) << 8 | patch;
  });
}

int32_t KelvaraSim_Lumeno_SetNoise(const KelvaraSim_Address* address,
                                   double relativeStdDev, uint64_t seed) {
  return OnSensor(address, [=](LumenoModel& model) {
    model.noiseStdDev = relativeStdDev;
    model.noise.Seed(seed);
  });
}

}  // extern "C"
