// Ranking criteria, sorting and ranks: hand-computed tables, and generated data checked
// against an independent two-pass computation with Boost's distributions (1e-9 relative).
#include <gtest/gtest.h>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <map>
#include <random>

#include "featureselection/FSAlgorithm.h"
#include "featureselection/FSCatAccums.h"
#include "featureselection/FSContAccums.h"
#include "featureselection/FSCriteria.h"
#include "featureselection/FSPredSort.h"
#include "fs_test_data.h"

namespace {

void ExpectRel(double got, double want, double tol = 1e-9) {
  EXPECT_NEAR(got, want, tol * std::max(1.0, std::fabs(want))) << "want " << want;
}

FSCatPCatTAccum Table(const std::vector<std::vector<double>>& counts) {
  FSCatPCatTAccum a;
  for (std::size_t i = 0; i < counts.size(); ++i) {
    for (std::size_t j = 0; j < counts[i].size(); ++j) {
      if (counts[i][j] > 0)
        a.AddRecord(static_cast<double>(i), static_cast<double>(j), counts[i][j]);
    }
  }
  return a;
}

}  // namespace

TEST(CriteriaTest, PerfectTwoByTwoTable) {
  const FSCatPCatTAccum a = Table({{10, 0}, {0, 10}});
  FSCriterionResult r;
  a.ComputeCriteria(kFSPearson, r);
  EXPECT_DOUBLE_EQ(r.tie1, 20.0);
  EXPECT_EQ(r.tie2, 1.0);
  ExpectRel(r.value, 7.744216431044e-6, 1e-9);
  a.ComputeCriteria(kFSCramerV, r);
  EXPECT_DOUBLE_EQ(r.value, 1.0);
  a.ComputeCriteria(kFSLambda, r);
  EXPECT_DOUBLE_EQ(r.value, 1.0);
  EXPECT_EQ(r.tie1, 2.0);
  a.ComputeCriteria(kFSLikelihood, r);
  EXPECT_DOUBLE_EQ(r.tie1, 40.0 * std::log(2.0));
}

TEST(CriteriaTest, HandComputedTwoByThreeTable) {
  // Rows (10, 20, 30), (20, 10, 10); N 100; column totals 30, 30, 40; row totals 60, 40.
  const FSCatPCatTAccum a = Table({{10, 20, 30}, {20, 10, 10}});
  double x2 = 0, g2 = 0;
  const double n[2][3] = {{10, 20, 30}, {20, 10, 10}};
  const double rows[2] = {60, 40}, cols[3] = {30, 30, 40};
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 3; ++j) {
      const double e = rows[i] * cols[j] / 100.0;
      x2 += (n[i][j] - e) * (n[i][j] - e) / e;
      g2 += 2 * n[i][j] * std::log(n[i][j] / e);
    }
  }
  // By hand: 64/18 + 4/18 + 36/24 + 64/12 + 4/12 + 36/16 = 475/36.
  EXPECT_NEAR(x2, 475.0 / 36.0, 1e-12);
  double v, stat, df, extra;
  ASSERT_TRUE(a.GetCriterion(kFSPearson, v, stat, df, extra));
  ExpectRel(stat, x2);
  EXPECT_EQ(df, 2.0);
  ExpectRel(v, std::exp(-x2 / 2));  // chi-square with 2 df: p = exp(-x / 2)
  ASSERT_TRUE(a.GetCriterion(kFSLikelihood, v, stat, df, extra));
  ExpectRel(stat, g2);
  ASSERT_TRUE(a.GetCriterion(kFSCramerV, v, stat, df, extra));
  ExpectRel(v, std::sqrt(475.0 / 36.0 / 100.0));
  ASSERT_TRUE(a.GetCriterion(kFSLambda, v, stat, df, extra));
  ExpectRel(v, (30.0 + 20.0 - 40.0) / (100.0 - 40.0));
  EXPECT_FALSE(a.GetCriterion(kFSFStat, v, stat, df, extra));
  EXPECT_EQ(v, kSysmis);
}

TEST(CriteriaTest, SingleCategoryGivesPValueOneAndNoCramersV) {
  const FSCatPCatTAccum a = Table({{5, 7}});
  FSCriterionResult r;
  a.ComputeCriteria(kFSPearson, r);
  EXPECT_EQ(r.value, 1.0);
  EXPECT_EQ(r.tie1, 0.0);
  a.ComputeCriteria(kFSCramerV, r);
  EXPECT_EQ(r.value, kSysmis);
}

TEST(CriteriaTest, PerfectlySeparatedGroupsAndPerfectCorrelationGivePValueZero) {
  FSCatPContTAccum g;
  for (int i = 0; i < 6; ++i) g.AddRecord(i % 2, i % 2 == 0 ? 1.0 : 5.0, 1.0);
  g.Finalize();
  FSCriterionResult r;
  g.ComputeCriteria(kFSFStat, r);
  EXPECT_EQ(r.value, 0.0);

  FSContPContTAccum c;
  for (int i = 0; i < 5; ++i) c.AddRecord(i, 2.0 * i + 1.0, 1.0);
  c.Finalize();
  c.ComputeCriteria(kFSTStat, r);
  EXPECT_LT(r.value, 1e-20);  // r is 1 up to rounding
  FSCorrelationCriterion(1.0, 5.0, r);
  EXPECT_EQ(r.value, 0.0);
  FSCorrelationCriterion(0.0, 5.0, r);
  EXPECT_EQ(r.value, 1.0);
  FSContPContTAccum constant;
  for (int i = 0; i < 5; ++i) constant.AddRecord(3.0, i, 1.0);
  constant.Finalize();
  constant.ComputeCriteria(kFSTStat, r);
  EXPECT_EQ(r.value, kSysmis);
  EXPECT_EQ(r.tie1, kSysmis);
}

TEST(CriteriaTest, GeneratedDataAgreesWithAnIndependentTwoPassComputation) {
  std::mt19937 rng(11);
  std::normal_distribution<double> noise(0.0, 1.0);
  const int n = 3000;
  std::vector<double> x(n), y(n), w(n);
  std::vector<int> g(n);
  for (int i = 0; i < n; ++i) {
    g[i] = static_cast<int>(rng() % 4);
    x[i] = 10.0 + 0.3 * g[i] + noise(rng);
    y[i] = 0.2 * x[i] + noise(rng);
    w[i] = 1.0 + (rng() % 3);
  }
  // Continuous pair: Pearson r and its t test.
  FSContPContTAccum cc;
  FSContPCatTAccum cg;
  for (int i = 0; i < n; ++i) {
    cc.AddRecord(x[i], y[i], w[i]);
    cg.AddRecord(x[i], g[i], w[i]);
  }
  cc.Finalize();
  cg.Finalize();
  double W = 0, mx = 0, my = 0;
  for (int i = 0; i < n; ++i) {
    W += w[i];
    mx += w[i] * x[i];
    my += w[i] * y[i];
  }
  mx /= W;
  my /= W;
  double sxx = 0, syy = 0, sxy = 0;
  for (int i = 0; i < n; ++i) {
    sxx += w[i] * (x[i] - mx) * (x[i] - mx);
    syy += w[i] * (y[i] - my) * (y[i] - my);
    sxy += w[i] * (x[i] - mx) * (y[i] - my);
  }
  const double r = sxy / std::sqrt(sxx * syy);
  const double df = W - 2;
  const double t = r * std::sqrt(df / (1 - r * r));
  const double pt =
      2 * boost::math::cdf(boost::math::complement(boost::math::students_t(df), std::fabs(t)));
  double v, a2, a3, a4;
  ASSERT_TRUE(cc.GetCriterion(kFSTStat, v, a2, a3, a4));
  ExpectRel(a2, r);
  ExpectRel(a3, t);
  ExpectRel(v, pt);
  EXPECT_EQ(a4, df);

  // One-way analysis of the continuous predictor over four groups.
  std::map<int, double> gw, gm;
  for (int i = 0; i < n; ++i) {
    gw[g[i]] += w[i];
    gm[g[i]] += w[i] * x[i];
  }
  for (auto& [k, m] : gm) m /= gw[k];
  double ssb = 0, ssw = 0;
  for (const auto& [k, m] : gm) ssb += gw[k] * (m - mx) * (m - mx);
  for (int i = 0; i < n; ++i) ssw += w[i] * (x[i] - gm[g[i]]) * (x[i] - gm[g[i]]);
  const double F = (ssb / 3) / (ssw / (W - 4));
  const double pf = boost::math::cdf(boost::math::complement(boost::math::fisher_f(3, W - 4), F));
  ASSERT_TRUE(cg.GetCriterion(kFSFStat, v, a2, a3, a4));
  ExpectRel(a2, F);
  ExpectRel(v, pf);
  EXPECT_EQ(a3, 3.0);
  EXPECT_EQ(a4, W - 4);

  // Contingency table of the group against a binned y.
  FSCatPCatTAccum tab;
  std::map<std::pair<int, int>, double> cells;
  std::map<int, double> rowT, colT;
  for (int i = 0; i < n; ++i) {
    const int b = y[i] < 1.5 ? 0 : (y[i] < 2.5 ? 1 : 2);
    tab.AddRecord(g[i], b, w[i]);
    cells[{g[i], b}] += w[i];
    rowT[g[i]] += w[i];
    colT[b] += w[i];
  }
  double x2 = 0;
  for (const auto& [ri, rn] : rowT) {
    for (const auto& [cj, cn] : colT) {
      const double e = rn * cn / W;
      const double o = cells.count({ri, cj}) ? cells[{ri, cj}] : 0.0;
      x2 += (o - e) * (o - e) / e;
    }
  }
  const double px = boost::math::cdf(boost::math::complement(boost::math::chi_squared(6), x2));
  ASSERT_TRUE(tab.GetCriterion(kFSPearson, v, a2, a3, a4));
  ExpectRel(a2, x2);
  ExpectRel(v, px);
}

TEST(SortTest, TiesAreBrokenByTheStatisticThenTheDegreesOfFreedom) {
  std::vector<FSPredSort> list = {{0.01, 5.0, 2.0, 0}, {0.01, 7.0, 3.0, 1}, {0.01, 7.0, 1.0, 2}};
  FSSortAll(kFSPearson, list);
  EXPECT_EQ(list[0].index, 2);
  EXPECT_EQ(list[1].index, 1);
  EXPECT_EQ(list[2].index, 0);

  std::vector<FSPredSort> cramer = {
      {kSysmis, 9.0, kSysmis, 0}, {0.2, 1.0, kSysmis, 1}, {0.5, 1.0, kSysmis, 2}};
  FSSortAll(kFSCramerV, cramer);
  EXPECT_EQ(cramer[0].index, 2);
  EXPECT_EQ(cramer[2].index, 0);  // missing last whatever its index

  std::vector<FSPredSort> f = {{0.0, kSysmis, 10, 0}, {0.0, kSysmis, 30, 1}};
  FSSortAll(kFSFStat, f);
  EXPECT_EQ(f[0].index, 1);  // larger N first
}

TEST(RankTest, BestThreeOfTenGetRanksZeroToTwoAndTheRestMinusOne) {
  FSSettings s(10, false, false);  // continuous target: t test
  s.SetTargetPosition(10);
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0.0, 1.0);
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 200; ++i) {
    std::vector<double> row(11);
    double y = noise(rng);
    for (int j = 0; j < 10; ++j) row[j] = 0.1 * j * y + noise(rng);
    row[10] = y;
    it.AddRow(row);
  }
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->AccumulateData(&it, -1).IsOK());
  ASSERT_TRUE(a->RankPredictors(3).IsOK());
  const std::vector<int>& ranks = a->GetRanks(kFSTStat);
  ASSERT_EQ(ranks.size(), 10u);
  EXPECT_EQ(std::count(ranks.begin(), ranks.end(), -1), 7);
  EXPECT_EQ(ranks[9], 0);  // the strongest association
  std::vector<int> inds;
  std::vector<double> values;
  EXPECT_TRUE(a->GetBestPredictors(kFSTStat, inds, values, 0).IsOK());
  EXPECT_EQ(inds.size(), 3u);
  EXPECT_EQ(inds[0], 9);
  EXPECT_EQ(values[0], a->GetCriterionValueList(kFSTStat)[9]);
  EXPECT_EQ(a->GetBestPredictors(kFSPearson, inds, values, 0).code, kFSCriterionNotComputed);

  auto b = MakeAlgorithm(s);
  it.Reset();
  b->AccumulateData(&it, -1);
  EXPECT_TRUE(b->RankPredictors(0).IsOK());
  const std::vector<int>& all = b->GetRanks(kFSTStat);
  EXPECT_EQ(std::count(all.begin(), all.end(), -1), 0);
  // Asking for more than are left: all of them, with a warning.
  EXPECT_EQ(b->GetBestPredictors(kFSTStat, inds, values, 50),
            FSStatus(kFSTooFewPredictors, true, 10));
  EXPECT_EQ(inds.size(), 10u);
  auto c = MakeAlgorithm(s);
  it.Reset();
  c->AccumulateData(&it, -1);
  EXPECT_EQ(c->RankPredictors(11), FSStatus(kFSTooFewPredictors, false, 10));
}

TEST(RankTest, OutputsRequireRankingFirst) {
  FSSettings s(2, true, true);
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<double> values;
  EXPECT_EQ(a->GetBestPredictors(0, inds, values, 1).code, kFSNotRanked);
  std::ostringstream os;
  EXPECT_EQ(a->WriteOutputOne(os, 0, 1).code, kFSNotRanked);
}

TEST(RankTest, MixedSetWithCategoricalTargetRanksContinuousPredictorsByTheirFTest) {
  FSSettings s(std::vector<bool>{true, false}, true);
  s.SetTargetPosition(2);
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 60; ++i)
    it.AddRow({static_cast<double>(i % 3), i % 2 + 0.01 * i, 1.0 * (i % 2)});
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->Run(&it, -1, false, 0).IsOK());
  EXPECT_TRUE(a->IsRanked());
  double v, st, df, df2;
  ASSERT_TRUE(a->GetCriterionValues(kFSFStat, 1, v, st, df, df2));
  EXPECT_EQ(a->GetCriterionValueList(kFSPearson)[1], v);      // the F p-value in the Pearson list
  EXPECT_EQ(a->GetCriterionValueList(kFSFStat)[0], kSysmis);  // categorical: no F test
  EXPECT_EQ(a->GetRanks(kFSPearson)[1], 0);
}
