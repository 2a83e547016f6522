#include "host/inputadapter/UAInputAdapter.h"

#include <cassert>
#include <cstring>

UAInputAdapter::UAInputAdapter(const UAVarValidSpecs* specs, const ZIRA_DataSource* data)
    : fpSpecs(specs), fData(*data), fCaseIterator(*data) {
  assert(fpSpecs && "host/inputadapter/UAInputAdapter: fpSpecs != 0");
  int n = fpSpecs->GetRecordSize();
  fNumCodes.resize(static_cast<size_t>(n));
  fStrCodes.resize(static_cast<size_t>(n));
  for (int p = 0; p < n; ++p) {
    const ZIRA_Variable* v = fData.GetVariable(fpSpecs->GetZIRAVarIndex(p));
    assert(v && "host/inputadapter/UAInputAdapter: record column exists");
    fRecordVars.push_back(v);
  }
}

UAInputAdapter::~UAInputAdapter() = default;

int UAInputAdapter::GetRecordSize() { return fpSpecs->GetRecordSize(); }

double UAInputAdapter::Encode(int pos, const ZIRA_Variable& v, size_t row) {
  if (v.IsString()) {
    std::string_view text = v.GetString(row);
    if (!v.GetMissingValues().strings.empty() && v.IsUserMissing(text)) return MCMV::gMissingValue;
    auto& codes = fStrCodes[static_cast<size_t>(pos)];
    auto it = codes.find(text);
    if (it != codes.end()) return it->second;
    double code = static_cast<double>(codes.size());
    codes.emplace(std::string(text), code);
    return code;
  }
  if (!v.IsValidNumber(row)) return MCMV::gMissingValue;
  double d = v.GetNumber(row);
  if (d == 0.0) d = 0.0;  // one category for 0 and -0
  uint64_t key;
  std::memcpy(&key, &d, sizeof key);
  auto& codes = fNumCodes[static_cast<size_t>(pos)];
  auto it = codes.find(key);
  if (it != codes.end()) return it->second;
  double code = static_cast<double>(codes.size());
  codes.emplace(key, code);
  return code;
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
  for (auto& m : fNumCodes) m.clear();
  for (auto& m : fStrCodes) m.clear();
}

void UAInputAdapter::SetCurrentCase(size_t row, bool first) {
  fCaseIterator.SetRow(row);
  fFirstOfSplit = first;
}
