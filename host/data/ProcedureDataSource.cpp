#include "host/data/ProcedureDataSource.h"

#include <algorithm>
#include <vector>

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
// Whether a numeric variable has fewer than `limit` distinct valid values. The few values
// met so far are searched in a short list (0 and -0 are one value), the last one first: a
// column of a handful of codes is read at the speed of memory.
bool FewDistinctValues(const ZIRA_Variable& v, size_t limit) {
  std::vector<double> seen;
  const auto& col = v.Numbers();
  double last = 0;
  bool any = false;
  for (size_t r = 0; r < col.size(); ++r) {
    const double x = col[r];
    if (any && x == last) continue;
    if (!v.IsValidNumber(r)) continue;
    last = x;
    any = true;
    if (std::find(seen.begin(), seen.end(), x) != seen.end()) continue;
    seen.push_back(x);
    if (seen.size() >= limit) return false;
  }
  return true;
}
}  // namespace

void AdjustMeasurementLevels(ZIRA_DataSource* data) {
  for (int i = 0; i < data->ColumnCount(); ++i) {
    ZIRA_Variable* v = data->GetVariable(i);
    if (v->GetMeasurementLevel() != kLevelUnknown) continue;
    if (v->IsString() || !v->GetValueLabels().Empty() || FewDistinctValues(*v, 24)) {
      v->SetMeasurementLevel(kLevelNominal);
    } else {
      v->SetMeasurementLevel(kLevelScale);
    }
  }
}

bool IsCatVar(int index, const ZIRA_DataSource* data) {
  const ZIRA_Variable* v = data->GetVariable(index);
  if (!v) return false;
  int level = v->GetMeasurementLevel();
  return level == kLevelNominal || level == kLevelOrdinal;
}
