// The settings record of one VALIDATEDATA run: everything the command settles (variables,
// rules in force, check switches and thresholds, case-report limits, names to save). The
// command parser is its only writer; everything else reads it through accessors.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "host/common/ZiraTypes.h"

class UAVarValidSpecs;
class FSSettings;
class VDTRuleSpecs;

// Invariants (assertions where the lists are set):
//  1. fpAnalysVarList and fbpAnalysCatVarList are both null or both set, of one length;
//  2. the three standard-rule lists have one common length;
//  3. the three custom-rule lists have one common length.
// The list fields borrow lists owned by the command parser, which outlives every reader.
class VDTValidSpecs {
 public:
  using IntList = std::vector<int32_t>;
  using BoolList = std::vector<bool>;
  using RuleList = std::vector<VDTRuleSpecs>;
  using LabelList = std::vector<std::string>;

  VDTValidSpecs();
  ~VDTValidSpecs();
  VDTValidSpecs(const VDTValidSpecs&) = delete;
  VDTValidSpecs& operator=(const VDTValidSpecs&) = delete;

  // Setters (the command parser, at most once each per run).
  void SetSplitVarList(const IntList& list) { fpSplitVarList = &list; }
  void SetAnalysVars(const IntList& vars, const BoolList& catFlags);
  void SetAllVarList(const IntList& list) { fpAllVarList = &list; }
  void SetCaseIdVarList(const IntList& list) { fpCaseIdVarList = &list; }
  void SetStandRules(const RuleList& rules, const IntList& outcomeVars, const LabelList& labels);
  void SetAllStandRules(const RuleList& rules) { fpAllStandRuleSpecs = &rules; }
  void SetCustRules(const RuleList& rules, const IntList& outcomeVars, const LabelList& labels);
  void SetVarChecks(bool status, double pctMissing, double pctEqual, double pctUnequal,
                    double coefVar, double stdDev);
  void SetVarCheckTexts(const std::string& pctMissing, const std::string& pctEqual,
                        const std::string& pctUnequal, const std::string& coefVar,
                        const std::string& stdDev);
  void SetIdChecks(bool incomplete, bool duplicate);
  void SetEmptyCaseCheck(bool report, bool scopeAll);
  void SetRuleSummaries(bool byVariable, bool byRule);
  void SetCaseReport(bool display, int32_t minViolations, int32_t caseLimit);
  void SetEmptyCaseVarName(const ZiraVarName& name, bool isDefault);
  void SetIncomplIdVarName(const ZiraVarName& name, bool isDefault);
  void SetDuplicIdVarName(const ZiraVarName& name, bool isDefault);
  void SetRuleViolVarName(const ZiraVarName& name, bool isDefault);

  // Builds the host variable settings and, with variable checks on, the screening settings.
  // Called once by the driver after a successful parse.
  void CreateVarValidSpecs();

  // Accessors. A list accessor answers the list or null; a count accessor 0 for null.
  UAVarValidSpecs* GetVarValidSpecs() const { return fpVarValidSpecs.get(); }
  const IntList* GetSplitVarList() const { return fpSplitVarList; }
  int32_t GetNSplitVars() const { return Count(fpSplitVarList); }
  const IntList* GetAnalysVarList() const { return fpAnalysVarList; }
  int32_t GetNAnalysVars() const { return Count(fpAnalysVarList); }
  const BoolList* GetAnalysCatVarList() const { return fbpAnalysCatVarList; }
  const IntList* GetAllVarList() const { return fpAllVarList; }
  int32_t GetNAllVars() const { return Count(fpAllVarList); }
  const IntList* GetCaseIdVarList() const { return fpCaseIdVarList; }
  int32_t GetNCaseIdVars() const { return Count(fpCaseIdVarList); }
  const RuleList* GetStandRuleSpecs() const { return fpStandRuleSpecs; }
  int32_t GetNStandRules() const { return Count(fpStandRuleSpecs); }
  const IntList* GetStandRuleVarList() const { return fpStandRuleVarList; }
  const LabelList* GetStandRuleLabels() const { return fpStandRuleLabels; }
  const RuleList* GetAllStandRuleSpecs() const { return fpAllStandRuleSpecs; }
  int32_t GetNAllStandRules() const { return Count(fpAllStandRuleSpecs); }
  const RuleList* GetCustRuleSpecs() const { return fpCustRuleSpecs; }
  int32_t GetNCustRules() const { return Count(fpCustRuleSpecs); }
  const IntList* GetCustRuleVarList() const { return fpCustRuleVarList; }
  const LabelList* GetCustRuleLabels() const { return fpCustRuleLabels; }
  bool GetVarCheckStatus() const { return fVarCheckStatus; }
  double GetPctMissing() const { return fPctMissing; }
  double GetPctEqual() const { return fPctEqual; }
  double GetPctUnequal() const { return fPctUnequal; }
  double GetCoefVar() const { return fCoefVar; }
  double GetStdDev() const { return fStdDev; }
  const std::string& GetPctMissingText() const { return fPctMissingText; }
  const std::string& GetPctEqualText() const { return fPctEqualText; }
  const std::string& GetPctUnequalText() const { return fPctUnequalText; }
  const std::string& GetCoefVarText() const { return fCoefVarText; }
  const std::string& GetStdDevText() const { return fStdDevText; }
  bool GetIncomplIdCheck() const { return fIncomplIdCheck; }
  bool GetDuplicIdCheck() const { return fDuplicIdCheck; }
  bool GetEmptyCaseCheck() const { return fEmptyCaseCheck; }
  bool GetEmptyCaseScopeAll() const { return fEmptyCaseScopeAll; }
  bool GetSummaryByVar() const { return fSummaryByVar; }
  bool GetSummaryByRule() const { return fSummaryByRule; }
  bool GetCaseReportDisplay() const { return fCaseReportDisplay; }
  int32_t GetMinViolations() const { return fMinViolations; }
  int32_t GetCaseLimit() const { return fCaseLimit; }
  const ZiraVarName& GetEmptyCaseVarName() const { return fEmptyCaseVarName; }
  const ZiraVarName& GetIncomplIdVarName() const { return fIncomplIdVarName; }
  const ZiraVarName& GetDuplicIdVarName() const { return fDuplicIdVarName; }
  const ZiraVarName& GetRuleViolVarName() const { return fRuleViolVarName; }
  bool IsEmptyCaseVarDefault() const { return fEmptyCaseVarDefault; }
  bool IsIncomplIdVarDefault() const { return fIncomplIdVarDefault; }
  bool IsDuplicIdVarDefault() const { return fDuplicIdVarDefault; }
  bool IsRuleViolVarDefault() const { return fRuleViolVarDefault; }
  FSSettings* GetFSSettings() const { return fpFSSettings.get(); }
  // Only rule tables were asked for and there is no rule to fill them.
  bool HasRuleOutputWithoutRules() const;

  // A debugging dump of every field, opened by "VDTValidSpecs display start".
  void Display(std::ostream& out) const;

 private:
  template <typename L>
  static int32_t Count(const L* list) {
    return list ? static_cast<int32_t>(list->size()) : 0;
  }

  std::unique_ptr<UAVarValidSpecs> fpVarValidSpecs;
  const IntList* fpSplitVarList = nullptr;
  const IntList* fpAnalysVarList = nullptr;
  const BoolList* fbpAnalysCatVarList = nullptr;
  const IntList* fpAllVarList = nullptr;
  const IntList* fpCaseIdVarList = nullptr;
  const RuleList* fpStandRuleSpecs = nullptr;
  const IntList* fpStandRuleVarList = nullptr;
  const LabelList* fpStandRuleLabels = nullptr;
  const RuleList* fpAllStandRuleSpecs = nullptr;
  const RuleList* fpCustRuleSpecs = nullptr;
  const IntList* fpCustRuleVarList = nullptr;
  const LabelList* fpCustRuleLabels = nullptr;
  bool fVarCheckStatus = true;
  double fPctMissing = 70.0;
  double fPctEqual = 95.0;
  double fPctUnequal = 90.0;
  double fCoefVar = 0.001;
  double fStdDev = 0.0;
  std::string fPctMissingText;
  std::string fPctEqualText;
  std::string fPctUnequalText;
  std::string fCoefVarText;
  std::string fStdDevText;
  bool fIncomplIdCheck = true;
  bool fDuplicIdCheck = true;
  bool fEmptyCaseCheck = true;
  bool fEmptyCaseScopeAll = true;
  bool fSummaryByVar = true;
  bool fSummaryByRule = false;
  bool fCaseReportDisplay = true;
  int32_t fMinViolations = 1;
  int32_t fCaseLimit = 500;
  ZiraVarName fEmptyCaseVarName;
  bool fEmptyCaseVarDefault = false;
  ZiraVarName fIncomplIdVarName;
  bool fIncomplIdVarDefault = false;
  ZiraVarName fDuplicIdVarName;
  bool fDuplicIdVarDefault = false;
  ZiraVarName fRuleViolVarName;
  bool fRuleViolVarDefault = false;
  std::unique_ptr<FSSettings> fpFSSettings;
};
