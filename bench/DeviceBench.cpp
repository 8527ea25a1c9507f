// The cost of every operation of the library beside a baseline that calls the
// same driver function of a minimal driver (MinimalDriver.cpp) and builds the
// same result, of the same type, from the record by hand in an ordinary
// function. The ratio of the two is the library's
// overhead; after the runs a table of the ratios is printed.
//
//   ./build/bench/kelvara-bench [--benchmark_filter=REGEX]

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <expected>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/CanBus.hpp"
#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"

namespace {

using benchmark::DoNotOptimize;
using kelvara::Status;
namespace units = wpi::units;

constexpr std::int32_t kImuHandle = 1;
constexpr std::int32_t kColorHandle = 2;
constexpr std::int32_t kRangerHandle = 3;
constexpr double kThreshold = 0.05;
constexpr std::array kPaletteSizes{1, 8, 64, 1024};

/// Calls f behind a real call boundary, as a call into the library is.
template <typename F>
[[gnu::noinline]] auto OutOfLine(F& f) {
  return f();
}

/// Registers NAME/library and NAME/baseline. Both produce the same result
/// type; the baseline builds it by hand in an ordinary function of its own.
template <typename Library, typename Baseline>
void Pair(const std::string& name, Library library, Baseline baseline) {
  benchmark::RegisterBenchmark((name + "/library").c_str(),
                               [library](benchmark::State& state) mutable {
                                 for (auto _ : state) {
                                   DoNotOptimize(library());
                                 }
                               });
  benchmark::RegisterBenchmark((name + "/baseline").c_str(),
                               [baseline](benchmark::State& state) mutable {
                                 for (auto _ : state) {
                                   DoNotOptimize(OutOfLine(baseline));
                                 }
                               });
}

Status ToStatus(std::int32_t code) {
  return static_cast<Status>(code);
}

/// A query's answer by hand: the code as the error, else the built value.
template <typename Build>
auto Expected(std::int32_t code, Build build)
    -> std::expected<decltype(build()), Status> {
  if (code != 0) {
    return std::unexpected{ToStatus(code)};
  }
  return build();
}

/// A value of the IMU record by hand: read from a record only where the
/// record marks it valid.
template <typename Read>
auto Group(std::uint32_t mask, Read read) {
  return
      [mask, read](const KinetraData& d)
          -> std::optional<decltype(read(std::declval<const KinetraData&>()))> {
        if ((d.validMask & mask) == 0) {
          return std::nullopt;
        }
        return read(d);
      };
}

/// A value of the IMU record by hand, from a record fetched for it alone;
/// empty when the fetch fails.
template <typename Value>
auto Fetched(Value value) {
  return [value] {
    KinetraData d;
    d.validMask = 0;
    const bool fetched = KELVARA_Kinetra_GetData(kImuHandle, &d) == 0;
    return fetched ? value(d) : decltype(value(d)){};
  };
}

wpi::math::Quaternion ToQuaternion(const double (&q)[4]) {
  return wpi::math::Quaternion{q[0], q[1], q[2], q[3]};
}

void RegisterKinetra(kelvara::Kinetra& imu) {
  using units::degree_t;
  Pair(
      "Kinetra/IsConnected", [&] { return imu.IsConnected(); },
      [] { return KELVARA_Kinetra_IsConnected(kImuHandle) != 0; });
  // Each value by hand: the validity bits it needs and its conversion.
  const auto yaw = Group(0x001, [](auto& d) { return degree_t{d.yaw}; });
  const auto pitch = Group(0x002, [](auto& d) { return degree_t{d.pitch}; });
  const auto roll = Group(0x002, [](auto& d) { return degree_t{d.roll}; });
  const auto angle = Group(0x004, [](auto& d) { return degree_t{d.angle}; });
  const auto rotation2d = Group(
      0x001, [](auto& d) { return wpi::math::Rotation2d{degree_t{d.yaw}}; });
  const auto rotation3d = Group(0x008, [](auto& d) {
    return wpi::math::Rotation3d{ToQuaternion(d.quaternion6d)};
  });
  const auto quaternion6d =
      Group(0x008, [](auto& d) { return ToQuaternion(d.quaternion6d); });
  const auto quaternion9d =
      Group(0x010, [](auto& d) { return ToQuaternion(d.quaternion9d); });
  const auto angularVelocity = Group(0x020, [](auto& d) {
    const double* v = d.angularVelocity;
    return kelvara::AngularVelocity3d{units::radians_per_second_t{v[0]},
                                      units::radians_per_second_t{v[1]},
                                      units::radians_per_second_t{v[2]}};
  });
  const auto linearAcceleration = Group(0x040, [](auto& d) {
    const double* v = d.linearAcceleration;
    using A = units::meters_per_second_squared_t;
    return kelvara::Acceleration3d{A{v[0]}, A{v[1]}, A{v[2]}};
  });
  const auto magneticField = Group(0x080, [](auto& d) {
    const double* v = d.magneticField;
    using T = units::microtesla_t;
    return kelvara::MagneticField{T{v[0]}, T{v[1]}, T{v[2]}, T{v[3]}};
  });
  const auto algorithmState = Group(0x100, [](auto& d) {
    return kelvara::AlgorithmState{
        d.algorithmVector[0],  d.algorithmVector[1],  d.algorithmVector[2],
        d.algorithmFlag0 != 0, d.algorithmFlag1 != 0, d.algorithmValue0,
        d.algorithmValue1,     d.algorithmValue2,     d.algorithmValue3};
  });
  const auto temperature =
      Group(0x200, [](auto& d) { return units::celsius_t{d.temperature}; });
  const auto timestamp = Group(0x3FF, [](auto& d) {
    return units::second_t{
        units::nanosecond_t{static_cast<double>(d.timestampNs)}};
  });
  const auto timeSynced =
      Group(0x3FF, [](auto& d) { return d.timeSynced != 0; });

  Pair(
      "Kinetra/GetYaw", [&] { return imu.GetYaw(); }, Fetched(yaw));
  Pair(
      "Kinetra/GetPitch", [&] { return imu.GetPitch(); }, Fetched(pitch));
  Pair(
      "Kinetra/GetRoll", [&] { return imu.GetRoll(); }, Fetched(roll));
  Pair(
      "Kinetra/GetAngle", [&] { return imu.GetAngle(); }, Fetched(angle));
  Pair(
      "Kinetra/GetRotation2d", [&] { return imu.GetRotation2d(); },
      Fetched(rotation2d));
  Pair(
      "Kinetra/GetRotation3d", [&] { return imu.GetRotation3d(); },
      Fetched(rotation3d));
  Pair(
      "Kinetra/GetQuaternion6d", [&] { return imu.GetQuaternion6d(); },
      Fetched(quaternion6d));
  Pair(
      "Kinetra/GetQuaternion9d", [&] { return imu.GetQuaternion9d(); },
      Fetched(quaternion9d));
  Pair(
      "Kinetra/GetAngularVelocity", [&] { return imu.GetAngularVelocity(); },
      Fetched(angularVelocity));
  Pair(
      "Kinetra/GetLinearAcceleration",
      [&] { return imu.GetLinearAcceleration(); }, Fetched(linearAcceleration));
  Pair(
      "Kinetra/GetMagneticField", [&] { return imu.GetMagneticField(); },
      Fetched(magneticField));
  Pair(
      "Kinetra/GetAlgorithmState", [&] { return imu.GetAlgorithmState(); },
      Fetched(algorithmState));
  Pair(
      "Kinetra/GetTemperature", [&] { return imu.GetTemperature(); },
      Fetched(temperature));
  Pair(
      "Kinetra/GetTimestamp", [&] { return imu.GetTimestamp(); },
      Fetched(timestamp));
  Pair(
      "Kinetra/IsTimeSynced", [&] { return imu.IsTimeSynced(); },
      [=] { return Fetched(timeSynced)().value_or(false); });

  // The whole sample from one record, and the same values from fifteen
  // getters in a row (fifteen records), each beside its version by hand.
  const auto sample = [=](auto value) {
    return kelvara::KinetraSample{value(yaw),
                                  value(pitch),
                                  value(roll),
                                  value(angle),
                                  value(rotation2d),
                                  value(rotation3d),
                                  value(quaternion6d),
                                  value(quaternion9d),
                                  value(angularVelocity),
                                  value(linearAcceleration),
                                  value(magneticField),
                                  value(algorithmState),
                                  value(temperature),
                                  value(timestamp),
                                  value(timeSynced).value_or(false)};
  };
  Pair(
      "Kinetra/GetSample", [&] { return imu.GetSample(); },
      [=]() -> std::expected<kelvara::KinetraSample, Status> {
        KinetraData d;
        d.validMask = 0;
        const std::int32_t code = KELVARA_Kinetra_GetData(kImuHandle, &d);
        if (code != 0) {
          return std::unexpected{ToStatus(code)};
        }
        return sample([&d](const auto& group) { return group(d); });
      });
  Pair(
      "Kinetra/GetSample(fifteen getters)",
      [&] {
        return kelvara::KinetraSample{imu.GetYaw(),
                                      imu.GetPitch(),
                                      imu.GetRoll(),
                                      imu.GetAngle(),
                                      imu.GetRotation2d(),
                                      imu.GetRotation3d(),
                                      imu.GetQuaternion6d(),
                                      imu.GetQuaternion9d(),
                                      imu.GetAngularVelocity(),
                                      imu.GetLinearAcceleration(),
                                      imu.GetMagneticField(),
                                      imu.GetAlgorithmState(),
                                      imu.GetTemperature(),
                                      imu.GetTimestamp(),
                                      imu.IsTimeSynced()};
      },
      [=] {
        return sample([](const auto& group) { return Fetched(group)(); });
      });
  Pair(
      "Kinetra/ResetYaw", [&] { return imu.ResetYaw(); },
      [] { return ToStatus(KELVARA_Kinetra_ResetYaw(kImuHandle)); });
  Pair(
      "Kinetra/SetOutputRate", [&] { return imu.SetOutputRate(100); },
      [] { return ToStatus(KELVARA_Kinetra_SetOutputRate(kImuHandle, 100)); });
  Pair(
      "Kinetra/EnableMessages",
      [&] { return imu.EnableMessages(kelvara::KinetraMessage::kQuaternion); },
      [] { return ToStatus(KELVARA_Kinetra_EnableMessages(kImuHandle, 1)); });
  Pair(
      "Kinetra/Use9AxisYaw", [&] { return imu.Use9AxisYaw(true); },
      [] { return ToStatus(KELVARA_Kinetra_SetYawAxes(kImuHandle, 9)); });
  Pair(
      "Kinetra/GetFirmwareVersion", [&] { return imu.GetFirmwareVersion(); },
      [] {
        std::int32_t v[3] = {};
        const std::int32_t code =
            KELVARA_Kinetra_GetFirmwareVersion(kImuHandle, v);
        return Expected(code, [&] {
          return kelvara::FirmwareVersion{v[0], v[1], v[2]};
        });
      });
  Pair(
      "Kinetra/GetSensorUuid", [&] { return imu.GetSensorUuid(); },
      [] {
        std::array<unsigned int, 3> v{};
        const std::int32_t code =
            KELVARA_Kinetra_GetSensorUuid(kImuHandle, v.data());
        return Expected(code, [&] { return v; });
      });
  Pair(
      "Kinetra/SelfTest", [&] { return imu.SelfTest(); },
      [] {
        std::int32_t v[8] = {};
        const std::int32_t code = KELVARA_Kinetra_SelfTest(kImuHandle, v);
        return Expected(code, [&] {
          return kelvara::SelfTestResult{v[0], v[1], v[2], v[3],
                                         v[4], v[5], v[6], v[7]};
        });
      });
}

/// The colour sample by hand, when the call succeeded and the record holds
/// one.
std::optional<kelvara::LumenoReading> ColorByHand() {
  LumenoColorData d;
  d.valid = 0;
  if (KELVARA_Lumeno_GetColor(kColorHandle, &d) != 0 || d.valid == 0) {
    return std::nullopt;
  }
  return kelvara::LumenoReading{d.X, d.Y, d.Z, d.tag};
}

/// A palette of n entries spread over the chromaticity plane, named c0, c1...
std::vector<std::pair<std::string, kelvara::Chromaticity>> MakePalette(int n) {
  std::vector<std::pair<std::string, kelvara::Chromaticity>> palette;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / n;
    std::string name = "c";
    name += std::to_string(i);
    palette.emplace_back(std::move(name),
                         kelvara::Chromaticity{0.15 + 0.5 * t, 0.5 - 0.3 * t});
  }
  return palette;
}

void RegisterLumeno(kelvara::Lumeno& sensor,
                    std::vector<kelvara::Lumeno>& matchers) {
  Pair(
      "Lumeno/IsConnected", [&] { return sensor.IsConnected(); },
      [] { return KELVARA_Lumeno_IsConnected(kColorHandle) != 0; });
  Pair(
      "Lumeno/GetColor", [&] { return sensor.GetColor(); }, ColorByHand);
  static volatile double sampleMs = 50.0;
  Pair(
      "Lumeno/SetSampleTime",
      [&] { return sensor.SetSampleTime(units::millisecond_t{sampleMs}); },
      [] {
        return ToStatus(KELVARA_Lumeno_SetSampleTime(
            kColorHandle, static_cast<std::int32_t>(std::lround(sampleMs))));
      });
  Pair(
      "Lumeno/SetLedBrightness", [&] { return sensor.SetLedBrightness(80); },
      [] {
        return ToStatus(KELVARA_Lumeno_SetLedBrightness(kColorHandle, 80));
      });
  Pair(
      "Lumeno/SetStatusLed", [&] { return sensor.SetStatusLed(true, 3); },
      [] { return ToStatus(KELVARA_Lumeno_SetStatusLed(kColorHandle, 1, 3)); });
  Pair(
      "Lumeno/SetMeasureMode",
      [&] {
        return sensor.SetMeasureMode(
            kelvara::LumenoMeasureMode::kFixedDistance);
      },
      [] {
        return ToStatus(KELVARA_Lumeno_SetMeasureMode(kColorHandle, 2, 0.0));
      });
  Pair(
      "Lumeno/SetFixedDistance",
      [&] { return sensor.SetFixedDistance(units::millimeter_t{25.0}); },
      [] {
        return ToStatus(KELVARA_Lumeno_SetMeasureMode(kColorHandle, 2, 25.0));
      });
  Pair(
      "Lumeno/GetConfigValue",
      [&] {
        return sensor.GetConfigValue(kelvara::LumenoConfigItem::kLedBrightness);
      },
      [] {
        std::uint32_t value = 0;
        const std::int32_t code =
            KELVARA_Lumeno_GetConfigValue(kColorHandle, 1, &value);
        return Expected(code, [&] { return value; });
      });
  Pair(
      "Lumeno/GetFirmwareVersion", [&] { return sensor.GetFirmwareVersion(); },
      [] {
        std::uint32_t v = 0;
        const std::int32_t code =
            KELVARA_Lumeno_GetConfigValue(kColorHandle, 8, &v);
        return Expected(code, [&] {
          return kelvara::FirmwareVersion{
              static_cast<std::int32_t>(v >> 16 & 0xFF),
              static_cast<std::int32_t>(v >> 8 & 0xFF),
              static_cast<std::int32_t>(v & 0xFF)};
        });
      });

  // GetMatch is a linear walk: its cost grows with the palette.
  static std::vector<std::vector<std::pair<std::string, kelvara::Chromaticity>>>
      palettes;
  palettes.reserve(kPaletteSizes.size());
  for (std::size_t i = 0; i < kPaletteSizes.size(); ++i) {
    kelvara::Lumeno& matcher = matchers[i];
    const auto& palette = palettes.emplace_back(MakePalette(kPaletteSizes[i]));
    for (const auto& [name, chromaticity] : palette) {
      matcher.AddColor(name, chromaticity);
    }
    Pair(
        "Lumeno/GetMatch/" + std::to_string(palette.size()),
        [&matcher] { return matcher.GetMatch(); },
        [&palette]() -> std::optional<kelvara::LumenoMatch> {
          const auto reading = ColorByHand();
          if (!reading) {
            return std::nullopt;
          }
          const double sum = (reading->X + reading->Y) + reading->Z;
          if (!(sum > 1e-6)) {
            return std::nullopt;
          }
          const double x = reading->X / sum;
          const double y = reading->Y / sum;
          std::size_t best = palette.size();
          double bestDistance = 0.0;
          for (std::size_t e = 0; e < palette.size(); ++e) {
            const double d =
                std::hypot(x - palette[e].second.x, y - palette[e].second.y);
            if (d <= kThreshold &&
                (best == palette.size() || d < bestDistance)) {
              best = e;
              bestDistance = d;
            }
          }
          if (best == palette.size()) {
            return std::nullopt;
          }
          return kelvara::LumenoMatch{palette[best].first,
                                      1.0 - bestDistance / kThreshold,
                                      bestDistance};
        });
  }
}

/// The scan by hand, when the call succeeded and the record holds one.
std::optional<kelvara::VantorScan> ScanByHand() {
  VantorScanData d;
  d.valid = 0;
  if (KELVARA_Vantor_GetScan(kRangerHandle, &d) != 0 || d.valid == 0) {
    return std::nullopt;
  }
  kelvara::VantorScan::Distances distances;
  std::copy(std::begin(d.distances), std::end(d.distances), distances.begin());
  return kelvara::VantorScan{d.tag, d.zoneCount, distances};
}

/// The smallest non-negative entry among the first n, by hand.
std::optional<units::millimeter_t> ClosestByHand(
    const kelvara::VantorScan::Distances& zones, int n) {
  int closest = -1;
  for (int i = 0; i < n; ++i) {
    const int zone = zones[static_cast<std::size_t>(i)];
    if (zone >= 0 && (closest < 0 || zone < closest)) {
      closest = zone;
    }
  }
  if (closest < 0) {
    return std::nullopt;
  }
  return units::millimeter_t{static_cast<double>(closest)};
}

/// One zone's reading by hand.
std::optional<units::millimeter_t> ZoneByHand(
    const kelvara::VantorScan::Distances& zones, int zone) {
  const int entry = zones[static_cast<std::size_t>(zone)];
  if (entry < 0) {
    return std::nullopt;
  }
  return units::millimeter_t{static_cast<double>(entry)};
}

void RegisterVantor(kelvara::Vantor& ranger) {
  Pair(
      "Vantor/IsConnected", [&] { return ranger.IsConnected(); },
      [] { return KELVARA_Vantor_IsConnected(kRangerHandle) != 0; });
  Pair(
      "Vantor/GetScan", [&] { return ranger.GetScan(); }, ScanByHand);
  Pair(
      "Vantor/GetClosestDistance", [&] { return ranger.GetClosestDistance(); },
      []() -> std::optional<units::millimeter_t> {
        const auto scan = ScanByHand();
        return scan ? ClosestByHand(scan->GetDistances(), 64) : std::nullopt;
      });
  Pair(
      "Vantor/SetOutputRate", [&] { return ranger.SetOutputRate(15); },
      [] { return ToStatus(KELVARA_Vantor_SetOutputRate(kRangerHandle, 15)); });
  Pair(
      "Vantor/SetResolution",
      [&] { return ranger.SetResolution(kelvara::VantorResolution::k8x8); },
      [] { return ToStatus(KELVARA_Vantor_SetResolution(kRangerHandle, 64)); });
  Pair(
      "Vantor/SetRangingFrequency",
      [&] { return ranger.SetRangingFrequency(30); },
      [] {
        return ToStatus(KELVARA_Vantor_SetRangingFrequency(kRangerHandle, 30));
      });
  Pair(
      "Vantor/SetZoneMask", [&] { return ranger.SetZoneMask(~0ull); },
      [] {
        return ToStatus(KELVARA_Vantor_SetZoneMask(kRangerHandle, ~0ull));
      });
  Pair(
      "Vantor/GetConfig", [&] { return ranger.GetConfig(); },
      [] {
        VantorConfigData d{};
        const std::int32_t code = KELVARA_Vantor_GetConfig(kRangerHandle, &d);
        return Expected(code, [&] {
          kelvara::VantorConfig config;
          config.setting0 = d.setting0;
          config.flag0 = d.flag0 != 0;
          config.flag1 = d.flag1 != 0;
          config.flag2 = d.flag2 != 0;
          config.setting1 = d.setting1;
          if (d.zoneMaskPresent != 0) {
            config.zoneMask = d.zoneMask;
          }
          if (d.firmwareVersionPresent != 0) {
            config.firmwareVersion = kelvara::FirmwareVersion{
                d.firmwareVersion[0], d.firmwareVersion[1],
                d.firmwareVersion[2]};
          }
          if (d.setting2 > 0) {
            config.setting2 = d.setting2;
          }
          if (d.setting3 > 0) {
            config.setting3 = d.setting3;
          }
          return config;
        });
      });

  // The scan's own queries, on one frame, at indexes the compiler cannot see.
  static const kelvara::VantorScan scan = ranger.GetScan().value();
  static volatile std::int32_t zone = 37;
  static volatile std::int32_t row = 4;
  static volatile std::int32_t column = 5;
  Pair(
      "VantorScan/GetDistance(zone)", [] { return scan.GetDistance(zone); },
      [] {
        const std::int32_t z = zone;
        return z >= 0 && z < 64 ? ZoneByHand(scan.GetDistances(), z)
                                : std::nullopt;
      });
  Pair(
      "VantorScan/GetDistance(row,column)",
      [] { return scan.GetDistance(row, column); },
      [] {
        const std::int32_t r = row;
        const std::int32_t c = column;
        return r >= 0 && r < 8 && c >= 0 && c < 8
                   ? ZoneByHand(scan.GetDistances(), r * 8 + c)
                   : std::nullopt;
      });
  Pair(
      "VantorScan/GetClosest", [] { return scan.GetClosest(); },
      [] { return ClosestByHand(scan.GetDistances(), 64); });
}

void RegisterCanBus() {
  static volatile double timeoutSeconds = 0.25;
  Pair(
      "CanBus/RequestMode",
      [] {
        return kelvara::CanBus::RequestMode(wpi::CANPort::CAN_S1,
                                            kelvara::CanBusMode::kMode1,
                                            units::second_t{timeoutSeconds});
      },
      [] {
        return ToStatus(KELVARA_CanBus_RequestMode(
            1, 1, static_cast<std::int32_t>(timeoutSeconds * 1000.0)));
      });
  Pair(
      "CanBus/GetMode",
      [] { return kelvara::CanBus::GetMode(wpi::CANPort::CAN_S1); },
      []() -> std::optional<kelvara::CanBusMode> {
        const std::int32_t mode = KELVARA_CanBus_GetMode(1);
        if (mode == 0 || mode == 1) {
          return static_cast<kelvara::CanBusMode>(mode);
        }
        return std::nullopt;
      });
}

/// The console output, plus a table of library / baseline CPU-time ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With --benchmark_repetitions the median stands for the benchmark.
    for (const Run& run : runs) {
      if (run.error_occurred) {
        continue;
      }
      if (run.run_type == Run::RT_Iteration &&
          !m_medians.contains(run.run_name.str())) {
        m_times[run.run_name.str()] = run.GetAdjustedCPUTime();
      } else if (run.run_type == Run::RT_Aggregate &&
                 run.aggregate_name == "median") {
        m_times[run.run_name.str()] = run.GetAdjustedCPUTime();
        m_medians.insert(run.run_name.str());
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\n| operation | library (ns) | baseline (ns) | ratio |\n");
    std::printf("|---|---:|---:|---:|\n");
    for (const auto& [name, time] : m_times) {
      const std::string suffix = "/library";
      if (!name.ends_with(suffix)) {
        continue;
      }
      const std::string op = name.substr(0, name.size() - suffix.size());
      const auto baseline = m_times.find(op + "/baseline");
      if (baseline == m_times.end()) {
        continue;
      }
      std::printf("| %s | %.1f | %.1f | %.2f |\n", op.c_str(), time,
                  baseline->second, time / baseline->second);
    }
  }

 private:
  std::map<std::string, double> m_times;
  std::set<std::string> m_medians;
};

}  // namespace

int main(int argc, char** argv) {
  kelvara::Kinetra imu{1, wpi::CANPort::CAN_S0, 0};
  kelvara::Lumeno sensor{2, wpi::CANPort::CAN_S0};
  std::vector<kelvara::Lumeno> matchers;
  for (std::size_t i = 0; i < kPaletteSizes.size(); ++i) {
    matchers.emplace_back(2, wpi::CANPort::CAN_S0);
  }
  kelvara::Vantor ranger{3, wpi::CANPort::CAN_S0};

  RegisterKinetra(imu);
  RegisterLumeno(sensor, matchers);
  RegisterVantor(ranger);
  RegisterCanBus();

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
