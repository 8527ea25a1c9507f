// Queries of a range frame: zone and row/column lookup, the nearest reading,
// and the bounds that keep every query inside the 64 stored entries.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>

#include <gtest/gtest.h>

#include "kelvara/Vantor.hpp"

namespace {

using kelvara::VantorScan;
using Distances = VantorScan::Distances;
using Reading = std::optional<wpi::units::millimeter_t>;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

Reading Mm(double millimeters) {
  return wpi::units::millimeter_t{millimeters};
}

/// Entry i reads 100 + i mm, so every zone has its own reading.
Distances Numbered() {
  Distances distances{};
  for (std::size_t i = 0; i < distances.size(); ++i) {
    distances[i] = static_cast<std::int16_t>(100 + i);
  }
  return distances;
}

/// The given leading entries; every other zone has no reading.
Distances Leading(std::initializer_list<std::int16_t> leading) {
  Distances distances{};
  distances.fill(-1);
  std::copy(leading.begin(), leading.end(), distances.begin());
  return distances;
}

TEST(VantorScanTest, GridsAreReadRowMajorWithinTheirSide) {
  for (const std::int32_t zones : {16, 64}) {
    const VantorScan scan{0, zones, Numbered()};
    const std::int32_t side = zones == 16 ? 4 : 8;
    ASSERT_EQ(scan.GridSize(), side);
    for (std::int32_t row = 0; row < side; ++row) {
      for (std::int32_t column = 0; column < side; ++column) {
        EXPECT_EQ(scan.GetDistance(row, column), Mm(100 + row * side + column))
            << zones << " zones, row " << row << ", column " << column;
      }
    }
    EXPECT_EQ(scan.GetDistance(zones - 1), Mm(99 + zones));
    // Nothing past the zone count is read; with 16 zones entry 16 holds 116.
    EXPECT_EQ(scan.GetDistance(zones), std::nullopt);
    EXPECT_EQ(scan.GetDistance(side, 0), std::nullopt);
    EXPECT_EQ(scan.GetDistance(0, side), std::nullopt);
  }
}

TEST(VantorScanTest, GridSideIsFourOnlyForSixteenZones) {
  const struct {
    std::int32_t zones;
    std::int32_t side;
  } cases[] = {{16, 4}, {64, 8}, {20, 8},   {0, 8},   {-16, 8},
               {4, 8},  {65, 8}, {kMax, 8}, {kMin, 8}};
  for (const auto& c : cases) {
    EXPECT_EQ((VantorScan{0, c.zones, Numbered()}.GridSize()), c.side)
        << c.zones << " zones";
  }
}

TEST(VantorScanTest, TwentyZonesUseTheEightWideGridUpToTheZoneCount) {
  const VantorScan scan{0, 20, Numbered()};
  EXPECT_EQ(scan.GetDistance(2, 3), Mm(119));
  EXPECT_EQ(scan.GetDistance(2, 4), std::nullopt);
  EXPECT_EQ(scan.GetClosest(), Mm(100));
}

TEST(VantorScanTest, IndexesOutsideTheGridReadNothing) {
  const VantorScan scan{0, 64, Numbered()};
  for (const std::int32_t zone : {-1, kMin, 64, 65, kMax}) {
    EXPECT_EQ(scan.GetDistance(zone), std::nullopt) << "zone " << zone;
  }
  // 1 << 29 times the side 8 is 2^32: a product formed before the range
  // check would wrap around to a zone inside the grid.
  const std::int32_t wraps = 1 << 29;
  const struct {
    std::int32_t row;
    std::int32_t column;
  } cells[] = {{-1, 0},    {0, -1},    {8, 0},       {0, 8},
               {kMin, 0},  {0, kMin},  {kMax, kMax}, {kMin, kMin},
               {wraps, 5}, {5, wraps}, {kMax, kMin}, {-wraps, 5}};
  for (const auto& cell : cells) {
    EXPECT_EQ(scan.GetDistance(cell.row, cell.column), std::nullopt)
        << "row " << cell.row << ", column " << cell.column;
  }
}

TEST(VantorScanTest, EntriesReadAsWholeMillimetresAndNegativeAsNoReading) {
  const struct {
    std::int16_t entry;
    Reading reading;
  } cases[] = {{0, Mm(0)},         {1, Mm(1)},         {250, Mm(250)},
               {32767, Mm(32767)}, {-1, std::nullopt}, {-32768, std::nullopt}};
  for (const auto& c : cases) {
    Distances distances = Numbered();
    distances[5] = c.entry;
    const VantorScan scan{0, 16, distances};
    EXPECT_EQ(scan.GetDistance(5), c.reading) << "entry " << c.entry;
    EXPECT_EQ(scan.GetDistance(1, 1), c.reading) << "entry " << c.entry;
  }
}

TEST(VantorScanTest, ClosestIsTheSmallestReadingInsideTheFrame) {
  Distances pastTheFrame = Leading({300, 400});
  pastTheFrame[2] = 10;
  const struct {
    std::int32_t zones;
    Distances distances;
    Reading closest;
  } cases[] = {
      {16, Leading({500, -1, 250, 250}), Mm(250)},
      {16, Leading({7, 9, 7}), Mm(7)},
      {16, Leading({500, 250, 0}), Mm(0)},
      {64, Numbered(), Mm(100)},
      {2, pastTheFrame, Mm(300)},
      {16, Leading({}), std::nullopt},
      {0, Numbered(), std::nullopt},
      {-5, Numbered(), std::nullopt},
      {kMin, Numbered(), std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ((VantorScan{0, c.zones, c.distances}.GetClosest()), c.closest)
        << c.zones << " zones, first entry " << c.distances[0];
  }
}

/// A scan followed directly by entries that read as 0 mm: a query that reads
/// past the scan's 64 entries finds a reading where there is none.
struct GuardedScan {
  VantorScan scan;
  Distances after;
};
static_assert(offsetof(GuardedScan, after) == sizeof(VantorScan));

TEST(VantorScanTest, ZoneCountAboveSixtyFourReadsOnlyTheStoredEntries) {
  for (const std::int32_t zones : {65, 100, 1000, kMax}) {
    // Alone on the heap, a read past the scan also trips the address
    // sanitizer; behind the guard it gives a wrong result in any build.
    const auto alone = std::make_unique<VantorScan>(0, zones, Numbered());
    const auto guarded = std::make_unique<GuardedScan>(
        GuardedScan{VantorScan{0, zones, Numbered()}, Distances{}});
    for (const VantorScan* scan : {alone.get(), &guarded->scan}) {
      EXPECT_EQ(scan->GridSize(), 8);
      EXPECT_EQ(scan->GetDistance(63), Mm(163));
      EXPECT_EQ(scan->GetDistance(7, 7), Mm(163));
      for (const std::int32_t zone : {64, 65, 127, zones - 1, kMax}) {
        EXPECT_EQ(scan->GetDistance(zone), std::nullopt)
            << zones << " zones, zone " << zone;
      }
      EXPECT_EQ(scan->GetClosest(), Mm(100)) << zones << " zones";
    }
  }
}

TEST(VantorScanTest, StoredValuesAreCarriedAndTheTagChangesNoQuery) {
  const Distances distances = Leading({40, -1, 30, 0, 20});
  const VantorScan reference{0, 16, distances};
  for (const std::int32_t tag : {1, -1, kMax, kMin}) {
    const VantorScan scan{tag, 16, distances};
    EXPECT_EQ(scan.GetTag(), tag);
    EXPECT_EQ(scan.GetZoneCount(), 16);
    EXPECT_EQ(scan.GetDistances(), distances);
    EXPECT_EQ(scan.GetClosest(), reference.GetClosest());
    for (std::int32_t zone = -1; zone <= 16; ++zone) {
      EXPECT_EQ(scan.GetDistance(zone), reference.GetDistance(zone));
    }
  }
}

}  // namespace
