// The per-case work of VALIDATEDATA: for every case the host's iterator delivers, the
// adapter checks for an empty case, incomplete and duplicate identifiers and rule
// violations (read from the rules' outcome variables), counts them per split group, hands
// rows to the output object and stores the saved indicator values.
#pragma once

#include <memory>
#include <vector>

#include "host/data/ZIRA_Variable.h"
#include "host/index/ObsVecMap.h"
#include "host/inputadapter/UACaseValueReader.h"
#include "host/inputadapter/UAInputAdapter.h"

class VDTValidSpecs;
class VDTRuleSpecs;
class VDTOutput;

// Invariants:
//  1. every standard rule of the data file has 1 <= fRuleInd <= fMaxNStandRules, every
//     custom rule in use 1 <= fRuleInd <= fMaxNCustRules;
//  2. with a duplicate map, the duplicate check is on or fDuplicIdVar >= 0;
//  3. fVarRuleCounts has fNAnalysVars * fMaxNStandRules entries.
class VDTProcAdapter : public UAInputAdapter {
 public:
  using DuplicGroups = std::vector<std::vector<long>>;

  // The single pass, or the second of two (with the duplicate map the first pass filled).
  // The four columns are those of the saved variables, -1 when not saved. Borrows every
  // pointer for its lifetime.
  VDTProcAdapter(const VDTValidSpecs* specs, const ZIRA_DataSource* data, ObsVecMap* duplicMap,
                 DuplicGroups* duplicGroups, int emptyCaseVar, int incompIdVar, int duplicIdVar,
                 int ruleViolVar);
  // The first of two passes: only finds the duplicate groups.
  VDTProcAdapter(const VDTValidSpecs* specs, const ZIRA_DataSource* data, ObsVecMap* duplicMap,
                 DuplicGroups* duplicGroups);
  ~VDTProcAdapter() override;

  void SetOutput(VDTOutput* output);
  // Builds and hashes the duplicate keys of a block of cases (those to be looked up) before
  // they are processed; may run on a second thread while the block before is processed.
  void PrepareCases(size_t begin, size_t end) override;
  // The first pass adds the prepared keys to the map a block at a time; the final pass takes
  // the cases one by one.
  size_t ProcessCases(size_t begin, size_t end) override;
  // The first pass finds the duplicate keys of a split group at once (unless a test hook
  // wants to see every case).
  bool ProcessSplitAtOnce(size_t begin, size_t end,
                          const RepeatFinder::OnTwoThreads& both) override;
  bool ProcessCase() override;
  void PrepareNewSplit() override;

  bool IsMissingOrBlank(int column) const {
    return MissingOrBlankAt(column, GetCaseIterator()->Row());
  }
  // The empty-case and incomplete-identifier steps on their own (the current case).
  bool CheckEmptyCase();
  bool CheckIncompleteId();
  void CheckDuplicateId(bool complete);

  // Queries for the output object (counts of the current split group).
  int GetMaxNStandRules() const { return fMaxNStandRules; }
  int GetMaxNCustRules() const { return fMaxNCustRules; }
  const std::vector<const VDTRuleSpecs*>& GetStandRules() const { return fStandRules; }
  const std::vector<const VDTRuleSpecs*>& GetCustRules() const { return fCustRules; }
  int GetNStandViolations() const { return fNStandViolations; }
  int GetNCustViolations() const { return fNCustViolations; }
  int GetNEmptyCases() const { return fNEmptyCases; }
  int GetNIncompIdCases() const { return fNIncompIdCases; }
  int GetNReportedCases() const { return fNReportedCases; }
  int GetNDuplicGroups() const { return static_cast<int>(fpDuplicIdVec->size()); }
  // Violations of standard rule r (from 1), of custom rule r, of rule r on the analysis
  // variable at position p (0 when out of range).
  int GetStandRuleCount(int r) const;
  int GetCustRuleCount(int r) const;
  int GetVarRuleCount(int p, int r) const;
  // The counts of one rule over all analysis variables, answering the rule's total; and of
  // one variable over all rules, answering the variable's total.
  int GetRuleCountsOverVars(int iRule, std::vector<int>* counts) const;
  int GetVarCountsOverRules(int iVar, std::vector<int>* counts) const;
  int GetVarCount(int p) const { return fVarCounts[static_cast<size_t>(p)]; }

 private:
  void Init(ObsVecMap* duplicMap);
  // What the checks of every case read of a data column, at hand without calls.
  struct ColumnView {
    const ZIRA_Variable* var = nullptr;
    const double* numbers = nullptr;  // a numeric column's values
    const char* cells = nullptr;      // a string column's cells
    size_t cellWidth = 0;
    int width = 0;             // a string's declared width: the bytes the blank test reads
    bool userMissing = false;  // a numeric column with user-missing values
  };
  // Whether a column's value at `row` is missing (system- or user-missing number) or all
  // blanks (string).
  static bool MissingOrBlank(const ColumnView& c, size_t row) {
    if (c.numbers) {
      const double x = c.numbers[row];
      return x == MCMV::gMissingValue || (c.userMissing && c.var->IsUserMissing(x));
    }
    const char* cell = c.cells + row * c.cellWidth;
    for (int i = 0; i < c.width; ++i)
      if (cell[i] != ' ') return false;
    return true;
  }
  bool MissingOrBlankAt(int column, size_t row) const {
    return MissingOrBlank(fColumns[static_cast<size_t>(column)], row);
  }
  // An identifier column and the number of key cells it fills.
  struct KeyColumn {
    ColumnView view;
    size_t cells = 1;
  };
  // The duplicate key of `row` in split group `split` into `key` (fNCaseIdObs cells), from the
  // identifier columns in list order; false when one of the identifiers is missing or blank.
  static bool KeyOfRow(const std::vector<KeyColumn>& columns, size_t row, int split, OBS* key);
  // A hash of the complete key of `row` (never 0) straight from the identifier columns, 0 when
  // one of them is missing or blank: keys that are one key (numbers as numbers) hash alike.
  uint64_t KeyHashOfRow(size_t row) const;
  // The first pass's work on the complete key of the case at `row` (`h` its hash), case by
  // case; the table of first rows is sized for the split group at its first key.
  void AddFirstPassKey(const OBS* key, uint64_t h, size_t row);
  void SizeFirstRows();
  // The first pass's count of one complete key: its payload, whether the map just added it,
  // the case number.
  void CountFirstPassKey(double* payload, bool added, long c);
  // The keys and hashes PrepareCases made for a block of rows. Blocks are prepared into three
  // buffers in turn while the cases come in the same order, so a block can be prepared (on
  // another thread) while the one before is processed: the buffer being filled is neither the
  // one being read nor the one read before it.
  struct PreparedBlock {
    size_t begin = 0;
    size_t end = 0;
    std::vector<OBS> keys;       // first pass: fNCaseIdObs cells per row
    std::vector<uint64_t> hash;  // per row: the hash of its key when looked up
    std::vector<char> lookup;    // per row: the key is to be looked up
  };
  // The prepared block holding `row` (moving on to the next buffer when the current one is
  // done), or null.
  const PreparedBlock* PreparedFor(size_t row);
  void CheckRules();
  // Whether the current case breaks the rule of an outcome column: its value is exactly 1
  // and valid.
  bool IsViolated(int outcomeCol) const;
  // Whether some outcome column of the rules in use holds 1 at `row`; a case where none does
  // breaks no rule (most cases).
  bool AnyOutcomeIsOne(size_t row) const;

  const VDTValidSpecs* fpVDTValidSpecs;
  VDTOutput* fpOutput = nullptr;
  int fPassInd = 0;
  std::vector<std::unique_ptr<UACaseValueReader>> fCaseValueReaders;
  std::vector<ColumnView> fColumns;  // per data column, for reading any row
  std::vector<int> fOutcomeCols;     // the numeric outcome columns of the rules in use
  std::vector<int> fAnalysVarPos;
  std::vector<const VDTRuleSpecs*> fViolStandRules;
  std::vector<const VDTRuleSpecs*> fStandRules;
  int fMaxNStandRules = 0;
  std::vector<const VDTRuleSpecs*> fViolCustRules;
  std::vector<const VDTRuleSpecs*> fCustRules;
  int fMaxNCustRules = 0;
  int fNAnalysVars = 0;
  std::vector<const OBS*> fCaseIdValues;
  int fNCaseIdVars = 0;
  int fNIncompIdCases = 0;
  int fNDuplicGroups = 0;
  DuplicGroups* fpDuplicIdVec;
  ObsKeySpec fKeySpec;
  ObsVecMap* fpDuplicIdMap = nullptr;
  std::vector<OBS> fKeyBuffer;
  // First pass: for each key of the split group met so far, the row where it was first met
  // (from the group's first row). Most keys are met once: the map gets a key only when it
  // comes back, so it holds the keys of duplicate groups alone. A group done at once finds
  // its keys met again with fRepeats instead.
  SlotTable fFirstRows;
  bool fFirstRowsSized = false;  // for the current split group
  RepeatFinder fRepeats;
  std::vector<KeyColumn> fKeyColumns;  // the identifier columns, in key order
  std::vector<OBS> fRowKey;            // the key of a first row, rebuilt to compare

  // Second pass: per row, 1 when its case belongs to a duplicate group (a byte, read a block
  // at a time).
  std::vector<uint8_t> fInDuplicGroup;
  static constexpr int kPreparedBuffers = 3;
  PreparedBlock fPrepared[kPreparedBuffers];
  int fNextPrepared = 0;     // the buffer the next PrepareCases fills
  int fCurrentPrepared = 0;  // the buffer the cases being processed come from
  // The final pass over a block: the case work for the cases that need it (MarkCasesToProcess).
  size_t ProcessFinalCases(size_t begin, size_t end);
  // mark[i] = 1 for each case begin + i that is empty, has an incomplete identifier, is in a
  // duplicate group or (with `ruleCases`) has an outcome value of 1; 0 for every other.
  void MarkCasesToProcess(size_t begin, size_t end, bool ruleCases, char* mark);
  // Whether the case report may still take a row in this split group: while it does, the
  // cases that break rules are taken one by one, in order.
  bool CaseReportTakesRows() const;
  // Counts k cases that broke a rule: a standard rule on its variable and in the totals (when
  // its numbers are in range), a custom rule in its own count and the total.
  void CountStandViolations(const VDTRuleSpecs& rule, int k);
  void CountCustViolations(const VDTRuleSpecs& rule, int k);
  // What CheckRules counts and saves, for the cases of rows begin .. end-1 whose mark is 0,
  // a rule at a time; they are reported nowhere.
  void CountRulesByColumn(size_t begin, size_t end, const char* mark);
  bool fFinal = true;      // the pass reports and saves (not the first of two)
  bool fDoEmpty = false;   // the empty-case check runs
  bool fDoIds = false;     // the identifier checks run
  bool fDoDuplic = false;  // ... and with them the duplicate step
  bool fDoRules = false;   // the rule outcomes are read
  std::vector<char> fToProcess;
  std::vector<uint32_t> fEmptySoFar;
  std::vector<int32_t> fCaseHits;       // CountRulesByColumn: rules broken, per row of the block
  std::vector<double> fCaseViolations;  // the same as values of the saved variable
  int fGroupIdBase = 0;
  int fNCaseIdObs = 0;
  int fNEmptyCases = 0;
  std::vector<int> fVarRuleCounts;
  std::vector<int> fVarCounts;
  std::vector<int> fStandRuleCounts;
  int fNStandViolations = 0;
  std::vector<int> fCustRuleCounts;
  int fNCustViolations = 0;
  int fEmptyCaseVar = -1;
  int fIncompIdVar = -1;
  int fDuplicIdVar = -1;
  int fRuleViolVar = -1;
  int fMinViolations = 1;
  int fCaseLimit = 0;
  int fNReportedCases = 0;
  std::vector<int> fCaseRuleCounts;  // per case: variables that broke each standard rule
};
