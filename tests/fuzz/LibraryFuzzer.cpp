// Drives every public operation of the library against a driver whose every
// answer comes from the fuzzer's input (FuzzDriver.cpp). The input is read as
// a program: each step picks an operation and its arguments, and the driver's
// answers follow from the same stream. Sanitizers report any crash, undefined
// behaviour, or read of a buffer part that the library was told not to read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "FuzzInput.hpp"
#include "kelvara/CanBus.hpp"
#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"

namespace {

using kelvara::fuzz::FuzzInput;
using kelvara::fuzz::Input;

/// Keeps results alive so that their computation is not optimised away.
template <typename T>
void Use(const T& value) {
  const volatile auto* bytes = reinterpret_cast<const volatile char*>(&value);
  static_cast<void>(bytes[0]);
}

double TakeDouble() {
  return Input().Take<double>();
}

std::int32_t TakeInt() {
  return Input().Take<std::int32_t>();
}

std::string TakeText() {
  const std::size_t length = Input().Take<std::uint8_t>() % 24;
  std::string text(length, '\0');
  Input().Fill(text.data(), length);
  return text;
}

wpi::CANPort TakePort() {
  return static_cast<wpi::CANPort>(TakeInt());
}

/// Opens a device of class D on a transport chosen by the input.
template <typename D, typename... Extra>
D Open(Extra... extra) {
  switch (Input().Take<std::uint8_t>() % 4) {
    case 0:
      return D{TakeInt(), TakePort(), extra...};
    case 1:
      return D::Usb(extra...);
    case 2:
      return D::Usb(static_cast<kelvara::UsbPort>(TakeInt()), extra...);
    default:
      return D::FromSerialDevice(TakeText(), extra...);
  }
}

/// Creates, moves and destroys the devices held in a slot pair.
template <typename D, typename OpenFn>
bool Lifecycle(std::uint8_t op, std::optional<D>& a, std::optional<D>& b,
               OpenFn open) {
  switch (op) {
    case 0:
      a.emplace(open());
      return true;
    case 1:
      if (a) {
        b.emplace(std::move(*a));
      }
      return true;
    case 2:
      if (a && b) {
        *a = std::move(*b);
      }
      return true;
    case 3:
      if (a) {
        *a = std::move(*a);
      }
      return true;
    case 4:
      a.reset();
      return true;
    default:
      return false;
  }
}

void KinetraStep(std::optional<kelvara::Kinetra>& a,
                 std::optional<kelvara::Kinetra>& b) {
  const std::uint8_t op = Input().Take<std::uint8_t>() % 28;
  if (Lifecycle(op, a, b, [] { return Open<kelvara::Kinetra>(TakeInt()); }) ||
      !a) {
    return;
  }
  kelvara::Kinetra& imu = *a;
  switch (op) {
    case 5:
      Use(imu.IsConnected());
      break;
    case 6:
      Use(imu.GetYaw());
      break;
    case 7:
      Use(imu.GetPitch());
      break;
    case 8:
      Use(imu.GetRoll());
      break;
    case 9:
      Use(imu.GetAngle());
      break;
    case 10:
      Use(imu.GetRotation2d());
      break;
    case 11:
      Use(imu.GetRotation3d());
      break;
    case 12:
      Use(imu.GetQuaternion6d());
      break;
    case 13:
      Use(imu.GetQuaternion9d());
      break;
    case 14:
      Use(imu.GetAngularVelocity());
      break;
    case 15:
      Use(imu.GetLinearAcceleration());
      break;
    case 16:
      Use(imu.GetMagneticField());
      break;
    case 17:
      Use(imu.GetAlgorithmState());
      break;
    case 18:
      Use(imu.GetTemperature());
      break;
    case 19:
      Use(imu.GetTimestamp());
      break;
    case 20:
      Use(imu.IsTimeSynced());
      break;
    case 21:
      Use(imu.ResetYaw());
      break;
    case 22:
      Use(imu.SetOutputRate(TakeInt()));
      break;
    case 23:
      Use(imu.EnableMessages(static_cast<kelvara::KinetraMessage>(TakeInt())));
      break;
    case 24:
      Use(imu.Use9AxisYaw(Input().Take<std::uint8_t>() % 2 == 0));
      break;
    case 25:
      Use(imu.GetFirmwareVersion());
      break;
    case 26:
      Use(imu.GetSensorUuid());
      break;
    default:
      Use(imu.SelfTest());
      break;
  }
}

void LumenoStep(std::optional<kelvara::Lumeno>& a,
                std::optional<kelvara::Lumeno>& b) {
  const std::uint8_t op = Input().Take<std::uint8_t>() % 24;
  if (Lifecycle(op, a, b, [] { return Open<kelvara::Lumeno>(); }) || !a) {
    return;
  }
  kelvara::Lumeno& sensor = *a;
  switch (op) {
    case 5:
      Use(sensor.IsConnected());
      break;
    case 6:
      if (const auto reading = sensor.GetColor()) {
        Use(reading->ToColor());
        Use(reading->GetChromaticity());
        Use(reading->DistanceTo({TakeDouble(), TakeDouble()}));
      }
      break;
    case 7:
      Use(sensor.SetSampleTime(wpi::units::millisecond_t{TakeDouble()}));
      break;
    case 8:
      Use(sensor.SetLedBrightness(TakeInt()));
      break;
    case 9:
      Use(sensor.SetStatusLed(Input().Take<std::uint8_t>() % 2 == 0,
                              TakeInt()));
      break;
    case 10:
      Use(sensor.SetMeasureMode(
          static_cast<kelvara::LumenoMeasureMode>(TakeInt())));
      break;
    case 11:
      Use(sensor.SetFixedDistance(wpi::units::millimeter_t{TakeDouble()}));
      break;
    case 12:
      Use(sensor.GetConfigValue(
          static_cast<kelvara::LumenoConfigItem>(TakeInt())));
      break;
    case 13:
      Use(sensor.GetFirmwareVersion());
      break;
    case 14:
    case 15: {
      const std::string name = TakeText();
      sensor.AddColor(name, {TakeDouble(), TakeDouble()});
      break;
    }
    case 16:
      Use(sensor.LearnColor(TakeText()));
      break;
    case 17:
      sensor.RemoveColor(TakeText());
      break;
    case 18:
      sensor.ClearColors();
      break;
    case 19:
      sensor.SetMatchThreshold(TakeDouble());
      break;
    default:
      if (const auto match = sensor.GetMatch()) {
        Use(match->name.size());
        Use(match->confidence);
        Use(match->distance);
      }
      break;
  }
}

void VantorStep(std::optional<kelvara::Vantor>& a,
                std::optional<kelvara::Vantor>& b) {
  const std::uint8_t op = Input().Take<std::uint8_t>() % 14;
  if (Lifecycle(op, a, b, [] { return Open<kelvara::Vantor>(); }) || !a) {
    return;
  }
  kelvara::Vantor& ranger = *a;
  switch (op) {
    case 5:
      Use(ranger.IsConnected());
      break;
    case 6:
      if (const auto scan = ranger.GetScan()) {
        Use(scan->GridSize());
        Use(scan->GetDistance(TakeInt()));
        Use(scan->GetDistance(TakeInt(), TakeInt()));
        Use(scan->GetClosest());
      }
      break;
    case 7:
      Use(ranger.GetClosestDistance());
      break;
    case 8:
      Use(ranger.SetOutputRate(TakeInt()));
      break;
    case 9:
      Use(ranger.SetResolution(
          static_cast<kelvara::VantorResolution>(TakeInt())));
      break;
    case 10:
      Use(ranger.SetRangingFrequency(TakeInt()));
      break;
    case 11:
      Use(ranger.SetZoneMask(Input().Take<std::uint64_t>()));
      break;
    default:
      Use(ranger.GetConfig());
      break;
  }
}

/// The records' own queries on values straight from the input.
void RecordStep() {
  if (Input().Take<std::uint8_t>() % 2 == 0) {
    const kelvara::LumenoReading reading{TakeDouble(), TakeDouble(),
                                         TakeDouble(), TakeInt()};
    Use(reading.ToColor());
    Use(reading.GetChromaticity());
    Use(reading.DistanceTo({TakeDouble(), TakeDouble()}));
  } else {
    const auto tag = TakeInt();
    const auto zoneCount = TakeInt();
    const auto distances =
        Input()
            .Take<std::array<std::int16_t, kelvara::VantorScan::kMaxZones>>();
    const kelvara::VantorScan scan{tag, zoneCount, distances};
    Use(scan.GridSize());
    Use(scan.GetDistance(TakeInt()));
    Use(scan.GetDistance(TakeInt(), TakeInt()));
    Use(scan.GetClosest());
  }
}

void CanBusStep() {
  if (Input().Take<std::uint8_t>() % 2 == 0) {
    Use(kelvara::CanBus::RequestMode(
        TakePort(), static_cast<kelvara::CanBusMode>(TakeInt()),
        wpi::units::second_t{TakeDouble()}));
  } else {
    Use(kelvara::CanBus::GetMode(TakePort()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  Input().Reset(data, size);
  std::optional<kelvara::Kinetra> imu, imu2;
  std::optional<kelvara::Lumeno> sensor, sensor2;
  std::optional<kelvara::Vantor> ranger, ranger2;
  // Each step reads at least one byte, so the loop ends with the input.
  while (!Input().Exhausted()) {
    switch (Input().Take<std::uint8_t>() % 5) {
      case 0:
        KinetraStep(imu, imu2);
        break;
      case 1:
        LumenoStep(sensor, sensor2);
        break;
      case 2:
        VantorStep(ranger, ranger2);
        break;
      case 3:
        RecordStep();
        break;
      default:
        CanBusStep();
        break;
    }
  }
  return 0;
}
