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

/// Runs one step on a pair of device slots: an operation chosen by the input
/// from the lifecycle (open, move-construct, move-assign, self-move, destroy)
/// followed by the class's own operations.
template <typename D, typename OpenFn, std::size_t N>
void Step(std::optional<D>& a, std::optional<D>& b, OpenFn open,
          const std::array<void (*)(D&), N>& operations) {
  const std::size_t op = Input().Take<std::uint8_t>() % (5 + N);
  switch (op) {
    case 0:
      a.emplace(open());
      return;
    case 1:
      if (a) {
        b.emplace(std::move(*a));
      }
      return;
    case 2:
      if (a && b) {
        *a = std::move(*b);
      }
      return;
    case 3:
      if (a) {
        auto& self = *a;
        *a = std::move(self);
      }
      return;
    case 4:
      a.reset();
      return;
    default:
      if (a) {
        operations[op - 5](*a);
      }
  }
}

using kelvara::Kinetra;
using kelvara::Lumeno;
using kelvara::Vantor;

constexpr std::array<void (*)(Kinetra&), 23> kKinetraOperations{
    [](Kinetra& d) { Use(d.IsConnected()); },
    [](Kinetra& d) { Use(d.GetYaw()); },
    [](Kinetra& d) { Use(d.GetPitch()); },
    [](Kinetra& d) { Use(d.GetRoll()); },
    [](Kinetra& d) { Use(d.GetAngle()); },
    [](Kinetra& d) { Use(d.GetRotation2d()); },
    [](Kinetra& d) { Use(d.GetRotation3d()); },
    [](Kinetra& d) { Use(d.GetQuaternion6d()); },
    [](Kinetra& d) { Use(d.GetQuaternion9d()); },
    [](Kinetra& d) { Use(d.GetAngularVelocity()); },
    [](Kinetra& d) { Use(d.GetLinearAcceleration()); },
    [](Kinetra& d) { Use(d.GetMagneticField()); },
    [](Kinetra& d) { Use(d.GetAlgorithmState()); },
    [](Kinetra& d) { Use(d.GetTemperature()); },
    [](Kinetra& d) { Use(d.GetTimestamp()); },
    [](Kinetra& d) { Use(d.IsTimeSynced()); },
    [](Kinetra& d) { Use(d.ResetYaw()); },
    [](Kinetra& d) { Use(d.SetOutputRate(TakeInt())); },
    [](Kinetra& d) {
      Use(d.EnableMessages(static_cast<kelvara::KinetraMessage>(TakeInt())));
    },
    [](Kinetra& d) { Use(d.Use9AxisYaw(Input().Take<std::uint8_t>() % 2)); },
    [](Kinetra& d) { Use(d.GetFirmwareVersion()); },
    [](Kinetra& d) { Use(d.GetSensorUuid()); },
    [](Kinetra& d) { Use(d.SelfTest()); },
};

constexpr std::array<void (*)(Lumeno&), 15> kLumenoOperations{
    [](Lumeno& d) { Use(d.IsConnected()); },
    [](Lumeno& d) {
      if (const auto reading = d.GetColor()) {
        Use(reading->ToColor());
        Use(reading->DistanceTo({TakeDouble(), TakeDouble()}));
      }
    },
    [](Lumeno& d) {
      Use(d.SetSampleTime(wpi::units::millisecond_t{TakeDouble()}));
    },
    [](Lumeno& d) { Use(d.SetLedBrightness(TakeInt())); },
    [](Lumeno& d) {
      Use(d.SetStatusLed(Input().Take<std::uint8_t>() % 2, TakeInt()));
    },
    [](Lumeno& d) {
      Use(d.SetMeasureMode(static_cast<kelvara::LumenoMeasureMode>(TakeInt())));
    },
    [](Lumeno& d) {
      Use(d.SetFixedDistance(wpi::units::millimeter_t{TakeDouble()}));
    },
    [](Lumeno& d) {
      Use(d.GetConfigValue(static_cast<kelvara::LumenoConfigItem>(TakeInt())));
    },
    [](Lumeno& d) { Use(d.GetFirmwareVersion()); },
    [](Lumeno& d) {
      d.AddColor(TakeText(), {TakeDouble(), TakeDouble()});
    },
    [](Lumeno& d) { Use(d.LearnColor(TakeText())); },
    [](Lumeno& d) { d.RemoveColor(TakeText()); },
    [](Lumeno& d) { d.ClearColors(); },
    [](Lumeno& d) { d.SetMatchThreshold(TakeDouble()); },
    [](Lumeno& d) {
      if (const auto match = d.GetMatch()) {
        Use(match->name.size());
        Use(match->confidence);
      }
    },
};

constexpr std::array<void (*)(Vantor&), 8> kVantorOperations{
    [](Vantor& d) { Use(d.IsConnected()); },
    [](Vantor& d) {
      if (const auto scan = d.GetScan()) {
        Use(scan->GetDistance(TakeInt()));
        Use(scan->GetDistance(TakeInt(), TakeInt()));
        Use(scan->GetClosest());
      }
    },
    [](Vantor& d) { Use(d.GetClosestDistance()); },
    [](Vantor& d) { Use(d.SetOutputRate(TakeInt())); },
    [](Vantor& d) {
      Use(d.SetResolution(static_cast<kelvara::VantorResolution>(TakeInt())));
    },
    [](Vantor& d) { Use(d.SetRangingFrequency(TakeInt())); },
    [](Vantor& d) { Use(d.SetZoneMask(Input().Take<std::uint64_t>())); },
    [](Vantor& d) { Use(d.GetConfig()); },
};

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
        Step(
            imu, imu2, [] { return Open<Kinetra>(TakeInt()); },
            kKinetraOperations);
        break;
      case 1:
        Step(
            sensor, sensor2, [] { return Open<Lumeno>(); }, kLumenoOperations);
        break;
      case 2:
        Step(
            ranger, ranger2, [] { return Open<Vantor>(); }, kVantorOperations);
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
