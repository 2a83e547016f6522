// The rows whose value an earlier row has, found by pieces of their hashes on two threads:
// exactly those a map of first rows finds, whatever the hashes, and nothing when two values of
// one hash differ.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <thread>
#include <vector>

#include "host/common/RepeatFinder.h"

namespace {

const RepeatFinder::OnTwoThreads kBoth = [](const std::function<void(int)>& fn) {
  std::thread second([&fn] { fn(1); });
  fn(0);
  second.join();
};

// Finds the repeats of `values` (0 for a row left out) with hash(value) as the hash; checks
// them against a map of first rows. Answers what Find answered.
template <typename HashOf>
bool FindAndCheck(RepeatFinder& finder, const std::vector<uint64_t>& values, HashOf hashOf) {
  std::vector<int> fetched(values.size(), 0);
  const bool found = finder.Find(
      values.size(), [&](size_t r, int) { return values[r] == 0 ? 0 : hashOf(values[r]); },
      [&](size_t a, size_t b, int) { return a < b && values[a] == values[b]; },
      [&](size_t r) { fetched[r] = 1; }, kBoth);
  if (!found) return false;
  std::map<uint64_t, size_t> firstOf;
  std::vector<RepeatFinder::Ref> repeats;
  for (size_t r = 0; r < values.size(); ++r) {
    if (values[r] == 0) continue;
    const auto [at, added] = firstOf.emplace(values[r], r);
    if (!added) repeats.push_back({static_cast<uint32_t>(r), 0});
  }
  const auto& got = finder.Repeats();
  EXPECT_EQ(got.size(), repeats.size());
  for (size_t i = 0; i < got.size() && i < repeats.size(); ++i) {
    EXPECT_EQ(got[i].row, repeats[i].row) << "repeat " << i;
    const uint32_t first = finder.FirstRows()[got[i].id];
    EXPECT_EQ(first, firstOf[values[got[i].row]]) << "repeat " << i;
  }
  // Each first row once, in row order, with its id.
  const auto firsts = finder.FirstsByRow();
  EXPECT_EQ(firsts.size(), finder.FirstRows().size());
  for (size_t i = 0; i < firsts.size(); ++i) {
    EXPECT_EQ(finder.FirstRows()[firsts[i].id], firsts[i].row);
    if (i > 0) {
      EXPECT_LT(firsts[i - 1].row, firsts[i].row);
    }
  }
  return true;
}

uint64_t Mixed(uint64_t v) {
  v ^= v >> 31;
  v *= 0x9e3779b97f4a7c15ULL;
  v ^= v >> 29;
  return v | 1;
}

}  // namespace

TEST(RepeatFinder, RepeatsAndFirstRowsAreThoseOfAMapInRowOrder) {
  // Small and large sets of rows (from one piece to hundreds), values met once, twice, many
  // times, near and far apart and across the two threads' halves, rows left out.
  for (size_t rows : {1u, 7u, 5000u, 300001u}) {
    SCOPED_TRACE(rows);
    std::mt19937_64 draw(rows);
    std::vector<uint64_t> values(rows);
    for (size_t r = 0; r < rows; ++r)
      values[r] = r % 17 == 3 ? 0 : draw() % (rows / 2 + 1) + (r % 1000 == 0 ? 7 : 1);
    RepeatFinder finder;
    ASSERT_TRUE(FindAndCheck(finder, values, Mixed));
    // Again with the same finder: nothing of the first search is left.
    std::reverse(values.begin(), values.end());
    ASSERT_TRUE(FindAndCheck(finder, values, Mixed));
  }
}

TEST(RepeatFinder, ValuesOfOneHashThatDifferFindNothing) {
  // A hash of a few bits: values of one hash that are one value are found...
  std::vector<uint64_t> values(100000);
  for (size_t r = 0; r < values.size(); ++r) values[r] = r % 64 + 1;
  RepeatFinder finder;
  EXPECT_TRUE(FindAndCheck(finder, values, [](uint64_t v) { return Mixed(v % 64); }));
  // ...but one value that shares a hash with another makes Find answer false.
  values[99999] = 65;
  EXPECT_FALSE(FindAndCheck(finder, values, [](uint64_t v) { return Mixed(v % 64); }));
}
