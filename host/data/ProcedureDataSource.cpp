#include "host/data/ProcedureDataSource.h"

#include <algorithm>
#include <unordered_set>

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
// Whether a numeric variable has fewer than `limit` distinct valid values.
bool FewDistinctValues(const ZIRA_Variable& v, size_t limit) {
  std::unordered_set<double> seen;
  const auto& col = v.Numbers();
  for (size_t r = 0; r < col.size(); ++r) {
    if (!v.IsValidNumber(r)) continue;
    if (seen.insert(col[r]).second && seen.size() >= limit) return false;
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
