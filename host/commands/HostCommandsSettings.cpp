// The host commands that change how the active dataset is processed rather than its
// contents: SPLIT FILE, WEIGHT and SET.
#include <cstring>
#include <unordered_set>

#include "host/commands/HostCommandSupport.h"
#include "host/commands/HostCommands.h"
#include "host/session/Session.h"
#include "host/syntax/VarSpecObj.h"

using namespace UPSpecTypes;

CommandDescriptor MakeSplitFileDescriptor() {
  CommandDescriptor desc("SPLIT FILE");
  SubComDescriptor sub("", kSubComPlain, true, true);
  sub.addParamDesc("BY", kParamTokenList, false, true, kNoBrackets);
  sub.addParamDesc("OFF", kParamNone, false, false, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeWeightDescriptor() {
  CommandDescriptor desc("WEIGHT");
  SubComDescriptor sub("", kSubComPlain, true, true);
  sub.addParamDesc("BY", kParamTokenList, false, true, kNoBrackets);
  sub.addParamDesc("OFF", kParamNone, false, false, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeSetDescriptor() {
  CommandDescriptor desc("SET");
  SubComDescriptor sub("", kSubComPlain, true, true);
  ParamDescriptor& decimal =
      sub.addParamDesc("DECIMAL", kParamStringList, false, true, kNoBrackets);
  decimal.addStringValue("DOT");
  decimal.addStringValue("COMMA");
  // A developer's switch for the debug displays; not in the user documentation.
  ParamDescriptor& debug =
      sub.addParamDesc("DEBUGDISPLAY", kParamStringList, false, true, kNoBrackets);
  debug.addStringValue("ON");
  debug.addStringValue("OFF");
  desc.addSubComDesc(sub);
  return desc;
}

namespace {

// BY and OFF are the two forms of SPLIT FILE and WEIGHT: exactly one of them.
const ParamObj* ByOrOff(const CommandSpec& spec, const std::string& command,
                        const CommandTokens& tokens) {
  const ParamObj* by = FindParam(spec, "", "BY");
  const ParamObj* off = FindParam(spec, "", "OFF");
  if (by && off) {
    CommandError({command, "OFF", ""}, "BY and OFF cannot be given together; give one of them.",
                 &off->getKeywordToken());
    return nullptr;
  }
  if (!by && !off) {
    CommandError({command, "", ""}, "Expected BY followed by variables, or OFF.", &tokens[0]);
    return nullptr;
  }
  return by ? by : off;
}

// Whether some combination of split values comes back after a run of other values, so that
// it would form two split groups.
bool ValuesComeBack(const ZIRA_DataSource& data, const std::vector<int>& cols) {
  std::vector<const ZIRA_Variable*> vars;
  for (int c : cols) vars.push_back(data.GetVariable(c));
  // Whether rows a and b hold the same bytes in every split variable (most rows continue the
  // run of the row before).
  auto sameRow = [&vars](size_t a, size_t b) {
    for (const ZIRA_Variable* v : vars) {
      if (v->IsString()) {
        const size_t w = static_cast<size_t>(v->GetCellWidth());
        if (std::memcmp(v->GetStringCell(a), v->GetStringCell(b), w) != 0) return false;
      } else {
        const double x = v->GetNumber(a), y = v->GetNumber(b);
        if (std::memcmp(&x, &y, sizeof x) != 0) return false;
      }
    }
    return true;
  };
  std::unordered_set<std::string> done;
  std::string key;
  for (size_t r = 0; r < data.CaseCount(); ++r) {
    if (r > 0 && sameRow(r - 1, r)) continue;
    key.clear();
    for (const ZIRA_Variable* v : vars) {
      if (v->IsString()) {
        key.append(v->GetStringCell(r), static_cast<size_t>(v->GetCellWidth()));
      } else {
        const double x = v->GetNumber(r);
        char bytes[sizeof x];
        std::memcpy(bytes, &x, sizeof x);
        key.append(bytes, sizeof x);
      }
    }
    if (!done.insert(key).second) return true;
  }
  return false;
}

}  // namespace

bool RunSplitFileCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeSplitFileDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  const ParamObj* form = ByOrOff(spec, "SPLIT FILE", command);
  if (!form) return false;
  ZIRA_DataSource& data = session.Active();
  if (form->getName() == "OFF") {
    data.SetSplitVariables({});
    return true;
  }
  if (!RequireDataset(session, command, "SPLIT FILE")) return false;
  std::vector<int> cols;
  if (!ResolveVariableList(*form, "", desc, &data, kVarRepeatError, &cols)) return false;
  if (ValuesComeBack(data, cols))
    CommandNote("SPLIT FILE",
                "The cases are not sorted by " + VariableNames(data, cols) +
                    ": a split group is a run of consecutive cases with equal values, so one "
                    "value makes several groups. Run SORT BY with the same variables first to "
                    "have one group per value.");
  data.SetSplitVariables(std::move(cols));
  return true;
}

bool RunWeightCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeWeightDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  const ParamObj* form = ByOrOff(spec, "WEIGHT", command);
  if (!form) return false;
  ZIRA_DataSource& data = session.Active();
  if (form->getName() == "OFF") {
    data.SetWeightVariable(-1);
    session.Glb().weightWord = 0;
    return true;
  }
  if (!RequireDataset(session, command, "WEIGHT")) return false;
  std::vector<int> cols;
  if (!ResolveVariableList(*form, "", desc, &data, kVarRepeatError, &cols)) return false;
  const CommandPlace place{"WEIGHT", "BY", ""};
  if (cols.size() != 1)
    return CommandError(place,
                        "Exactly one weight variable may be named; found " +
                            std::to_string(cols.size()) + ": " + VariableNames(data, cols) + ".",
                        ValueToken(*form));
  const ZIRA_Variable* v = data.GetVariable(cols[0]);
  if (v->IsString())
    return CommandError(place,
                        v->GetName() +
                            " is a string variable; the weight variable "
                            "must be numeric.",
                        ValueToken(*form));
  data.SetWeightVariable(cols[0]);
  session.Glb().weightWord = 1;
  return true;
}

bool RunSetCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeSetDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  if (const ParamObj* decimal = FindParam(spec, "", "DECIMAL")) {
    const bool comma = decimal->isStringValueCase("COMMA");
    session.Loc().decimal = comma ? ',' : '.';
    session.Loc().listSeparator = comma ? ';' : ',';
  }
  if (const ParamObj* debug = FindParam(spec, "", "DEBUGDISPLAY"))
    session.SetSetting("DEBUGDISPLAY", debug->isStringValueCase("ON") ? "ON" : "OFF");
  return true;
}
