// The accumulators of a continuous predictor.
#include "featureselection/FSContAccums.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <ostream>
#include <vector>

#include "featureselection/FSCriteria.h"
#include "featureselection/FSScreeningRules.h"

namespace {
constexpr double kMiss = MCMV::gMissingValue;
}

// ---- FSContAccumBase ----

int FSContAccumBase::GetFirstDeletionReason(const FSSettings& s) const {
  return FSCheckContRules(s, FSContRuleInput{fTotal, fMissing, GetStdDev(), GetMean()}, nullptr);
}

int FSContAccumBase::ListDeletionReasons(const FSSettings& s, std::vector<int>& reasons) const {
  reasons.clear();
  FSCheckContRules(s, FSContRuleInput{fTotal, fMissing, GetStdDev(), GetMean()}, &reasons);
  return static_cast<int>(reasons.size());
}

void FSContAccumBase::WriteHead(FSFieldSink& out) const {
  out.Dbl("total", fTotal);
  out.Dbl("missing", fMissing);
  out.Dbl("firstValue", fFirst);
  out.Bool("constant", fConstant);
}

void FSContAccumBase::ReadHead(FSFieldSource& in, const char* cls) {
  fTotal = in.Dbl("total", cls);
  fMissing = in.Dbl("missing", cls);
  fFirst = in.Dbl("firstValue", cls);
  fConstant = in.Bool("constant", cls);
  if (!(fTotal >= 0.0 && fMissing >= 0.0 && fMissing <= fTotal && std::isfinite(fTotal))) {
    FSIO::Fail(cls, "the case totals are inconsistent");
  }
}

void FSContAccumBase::DisplayHead(std::ostream& os) const {
  os << "Number of processed cases = " << fTotal << "\n";
  os << "Number of missing cases = " << fMissing << "\n";
  os << "The first non-missing value = ";
  if (fFirst == kMiss) {
    os << "<missing>\n";
  } else {
    os << fFirst << "\n";
  }
  os << (fConstant ? "This is constant\n" : "This is not constant\n");
}

// ---- FSContAccum ----

namespace {
// Two doubles side by side, one predictor in each lane; a comparison gives a lane of all one
// bits where it holds and of zero bits where it does not.
typedef double Lanes __attribute__((vector_size(16)));
typedef long long LaneMask __attribute__((vector_size(16)));

// Where FSIsContMissing(x) is false: x is finite and not the system-missing value.
LaneMask ValidLanes(Lanes x) {
  const Lanes miss = {kMiss, kMiss};
  const Lanes zero = {0.0, 0.0};
  return (x != miss) & ((x - x) == zero);  // x - x is NaN for infinities and NaN
}

// The running state of two predictors: the mean, M2, the valid count W and the missing count.
struct LaneState {
  Lanes mean, m2, W, missing;
};

// One value of each predictor, the update as FSUnitUpdate makes it: d = (x - mean) *
// (1 / (W + 1)), M2 += (W + 1) * d * W * d, mean += d, in that order of operations. Answers
// the lanes that held a valid value.
[[gnu::always_inline]] inline LaneMask Update(LaneState& s, Lanes x) {
  const Lanes one = {1.0, 1.0};
  const Lanes zero = {0.0, 0.0};
  const LaneMask ok = ValidLanes(x);
  const Lanes f = one / (s.W + one);
  const Lanes d = (x - s.mean) * f;
  const Lanes t = (s.W + one) * d * s.W * d;
  s.mean = ok ? s.mean + d : s.mean;
  s.m2 = ok ? s.m2 + t : s.m2;
  s.W = ok ? s.W + one : s.W;
  s.missing += ok ? zero : one;
  return ok;
}

struct LanePair {
  LaneState state;
  const double* col[2];
};

// Records 0 .. n-1 of one pair, or of two side by side (their chains of updates overlap, and
// their state stays in registers).
template <bool kTwo>
void RunPairs(LanePair* pairs, int n, char* valid) {
  LaneState s0 = pairs[0].state;
  LaneState s1 = kTwo ? pairs[1].state : s0;
  const double* a0 = pairs[0].col[0];
  const double* a1 = pairs[0].col[1];
  const double* b0 = kTwo ? pairs[1].col[0] : a0;
  const double* b1 = kTwo ? pairs[1].col[1] : a1;
  for (int i = 0; i < n; ++i) {
    LaneMask any = Update(s0, Lanes{a0[i], a1[i]});
    if constexpr (kTwo) any |= Update(s1, Lanes{b0[i], b1[i]});
    if ((any[0] | any[1]) != 0) valid[i] = 1;
  }
  pairs[0].state = s0;
  if constexpr (kTwo) pairs[1].state = s1;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define FS_WIDE_LANES 1
// The same update four predictors at a time, on processors with 256-bit vectors: the
// operations of each lane are those of Update, so every result is the same to the last bit
// (no fused multiply-add is allowed here, which would round once where Update rounds twice).
typedef double WideLanes __attribute__((vector_size(32)));
typedef long long WideMask __attribute__((vector_size(32)));

struct WideState {
  WideLanes mean, m2, W, missing;
};

[[gnu::target("avx"), gnu::always_inline]] inline WideMask WideUpdate(WideState& s, WideLanes x) {
  const WideLanes miss = {kMiss, kMiss, kMiss, kMiss};
  const WideLanes one = {1.0, 1.0, 1.0, 1.0};
  const WideLanes zero = {0.0, 0.0, 0.0, 0.0};
  const WideMask ok = (x != miss) & ((x - x) == zero);
  const WideLanes f = one / (s.W + one);
  const WideLanes d = (x - s.mean) * f;
  const WideLanes t = (s.W + one) * d * s.W * d;
  s.mean = ok ? s.mean + d : s.mean;
  s.m2 = ok ? s.m2 + t : s.m2;
  s.W = ok ? s.W + one : s.W;
  s.missing += ok ? zero : one;
  return ok;
}

// Predictors 0 .. k-1 (k at most 8) over records 0 .. n-1, in two groups of four side by side;
// a group short of four repeats its last predictor, whose extra lanes are dropped.
// The states come in and go out in mean, m2 and W (the valid count); missing receives the
// missing values counted.
[[gnu::target("avx")]] void WideColumns(const double* const* columns, std::size_t k, int n,
                                        char* valid, double* mean, double* m2, double* W,
                                        double* missing) {
  const double* col[8];
  double in[3][8];
  for (std::size_t q = 0; q < 8; ++q) {
    const std::size_t from = std::min(q, k - 1);
    col[q] = columns[from];
    in[0][q] = mean[from];
    in[1][q] = m2[from];
    in[2][q] = W[from];
  }
  WideState s0{WideLanes{in[0][0], in[0][1], in[0][2], in[0][3]},
               WideLanes{in[1][0], in[1][1], in[1][2], in[1][3]},
               WideLanes{in[2][0], in[2][1], in[2][2], in[2][3]}, WideLanes{0, 0, 0, 0}};
  WideState s1{WideLanes{in[0][4], in[0][5], in[0][6], in[0][7]},
               WideLanes{in[1][4], in[1][5], in[1][6], in[1][7]},
               WideLanes{in[2][4], in[2][5], in[2][6], in[2][7]}, WideLanes{0, 0, 0, 0}};
  if (k > 4) {
    for (int i = 0; i < n; ++i) {
      WideMask any = WideUpdate(s0, WideLanes{col[0][i], col[1][i], col[2][i], col[3][i]});
      any |= WideUpdate(s1, WideLanes{col[4][i], col[5][i], col[6][i], col[7][i]});
      if ((any[0] | any[1] | any[2] | any[3]) != 0) valid[i] = 1;
    }
  } else {
    for (int i = 0; i < n; ++i) {
      const WideMask any = WideUpdate(s0, WideLanes{col[0][i], col[1][i], col[2][i], col[3][i]});
      if ((any[0] | any[1] | any[2] | any[3]) != 0) valid[i] = 1;
    }
  }
  for (std::size_t q = 0; q < k; ++q) {
    const WideState& st = q < 4 ? s0 : s1;
    mean[q] = st.mean[q % 4];
    m2[q] = st.m2[q % 4];
    missing[q] = st.missing[q % 4];
  }
}

// Set while the library's objects are built, maybe before the compiler's own reading of the
// processor's features: that reading is made here first.
bool HasWideLanes() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
}
bool gWideLanes = HasWideLanes();
#endif
}  // namespace

bool FSContAccum::UseWideLanes(bool on) {
#ifdef FS_WIDE_LANES
  const bool had = gWideLanes;
  gWideLanes = on && HasWideLanes();
  return had;
#else
  (void)on;
  return false;
#endif
}

void FSContAccum::AddUnitColumns(FSContAccum* const* accums, const double* const* columns,
                                 std::size_t k, int n, char* valid) {
  // Whether a predictor stays constant depends only on its valid values in order.
  for (std::size_t q = 0; q < k; ++q) {
    FSContAccum& a = *accums[q];
    for (int i = 0; i < n && a.fConstant; ++i)
      if (!FSIsContMissing(columns[q][i])) a.TrackConstant(columns[q][i]);
  }
#ifdef FS_WIDE_LANES
  if (gWideLanes && k > 0) {
    // Eight predictors at a time.
    for (std::size_t first = 0; first < k; first += 8) {
      const std::size_t m = std::min<std::size_t>(8, k - first);
      double mean[8], m2[8], W[8], missing[8];
      for (std::size_t q = 0; q < m; ++q) {
        const FSContAccum& a = *accums[first + q];
        mean[q] = a.fMean;
        m2[q] = a.fM2;
        W[q] = a.fTotal - a.fMissing;
      }
      WideColumns(columns + first, m, n, valid, mean, m2, W, missing);
      for (std::size_t q = 0; q < m; ++q) {
        FSContAccum& a = *accums[first + q];
        a.fMean = mean[q];
        a.fM2 = m2[q];
        a.fMissing += missing[q];
        a.fTotal += static_cast<double>(n);
      }
    }
    return;
  }
#endif
  // An odd predictor out shares a pair with itself; its second lane is dropped.
  std::vector<LanePair> pairs((k + 1) / 2);
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    const std::size_t q0 = 2 * p, q1 = std::min(2 * p + 1, k - 1);
    FSContAccum* a[2] = {accums[q0], accums[q1]};
    LanePair& lp = pairs[p];
    lp.state.mean = Lanes{a[0]->fMean, a[1]->fMean};
    lp.state.m2 = Lanes{a[0]->fM2, a[1]->fM2};
    lp.state.W = Lanes{a[0]->fTotal - a[0]->fMissing, a[1]->fTotal - a[1]->fMissing};
    lp.state.missing = Lanes{0.0, 0.0};
    lp.col[0] = columns[q0];
    lp.col[1] = columns[q1];
  }
  std::size_t p = 0;
  for (; p + 2 <= pairs.size(); p += 2) RunPairs<true>(&pairs[p], n, valid);
  if (p < pairs.size()) RunPairs<false>(&pairs[p], n, valid);
  for (std::size_t q = 0; q < k; ++q) {
    const LaneState& st = pairs[q / 2].state;
    const int lane = static_cast<int>(q % 2);
    FSContAccum& a = *accums[q];
    // Counts of whole cases: the sums below are exact, as the additions of 1 one at a time.
    a.fMean = st.mean[lane];
    a.fM2 = st.m2[lane];
    a.fMissing += st.missing[lane];
    a.fTotal += static_cast<double>(n);
  }
}

void FSContAccum::Finalize() {
  const double W = fTotal - fMissing;
  if (W > 1.0) fVariance = fM2 / (W - 1.0);
}

double FSContAccum::GetStdDev() const { return std::sqrt(fVariance); }

void FSContAccum::ComputeCriteria(int, FSCriterionResult& out) const { out = FSCriterionResult{}; }

void FSContAccum::Write(FSFieldSink& out) const {
  out.Begin("COPRE", "FSContAccum");
  WriteHead(out);
  out.Dbl("mean", fMean);
  out.Dbl("M2", fM2);
  out.Dbl("variance", fVariance);
  out.End();
}

void FSContAccum::Read(FSFieldSource& in) {
  const char* cls = "FSContAccum";
  FSContAccum tmp;
  in.Begin("COPRE", cls, cls);
  tmp.ReadHead(in, cls);
  tmp.fMean = in.Dbl("mean", cls);
  tmp.fM2 = in.Dbl("M2", cls);
  tmp.fVariance = in.Dbl("variance", cls);
  in.End(cls);
  *this = tmp;
}

void FSContAccum::Display(std::ostream& os) const {
  os << "Start of FSContAccum display\n";
  DisplayHead(os);
  os << "Mean = " << fMean << "\nSum of squared deviations = " << fM2
     << "\nVariance = " << fVariance << "\n";
  os << "End of FSContAccum display\n";
}

// ---- FSContPCatTAccum ----

void FSContPCatTAccum::AddRecord(double x, double y, double w) {
  if (!(w > 0)) return;
  TrackConstant(x);
  const std::int32_t t = FSTruncCategory(y);
  if (fDenseOn && t >= 0 && t < kTableCodes) {
    const auto i = static_cast<std::size_t>(t);
    if (i >= fTable.size()) fTable.resize(i + 1);
    FSMapIStat::Stat& s = fTable[i];
    if (s.W > 0.0) {
      FSMapIStat::UpdateStat(s, x, w);
    } else {
      s = FSMapIStat::NewStat(x, w);
    }
    fStatsStale = true;
  } else {
    if (fDenseOn) LeaveTable();
    fStats.Accumulate(t, x, w);
  }
  const double W = fTotal - fMissing;
  fTotal += w;
  fGrandMean += w / (W + w) * (x - fGrandMean);
}

void FSContPCatTAccum::Sync() const {
  assert((fDenseOn || (!fStatsStale && fTable.empty())) &&
         "featureselection/FSContAccums: the table is in use only while fDenseOn");
  if (!fStatsStale) return;
  std::vector<std::pair<std::int32_t, FSMapIStat::Stat>> entries;
  for (std::size_t i = 0; i < fTable.size(); ++i) {
    if (fTable[i].W > 0.0) entries.emplace_back(static_cast<std::int32_t>(i), fTable[i]);
  }
  fStats.AssignSorted(std::move(entries));
  fStatsStale = false;
}

void FSContPCatTAccum::LeaveTable() {
  Sync();
  fTable.clear();
  fTable.shrink_to_fit();
  fDenseOn = false;
}

void FSContPCatTAccum::Finalize() {
  if (fDenseOn) {
    for (FSMapIStat::Stat& s : fTable) s.variance = FSMapIStat::VarianceOf(s);
    fStatsStale = true;
  } else {
    fStats.Finalize();
  }
}

double FSContPCatTAccum::GetStdDev() const {
  // Pooled: SS = sum over target categories of W_k (grand mean - mean_k)^2 + M2_k.
  Sync();
  double W = 0.0, ss = 0.0;
  for (const auto& e : fStats.Entries()) {
    const double d = fGrandMean - e.second.mean;
    W += e.second.W;
    ss += e.second.W * d * d + e.second.M2;
  }
  return W > 1.0 ? std::sqrt(ss / (W - 1.0)) : 0.0;
}

void FSContPCatTAccum::ComputeCriteria(int criterion, FSCriterionResult& out) const {
  out = FSCriterionResult{};
  if (criterion != kFSPearson && criterion != kFSLikelihood && criterion != kFSFStat) return;
  const double N = fTotal - fMissing;
  Sync();
  FSAnovaCriterion(fStats, fGrandMean, N, out);
  // Under the ascending tie order of the chi-square lists, -N puts a larger N first.
  if (criterion != kFSFStat) out.tie2 = -N;
}

void FSContPCatTAccum::Write(FSFieldSink& out) const {
  out.Begin("COPRA", "FSContPCatTAccum");
  WriteHead(out);
  out.Dbl("grandMean", fGrandMean);
  Sync();
  fStats.Write(out);
  out.End();
}

void FSContPCatTAccum::Read(FSFieldSource& in) {
  const char* cls = "FSContPCatTAccum";
  FSContPCatTAccum tmp;
  in.Begin("COPRA", cls, cls);
  tmp.ReadHead(in, cls);
  tmp.fGrandMean = in.Dbl("grandMean", cls);
  tmp.fStats.Read(in);
  in.End(cls);
  tmp.fDenseOn = false;  // the statistics read live in the map
  *this = std::move(tmp);
}

void FSContPCatTAccum::Display(std::ostream& os) const {
  Sync();
  os << "Start of FSContPCatTAccum display\n";
  DisplayHead(os);
  os << "Grand mean of the predictor = " << fGrandMean << "\n";
  os << "Predictor statistics per target category:\n";
  fStats.Display(os);
  os << "End of FSContPCatTAccum display\n";
}

// ---- FSContPContTAccum ----

void FSContPContTAccum::AddRecord(double x, double y, double w) {
  if (!(w > 0)) return;
  TrackConstant(x);
  const double W = fTotal - fMissing;
  fTotal += w;
  const double f = w / (W + w);
  const double g = (W + w) / w;
  const double dx = (x - fMeanX) * f;
  const double dy = (y - fMeanY) * f;
  const double h = g * dx * W;
  fM2X += h * dx;
  fCrossProd += h * dy;
  fMeanX += dx;
  fMeanY += dy;
  fM2Y += g * dy * W * dy;
}

void FSContPContTAccum::Finalize() {
  fCorr = kMiss;
  const double W = fTotal - fMissing;
  if (W <= 1.0) {
    fVarX = 0.0;
    fVarY = 0.0;
    return;
  }
  fVarX = fM2X / (W - 1.0);
  fVarY = fM2Y / (W - 1.0);
  if (fVarX > 0.0 && fVarY > 0.0) {
    fCorr = (fCrossProd / (W - 1.0)) / std::sqrt(fVarX) / std::sqrt(fVarY);
  }
}

double FSContPContTAccum::GetStdDev() const {
  return fVarX == kMiss || !(fVarX > 0.0) ? 0.0 : std::sqrt(fVarX);
}

void FSContPContTAccum::ComputeCriteria(int criterion, FSCriterionResult& out) const {
  out = FSCriterionResult{};
  if (criterion == kFSFStat || criterion == kFSTStat) {
    FSCorrelationCriterion(fCorr, fTotal - fMissing, out);
  }
}

void FSContPContTAccum::Write(FSFieldSink& out) const {
  out.Begin("COPCO", "FSContPContTAccum");
  WriteHead(out);
  out.Dbl("meanX", fMeanX);
  out.Dbl("M2X", fM2X);
  out.Dbl("meanY", fMeanY);
  out.Dbl("M2Y", fM2Y);
  out.Dbl("crossProduct", fCrossProd);
  out.End();
}

void FSContPContTAccum::Read(FSFieldSource& in) {
  const char* cls = "FSContPContTAccum";
  FSContPContTAccum tmp;
  in.Begin("COPCO", cls, cls);
  tmp.ReadHead(in, cls);
  tmp.fMeanX = in.Dbl("meanX", cls);
  tmp.fM2X = in.Dbl("M2X", cls);
  tmp.fMeanY = in.Dbl("meanY", cls);
  tmp.fM2Y = in.Dbl("M2Y", cls);
  tmp.fCrossProd = in.Dbl("crossProduct", cls);
  in.End(cls);
  *this = tmp;
}

void FSContPContTAccum::Display(std::ostream& os) const {
  os << "Start of FSContPContTAccum display\n";
  DisplayHead(os);
  os << "Predictor mean = " << fMeanX << ", sum of squared deviations = " << fM2X << "\n";
  os << "Target mean = " << fMeanY << ", sum of squared deviations = " << fM2Y << "\n";
  os << "Sum of cross-products = " << fCrossProd << "\n";
  os << "Predictor variance = " << fVarX << ", target variance = " << fVarY
     << ", correlation = " << fCorr << "\n";
  os << "End of FSContPContTAccum display\n";
}
