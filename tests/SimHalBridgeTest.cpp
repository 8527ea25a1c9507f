// The simulated devices as WPILib's simulation tools see them, through a
// stand-in of the HAL's simulated-device functions: the devices' names, their
// values with directions and first values, changes from the HAL reaching
// robot code, changes of the simulation reaching the HAL, and when devices
// are freed.

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hal/StandInHal.hpp"
#include "support/SimTest.hpp"

namespace {

using namespace kelvara;        // NOLINT(google-build-using-namespace)
using namespace kelvara::sim;   // NOLINT(google-build-using-namespace)
using namespace wpi::units;     // NOLINT(google-build-using-namespace)
using namespace kelvara::test;  // NOLINT(google-build-using-namespace)
using ::testing::DoubleNear;
using ::testing::Pointwise;
using wpi::CANPort;

constexpr double kPi = std::numbers::pi;
constexpr std::int32_t kOutput = 1;
constexpr std::int32_t kBoth = 2;

/// A value as a number: a double, or a boolean or enum as an integer.
double Number(const HAL_Value& value) {
  return value.type == HAL_DOUBLE ? value.data.v_double
         : value.type == HAL_ENUM ? value.data.v_enum
                                  : value.data.v_boolean;
}

/// A device as the HAL shows it, found by its name at every use.
class HalView {
 public:
  explicit HalView(std::string name) : m_name{std::move(name)} {}

  bool Exists() const { return !StandInHal_GetDevice(m_name).empty(); }
  /// The value of this name; one with handle 0 when there is none.
  StandInHalValue Find(std::string_view name) const {
    for (const StandInHalValue& value : StandInHal_GetDevice(m_name)) {
      if (value.name == name) {
        return value;
      }
    }
    return {};
  }
  double Get(std::string_view name) const { return Number(Find(name).value); }
  /// Sets the value as the simulation GUI does, in the type it has.
  void Set(std::string_view name, double number) const {
    StandInHalValue found = Find(name);
    if (found.value.type == HAL_BOOLEAN) {
      found.value.data.v_boolean = number != 0 ? 1 : 0;
    } else {
      found.value.data.v_double = number;
    }
    HAL_SetSimValue(found.handle, &found.value);
  }

 private:
  std::string m_name;
};

std::string SerialName(const char* type, const std::string& path) {
  return std::string{type} + ":" + type + "[serial " + path + "]";
}

/// The closest reading of a flat target at distance millimetres, tilted by
/// degrees, at a resolution of side x side.
double Closest(double distance, double horizontal = 0, double vertical = 0,
               int side = 4) {
  return std::ranges::min(FlatReadings(distance, side, horizontal, vertical));
}

/// The luminance (CIE Y) of an sRGB colour, 0 to 1.
double Luminance(double red, double green, double blue) {
  auto linear = [](double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(red) + 0.7152 * linear(green) + 0.0722 * linear(blue);
}

/// Devices, change callbacks and misuses of the HAL so far.
std::tuple<int, int, int> Held() {
  const StandInHalCounts counts = StandInHal_Count();
  return {counts.devices, counts.callbacks, counts.misuses};
}

/// Every test leaves the HAL as it found it: what it published is freed, and
/// the HAL was used as it must be.
class SimHalTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(Held(), m_before); }
  /// The number of devices published since the test began.
  int Published() const { return std::get<0>(Held()) - std::get<0>(m_before); }

 private:
  std::tuple<int, int, int> m_before = Held();
};

struct ExpectedValue {
  const char* name;
  std::int32_t direction;
  HAL_Type type;
  double value;
};

TEST_F(SimHalTest, DevicesShowTheirValuesWithDirectionsAndFirstValues) {
  const std::string path = TestPath();
  const Kinetra imu{1, CANPort::CAN_S0, 0};
  const Lumeno lumeno = Lumeno::Usb();
  const Vantor ranger = Vantor::FromSerialDevice(path);
  ASSERT_EQ(
      CanBus::RequestMode(CANPort::CAN_D3, CanBusMode::kMode1, second_t{0.1}),
      Status::kOk);
  const struct {
    std::string name;
    std::vector<ExpectedValue> values;
  } devices[] = {
      {"Kinetra:Kinetra[CAN S0 1]",
       {{"yaw (deg)", kBoth, HAL_DOUBLE, 0},
        {"pitch (deg)", kBoth, HAL_DOUBLE, 0},
        {"roll (deg)", kBoth, HAL_DOUBLE, 0},
        {"yaw rate (deg/s)", kBoth, HAL_DOUBLE, 0},
        {"temperature (degC)", kOutput, HAL_DOUBLE, 25},
        {"connected", kBoth, HAL_BOOLEAN, 1}}},
      {"Lumeno:Lumeno[USB]",
       {{"red", kBoth, HAL_DOUBLE, 0.5},
        {"green", kBoth, HAL_DOUBLE, 0.5},
        {"blue", kBoth, HAL_DOUBLE, 0.5},
        {"connected", kBoth, HAL_BOOLEAN, 1}}},
      {SerialName("Vantor", path),
       {{"target distance (mm)", kBoth, HAL_DOUBLE, 2000},
        {"horizontal tilt (deg)", kBoth, HAL_DOUBLE, 0},
        {"vertical tilt (deg)", kBoth, HAL_DOUBLE, 0},
        {"closest distance (mm)", kOutput, HAL_DOUBLE, Closest(2000)},
        {"connected", kBoth, HAL_BOOLEAN, 1}}},
      {"CanBus:CanBus[CAN D3]", {{"mode", kOutput, HAL_ENUM, 1}}},
  };
  for (const auto& [name, values] : devices) {
    SCOPED_TRACE(name);
    const std::vector<StandInHalValue> shown = StandInHal_GetDevice(name);
    // Exactly these values, in this order.
    ASSERT_EQ(shown.size(), values.size());
    for (std::size_t index = 0; index < values.size(); ++index) {
      const ExpectedValue& want = values[index];
      EXPECT_EQ(shown[index].name, want.name);
      EXPECT_EQ(std::tuple(shown[index].direction, shown[index].value.type),
                std::tuple(want.direction, want.type))
          << want.name;
      EXPECT_NEAR(Number(shown[index].value), want.value, 1e-9) << want.name;
    }
  }
  EXPECT_EQ(HalView{"CanBus:CanBus[CAN D3]"}.Find("mode").options,
            "mode 0|mode 1");

  // The other address forms; a second handle publishes nothing more.
  const Kinetra usbImu = Kinetra::Usb(UsbPort::kUsb2, 0);
  const Lumeno canLumeno{62, CANPort::CAN_D19};
  const Vantor sameRanger = Vantor::FromSerialDevice(path);
  EXPECT_TRUE(HalView{"Kinetra:Kinetra[USB 2]"}.Exists());
  EXPECT_TRUE(HalView{"Lumeno:Lumeno[CAN D19 62]"}.Exists());
  EXPECT_EQ(Published(), 6);
  SimCanBus{CANPort::CAN_D3}.Reset();
}

/// A value written through the HAL, what robot code then reads, and what the
/// HAL shows after robot code's call.
struct Write {
  const HalView* device;
  const char* value;
  double written;
  std::function<std::vector<double>()> read;
  std::vector<double> expected;
  double shown;
  double tolerance = 1e-9;
};

TEST_F(SimHalTest, HalWritesMoveTheDevicesAsRobotCodeReadsThem) {
  const std::string path = TestPath();
  Kinetra imu{2, CANPort::CAN_S1, 0};
  const Lumeno lumeno = Lumeno::Usb(UsbPort::kUsb3);
  const Vantor ranger = Vantor::FromSerialDevice(path);
  const HalView gyro{"Kinetra:Kinetra[CAN S1 2]"};
  const HalView colour{"Lumeno:Lumeno[USB 3]"};
  const HalView tof{SerialName("Vantor", path)};
  // The yaw that the HAL shows and takes is the one robot code reads, here
  // measured from where robot code reset it.
  SimKinetra{SimAddress::Can(2, CANPort::CAN_S1)}.SetYaw(degree_t{100});
  ASSERT_EQ(imu.ResetYaw(), Status::kOk);

  auto ypr = [&imu] {
    return std::vector{imu.GetYaw()->value(), imu.GetPitch()->value(),
                       imu.GetRoll()->value()};
  };
  auto rate = [&imu] {
    return std::vector{imu.GetAngularVelocity()->z.value()};
  };
  auto heat = [&imu] { return std::vector{imu.GetTemperature()->value()}; };
  // The display colour, and the luminance of what the sensor sees.
  auto rgb = [&lumeno] {
    const auto reading = *lumeno.GetColor();
    const auto color = reading.ToColor();
    return std::vector{color.red, color.green, color.blue, reading.Y};
  };
  auto scan = [&ranger] { return Readings(ranger); };
  auto closest = [&ranger] {
    return std::vector{ranger.GetClosestDistance()->value()};
  };
  const double nearest = Closest(1000, 20, -20);
  constexpr double kColor = 1.0 / 4096;  // the colour type's step
  const Write writes[] = {
      {&gyro, "yaw (deg)", 30, ypr, {30, 0, 0}, 30},
      {&gyro, "pitch (deg)", 20, ypr, {30, 20, 0}, 20},
      {&gyro, "roll (deg)", -15, ypr, {30, 20, -15}, -15},
      {&gyro, "yaw rate (deg/s)", 90, rate, {kPi / 2}, 90},
      // Shown only: the HAL's value is put back.
      {&gyro, "temperature (degC)", 99, heat, {25}, 25},
      {&colour, "red", 1, rgb, {1, .5, .5, Luminance(1, .5, .5)}, 1, kColor},
      {&colour, "green", 0, rgb, {1, 0, .5, Luminance(1, 0, .5)}, 0, kColor},
      // A colour's components are kept within 0 to 1.
      {&colour, "blue", 7, rgb, {1, 0, 1, Luminance(1, 0, 1)}, 1, kColor},
      {&tof, "target distance (mm)", 1000, scan, FlatReadings(1000, 4), 1000},
      {&tof, "horizontal tilt (deg)", 20, scan, FlatReadings(1000, 4, 20), 20},
      {&tof, "vertical tilt (deg)", -20, scan, FlatReadings(1000, 4, 20, -20),
       -20},
      {&tof, "closest distance (mm)", 5, closest, {nearest}, nearest},
  };
  for (const auto& [device, value, written, read, expected, shown, tolerance] :
       writes) {
    SCOPED_TRACE(std::string{value} + " = " + std::to_string(written));
    device->Set(value, written);
    EXPECT_THAT(read(), Pointwise(DoubleNear(tolerance), expected));
    EXPECT_NEAR(device->Get(value), shown, 1e-9);
  }
}

/// Expects the HAL to show these values of a device.
void ExpectShown(const HalView& view,
                 std::initializer_list<std::pair<const char*, double>> shown) {
  for (const auto& [value, want] : shown) {
    EXPECT_NEAR(view.Get(value), want, 1e-9) << value;
  }
}

TEST_F(SimHalTest, ChangesOfTheSimulationShowInTheHal) {
  const std::string path = TestPath();
  SimClock::Reset();
  SimKinetra gyro{SimAddress::Serial(path)};
  SimLumeno colour{SimAddress::Serial(path)};
  SimVantor tof{SimAddress::Serial(path)};
  Kinetra imu = Kinetra::FromSerialDevice(path, 0);
  const Lumeno lumeno = Lumeno::FromSerialDevice(path);
  Vantor ranger = Vantor::FromSerialDevice(path);
  const HalView imuView{SerialName("Kinetra", path)};
  const HalView rangerView{SerialName("Vantor", path)};
  const HalView port{"CanBus:CanBus[CAN D4]"};

  gyro.SetYawPitchRoll(degree_t{100}, degree_t{10}, degree_t{5});
  ExpectShown(imuView,
              {{"yaw (deg)", 100}, {"pitch (deg)", 10}, {"roll (deg)", 5}});
  ASSERT_EQ(imu.ResetYaw(), Status::kOk);
  ExpectShown(imuView, {{"yaw (deg)", 0}, {"pitch (deg)", 10}});
  gyro.SetTemperature(celsius_t{40});
  gyro.SetAngularVelocity(radians_per_second_t{0}, radians_per_second_t{0},
                          radians_per_second_t{kPi});
  ExpectShown(imuView, {{"temperature (degC)", 40}, {"yaw rate (deg/s)", 180}});
  // Six-axis yaw drifts with simulation time.
  gyro.SetYawDriftRate(degrees_per_second_t{1});
  ASSERT_EQ(imu.Use9AxisYaw(false), Status::kOk);
  SimClock::Advance(second_t{2});
  ExpectShown(imuView, {{"yaw (deg)", 2}});

  colour.SetSurfaceColor(wpi::util::Color{0.25, 0.5, 1.0});
  ExpectShown(HalView{SerialName("Lumeno", path)},
              {{"red", 0.25}, {"green", 0.5}, {"blue", 1}});

  tof.SetTarget(millimeter_t{1500}, degree_t{10}, degree_t{-5});
  ExpectShown(rangerView, {{"target distance (mm)", 1500},
                           {"horizontal tilt (deg)", 10},
                           {"vertical tilt (deg)", -5},
                           {"closest distance (mm)", Closest(1500, 10, -5)}});
  tof.SetTarget(millimeter_t{1500});
  ASSERT_EQ(ranger.SetResolution(VantorResolution::k8x8), Status::kOk);
  ExpectShown(rangerView, {{"closest distance (mm)", Closest(1500, 0, 0, 8)}});
  // An explicit grid is no flat target.
  std::array<millimeter_t, 16> grid{};
  grid.fill(millimeter_t{700});
  grid[9] = millimeter_t{300};
  ASSERT_TRUE(tof.SetZoneDistances(grid));
  ExpectShown(rangerView, {{"target distance (mm)", 0},
                           {"horizontal tilt (deg)", 0},
                           {"closest distance (mm)", 300}});
  tof.ClearScene();
  ExpectShown(rangerView, {{"closest distance (mm)", -1}});

  ASSERT_EQ(
      CanBus::RequestMode(CANPort::CAN_D4, CanBusMode::kMode1, second_t{0}),
      Status::kOk);
  ExpectShown(port, {{"mode", 1}});
  SimCanBus{CANPort::CAN_D4}.SetMode(CanBusMode::kMode0);
  ExpectShown(port, {{"mode", 0}});

  // Publishing a value is no change made through the HAL: the grid and the
  // surface, which the HAL shows only in part, stay as they were set.
  tof.SetTarget(millimeter_t{1500});
  ASSERT_TRUE(tof.SetZoneDistances(grid));
  EXPECT_EQ(ranger.GetClosestDistance().value_or(millimeter_t{-1}).value(),
            300);
  colour.SetSurfaceXyz(0.25, 0.5, 0.125);  // outside sRGB's gamut
  const auto seen = lumeno.GetColor().value();
  EXPECT_EQ((std::array{seen.X, seen.Y, seen.Z}),
            (std::array{0.25, 0.5, 0.125}));
  SimCanBus{CANPort::CAN_D4}.Reset();
  SimClock::Reset();
}

TEST_F(SimHalTest, DevicesStayShownUntilReleased) {
  const std::string path = TestPath();
  const HalView view{SerialName("Kinetra", path)};
  SimKinetra sim{SimAddress::Serial(path)};
  {
    const Kinetra first = Kinetra::FromSerialDevice(path, 0);
    {
      const Kinetra second = Kinetra::FromSerialDevice(path, 0);
      EXPECT_EQ(Published(), 1);
    }
    EXPECT_TRUE(view.Exists());  // one handle is still open

    sim.Detach();  // shown unplugged, its values following the simulation
    sim.SetYaw(degree_t{45});
    EXPECT_EQ(view.Get("connected"), 0);
    EXPECT_NEAR(view.Get("yaw (deg)"), 45, 1e-9);
    sim.Attach();

    // Unplugged and plugged back in through the HAL, as in the GUI: robot
    // code sees it at once, and the HAL keeps the device and its values.
    for (const int connected : {0, 1}) {
      view.Set("connected", connected);
      EXPECT_EQ(first.IsConnected(), connected == 1);
      EXPECT_EQ(sim.IsAttached(), connected == 1);
      EXPECT_EQ(view.Get("connected"), connected);
      EXPECT_NEAR(view.Get("yaw (deg)"), 45, 1e-9);
    }
    sim.Reset();  // still held: shown with the defaults
    EXPECT_EQ(view.Get("yaw (deg)"), 0);
  }
  EXPECT_FALSE(view.Exists());

  // A CAN port's bus mode is shown from robot code's first request on.
  const HalView port{"CanBus:CanBus[CAN D5]"};
  EXPECT_EQ(CanBus::GetMode(CANPort::CAN_D5), CanBusMode::kMode0);
  EXPECT_FALSE(port.Exists());
  EXPECT_EQ(
      CanBus::RequestMode(CANPort::CAN_D5, CanBusMode::kMode0, second_t{-1}),
      AsStatus(SimResult::kInvalidArgument));
  EXPECT_EQ(port.Get("mode"), 0);
  SimCanBus{CANPort::CAN_D5}.Reset();
  EXPECT_FALSE(port.Exists());
}

// A team's own HAL callback may call robot code, also robot code that
// changes what the HAL shows, when the simulated driver's publishing called
// it: the change is published after the callback, not from inside it.
TEST_F(SimHalTest, CallbacksOfOthersMayCallRobotCode) {
  const std::string path = TestPath();
  const HalView view{SerialName("Kinetra", path)};
  struct Seen {
    Kinetra imu;
    std::vector<double> yaws;
  } seen{Kinetra::FromSerialDevice(path, 0), {}};
  const std::int32_t uid = HALSIM_RegisterSimValueChangedCallback(
      view.Find("yaw (deg)").handle, &seen,
      [](const char*, void* param, std::int32_t, std::int32_t,
         const HAL_Value*) {
        auto& s = *static_cast<Seen*>(param);
        s.yaws.push_back(s.imu.GetYaw()->value());
        if (s.yaws.size() == 1) {
          static_cast<void>(s.imu.ResetYaw());
        }
      },
      0);
  SimKinetra{SimAddress::Serial(path)}.SetYaw(degree_t{25});
  EXPECT_THAT(seen.yaws, ::testing::ElementsAre(DoubleNear(25, 1e-9),
                                                DoubleNear(0, 1e-9)));
  EXPECT_NEAR(view.Get("yaw (deg)"), 0, 1e-9);
  HALSIM_CancelSimValueChangedCallback(uid);
}

/// True for a yaw that the hammer's writers set: a multiple of 10 degrees
/// from 0 to 90, within rounding. A torn or stale value shows as another.
bool IsSetYaw(double yaw) {
  return std::abs(yaw - 10 * std::round(yaw / 10)) < 1e-9 && yaw > -1e-9 &&
         yaw < 90 + 1e-9;
}

// HAL writes from other threads (the GUI's) race robot code's reads and the
// control interface; CI runs this suite under ThreadSanitizer by name.
class SimHalHammerTest : public SimHalTest {};

TEST_F(SimHalHammerTest, HalWritesRaceRobotCodeAndTheControlInterface) {
  const std::string path = TestPath();
  SimKinetra sim{SimAddress::Serial(path)};
  const Kinetra imu = Kinetra::FromSerialDevice(path, 0);
  const HalView view{SerialName("Kinetra", path)};
  std::atomic<int> badAnswers{0};
  std::atomic<int> answers{0};
  auto read = [&] {
    for (int i = 0; i < 2000; ++i) {
      if (const auto yaw = imu.GetYaw()) {
        badAnswers += IsSetYaw(yaw->value()) ? 0 : 1;
        ++answers;
      }
      if (const auto time = imu.GetTimestamp()) {
        badAnswers += time->value() >= 0 ? 0 : 1;
      }
      static_cast<void>(imu.IsConnected());
    }
  };
  auto watch = [&] {
    for (int i = 0; i < 2000; ++i) {
      const HAL_Value yaw = view.Find("yaw (deg)").value;
      if (yaw.type == HAL_DOUBLE) {
        badAnswers += IsSetYaw(yaw.data.v_double) ? 0 : 1;
      }
    }
  };
  auto steer = [&] {
    for (int i = 0; i < 2000; ++i) {
      view.Set("yaw (deg)", 10.0 * (i % 10));
      if (i % 300 == 0) {
        view.Set("connected", 0);
      }
    }
  };
  auto control = [&] {
    for (int i = 0; i < 2000; ++i) {
      sim.SetYaw(degree_t{10.0 * (i % 7)});
      SimClock::Advance(millisecond_t{1});
      static_cast<void>(Kinetra::FromSerialDevice(path, i).IsConnected());
      if (i % 50 == 0) {
        sim.Detach();
        sim.Attach();
      }
    }
  };
  RunTogether(read, read, watch, steer, control);
  EXPECT_EQ(badAnswers, 0);
  EXPECT_GT(answers, 0);
  // Settled: the HAL shows what robot code reads.
  sim.Attach();
  const double yaw = imu.GetYaw()->value();
  EXPECT_NEAR(view.Get("yaw (deg)"), yaw, 1e-9);
  SimClock::Reset();
}

}  // namespace
