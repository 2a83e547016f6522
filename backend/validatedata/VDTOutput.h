// The VALIDATEDATA output object: opens each split group's tables at its first case, takes
// rows while the cases are read (identifier checks, empty cases, case report), fills the
// summary tables when the group is done, warns about tables left empty, and writes the
// closing notes on the saved variables.
#pragma once

#include <string>
#include <vector>

#include "host/common/ZiraTypes.h"

class VDTValidSpecs;
class VDTFactory;
class VDTProcAdapter;
class VDTRuleSpecs;
class ProcedureDataSource;
class BpProcedure;
class BpPivotTable;
class BpDimension;
class BpGroup;
class BpCellText;
class BpCategory;

// Invariants:
//  1. the four constructor arguments are never null;
//  2. a row count is 0 whenever its table is null;
//  3. while a split group is open, the procedure heading holds at least fSplitItemStart items.
// Every table and dimension pointer is borrowed from the output document, which owns them.
class VDTOutput {
 public:
  using IdValues = std::vector<const OBS*>;  // per identifier variable; null = missing/blank

  VDTOutput(const VDTValidSpecs* pValidSpecs, VDTFactory* pFactory,
            ProcedureDataSource* pActiveDS, BpProcedure* pProcedure);
  ~VDTOutput();
  VDTOutput(const VDTOutput&) = delete;
  VDTOutput& operator=(const VDTOutput&) = delete;

  void RefreshAdapter();
  void StartSplit();
  void AddIncomplIdRow(const IdValues& ids, long caseNumber);
  void AddDuplicIdRow(const IdValues& ids, const std::vector<long>& caseNumbers, int groupNumber);
  void AddCaseChecksRow(const IdValues& ids, long caseNumber);
  void AddCaseReportRow(const std::vector<const VDTRuleSpecs*>& violStandRules,
                        const std::vector<int>& ruleCounts,
                        const std::vector<const VDTRuleSpecs*>& violCustRules,
                        const IdValues& ids, long caseNumber);
  // The bytes the rows of `duplicGroups` duplicate groups are likely to take in the tables.
  size_t ForeseenBytes(size_t duplicGroups) const;
  void WriteSplitTables();
  void EndSplit();
  // Takes back what the current split group wrote (its headings, tables and messages) when
  // the group ends without its output: an interrupt or a failed pass during the group.
  void DiscardSplit();
  void AddCreatedVarNotes();
  void WarnOutputNotDisplayed();

 private:
  void ReleaseTables();
  void WriteVarChecks();
  void WriteRuleDescriptions();
  void WriteVarSummary();
  void WriteRuleSummary();
  void WriteCrossVarRules();
  // The standard rules with violations in this split group: Range rules, then List rules,
  // each in ascending rule number.
  std::vector<const VDTRuleSpecs*> OrderedStandRules() const;
  void BuildRuleDescription(const VDTRuleSpecs& rule, BpCategory* cell) const;
  // One category per identifier variable under `parent` (made, or found again), in list order.
  std::vector<BpCategory*> IdentifierCategories(BpGroup* parent) const;
  // Each identifier's value as the cell of its category.
  void AddIdentifierCells(const std::vector<BpCategory*>& categories, const IdValues& ids) const;
  bool IsSplitFileActive() const;

  const VDTValidSpecs* fpValidSpecs;
  VDTFactory* fpFactory;
  const VDTProcAdapter* fpAdapter;
  ProcedureDataSource* fpActiveDS;
  BpProcedure* fpProcedure;
  BpPivotTable* fpVarChecksTable = nullptr;
  BpPivotTable* fpRuleDescTable = nullptr;
  BpPivotTable* fpVarSummaryTable = nullptr;
  BpPivotTable* fpRuleSummaryTable = nullptr;
  BpPivotTable* fpCrossVarTable = nullptr;
  BpPivotTable* fpIncomplIdTable = nullptr;
  BpDimension* fpIncomplIdCaseDim = nullptr;
  BpDimension* fpIncomplIdIdentDim = nullptr;
  int fNIncomplIdRows = 0;
  BpPivotTable* fpDuplicIdTable = nullptr;
  BpDimension* fpDuplicIdGroupDim = nullptr;
  BpDimension* fpDuplicIdIdentDim = nullptr;
  int fNDuplicIdRows = 0;
  BpPivotTable* fpCaseChecksTable = nullptr;
  BpDimension* fpCaseChecksNumberDim = nullptr;
  BpDimension* fpCaseChecksInfoDim = nullptr;
  int fNCaseChecksRows = 0;
  BpPivotTable* fpCaseReportTable = nullptr;
  BpDimension* fpCaseReportCaseDim = nullptr;
  BpDimension* fpCaseReportInfoDim = nullptr;
  int fNCaseReportRows = 0;
  // The categories every row of a long table writes to, made at its first row: a table of a
  // hundred thousand rows would otherwise build and look up their labels row after row.
  std::vector<BpCategory*> fIncomplIdCats, fDuplicIdCats, fCaseChecksIdCats;
  BpCategory* fDuplicCountCat = nullptr;
  BpCategory* fDuplicCasesCat = nullptr;
  BpCategory* fCaseChecksCaseCat = nullptr;
  bool fWarnEmptyOutput = true;
  bool fSplitOpen = false;     // StartSplit ran and EndSplit or DiscardSplit did not yet
  size_t fSplitItemStart = 0;  // items of the procedure heading before the group's first
};
