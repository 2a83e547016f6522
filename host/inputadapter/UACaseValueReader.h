// Reads one column's value for the current case of a pass, with its validity: system- and
// user-missing numbers are not valid; string user-missing values are not valid.
#pragma once

#include "host/common/ZiraTypes.h"
#include "host/inputadapter/ZIRA_InputCaseIterator.h"

class UACaseValueReader {
 public:
  // Borrows the iterator for its lifetime. The flag is accepted for the host's signature;
  // values are read as stored, never recoded.
  UACaseValueReader(const ZIRA_InputCaseIterator* it, int column, bool recode);

  // The current value's cells (one for a number, the string's whole cells for a string),
  // borrowed until the dataset changes.
  const OBS* GetValue() const;
  double GetNumber() const { return fpVar->GetNumber(fpIt->Row()); }
  // 0 for a numeric variable, else the string width.
  int GetStringWidth() const { return fpVar->GetType(); }
  bool IsValid() const;
  int GetColumn() const { return fColumn; }

 private:
  const ZIRA_InputCaseIterator* fpIt;
  const ZIRA_Variable* fpVar;
  int fColumn;
};
