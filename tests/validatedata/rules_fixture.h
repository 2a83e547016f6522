// A small dataset with rule attributes, built in code, and the loading of its rules: the
// shared setting of the rule tests.
#pragma once

#include <string>
#include <vector>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "host/data/ZIRA_DataSource.h"

class RuleDataset {
 public:
  // A numeric variable with the given print format type code (5 plain number, 20 date...).
  int AddNumeric(const std::string& name, int formatType = 5) {
    int index = -1;
    ZIRA_Variable* var = data.AddVariable(name, 0, &index);
    var->SetFormat({formatType, 8, formatType == 5 ? 2 : 0});
    return index;
  }
  int AddString(const std::string& name, int width = 8) {
    int index = -1;
    data.AddVariable(name, width, &index);
    return index;
  }
  // A numeric variable marked as a rule outcome variable.
  int AddOutcome(const std::string& name, const std::string& mark = "Yes") {
    const int index = AddNumeric(name);
    data.GetVariable(index)->GetAttributes().Set("$VD.RuleOutcomeVar", {mark});
    return index;
  }
  void SetStandardRules(std::vector<std::string> texts) {
    data.GetAttributes().Set("$VD.SRule", std::move(texts));
  }
  void SetCustomRules(std::vector<std::string> texts) {
    data.GetAttributes().Set("$VD.CRule", std::move(texts));
  }
  void SetReferences(int column, std::vector<std::string> texts) {
    data.GetVariable(column)->GetAttributes().Set("$VD.SRuleRef", std::move(texts));
  }

  // Loads every rule for the given analysis variables and custom rule numbers; the message
  // of a failure is left in `error`.
  bool Load(const std::vector<int>& analysVars, const std::vector<int>& custRules = {}) {
    VDTRuleSpecs loader(data, true, -1);
    const bool ok = loader.LoadAllRules(&refs, &standard, &custom, analysVars, custRules);
    error = loader.GetErrorString();
    return ok;
  }

  ZIRA_DataSource data;
  std::vector<VDTRuleSpecs> refs, standard, custom;
  std::string error;
};

// A standard rule that passes every check, for tests that vary other parts.
inline const std::string kAgeRule =
    "Label='Age range',Type=Numeric,Domain=Range,FlagUserMissing=Yes,FlagSystemMissing=No,"
    "FlagBlank=No,Minimum=0,Maximum=120";
