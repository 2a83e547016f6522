#include "backend/validatedata/VDTValidSpecs.h"

#include <cassert>
#include <ostream>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "featureselection/FSSettings.h"
#include "host/inputadapter/UAVarValidSpecs.h"

#define VDT_ASSERT(expr) assert((expr) && "backend/validatedata/VDTValidSpecs: " #expr)

VDTValidSpecs::VDTValidSpecs() = default;
VDTValidSpecs::~VDTValidSpecs() = default;

void VDTValidSpecs::SetAnalysVars(const IntList& vars, const BoolList& catFlags) {
  size_t nAnalysVars = vars.size(), nFlags = catFlags.size();
  VDT_ASSERT(nAnalysVars == nFlags);
  // The first analysis list decides the empty-case scope: all variables only without one.
  if (!fpAnalysVarList) fEmptyCaseScopeAll = vars.empty();
  fpAnalysVarList = &vars;
  fbpAnalysCatVarList = &catFlags;
}

void VDTValidSpecs::SetStandRules(const RuleList& rules, const IntList& outcomeVars,
                                  const LabelList& labels) {
  size_t nStandRuleSpecs = rules.size(), nStandRuleVars = outcomeVars.size(),
         nLabels = labels.size();
  VDT_ASSERT(nStandRuleSpecs == nStandRuleVars);
  VDT_ASSERT(nStandRuleVars == nLabels);
  fpStandRuleSpecs = &rules;
  fpStandRuleVarList = &outcomeVars;
  fpStandRuleLabels = &labels;
}

void VDTValidSpecs::SetCustRules(const RuleList& rules, const IntList& outcomeVars,
                                 const LabelList& labels) {
  size_t nCustRuleSpecs = rules.size(), nCustRuleVars = outcomeVars.size(), nLabels = labels.size();
  VDT_ASSERT(nCustRuleSpecs == nCustRuleVars);
  VDT_ASSERT(nCustRuleVars == nLabels);
  fpCustRuleSpecs = &rules;
  fpCustRuleVarList = &outcomeVars;
  fpCustRuleLabels = &labels;
}

void VDTValidSpecs::SetVarChecks(bool status, double pctMissing, double pctEqual,
                                 double pctUnequal, double coefVar, double stdDev) {
  fVarCheckStatus = status;
  fPctMissing = pctMissing;
  fPctEqual = pctEqual;
  fPctUnequal = pctUnequal;
  fCoefVar = coefVar;
  fStdDev = stdDev;
}

void VDTValidSpecs::SetVarCheckTexts(const std::string& pctMissing, const std::string& pctEqual,
                                     const std::string& pctUnequal, const std::string& coefVar,
                                     const std::string& stdDev) {
  fPctMissingText = pctMissing;
  fPctEqualText = pctEqual;
  fPctUnequalText = pctUnequal;
  fCoefVarText = coefVar;
  fStdDevText = stdDev;
}

void VDTValidSpecs::SetIdChecks(bool incomplete, bool duplicate) {
  fIncomplIdCheck = incomplete;
  fDuplicIdCheck = duplicate;
}

void VDTValidSpecs::SetEmptyCaseCheck(bool report, bool scopeAll) {
  fEmptyCaseCheck = report;
  fEmptyCaseScopeAll = scopeAll;
}

void VDTValidSpecs::SetRuleSummaries(bool byVariable, bool byRule) {
  fSummaryByVar = byVariable;
  fSummaryByRule = byRule;
}

void VDTValidSpecs::SetCaseReport(bool display, int32_t minViolations, int32_t caseLimit) {
  fCaseReportDisplay = display;
  fMinViolations = minViolations;
  fCaseLimit = caseLimit;
}

void VDTValidSpecs::SetEmptyCaseVarName(const ZiraVarName& name, bool isDefault) {
  fEmptyCaseVarName = name;
  fEmptyCaseVarDefault = isDefault;
}
void VDTValidSpecs::SetIncomplIdVarName(const ZiraVarName& name, bool isDefault) {
  fIncomplIdVarName = name;
  fIncomplIdVarDefault = isDefault;
}
void VDTValidSpecs::SetDuplicIdVarName(const ZiraVarName& name, bool isDefault) {
  fDuplicIdVarName = name;
  fDuplicIdVarDefault = isDefault;
}
void VDTValidSpecs::SetRuleViolVarName(const ZiraVarName& name, bool isDefault) {
  fRuleViolVarName = name;
  fRuleViolVarDefault = isDefault;
}

void VDTValidSpecs::CreateVarValidSpecs() {
  if (fpAnalysVarList) {
    VDT_ASSERT(fpAnalysVarList != 0 && fbpAnalysCatVarList != 0);
    VDT_ASSERT(fpAnalysVarList->size() == fbpAnalysCatVarList->size());
  } else {
    VDT_ASSERT(fbpAnalysCatVarList == 0);
  }
  fpVarValidSpecs = std::make_unique<UAVarValidSpecs>(true, true, true);
  if (fVarCheckStatus) {
    static const IntList kNone;
    static const BoolList kNoFlags;
    const IntList& vars = fpAnalysVarList ? *fpAnalysVarList : kNone;
    const BoolList& flags = fbpAnalysCatVarList ? *fbpAnalysCatVarList : kNoFlags;
    IntList scratch;
    fpVarValidSpecs->AddVariables(vars, &scratch, flags);
    fpFSSettings = std::make_unique<FSSettings>(flags, true);
    fpFSSettings->SetMaxPctMissing(fPctMissing);
    fpFSSettings->SetMaxPctSingleCategory(fPctEqual);
    fpFSSettings->SetMaxPctOneCaseCategories(fPctUnequal);
    fpFSSettings->SetMinCoefVar(fCoefVar);
    fpFSSettings->SetMinStdDev(fStdDev);
  }
  fpVarValidSpecs->SetCaseCount();
}

bool VDTValidSpecs::HasRuleOutputWithoutRules() const {
  return !fVarCheckStatus && !fIncomplIdCheck && !fDuplicIdCheck && !fEmptyCaseCheck &&
         (fSummaryByVar || fSummaryByRule || fCaseReportDisplay) && GetNStandRules() == 0 &&
         GetNCustRules() == 0;
}

namespace {
template <typename L>
void DumpList(std::ostream& out, const char* name, const L* list) {
  out << "  " << name << ": ";
  if (!list) {
    out << "(not set)\n";
    return;
  }
  for (const auto& x : *list) out << x << ' ';
  out << '\n';
}
}  // namespace

void VDTValidSpecs::Display(std::ostream& out) const {
  out << "*** Debugging output: not part of the procedure's results ***\n";
  out << "VDTValidSpecs display start\n";
  DumpList(out, "split variables", fpSplitVarList);
  DumpList(out, "analysis variables", fpAnalysVarList);
  DumpList(out, "categorical flags", fbpAnalysCatVarList);
  DumpList(out, "all variables", fpAllVarList);
  DumpList(out, "case identifiers", fpCaseIdVarList);
  out << "  standard rules linked: " << GetNStandRules() << ", all standard rules: "
      << GetNAllStandRules() << ", custom rules: " << GetNCustRules() << '\n';
  DumpList(out, "standard rule outcome variables", fpStandRuleVarList);
  DumpList(out, "custom rule outcome variables", fpCustRuleVarList);
  out << "  VARCHECKS status " << fVarCheckStatus << " PCTMISSING " << fPctMissing << " ('"
      << fPctMissingText << "') PCTEQUAL " << fPctEqual << " ('" << fPctEqualText
      << "') PCTUNEQUAL " << fPctUnequal << " ('" << fPctUnequalText << "') CV " << fCoefVar
      << " ('" << fCoefVarText << "') STDDEV " << fStdDev << " ('" << fStdDevText << "')\n";
  out << "  IDCHECKS incomplete " << fIncomplIdCheck << " duplicate " << fDuplicIdCheck << '\n';
  out << "  CASECHECKS report " << fEmptyCaseCheck << " scope all " << fEmptyCaseScopeAll << '\n';
  out << "  RULESUMMARIES by variable " << fSummaryByVar << " by rule " << fSummaryByRule << '\n';
  out << "  CASEREPORT display " << fCaseReportDisplay << " minimum violations "
      << fMinViolations << " case limit " << fCaseLimit << '\n';
  out << "  SAVE empty case '" << fEmptyCaseVarName << "' (" << fEmptyCaseVarDefault
      << ") incomplete id '" << fIncomplIdVarName << "' (" << fIncomplIdVarDefault
      << ") duplicate id '" << fDuplicIdVarName << "' (" << fDuplicIdVarDefault
      << ") violations '" << fRuleViolVarName << "' (" << fRuleViolVarDefault << ")\n";
  out << "  screening settings " << (fpFSSettings ? "created" : "none") << '\n';
  out << "VDTValidSpecs display end\n";
}
