// The simulated driver's handle contracts, at the driver boundary itself:
// handles are issued also for absent devices, never reused, released once,
// and out buffers are written only on success.

#include <array>
#include <cstdint>
#include <cstring>
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

/// Every function that fills a caller's buffer, called with a buffer full of
/// a marker byte; returns the code and whether the buffer still holds only
/// the marker.
struct BufferCall {
  const char* name;
  std::function<std::int32_t(std::int32_t handle, std::byte* buffer)> call;
  int kind;  // 0 Kinetra, 1 Lumeno, 2 Vantor
};

TEST(SimDriverTest, OutBuffersAreWrittenOnlyOnSuccess) {
  using Buffer = std::array<std::byte, 272>;
  const BufferCall calls[] = {
      {"GetData",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Kinetra_GetData(h, reinterpret_cast<KinetraData*>(b));
       },
       0},
      {"GetFirmwareVersion",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Kinetra_GetFirmwareVersion(
             h, reinterpret_cast<std::int32_t*>(b));
       },
       0},
      {"GetSensorUuid",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Kinetra_GetSensorUuid(
             h, reinterpret_cast<std::uint32_t*>(b));
       },
       0},
      {"SelfTest",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Kinetra_SelfTest(h, reinterpret_cast<std::int32_t*>(b));
       },
       0},
      {"GetColor",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Lumeno_GetColor(h,
                                        reinterpret_cast<LumenoColorData*>(b));
       },
       1},
      {"GetConfigValue",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Lumeno_GetConfigValue(
             h, 8, reinterpret_cast<std::uint32_t*>(b));
       },
       1},
      {"GetScan",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Vantor_GetScan(h, reinterpret_cast<VantorScanData*>(b));
       },
       2},
      {"GetConfig",
       [](std::int32_t h, std::byte* b) {
         return KELVARA_Vantor_GetConfig(
             h, reinterpret_cast<VantorConfigData*>(b));
       },
       2},
  };
  const SimAddress address = TestAddress();
  const char* path = address.GetPath().c_str();
  std::int32_t status = 0;
  const std::array<std::int32_t, 3> handles{
      KELVARA_Kinetra_CreateSerial(path, 0, &status),
      KELVARA_Lumeno_CreateSerial(path, &status),
      KELVARA_Vantor_CreateSerial(path, &status)};
  SimKinetra imu{address};
  SimLumeno sensor{address};
  SimVantor ranger{address};
  kelvara::sim::SimDevice* devices[] = {&imu, &sensor, &ranger};

  auto untouched = [](const BufferCall& c, std::int32_t handle,
                      std::int32_t expected) {
    alignas(8) Buffer buffer;
    buffer.fill(std::byte{0xA5});
    EXPECT_EQ(c.call(handle, buffer.data()), expected) << c.name;
    for (std::byte b : buffer) {
      ASSERT_EQ(b, std::byte{0xA5}) << c.name << " wrote after a failure";
    }
  };
  for (const auto& c : calls) {
    const auto kind = static_cast<std::size_t>(c.kind);
    untouched(c, 0, Code(SimResult::kUnknownHandle));
    devices[kind]->FailNextCalls(1, -77);
    untouched(c, handles[kind], -77);
    devices[kind]->Detach();
    untouched(c, handles[kind], Code(SimResult::kNotConnected));
    devices[kind]->Attach();
    EXPECT_EQ(c.call(handles[kind], nullptr), Code(SimResult::kInvalidArgument))
        << c.name;
    alignas(8) Buffer buffer{};
    EXPECT_EQ(c.call(handles[kind], buffer.data()), Code(SimResult::kOk))
        << c.name;
  }
  std::uint32_t value = 0xA5A5A5A5;
  EXPECT_EQ(KELVARA_Lumeno_GetConfigValue(handles[1], 999, &value),
            Code(SimResult::kUnsupportedItem));
  EXPECT_EQ(value, 0xA5A5A5A5);
  KELVARA_Kinetra_Destroy(handles[0]);
  KELVARA_Lumeno_Destroy(handles[1]);
  KELVARA_Vantor_Destroy(handles[2]);
}

}  // namespace
