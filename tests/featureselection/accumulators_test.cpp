// Count maps, accumulators and the screening rules of a single predictor.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

#include "featureselection/FSCatAccums.h"
#include "featureselection/FSContAccums.h"
#include "featureselection/FSMaps.h"
#include "fs_test_data.h"

TEST(FSMaps, EntriesAreReadInAscendingKeyOrderWhateverTheInsertionOrder) {
  FSMapIStat stat;
  EXPECT_FALSE(stat.Add(9, 1.0, 1.0));
  EXPECT_FALSE(stat.Add(5, 2.0, 1.0));
  EXPECT_TRUE(stat.Add(5, 4.0, 1.0));
  EXPECT_FALSE(stat.Add(-3, 0.0, 0.0));  // weight 0: ignored
  ASSERT_EQ(stat.Size(), 2);
  EXPECT_EQ(stat.KeyAt(0), 5);
  EXPECT_EQ(stat.StatAt(0).W, 2.0);
  EXPECT_EQ(stat.StatAt(0).mean, 3.0);
  EXPECT_EQ(stat.StatAt(0).M2, 2.0);

  FSMapPiCnt pairs;
  pairs.Add({2, 3}, 1);
  pairs.Add({2, 0}, 1);
  pairs.Add({1, 9}, 1);
  EXPECT_EQ(pairs.KeyAt(0), std::make_pair(1, 9));
  EXPECT_EQ(pairs.KeyAt(1), std::make_pair(2, 0));
  EXPECT_EQ(pairs.KeyAt(2), std::make_pair(2, 3));

  FSMapIPCnt counts;
  counts.Add(4, 2.5);
  counts.Add(4, 1.0);
  FSMapIPCnt::Counts c;
  ASSERT_TRUE(counts.Lookup(4, c));
  EXPECT_EQ(c.count, 2);
  EXPECT_EQ(c.weight, 3.5);
  EXPECT_FALSE(counts.Lookup(5, c));
}

TEST(FSMaps, ManyKeysInterleavedWithOrderedReadsStayConsistent) {
  FSMapICnt m;
  std::mt19937 rng(7);
  std::map<int, double> reference;
  for (int round = 0; round < 20; ++round) {
    for (int k = 0; k < 500; ++k) {
      const int key = static_cast<int>(rng() % 3000) - 1500;
      EXPECT_EQ(m.Add(key, 1.0), reference.count(key) == 1);
      reference[key] += 1.0;
    }
    ASSERT_EQ(m.Size(), static_cast<int>(reference.size()));
    int i = 0;
    for (const auto& [key, count] : reference) {
      ASSERT_EQ(m.KeyAt(i), key);
      ASSERT_EQ(m.CountAt(i++), count);
    }
  }
}

TEST(FSAccumulators, OnlyMissingValuesLeaveAnAllMissingConstantPredictor) {
  FSCatAccum a;
  a.AddMissing(1.0);
  a.AddMissing(2.0);
  EXPECT_TRUE(a.IsAllMissing());
  EXPECT_TRUE(a.IsConstant());
  EXPECT_EQ(a.GetCategoryCounts().Size(), 0);
  a.AddMissing(0.0);
  a.AddMissing(-1.0);
  EXPECT_EQ(a.GetTotal(), 3.0);
}

TEST(FSAccumulators, CategoriesAreTruncatedTowardZero) {
  FSCatAccum a;
  a.AddValue(2.9, 1, true);
  a.AddValue(2.1, 1, true);
  EXPECT_TRUE(a.IsConstant());
  EXPECT_EQ(a.GetCategoryCounts().Size(), 1);
  a.AddValue(-0.5, 1, true);
  EXPECT_FALSE(a.IsConstant());
  EXPECT_EQ(a.GetCategoryCounts().KeyAt(0), 0);
  EXPECT_EQ(a.GetValid(), 3);
}

TEST(FSAccumulators, ValidFlagsOfABlockAddToThoseOtherPredictorsSet) {
  // The flags are shared by the predictors of a block: a record is valid when one of them has
  // a valid value there. Odd values among few categories: out of the code range, infinite,
  // not a number, -1 and -1.5 (missing codes), -0.5 (category 0); then a block that stops at
  // a negative code and leaves the rest to the map.
  const double odd[] = {MCMV::gMissingValue, 3e9, -3e9, std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN(), -1.0, -1.5, -0.5};
  std::mt19937 rng(3);
  FSCatAccum byBlock, byValue;
  for (int b = 0; b < 6; ++b) {
    const int n = 4096 + b;
    std::vector<double> values(static_cast<size_t>(n));
    std::vector<char> valid(static_cast<size_t>(n)), before(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      values[static_cast<size_t>(i)] = rng() % 8 == 0 ? odd[rng() % 8]
                                       : b == 5 && i == 3000 ? -4.0
                                                              : static_cast<double>(rng() % 5);
      before[static_cast<size_t>(i)] = valid[static_cast<size_t>(i)] = rng() % 3 == 0;
    }
    byBlock.AddValues(values.data(), nullptr, nullptr, n, true, valid.data());
    for (int i = 0; i < n; ++i) {
      const double v = values[static_cast<size_t>(i)];
      const bool missing = FSIsCatMissing(v);
      ASSERT_EQ(valid[static_cast<size_t>(i)], before[static_cast<size_t>(i)] || !missing)
          << "block " << b << " value " << i;
      if (missing) {
        byValue.AddMissing(1.0);
      } else {
        byValue.AddValue(v, 1.0, true);
      }
    }
    ASSERT_EQ(byBlock.GetMissing(), byValue.GetMissing()) << "block " << b;
    ASSERT_EQ(byBlock.GetValid(), byValue.GetValid()) << "block " << b;
  }
  EXPECT_EQ(byBlock.GetCategoryCounts().Size(), byValue.GetCategoryCounts().Size());
  EXPECT_EQ(byBlock.GetCategoryCounts().Size(), 6);
}

TEST(FSAccumulators, ABlockOfCategoriesEqualsTheSameValuesAddedOneByOne) {
  // Blocks counted in the flat table, then one that leaves it for the map halfway (a code far
  // beyond the others) and blocks counted in the map, with missing values, unused rows and
  // zero weights among them: counts, totals and the constant flag as from AddMissing and
  // AddValue called value by value. Then the same without weights and uses (null: every
  // weight 1, every row used), whose sums the block keeps as whole counts.
  for (bool unit : {false, true}) {
    std::mt19937 rng(17);
    FSCatAccum byBlock, byValue;
    for (int b = 0; b < 40; ++b) {
      const int n = 1 + static_cast<int>(rng() % 300);
      // One category at first (the predictor is constant), then a second one the table has room
      // for, then many.
      const unsigned codes = b == 0 ? 1 : b == 1 ? 2 : 3000;
      std::vector<double> values(static_cast<size_t>(n)), w(static_cast<size_t>(n));
      std::vector<char> use(static_cast<size_t>(n)), valid(static_cast<size_t>(n), 0);
      for (int i = 0; i < n; ++i) {
        const unsigned r = rng() % 1000;
        values[static_cast<size_t>(i)] = r < 20   ? MCMV::gMissingValue
                                         : r < 30 ? -1.0
                                         : (b == 10 && r < 40)
                                             ? 5e7
                                             : static_cast<double>(rng() % codes) + 0.5;
        w[static_cast<size_t>(i)] = unit         ? 1.0
                                    : r % 7 == 0 ? 0.0
                                                 : 1.0 + static_cast<double>(rng() % 3);
        use[static_cast<size_t>(i)] = unit || r % 11 != 0;
      }
      byBlock.AddValues(values.data(), unit ? nullptr : w.data(), unit ? nullptr : use.data(), n,
                        true, valid.data());
      for (int i = 0; i < n; ++i) {
        if (!use[static_cast<size_t>(i)]) {
          EXPECT_EQ(valid[static_cast<size_t>(i)], 0);
          continue;
        }
        const double v = values[static_cast<size_t>(i)];
        const bool missing = FSIsCatMissing(v);
        EXPECT_EQ(valid[static_cast<size_t>(i)], missing ? 0 : 1);
        if (missing) {
          byValue.AddMissing(w[static_cast<size_t>(i)]);
        } else {
          byValue.AddValue(v, w[static_cast<size_t>(i)], true);
        }
      }
      ASSERT_EQ(byBlock.GetTotal(), byValue.GetTotal()) << "block " << b;
      ASSERT_EQ(byBlock.GetMissing(), byValue.GetMissing()) << "block " << b;
      ASSERT_EQ(byBlock.GetValid(), byValue.GetValid()) << "block " << b;
      ASSERT_EQ(byBlock.IsConstant(), byValue.IsConstant()) << "block " << b;
      ASSERT_EQ(byBlock.GetFirstCategory(), byValue.GetFirstCategory()) << "block " << b;
    }
    const FSMapICnt& a = byBlock.GetCategoryCounts();
    const FSMapICnt& e = byValue.GetCategoryCounts();
    ASSERT_EQ(a.Size(), e.Size());
    ASSERT_GT(a.Size(), 2000);
    for (int k = 0; k < a.Size(); ++k) {
      ASSERT_EQ(a.KeyAt(k), e.KeyAt(k));
      ASSERT_EQ(a.CountAt(k), e.CountAt(k));
    }
  }
}

TEST(FSAccumulators, ContinuousColumnsOfABlockEqualTheSameValuesAddedOneByOne) {
  // Any number of predictors, two or four to a vector (and a group short of its width), with
  // missing, infinite and NaN values among them: means, M2, totals and the constant flag to
  // the last bit as from AddValue and AddMissing value by value, and each record flagged valid
  // when some predictor's value is.
  const double inf = std::numeric_limits<double>::infinity();
  for (bool wide : {false, true}) {
    const bool had = FSContAccum::UseWideLanes(wide);
    for (size_t k : {1u, 3u, 4u, 5u, 8u, 11u}) {
      std::mt19937 rng(static_cast<unsigned>(k) + 100u);
      std::vector<FSContAccum> byBlock(k), byValue(k);
      std::vector<FSContAccum*> accums;
      for (FSContAccum& a : byBlock) accums.push_back(&a);
      for (int b = 0; b < 6; ++b) {
        const int n = 1 + static_cast<int>(rng() % 700);
        std::vector<std::vector<double>> values(k, std::vector<double>(static_cast<size_t>(n)));
        std::vector<const double*> columns;
        for (size_t q = 0; q < k; ++q) {
          for (double& x : values[q]) {
            const unsigned r = rng() % 100;
            x = r < 8    ? MCMV::gMissingValue
                : r < 9  ? (r % 2 ? inf : std::nan(""))
                : b == 0 ? 7.0  // constant in the first block
                         : 1000.0 * static_cast<double>(q) + static_cast<double>(rng() % 997) / 7;
          }
          columns.push_back(values[q].data());
        }
        std::vector<char> valid(static_cast<size_t>(n), 0);
        FSContAccum::AddUnitColumns(accums.data(), columns.data(), k, n, valid.data());
        for (int i = 0; i < n; ++i) {
          bool any = false;
          for (size_t q = 0; q < k; ++q) {
            const double x = values[q][static_cast<size_t>(i)];
            if (FSIsContMissing(x)) {
              byValue[q].AddMissing(1.0);
            } else {
              byValue[q].AddValue(x, 1.0, true);
              any = true;
            }
          }
          ASSERT_EQ(valid[static_cast<size_t>(i)], any ? 1 : 0) << "record " << i;
        }
      }
      for (size_t q = 0; q < k; ++q) {
        SCOPED_TRACE(testing::Message() << (wide ? "four" : "two") << " lanes, " << k
                                        << " predictors, predictor " << q);
        EXPECT_EQ(byBlock[q].GetMean(), byValue[q].GetMean());
        EXPECT_EQ(byBlock[q].GetM2(), byValue[q].GetM2());
        EXPECT_EQ(byBlock[q].GetTotal(), byValue[q].GetTotal());
        EXPECT_EQ(byBlock[q].GetMissing(), byValue[q].GetMissing());
        EXPECT_EQ(byBlock[q].IsConstant(), byValue[q].IsConstant());
      }
    }
    FSContAccum::UseWideLanes(had);
  }
}

TEST(FSAccumulators, ContinuousMomentsAndVariance) {
  FSContAccum a;
  for (double x : {1.0, 2.0, 3.0}) a.AddValue(x, 1.0, true);
  a.Finalize();
  EXPECT_EQ(a.GetMean(), 2.0);
  EXPECT_EQ(a.GetM2(), 2.0);
  EXPECT_EQ(a.GetVariance(), 1.0);
  FSContAccum b;
  b.AddValue(5.0, 2.0, true);
  b.Finalize();
  EXPECT_EQ(b.GetVariance(), 0.0);
  EXPECT_TRUE(b.IsConstant());
}

TEST(FSAccumulators, PooledStandardDeviationOverTargetCategoriesEqualsThePlainOne) {
  FSContPCatTAccum a;
  FSContAccum plain;
  const double xs[] = {1, 4, 2, 8, 5, 7, 3, 3};
  for (int i = 0; i < 8; ++i) {
    a.AddRecord(xs[i], i % 3, 1.0 + (i % 2));
    plain.AddValue(xs[i], 1.0 + (i % 2), true);
  }
  a.Finalize();
  plain.Finalize();
  EXPECT_NEAR(a.GetStdDev(), plain.GetStdDev(), 1e-12);
  EXPECT_NEAR(a.GetMean(), plain.GetMean(), 1e-12);
}

namespace {
std::vector<int> CatReasons(FSSettings& s, const std::vector<double>& values, double w = 1.0) {
  FSCatAccum a;
  for (double v : values) {
    if (v == kSysmis) {
      a.AddMissing(w);
    } else {
      a.AddValue(v, w, true);
    }
  }
  std::vector<int> r;
  a.ListDeletionReasons(s, r);
  EXPECT_EQ(a.GetFirstDeletionReason(s), r.empty() ? 0 : r[0]);
  return r;
}

std::vector<int> ContReasons(FSSettings& s, const std::vector<double>& values) {
  FSContAccum a;
  for (double v : values) {
    if (v == kSysmis) {
      a.AddMissing(1.0);
    } else {
      a.AddValue(v, 1.0, true);
    }
  }
  a.Finalize();
  std::vector<int> r;
  a.ListDeletionReasons(s, r);
  EXPECT_EQ(a.GetFirstDeletionReason(s), r.empty() ? 0 : r[0]);
  return r;
}
}  // namespace

TEST(FSScreeningRules, ShareOfMissingValuesMustExceedTheMaximum) {
  FSSettings s(1, true, true);
  s.SetDeleteManyConst(false);
  std::vector<double> v(10, kSysmis);
  v[0] = 1;
  v[1] = 1;
  EXPECT_EQ(CatReasons(s, v), (std::vector<int>{3}));
  v[2] = 1;  // exactly 70 % missing passes
  EXPECT_TRUE(CatReasons(s, v).empty());
}

TEST(FSScreeningRules, ShareOfTheLargestCategoryMustExceedTheMaximum) {
  FSSettings s(1, true, true);
  std::vector<double> v(100, 0.0);
  for (int i = 0; i < 5; ++i) v[i] = 1.0;
  EXPECT_TRUE(CatReasons(s, v).empty());  // 95 % is not above 95 %
  v.assign(100, 0.0);
  for (int i = 0; i < 4; ++i) v[i] = 1.0;
  EXPECT_EQ(CatReasons(s, v), (std::vector<int>{4}));
}

TEST(FSScreeningRules, TenCasesInTenCategoriesFailBothCategoryRules) {
  FSSettings s(1, true, true);
  EXPECT_EQ(CatReasons(s, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), (std::vector<int>{5, 6}));
  // With weight 2 no category holds exactly one case.
  EXPECT_EQ(CatReasons(s, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 2.0), (std::vector<int>{5}));
  s.SetMaxPctCategories(100);  // switches rule 5 off whatever its flag
  EXPECT_EQ(CatReasons(s, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), (std::vector<int>{6}));
}

TEST(FSScreeningRules, ContinuousRulesOnConstantZeroMeanAndMissingPredictors) {
  FSSettings s(1, false, true);
  EXPECT_EQ(ContReasons(s, {5, 5, 5}), (std::vector<int>{8}));
  EXPECT_TRUE(ContReasons(s, {-1, 1, -1, 1}).empty());   // mean 0: no CV rule
  EXPECT_EQ(ContReasons(s, {}), (std::vector<int>{8}));  // no cases: sd 0
  s.SetDeleteManyMissing(false);
  EXPECT_TRUE(ContReasons(s, {kSysmis, kSysmis}).empty());
  s.SetDeleteManyMissing(true);
  EXPECT_EQ(ContReasons(s, {kSysmis, kSysmis}), (std::vector<int>{3}));
  s.SetMinStdDev(2.0);
  EXPECT_EQ(ContReasons(s, {1, 2, 3}), (std::vector<int>{7}));  // sd 1 < 2; cv 0.5 passes
  s.SetMinStdDev(1.0);
  EXPECT_TRUE(ContReasons(s, {1, 2, 3}).empty());  // equal to the minimum passes
}

TEST(FSMaps, AMillionCategoryMapKeepsExactCountsAndPerKeyUpdateOrder) {
  // Past the hash limit the maps batch their adds; the results must equal immediate updates
  // bit for bit, with exact answers from Add and lookups at any time.
  FSMapICnt counts;
  FSMapIStat stats;
  std::map<int, double> refCount;
  std::map<int, FSMapIStat::Stat> refStat;
  std::mt19937 rng(5);
  for (int i = 0; i < 300000; ++i) {
    const int key = static_cast<int>((static_cast<unsigned>(i) * 2654435761u) % 150000u) - 75000;
    const double w = 1.0 + (rng() % 3), y = (rng() % 1000) * 0.01;
    if (i % 1000 == 0) {
      EXPECT_EQ(counts.Add(key, w), refCount.count(key) == 1);
    } else {
      counts.Accumulate(key, w);
    }
    stats.Accumulate(key, y, w);
    refCount[key] += w;
    auto it = refStat.find(key);
    if (it == refStat.end()) {
      refStat[key] = FSMapIStat::Stat{w, y, 0.0, 0.0};
    } else {
      FSWeightedUpdate(y, w, it->second.W, it->second.mean, it->second.M2);
      it->second.W += w;
    }
    if (i == 200000) {
      double c = 0;
      ASSERT_TRUE(counts.Lookup(key, c));
      EXPECT_EQ(c, refCount[key]);
    }
  }
  ASSERT_EQ(counts.Size(), static_cast<int>(refCount.size()));
  ASSERT_EQ(stats.Size(), static_cast<int>(refStat.size()));
  int i = 0;
  for (const auto& [key, c] : refCount) {
    ASSERT_EQ(counts.KeyAt(i), key);
    ASSERT_EQ(counts.CountAt(i), c);
    ASSERT_EQ(stats.StatAt(i).mean, refStat[key].mean);
    ASSERT_EQ(stats.StatAt(i).M2, refStat[key].M2);
    ++i;
  }
}
