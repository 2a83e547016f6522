#include "host/data/ProcedureDataSource.h"

#include <algorithm>
#include <vector>

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
// Whether every value of x[0 .. n-1] is among `seen` or system-missing: one sweep without a
// branch per value.
bool AllMetBefore(const double* x, size_t n, const std::vector<double>& seen) {
  bool all = true;
  for (size_t i = 0; i < n; ++i) {
    bool met = x[i] == MCMV::gMissingValue;
    for (double s : seen) met |= x[i] == s;
    all &= met;
  }
  return all;
}

// Whether a numeric variable has fewer than `limit` distinct valid values (0 and -0 are one
// value). The column is read in chunks: a chunk that holds only values met before is passed
// over in one sweep, the others are read value by value. A column of a handful of codes is
// read at the speed of memory.
bool FewDistinctValues(const ZIRA_Variable& v, size_t limit) {
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
