#include "host/inputadapter/UAInputAdapter.h"

#include <cassert>
#include <cstring>

UAInputAdapter::UAInputAdapter(const UAVarValidSpecs* specs, const ZIRA_DataSource* data)
    : fpSpecs(specs), fData(*data), fCaseIterator(*data) {
  assert(fpSpecs && "host/inputadapter/UAInputAdapter: fpSpecs != 0");
  int n = fpSpecs->GetRecordSize();
  fCodes.resize(static_cast<size_t>(n));
  for (int p = 0; p < n; ++p) {
    const ZIRA_Variable* v = fData.GetVariable(fpSpecs->GetZIRAVarIndex(p));
    assert(v && "host/inputadapter/UAInputAdapter: record column exists");
    fRecordVars.push_back(v);
  }
}

UAInputAdapter::~UAInputAdapter() = default;

int UAInputAdapter::GetRecordSize() { return fpSpecs->GetRecordSize(); }

double UAInputAdapter::Encode(int pos, const ZIRA_Variable& v, size_t row) {
  std::string key;
  if (v.IsString()) {
    std::string_view s = v.GetString(row);
    if (v.IsUserMissing(s)) return MCMV::gMissingValue;
    key.assign(s);
  } else {
    if (!v.IsValidNumber(row)) return MCMV::gMissingValue;
    double d = v.GetNumber(row);
    if (d == 0.0) d = 0.0;  // one category for 0 and -0
    key.assign(reinterpret_cast<const char*>(&d), sizeof d);
  }
  auto& codes = fCodes[static_cast<size_t>(pos)];
  auto [it, added] = codes.emplace(std::move(key), static_cast<double>(codes.size()));
  return it->second;
}

void UAInputAdapter::EncodeCatVars(double* record) {
  size_t row = fCaseIterator.Row();
  for (int p = 0; p < fpSpecs->GetRecordSize(); ++p) {
    if (fpSpecs->IsCatPosition(p)) record[p] = Encode(p, *fRecordVars[static_cast<size_t>(p)], row);
  }
}

void UAInputAdapter::GetContVars(double* record) {
  size_t row = fCaseIterator.Row();
  for (int p = 0; p < fpSpecs->GetRecordSize(); ++p) {
    if (fpSpecs->IsCatPosition(p)) continue;
    const ZIRA_Variable& v = *fRecordVars[static_cast<size_t>(p)];
    // A string variable cannot be continuous; treat its values as missing.
    record[p] = (!v.IsString() && v.IsValidNumber(row)) ? v.GetNumber(row) : MCMV::gMissingValue;
  }
}

void UAInputAdapter::RecodeMatrixSpecs() {}
void UAInputAdapter::HandleBadMatrixSpec() {}
void UAInputAdapter::FillFreeVars(double*) {}
bool UAInputAdapter::PreprocessCase() { return true; }
bool UAInputAdapter::ProcessCase() { return true; }
void UAInputAdapter::PrepareNewPass() {}
void UAInputAdapter::PrepareNewSplit() {}

void UAInputAdapter::SetSplitFile(BpProcedure* procedure, bool, bool, bool) {
  fpSplitProcedure = procedure;
}

void UAInputAdapter::BeginSplit() {
  ++fSplitGroup;
  for (auto& m : fCodes) m.clear();
}

void UAInputAdapter::SetCurrentCase(size_t row, bool first) {
  fCaseIterator.SetRow(row);
  fFirstOfSplit = first;
}
