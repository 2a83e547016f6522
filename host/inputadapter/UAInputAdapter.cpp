#include "host/inputadapter/UAInputAdapter.h"

#include <algorithm>
#include <cassert>
#include <cstdint>

#include "host/common/MemoryAdvice.h"

UAInputAdapter::UAInputAdapter(const UAVarValidSpecs* specs, const ZIRA_DataSource* data)
    : fpSpecs(specs), fData(*data), fCaseIterator(*data) {
  assert(fpSpecs && "host/inputadapter/UAInputAdapter: fpSpecs != 0");
  int n = fpSpecs->GetRecordSize();
  for (int p = 0; p < n; ++p) {
    const ZIRA_Variable* v = fData.GetVariable(fpSpecs->GetZIRAVarIndex(p));
    assert(v && "host/inputadapter/UAInputAdapter: record column exists");
    fRecordVars.push_back(v);
    if (fpSpecs->IsCatPosition(p)) {
      fCoderOfField.push_back(static_cast<int>(fCatPositions.size()));
      fCatPositions.push_back(p);
      fCoders.emplace_back(v);
    } else {
      fCoderOfField.push_back(-1);
      fContPositions.push_back(p);
    }
  }
}

UAInputAdapter::~UAInputAdapter() = default;

int UAInputAdapter::GetRecordSize() { return fpSpecs->GetRecordSize(); }

double UAInputAdapter::Encode(size_t k, size_t row) {
  const ZIRA_Variable& v = *fRecordVars[static_cast<size_t>(fCatPositions[k])];
  if (v.IsString()) {
    if (!v.GetMissingValues().strings.empty() && v.IsUserMissing(v.GetString(row)))
      return MCMV::gMissingValue;
  } else if (!v.IsValidNumber(row)) {
    return MCMV::gMissingValue;
  }
  return fCoders[k].Code(row);
}

void UAInputAdapter::EncodeCatVars(double* record) {
  size_t row = fCaseIterator.Row();
  for (size_t k = 0; k < fCatPositions.size(); ++k) record[fCatPositions[k]] = Encode(k, row);
}

void UAInputAdapter::GetContVars(double* record) {
  size_t row = fCaseIterator.Row();
  for (int p : fContPositions) {
    const ZIRA_Variable& v = *fRecordVars[static_cast<size_t>(p)];
    // A string variable cannot be continuous; treat its values as missing.
    record[p] = (!v.IsString() && v.IsValidNumber(row)) ? v.GetNumber(row) : MCMV::gMissingValue;
  }
}

void UAInputAdapter::EncodeField(int p, size_t begin, size_t end, double* out) {
  const int k = fCoderOfField[static_cast<size_t>(p)];
  if (k >= 0) {
    fCoders[static_cast<size_t>(k)].CodeRows(begin, end, out);
    return;
  }
  const ZIRA_Variable& v = *fRecordVars[static_cast<size_t>(p)];
  if (v.IsString()) {
    std::fill(out, out + (end - begin), MCMV::gMissingValue);
    return;
  }
  const double* x = v.Numbers().data();
  if (v.GetMissingValues().Empty()) {
    // Without user-missing values a value is either valid or already system-missing.
    std::copy(x + begin, x + end, out);
    return;
  }
  for (size_t r = begin; r < end; ++r)
    out[r - begin] = v.IsValidNumber(r) ? x[r] : MCMV::gMissingValue;
}

const double* UAInputAdapter::DirectField(int p, size_t begin) const {
  if (fCoderOfField[static_cast<size_t>(p)] >= 0) return nullptr;
  const ZIRA_Variable& v = *fRecordVars[static_cast<size_t>(p)];
  if (v.IsString() || !v.GetMissingValues().Empty()) return nullptr;
  return v.Numbers().data() + begin;
}

bool UAInputAdapter::IsStringCategoryField(int p) const {
  return fCoderOfField[static_cast<size_t>(p)] >= 0 &&
         fRecordVars[static_cast<size_t>(p)]->IsString();
}

void UAInputAdapter::MapDuringPass(std::vector<std::pair<void*, size_t>> ranges) {
  fToMap = std::move(ranges);
  std::reverse(fToMap.begin(), fToMap.end());
  fMapped = 0;
}

bool UAInputAdapter::MapAhead(size_t bytes) {
  const uintptr_t page = PageBytes();
  if (fToMap.empty()) return false;
  auto [data, size] = fToMap.back();
  // Pieces end on page boundaries, so that no page lies half in two of them (each call
  // maps only the whole pages of its piece).
  const uintptr_t from = reinterpret_cast<uintptr_t>(data) + fMapped;
  const uintptr_t to = std::min((from + bytes + page - 1) & ~(page - 1),
                                reinterpret_cast<uintptr_t>(data) + size);
  PrefaultForWrite(reinterpret_cast<void*>(from), to - from);
  fMapped += to - from;
  if (fMapped == size) {
    fToMap.pop_back();
    fMapped = 0;
  }
  return !fToMap.empty();
}

void UAInputAdapter::MapRest(int threads) {
  if (fToMap.empty()) return;
  fToMap.back().first = static_cast<char*>(fToMap.back().first) + fMapped;
  fToMap.back().second -= fMapped;
  PrefaultForWrite(fToMap, threads);
  fToMap.clear();
  fMapped = 0;
}

void UAInputAdapter::RecodeMatrixSpecs() {}
void UAInputAdapter::HandleBadMatrixSpec() {}
void UAInputAdapter::FillFreeVars(double*) {}
bool UAInputAdapter::PreprocessCase() { return true; }
bool UAInputAdapter::ProcessCase() { return true; }
void UAInputAdapter::PrepareNewPass() {}
void UAInputAdapter::PrepareNewSplit() {}
void UAInputAdapter::PrepareCases(size_t, size_t) {}

size_t UAInputAdapter::ProcessCases(size_t begin, size_t end) {
  return ProcessMarkedCases(begin, end, nullptr);
}

size_t UAInputAdapter::ProcessMarkedCases(size_t begin, size_t end, const char* marked) {
  const bool first = fFirstOfSplit;
  for (size_t r = begin; r < end; ++r) {
    if (marked && !marked[r - begin]) continue;
    SetCurrentCase(r, first && r == begin);
    if (!PreprocessCase()) continue;
    if (!ProcessCase()) return r - begin;
  }
  return end - begin;
}

void UAInputAdapter::SetSplitFile(BpProcedure* procedure, bool, bool, bool) {
  fpSplitProcedure = procedure;
}

void UAInputAdapter::BeginSplit(size_t begin, size_t end) {
  ++fSplitGroup;
  fSplitBegin = begin;
  fSplitEnd = end;
  if (end - begin > fLargestSplit.second - fLargestSplit.first) fLargestSplit = {begin, end};
  for (auto& c : fCoders) c.Clear(begin, end);
}

bool UAInputAdapter::ProcessSplitAtOnce(size_t, size_t, const RepeatFinder::OnTwoThreads&) {
  return false;
}

void UAInputAdapter::CodeGroups(const RepeatFinder::OnTwoThreads& both) {
  for (auto& c : fCoders) c.CodeGroup(both);
}

size_t UAInputAdapter::ForeseenTableBytes(size_t begin, size_t end) const {
  size_t bytes = 0;
  for (const CategoryCoder& c : fCoders) bytes += c.ForeseenBytes(begin, end);
  return bytes;
}

void UAInputAdapter::SetCurrentCase(size_t row, bool first) {
  fCaseIterator.SetRow(row);
  fFirstOfSplit = first;
}
