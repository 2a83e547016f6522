// The host's case iterator for a procedure pass: walks the active dataset split group by
// split group (runs of consecutive cases with equal split values), calls the adapter for
// every case, and offers the analysis record of each case to the screening engine.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/inputadapter/UAInputAdapter.h"

// Invariants:
//  1. fGroupStart <= fRow <= fGroupEnd <= case count;
//  2. fRecord has GetRecordSize() fields.
class UAProcDataSourceIter {
 public:
  // Borrows the adapter for its lifetime. The flag is the host's (cases are read in file
  // order). A dataset without cases sets fail reason 1.
  UAProcDataSourceIter(UAInputAdapter* adapter, bool inOrder);
  virtual ~UAProcDataSourceIter();

  // This is the last pass over the data.
  void SetLastPass() { fLastPass = true; }
  bool IsLastPass() const { return fLastPass; }
  // Opens the next split group (skipping what is left of the current one); false when no
  // group follows. Calls the adapter's PrepareNewSplit.
  bool NewSplit();
  // Whether the current split group has a case left to read.
  bool HasMore() const { return fOpen && fRow < fGroupEnd; }
  // Reads one case and runs the adapter on it. Sets fail reason 3 when the adapter fails.
  void Next();
  // 0 none, 1 no cases to read, 3 the pass failed.
  int GetFailReason() const { return fFailReason; }

  // The split variables and the current group's values as shown (value label after the
  // value where there is one); empty without split file.
  const std::vector<std::pair<std::string, std::string>>& CurrentSplitLabels() const {
    return fSplitLabels;
  }

  // Record face for the screening engine: moves to the next case of the split group (running
  // the adapter on it) and answers whether there is one; then Record() holds its analysis
  // values, categorical ones coded.
  bool NextRecord();
  const std::vector<double>& Record() const { return fRecord; }

 private:
  bool SameSplitValues(size_t a, size_t b) const;
  void MakeSplitLabels(size_t row);
  void PublishSplit(bool on);

  UAInputAdapter* fpAdapter;
  std::vector<int> fSplitCols;
  size_t fNCases;
  size_t fGroupStart = 0;
  size_t fGroupEnd = 0;
  size_t fRow = 0;
  bool fOpen = false;
  bool fLastPass = false;
  int fFailReason = 0;
  std::vector<double> fRecord;
  std::vector<std::pair<std::string, std::string>> fSplitLabels;
};

// A value as shown to users: the number (shortest form) or the string without trailing
// blanks, followed by its value label in parentheses where there is one; "." for
// system-missing.
std::string ShowDataValue(const ZIRA_Variable& v, size_t row);
