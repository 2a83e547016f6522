// Small datasets built in code for the procedure tests, so that every expected count can be
// read off the values; and rule texts for them.
#pragma once

#include <string>
#include <vector>

#include "host/common/ZiraTypes.h"
#include "host/data/ZIRA_DataSource.h"

// System-missing, for value lists.
inline constexpr double kMiss = MCMV::gMissingValue;

class DatasetBuilder {
 public:
  explicit DatasetBuilder(size_t nCases) { data.SetCaseCount(nCases); }

  // A numeric variable (nominal unless said) holding the given values (missing past the end).
  int Num(const std::string& name, const std::vector<double>& values, int level = kLevelNominal) {
    int col = -1;
    ZIRA_Variable* v = data.AddVariable(name, 0, &col);
    v->SetFormat({kFmtNumber, 8, 0});
    v->SetMeasurementLevel(level);
    for (size_t i = 0; i < values.size() && i < data.CaseCount(); ++i) v->SetNumber(i, values[i]);
    return col;
  }
  int Str(const std::string& name, int width, const std::vector<std::string>& values) {
    int col = -1;
    ZIRA_Variable* v = data.AddVariable(name, width, &col);
    v->SetFormat({kFmtString, width, 0});
    v->SetMeasurementLevel(kLevelNominal);
    for (size_t i = 0; i < values.size() && i < data.CaseCount(); ++i) v->SetString(i, values[i]);
    return col;
  }
  // A rule outcome variable: numeric, marked $VD.RuleOutcomeVar Yes.
  int Outcome(const std::string& name, const std::vector<double>& values) {
    const int col = Num(name, values, kLevelScale);
    data.GetVariable(col)->GetAttributes().Set("$VD.RuleOutcomeVar", {"Yes"});
    return col;
  }
  void StandardRules(std::vector<std::string> texts) {
    data.GetAttributes().Set("$VD.SRule", std::move(texts));
  }
  void CustomRules(std::vector<std::string> texts) {
    data.GetAttributes().Set("$VD.CRule", std::move(texts));
  }
  // Links standard rule n to the variable at `column`, its verdicts in `outcome`.
  void Refer(int column, std::vector<std::pair<int, std::string>> refs) {
    std::vector<std::string> texts;
    for (const auto& [n, outcome] : refs)
      texts.push_back("Rule=$VD.SRule[" + std::to_string(n) + "],OutcomeVar=" + outcome);
    data.GetVariable(column)->GetAttributes().Set("$VD.SRuleRef", std::move(texts));
  }

  ZIRA_DataSource data;
};

// A numeric range rule with a label (and the flags given no meaning here).
inline std::string RangeRule(const std::string& label, const std::string& extra = "") {
  return "Label='" + label +
         "',Type=Numeric,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=No,"
         "Minimum=0,Maximum=10" +
         extra;
}
inline std::string ListRule(const std::string& label) {
  return "Label='" + label +
         "',Type=Numeric,Domain=List,FlagUserMissing=No,FlagSystemMissing=Yes,FlagBlank=No,"
         "List=1 2 3,CaseSensitive=No";
}

// Four cases with rules. Analysis variables a, b, c (c has no rule). Standard rules 1 "L1"
// (List), 2 "R2" (Range), 3 "R3" (Range, never broken); a refers to 1 and 2, b to 2 and 3.
// Custom rules "C1" (broken by cases 2 and 4) and "C2" (never broken).
// Violations per case: 1: L1 on a, R2 on a and b; 2: L1 on a, R2 on b, C1; 3: R2 on b; 4: C1.
inline DatasetBuilder RuleData() {
  DatasetBuilder b(4);
  b.Num("id", {1, 2, 3, 4});
  const int a = b.Num("a", {1, 2, 3, 4}, kLevelScale);
  const int bv = b.Num("b", {4, 3, 2, 1}, kLevelScale);
  b.Num("c", {1, 2, 3, 4}, kLevelScale);
  b.Outcome("a_l1", {1, 1, 0, 0});
  b.Outcome("a_r2", {1, 0, 0, 0});
  b.Outcome("b_r2", {1, 1, 1, 0});
  b.Outcome("b_r3", {0, 0, 0, 0});
  b.Outcome("c1", {0, 1, 0, 1});
  b.Outcome("c2", {0, 0, 0, 0});
  b.StandardRules({ListRule("L1"), RangeRule("R2"), RangeRule("R3")});
  b.Refer(a, {{1, "a_l1"}, {2, "a_r2"}});
  b.Refer(bv, {{2, "b_r2"}, {3, "b_r3"}});
  b.CustomRules(
      {"Label=C1,Expression='a > b',OutcomeVar=c1", "Label=C2,Expression='a < 0',OutcomeVar=c2"});
  return b;
}
