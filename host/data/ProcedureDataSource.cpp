#include "host/data/ProcedureDataSource.h"

#include <algorithm>
#include <cassert>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "host/common/Parallel.h"

ProcedureDataSource::ProcedureDataSource(const ZIRA_DataSource& data) : ZIRA_DataSource(data) {}
ProcedureDataSource::~ProcedureDataSource() = default;

int ProcedureDataSource::NumSplitVariables() const {
  return static_cast<int>(fStore->splitVars.size());
}

int ProcedureDataSource::SplitVariable(int i) const {
  if (i < 0 || i >= NumSplitVariables()) return -1;
  return fStore->splitVars[static_cast<size_t>(i)];
}

bool ProcedureDataSource::IsSplitFile() const { return !fStore->splitVars.empty(); }

namespace {
// Whether every value of x[0 .. n-1] is among `seen` (fewer than kMostSeen values) or
// system-missing: one sweep without a branch per value, comparing two values at a time with
// four of those met, the list made up to whole fours with the system-missing value. A column
// of a few codes is read at the speed of memory.
constexpr size_t kMostSeen = 28;
bool AllMetBefore(const double* x, size_t n, const std::vector<double>& seen) {
  assert(seen.size() < kMostSeen && "host/data/ProcedureDataSource: seen.size() < kMostSeen");
  double among[kMostSeen];
  size_t k = 0;
  among[k++] = MCMV::gMissingValue;
  for (double s : seen) among[k++] = s;
  while (k % 4 != 0) among[k++] = MCMV::gMissingValue;
  size_t i = 0;
  bool all = true;
#if defined(__SSE2__)
  __m128d both = _mm_castsi128_pd(_mm_set1_epi32(-1));
  for (; i + 2 <= n; i += 2) {
    const __m128d v = _mm_loadu_pd(x + i);
    __m128d met = _mm_setzero_pd();
    for (size_t g = 0; g < k; g += 4) {
      const __m128d a = _mm_or_pd(_mm_cmpeq_pd(v, _mm_set1_pd(among[g])),
                                  _mm_cmpeq_pd(v, _mm_set1_pd(among[g + 1])));
      const __m128d b = _mm_or_pd(_mm_cmpeq_pd(v, _mm_set1_pd(among[g + 2])),
                                  _mm_cmpeq_pd(v, _mm_set1_pd(among[g + 3])));
      met = _mm_or_pd(met, _mm_or_pd(a, b));
    }
    both = _mm_and_pd(both, met);
  }
  all = _mm_movemask_pd(both) == 3;
#endif
  for (; i < n; ++i) {
    bool met = false;
    for (size_t g = 0; g < k; ++g) met |= x[i] == among[g];
    all &= met;
  }
  return all;
}

// Whether a numeric variable has fewer than `limit` distinct valid values (0 and -0 are one
// value). The column is read in chunks: a chunk that holds only values met before is passed
// over in one sweep, the others are read value by value. A column of a handful of codes is
// read at the speed of memory.
bool FewDistinctValues(const ZIRA_Variable& v, size_t limit) {
  assert(limit <= kMostSeen && "host/data/ProcedureDataSource: limit <= kMostSeen");
  constexpr size_t kChunk = 1024;
  std::vector<double> seen;
  const auto& col = v.Numbers();
  for (size_t begin = 0; begin < col.size(); begin += kChunk) {
    const size_t end = std::min(col.size(), begin + kChunk);
    if (!seen.empty() && AllMetBefore(col.data() + begin, end - begin, seen)) continue;
    for (size_t r = begin; r < end; ++r) {
      if (!v.IsValidNumber(r)) continue;
      if (std::find(seen.begin(), seen.end(), col[r]) != seen.end()) continue;
      seen.push_back(col[r]);
      if (seen.size() >= limit) return false;
    }
  }
  return true;
}
}  // namespace

void AdjustMeasurementLevels(ZIRA_DataSource* data) {
  // Numeric variables without value labels are told apart by reading their values: each
  // on its own, side by side on the machine's cores.
  std::vector<ZIRA_Variable*> toRead;
  for (int i = 0; i < data->ColumnCount(); ++i) {
    ZIRA_Variable* v = data->GetVariable(i);
    if (v->GetMeasurementLevel() != kLevelUnknown) continue;
    if (v->IsString() || !v->GetValueLabels().Empty()) {
      v->SetMeasurementLevel(kLevelNominal);
    } else {
      toRead.push_back(v);
    }
  }
  ParallelFor(toRead.size(), WorkerThreads(), [&](size_t k) {
    ZIRA_Variable* v = toRead[k];
    v->SetMeasurementLevel(FewDistinctValues(*v, 24) ? kLevelNominal : kLevelScale);
  });
}

bool IsCatVar(int index, const ZIRA_DataSource* data) {
  const ZIRA_Variable* v = data->GetVariable(index);
  if (!v) return false;
  int level = v->GetMeasurementLevel();
  return level == kLevelNominal || level == kLevelOrdinal;
}
