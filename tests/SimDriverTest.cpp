// The simulated driver as robot code sees it through the library: the
// devices' models, presence, handles, fault injection, the CAN bus, and one
// device used from several threads. A few contracts of the driver boundary
// itself (handles, result codes, out buffers) are checked by calling it.

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <expected>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "driver/KelvaraLibDriver.hpp"
#include "hal/StandInHal.hpp"
#include "kelvara/sim/KelvaraSim.h"
#include "support/AllocationCounter.hpp"
#include "support/SimTest.hpp"

namespace {

using namespace kelvara;        // NOLINT(google-build-using-namespace)
using namespace kelvara::sim;   // NOLINT(google-build-using-namespace)
using namespace wpi::units;     // NOLINT(google-build-using-namespace)
using namespace kelvara::test;  // NOLINT(google-build-using-namespace)
using ::testing::Each;
using ::testing::ElementsAre;
using wpi::CANPort;
using wpi::math::Rotation3d;
using Triple = std::array<double, 3>;

constexpr double kGravity = 9.80665;
constexpr Status kInvalid = AsStatus(SimResult::kInvalidArgument);

/// The driver's result codes for an absent device and an unknown handle.
constexpr auto kAbsent = static_cast<std::int32_t>(SimResult::kNotConnected);
constexpr auto kUnknown = static_cast<std::int32_t>(SimResult::kUnknownHandle);

/// Matches values each within tolerance of those in want.
template <typename Values = Triple>
auto Near(const Values& want, double tolerance = 1e-9) {
  return ::testing::Pointwise(::testing::DoubleNear(tolerance), want);
}

/// Yaw, pitch and roll of a rotation in degrees.
Triple Ypr(const Rotation3d& r) {
  return {degree_t{r.Z()}.value(), degree_t{r.Y()}.value(),
          degree_t{r.X()}.value()};
}

/// The x, y and z of a vector of units.
template <typename Vector>
Triple Xyz(const Vector& v) {
  return {v.x.value(), v.y.value(), v.z.value()};
}

class SimKinetraTest : public ::testing::Test {
 protected:
  double Yaw() const { return imu.GetYaw()->value(); }
  double Angle() const { return imu.GetAngle()->value(); }
  Triple ReportedYpr() const {
    return {Yaw(), imu.GetPitch()->value(), imu.GetRoll()->value()};
  }
  SimKinetra sim{TestAddress()};
  Kinetra imu = Kinetra::FromSerialDevice(sim.GetAddress().GetPath(), 0);
};

TEST_F(SimKinetraTest, AnglesQuaternionsAndTheContinuousAngleAgree) {
  // Yaw, pitch, roll and the angle after turning the shortest way there.
  const std::array<double, 4> turns[] = {{30, 10, -20, 30}, {170, -45, 60, 170},
                                         {-170, 0, 0, 190}, {-90, 80, 179, 270},
                                         {-10, 0, 0, 350},  {90, 0, 0, 450},
                                         {0, 0, 0, 360}};
  for (const auto& [yaw, pitch, roll, angle] : turns) {
    sim.SetOrientation(
        Rotation3d{degree_t{roll}, degree_t{pitch}, degree_t{yaw}});
    const Triple ypr{yaw, pitch, roll};
    EXPECT_THAT(ReportedYpr(), Near(ypr));
    EXPECT_NEAR(Angle(), angle, 1e-9);
    EXPECT_THAT(Ypr(Rotation3d{*imu.GetQuaternion6d()}), Near(ypr));
    EXPECT_THAT(Ypr(Rotation3d{*imu.GetQuaternion9d()}), Near(ypr));
  }
  // Given as yaw, pitch and roll, the yaw is the continuous angle itself.
  sim.SetYawPitchRoll(degree_t{370}, degree_t{0}, degree_t{0});
  EXPECT_THAT((std::array{Angle(), Yaw()}), Near(std::array{370.0, 10.0}));
  sim.SetYaw(degree_t{-400});
  EXPECT_THAT((std::array{Angle(), Yaw()}), Near(std::array{-400.0, -40.0}));
}

TEST_F(SimKinetraTest, GravityAndTheEarthsFieldTurnIntoTheSensorFrame) {
  // Yaw, pitch and roll; the accelerometer's reading; the magnetic field.
  const std::array<Triple, 3> cases[] = {
      {{{0, 0, 0}, {0, 0, kGravity}, {20, 0, -45}}},
      {{{90, 0, 0}, {0, 0, kGravity}, {0, -20, -45}}},
      {{{0, 0, 90}, {0, kGravity, 0}, {20, -45, 0}}},
      {{{0, 90, 0}, {-kGravity, 0, 0}, {45, 0, 20}}}};
  for (const auto& [ypr, gravity, field] : cases) {
    sim.SetYawPitchRoll(degree_t{ypr[0]}, degree_t{ypr[1]}, degree_t{ypr[2]});
    const auto down = *imu.GetAlgorithmState();
    EXPECT_THAT(Xyz(*imu.GetLinearAcceleration()), Near(gravity));
    EXPECT_THAT(Xyz(*imu.GetMagneticField()), Near(field));
    EXPECT_THAT(
        (Triple{down.x * kGravity, down.y * kGravity, down.z * kGravity}),
        Near(gravity));
  }
  EXPECT_DOUBLE_EQ(imu.GetMagneticField()->strength.value(),
                   std::hypot(20.0, 45.0));
}

TEST_F(SimKinetraTest, MotionTemperatureAndTimeAreReportedAsSet) {
  using Rps = radians_per_second_t;
  using Mps2 = meters_per_second_squared_t;
  EXPECT_TRUE(imu.GetAlgorithmState()->flag1);  // at rest
  sim.SetAngularVelocity(Rps{0.5}, Rps{-1}, Rps{2});
  sim.SetLinearAcceleration(Mps2{1}, Mps2{2}, Mps2{3});
  sim.SetTemperature(celsius_t{41.5});
  EXPECT_THAT(Xyz(*imu.GetAngularVelocity()), ElementsAre(0.5, -1, 2));
  EXPECT_THAT(Xyz(*imu.GetLinearAcceleration()),
              ElementsAre(1, 2, 3 + kGravity));
  EXPECT_EQ(imu.GetTemperature()->value(), 41.5);
  EXPECT_FALSE(imu.GetAlgorithmState()->flag1);

  SimClock::Set(second_t{1.5});
  SimClock::Advance(millisecond_t{20});
  EXPECT_EQ(imu.GetTimestamp()->value(), 1.52);
  EXPECT_TRUE(imu.IsTimeSynced());
  SimClock::SetSynchronized(false);
  EXPECT_FALSE(imu.IsTimeSynced());
  SimClock::Reset();
  EXPECT_TRUE(imu.IsTimeSynced());
}

TEST_F(SimKinetraTest, ResetYawAndDriftMoveOnlyTheReportedYaw) {
  SimClock::Reset();
  sim.SetYawPitchRoll(degree_t{100}, degree_t{10}, degree_t{5});
  const Rotation3d orientation = sim.GetOrientation();
  sim.SetYawDriftRate(degrees_per_second_t{0.5});
  SimClock::Advance(second_t{10});
  // Only the six-axis estimate, which Rotation3d reports, has drifted.
  EXPECT_NEAR(Yaw(), 100, 1e-9);
  EXPECT_NEAR(Ypr(*imu.GetRotation3d())[0], 105, 1e-9);
  ASSERT_EQ(imu.ResetYaw(), Status::kOk);
  EXPECT_THAT(ReportedYpr(), Near(Triple{0, 10, 5}));
  EXPECT_NEAR(Angle(), 0, 1e-9);
  EXPECT_NEAR(Ypr(Rotation3d{*imu.GetQuaternion9d()})[0], 0, 1e-9);
  EXPECT_EQ(sim.GetOrientation(), orientation);

  // Yaw from six axes includes the drift, also after a reset.
  ASSERT_EQ(imu.Use9AxisYaw(false), Status::kOk);
  EXPECT_FALSE(imu.GetAlgorithmState()->flag0);
  EXPECT_THAT((std::array{Angle(), Yaw()}), Near(std::array{5.0, 5.0}));
  ASSERT_EQ(imu.ResetYaw(), Status::kOk);
  SimClock::Advance(second_t{4});
  EXPECT_NEAR(Yaw(), 2, 1e-9);
  EXPECT_NEAR(imu.GetAlgorithmState()->value0, 7, 1e-9);
  ASSERT_EQ(imu.Use9AxisYaw(true), Status::kOk);
  SimClock::Advance(second_t{100});
  EXPECT_NEAR(Yaw(), -5, 1e-9);
  SimClock::Reset();
}

// The clock counts 64-bit nanoseconds: 2^63 ns, about 9.2e9 s, each way.
// Moved past either end, it stops there instead of wrapping round.
TEST_F(SimKinetraTest, TheClockAndTheDriftStopAtTheEndsOfTheClocksRange) {
  constexpr double kLast = 9223372036.854775807;  // (2^63 - 1) ns
  constexpr double kFirst = -9223372036.854775808;
  // Where the clock is set, the step it then takes twice, where it ends.
  const std::array<double, 3> cases[] = {
      {0, 9e9, kLast},       {0, -9e9, kFirst},
      {-9e9, 9e9, 9e9},      {kFirst, 9e9, 8776627963.145224192},
      {kLast, 1, kLast},     {kFirst, -1, kFirst},
      {kLast, -1, kLast - 2}};
  for (const auto& [start, step, end] : cases) {
    SimClock::Set(second_t{start});
    SimClock::Advance(second_t{step});
    SimClock::Advance(second_t{step});
    EXPECT_DOUBLE_EQ(SimClock::Now().value(), end)
        << start << " + 2 x " << step;
    EXPECT_DOUBLE_EQ(imu.GetTimestamp()->value(), end);
  }
  // Between two settings of the clock far apart, more nanoseconds may pass
  // than 64 bits hold: the drift then counts as many as they do.
  constexpr double kRate = 1e-6;  // degrees per second
  // When the drift starts, when it is read, the drift then in degrees.
  const std::array<double, 3> drifts[] = {
      {-4e9, 5e9, 9000},
      {-9e9, 9e9, 9223.372036854775807},
      {9e9, -9e9, -9223.372036854775808},
  };
  for (const auto& [since, now, drift] : drifts) {
    sim.Reset();
    SimClock::Set(second_t{since});
    sim.SetYawDriftRate(degrees_per_second_t{kRate});
    SimClock::Set(second_t{now});
    EXPECT_NEAR(imu.GetAlgorithmState()->value0, drift, 1e-6) << since;
  }
  SimClock::Reset();
}

TEST_F(SimKinetraTest, SettingsAndIdentityBelongToOneDevice) {
  const SimKinetra other{TestAddress("-other")};
  Kinetra otherImu =
      Kinetra::FromSerialDevice(other.GetAddress().GetPath(), -5);
  EXPECT_EQ(other.GetOpenArgument(), -5);
  EXPECT_EQ(imu.SetOutputRate(200), Status::kOk);
  EXPECT_THAT((std::array{imu.SetOutputRate(0), imu.SetOutputRate(1001),
                          imu.EnableMessages(static_cast<KinetraMessage>(7))}),
              Each(kInvalid));
  EXPECT_EQ(sim.GetOutputRate(), 200);
  EXPECT_EQ(imu.EnableMessages(KinetraMessage::kTemperature), Status::kOk);
  EXPECT_TRUE(sim.IsMessageEnabled(KinetraMessage::kTemperature));
  EXPECT_NE(*imu.GetSensorUuid(), *otherImu.GetSensorUuid());
  sim.SetFirmwareVersion(300, 0, 7);
  sim.SetSensorUuid({1, 2, 0xFFFFFFFF});
  sim.SetSelfTestResult({0, 1, 1, 1, 1, 1, 1, 1});
  const auto version = *otherImu.GetFirmwareVersion();
  EXPECT_THAT((std::array{imu.GetFirmwareVersion()->major, version.major,
                          version.minor, version.patch}),
              ElementsAre(300, 3, 2, 1));
  EXPECT_THAT(*imu.GetSensorUuid(), ElementsAre(1u, 2u, 0xFFFFFFFFu));
  EXPECT_THAT((std::array{imu.SelfTest()->result0, imu.SelfTest()->result7,
                          otherImu.SelfTest()->result0}),
              ElementsAre(0, 1, 1));
}

class SimLumenoTest : public ::testing::Test {
 protected:
  static Triple Xyz(const LumenoReading& r) { return {r.X, r.Y, r.Z}; }
  SimLumeno sim{TestAddress()};
  Lumeno lumeno = Lumeno::FromSerialDevice(sim.GetAddress().GetPath());
};

TEST_F(SimLumenoTest, ASurfaceComesBackThroughToColorScaledByTheLed) {
  using wpi::util::Color;
  for (const Color& color :
       {Color{1.0, 0.0, 0.0}, Color{0.0, 1.0, 0.0}, Color{0.0, 0.0, 1.0},
        Color{0.5, 0.5, 0.5}, Color{0.0, 0.0, 0.0}, Color{0.01, 0.02, 0.03},
        Color{0.9, 0.4, 0.05}}) {
    sim.SetSurfaceColor(color);
    const Color seen = lumeno.GetColor()->ToColor();
    EXPECT_THAT((Triple{seen.red, seen.green, seen.blue}),
                Near(Triple{color.red, color.green, color.blue}, 1.0 / 4096));
  }
  // White in the four-decimal matrix's own terms.
  sim.SetSurfaceColor(Color{1.0, 1.0, 1.0});
  EXPECT_THAT(Xyz(*lumeno.GetColor()), Near(Triple{0.9505, 1, 1.089}, 1e-3));
  // Samples carry the surface scaled by the LED's brightness.
  sim.SetSurfaceXyz(0.25, 0.5, 0.125);
  const auto full = *lumeno.GetColor();
  EXPECT_THAT(Xyz(full), ElementsAre(0.25, 0.5, 0.125));
  ASSERT_EQ(lumeno.SetLedBrightness(50), Status::kOk);
  const auto half = *lumeno.GetColor();
  EXPECT_THAT(Xyz(half), ElementsAre(0.125, 0.25, 0.0625));
  EXPECT_EQ(half.DistanceTo(*full.GetChromaticity()), 0.0);
  ASSERT_EQ(lumeno.SetLedBrightness(0), Status::kOk);
  EXPECT_FALSE(lumeno.GetColor()->GetChromaticity());
}

TEST_F(SimLumenoTest, SettingsComeBackThroughTheConfigurationValues) {
  using enum LumenoConfigItem;
  auto value = [this](LumenoConfigItem item) {
    return lumeno.GetConfigValue(item);
  };
  EXPECT_EQ(value(kSampleTime), 50u);
  ASSERT_EQ(lumeno.SetSampleTime(millisecond_t{20}), Status::kOk);
  ASSERT_EQ(lumeno.SetLedBrightness(40), Status::kOk);
  ASSERT_EQ(lumeno.SetStatusLed(true, 7), Status::kOk);
  ASSERT_EQ(lumeno.SetFixedDistance(meter_t{0.2504}), Status::kOk);
  // Values out of the device's range are refused and change nothing.
  EXPECT_THAT(
      (std::array{lumeno.SetSampleTime(millisecond_t{0}),
                  lumeno.SetSampleTime(millisecond_t{1001}),
                  lumeno.SetLedBrightness(-1), lumeno.SetLedBrightness(101),
                  lumeno.SetMeasureMode(static_cast<LumenoMeasureMode>(3)),
                  lumeno.SetFixedDistance(millimeter_t{-0.5}),
                  lumeno.SetFixedDistance(millimeter_t{std::nan("")})}),
      Each(kInvalid));
  EXPECT_THAT(
      (std::array{value(kSampleTime), value(kLedBrightness), value(kStatusLed),
                  value(kMeasureMode), value(kFixedDistance)}),
      ElementsAre(20u, 40u, 1u, 2u, 250u));
  EXPECT_EQ(sim.GetStatusLedValue(), 7);
  // Another mode keeps the fixed distance for later.
  ASSERT_EQ(lumeno.SetMeasureMode(LumenoMeasureMode::kAutoDistance),
            Status::kOk);
  EXPECT_THAT((std::array{value(kMeasureMode), value(kFixedDistance)}),
              ElementsAre(1u, 250u));
  sim.SetFirmwareVersion(2, 3, 255);
  EXPECT_EQ(value(kFirmwareVersion), 0x0002'03FFu);
  for (int item : {5, 7, 9, -1}) {
    EXPECT_EQ(value(LumenoConfigItem{item}),
              std::unexpected{AsStatus(SimResult::kUnsupportedItem)});
  }
}

class SimVantorTest : public ::testing::Test {
 protected:
  SimVantor sim{TestAddress()};
  Vantor ranger = Vantor::FromSerialDevice(sim.GetAddress().GetPath());
};

TEST_F(SimVantorTest, AFlatTargetIsSeenAtEitherResolutionAndAnyTilt) {
  EXPECT_EQ(Readings(ranger), FlatReadings(2000, 4));  // the default scene
  sim.SetTarget(millimeter_t{1000}, degree_t{20});
  EXPECT_EQ(Readings(ranger), FlatReadings(1000, 4, 20, 0));
  sim.SetTarget(millimeter_t{1000}, degree_t{0}, degree_t{-20});
  EXPECT_EQ(Readings(ranger), FlatReadings(1000, 4, 0, -20));
  ASSERT_EQ(ranger.SetResolution(VantorResolution::k8x8), Status::kOk);
  sim.SetTarget(millimeter_t{1500}, degree_t{10}, degree_t{-5});
  EXPECT_EQ(Readings(ranger), FlatReadings(1500, 8, 10, -5));
}

TEST_F(SimVantorTest, ZonesBeyondTheRangeLimitHaveNoReading) {
  // The corner zones look farther than the range limit, 4000 mm.
  sim.SetTarget(millimeter_t{3900});
  auto inRange = FlatReadings(3900, 4);
  std::ranges::replace_if(
      inRange, [](double d) { return d > 4000; }, -1);
  EXPECT_EQ(Readings(ranger), inRange);
  sim.SetTarget(millimeter_t{5000});
  EXPECT_FALSE(ranger.GetClosestDistance());
  sim.SetRangeLimit(millimeter_t{6000});
  EXPECT_TRUE(ranger.GetClosestDistance());
  sim.SetTarget(millimeter_t{1000}, degree_t{std::nan("")});
  EXPECT_FALSE(ranger.GetClosestDistance());
  sim.ClearScene();
  EXPECT_FALSE(ranger.GetClosestDistance());
  EXPECT_FALSE(ranger.GetConfig()->flag2);
}

TEST_F(SimVantorTest, AnExplicitGridIsReportedAtEitherResolution) {
  std::array<millimeter_t, 16> coarse{};  // 100, 200, ... 1600
  std::ranges::generate(coarse,
                        [d = 0.0]() mutable { return millimeter_t{d += 100}; });
  coarse[3] = millimeter_t{-1};
  coarse[4] = millimeter_t{5000};  // beyond the range limit
  coarse[5] = millimeter_t{4000};  // at the range limit
  ASSERT_TRUE(sim.SetZoneDistances(coarse));
  const auto readings = Readings(ranger);
  EXPECT_THAT((std::array{readings[0], readings[3], readings[4], readings[5],
                          readings[15]}),
              ElementsAre(100, -1, -1, 4000, 1600));
  // At 8x8 each zone of the 4x4 grid covers 2x2 zones.
  ASSERT_EQ(ranger.SetResolution(VantorResolution::k8x8), Status::kOk);
  const auto fine = Readings(ranger);
  EXPECT_THAT((std::array{fine[0], fine[9], fine[63], fine[7]}),
              ElementsAre(100, 100, 1600, -1));

  std::array<millimeter_t, 64> cells{};
  cells.fill(millimeter_t{800});
  cells[0] = millimeter_t{200};
  cells[1] = millimeter_t{-1};
  cells[9] = millimeter_t{std::nan("")};
  ASSERT_TRUE(sim.SetZoneDistances(cells));
  EXPECT_EQ(Readings(ranger)[0], 200);
  // At 4x4 zone 0 covers cells 0, 1, 8 and 9: the mean of those in view.
  ASSERT_EQ(ranger.SetResolution(VantorResolution::k4x4), Status::kOk);
  EXPECT_FALSE(sim.SetZoneDistances(std::array<millimeter_t, 9>{}));
  const auto mean = Readings(ranger);
  EXPECT_THAT((std::array{mean[0], mean[1]}), ElementsAre(500, 800));
}

TEST_F(SimVantorTest, SettingsComeBackThroughTheConfigurationAndTheMask) {
  EXPECT_THAT(
      (std::array{ranger.SetOutputRate(30), ranger.SetRangingFrequency(60),
                  ranger.SetResolution(VantorResolution::k8x8),
                  ranger.SetZoneMask(0x8000000000000003ULL)}),
      Each(Status::kOk));
  EXPECT_THAT(
      (std::array{ranger.SetOutputRate(0), ranger.SetRangingFrequency(61),
                  ranger.SetResolution(static_cast<VantorResolution>(32))}),
      Each(kInvalid));
  sim.SetFirmwareVersion(2, 7, 300);
  sim.SetRangeLimit(millimeter_t{1e9});
  const auto config = *ranger.GetConfig();
  EXPECT_THAT(
      (std::array<std::optional<std::int32_t>, 4>{
          config.setting0, config.setting1, config.setting2, config.setting3}),
      ElementsAre(30, 60, 64, 32767));
  EXPECT_TRUE(config.flag0 && config.flag1 && config.flag2);
  EXPECT_EQ(config.zoneMask, 0x8000000000000003ULL);
  EXPECT_EQ(config.firmwareVersion.value().patch, 300);
  // Only zones 0, 1 and 63 are in the mask.
  const auto readings = Readings(ranger);
  EXPECT_EQ(std::count(readings.begin(), readings.end(), -1.0), 61);
  EXPECT_THAT((std::array{readings.at(0), readings.at(1), readings.at(63)}),
              Each(::testing::Gt(0)));
}

TEST(SimNoiseTest, SeededNoiseRepeatsOnEveryKindOfDevice) {
  // Two devices of a kind given one seed read alike, noisy readings differ
  // from one sample to the next, and seeding again starts the draws over.
  // Without noise, exact readings everywhere else show that it is off by
  // default.
  const SimAddress one = TestAddress("-1"), two = TestAddress("-2");
  const auto seed = [](const SimAddress& address) {
    SimKinetra{address}.SetNoise({degree_t{0.5}}, 1234);
    SimLumeno{address}.SetNoise(0.02, 7);
    SimVantor{address}.SetNoise(millimeter_t{15}, 99);
  };
  seed(one);
  seed(two);
  const Kinetra imus[] = {Kinetra::FromSerialDevice(one.GetPath(), 0),
                          Kinetra::FromSerialDevice(two.GetPath(), 0)};
  const Lumeno sensors[] = {Lumeno::FromSerialDevice(one.GetPath()),
                            Lumeno::FromSerialDevice(two.GetPath())};
  const Vantor rangers[] = {Vantor::FromSerialDevice(one.GetPath()),
                            Vantor::FromSerialDevice(two.GetPath())};
  // The first device's sample, then the second's, then the first's next;
  // after seeding again, the first device's sample once more.
  const auto repeats = [&](auto read) {
    const auto first = read(0);
    EXPECT_EQ(first, read(1));
    EXPECT_NE(first, read(0));
    seed(one);
    EXPECT_EQ(first, read(0));
  };
  repeats([&](int i) { return imus[i].GetYaw()->value(); });
  repeats([&](int i) { return sensors[i].GetColor()->X; });
  repeats([&](int i) { return Readings(rangers[i]); });
  EXPECT_THAT(Readings(rangers[0]), Near(FlatReadings(2000, 4), 100));
}

#if defined(_WIN32)
// Windows has no process-wide symbols: the simulated driver finds WPILib's
// HAL as the loaded module wpiHal.dll, so a stand-in HAL loaded under
// another file name is loaded privately.
void* LoadPrivately(const char* path) {
  return LoadLibraryA(path);
}
void* LoadedDriver() {
  return GetModuleHandleW(L"KelvaraLibDriver.dll");
}
void* Find(void* module, const char* name) {
  return std::bit_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(module), name));
}
bool HalIsLoaded() {
  return GetModuleHandleW(L"wpiHal.dll") != nullptr;
}
void Unload(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}
#else
void* LoadPrivately(const char* path) {
  return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}
void* LoadedDriver() {
  return dlopen("libKelvaraLibDriver.so", RTLD_NOW | RTLD_NOLOAD);
}
void* Find(void* module, const char* name) {
  return dlsym(module, name);
}
bool HalIsLoaded() {
  return dlsym(RTLD_DEFAULT, "HAL_CreateSimDevice") != nullptr;
}
void Unload(void* module) {
  dlclose(module);
}
#endif

/// The status that a create function reports, or -1 if it issues no handle.
template <typename Create, typename... Args>
std::int32_t OpenStatus(Create create, Args... args) {
  std::int32_t status = -12345;
  return create(args..., &status) > 0 ? status : -1;
}

// The simulated driver stands in for the driver module, so it defines every
// driver function, also those that the library does not call.
TEST(SimDriverTest, DefinesEveryDriverFunction) {
  void* module = LoadedDriver();
  ASSERT_NE(module, nullptr);
  int listed = 0;
  for (const char* name : {KELVARA_DRIVER_FUNCTIONS(KELVARA_DRIVER_NAME)}) {
    EXPECT_NE(Find(module, name), nullptr) << name;
    ++listed;
  }
  EXPECT_EQ(listed, 37);
  Unload(module);
}

// Where WPILib's HAL is not loaded, the simulated driver publishes nothing
// and works as ever. The stand-in HAL is loaded here privately: its
// functions exist but are not among the process's global symbols.
TEST(SimDriverTest, WithoutTheHalNothingIsPublished) {
  void* hal = LoadPrivately(KELVARA_STAND_IN_HAL);
  ASSERT_NE(hal, nullptr);
  ASSERT_FALSE(HalIsLoaded());
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast)
  const auto count =
      reinterpret_cast<StandInHalCounts (*)()>(Find(hal, "StandInHal_Count"));
  ASSERT_NE(count, nullptr);
  {
    const std::string path = TestPath();
    SimKinetra sim{SimAddress::Serial(path)};
    const Kinetra imu = Kinetra::FromSerialDevice(path, 0);
    const Lumeno lumeno = Lumeno::FromSerialDevice(path);
    const Vantor ranger = Vantor::FromSerialDevice(path);
    sim.SetYaw(degree_t{30});
    SimClock::Advance(second_t{1});
    EXPECT_NEAR(imu.GetYaw()->value(), 30, 1e-9);
    EXPECT_TRUE(lumeno.GetColor() && ranger.GetScan());
    EXPECT_EQ(
        CanBus::RequestMode(CANPort::CAN_D2, CanBusMode::kMode1, second_t{0}),
        Status::kOk);
    sim.Detach();
    EXPECT_FALSE(imu.IsConnected());
    SimCanBus{CANPort::CAN_D2}.Reset();
    SimClock::Reset();
  }
  EXPECT_EQ(count().calls, 0);
  Unload(hal);
}

TEST(SimDriverTest, OpeningWithoutMemoryIssuesNoHandleAndThrowsNothing) {
  // Each allocation of the create call fails in turn, until none is left.
  const std::string path = TestPath();
  SimKinetra sim{SimAddress::Serial(path)};
  std::int32_t status = static_cast<std::int32_t>(SimResult::kOutOfMemory);
  std::int32_t imu = 0;
  std::size_t allowed = 0;
  for (; status == static_cast<std::int32_t>(SimResult::kOutOfMemory);
       ++allowed) {
    EXPECT_EQ(imu, 0);
    EXPECT_EQ(sim.GetOpenHandleCount(), 0);
    FailAllocationAfter(allowed);
    imu = KELVARA_Kinetra_CreateSerial(path.c_str(), 0, &status);
    FailAllocationAfter(kNeverFail);
  }
  EXPECT_TRUE(allowed > 1 && status == 0 && sim.GetOpenHandleCount() == 1);
  KELVARA_Kinetra_Destroy(imu);
}

TEST(SimDriverTest, HandlesAreIssuedAlwaysNeverReusedAndReleasedOnce) {
  const std::string path = TestPath();
  const char* at = path.c_str();
  SimVantor sim{SimAddress::Serial(path)};
  // Opening reports an absent device, or an address that cannot hold one,
  // but still issues a handle.
  SimLumeno{sim.GetAddress()}.Detach();
  EXPECT_EQ(OpenStatus(KELVARA_Vantor_CreateSerial, at), 0);
  EXPECT_EQ(OpenStatus(KELVARA_Lumeno_CreateSerial, at), kAbsent);
  EXPECT_EQ(OpenStatus(KELVARA_Kinetra_CreateCan, 24, 62, 0), 0);
  EXPECT_EQ(OpenStatus(KELVARA_Vantor_CreateCan, 0, 63), kAbsent);
  EXPECT_EQ(OpenStatus(KELVARA_Lumeno_CreateUsb, 3), 0);
  EXPECT_EQ(OpenStatus(KELVARA_Kinetra_CreateUsb, -2, 0), kAbsent);
  SimKinetra impossible{SimAddress::Can(1, static_cast<CANPort>(25))};
  impossible.Attach();
  EXPECT_FALSE(impossible.IsAttached());

  std::int32_t status = 0;
  const std::int32_t released = KELVARA_Kinetra_CreateSerial(at, 0, &status);
  KELVARA_Kinetra_Destroy(released);
  std::set<std::int32_t> seen{released};
  for (int i = 0; i < 50; ++i) {
    const std::int32_t imu = KELVARA_Kinetra_CreateSerial(at, 0, &status);
    const std::int32_t ranger = KELVARA_Vantor_CreateSerial(at, &status);
    EXPECT_TRUE(seen.insert(imu).second && seen.insert(ranger).second);
    KELVARA_Kinetra_Destroy(imu);
    KELVARA_Vantor_Destroy(ranger);
  }
  // With devices of both kinds open there, the released handle reaches
  // nothing, a handle works only with its own kind, and only its own
  // kind's first release counts.
  const std::int32_t imu = KELVARA_Kinetra_CreateSerial(at, 0, &status);
  const std::int32_t first = KELVARA_Vantor_CreateSerial(at, &status);
  const std::int32_t second = KELVARA_Vantor_CreateSerial(at, &status);
  EXPECT_EQ(KELVARA_Kinetra_ResetYaw(released), kUnknown);
  // Refused calls leave the out buffer alone.
  VantorScanData scan;
  std::memset(&scan, 0xA5, sizeof scan);
  const VantorScanData before = scan;
  EXPECT_EQ(KELVARA_Vantor_GetScan(imu, &scan), kUnknown);
  sim.FailNextCalls(1, -77);
  EXPECT_EQ(KELVARA_Vantor_GetScan(first, &scan), -77);
  sim.Detach();
  EXPECT_EQ(KELVARA_Vantor_GetScan(first, &scan), kAbsent);
  sim.Attach();
  EXPECT_EQ(std::memcmp(&scan, &before, sizeof scan), 0);
  sim.DeliverInvalidRecords(true);  // a scan with a valid word of 0
  EXPECT_EQ(KELVARA_Vantor_GetScan(first, &scan), 0);
  EXPECT_EQ(scan.valid, 0);
  EXPECT_EQ(KELVARA_Vantor_GetScan(first, nullptr),
            static_cast<std::int32_t>(kInvalid));
  const int open = sim.GetOpenHandleCount();
  KELVARA_Vantor_Destroy(0);
  KELVARA_Vantor_Destroy(0x7FFF0000);
  KELVARA_Vantor_Destroy(imu);
  KELVARA_Kinetra_Destroy(first);
  EXPECT_EQ(sim.GetOpenHandleCount(), open);
  EXPECT_EQ(KELVARA_Kinetra_IsConnected(imu), 1);
  KELVARA_Vantor_Destroy(first);
  KELVARA_Vantor_Destroy(first);
  EXPECT_EQ(sim.GetOpenHandleCount(), open - 1);
  KELVARA_Vantor_Destroy(second);
  KELVARA_Kinetra_Destroy(imu);
}

TEST(SimDeviceTest, DetachFaultsAndResetKeepTheDeviceAndItsHandles) {
  const SimAddress address = TestAddress();
  SimKinetra sim{address};
  Kinetra imu = Kinetra::FromSerialDevice(address.GetPath(), 0);
  ASSERT_EQ(imu.SetOutputRate(50), Status::kOk);
  {
    Kinetra second = Kinetra::FromSerialDevice(address.GetPath(), 0);
    const Kinetra moved = std::move(second);
    EXPECT_EQ(sim.GetOpenHandleCount(), 2);
    // A moved-from object holds handle 0, which reaches no device.
    EXPECT_EQ(second.ResetYaw(),  // NOLINT(bugprone-use-after-move)
              AsStatus(SimResult::kUnknownHandle));
  }
  EXPECT_EQ(sim.GetOpenHandleCount(), 1);
  sim.Detach();
  EXPECT_FALSE(imu.IsConnected());
  EXPECT_EQ(imu.SetOutputRate(40), AsStatus(SimResult::kNotConnected));
  EXPECT_FALSE(imu.GetYaw());
  // Injected failures come before the absence of the device.
  sim.FailNextCalls(2, 9);
  EXPECT_EQ(imu.ResetYaw(), static_cast<Status>(9));
  sim.Attach();
  EXPECT_EQ(sim.GetOutputRate(), 50);
  // Failures injected again take the place of those pending.
  sim.FailNextCalls(2, -42);
  EXPECT_TRUE(imu.IsConnected());  // not a counted call
  EXPECT_EQ(imu.ResetYaw(), static_cast<Status>(-42));
  EXPECT_EQ(imu.GetFirmwareVersion().error(), static_cast<Status>(-42));
  EXPECT_EQ(imu.ResetYaw(), Status::kOk);
  // A count of 0 or a code of 0 cancels what is pending.
  for (const auto& [count, code] : {std::pair{0, 5}, std::pair{4, 0}}) {
    sim.FailNextCalls(2, 5);
    sim.FailNextCalls(count, code);
    EXPECT_EQ(imu.ResetYaw(), Status::kOk);
  }
  sim.SetInvalidGroups(0x002 | 0x200);  // pitch and roll, temperature
  EXPECT_TRUE(imu.GetYaw() && imu.GetTimestamp());
  EXPECT_FALSE(imu.GetPitch() || imu.GetRoll() || imu.GetTemperature());
  sim.SetInvalidGroups(0x3FF);
  EXPECT_FALSE(imu.GetTimestamp() || imu.GetQuaternion9d());
  sim.SetInvalidGroups(0);
  EXPECT_TRUE(imu.GetPitch());
  sim.DeliverInvalidRecords(true);  // a valid word of 0
  EXPECT_FALSE(imu.GetYaw() || imu.GetTimestamp());

  // A reset restores the defaults and keeps the handles.
  sim.FailNextCalls(2, 9);
  sim.Reset();
  EXPECT_EQ(sim.GetPendingFailures(), 0);
  EXPECT_EQ(sim.GetOpenHandleCount(), 1);
  EXPECT_EQ(sim.GetOutputRate(), 100);
  EXPECT_TRUE(imu.GetPitch());
}

TEST(SimCanBusTest, EveryPortKeepsItsOwnModeAndRefusesWhatItCannotDo) {
  for (int port = 0; port < 25; ++port) {
    SimCanBus{static_cast<CANPort>(port)}.Reset();
  }
  auto request = [](CANPort port, double timeout) {
    return CanBus::RequestMode(port, CanBusMode::kMode1, second_t{timeout});
  };
  EXPECT_EQ(request(CANPort::CAN_D7, 0.1), Status::kOk);
  for (int port = 0; port < 25; ++port) {
    const auto p = static_cast<CANPort>(port);
    const auto mode =
        p == CANPort::CAN_D7 ? CanBusMode::kMode1 : CanBusMode::kMode0;
    EXPECT_EQ(CanBus::GetMode(p), mode) << port;
  }
  const auto missing = static_cast<CANPort>(25);
  EXPECT_EQ(request(missing, 1), kInvalid);
  EXPECT_EQ(CanBus::GetMode(missing), std::nullopt);
  EXPECT_EQ(CanBus::GetMode(static_cast<CANPort>(-1)), std::nullopt);
  EXPECT_EQ(SimCanBus{missing}.GetMode(), std::nullopt);

  // Refused and failed requests leave the mode alone.
  SimCanBus port{CANPort::CAN_S4};
  EXPECT_EQ(request(CANPort::CAN_S4, -0.5), kInvalid);
  port.FailNextRequests(1, 13);
  EXPECT_EQ(request(CANPort::CAN_S4, 1), static_cast<Status>(13));
  EXPECT_EQ(port.GetMode(), CanBusMode::kMode0);
  EXPECT_EQ(request(CANPort::CAN_S4, 0), Status::kOk);
  EXPECT_EQ(port.GetMode(), CanBusMode::kMode1);
  EXPECT_EQ(port.GetRequestCount(), 3);
  port.SetMode(CanBusMode::kMode0);
  EXPECT_EQ(CanBus::GetMode(CANPort::CAN_S4), CanBusMode::kMode0);
}

// The C control functions refuse, with a code, what the C++ classes never
// pass.
TEST(SimControlTest, CFunctionsRefuseNullsUnknownKindsAndTransports) {
  const std::string path = TestPath();
  const KelvaraSim_Address good{KelvaraSim_kSerial, 0, 0, path.data(),
                                path.size()};
  const KelvaraSim_Address unknown{7, 0, 0, nullptr, 0};
  const KelvaraSim_Address nullPath{KelvaraSim_kSerial, 0, 0, nullptr, 3};
  bool flag = false;
  for (const std::int32_t code :
       {KelvaraSim_Device_IsAttached(KelvaraSim_kKinetra, nullptr, &flag),
        KelvaraSim_Device_IsAttached(3, &good, &flag),
        KelvaraSim_Device_Detach(KelvaraSim_kVantor, &unknown),
        KelvaraSim_Kinetra_SetYaw(&nullPath, 1.0),
        KelvaraSim_Kinetra_IsNineAxisYaw(&good, nullptr),
        KelvaraSim_Address_CanHoldDevice(&unknown, &flag),
        KelvaraSim_Clock_Now(nullptr), KelvaraSim_CanBus_GetMode(0, nullptr)}) {
    EXPECT_EQ(code, KelvaraSim_kInvalidArgument);
  }
}

// The simulated IMU from several threads at once. CI runs this suite under
// ThreadSanitizer by name.
TEST(SimHammerTest, EverySampleDescribesTheInstantOfItsTimestamp) {
  // The six-axis yaw drifts at 1 degree per second from 0 while another
  // thread runs the clock: yaw, angle, the six-axis quaternion and the drift
  // so far must all say the time that the sample's timestamp says.
  const std::string path = TestPath();
  SimKinetra sim{SimAddress::Serial(path)};
  const Kinetra imu = Kinetra::FromSerialDevice(path, 0);
  SimClock::Reset();
  sim.SetYawDriftRate(degrees_per_second_t{1});
  ASSERT_EQ(Kinetra::FromSerialDevice(path, 0).Use9AxisYaw(false), Status::kOk);
  std::atomic<int> inconsistent{0};
  auto read = [&] {
    for (int i = 0; i < 1000; ++i) {
      const auto sample = imu.GetSample();
      const double t = sample->timestamp->value();
      const std::array values{sample->yaw->value(), sample->angle->value(),
                              Ypr(*sample->rotation3d)[0],
                              sample->algorithmState->value0};
      inconsistent +=
          std::ranges::all_of(values,
                              [t](double v) { return std::abs(v - t) < 1e-9; })
              ? 0
              : 1;
    }
  };
  auto tick = [] {
    for (int i = 0; i < 2000; ++i) {
      SimClock::Advance(millisecond_t{1});
    }
  };
  RunTogether(read, read, tick);
  EXPECT_EQ(inconsistent, 0);
  SimClock::Reset();
}

}  // namespace
