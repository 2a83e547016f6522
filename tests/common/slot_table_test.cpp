// The slots of the host's hash tables: a search covers its home line, then the lines after it
// (round the end of the table), and finds every entry that was put where it led.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "host/common/SlotTable.h"

namespace {

// Puts entries 0 .. homes.size()-1 at the empty slot each one's search ends on, then finds each
// again by its index; answers the slots they took.
std::vector<const SlotTable::Slot*> PutAndFind(SlotTable& table, const std::vector<size_t>& homes) {
  std::vector<const SlotTable::Slot*> taken;
  for (size_t i = 0; i < homes.size(); ++i) {
    SlotTable::Slot& slot = table.EmptySlot(homes[i]);
    EXPECT_EQ(slot.index1, 0u) << "entry " << i;
    slot = SlotTable::Slot{static_cast<uint32_t>(i + 1), static_cast<uint32_t>(homes[i] % 7)};
    taken.push_back(&slot);
  }
  for (size_t i = 0; i < homes.size(); ++i) {
    const auto want = static_cast<uint32_t>(i + 1);
    const SlotTable::Slot& found =
        table.Find(homes[i], [&](const SlotTable::Slot& s) { return s.index1 == want; });
    EXPECT_EQ(&found, taken[i]) << "entry " << i;
  }
  return taken;
}

}  // namespace

TEST(SlotTable, CrowdedHomesSpillIntoTheNextLinesAndRoundTheEnd) {
  // 32 slots in 4 lines. Twelve entries all at home in the middle of the last line: the
  // first eight fill that line (from the home slot, then round to the line's start), the
  // rest go on round the end of the table into the first line.
  SlotTable table;
  table.Assign(32);
  ASSERT_EQ(table.Size(), 32u);
  const std::vector<size_t> homes(12, 29);
  const auto taken = PutAndFind(table, homes);
  EXPECT_EQ(std::set<const SlotTable::Slot*>(taken.begin(), taken.end()).size(), 12u);
  EXPECT_EQ(taken[0], &table.HomeSlot(29));
  EXPECT_EQ(taken[3], &table.HomeSlot(24));  // 29, 30, 31, then the line's first slot
  EXPECT_EQ(taken[8], &table.HomeSlot(0));   // the line is full: on round the end
  // A search for a home in the first line now runs past the spilled entries.
  EXPECT_EQ(&table.EmptySlot(2), &table.HomeSlot(4));
}

TEST(SlotTable, HomesBeyondTheSizeWrapAndClearEmptiesEverySlot) {
  SlotTable table;
  table.Assign(64);
  std::vector<size_t> homes;
  for (size_t i = 0; i < 40; ++i) homes.push_back(i * 1000003u + (size_t{1} << 40));
  PutAndFind(table, homes);
  size_t used = 0;
  table.ForEachUsed([&](const SlotTable::Slot&) { ++used; });
  EXPECT_EQ(used, 40u);
  table.Clear();
  used = 0;
  table.ForEachUsed([&](const SlotTable::Slot&) { ++used; });
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(table.Size(), 64u);
  PutAndFind(table, homes);
}
