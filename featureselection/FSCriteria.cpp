// Contingency-table criteria, one-way analysis of variance and the correlation t test.
#include "featureselection/FSCriteria.h"

#include <algorithm>
#include <cmath>

#include "featureselection/FSDistributions.h"

namespace {
constexpr double kMiss = MCMV::gMissingValue;

// Pearson X2 and likelihood-ratio G2 of the table. Only the cells present in the pair map
// are visited: a row's absent cells contribute their expected counts, which sum to
// n_i. * (column total - columns present in the row) / N, so a sparse table with a million
// rows costs one pass over its entries.
struct ChiSquares {
  double x2 = 0.0;
  double g2 = 0.0;
};

ChiSquares TableStatistics(const FSMapICnt& pred, const FSMapICnt& target, const FSMapPiCnt& pairs,
                           double N) {
  ChiSquares cs;
  double colTotal = 0.0;
  for (const auto& e : target.Entries()) colTotal += e.second;
  const auto& cells = pairs.Entries();
  std::size_t p = 0;
  for (const auto& row : pred.Entries()) {
    const double ni = row.second;
    while (p < cells.size() && cells[p].first.first < row.first) ++p;  // stray rows
    double presentCols = 0.0;
    for (; p < cells.size() && cells[p].first.first == row.first; ++p) {
      double nj = 0.0;
      if (!target.Lookup(cells[p].first.second, nj)) continue;
      const double nij = cells[p].second;
      const double e = ni * nj / N;
      const double d = nij - e;
      cs.x2 += d * d / e;
      if (nij > 0.0) cs.g2 += nij * std::log(nij / e);
      presentCols += nj;
    }
    cs.x2 += ni * (colTotal - presentCols) / N;
  }
  cs.g2 *= 2.0;
  return cs;
}

}  // namespace

void FSContingencyCriterion(int criterion, const FSMapICnt& pred, const FSMapICnt& target,
                            const FSMapPiCnt& pairs, double N, FSCriterionResult& out) {
  out = FSCriterionResult{};
  const int r = pred.Size();
  const int c = target.Size();
  switch (criterion) {
    case kFSPearson:
    case kFSLikelihood: {
      if (r < 2 || c < 2) {
        out.value = 1.0;
        out.tie1 = 0.0;
        out.tie2 = 0.0;
        return;
      }
      const ChiSquares cs = TableStatistics(pred, target, pairs, N);
      const double stat = criterion == kFSPearson ? cs.x2 : cs.g2;
      const double df = static_cast<double>(r - 1) * (c - 1);
      const double p = FSDist::ChiSquareUpper(stat, df);
      if (p == kMiss) return;
      out.value = p;
      out.tie1 = stat;
      out.tie2 = df;
      return;
    }
    case kFSCramerV: {
      if (r < 2 || c < 2) return;
      const ChiSquares cs = TableStatistics(pred, target, pairs, N);
      const double q = N * (std::min(r, c) - 1);
      if (q > 0.0) out.value = std::sqrt(cs.x2 / q);
      out.tie1 = cs.x2;
      return;
    }
    case kFSLambda: {
      // S = sum over predictor categories of the largest cell of the row; M = the largest
      // target category count.
      double S = 0.0;
      const auto& cells = pairs.Entries();
      for (std::size_t p = 0; p < cells.size();) {
        const std::int32_t rowKey = cells[p].first.first;
        double best = 0.0;
        for (; p < cells.size() && cells[p].first.first == rowKey; ++p) {
          best = std::max(best, cells[p].second);
        }
        S += best;
      }
      double M = 0.0;
      for (const auto& e : target.Entries()) M = std::max(M, e.second);
      if (N - M > 0.0) out.value = (S - M) / (N - M);
      out.tie1 = static_cast<double>(r);
      return;
    }
    default:
      return;
  }
}

void FSAnovaCriterion(const FSMapIStat& groups, double grandMean, double N,
                      FSCriterionResult& out) {
  out = FSCriterionResult{};
  double ssb = 0.0, ssw = 0.0;
  for (const auto& e : groups.Entries()) {
    const auto& g = e.second;
    const double d = g.mean - grandMean;
    ssb += g.W * d * d;
    ssw += (g.W - 1.0) * g.variance;
  }
  const double k = groups.Size();
  const double df1 = k - 1.0;
  const double df2 = N - k;
  out.extra1 = df1;
  out.extra2 = df2;
  out.tie2 = N;
  if (df1 > 0.0 && df2 > 0.0 && ssw > 0.0) {
    const double F = (ssb / df1) / (ssw / df2);
    const double p = FSDist::FUpper(F, df1, df2);
    if (p != kMiss) {
      out.value = p;
      out.tie1 = F;
    }
  } else if (ssw <= 0.0) {
    out.value = 0.0;  // the groups separate perfectly
  }
}

void FSCorrelationCriterion(double r, double N, FSCriterionResult& out) {
  out = FSCriterionResult{};
  if (r == kMiss) return;
  const double df = N - 2.0;
  const double r2 = r * r;
  out.tie1 = r2;
  out.tie2 = N;
  out.extra1 = r;
  if (r2 < 1.0 && df >= 0.0) {
    const double t = r * std::sqrt(df / (1.0 - r2));
    out.extra2 = t;
    const double p = FSDist::TTwoSided(t, df);
    if (p != kMiss) out.value = p;
  } else {
    out.value = 0.0;
  }
}
