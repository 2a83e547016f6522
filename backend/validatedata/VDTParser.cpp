#include "backend/validatedata/VDTParser.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>

#include "backend/validatedata/VDTValidSpecs.h"
#include "host/common/CommonBlocks.h"
#include "host/common/StringHelpers.h"
#include "host/data/ProcedureDataSource.h"
#include "host/output/BpComposite.h"
#include "host/output/BpProcedure.h"
#include "host/syntax/UniversalParser.h"
#include "host/syntax/ZIRA_TokenSequence.h"

namespace {

const char* const kSaveKeywords[4] = {"EMPTYCASE", "INCOMPLETEID", "DUPLICATEID",
                                      "RULEVIOLATIONS"};
const char* const kSaveRoots[4] = {"EmptyCase", "IncompleteID", "DuplicateIDGroup",
                                   "ValidationRuleViolations"};
}  // namespace

void VDTMessages::Report(const std::string& templ, int level) const {
  BpError(BpString(templ, true), 2, level);
}

void VDTMessages::Report(const std::string& templ, int level,
                         const std::vector<std::string>& texts) const {
  BpComposite c(templ, true);
  for (const auto& t : texts) c.Add(BpString(t, false));
  c.Finish();
  BpError(c, 2, level);
}

void VDTMessages::ReportNumber(const std::string& templ, int level, double number) const {
  BpComposite c(templ, true);
  c.Add(BpNumber(number, BpProcedure::Count));
  c.Finish();
  BpError(c, 2, level);
}

VDTParser::VDTParser(const TokenSequenceBase* tokens, VDTValidSpecs* specs,
                     ProcedureDataSource* data)
    : fDescriptor("VALIDATEDATA"), fpTokens(tokens), fpSpecs(specs), fpDataSource(data),
      fSplitVars("", "", "SPLIT FILE", data),
      fAnalysVars("VARIABLES", "", &fDescriptor, data),
      fAllVars("", "", &fDescriptor, data),
      fCaseIdVars("ID", "", &fDescriptor, data),
      fLinkedOutcomeVars("", "", &fDescriptor, data),
      fCustOutcomeVars("", "", &fDescriptor, data),
      fMarkedOutcomeVars("", "", &fDescriptor, data) {
  // How the warnings about variables left out of a later role name these roles.
  fSplitVars.SetRoleText("a split-file variable");
  fCustOutcomeVars.SetRoleText("a rule outcome variable");
  fMarkedOutcomeVars.SetRoleText("a rule outcome variable");
}

VDTParser::~VDTParser() = default;

void VDTParser::DefineCommand(CommandDescriptor* d) {
  using namespace UPSpecTypes;
  d->clear();
  SubComDescriptor unnamed("", 1, true, false);
  unnamed.addParamDesc("VARIABLES", 2, false, true, 0);
  unnamed.addParamDesc("ID", 2, false, true, 0);
  unnamed.addParamDesc("CROSSVARRULES", 2, false, true, 0);
  d->addSubComDesc(unnamed);

  SubComDescriptor varChecks("VARCHECKS", 1, false, false);
  ParamDescriptor status("STATUS", 3, false, true, 0);
  status.addStringValue("ON");
  status.addStringValue("OFF");
  varChecks.addParamDesc(status);
  for (const char* pct : {"PCTMISSING", "PCTEQUAL", "PCTUNEQUAL"}) {
    ParamDescriptor p(pct, 7, false, true, 0);
    p.setLowerBoundary(0, 2);
    p.setUpperBoundary(100, 1);
    varChecks.addParamDesc(p);
  }
  for (const char* name : {"CV", "STDDEV"}) {
    ParamDescriptor p(name, 7, false, true, 0);
    p.setLowerBoundary(0, 1);
    varChecks.addParamDesc(p);
  }
  d->addSubComDesc(varChecks);

  SubComDescriptor idChecks("IDCHECKS", 1, false, false);
  for (const char* name : {"INCOMPLETE", "DUPLICATE", "NONE"})
    idChecks.addParamDesc(name, 1, false, true, 0);
  d->addSubComDesc(idChecks);

  SubComDescriptor caseChecks("CASECHECKS", 1, false, false);
  ParamDescriptor report("REPORTEMPTY", 3, false, true, 0);
  report.addStringValue("YES");
  report.addStringValue("NO");
  caseChecks.addParamDesc(report);
  ParamDescriptor scope("SCOPE", 3, false, true, 0);
  scope.addStringValue("ANALYSISVARS");
  scope.addStringValue("ALLVARS");
  caseChecks.addParamDesc(scope);
  d->addSubComDesc(caseChecks);

  SubComDescriptor ruleSummaries("RULESUMMARIES", 1, false, false);
  for (const char* name : {"BYVARIABLE", "BYRULE", "NONE"})
    ruleSummaries.addParamDesc(name, 1, false, true, 0);
  d->addSubComDesc(ruleSummaries);

  SubComDescriptor caseReport("CASEREPORT", 1, false, false);
  ParamDescriptor display("DISPLAY", 3, false, true, 0);
  display.addStringValue("NO");
  display.addStringValue("YES");
  caseReport.addParamDesc(display);
  ParamDescriptor minViol("MINVIOLATIONS", 9, false, true, 0);
  minViol.setLowerBoundary(0, 2);
  caseReport.addParamDesc(minViol);
  caseReport.addParamDesc("CASELIMIT", 2, false, true, 0);
  d->addSubComDesc(caseReport);

  SubComDescriptor save("SAVE", 2, false, false);
  for (const char* name : kSaveKeywords) save.addParamDesc(name, 15, false, false, 0);
  d->addSubComDesc(save);
}

bool VDTParser::Parse() {
  fHostMessages.SetCommandName(fDescriptor.getName());
  CommandSpec spec;
  DefineCommand(&fDescriptor);
  UniversalParser parser(fpTokens, &spec, &fDescriptor);
  if (parser.getCommandSpecifications() != 0) return false;
  const bool extracted = ExtractSpecs(spec);
  // The subcommands live in `spec`, which ends here.
  fpUnnamed = fpVarChecks = fpIdChecks = fpCaseChecks = fpRuleSummaries = fpCaseReport = fpSave =
      nullptr;
  if (!extracted) return false;

  const VDTValidSpecs& s = *fpSpecs;
  if (s.GetNCustRules() < 1 && !s.GetVarCheckStatus() && !s.GetIncomplIdCheck() &&
      !s.GetDuplicIdCheck() && !s.GetEmptyCaseCheck() && !s.GetSummaryByVar() &&
      !s.GetSummaryByRule() && !s.GetCaseReportDisplay())
    fHostMessages.NoTableRequested();
  if (s.HasRuleOutputWithoutRules()) fMessages.Report("No rule tables displayed...", 2);

  CmnGlb* glb = pvGetCmnGlb();
  if (glb->errorWord == 0 && glb->weightWord >= 1) {
    fHostMessages.DisableWeight();
    glb->weightWord = 0;
  }
  return true;
}

bool VDTParser::ExtractSpecs(const CommandSpec& spec) {
  fpUnnamed = spec.getSubComObj("");
  fpVarChecks = spec.getSubComObj("VARCHECKS");
  fpIdChecks = spec.getSubComObj("IDCHECKS");
  fpCaseChecks = spec.getSubComObj("CASECHECKS");
  fpRuleSummaries = spec.getSubComObj("RULESUMMARIES");
  fpCaseReport = spec.getSubComObj("CASEREPORT");
  fpSave = spec.getSubComObj("SAVE");

  if (fpUnnamed && !ParseVariablesAndRules()) return false;
  // Without the unnamed subcommand the split-file and rule outcome variables must still stay
  // out of the empty-case check's variables.
  if (!fpUnnamed) {
    SetSplitFileVars();
    SetMarkedOutcomeVars(VDTRuleSpecs(*fpDataSource, true, -1));
  }
  if (fpVarChecks && !ParseVarChecks()) return false;
  if (!fpVarChecks && fAnalysVars.GetNValidVars() == 0)
    fpSpecs->SetVarChecks(false, 70, 95, 90, 0.001, 0);
  if (fpIdChecks && !ParseIdChecks()) return false;
  if (!fpIdChecks && fCaseIdVars.GetNValidVars() == 0) fpSpecs->SetIdChecks(false, false);
  if (fpCaseChecks && !ParseCaseChecks()) return false;
  if (fpSpecs->GetEmptyCaseCheck() &&
      (fpSpecs->GetEmptyCaseScopeAll() || fAnalysVars.GetNValidVars() == 0) && !MakeAllVarList())
    return false;
  if (fpRuleSummaries && !ParseRuleSummaries()) return false;
  if (fpCaseReport && !ParseCaseReport()) return false;
  if (fpSave && !ParseSave()) return false;
  return true;
}

void VDTParser::SetSplitFileVars() {
  if (fpDataSource->NumSplitVariables() > 0) {
    std::vector<int32_t> cols;
    for (int i = 0; i < fpDataSource->NumSplitVariables(); ++i)
      cols.push_back(fpDataSource->SplitVariable(i));
    if (fSplitVars.SetVariables(cols, 0)) fpSpecs->SetSplitVarList(fSplitVars.GetValidVarList());
  }
  fExclusion.push_back(&fSplitVars);
}

void VDTParser::SetMarkedOutcomeVars(const VDTRuleSpecs& rules) {
  std::vector<int> markedInds;
  std::vector<std::string> markedNames;
  if (rules.FindOutcomeVars(&markedInds, &markedNames) > 0) {
    std::vector<int32_t> cols(markedInds.begin(), markedInds.end());
    if (fMarkedOutcomeVars.SetVariables(cols, 0)) fExclusion.push_back(&fMarkedOutcomeVars);
  }
}

bool VDTParser::ParseVariablesAndRules() {
  // 1. Split-file variables.
  SetSplitFileVars();

  // 2. Custom rules asked for.
  const ParamObj* crossVar = fpUnnamed->getParamObj("CROSSVARRULES");
  if (crossVar && !ParseCustomRuleList(*crossVar)) return false;

  // 3. Analysis variables.
  const ParamObj* variables = fpUnnamed->getParamObj("VARIABLES");
  if (variables && !fAnalysVars.ValidateVariables(variables->getTokenList(), 2)) return false;

  // 4. Rules.
  VDTRuleSpecs loader(*fpDataSource, true, -1);
  std::vector<VDTRuleSpecs> refs;
  static const std::vector<int32_t> kNoVars;
  const std::vector<int32_t>& analysis = variables ? fAnalysVars.GetValidVarList() : kNoVars;
  if (!loader.LoadAllRules(&refs, &fAllStandRules, &fCustRules, analysis, fRequestedCustRules)) {
    BpError(BpString(loader.GetErrorString(), false), 2, 3);
    return false;
  }
  if (!fAllStandRules.empty()) fpSpecs->SetAllStandRules(fAllStandRules);
  SetMarkedOutcomeVars(loader);

  // 5. Outcome variables of every loaded reference.
  {
    std::vector<int32_t> cols;
    for (const VDTRuleSpecs& r : refs) cols.push_back(r.GetOutcomeVarInd());
    fRefOutcomeVars = std::make_unique<VarSpecObj>("", "", &fDescriptor, fpDataSource);
    fRefOutcomeVars->SetRoleText("a rule outcome variable");
    if (!cols.empty() && fRefOutcomeVars->SetVariables(cols, 0))
      fExclusion.push_back(fRefOutcomeVars.get());
  }

  // 6. Custom rules.
  if (!fCustRules.empty()) {
    std::vector<int32_t> cols;
    for (const VDTRuleSpecs& r : fCustRules) {
      cols.push_back(r.GetOutcomeVarInd());
      fCustLabels.push_back(r.GetLabel());
    }
    if (fCustOutcomeVars.SetVariables(cols, 0)) {
      fpSpecs->SetCustRules(fCustRules, fCustOutcomeVars.GetValidVarList(), fCustLabels);
      fExclusion.push_back(&fCustOutcomeVars);
    }
  }

  // 7. Identifiers.
  const ParamObj* id = fpUnnamed->getParamObj("ID");
  if (id) {
    if (!fCaseIdVars.ValidateVariables(id->getTokenList(), 2)) return false;
    if (!fCaseIdVars.ExcludeCommonVars(fExclusion, 1)) return false;
    fpSpecs->SetCaseIdVarList(fCaseIdVars.GetValidVarList());
    fExclusion.push_back(&fCaseIdVars);
  }

  // 8. Analysis variables without the other roles, with their categorical flags.
  if (variables) {
    if (!fAnalysVars.ExcludeCommonVars(fExclusion, 1)) return false;
    const auto& valid = fAnalysVars.GetValidVarList();
    fAnalysCatFlags.assign(valid.size(), false);
    for (size_t i = 0; i < valid.size(); ++i) fAnalysCatFlags[i] = IsCatVar(valid[i], fpDataSource);
    fpSpecs->SetAnalysVars(valid, fAnalysCatFlags);
  }

  // 9. References linked to a valid analysis variable.
  std::vector<int32_t> linkedCols;
  for (const VDTRuleSpecs& r : refs) {
    if (!fAnalysVars.IsValidVariable(r.GetAnalysVarInd())) continue;
    fLinkedRefs.push_back(r);
    linkedCols.push_back(r.GetOutcomeVarInd());
    fLinkedLabels.push_back(r.GetLabel());
  }
  if (!fLinkedRefs.empty() && fLinkedOutcomeVars.SetVariables(linkedCols, 0))
    fpSpecs->SetStandRules(fLinkedRefs, fLinkedOutcomeVars.GetValidVarList(), fLinkedLabels);
  return true;
}

bool VDTParser::ParseCustomRuleList(const ParamObj& param) {
  auto take = [&](int32_t n) {
    if (std::find(fRequestedCustRules.begin(), fRequestedCustRules.end(), n) ==
        fRequestedCustRules.end())
      fRequestedCustRules.push_back(n);
  };
  if (param.isOperatorValue(kOpAll)) {
    const auto& texts = fpDataSource->GetAttributes().Values("$VD.CRule");
    for (size_t n = 1; n <= texts.size(); ++n)
      if (!texts[n - 1].empty()) take(static_cast<int32_t>(n));
    return true;
  }
  const std::vector<int32_t> ints = param.getIntegerList();
  if (!ints.empty()) {
    for (int32_t n : ints) {
      if (n < 1) {
        fMessages.Report("Invalid custom rule index ^1...", 2, {std::to_string(n)});
        return false;
      }
      take(n);
    }
    return true;
  }
  const auto& tokens = param.getTokenList();
  size_t pos = 0;
  while (pos < tokens.size()) {
    int n = ParseCustomRuleRef(tokens, &pos);
    if (n < 1) return false;
    take(n);
    // References may be separated by commas, as integers and variable names may.
    if (pos < tokens.size() && tokens[pos].getOperatorCode() == kOpComma) ++pos;
  }
  return true;
}

int VDTParser::ParseCustomRuleRef(const std::vector<TokenInfoObj>& tokens, size_t* pos) {
  auto atError = [&](const TokenInfoObj& t) {
    fMessages.Report("Syntax error for custom rule at the text ^1...", 3, {t.getText()});
    return 0;
  };
  auto afterError = [&](const TokenInfoObj& t) {
    fMessages.Report("Syntax error for custom rule after the text ^1...", 3, {t.getText()});
    return 0;
  };
  size_t i = *pos;
  if (tokens[i].getUpperString() != "$VD.CRULE") return atError(tokens[i]);
  if (i + 1 >= tokens.size()) return afterError(tokens[i]);
  if (tokens[++i].getOperatorCode() != kOpLeftBracket) return atError(tokens[i]);
  if (i + 1 >= tokens.size()) return afterError(tokens[i]);
  const TokenInfoObj& number = tokens[++i];
  // An integer beyond 32 bits is no rule number (it must not wrap round to one).
  if (!number.isInteger() || number.getIntegerValue() > INT32_MAX) return atError(number);
  if (number.getIntegerValue() < 1) {
    fMessages.Report("Invalid custom rule index ^1...", 2,
                     {std::to_string(number.getIntegerValue())});
    *pos = i + 1;
    return static_cast<int>(std::max<int64_t>(number.getIntegerValue(), INT32_MIN));
  }
  const int value = static_cast<int>(number.getIntegerValue());
  if (i + 1 >= tokens.size()) return afterError(tokens[i]);
  if (tokens[++i].getOperatorCode() != kOpRightBracket) return atError(tokens[i]);
  *pos = i + 1;
  return value;
}

bool VDTParser::ParseVarChecks() {
  bool status = true;
  double values[5] = {70, 95, 90, 0.001, 0};
  std::string texts[5];
  if (const ParamObj* p = fpVarChecks->getParamObj("STATUS")) status = p->isStringValueCase("ON");
  const char* const names[5] = {"PCTMISSING", "PCTEQUAL", "PCTUNEQUAL", "CV", "STDDEV"};
  for (int i = 0; i < 5; ++i) {
    if (const ParamObj* p = fpVarChecks->getParamObj(names[i])) {
      values[i] = p->getNumberValue();
      texts[i] = p->getStringToken();
    }
  }
  if (fAnalysVars.GetNValidVars() == 0) status = false;
  fpSpecs->SetVarChecks(status, values[0], values[1], values[2], values[3], values[4]);
  fpSpecs->SetVarCheckTexts(texts[0], texts[1], texts[2], texts[3], texts[4]);
  return true;
}

bool VDTParser::ParseIdChecks() {
  if (fpIdChecks->getParamObj("NONE") && fpIdChecks->getParamListSize() > 1) {
    fHostMessages.ParamExclAnyOther("NONE", "IDCHECKS");
    return false;
  }
  bool haveIds = fCaseIdVars.GetNValidVars() >= 1;
  fpSpecs->SetIdChecks(fpIdChecks->getParamObj("INCOMPLETE") && haveIds,
                       fpIdChecks->getParamObj("DUPLICATE") && haveIds);
  return true;
}

bool VDTParser::ParseCaseChecks() {
  bool report = true;
  if (const ParamObj* p = fpCaseChecks->getParamObj("REPORTEMPTY")) report = p->isStringValueCase("YES");
  bool scopeAll = fAnalysVars.GetNValidVars() == 0;
  if (const ParamObj* p = fpCaseChecks->getParamObj("SCOPE")) scopeAll = p->isStringValueCase("ALLVARS");
  fpSpecs->SetEmptyCaseCheck(report, scopeAll);
  return true;
}

bool VDTParser::MakeAllVarList() {
  std::vector<VarSpecObj*> exclusion = {&fSplitVars, &fCaseIdVars, &fMarkedOutcomeVars,
                                              &fLinkedOutcomeVars, &fCustOutcomeVars};
  if (fAllVars.ValidateAllVars(exclusion, 0)) {
    fpSpecs->SetAllVarList(fAllVars.GetValidVarList());
  } else {
    fMessages.Report("No variables for empty case check...", 2);
  }
  return true;
}

bool VDTParser::ParseRuleSummaries() {
  if (fpRuleSummaries->getParamObj("NONE") && fpRuleSummaries->getParamListSize() > 1) {
    fHostMessages.ParamExclAnyOther("NONE", "RULESUMMARIES");
    return false;
  }
  fpSpecs->SetRuleSummaries(fpRuleSummaries->getParamObj("BYVARIABLE") != nullptr,
                            fpRuleSummaries->getParamObj("BYRULE") != nullptr);
  return true;
}

bool VDTParser::ParseCaseReport() {
  bool display = true;
  int32_t minViolations = 1, limit = 500;
  if (const ParamObj* p = fpCaseReport->getParamObj("DISPLAY")) display = p->isStringValueCase("YES");
  if (const ParamObj* p = fpCaseReport->getParamObj("MINVIOLATIONS")) minViolations = p->getIntegerValue();
  if (const ParamObj* p = fpCaseReport->getParamObj("CASELIMIT")) {
    const auto& t = p->getTokenList();
    if (t.empty()) {
      fHostMessages.WrongValueType("CASELIMIT", "CASEREPORT");
      return false;
    }
    std::string first = t[0].getUpperString();
    if (first == "NONE") {
      if (t.size() > 1) {
        fHostMessages.KeyWordNoValue("NONE", "CASEREPORT");
        return false;
      }
      limit = 0;
    } else if (first == "FIRSTN") {
      if (t.size() != 4 || t[1].getOperatorCode() != kOpLeftParen || !t[2].isInteger() ||
          t[3].getOperatorCode() != kOpRightParen) {
        fHostMessages.WrongValueType("FIRSTN", "CASEREPORT");
        return false;
      }
      int64_t n = t[2].getIntegerValue();
      if (n <= 0) {
        fHostMessages.ParamValueBreakBdry(static_cast<double>(n), 0, 2, 0, 0, "FIRSTN",
                                          "CASEREPORT");
        return false;
      }
      limit = static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
    } else {
      fHostMessages.InvalidParamOption(t[0].getText(), "CASELIMIT", "CASEREPORT");
      return false;
    }
  }
  fpSpecs->SetCaseReport(display, minViolations, limit);
  return true;
}

bool VDTParser::ParseSave() {
  std::vector<std::string> explicitNames, explicitKeywords;
  for (int i = 0; i < 4; ++i) {
    const ParamObj* p = fpSave->getParamObj(kSaveKeywords[i]);
    if (!p) continue;
    VarSpecObj check(kSaveKeywords[i], "SAVE", &fDescriptor, fpDataSource);
    std::string name;
    bool isDefault = p->isLeadingToken();
    if (isDefault) {
      name = kSaveRoots[i];
    } else {
      name = p->getVarName();
      if (check.CheckNewVariable(name) >= 0) return false;
      explicitNames.push_back(name);
      explicitKeywords.push_back(kSaveKeywords[i]);
    }
    switch (i) {
      case 0: fpSpecs->SetEmptyCaseVarName(name, isDefault); break;
      case 1: fpSpecs->SetIncomplIdVarName(name, isDefault); break;
      case 2: fpSpecs->SetDuplicIdVarName(name, isDefault); break;
      default: fpSpecs->SetRuleViolVarName(name, isDefault); break;
    }
  }
  for (size_t later = 1; later < explicitNames.size(); ++later) {
    for (size_t earlier = 0; earlier < later; ++earlier) {
      if (AreVarNamesEqualCase(explicitNames[later], explicitNames[earlier])) {
        fHostMessages.VariableTwoVarList(explicitNames[later], explicitKeywords[later], "SAVE",
                                         explicitKeywords[earlier], "SAVE");
        return false;
      }
    }
  }
  return true;
}
