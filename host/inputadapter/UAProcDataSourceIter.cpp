#include "host/inputadapter/UAProcDataSourceIter.h"

#include <cassert>
#include <charconv>
#include <cstring>

#include "host/output/BpDocument.h"
#include "host/session/Session.h"

std::string ShowDataValue(const ZIRA_Variable& v, size_t row) {
  std::string text;
  const std::string* label = nullptr;
  if (v.IsString()) {
    text.assign(v.GetString(row));
    label = v.GetValueLabels().Find(text);
  } else {
    double d = v.GetNumber(row);
    if (d == MCMV::gMissingValue) return ".";
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    text.assign(buf, res.ptr);
    label = v.GetValueLabels().Find(d);
  }
  if (label && !label->empty()) text += " (" + *label + ")";
  return text;
}

UAProcDataSourceIter::UAProcDataSourceIter(UAInputAdapter* adapter, bool)
    : fpAdapter(adapter), fSplitCols(adapter->Data().SplitVariables()),
      fNCases(adapter->Data().CaseCount()) {
  assert(fpAdapter && "host/inputadapter/UAProcDataSourceIter: fpAdapter != 0");
  fRecord.assign(static_cast<size_t>(fpAdapter->GetRecordSize()), MCMV::gMissingValue);
  if (fNCases == 0) fFailReason = 1;
  fpAdapter->PrepareNewPass();
}

UAProcDataSourceIter::~UAProcDataSourceIter() { PublishSplit(false); }

void UAProcDataSourceIter::PublishSplit(bool on) {
  // Output made while a split group is read carries its split values.
  if (fSplitCols.empty()) return;
  Session* session = Session::Current();
  BpDocument* doc = session ? session->Output() : nullptr;
  if (!doc) return;
  if (on) {
    doc->SetCurrentSplit(fSplitLabels);
  } else {
    doc->ClearCurrentSplit();
  }
}

bool UAProcDataSourceIter::SameSplitValues(size_t a, size_t b) const {
  const ZIRA_DataSource& data = fpAdapter->Data();
  for (int c : fSplitCols) {
    const ZIRA_Variable* v = data.GetVariable(c);
    if (v->IsString()) {
      if (std::memcmp(v->GetStringCell(a), v->GetStringCell(b),
                      static_cast<size_t>(v->GetCellWidth())) != 0)
        return false;
    } else if (v->GetNumber(a) != v->GetNumber(b)) {
      return false;
    }
  }
  return true;
}

void UAProcDataSourceIter::MakeSplitLabels(size_t row) {
  fSplitLabels.clear();
  const ZIRA_DataSource& data = fpAdapter->Data();
  for (int c : fSplitCols) {
    const ZIRA_Variable* v = data.GetVariable(c);
    fSplitLabels.emplace_back(v->GetName(), ShowDataValue(*v, row));
  }
}

bool UAProcDataSourceIter::NewSplit() {
  size_t start = fGroupEnd;  // the first case after the previous group
  if (start >= fNCases) {
    PublishSplit(false);
    fOpen = false;
    fGroupStart = fGroupEnd = fRow = fNCases;
    return false;
  }
  size_t end = start + 1;
  if (!fSplitCols.empty()) {
    while (end < fNCases && SameSplitValues(start, end)) ++end;
  } else {
    end = fNCases;
  }
  fGroupStart = fRow = start;
  fGroupEnd = end;
  fOpen = true;
  if (!fSplitCols.empty()) {
    MakeSplitLabels(start);
    PublishSplit(true);
  }
  fpAdapter->BeginSplit();
  fpAdapter->PrepareNewSplit();
  return true;
}

void UAProcDataSourceIter::Next() {
  if (!HasMore()) return;
  fpAdapter->SetCurrentCase(fRow, fRow == fGroupStart);
  ++fRow;
  if (!fpAdapter->PreprocessCase()) return;
  if (!fpAdapter->ProcessCase()) fFailReason = 3;
}

bool UAProcDataSourceIter::NextRecord() {
  if (!HasMore() || fFailReason == 3) return false;
  Next();
  double* rec = fRecord.data();
  fpAdapter->EncodeCatVars(rec);
  fpAdapter->GetContVars(rec);
  fpAdapter->FillFreeVars(rec);
  return fFailReason != 3;
}
