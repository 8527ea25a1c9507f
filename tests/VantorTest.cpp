// The ranger: queries of a frame and the bounds that keep them inside the 64
// stored entries, then frames, commands and configuration through the
// recording driver.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <numeric>
#include <optional>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "driver/DriverRecords.hpp"
#include "kelvara/Vantor.hpp"
#include "kelvara/testing/RecordingDriver.hpp"
#include "support/DeviceTest.hpp"

namespace {

using namespace kelvara::test;  // NOLINT(google-build-using-namespace)
using kelvara::Status;
using kelvara::Vantor;
using kelvara::VantorConfig;
using kelvara::VantorResolution;
using kelvara::VantorScan;
using kelvara::testing::DriverCall;
using enum kelvara::testing::DriverFunction;
using Distances = VantorScan::Distances;
using Reading = std::optional<wpi::units::millimeter_t>;

constexpr std::uint64_t kTopAndBottom = 0x8000000000000001u;
constexpr std::uint64_t kAll = ~std::uint64_t{0};
/// Fills a whole buffer with 0x01 bytes, which read as a good frame with 257
/// mm in every zone, or as a configuration with every field present.
constexpr std::byte kMarker{0x01};

Reading Mm(double millimeters) {
  return wpi::units::millimeter_t{millimeters};
}

/// Entry i reads 100 + i mm, so every zone has its own reading; the given
/// leading entries replace the first ones.
Distances Entries(std::initializer_list<std::int16_t> leading = {}) {
  Distances distances{};
  std::iota(distances.begin(), distances.end(), std::int16_t{100});
  std::ranges::copy(leading, distances.begin());
  return distances;
}

/// A scan followed directly by entries that read as 0 mm: a query that reads
/// past the scan's 64 entries finds a reading where there is none.
struct GuardedScan {
  VantorScan scan;
  Distances after;
};
static_assert(offsetof(GuardedScan, after) == sizeof(VantorScan));

TEST(VantorScanTest, ZoneCountSetsTheGridAndBoundsEveryQuery) {
  // Readable: zones 0 to readable - 1, the smaller of the zone count and 64.
  const struct {
    std::int32_t zones;
    std::int32_t side;
    std::int32_t readable;
  } cases[] = {{16, 4, 16}, {64, 8, 64},   {20, 8, 20},
               {0, 8, 0},   {-16, 8, 0},   {kMin, 8, 0},
               {65, 8, 64}, {1000, 8, 64}, {kMax, 8, 64}};
  // 1 << 29 times the side 8 is 2^32: a product formed before the range
  // check would wrap around to a zone inside the grid.
  const std::int32_t wraps = 1 << 29;
  const std::int32_t coordinates[] = {kMin, -wraps, -1, 0, 1, 2,     3,
                                      4,    5,      6,  7, 8, wraps, kMax};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.zones << " zones");
    // Alone on the heap, a read past the scan trips the address sanitizer;
    // behind the guard it gives a wrong result in any build.
    const auto alone = std::make_unique<VantorScan>(0, c.zones, Entries());
    const auto guarded = std::make_unique<GuardedScan>(
        GuardedScan{VantorScan{0, c.zones, Entries()}, Distances{}});
    for (const VantorScan* scan : {alone.get(), &guarded->scan}) {
      ASSERT_EQ(scan->GridSize(), c.side);
      for (std::int32_t zone = -1; zone <= 128; ++zone) {
        EXPECT_EQ(scan->GetDistance(zone),
                  zone >= 0 && zone < c.readable ? Mm(100 + zone) : Reading{})
            << "zone " << zone;
      }
      for (const std::int32_t row : coordinates) {
        for (const std::int32_t column : coordinates) {
          const bool inside = row >= 0 && row < c.side && column >= 0 &&
                              column < c.side &&
                              row * c.side + column < c.readable;
          EXPECT_EQ(scan->GetDistance(row, column),
                    inside ? Mm(100 + row * c.side + column) : Reading{})
              << "row " << row << ", column " << column;
        }
      }
      EXPECT_EQ(scan->GetClosest(), c.readable > 0 ? Mm(100) : Reading{});
    }
  }
}

TEST(VantorScanTest, ClosestIsTheSmallestReadingInsideTheFrame) {
  // Entries read as whole millimetres, 0 included; negative ones as no
  // reading. The entries past each zone count (100 + i mm) would win if read.
  const struct {
    std::int32_t zones;
    Distances distances;
    Reading first;
    Reading closest;
  } cases[] = {
      {3, Entries({0, 9, 7}), Mm(0), Mm(0)},
      {4, Entries({-1, 500, 250, 250}), std::nullopt, Mm(250)},
      {3, Entries({32767, 7, 7}), Mm(32767), Mm(7)},
      {3, Entries({-32768, -1, -5}), std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    const VantorScan scan{0, c.zones, c.distances};
    SCOPED_TRACE(::testing::Message() << "first entry " << c.distances[0]);
    EXPECT_EQ(scan.GetDistance(0), c.first);
    EXPECT_EQ(scan.GetClosest(), c.closest);
  }
}

/// A scan record; entry i of the distances is first + i.
VantorScanData ScanRecord(std::int32_t valid, std::int32_t tag,
                          std::int32_t zoneCount, std::int16_t first) {
  VantorScanData record{valid, {}, tag, zoneCount, {}, {}};
  std::iota(std::begin(record.distances), std::end(record.distances), first);
  return record;
}

/// Every field of a configuration, comparable and printable as a whole.
auto Fields(const VantorConfig& c) {
  const auto version = c.firmwareVersion.transform([](const auto& v) {
    return std::array{v.major, v.minor, v.patch};
  });
  return std::tuple{c.setting0, c.flag0, c.flag1,    c.flag2,   c.setting1,
                    c.zoneMask, version, c.setting2, c.setting3};
}

class VantorTest : public DeviceTest<Vantor, kVantorCreateUsb> {
 protected:
  const DriverCall kScan{kVantorGetScan, {kHandle}};
  const DriverCall kConfig{kVantorGetConfig, {kHandle}};
};

TEST_F(VantorTest, GetScanCarriesTheRecordAndClosestUsesOneFrame) {
  const struct {
    VantorScanData record;
    Reading closest;
  } cases[] = {
      {ScanRecord(1, 7, 16, 100), Mm(100)},
      {ScanRecord(-1, kMin, 64, -20), Mm(0)},
      {ScanRecord(kMin, kMax, 20, -100), std::nullopt},
  };
  for (const auto& [record, closest] : cases) {
    SCOPED_TRACE(::testing::Message() << "valid word " << record.valid);
    m_driver.SetRecord(kVantorGetScan, record);
    const auto scan = Once(kScan, [](const Vantor& ranger) {
      auto result = ranger.GetScan();
      if (result) {  // the scan's queries allocate nothing either
        static_cast<void>(result->GetDistance(3, 4));
        static_cast<void>(result->GetClosest());
      }
      return result;
    });
    ASSERT_TRUE(scan.has_value());
    EXPECT_EQ(scan->GetTag(), record.tag);
    EXPECT_EQ(scan->GetZoneCount(), record.zoneCount);
    EXPECT_TRUE(std::ranges::equal(scan->GetDistances(), record.distances));
    EXPECT_EQ(Once(kScan, std::mem_fn(&Vantor::GetClosestDistance)), closest);
  }
}

TEST_F(VantorTest, NoFrameOrConfigFromAFailedCallOrAnUnwrittenRecord) {
  // The recording driver answers 0 and writes nothing unless told otherwise.
  EXPECT_EQ(Once(kScan, std::mem_fn(&Vantor::GetScan)), std::nullopt);
  EXPECT_EQ(Fields(Once(kConfig, std::mem_fn(&Vantor::GetConfig)).value()),
            Fields({0, false, false, false, 0, {}, {}, {}, {}}));
  // A failed call leaves only the marker, which would read as a result.
  m_driver.SetFill(kVantorGetScan, kMarker);
  m_driver.SetFill(kVantorGetConfig, kMarker);
  for (const std::int32_t code : {1, -1, kMax, kMin}) {
    m_driver.SetResult(kVantorGetScan, code);
    m_driver.SetResult(kVantorGetConfig, code);
    EXPECT_EQ(m_device.GetScan(), std::nullopt) << "code " << code;
    EXPECT_EQ(m_device.GetConfig(), std::unexpected{Status{code}}) << code;
  }
  // Valid word 0 in a buffer that otherwise reads as a good frame.
  m_driver.SetResult(kVantorGetScan, 0);
  m_driver.SetRecord(kVantorGetScan, std::int32_t{0});
  EXPECT_EQ(m_device.GetScan(), std::nullopt);
  EXPECT_EQ(m_device.GetClosestDistance(), std::nullopt);
}

TEST_F(VantorTest, GetConfigFollowsEachFieldsPresenceRule) {
  // Flags are set when nonzero, mask and version present when their presence
  // word is nonzero, settings 2 and 3 when positive.
  const struct {
    VantorConfigData record;
    VantorConfig config;
  } cases[] = {
      // Record: setting 0, flags 0 to 2, setting 1, mask presence and mask,
      // version presence and version, settings 2 and 3. The configuration
      // holds the same fields without the presence words.
      {{-7, -1, 0, 2, kMin, 0, kAll, 0, {1, 2, 3}, -3, 0},
       {-7, true, false, true, kMin, {}, {}, {}, {}}},
      {{0, 0, kMin, 0, 0, 2, kTopAndBottom, 1, {300, 0, -2}, 0, kMin},
       {0, false, true, false, 0, kTopAndBottom, {{300, 0, -2}}, {}, {}}},
      {{0, 0, 0, 0, 0, -1, 0, kMin, {0, 2, 0}, 10, 1},
       {0, false, false, false, 0, 0, {{0, 2, 0}}, 10, 1}},
      {{0, 0, 0, 0, 0, 0, 0, 0, {0, 0, 0}, kMax, -3},
       {0, false, false, false, 0, {}, {}, kMax, {}}},
  };
  for (const auto& c : cases) {
    m_driver.SetRecord(kVantorGetConfig, c.record);
    EXPECT_EQ(Fields(Once(kConfig, std::mem_fn(&Vantor::GetConfig)).value()),
              Fields(c.config))
        << "case " << &c - cases;
  }
}

TEST_F(VantorTest, CommandsPassHandleAndArgumentAndReturnTheDriversCode) {
  ExpectCommands({
      {[](Vantor& v) { return v.SetOutputRate(kMin); },
       {kVantorSetOutputRate, {kHandle, std::int64_t{kMin}}}},
      {[](Vantor& v) { return v.SetResolution(VantorResolution::k4x4); },
       {kVantorSetResolution, {kHandle, std::int64_t{16}}}},
      {[](Vantor& v) { return v.SetResolution(VantorResolution::k8x8); },
       {kVantorSetResolution, {kHandle, std::int64_t{64}}}},
      {[](Vantor& v) { return v.SetResolution(VantorResolution{-7}); },
       {kVantorSetResolution, {kHandle, std::int64_t{-7}}}},
      {[](Vantor& v) { return v.SetRangingFrequency(15); },
       {kVantorSetRangingFrequency, {kHandle, std::int64_t{15}}}},
      {[](Vantor& v) { return v.SetZoneMask(kTopAndBottom); },
       {kVantorSetZoneMask, {kHandle, kTopAndBottom}}},
  });
}

}  // namespace
