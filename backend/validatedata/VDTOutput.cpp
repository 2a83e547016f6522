#include "backend/validatedata/VDTOutput.h"

#include <cassert>
#include <cstddef>

#include "backend/validatedata/VDTFactory.h"
#include "backend/validatedata/VDTProcAdapter.h"
#include "backend/validatedata/VDTRuleSpecs.h"
#include "backend/validatedata/VDTValidSpecs.h"
#include "host/common/CommonBlocks.h"
#include "host/data/ProcedureDataSource.h"
#include "host/inputadapter/UAVarValidSpecs.h"
#include "host/output/BpComposite.h"
#include "host/output/BpDocument.h"
#include "host/output/BpPivotTable.h"
#include "host/output/BpProcedure.h"
#include "host/syntax/ParserMessage.h"

#define VDT_ASSERT(expr) assert((expr) && "backend/validatedata/VDTOutput: " #expr)

namespace {
// The procedure's own words, translated; texts from the data, as they are.
BpString Own(const std::string& text) { return BpString(text, true); }
BpString Data(const std::string& text) { return BpString(text, false); }
BpNumber Count(double n) { return BpNumber(n, BpProcedure::Count); }
}  // namespace

VDTOutput::VDTOutput(const VDTValidSpecs* pValidSpecs, VDTFactory* pFactory,
                     ProcedureDataSource* pActiveDS, BpProcedure* pProcedure)
    : fpValidSpecs(pValidSpecs), fpFactory(pFactory), fpAdapter(nullptr), fpActiveDS(pActiveDS),
      fpProcedure(pProcedure) {
  VDT_ASSERT(pValidSpecs != 0);
  VDT_ASSERT(pFactory != 0);
  VDT_ASSERT(pActiveDS != 0);
  VDT_ASSERT(pProcedure != 0);
  fpAdapter = fpFactory->GetAdapter();
}

VDTOutput::~VDTOutput() { ReleaseTables(); }

void VDTOutput::RefreshAdapter() { fpAdapter = fpFactory->GetAdapter(); }

bool VDTOutput::IsSplitFileActive() const { return fpActiveDS->IsSplitFile(); }

void VDTOutput::StartSplit() {
  const VDTValidSpecs& s = *fpValidSpecs;
  BpHeading* top = fpProcedure;
  fSplitItemStart = top->Item()->items.size();
  fSplitOpen = true;
  if (s.GetVarCheckStatus()) {
    fpVarChecksTable = top->PivotTable(Own("Variable Checks"), Data("VariableChecks"), true);
    fpVarChecksTable->Caption(Own("Each variable is reported with every check it fails."));
    fpVarChecksTable->MinDataColumnWidth(150);
  }
  BpHeading* idHeading = top->Heading(Own("Identifier Checks"));
  if (s.GetIncomplIdCheck()) {
    fpIncomplIdTable = idHeading->PivotTable(Own("Incomplete Identifiers"),
                                             Data("IncompleteIdentifiers"), true);
    fpIncomplIdCaseDim = fpIncomplIdTable->Dimension(Own("Case"), 2);
    fpIncomplIdCaseDim->Position(0, 1, false, false);
    fpIncomplIdIdentDim = fpIncomplIdTable->Dimension(Own("Identifier"), 2);
    fpIncomplIdIdentDim->Position(1, 1, false, false);
  }
  if (s.GetDuplicIdCheck()) {
    fpDuplicIdTable = idHeading->PivotTable(Own("Duplicate Identifiers"),
                                            Data("DuplicateIdentifiers"), true);
    fpDuplicIdGroupDim = fpDuplicIdTable->Dimension(Own("Duplicate Identifiers Group"), 2);
    fpDuplicIdGroupDim->Position(0, 1, false, false);
    fpDuplicIdIdentDim = fpDuplicIdTable->Dimension(Own("Identifier"), 2);
    fpDuplicIdIdentDim->Position(1, 1, true, false);
  }
  if (s.GetEmptyCaseCheck()) {
    fpCaseChecksTable = top->PivotTable(Own("Case Checks"), Data("CaseChecks"), true);
    fpCaseChecksNumberDim = fpCaseChecksTable->Dimension(Own("Number"), 2);
    fpCaseChecksNumberDim->Position(0, 1, true, true);
    fpCaseChecksInfoDim = fpCaseChecksTable->Dimension(Own("Information"), 2);
    fpCaseChecksInfoDim->Position(1, 1, true, false);
    fpCaseChecksTable->Caption(Own(s.GetEmptyCaseScopeAll()
                                       ? "Cases with all variables with exceptions missing or blank..."
                                       : "Cases with analysis variables missing or blank..."));
  }
  BpHeading* ruleHeading = top->Heading(Own("Single-Variable Rules"));
  if (s.GetSummaryByVar() || s.GetSummaryByRule()) {
    fpRuleDescTable = ruleHeading->PivotTable(Own("Rule Descriptions"), Data("RuleDescriptions"), true);
    fpRuleDescTable->Caption(Own("Rules violated at least once are displayed."));
    fpRuleDescTable->MinDataColumnWidth(151);
  }
  if (s.GetSummaryByVar())
    fpVarSummaryTable = ruleHeading->PivotTable(Own("Variable Summary"), Data("VariableSummary"), true);
  if (s.GetSummaryByRule())
    fpRuleSummaryTable = ruleHeading->PivotTable(Own("Rule Summary"), Data("RuleSummary"), true);
  if (s.GetCustRuleSpecs()) {
    fpCrossVarTable = top->PivotTable(Own("Cross-Variable Rules"), Data("CrossVariableRules"), true);
    fpCrossVarTable->MinDataColumnWidth(200);
  }
  if (s.GetCaseReportDisplay() && (s.GetNStandRules() >= 1 || s.GetNCustRules() >= 1)) {
    fpCaseReportTable = top->PivotTable(Own("Case Report"), Data("CaseReport"), true);
    fpCaseReportTable->MinDataColumnWidth(100);
    fpCaseReportCaseDim = fpCaseReportTable->Dimension(Own("Case"), 2);
    fpCaseReportCaseDim->Position(0, 1, false, false);
    fpCaseReportInfoDim = fpCaseReportTable->Dimension(Own("Information"), 2);
    fpCaseReportInfoDim->Position(1, 1, true, false);
    fpCaseReportTable->MinDataColumnWidth(120);
  }
}

std::vector<BpCategory*> VDTOutput::IdentifierCategories(BpGroup* parent) const {
  std::vector<BpCategory*> categories;
  const auto* idVars = fpValidSpecs->GetCaseIdVarList();
  if (!idVars) return categories;
  for (int col : *idVars)
    categories.push_back(parent->Category(BpVariable(fpActiveDS->GetVariable(col), 2)));
  return categories;
}

void VDTOutput::AddIdentifierCells(const std::vector<BpCategory*>& categories,
                                   const IdValues& ids) const {
  const auto* idVars = fpValidSpecs->GetCaseIdVarList();
  for (size_t i = 0; i < categories.size() && i < ids.size(); ++i) {
    const ZIRA_Variable* v = fpActiveDS->GetVariable((*idVars)[i]);
    if (ids[i]) {
      categories[i]->Cell(BpDataValue(v, ids[i], 2));
    } else if (v->IsString()) {
      categories[i]->Cell(Data(" "));
    } else {
      categories[i]->Cell(BpNumber(MCMV::gMissingValue, BpProcedure::GeneralStat));
    }
  }
}

void VDTOutput::AddIncomplIdRow(const IdValues& ids, long caseNumber) {
  if (!fpIncomplIdTable) return;
  fpIncomplIdCaseDim->Category(Count(static_cast<double>(caseNumber)));
  if (fNIncomplIdRows == 0) fIncomplIdCats = IdentifierCategories(fpIncomplIdIdentDim);
  AddIdentifierCells(fIncomplIdCats, ids);
  ++fNIncomplIdRows;
}

void VDTOutput::AddDuplicIdRow(const IdValues& ids, const std::vector<long>& caseNumbers,
                               int groupNumber) {
  if (!fpDuplicIdTable || caseNumbers.empty()) return;
  size_t n = caseNumbers.size();
  fpDuplicIdGroupDim->Category(Count(groupNumber));
  // The columns are made at the first row, in this order; later rows only fill them.
  if (fNDuplicIdRows == 0) {
    fDuplicCountCat = fpDuplicIdIdentDim->Category(Own("Number of Duplicates"));
    fDuplicCasesCat = fpDuplicIdIdentDim->Category(Own("Cases with Duplicate Identifiers"));
    fDuplicIdCats = IdentifierCategories(fpDuplicIdIdentDim->Group(Own("Identifier"), true, 2));
  }
  fDuplicCountCat->Cell(Count(static_cast<double>(n)));
  BpCategory* cases = fDuplicCasesCat;
  size_t shown = n;
  std::string format = "[%1:, ^1:]1";
  if (n > 25) {
    cases->Note(BpAnnotation(Own("Only first 25 cases displayed...")));
    shown = 25;
    format = "[%1:, ^1:...]1";
  }
  BpComposite list(format, false);
  list.Sublist();
  for (size_t i = 0; i < shown; ++i) list.Add(Count(static_cast<double>(caseNumbers[i])));
  list.EndSublist();
  list.Finish();
  cases->Cell(list);
  AddIdentifierCells(fDuplicIdCats, ids);
  ++fNDuplicIdRows;
}

size_t VDTOutput::ForeseenBytes(size_t duplicGroups) const {
  // The table of each split group lists its duplicate groups, a row a group: its count, its
  // cases and a cell an identifier, over two dimensions.
  const auto* ids = fpValidSpecs->GetCaseIdVarList();
  if (!fpValidSpecs->GetDuplicIdCheck() || !ids) return 0;
  return duplicGroups * BpPivotTable::RowBytes(2 + ids->size(), 2);
}

void VDTOutput::AddCaseChecksRow(const IdValues& ids, long caseNumber) {
  if (!fpCaseChecksTable) return;
  fpCaseChecksNumberDim->Category(Count(fNCaseChecksRows + 1));
  if (fNCaseChecksRows == 0) {
    fCaseChecksCaseCat = fpCaseChecksInfoDim->Category(Own("Case"));
    fCaseChecksIdCats =
        IdentifierCategories(fpCaseChecksInfoDim->Group(Own("Identifier"), true, 2));
  }
  fCaseChecksCaseCat->Cell(Count(static_cast<double>(caseNumber)));
  AddIdentifierCells(fCaseChecksIdCats, ids);
  ++fNCaseChecksRows;
}

void VDTOutput::AddCaseReportRow(const std::vector<const VDTRuleSpecs*>& violStandRules,
                                 const std::vector<int>& ruleCounts,
                                 const std::vector<const VDTRuleSpecs*>& violCustRules,
                                 const IdValues& ids, long caseNumber) {
  if (!fpCaseReportTable) return;
  const int limit = fpValidSpecs->GetCaseLimit();
  if (limit >= 1 && fNCaseReportRows == limit) {
    BpComposite note(IsSplitFileActive()
                         ? "More than ^1 cases with violations in splits. ^2 displayed..."
                         : "More than ^1 cases with violations. ^2 displayed...",
                     true);
    note.Add(Count(limit)).Add(Count(limit)).Finish();
    fpCaseReportTable->Note(BpAnnotation(note));
    ++fNCaseReportRows;
  }
  if (limit >= 1 && fNCaseReportRows >= limit) return;

  fpCaseReportCaseDim->Category(Count(static_cast<double>(caseNumber)));
  BpGroup* viol = fpCaseReportInfoDim->Group(Own("Validation Rule Violations"), true, 2);
  BpCategory* single = viol->Category(Own("Single-Variable"));
  if (!violStandRules.empty()) single->Note(BpAnnotation(Own("The number of variables follows...")));
  bool anyStand = false;
  BpComposite standList("[%1 (%2):\n^1 (^2):]1", false);
  standList.Sublist();
  for (int domain : {VDTSpecTypes::kDomainRange, VDTSpecTypes::kDomainList}) {
    for (size_t r = 0; r < violStandRules.size(); ++r) {
      const VDTRuleSpecs* rule = violStandRules[r];
      if (!rule || rule->GetDomainType() != domain) continue;
      standList.Add(Data(rule->GetLabel()));
      standList.Add(Count(r < ruleCounts.size() ? ruleCounts[r] : 0));
      anyStand = true;
    }
  }
  standList.EndSublist().Finish();
  if (anyStand) single->Cell(standList);

  BpCategory* cross = viol->Category(Own("Cross-Variable"));
  bool anyCust = false;
  BpComposite custList("[%1:\n^1:]1", false);
  custList.Sublist();
  for (const VDTRuleSpecs* rule : violCustRules) {
    if (!rule) continue;
    custList.Add(Data(rule->GetLabel()));
    anyCust = true;
  }
  custList.EndSublist().Finish();
  if (anyCust) cross->Cell(custList);

  if ((anyStand || anyCust) && fpValidSpecs->GetNCaseIdVars() > 0) {
    AddIdentifierCells(
        IdentifierCategories(fpCaseReportInfoDim->Group(Own("Identifier"), true, 2)), ids);
  }
  ++fNCaseReportRows;
}

std::vector<const VDTRuleSpecs*> VDTOutput::OrderedStandRules() const {
  std::vector<const VDTRuleSpecs*> out;
  const auto& rules = fpAdapter->GetStandRules();
  for (int domain : {VDTSpecTypes::kDomainRange, VDTSpecTypes::kDomainList}) {
    for (size_t r = 0; r < rules.size(); ++r) {
      const VDTRuleSpecs* rule = rules[r];
      if (!rule || rule->GetDomainType() != domain) continue;
      if (fpAdapter->GetStandRuleCount(static_cast<int>(r) + 1) > 0) out.push_back(rule);
    }
  }
  return out;
}

void VDTOutput::WriteSplitTables() {
  fWarnEmptyOutput = !fpValidSpecs->HasRuleOutputWithoutRules();
  WriteVarChecks();
  WriteRuleDescriptions();
  WriteVarSummary();
  WriteRuleSummary();
  WriteCrossVarRules();
}

void VDTOutput::WriteVarChecks() {
  const VDTValidSpecs& s = *fpValidSpecs;
  const auto& catVars = fpFactory->GetDeleteCatVarInds();
  const auto& contVars = fpFactory->GetDeleteContVarInds();
  if (!s.GetVarCheckStatus() || !fpVarChecksTable || (catVars.empty() && contVars.empty())) {
    if (s.GetVarCheckStatus() && fWarnEmptyOutput) WarnOutputNotDisplayed();
    return;
  }
  // Six lists: categorical by reasons 3, 4, 6; continuous by reasons 3, 7, 8.
  auto select = [](const std::vector<int>& cols, const std::vector<std::vector<int>>& reasons,
                   int code) {
    std::vector<int> out;
    for (size_t i = 0; i < cols.size(); ++i)
      for (int r : reasons[i])
        if (r == code) {
          out.push_back(cols[i]);
          break;
        }
    return out;
  };
  const auto& catReasons = fpFactory->GetDeleteCatReasons();
  const auto& contReasons = fpFactory->GetDeleteContReasons();

  BpDimension* contents = fpVarChecksTable->Dimension(Own("Contents"), 2);
  contents->Position(0, 1, true, false);

  auto label = [](const char* format, const std::string& typed, double value, int numberFormat) {
    BpComposite c(format, true);
    if (!typed.empty()) {
      c.Add(Data(typed));
    } else {
      c.Add(BpNumber(value, static_cast<BpNumberFormat>(numberFormat)));
    }
    c.Finish();
    return c;
  };
  auto fill = [&](BpGroup* group, const BpComposite& lab, bool shown,
                  const std::vector<int>& vars) {
    BpCategory* cat = group->Category(lab);
    if (!shown || vars.empty()) return;
    BpComposite cell("[%1:\n^1:]1", false);
    cell.Sublist();
    for (int col : vars) cell.Add(BpVariable(fpActiveDS->GetVariable(col), 2));
    cell.EndSublist().Finish();
    cat->Cell(cell);
  };

  const BpComposite missingLabel =
      label("Cases Missing > ^1", s.GetPctMissingText(), s.GetPctMissing(), BpProcedure::Percent);
  BpGroup* cat = contents->Group(Own("Categorical"), true, 2);
  fill(cat, missingLabel, s.GetPctMissing() < 100, select(catVars, catReasons, 3));
  fill(cat, label("Cases Constant > ^1", s.GetPctEqualText(), s.GetPctEqual(), BpProcedure::Percent),
       s.GetPctEqual() < 100, select(catVars, catReasons, 4));
  fill(cat,
       label("Categories Containing One Case > ^1", s.GetPctUnequalText(), s.GetPctUnequal(),
             BpProcedure::Percent),
       s.GetPctUnequal() < 100, select(catVars, catReasons, 6));
  BpGroup* scale = contents->Group(Own("Scale"), true, 2);
  fill(scale, missingLabel, s.GetPctMissing() < 100, select(contVars, contReasons, 3));
  fill(scale,
       label("Standard Deviation < ^1", s.GetStdDevText(), s.GetStdDev(), BpProcedure::Coefficient),
       s.GetStdDev() > 0, select(contVars, contReasons, 7));
  fill(scale,
       label("Coefficient Of Variation < ^1", s.GetCoefVarText(), s.GetCoefVar(),
             BpProcedure::Coefficient),
       s.GetCoefVar() != 0, select(contVars, contReasons, 8));
}

void VDTOutput::BuildRuleDescription(const VDTRuleSpecs& rule, BpCategory* cell) const {
  ParserMessage msg;
  msg.SetCommandName("VALIDATEDATA");
  msg.SetProcedureTitle("ValidateData");
  auto tr = [](const char* t) { return ParserMessage::GetTranslatedText(t); };
  auto yesNo = [&](bool b) { return tr(b ? "Yes" : "No"); };
  const bool isString = rule.GetValueType() == VDTSpecTypes::kValueString;
  const bool isNumeric = rule.GetValueType() == VDTSpecTypes::kValueNumeric;

  std::vector<std::pair<std::string, std::string>> pairs;
  const char* type = isNumeric ? "Numeric" : isString ? "String" : "Date";
  pairs.emplace_back(tr("Type"), tr(type));
  pairs.emplace_back(tr("Domain"),
                     tr(rule.GetDomainType() == VDTSpecTypes::kDomainRange ? "Range" : "List"));
  pairs.emplace_back(tr("Flag user-missing values"), yesNo(rule.GetFlagUserMissing()));
  if (isString) {
    pairs.emplace_back(tr("Flag blank values"), yesNo(rule.GetFlagBlank()));
  } else {
    pairs.emplace_back(tr("Flag system-missing values"), yesNo(rule.GetFlagSystemMissing()));
  }
  if (rule.GetDomainType() == VDTSpecTypes::kDomainRange) {
    auto bound = [&](const std::string& b) {
      return isNumeric ? UAVarValidSpecs::AdjustDecimalCharacter(b) : b;
    };
    if (!rule.GetMinimum().empty()) pairs.emplace_back(tr("Minimum"), bound(rule.GetMinimum()));
    if (!rule.GetMaximum().empty()) pairs.emplace_back(tr("Maximum"), bound(rule.GetMaximum()));
    if (rule.WasFlagUnlabeledGiven())
      pairs.emplace_back(tr("Flag unlabeled values within range"), yesNo(rule.GetFlagUnlabeled()));
    if (isNumeric && rule.WasFlagNonintegerGiven())
      pairs.emplace_back(tr("Flag noninteger values within range"),
                         yesNo(rule.GetFlagNoninteger()));
  } else {
    std::string joined;
    const std::string sep = std::string(1, pvGetCmnLoc()->listSeparator) + " ";
    for (const std::string& item : rule.GetListValues()) {
      if (item.empty()) continue;
      if (!joined.empty()) joined += sep;
      joined += isNumeric ? UAVarValidSpecs::AdjustDecimalCharacter(item) : item;
    }
    if (!joined.empty()) pairs.emplace_back(tr("List"), joined);
    if (isString) pairs.emplace_back(tr("Case sensitive"), yesNo(rule.GetCaseSensitive()));
  }
  if (!rule.GetRuleName().empty()) pairs.emplace_back(tr("Rule"), rule.GetRuleName());

  BpComposite c("[:^1\\: ^2\\n:$1\\: $2]1", false);
  c.Sublist();
  for (const auto& [name, value] : pairs) c.Add(Data(name)).Add(Data(value));
  c.EndSublist().Finish();
  cell->Cell(c);
}

void VDTOutput::WriteRuleDescriptions() {
  const VDTValidSpecs& s = *fpValidSpecs;
  if (!fpRuleDescTable || !(s.GetSummaryByVar() || s.GetSummaryByRule()) ||
      fpAdapter->GetNStandViolations() < 1)
    return;
  BpDimension* desc = fpRuleDescTable->Dimension(Data("DescriptionColumn"), 2);
  desc->Position(1, 1, true, false);
  BpCategory* descCat = desc->Category(Own("Description"));
  (void)descCat;
  BpDimension* ruleDim = fpRuleDescTable->Dimension(Own("Rule"), 2);
  ruleDim->Position(0, 1, false, false);
  for (const VDTRuleSpecs* rule : OrderedStandRules()) {
    BpCategory* cat = ruleDim->Category(Data(rule->GetLabel()));
    if (!rule->GetDescription().empty()) {
      cat->Cell(Data(rule->GetDescription()));
    } else {
      BuildRuleDescription(*rule, cat);
    }
  }
}

void VDTOutput::WriteVarSummary() {
  const VDTValidSpecs& s = *fpValidSpecs;
  if (!s.GetSummaryByVar() || !fpVarSummaryTable) return;
  if (fpAdapter->GetNStandViolations() < 1) {
    if (fWarnEmptyOutput) WarnOutputNotDisplayed();
    return;
  }
  BpDimension* ruleDim = fpVarSummaryTable->Dimension(Own("Rule"), 2);
  ruleDim->Position(0, 1, false, false);
  BpDimension* varDim = fpVarSummaryTable->Dimension(Own("Variable"), 2);
  varDim->Position(0, 2, true, false);
  BpDimension* summary = fpVarSummaryTable->Dimension(Own("Summary"), 2);
  summary->Position(1, 1, true, false);
  summary->Category(Own("Number of Violations"));
  const auto ordered = OrderedStandRules();
  const auto* vars = s.GetAnalysVarList();
  for (int p = 0; p < s.GetNAnalysVars(); ++p) {
    varDim->Category(BpVariable(fpActiveDS->GetVariable((*vars)[static_cast<size_t>(p)]), 2));
    BpGroup* group = ruleDim->Group(Data("Rule"), false, 2);
    if (fpAdapter->GetVarCount(p) <= 0) continue;
    for (const VDTRuleSpecs* rule : ordered) {
      int count = fpAdapter->GetVarRuleCount(p, rule->GetRuleInd());
      if (count > 0) group->Category(Data(rule->GetLabel()))->Cell(Count(count));
    }
    ruleDim->Category(Own("Total"))->Cell(Count(fpAdapter->GetVarCount(p)));
  }
}

void VDTOutput::WriteRuleSummary() {
  const VDTValidSpecs& s = *fpValidSpecs;
  if (!s.GetSummaryByRule() || !fpRuleSummaryTable) return;
  if (fpAdapter->GetNStandViolations() < 1) {
    if (fWarnEmptyOutput) WarnOutputNotDisplayed();
    return;
  }
  BpDimension* varDim = fpRuleSummaryTable->Dimension(Own("Variable"), 2);
  varDim->Position(0, 1, true, false);
  BpDimension* ruleDim = fpRuleSummaryTable->Dimension(Own("Rule"), 2);
  ruleDim->Position(0, 2, false, false);
  BpDimension* summary = fpRuleSummaryTable->Dimension(Own("Summary"), 2);
  summary->Position(1, 1, true, false);
  summary->Category(Own("Number of Violations"));
  const auto* vars = s.GetAnalysVarList();
  for (const VDTRuleSpecs* rule : OrderedStandRules()) {
    ruleDim->Category(Data(rule->GetLabel()));
    BpGroup* group = varDim->Group(Data("Variable"), false, 2);
    int sum = 0;
    for (int p = 0; p < s.GetNAnalysVars(); ++p) {
      int count = fpAdapter->GetVarRuleCount(p, rule->GetRuleInd());
      if (count <= 0) continue;
      group->Category(BpVariable(fpActiveDS->GetVariable((*vars)[static_cast<size_t>(p)]), 2))
          ->Cell(Count(count));
      sum += count;
    }
    if (sum > 0) varDim->Category(Own("Total"))->Cell(Count(sum));
  }
}

void VDTOutput::WriteCrossVarRules() {
  const VDTValidSpecs& s = *fpValidSpecs;
  if (!s.GetCustRuleSpecs() || !fpCrossVarTable) return;
  if (fpAdapter->GetNCustViolations() < 1) {
    if (fWarnEmptyOutput) WarnOutputNotDisplayed();
    return;
  }
  BpDimension* summary = fpCrossVarTable->Dimension(Own("Summary"), 2);
  summary->Position(1, 1, true, false);
  summary->Category(Own("Number of Violations"));
  summary->Category(Own("Rule Expression"));
  BpDimension* ruleDim = fpCrossVarTable->Dimension(Own("Rule"), 2);
  ruleDim->Position(0, 1, false, false);
  for (const VDTRuleSpecs& rule : *s.GetCustRuleSpecs()) {
    int count = fpAdapter->GetCustRuleCount(rule.GetRuleInd());
    if (count <= 0) continue;
    ruleDim->Category(Data(rule.GetLabel()));
    summary->Category(Own("Number of Violations"))->Cell(Count(count));
    summary->Category(Own("Rule Expression"))->Cell(Data(rule.GetCustExpression()));
  }
}

void VDTOutput::WarnOutputNotDisplayed() {
  if (IsSplitFileActive()) {
    BpComposite c("Split [%1 = %2:,^1 = ^2:]1 output not displayed ...", true);
    c.Sublist().SplitList().EndSublist().Finish();
    BpError(c, 2, 2);
  } else {
    BpError(Own("Some output not displayed ..."), 2, 2);
  }
}

void VDTOutput::EndSplit() {
  if (fpIncomplIdTable && fNIncomplIdRows == 0 && fWarnEmptyOutput) WarnOutputNotDisplayed();
  if (fpDuplicIdTable && fNDuplicIdRows == 0 && fWarnEmptyOutput) WarnOutputNotDisplayed();
  if (fpCaseChecksTable && fNCaseChecksRows == 0 && fWarnEmptyOutput) WarnOutputNotDisplayed();
  if (fpCaseReportTable && fNCaseReportRows == 0) {
    const int minViol = fpValidSpecs->GetMinViolations();
    if (minViol > 1) {
      if (IsSplitFileActive()) {
        BpComposite c("Split [%1 = %2:,^1 = ^2:]1 violations less ^2 ...", true);
        c.Sublist().SplitList().EndSublist().Add(Count(minViol)).Finish();
        BpError(c, 2, 2);
      } else {
        BpComposite c("Case Report not displayed violations less than ^1 ...", true);
        c.Add(Count(minViol)).Finish();
        BpError(c, 2, 2);
      }
    } else if (fWarnEmptyOutput) {
      WarnOutputNotDisplayed();
    }
  }
  ReleaseTables();
  fSplitOpen = false;
}

void VDTOutput::DiscardSplit() {
  if (!fSplitOpen) return;
  ReleaseTables();
  VDT_ASSERT(fpProcedure->Item()->items.size() >= fSplitItemStart);
  fpProcedure->Document().DiscardItems(fpProcedure->Item(), fSplitItemStart);
  fSplitOpen = false;
}

void VDTOutput::ReleaseTables() {
  fpVarChecksTable = fpRuleDescTable = fpVarSummaryTable = fpRuleSummaryTable = nullptr;
  fpCrossVarTable = fpIncomplIdTable = fpDuplicIdTable = fpCaseChecksTable = nullptr;
  fpCaseReportTable = nullptr;
  fpIncomplIdCaseDim = fpIncomplIdIdentDim = fpDuplicIdGroupDim = fpDuplicIdIdentDim = nullptr;
  fpCaseChecksNumberDim = fpCaseChecksInfoDim = fpCaseReportCaseDim = fpCaseReportInfoDim = nullptr;
  fNIncomplIdRows = fNDuplicIdRows = fNCaseChecksRows = fNCaseReportRows = 0;
  fIncomplIdCats.clear();
  fDuplicIdCats.clear();
  fCaseChecksIdCats.clear();
  fDuplicCountCat = fDuplicCasesCat = fCaseChecksCaseCat = nullptr;
}

void VDTOutput::AddCreatedVarNotes() {
  static const char* const kLabels[4] = {"Empty Case Indicator", "Incomplete Identifiers Indicator",
                                         "DuplicateId Group ...",
                                         "Total Count of Validation Rule Violations"};
  for (int i = 0; i < 4; ++i) {
    std::string name = fpFactory->GetNewVarName(i);
    if (name.empty()) continue;
    AddNotes(3, Own(kLabels[i]), Data(name));
  }
}
