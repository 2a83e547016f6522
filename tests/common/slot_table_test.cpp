// The slots of the host's hash tables: a search covers its home line, then the lines after it
// (round the end of the table), and finds every entry that was put where it led.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "host/common/SlotTable.h"

namespace {

// Puts entries 0 .. homes.size()-1 at the empty slot each one's search ends on, then finds each
// again by its entry; answers the slots they took.
std::vector<const SlotTable::Slot*> PutAndFind(SlotTable& table, const std::vector<size_t>& homes) {
  std::vector<const SlotTable::Slot*> taken;
  for (size_t i = 0; i < homes.size(); ++i) {
    SlotTable::Slot& slot = table.EmptySlot(homes[i]);
    EXPECT_EQ(slot, 0u) << "entry " << i;
    slot = table.Make(static_cast<uint32_t>(i), table.Tag(homes[i] * 0x9e3779b97f4a7c15ULL));
    taken.push_back(&slot);
  }
  for (size_t i = 0; i < homes.size(); ++i) {
    const SlotTable::Slot& found =
        table.Find(homes[i], [&](SlotTable::Slot s) { return table.Entry(s) == i; });
    EXPECT_EQ(&found, taken[i]) << "entry " << i;
  }
  return taken;
}

}  // namespace

TEST(SlotTable, CrowdedHomesSpillIntoTheNextLinesAndRoundTheEnd) {
  // 64 slots in 4 lines. Twenty entries all at home in the middle of the last line: the
  // first sixteen fill that line (from the home slot, then round to the line's start), the
  // rest go on round the end of the table into the first line.
  SlotTable table;
  table.Assign(64);
  ASSERT_EQ(table.Size(), 64u);
  const std::vector<size_t> homes(20, 61);
  const auto taken = PutAndFind(table, homes);
  EXPECT_EQ(std::set<const SlotTable::Slot*>(taken.begin(), taken.end()).size(), 20u);
  EXPECT_EQ(taken[0], &table.HomeSlot(61));
  EXPECT_EQ(taken[3], &table.HomeSlot(48));  // 61, 62, 63, then the line's first slot
  EXPECT_EQ(taken[16], &table.HomeSlot(0));  // the line is full: on round the end
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
  table.ForEachEntry([&](uint32_t) { ++used; });
  EXPECT_EQ(used, 40u);
  table.Clear();
  used = 0;
  table.ForEachEntry([&](uint32_t) { ++used; });
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(table.Size(), 64u);
  PutAndFind(table, homes);
}

TEST(SlotTable, ASlotKeepsItsEntryBesideAsManyBitsOfTheHashAsTheEntriesLeave) {
  // Entries up to a table's bound come back whole, beside the tag of their hash; a hash that
  // differs only in bits the entries take has the same tag, one that differs above has not.
  for (const auto& [slots, entries] :
       std::vector<std::pair<size_t, size_t>>{{16, 16}, {64, 70000}, {1024, 0}}) {
    SCOPED_TRACE(std::to_string(slots) + " slots, entries " + std::to_string(entries));
    SlotTable table;
    table.Assign(slots, entries);
    const uint32_t last = static_cast<uint32_t>((entries ? entries : slots) - 1);
    const uint64_t h = 0xfedcba9876543210ULL;
    for (const uint32_t entry : {0u, 1u, last}) {
      const SlotTable::Slot s = table.Make(entry, table.Tag(h));
      EXPECT_NE(s, 0u);
      EXPECT_EQ(table.Entry(s), entry);
      EXPECT_TRUE(table.Holds(s, table.Tag(h)));
      EXPECT_TRUE(table.Holds(s, table.Tag(h ^ 0xffffffffULL)));  // bits no tag keeps
      EXPECT_FALSE(table.Holds(s, table.Tag(h ^ (uint64_t{1} << 63))));
    }
    EXPECT_FALSE(table.Holds(0, table.Tag(0)));  // an empty slot holds no tag
  }
}
