// The accumulators of a categorical predictor.
#include "featureselection/FSCatAccums.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <ostream>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "featureselection/FSCriteria.h"
#include "featureselection/FSScreeningRules.h"

// ---- FSCatAccumBase ----

void FSCatAccumBase::AddMissing(double w) {
  if (!(w > 0)) return;
  fTotal += w;
  fMissing += w;
}

void FSCatAccumBase::CountValid(std::int32_t c, double w) {
  TrackCategory(c, fConstant, fFirstCat);
  fTotal += w;
  fValid += 1;
  assert(fMissing <= fTotal && "featureselection/FSCatAccums: fMissing <= fTotal");
}

FSCatCountSummary FSCatAccumBase::SummarizeCounts() const {
  Sync();
  FSCatCountSummary summary;
  for (const auto& e : fPredCounts.Entries()) summary.Add(e.second);
  return summary;
}

int FSCatAccumBase::GetFirstDeletionReason(const FSSettings& s) const {
  return FSCheckCatRules(s, FSCatRuleInput{fTotal, fMissing, fValid, SummarizeCounts()}, nullptr);
}

int FSCatAccumBase::ListDeletionReasons(const FSSettings& s, std::vector<int>& reasons) const {
  reasons.clear();
  FSCheckCatRules(s, FSCatRuleInput{fTotal, fMissing, fValid, SummarizeCounts()}, &reasons);
  return static_cast<int>(reasons.size());
}

void FSCatAccumBase::WriteHead(FSFieldSink& out) const {
  out.Dbl("total", fTotal);
  out.Dbl("missing", fMissing);
  out.Int("firstCategory", fFirstCat);
  out.Bool("constant", fConstant);
}

void FSCatAccumBase::ReadHead(FSFieldSource& in, const char* cls) {
  fTotal = in.Dbl("total", cls);
  fMissing = in.Dbl("missing", cls);
  fFirstCat = in.Int("firstCategory", cls);
  fConstant = in.Bool("constant", cls);
  fValid = 0;  // the unweighted count is not stored
  if (!(fTotal >= 0.0 && fMissing >= 0.0 && fMissing <= fTotal && std::isfinite(fTotal))) {
    FSIO::Fail(cls, "the case totals are inconsistent");
  }
}

void FSCatAccumBase::DisplayHead(std::ostream& os) const {
  Sync();
  os << "Number of variable categories = " << fPredCounts.Size() << "\n";
  os << "Number of processed cases = " << fTotal << "\n";
  os << "Number of unweighted valid cases = " << fValid << "\n";
  os << "Number of missing cases = " << fMissing << "\n";
  os << "The first non-missing category = " << fFirstCat << "\n";
  os << (fConstant ? "This is constant\n" : "This is not constant\n");
  os << "Case counts of predictor categories:\n";
  fPredCounts.Display(os);
}

// ---- FSCatAccum ----

namespace {

// The cell a missing value is tallied in, past the codes of a tallied table.
constexpr std::uint16_t kMissingCell = 256;

// The cells of values[0 .. n-1] into cell[]: a valid value's code (0 .. size-1, size at most
// kMissingCell), kMissingCell for a missing one; valid[i] = 1 for each valid value. Stops
// before the first valid value whose code has no cell (negative, or size and above) and
// answers how many values it did.
int CellsOf(const double* values, int n, std::size_t size, bool categorical, std::uint16_t* cell,
            char* valid) {
  int i = 0;
#if defined(__SSE2__)
  // Categories four at a time, with the tests of FSIsCatMissing and FSTruncCategory.
  if (categorical) {
    const __m128d missing = _mm_set1_pd(MCMV::gMissingValue);
    const __m128d low = _mm_set1_pd(-2147483649.0), high = _mm_set1_pd(2147483648.0);
    const __m128i minusOne = _mm_set1_epi32(-1), cells = _mm_set1_epi32(static_cast<int>(size));
    const __m128i missingCell = _mm_set1_epi32(kMissingCell), one = _mm_set1_epi8(1);
    for (; i + 4 <= n; i += 4) {
      const __m128d a = _mm_loadu_pd(values + i), b = _mm_loadu_pd(values + i + 2);
      const __m128d inA = _mm_andnot_pd(_mm_cmpeq_pd(a, missing),
                                        _mm_and_pd(_mm_cmpgt_pd(a, low), _mm_cmplt_pd(a, high)));
      const __m128d inB = _mm_andnot_pd(_mm_cmpeq_pd(b, missing),
                                        _mm_and_pd(_mm_cmpgt_pd(b, low), _mm_cmplt_pd(b, high)));
      const __m128i code = _mm_unpacklo_epi64(_mm_cvttpd_epi32(a), _mm_cvttpd_epi32(b));
      __m128i ok = _mm_castps_si128(
          _mm_shuffle_ps(_mm_castpd_ps(inA), _mm_castpd_ps(inB), _MM_SHUFFLE(2, 0, 2, 0)));
      ok = _mm_andnot_si128(_mm_cmpeq_epi32(code, minusOne), ok);
      const __m128i fits =
          _mm_and_si128(_mm_cmpgt_epi32(cells, code), _mm_cmpgt_epi32(code, minusOne));
      // A valid code without a cell: the value by value loop below stops at it.
      if (_mm_movemask_epi8(_mm_andnot_si128(fits, ok)) != 0) break;
      const __m128i out = _mm_or_si128(_mm_and_si128(ok, code), _mm_andnot_si128(ok, missingCell));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(cell + i), _mm_packs_epi32(out, out));
      const __m128i okBytes = _mm_packs_epi16(_mm_packs_epi32(ok, ok), _mm_setzero_si128());
      std::int32_t flags;
      std::memcpy(&flags, valid + i, sizeof flags);
      flags |= _mm_cvtsi128_si32(_mm_and_si128(okBytes, one));
      std::memcpy(valid + i, &flags, sizeof flags);
    }
  }
#endif
  for (; i < n; ++i) {
    const double v = values[i];
    if (categorical ? FSIsCatMissing(v) : FSIsContMissing(v)) {
      cell[i] = kMissingCell;
      continue;
    }
    const std::int32_t c = FSTruncCategory(v);
    if (static_cast<std::uint32_t>(c) >= size) return i;
    cell[i] = static_cast<std::uint16_t>(c);
    valid[i] = 1;
  }
  return n;
}

}  // namespace

int FSCatAccum::AddUnitTallied(const double* values, int n, bool categorical, char* valid) {
  // A chunk of values at a time: first each value's cell, then the cells tallied in one of four
  // small integer tables in turn (a run of values of one category would otherwise wait at
  // every add for the add before it), missing values in a cell of their own. The tallies go
  // to the counts at the end; they are whole numbers, so the counts come out as the adds one
  // by one would leave them. The category stays constant while every valid value has the
  // first one's: when the first category's tally is the number of valid values.
  static_assert(kTallyCells == kMissingCell,
                "a tallied table's codes all lie below the missing cell");
  constexpr int kLanes = 4;
  constexpr int kChunk = 1024;
  const std::size_t size = fTable.Size();
  std::uint32_t tally[kLanes][kTallyCells + 1];
  for (auto& lane : tally) std::fill(lane, lane + kTallyCells + 1, 0u);
  std::uint16_t cell[kChunk];
  std::int32_t first = fFirstCat;
  int done = 0;
  while (done < n) {
    const int m = std::min(kChunk, n - done);
    const int took = CellsOf(values + done, m, size, categorical, cell, valid + done);
    if (fConstant && first == -1) {
      for (int i = 0; i < took && first == -1; ++i)
        if (cell[i] != kMissingCell) first = cell[i];
    }
    int i = 0;
    for (; i + kLanes <= took; i += kLanes) {
      ++tally[0][cell[i]];
      ++tally[1][cell[i + 1]];
      ++tally[2][cell[i + 2]];
      ++tally[3][cell[i + 3]];
    }
    for (; i < took; ++i) ++tally[0][cell[i]];
    done += took;
    if (took < m) break;
  }
  long long nMissing = 0;
  for (const auto& lane : tally) nMissing += lane[kMissingCell];
  const long long nValid = done - nMissing;
  long long firstCount = 0;
  {
    FSDenseCounts::Run run(fTable);
    for (std::size_t k = 0; k < size; ++k) {
      const std::uint32_t count = tally[0][k] + tally[1][k] + tally[2][k] + tally[3][k];
      if (count > 0) run.AddInPlace(static_cast<std::int32_t>(k), static_cast<double>(count));
      if (static_cast<std::int32_t>(k) == first) firstCount = count;
    }
  }
  fTotal += static_cast<double>(nMissing + nValid);
  fMissing += static_cast<double>(nMissing);
  fValid += static_cast<int>(nValid);
  if (fConstant && nValid > 0) {
    fConstant = firstCount == nValid;
    fFirstCat = first;
  }
  if (nValid > 0) fMapStale = true;
  return done;
}

void FSCatAccum::AddValues(const double* values, const double* w, const char* use, int n,
                           bool categorical, char* valid) {
  // Null weights and uses: every weight 1 and every record read.
  const int done = w && use     ? AddDense<false>(values, w, use, n, categorical, valid)
                   : !w && !use ? AddDense<true>(values, nullptr, nullptr, n, categorical, valid)
                                : 0;
  if (done < n) {
    FSAddBlock(*this, values + done, w ? w + done : nullptr, use ? use + done : nullptr, n - done,
               categorical, valid + done);
  }
}

template <bool kUnit>
int FSCatAccum::AddDense(const double* values, const double* w, const char* use, int n,
                         bool categorical, char* valid) {
  // While the counts are in the table: AddMissing and AddValue inlined, the running sums in
  // registers (added to in the same order, so with the same results), each value's cell
  // fetched 16 values ahead when the table is larger than the processor's first cache. A
  // value whose code has no cell yet takes AddValue itself, which grows the table or leaves
  // it for the map. With unit weights the sums are counts of whole cases, kept as integers
  // and added once: exact either way.
  constexpr int kAhead = 16;
  constexpr std::size_t kCachedCells = 4096;
  int i = 0;
  if (kUnit && fDenseOn && fTable.Size() <= kTallyCells)
    i = AddUnitTallied(values, n, categorical, valid);
  while (i < n && fDenseOn) {
    double total = fTotal, missing = fMissing;
    long long unitMissing = 0, unitValid = 0;
    int nValid = fValid;
    bool constant = fConstant;
    std::int32_t first = fFirstCat;
    bool added = false, general = false;
    {
      FSDenseCounts::Run run(fTable);
      const bool fetch = run.Size() > kCachedCells;
      for (; i < n; ++i) {
        if (fetch && i + kAhead < n) run.Prefetch(FSTruncCategory(values[i + kAhead]));
        if (!kUnit && !use[i]) continue;
        const double v = values[i], wi = kUnit ? 1.0 : w[i];
        if (categorical ? FSIsCatMissing(v) : FSIsContMissing(v)) {
          if (kUnit) {
            ++unitMissing;
          } else if (wi > 0) {
            total += wi;
            missing += wi;
          }
          continue;
        }
        valid[i] = 1;
        if (!(wi > 0)) continue;
        const std::int32_t c = FSTruncCategory(v);
        if (!run.AddInPlace(c, wi)) {
          general = true;
          break;
        }
        added = true;
        TrackCategory(c, constant, first);
        if (kUnit) {
          ++unitValid;
        } else {
          total += wi;
          ++nValid;
        }
      }
    }  // the run hands its count of present cells to the table here
    if (kUnit) {
      total += static_cast<double>(unitMissing + unitValid);
      missing += static_cast<double>(unitMissing);
      nValid += static_cast<int>(unitValid);
    }
    fTotal = total;
    fMissing = missing;
    fValid = nValid;
    fConstant = constant;
    fFirstCat = first;
    if (added) fMapStale = true;
    assert(fMissing <= fTotal && "featureselection/FSCatAccums: fMissing <= fTotal");
    if (general) {
      AddValue(values[i], kUnit ? 1.0 : w[i], true);
      ++i;
    }
  }
  return i;
}

void FSCatAccum::AddValue(double predictor, double w, bool countCategories) {
  if (!(w > 0)) return;
  const std::int32_t c = FSTruncCategory(predictor);
  if (countCategories) {
    if (fDenseOn && fTable.Add(c, w)) {
      fMapStale = true;
    } else {
      if (fDenseOn) LeaveTable();
      fPredCounts.Accumulate(c, w);
      if (++fMapAdds >= fNextCheck) TryEnterTable();
    }
  }
  CountValid(c, w);
}

void FSCatAccum::Sync() const {
  assert((fDenseOn || !fMapStale) && "featureselection/FSCatAccums: a stale map has a table");
  if (!fMapStale) return;
  fPredCounts.AssignSorted(fTable.Entries());
  fMapStale = false;
}

FSCatCountSummary FSCatAccum::SummarizeCounts() const {
  if (!fMapStale) return FSCatAccumBase::SummarizeCounts();
  FSCatCountSummary summary;
  fTable.ForEachPresent([&summary](std::int32_t, double count) { summary.Add(count); });
  return summary;
}

void FSCatAccum::LeaveTable() {
  Sync();
  fTable.Clear();
  fDenseOn = false;
  fMapAdds = 0;
  fNextCheck = std::max<std::size_t>(65536, static_cast<std::size_t>(fPredCounts.Size()));
}

void FSCatAccum::TryEnterTable() {
  // Each key's count carries over unchanged, so later adds continue the same sums.
  fMapAdds = 0;
  const auto& entries = fPredCounts.Entries();
  if (fTable.Assign(entries)) {
    fDenseOn = true;
    fMapStale = true;
    fPredCounts.Clear();
  } else {
    // Checked again once the map has had as many adds again as it has entries (twice over):
    // a check flushes the map's pending adds, so checks must not come faster than its own
    // flushes.
    fNextCheck = std::max<std::size_t>(65536, 2 * entries.size());
  }
}

void FSCatAccum::ComputeCriteria(int, FSCriterionResult& out) const { out = FSCriterionResult{}; }

void FSCatAccum::Write(FSFieldSink& out) const {
  Sync();
  out.Begin("CAPRE", "FSCatAccum");
  WriteHead(out);
  fPredCounts.Write(out);
  out.End();
}

void FSCatAccum::Read(FSFieldSource& in) {
  const char* cls = "FSCatAccum";
  FSCatAccum tmp;
  in.Begin("CAPRE", cls, cls);
  tmp.ReadHead(in, cls);
  tmp.fPredCounts.Read(in);
  in.End(cls);
  tmp.fDenseOn = false;  // the counts read live in the map
  *this = std::move(tmp);
}

void FSCatAccum::Display(std::ostream& os) const {
  os << "Start of FSCatAccum display\n";
  DisplayHead(os);
  os << "End of FSCatAccum display\n";
}

// ---- FSCatPCatTAccum ----

void FSCatPCatTAccum::AddRecord(double predictor, double target, double w) {
  if (!(w > 0)) return;
  const std::int32_t p = FSTruncCategory(predictor);
  const std::int32_t t = FSTruncCategory(target);
  if (fDenseOn && fPairTable.Add(p, t, w)) {
    fPairsStale = true;
  } else {
    if (fDenseOn) {
      SyncPairs();
      fPairTable.Clear();
      fDenseOn = false;
    }
    fPairCounts.Accumulate({p, t}, w);
  }
  fMarginsStale = true;
  CountValid(p, w);
}

void FSCatPCatTAccum::SyncPairs() const {
  assert((fDenseOn || !fPairsStale) && "featureselection/FSCatAccums: stale pairs have a table");
  if (!fPairsStale) return;
  fPairCounts.AssignSorted(fPairTable.Entries());
  fPairsStale = false;
}

void FSCatPCatTAccum::Sync() const {
  SyncPairs();
  if (!fMarginsStale) return;
  fPredCounts.Clear();
  fTargetCounts.Clear();
  for (const auto& e : fPairCounts.Entries()) {
    fPredCounts.Accumulate(e.first.first, e.second);
    fTargetCounts.Accumulate(e.first.second, e.second);
  }
  fMarginsStale = false;
}

void FSCatPCatTAccum::ComputeCriteria(int criterion, FSCriterionResult& out) const {
  Sync();
  FSContingencyCriterion(criterion, fPredCounts, fTargetCounts, fPairCounts, fTotal - fMissing,
                         out);
}

void FSCatPCatTAccum::Write(FSFieldSink& out) const {
  Sync();
  out.Begin("CAPRA", "FSCatPCatTAccum");
  WriteHead(out);
  fPredCounts.Write(out);
  fTargetCounts.Write(out);
  fPairCounts.Write(out);
  out.End();
}

void FSCatPCatTAccum::Read(FSFieldSource& in) {
  const char* cls = "FSCatPCatTAccum";
  FSCatPCatTAccum tmp;
  in.Begin("CAPRA", cls, cls);
  tmp.ReadHead(in, cls);
  tmp.fPredCounts.Read(in);
  tmp.fTargetCounts.Read(in);
  tmp.fPairCounts.Read(in);
  in.End(cls);
  tmp.fDenseOn = false;  // the counts read live in the maps
  *this = std::move(tmp);
}

void FSCatPCatTAccum::Display(std::ostream& os) const {
  os << "Start of FSCatPCatTAccum display\n";
  DisplayHead(os);
  os << "Case counts of target categories:\n";
  fTargetCounts.Display(os);
  os << "Case counts of predictor and target category pairs:\n";
  fPairCounts.Display(os);
  os << "End of FSCatPCatTAccum display\n";
}

// ---- FSCatPContTAccum ----

void FSCatPContTAccum::AddRecord(double predictor, double target, double w) {
  if (!(w > 0)) return;
  const std::int32_t p = FSTruncCategory(predictor);
  fPredCounts.Accumulate(p, w);
  fStats.Accumulate(p, target, w);
  const double W = fTotal - fMissing;
  fGrandMean += w / (W + w) * (target - fGrandMean);
  CountValid(p, w);
}

void FSCatPContTAccum::ComputeCriteria(int criterion, FSCriterionResult& out) const {
  out = FSCriterionResult{};
  if (criterion == kFSFStat) FSAnovaCriterion(fStats, fGrandMean, fTotal - fMissing, out);
}

void FSCatPContTAccum::Write(FSFieldSink& out) const {
  out.Begin("CAPCO", "FSCatPContTAccum");
  WriteHead(out);
  out.Dbl("grandMean", fGrandMean);
  fPredCounts.Write(out);
  fStats.Write(out);
  out.End();
}

void FSCatPContTAccum::Read(FSFieldSource& in) {
  const char* cls = "FSCatPContTAccum";
  FSCatPContTAccum tmp;
  in.Begin("CAPCO", cls, cls);
  tmp.ReadHead(in, cls);
  tmp.fGrandMean = in.Dbl("grandMean", cls);
  tmp.fPredCounts.Read(in);
  tmp.fStats.Read(in);
  in.End(cls);
  *this = std::move(tmp);
}

void FSCatPContTAccum::Display(std::ostream& os) const {
  os << "Start of FSCatPContTAccum display\n";
  DisplayHead(os);
  os << "Grand mean of the target = " << fGrandMean << "\n";
  os << "Target statistics per predictor category:\n";
  fStats.Display(os);
  os << "End of FSCatPContTAccum display\n";
}
