// One simulated device used from several threads at once through the
// library, while simulation code changes it: every answer must be one that
// the device could give. Built also under ThreadSanitizer by CI.

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "kelvara/Kinetra.hpp"
#include "kelvara/sim/SimClock.hpp"
#include "kelvara/sim/SimKinetra.hpp"
#include "support/SimTestAddress.hpp"

namespace {

using kelvara::Kinetra;
using kelvara::sim::SimKinetra;
using wpi::units::degree_t;

constexpr int kIterations = 2000;
constexpr int kReaders = 3;

/// True when the yaw is one of those the writer sets: a multiple of 10 from
/// 0 to 90 degrees.
bool IsSetYaw(double yaw) {
  const double tens = yaw / 10.0;
  return std::abs(tens - std::round(tens)) < 1e-9 && tens > -1e-9 &&
         tens < 9.0 + 1e-9;
}

TEST(SimHammerTest, OneImuFromManyThreads) {
  const std::string path = kelvara::test::TestPath();
  SimKinetra sim{kelvara::sim::SimAddress::Serial(path)};
  const Kinetra imu = Kinetra::FromSerialDevice(path, 0);
  std::atomic<int> badAnswers{0};
  std::atomic<int> answers{0};

  std::vector<std::thread> threads;
  for (int reader = 0; reader < kReaders; ++reader) {
    threads.emplace_back([&] {
      for (int i = 0; i < kIterations; ++i) {
        if (const auto yaw = imu.GetYaw()) {
          badAnswers += IsSetYaw(yaw->value()) ? 0 : 1;
          ++answers;
        }
        if (const auto rotation = imu.GetRotation3d()) {
          badAnswers += IsSetYaw(degree_t{rotation->Z()}.value()) ? 0 : 1;
        }
        if (const auto time = imu.GetTimestamp()) {
          badAnswers += time->value() >= 0 ? 0 : 1;
        }
        static_cast<void>(imu.IsConnected());
      }
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < kIterations; ++i) {
      Kinetra other = Kinetra::FromSerialDevice(path, i);
      static_cast<void>(other.GetAngle());
    }
  });
  threads.emplace_back([&] {
    for (int i = 0; i < kIterations; ++i) {
      sim.SetYaw(degree_t{10.0 * (i % 10)});
      kelvara::sim::SimClock::Advance(wpi::units::millisecond_t{1});
      if (i % 100 == 0) {
        sim.Detach();
        sim.Attach();
      }
    }
  });
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(badAnswers, 0);
  EXPECT_GT(answers, 0);
  EXPECT_EQ(sim.GetOpenHandleCount(), 1);
}

}  // namespace
