#include "host/inputadapter/UACaseValueReader.h"

#include <algorithm>
#include <cassert>

UACaseValueReader::UACaseValueReader(const ZIRA_InputCaseIterator* it, int column, bool)
    : fpIt(it), fpVar(it->Data().GetVariable(column)), fColumn(column) {
  assert(fpVar && "host/inputadapter/UACaseValueReader: column exists");
}

const OBS* UACaseValueReader::GetValue() const {
  size_t row = fpIt->Row();
  if (fpVar->IsString()) return reinterpret_cast<const OBS*>(fpVar->GetStringCell(row));
  return reinterpret_cast<const OBS*>(fpVar->Numbers().data() + row);
}

bool UACaseValueReader::IsValid() const {
  size_t row = fpIt->Row();
  if (fpVar->IsString()) {
    return fpVar->GetMissingValues().strings.empty() ||
           !fpVar->IsUserMissing(fpVar->GetString(row));
  }
  return fpVar->IsValidNumber(row);
}

void ZIRA_InputCaseIterator::SetColumnValue(int column, double value) {
  ZIRA_Variable* v = fData.GetVariable(column);
  assert(v && !v->IsString() && "host/inputadapter/ZIRA_InputCaseIterator: numeric column");
  v->SetNumber(fRow, value);
}

void ZIRA_InputCaseIterator::SetColumnValues(int column, size_t begin, size_t end, double value) {
  ZIRA_Variable* v = fData.GetVariable(column);
  assert(v && !v->IsString() && "host/inputadapter/ZIRA_InputCaseIterator: numeric column");
  for (size_t r = begin; r < end; ++r) v->SetNumber(r, value);
}

void ZIRA_InputCaseIterator::SetColumnValues(int column, size_t begin, const double* values,
                                             size_t n) {
  ZIRA_Variable* v = fData.GetVariable(column);
  assert(v && !v->IsString() && "host/inputadapter/ZIRA_InputCaseIterator: numeric column");
  assert(begin + n <= v->Numbers().size() && "host/inputadapter/ZIRA_InputCaseIterator: rows");
  std::copy(values, values + n, v->Numbers().begin() + static_cast<std::ptrdiff_t>(begin));
}
