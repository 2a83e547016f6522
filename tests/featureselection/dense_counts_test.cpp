// The flat count tables of the accumulators: whatever the codes do (grow past the table, turn
// negative, fill a scattered range), every count, order, stored byte, criterion and debug
// listing equals what the count maps give. References: counts kept in the test, and a twin
// accumulator restored from a stored empty one, which counts its pairs and statistics in its
// maps from the start.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "featureselection/FSCatAccums.h"
#include "featureselection/FSContAccums.h"
#include "featureselection/FSDenseCounts.h"
#include "featureselection/FSEnums.h"

namespace {

template <typename Accum>
std::unique_ptr<Accum> MapPathTwin() {
  Accum empty;
  std::stringstream stored;
  empty.Save(stored);
  auto twin = std::make_unique<Accum>();
  EXPECT_TRUE(twin->Load(stored));
  return twin;
}

std::string Bytes(const IFSPredTargetAccum& a) {
  std::ostringstream os;
  a.Save(os);
  return os.str();
}

std::string Listing(const IFSPredTargetAccum& a) {
  std::ostringstream os;
  a.Display(os);
  return os.str();
}

void ExpectSameCriteria(const IFSPredTargetAccum& a, const IFSPredTargetAccum& b) {
  for (int c = 0; c < 6; ++c) {
    FSCriterionResult x, y;
    a.ComputeCriteria(c, x);
    b.ComputeCriteria(c, y);
    EXPECT_EQ(x.value, y.value) << "criterion " << c;
    EXPECT_EQ(x.tie1, y.tie1) << "criterion " << c;
    EXPECT_EQ(x.tie2, y.tie2) << "criterion " << c;
    EXPECT_EQ(x.extra1, y.extra1) << "criterion " << c;
    EXPECT_EQ(x.extra2, y.extra2) << "criterion " << c;
  }
}

// The category counts a stored accumulator carries, read back from its stored form, against
// counts kept in the test.
// A count map holds exactly the reference's keys and counts, in key order.
template <typename Map, typename Reference>
void ExpectCounts(const Map& counts, const Reference& reference) {
  ASSERT_EQ(counts.Size(), static_cast<int>(reference.size()));
  int i = 0;
  for (const auto& [key, count] : reference) {
    ASSERT_EQ(counts.KeyAt(i), key);
    ASSERT_EQ(counts.CountAt(i++), count);
  }
}

void ExpectStoredCounts(const FSCatAccum& a, const std::map<int, double>& reference) {
  std::stringstream stored;
  a.Save(stored);
  FSCatAccum restored;
  ASSERT_TRUE(restored.Load(stored));
  ExpectCounts(restored.GetCategoryCounts(), reference);
}

// Fractional weights, so that a different order of additions would show in the last bits.
double Weight(std::mt19937& rng) { return 0.1 + (rng() % 1000) * 0.0137; }

}  // namespace

TEST(FSDenseTables, PairCountsThatOutgrowTheTableMidPassEqualTheMapPath) {
  FSCatPCatTAccum dense;
  auto twin = MapPathTwin<FSCatPCatTAccum>();
  std::map<std::pair<int, int>, double> reference;
  std::mt19937 rng(11);
  auto add = [&](int p, int t) {
    const double w = Weight(rng);
    dense.AddRecord(p, t, w);
    twin->AddRecord(p, t, w);
    reference[{p, t}] += w;
  };
  for (int i = 0; i < 3000; ++i) add(static_cast<int>(rng() % 10), static_cast<int>(rng() % 3));
  // A read in the middle of the pass, then a wider target and a far predictor category.
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
  for (int i = 0; i < 500; ++i) add(static_cast<int>(rng() % 10), static_cast<int>(rng() % 40));
  add(5000, 1);
  add(-4, 2);
  for (int i = 0; i < 3000; ++i) add(static_cast<int>(rng() % 12), static_cast<int>(rng() % 3));

  ExpectCounts(dense.GetPairCounts(), reference);
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
  EXPECT_EQ(Listing(dense), Listing(*twin));
  ExpectSameCriteria(dense, *twin);
}

TEST(FSDenseTables, ATargetCodeBeyondTheTableAfterAFirstReadKeepsEveryCount) {
  FSCatPCatTAccum dense;
  auto twin = MapPathTwin<FSCatPCatTAccum>();
  std::mt19937 rng(12);
  for (int i = 0; i < 200; ++i) {
    const double p = rng() % 6, t = rng() % 2, w = Weight(rng);
    dense.AddRecord(p, t, w);
    twin->AddRecord(p, t, w);
  }
  ExpectSameCriteria(dense, *twin);  // reads the table once
  dense.AddRecord(3, 100000, 1.0);
  twin->AddRecord(3, 100000, 1.0);
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
  ExpectSameCriteria(dense, *twin);
}

TEST(FSDenseTables, CodesInOrderOfFirstAppearanceBeyondTheSmallTableKeepExactCountsAndStoredForm) {
  FSCatAccum dense;
  auto twin = MapPathTwin<FSCatAccum>();
  std::map<int, double> reference;
  std::mt19937 rng(13);
  int next = 0;
  for (int i = 0; i < 60000; ++i) {
    // Half the values are new codes, handed out 0, 1, 2, ...; the rest repeat earlier ones.
    const int code = (i % 2 == 0 || next == 0) ? next++ : static_cast<int>(rng() % next);
    const double w = Weight(rng);
    dense.AddValue(code, w, true);
    twin->AddValue(code, w, true);
    reference[code] += w;
  }
  ExpectStoredCounts(dense, reference);  // the stored form before any other read
  ExpectCounts(dense.GetCategoryCounts(), reference);
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
  FSSettings settings(1, true, true);
  std::vector<int> a, b;
  EXPECT_EQ(dense.ListDeletionReasons(settings, a), twin->ListDeletionReasons(settings, b));
  EXPECT_EQ(a, b);
}

TEST(FSDenseTables, ScreeningRulesReadBeforeTheMapIsBuiltFailAtTheSameEdgesAsTheMapPath) {
  // 10,000 categories: 6,000 of one case, 4,000 of two, and the last one 500 cases more:
  // 14,500 valid cases, the largest category 502 of them (3.462 %), categories 68.97 % of
  // the cases, one-case categories exactly 60 % of the categories. A threshold just under a
  // share fails the predictor, one just over (or equal) keeps it: a wrong category count,
  // largest count, sum or one-case count moves a reason.
  std::vector<double> values;
  for (int k = 0; k < 10000; ++k) values.push_back(k);
  for (int k = 6000; k < 10000; ++k) values.push_back(k);
  for (int i = 0; i < 500; ++i) values.push_back(9999);
  std::vector<char> valid(values.size(), 0);
  FSCatAccum dense;  // the engine's block path: counts in a table, read without a map
  dense.AddValues(values.data(), nullptr, nullptr, static_cast<int>(values.size()), true,
                  valid.data());
  auto twin = MapPathTwin<FSCatAccum>();
  for (double v : values) twin->AddValue(v, 1.0, true);

  struct Edge {
    double single, categories, oneCase;
    std::vector<int> reasons;
  };
  const std::vector<Edge> edges = {
      {3.46, 100, 100, {manyConst}},
      {3.47, 100, 100, {}},
      {100, 68.96, 100, {manyCategs}},
      {100, 68.98, 100, {}},
      {100, 100, 59.99, {manyCategsWithOneCase}},
      {100, 100, 60, {}},
      {3.46, 68.96, 59.99, {manyConst, manyCategs, manyCategsWithOneCase}},
  };
  for (const Edge& e : edges) {
    FSSettings settings(1, true, false);
    settings.SetMaxPctSingleCategory(e.single);
    settings.SetMaxPctCategories(e.categories);
    settings.SetMaxPctOneCaseCategories(e.oneCase);
    std::vector<int> fromTable, fromMap;
    dense.ListDeletionReasons(settings, fromTable);
    twin->ListDeletionReasons(settings, fromMap);
    EXPECT_EQ(fromTable, e.reasons) << e.single << " " << e.categories << " " << e.oneCase;
    EXPECT_EQ(fromMap, e.reasons) << e.single << " " << e.categories << " " << e.oneCase;
    EXPECT_EQ(dense.GetFirstDeletionReason(settings), e.reasons.empty() ? 0 : e.reasons.front());
  }
  // Reading the counts builds the map; the table's answers were those of the map.
  ExpectCounts(dense.GetCategoryCounts(),
               std::map<int, double>(twin->GetCategoryCounts().Entries().begin(),
                                     twin->GetCategoryCounts().Entries().end()));
}

TEST(FSDenseTables, ScatteredCodesThatLaterFillTheirRangeKeepTheirCountsAndOrder) {
  // A far first code sends the counts to the map; once the range is filled densely enough
  // they move back to a table. Negative codes send them to the map again.
  FSCatAccum dense;
  auto twin = MapPathTwin<FSCatAccum>();
  std::map<int, double> reference;
  std::mt19937 rng(14);
  auto add = [&](int code) {
    const double w = Weight(rng);
    dense.AddValue(code, w, true);
    twin->AddValue(code, w, true);
    reference[code] += w;
  };
  add(200000);
  for (int k = 0; k < 200000; ++k) add(k);
  ExpectStoredCounts(dense, reference);
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
  for (int i = 0; i < 100000; ++i) add(static_cast<int>(rng() % 200001));
  add(-7);
  for (int i = 0; i < 1000; ++i) add(static_cast<int>(rng() % 50));
  ExpectStoredCounts(dense, reference);

  ExpectCounts(dense.GetCategoryCounts(), reference);
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
}

TEST(FSDenseTables, TargetStatisticsThatOutgrowTheTableEqualTheMapPath) {
  FSContPCatTAccum dense;
  auto twin = MapPathTwin<FSContPCatTAccum>();
  std::mt19937 rng(15);
  std::normal_distribution<double> normal(5.0, 2.0);
  auto add = [&](int t) {
    const double x = normal(rng), w = Weight(rng);
    dense.AddRecord(x, t, w);
    twin->AddRecord(x, t, w);
  };
  for (int i = 0; i < 2000; ++i) add(static_cast<int>(rng() % 5));
  // Finalised in the middle (a repeated pass adds to finalised statistics).
  dense.Finalize();
  twin->Finalize();
  EXPECT_EQ(Listing(dense), Listing(*twin));
  for (int i = 0; i < 500; ++i) add(static_cast<int>(rng() % 5));
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
  add(300);
  add(-2);
  for (int i = 0; i < 500; ++i) add(static_cast<int>(rng() % 7));
  dense.Finalize();
  twin->Finalize();
  EXPECT_EQ(Bytes(dense), Bytes(*twin));
  EXPECT_EQ(Listing(dense), Listing(*twin));
  EXPECT_EQ(dense.GetStdDev(), twin->GetStdDev());
  ExpectSameCriteria(dense, *twin);
  EXPECT_EQ(dense.GetPredictorStats().Size(), 9);
}

TEST(FSDenseTables, ATableGrownIntoAKeptBlockOfAnEarlierTableHoldsOnlyItsOwnCounts) {
  // A large table given back leaves its block, full of counts, for the next one that grows
  // large; that one keeps what it had counted and finds every new cell empty.
  constexpr std::int32_t kLarge = 300000;
  {
    FSDenseCounts earlier;
    for (std::int32_t k = 0; k < kLarge; ++k) ASSERT_TRUE(earlier.Add(k, 1.0));
  }
  FSDenseCounts later;
  for (std::int32_t k = 0; k < 100; ++k) ASSERT_TRUE(later.Add(k, 2.0));
  for (std::int32_t k = 100; k < kLarge / 2; k += 2) ASSERT_TRUE(later.Add(k, 3.0));
  const std::vector<FSDenseCounts::Entry> entries = later.Entries();
  ASSERT_EQ(entries.size(), 100u + (kLarge / 2 - 100) / 2);
  for (std::int32_t k = 0; k < 100; ++k) EXPECT_EQ(entries[k], FSDenseCounts::Entry(k, 2.0));
  for (size_t i = 100; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].first, static_cast<std::int32_t>(100 + 2 * (i - 100)));
    EXPECT_EQ(entries[i].second, 3.0);
  }
  // A copy of it is as exact.
  FSDenseCounts copy = later;
  EXPECT_EQ(copy.Entries(), entries);
}

TEST(FSDenseTables, UnitBlocksOfFewCategoriesCountAsTheValuesOneByOne) {
  // Blocks without weights: a constant start, missing values of every kind, a negative code
  // and codes that outgrow the small table in the middle of a block, then more categories
  // than the small table's limit. Each block's valid flags and every count, total and the
  // constant flag must be what adding the values one at a time gives.
  FSCatAccum blocks;
  auto twin = MapPathTwin<FSCatAccum>();
  std::map<int, double> reference;
  std::mt19937 rng(29);
  const double miss = MCMV::gMissingValue;
  for (int b = 0; b < 40; ++b) {
    std::vector<double> values(4096);
    for (size_t i = 0; i < values.size(); ++i) {
      const unsigned r = rng() % 100;
      if (b == 0) {
        values[i] = i % 9 == 0 ? miss : 3.7;  // category 3 alone: still constant
      } else if (r < 5) {
        values[i] = r == 0 ? -1.0 : r == 1 ? -1.5 : miss;  // missing codes
      } else if (b == 5 && i == 2000) {
        values[i] = -4.0;  // a negative code in the middle of a block
      } else {
        const int limit = b < 10 ? 6 : b < 20 ? 40 : 700;  // past 16 cells, then past 256
        values[i] = static_cast<double>(rng() % limit) + 0.25;
      }
    }
    std::vector<char> valid(values.size(), 0), validTwin(values.size(), 0);
    blocks.AddValues(values.data(), nullptr, nullptr, static_cast<int>(values.size()), true,
                     valid.data());
    twin->AddValues(values.data(), nullptr, nullptr, static_cast<int>(values.size()), true,
                    validTwin.data());
    ASSERT_EQ(valid, validTwin) << "block " << b;
    for (double v : values) {
      if (v != miss && static_cast<int>(v) != -1) reference[static_cast<int>(v)] += 1.0;
    }
    if (b == 0) {
      EXPECT_TRUE(blocks.IsConstant());
    }
  }
  EXPECT_FALSE(blocks.IsConstant());
  EXPECT_EQ(blocks.GetTotal(), 40 * 4096.0);
  EXPECT_EQ(blocks.GetValid(), twin->GetValid());
  EXPECT_EQ(blocks.GetValidWeight(), twin->GetValidWeight());
  ExpectCounts(blocks.GetCategoryCounts(), reference);
  EXPECT_EQ(Bytes(blocks), Bytes(*twin));
  EXPECT_EQ(Listing(blocks), Listing(*twin));
}
