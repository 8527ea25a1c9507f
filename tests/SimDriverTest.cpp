// The simulated driver's handle contracts, at the driver boundary itself:
// handles are issued also for absent devices, never reused, released once,
// and out buffers are written only on success.

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "driver/KelvaraLibDriver.hpp"
#include "kelvara/sim/SimKinetra.hpp"
#include "kelvara/sim/SimLumeno.hpp"
#include "kelvara/sim/SimResult.hpp"
#include "kelvara/sim/SimVantor.hpp"
#include "support/SimTestAddress.hpp"

namespace {

using kelvara::sim::SimAddress;
using kelvara::sim::SimKinetra;
using kelvara::sim::SimLumeno;
using kelvara::sim::SimResult;
using kelvara::sim::SimVantor;
using kelvara::test::TestAddress;
using kelvara::test::TestPath;

constexpr std::int32_t Code(SimResult result) {
  return static_cast<std::int32_t>(result);
}

struct Opened {
  std::int32_t handle;
  std::int32_t status;
};

/// Opens through one of the nine create functions.
using Opener = std::function<Opened()>;

template <typename Create, typename... Args>
Opened OpenWith(Create create, Args... args) {
  std::int32_t status = -12345;
  const std::int32_t handle = create(args..., &status);
  return {handle, status};
}

TEST(SimDriverTest, CreateIssuesAHandleAlsoWhenTheDeviceIsAbsent) {
  const std::string path = TestPath();
  SimKinetra{SimAddress::Serial(path)}.Detach();
  const struct {
    const char* name;
    Opener open;
    std::int32_t status;
  } cases[] = {
      {"present on CAN",
       [] { return OpenWith(KELVARA_Kinetra_CreateCan, 24, 62, 0); },
       Code(SimResult::kOk)},
      {"present on USB, no port named",
       [] { return OpenWith(KELVARA_Lumeno_CreateUsb, -1); },
       Code(SimResult::kOk)},
      {"present on USB port 3",
       [] { return OpenWith(KELVARA_Vantor_CreateUsb, 3); },
       Code(SimResult::kOk)},
      {"detached",
       [&path] {
         return OpenWith(KELVARA_Kinetra_CreateSerial, path.c_str(), 7);
       },
       Code(SimResult::kNotConnected)},
      {"CAN port that does not exist",
       [] { return OpenWith(KELVARA_Lumeno_CreateCan, 25, 1); },
       Code(SimResult::kNotConnected)},
      {"CAN id out of range",
       [] { return OpenWith(KELVARA_Vantor_CreateCan, 0, 63); },
       Code(SimResult::kNotConnected)},
      {"empty serial path",
       [] { return OpenWith(KELVARA_Vantor_CreateSerial, ""); },
       Code(SimResult::kNotConnected)},
      {"USB port below -1",
       [] { return OpenWith(KELVARA_Kinetra_CreateUsb, -2, 0); },
       Code(SimResult::kNotConnected)},
  };
  for (const auto& c : cases) {
    const Opened opened = c.open();
    EXPECT_GT(opened.handle, 0) << c.name;
    EXPECT_EQ(opened.status, c.status) << c.name;
  }
}

TEST(SimDriverTest, HandlesAreNeverReused) {
  const std::string path = TestPath();
  std::set<std::int32_t> seen;
  std::int32_t status = 0;
  for (int i = 0; i < 50; ++i) {
    const std::int32_t kinetra =
        KELVARA_Kinetra_CreateSerial(path.c_str(), 0, &status);
    const std::int32_t lumeno =
        KELVARA_Lumeno_CreateSerial(path.c_str(), &status);
    EXPECT_TRUE(seen.insert(kinetra).second);
    EXPECT_TRUE(seen.insert(lumeno).second);
    KELVARA_Kinetra_Destroy(kinetra);
    KELVARA_Lumeno_Destroy(lumeno);
  }
  // A released handle stays unknown while a device of the same kind and
  // address is open under a new handle.
  const std::int32_t released = *seen.begin();
  const std::int32_t open =
      KELVARA_Kinetra_CreateSerial(path.c_str(), 0, &status);
  EXPECT_EQ(KELVARA_Kinetra_IsConnected(open), 1);
  EXPECT_EQ(KELVARA_Kinetra_IsConnected(released), 0);
  EXPECT_EQ(KELVARA_Kinetra_ResetYaw(released),
            Code(SimResult::kUnknownHandle));
  KELVARA_Kinetra_Destroy(open);
}

TEST(SimDriverTest, DestroyIgnoresZeroUnknownAndReleasedHandles) {
  const SimAddress address = TestAddress();
  const SimVantor ranger{address};
  std::int32_t status = 0;
  const std::int32_t first =
      KELVARA_Vantor_CreateSerial(address.GetPath().c_str(), &status);
  const std::int32_t second =
      KELVARA_Vantor_CreateSerial(address.GetPath().c_str(), &status);
  EXPECT_EQ(ranger.GetOpenHandleCount(), 2);
  KELVARA_Vantor_Destroy(0);
  KELVARA_Vantor_Destroy(0x7FFF0000);
  KELVARA_Kinetra_Destroy(first);  // another kind's release function
  EXPECT_EQ(ranger.GetOpenHandleCount(), 2);
  KELVARA_Vantor_Destroy(first);
  KELVARA_Vantor_Destroy(first);
  EXPECT_EQ(ranger.GetOpenHandleCount(), 1);
  EXPECT_EQ(KELVARA_Vantor_IsConnected(second), 1);
  KELVARA_Vantor_Destroy(second);
  EXPECT_EQ(ranger.GetOpenHandleCount(), 0);
}

TEST(SimDriverTest, AHandleWorksOnlyWithItsOwnKind) {
  std::int32_t status = 0;
  const std::int32_t imu =
      KELVARA_Kinetra_CreateSerial(TestPath().c_str(), 0, &status);
  LumenoColorData color{};
  VantorScanData scan{};
  EXPECT_EQ(KELVARA_Lumeno_IsConnected(imu), 0);
  EXPECT_EQ(KELVARA_Lumeno_GetColor(imu, &color),
            Code(SimResult::kUnknownHandle));
  EXPECT_EQ(KELVARA_Vantor_GetScan(imu, &scan),
            Code(SimResult::kUnknownHandle));
  EXPECT_EQ(KELVARA_Kinetra_GetData(0, nullptr),
            Code(SimResult::kUnknownHandle));
  KELVARA_Kinetra_Destroy(imu);
}

TEST(SimDriverTest, OutBuffersAreWrittenOnlyOnSuccess) {
  const SimAddress address = TestAddress();
  const char* path = address.GetPath().c_str();
  std::int32_t status = 0;
  const std::int32_t imu = KELVARA_Kinetra_CreateSerial(path, 0, &status);
  const std::int32_t sensor = KELVARA_Lumeno_CreateSerial(path, &status);
  const std::int32_t ranger = KELVARA_Vantor_CreateSerial(path, &status);
  SimKinetra imuSim{address};
  SimLumeno sensorSim{address};
  SimVantor rangerSim{address};
  using Call = std::function<std::int32_t(bool valid, void* buffer)>;
  const struct {
    const char* name;
    kelvara::sim::SimDevice* device;
    Call call;
  } calls[] = {
      {"GetData", &imuSim,
       [imu](bool valid, void* b) {
         return KELVARA_Kinetra_GetData(valid ? imu : 0,
                                        static_cast<KinetraData*>(b));
       }},
      {"GetFirmwareVersion", &imuSim,
       [imu](bool valid, void* b) {
         return KELVARA_Kinetra_GetFirmwareVersion(
             valid ? imu : 0, static_cast<std::int32_t*>(b));
       }},
      {"GetColor", &sensorSim,
       [sensor](bool valid, void* b) {
         return KELVARA_Lumeno_GetColor(valid ? sensor : 0,
                                        static_cast<LumenoColorData*>(b));
       }},
      {"GetConfigValue", &sensorSim,
       [sensor](bool valid, void* b) {
         return KELVARA_Lumeno_GetConfigValue(valid ? sensor : 0, 8,
                                              static_cast<std::uint32_t*>(b));
       }},
      {"GetScan", &rangerSim,
       [ranger](bool valid, void* b) {
         return KELVARA_Vantor_GetScan(valid ? ranger : 0,
                                       static_cast<VantorScanData*>(b));
       }},
      {"GetConfig", &rangerSim,
       [ranger](bool valid, void* b) {
         return KELVARA_Vantor_GetConfig(valid ? ranger : 0,
                                         static_cast<VantorConfigData*>(b));
       }},
  };
  auto expectUntouched = [](const Call& call, bool valid, std::int32_t code,
                            const char* name) {
    alignas(8) std::array<std::byte, 272> buffer;
    buffer.fill(std::byte{0xA5});
    EXPECT_EQ(call(valid, buffer.data()), code) << name;
    for (std::byte b : buffer) {
      ASSERT_EQ(b, std::byte{0xA5}) << name << " wrote after a failure";
    }
  };
  for (const auto& c : calls) {
    expectUntouched(c.call, false, Code(SimResult::kUnknownHandle), c.name);
    c.device->FailNextCalls(1, -77);
    expectUntouched(c.call, true, -77, c.name);
    c.device->Detach();
    expectUntouched(c.call, true, Code(SimResult::kNotConnected), c.name);
    c.device->Attach();
    EXPECT_EQ(c.call(true, nullptr), Code(SimResult::kInvalidArgument))
        << c.name;
  }
  std::uint32_t value = 0xA5A5A5A5;
  EXPECT_EQ(KELVARA_Lumeno_GetConfigValue(sensor, 999, &value),
            Code(SimResult::kUnsupportedItem));
  EXPECT_EQ(value, 0xA5A5A5A5);
  KELVARA_Kinetra_Destroy(imu);
  KELVARA_Lumeno_Destroy(sensor);
  KELVARA_Vantor_Destroy(ranger);
}

}  // namespace
