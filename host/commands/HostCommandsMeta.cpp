// The metadata commands (VARIABLE LABELS, VALUE LABELS, MISSING VALUES, VARIABLE LEVEL) and
// SHOW VARIABLES. Each reads its values once per variable, so that widths and date formats
// are checked for every variable named, and changes nothing until all of them are good.
#include <cmath>
#include <limits>

#include "host/commands/HostCommandSupport.h"
#include "host/commands/HostCommands.h"
#include "host/common/Messages.h"
#include "host/io/DictionaryReport.h"
#include "host/session/Session.h"
#include "host/syntax/VarSpecObj.h"

using namespace UPSpecTypes;

namespace {

// A command over a list of variables: VARIABLES=list first, then its own keywords.
CommandDescriptor VariablesCommand(const std::string& name, SubComDescriptor* sub) {
  CommandDescriptor desc(name);
  sub->addParamDesc("VARIABLES", kParamTokenList, true, true, kNoBrackets);
  return desc;
}

// Parses the command and resolves VARIABLES (a variable named twice counts once).
bool ParseWithVariables(Session& session, const CommandDescriptor& desc,
                        const CommandTokens& command, CommandSpec* spec, std::vector<int>* cols) {
  if (!ParseHostCommand(desc, command, spec)) return false;
  if (!RequireDataset(session, command, desc.getName())) return false;
  return ResolveVariableList(*FindParam(*spec, "", "VARIABLES"), "", desc, &session.Active(),
                             kVarRepeatDrop, cols);
}

bool IsNoneList(const ParamObj& p) {
  return p.getTokenList().size() == 1 && p.getTokenList()[0].isName() &&
         p.getTokenList()[0].getUpperString() == "NONE";
}

}  // namespace

CommandDescriptor MakeVariableLabelsDescriptor() {
  SubComDescriptor sub("", kSubComPlain, true, true);
  CommandDescriptor desc = VariablesCommand("VARIABLE LABELS", &sub);
  sub.addParamDesc("LABEL", kParamStringList, true, true, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeValueLabelsDescriptor() {
  SubComDescriptor sub("", kSubComPlain, true, true);
  CommandDescriptor desc = VariablesCommand("VALUE LABELS", &sub);
  sub.addParamDesc("LABELS", kParamTokenList, true, true, kNoBrackets);
  ParamDescriptor& mode = sub.addParamDesc("MODE", kParamStringList, false, true, kNoBrackets);
  mode.addStringValue("REPLACE");
  mode.addStringValue("ADD");
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeMissingValuesDescriptor() {
  SubComDescriptor sub("", kSubComPlain, true, true);
  CommandDescriptor desc = VariablesCommand("MISSING VALUES", &sub);
  sub.addParamDesc("VALUES", kParamTokenList, true, true, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeVariableLevelDescriptor() {
  SubComDescriptor sub("", kSubComPlain, true, true);
  CommandDescriptor desc = VariablesCommand("VARIABLE LEVEL", &sub);
  ParamDescriptor& level = sub.addParamDesc("LEVEL", kParamStringList, true, true, kNoBrackets);
  level.addStringValue("NOMINAL");
  level.addStringValue("ORDINAL");
  level.addStringValue("SCALE");
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeShowDescriptor() {
  CommandDescriptor desc("SHOW");
  SubComDescriptor sub("", kSubComPlain, true, true);
  sub.addParamDesc("VARIABLES", kParamTokenList, true, false, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

bool RunVariableLabelsCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeVariableLabelsDescriptor();
  CommandSpec spec;
  std::vector<int> cols;
  if (!ParseWithVariables(session, desc, command, &spec, &cols)) return false;
  const std::string label = FindParam(spec, "", "LABEL")->getStringValue();
  for (int c : cols) session.Active().GetVariable(c)->SetLabel(label);
  return true;
}

bool RunValueLabelsCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeValueLabelsDescriptor();
  CommandSpec spec;
  std::vector<int> cols;
  if (!ParseWithVariables(session, desc, command, &spec, &cols)) return false;
  const ParamObj& labels = *FindParam(spec, "", "LABELS");
  const ParamObj* mode = FindParam(spec, "", "MODE");
  const bool add = mode && mode->isStringValueCase("ADD");
  const CommandPlace place{"VALUE LABELS", "LABELS", ""};
  ZIRA_DataSource& data = session.Active();
  std::vector<ZIRA_ValueLabelMap> maps;
  for (int c : cols) {
    const ZIRA_Variable& v = *data.GetVariable(c);
    if (IsNoneList(labels)) {
      if (add)
        return CommandError(place, "NONE removes every value label; it cannot be added.",
                            &labels.getTokenList()[0]);
      maps.emplace_back(v.GetType());
      continue;
    }
    ZIRA_ValueLabelMap map = add ? v.GetValueLabels() : ZIRA_ValueLabelMap(v.GetType());
    const auto toks = WithoutCommas(labels.getTokenList());
    for (size_t i = 0; i < toks.size();) {
      TypedValue value;
      std::string why;
      const size_t at = i;
      if (!ReadValueFor(v, toks, &i, &value, &why))
        return CommandError(
            place, "Expected value and label pairs (1 'Yes' 2 'No', or NONE): " + why + ".",
            &toks[at]);
      if (i >= toks.size() || !toks[i].isString())
        return CommandError(place,
                            "The value " + toks[at].getText() +
                                " needs a label in quotes after it" +
                                (i < toks.size() ? "; found " + toks[i].getText() : "") + ".",
                            i < toks.size() ? &toks[i] : &toks[at]);
      if (v.IsString())
        map.AddPair(std::string_view(value.text), toks[i].getString());
      else
        map.AddPair(value.number, toks[i].getString());
      ++i;
    }
    maps.push_back(std::move(map));
  }
  for (size_t k = 0; k < cols.size(); ++k) data.GetVariable(cols[k])->SetValueLabels(maps[k]);
  return true;
}

namespace {

// Reads MISSING VALUES' list for one variable: discrete values, and for a numeric variable at
// most one range `low THRU high` (LO or LOWEST, HI or HIGHEST for an open end).
bool ReadMissingValues(const ZIRA_Variable& v, const ParamObj& values, ZiraMissingValues* out) {
  const CommandPlace place{"MISSING VALUES", "VALUES", ""};
  const auto toks = WithoutCommas(values.getTokenList());
  auto word = [&](size_t i, std::initializer_list<const char*> words) {
    if (i >= toks.size() || !toks[i].isName()) return false;
    const std::string w = toks[i].getUpperString();
    for (const char* x : words)
      if (w == x) return true;
    return false;
  };
  for (size_t i = 0; i < toks.size();) {
    const size_t at = i;
    double low = 0.0, high = 0.0;
    TypedValue value;
    std::string why;
    const bool openLow = !v.IsString() && word(i, {"LO", "LOWEST"});
    if (openLow) {
      low = std::nextafter(MCMV::gMissingValue, 0.0);  // every value but system-missing
      ++i;
    } else if (!ReadValueFor(v, toks, &i, &value, &why)) {
      return CommandError(place,
                          "Expected missing values" +
                              std::string(v.IsString() ? "" : " or a range (1 THRU 5)") + ": " +
                              why + ".",
                          &toks[at]);
    } else {
      low = value.number;
    }
    if (!v.IsString() && word(i, {"THRU"})) {
      ++i;
      if (word(i, {"HI", "HIGHEST"})) {
        high = std::numeric_limits<double>::max();
        ++i;
      } else {
        const size_t hat = i;
        if (!ReadValueFor(v, toks, &i, &value, &why))
          return CommandError(place, "A range needs its upper end after THRU: " + why + ".",
                              hat < toks.size() ? &toks[hat] : &toks[at]);
        high = value.number;
      }
      if (out->hasRange)
        return CommandError(place, "Only one range of missing values can be given.", &toks[at]);
      if (low > high)
        return CommandError(place, "The range's lower end is above its upper end.", &toks[at]);
      out->hasRange = true;
      out->low = low;
      out->high = high;
    } else if (openLow) {
      return CommandError(place, "LO must begin a range: LO THRU value.", &toks[at]);
    } else if (v.IsString()) {
      out->strings.push_back(value.text);
    } else {
      out->values.push_back(value.number);
    }
  }
  return true;
}

}  // namespace

bool RunMissingValuesCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeMissingValuesDescriptor();
  CommandSpec spec;
  std::vector<int> cols;
  if (!ParseWithVariables(session, desc, command, &spec, &cols)) return false;
  const ParamObj& values = *FindParam(spec, "", "VALUES");
  ZIRA_DataSource& data = session.Active();
  std::vector<ZiraMissingValues> sets(cols.size());
  if (!IsNoneList(values))
    for (size_t k = 0; k < cols.size(); ++k)
      if (!ReadMissingValues(*data.GetVariable(cols[k]), values, &sets[k])) return false;
  for (size_t k = 0; k < cols.size(); ++k) data.GetVariable(cols[k])->SetMissingValues(sets[k]);
  return true;
}

bool RunVariableLevelCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeVariableLevelDescriptor();
  CommandSpec spec;
  std::vector<int> cols;
  if (!ParseWithVariables(session, desc, command, &spec, &cols)) return false;
  const ParamObj& level = *FindParam(spec, "", "LEVEL");
  const int code = level.isStringValueCase("NOMINAL")   ? kLevelNominal
                   : level.isStringValueCase("ORDINAL") ? kLevelOrdinal
                                                        : kLevelScale;
  ZIRA_DataSource& data = session.Active();
  for (int c : cols)
    if (code == kLevelScale && data.GetVariable(c)->IsString())
      return CommandError({"VARIABLE LEVEL", "LEVEL", ""},
                          data.GetVariable(c)->GetName() +
                              " is a string variable and cannot be scale; give NOMINAL or "
                              "ORDINAL.",
                          ValueToken(level));
  for (int c : cols) data.GetVariable(c)->SetMeasurementLevel(code);
  return true;
}

bool RunShowCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeShowDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  if (!RequireDataset(session, command, "SHOW")) return false;
  const ParamObj& vars = *FindParam(spec, "", "VARIABLES");
  ZIRA_DataSource& data = session.Active();
  if (vars.isLeadingToken()) {
    HostReport(kMsgNote, DescribeDictionary(data));
    return true;
  }
  std::vector<int> cols;
  if (!ResolveVariableList(vars, "", desc, &data, kVarRepeatDrop, &cols)) return false;
  // A dictionary of the chosen variables only (no cases, no dataset attributes).
  ZIRA_DataSource part;
  for (int c : cols) {
    const ZIRA_Variable& v = *data.GetVariable(c);
    ZIRA_Variable* copy = part.AddVariable(v.GetName(), v.GetType());
    copy->SetFormat(v.GetFormat());
    copy->SetWriteFormat(v.GetWriteFormat());
    copy->SetLabel(v.GetLabel());
    copy->SetDescription(v.GetDescription());
    copy->SetValueLabels(v.GetValueLabels());
    copy->SetMissingValues(v.GetMissingValues());
    copy->SetMeasurementLevel(v.GetMeasurementLevel());
    copy->GetAttributes() = v.GetAttributes();
    copy->SetUnlabeledCategories(v.GetUnlabeledCategories());
  }
  // The listing counts the cases of the dataset shown; the partial copy has none.
  std::string text = DescribeDictionary(part);
  const std::string noCases = "Cases: 0";
  if (text.compare(0, noCases.size(), noCases) == 0)
    text.replace(0, noCases.size(), "Cases: " + std::to_string(data.CaseCount()));
  HostReport(kMsgNote, text);
  return true;
}
