// The transformation commands: COMPUTE target = expression [IF condition], and RULES COMPUTE,
// which computes every rule's outcome variable from the dataset's $VD. attributes.
#include <string>
#include <vector>

#include "host/commands/ComputeCore.h"
#include "host/commands/HostCommandSupport.h"
#include "host/commands/HostCommands.h"
#include "host/commands/RuleOutcomes.h"
#include "host/output/BpDocument.h"
#include "host/output/BpHeading.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"

namespace {

// The expression text of a run of tokens, as typed token by token. Expressions are read by the
// expression language, not by the command grammar, so the tokens are joined back into text.
std::string JoinTokens(const CommandTokens& command, size_t from, size_t to) {
  std::string text;
  for (size_t i = from; i < to; ++i) {
    if (!text.empty()) text += ' ';
    text += command[i].getText();
  }
  return text;
}

}  // namespace

bool RunComputeCommand(Session& session, const CommandTokens& command) {
  const CommandPlace place{"COMPUTE", "", ""};
  if (!RequireDataset(session, command, "COMPUTE")) return false;
  // COMPUTE target = expression [IF condition]
  if (command.Size() < 2 || !command[1].isName())
    return CommandError(place, "Expected the name of the variable to compute after COMPUTE.",
                        command.Size() > 1 ? &command[1] : &command[0]);
  if (command.Size() < 3 || command[2].getOperatorCode() != kOpEqual)
    return CommandError(place, "Expected = after the variable name (COMPUTE target = expression).",
                        command.Size() > 2 ? &command[2] : &command[1]);
  size_t ifAt = command.Size();
  for (size_t i = 3; i < command.Size(); ++i) {
    if (command[i].isName() && command[i].getUpperString() == "IF") {
      ifAt = i;
      break;
    }
  }
  if (ifAt == 3) return CommandError(place, "Expected an expression after =.", &command[2]);
  if (ifAt + 1 >= command.Size() && ifAt < command.Size())
    return CommandError({"COMPUTE", "IF", ""}, "Expected a condition after IF.", &command[ifAt]);
  const std::string target = command[1].getText();
  const std::string expression = JoinTokens(command, 3, ifAt);
  const std::string condition = ifAt < command.Size() ? JoinTokens(command, ifAt + 1, command.Size()) : "";
  std::string error;
  bool created = false;
  if (!ComputeVariable(session.Active(), target, expression, condition, &error, &created))
    return CommandError(place, error, &command[1]);
  CommandNote("COMPUTE", (created ? "Created " : "Replaced the values of ") + target + ".");
  return true;
}

bool RunRulesCommand(Session& session, const CommandTokens& command) {
  // RULES COMPUTE: the only form.
  if (command.Size() != 2 || command[1].getUpperString() != "COMPUTE")
    return CommandError({"RULES", "", ""}, "Expected RULES COMPUTE.",
                        command.Size() > 1 ? &command[1] : &command[0]);
  if (!RequireDataset(session, command, "RULES COMPUTE")) return false;
  RuleOutcomeSummary summary;
  std::string error;
  if (!ComputeRuleOutcomes(session.Active(), &summary, &error))
    return CommandError({"RULES COMPUTE", "", ""}, error, nullptr);
  if (summary.rules.empty()) {
    CommandWarning({"RULES COMPUTE", "", ""},
                   "The dataset holds no rule references ($VD.SRuleRef) and no custom rules "
                   "($VD.CRule); no outcome variable was computed.",
                   nullptr);
    return true;
  }
  BpProcedure procedure("Rule Outcomes", 1);
  BpPivotTable* table =
      procedure.PivotTable(BpString("Rule Outcome Variables", true), BpString("RuleOutcomes", false), true);
  BpDimension* rows = table->Dimension(BpString("Outcome", true), 2);
  rows->Position(0, 1, true, false);
  BpDimension* cols = table->Dimension(BpString("Information", true), 2);
  cols->Position(1, 1, true, false);
  for (const char* c : {"Rule", "Label", "Outcome Variable", "Violations", "Status"})
    cols->Category(BpString(c, true));
  // One row per outcome variable: a reference is named by its variable and element, a custom
  // rule by its element (several variables may use the same standard rule).
  for (const RuleOutcome& r : summary.rules) {
    const std::string row = r.referenceName.empty()
                                ? r.ruleName
                                : r.analysisVariable + " " + r.referenceName;
    rows->Category(BpString(row, false));
    cols->Category(BpString("Rule", true))->Cell(BpString(r.ruleName, false));
    cols->Category(BpString("Label", true))->Cell(BpString(r.label, false));
    cols->Category(BpString("Outcome Variable", true))->Cell(BpString(r.outcomeVariable, false));
    cols->Category(BpString("Violations", true))
        ->Cell(BpNumber(static_cast<double>(r.violations), BpProcedure::Count));
    cols->Category(BpString("Status", true))->Cell(BpString(r.created ? "created" : "replaced", true));
  }
  return true;
}
