// Robot code built with another compiler and standard library than the
// libraries it links (Clang with libc++ against GCC-built ones): it opens
// each kind of device on the simulated driver, steers it through the sim
// control interface and checks one value from each. Exits non-zero on a
// wrong answer, naming it.
#include <cmath>
#include <cstdio>

#include <kelvara/CanBus.hpp>
#include <kelvara/Kinetra.hpp>
#include <kelvara/Lumeno.hpp>
#include <kelvara/Vantor.hpp>
#include <kelvara/sim/SimCanBus.hpp>
#include <kelvara/sim/SimKinetra.hpp>
#include <kelvara/sim/SimLumeno.hpp>
#include <kelvara/sim/SimVantor.hpp>

namespace {

int Check(bool ok, const char* what) {
  if (!ok) {
    std::printf("other toolchain: wrong %s\n", what);
  }
  return ok ? 0 : 1;
}

}  // namespace

int main() {
  namespace sim = kelvara::sim;
  using namespace wpi::units::literals;
  constexpr auto kPort = wpi::CANPort::CAN_S1;

  sim::SimKinetra gyro{sim::SimAddress::Can(3, kPort)};
  const kelvara::Kinetra imu{3, kPort, 0};
  gyro.SetYaw(42_deg);
  const auto sample = imu.GetSample();
  int failures =
      Check(sample && sample->yaw && std::abs(sample->yaw->value() - 42) < 1e-9,
            "IMU yaw");

  sim::SimLumeno surface{sim::SimAddress::Can(4, kPort)};
  kelvara::Lumeno colorSensor{4, kPort};
  surface.SetSurfaceColor(wpi::util::Color{1.0, 0.0, 0.0});
  const auto reading = colorSensor.GetColor();
  failures += Check(reading && reading->ToColor().red > 0.99 &&
                        reading->ToColor().green < 0.01,
                    "colour");

  sim::SimVantor scene{sim::SimAddress::Can(5, kPort)};
  const kelvara::Vantor ranger{5, kPort};
  scene.SetTarget(750_mm);
  const auto closest = ranger.GetClosestDistance();
  // Each zone looks at the flat target at its own angle, so no zone sees it
  // nearer than straight ahead.
  failures +=
      Check(closest && closest->value() >= 750 && closest->value() < 800,
            "ranger distance");

  sim::SimCanBus bus{kPort};
  bus.SetMode(kelvara::CanBusMode::kMode1);
  failures +=
      Check(kelvara::CanBus::GetMode(kPort) == kelvara::CanBusMode::kMode1,
            "bus mode");

  if (failures == 0) {
    std::puts("other toolchain: every device answered");
  }
  return failures;
}
