// zira validate DATA.csv [options]: the one-line way to check a dataset. Builds the commands a
// newcomer would write (LOAD, SORT and SPLIT FILE, RULES COMPUTE, VALIDATEDATA, WRITE) from the
// options and runs them in one session, printing the report.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "apps/zira/Commands.h"
#include "apps/zira/NameLists.h"
#include "apps/zira/Report.h"
#include "host/commands/CommandRunner.h"
#include "host/common/StringHelpers.h"
#include "host/session/Session.h"

namespace {

struct ValidateOptions {
  std::string data;
  std::string schema;
  std::vector<std::string> split;
  bool noRulesCompute = false;
  std::vector<std::string> variables;
  std::vector<std::string> ids;
  std::vector<std::string> save;
  std::string caseLimit;
  int minViolations = 0;  // 0: the procedure's default
  bool noVarChecks = false;
  bool byRule = false;
  std::string command;
  std::string write;
  bool showCommands = false;
  ReportOptions report;
};

// The option values as command words, checked before anything runs.
struct ValidateWords {
  std::vector<std::string> split, variables, ids, save;
  std::string caseLimit;  // "" (default), "NONE" or "FIRSTN(n)"
};

bool CheckOptions(const ValidateOptions& o, ValidateWords* w, std::string* error) {
  if (!SplitNameList(o.split, "--split", &w->split, error) ||
      !SplitNameList(o.variables, "--variables", &w->variables, error) ||
      !SplitNameList(o.ids, "--id", &w->ids, error)) {
    return false;
  }
  static const std::vector<std::string> kSaveKeywords = {"EMPTYCASE", "INCOMPLETEID", "DUPLICATEID",
                                                         "RULEVIOLATIONS"};
  std::set<std::string> chosen;
  for (const std::string& value : o.save) {
    std::vector<std::string> items;
    if (!SplitNameList({value}, "--save", &items, error)) return false;
    for (const std::string& item : items) {
      const std::string upper = GetUpperString(item);
      if (upper == "ALL") {
        chosen.insert(kSaveKeywords.begin(), kSaveKeywords.end());
      } else if (std::find(kSaveKeywords.begin(), kSaveKeywords.end(), upper) !=
                 kSaveKeywords.end()) {
        chosen.insert(upper);
      } else {
        *error = "--save: '" + item +
                 "' is not one of emptycase, incompleteid, duplicateid, ruleviolations, all.";
        return false;
      }
    }
  }
  for (const std::string& k : kSaveKeywords)  // in the procedure's order
    if (chosen.count(k)) w->save.push_back(k);

  if (!o.caseLimit.empty()) {
    const std::string upper = GetUpperString(o.caseLimit);
    if (upper == "NONE") {
      w->caseLimit = "NONE";
    } else {
      size_t used = 0;
      long n = 0;
      try {
        n = std::stol(o.caseLimit, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != o.caseLimit.size() || n < 1 || n > 2147483647L) {
        *error = "--case-limit: '" + o.caseLimit + "' is neither a whole number above 0 nor none.";
        return false;
      }
      w->caseLimit = "FIRSTN(" + std::to_string(n) + ")";
    }
  }
  return true;
}

// Whether the active dataset holds rules: a variable's $VD.SRuleRef or the file's $VD.CRule.
bool HasRules(ZIRA_DataSource& data) {
  if (data.GetAttributes().Has("$VD.CRule")) return true;
  for (int c = 0; c < data.ColumnCount(); ++c)
    if (data.GetVariable(c)->GetAttributes().Has("$VD.SRuleRef")) return true;
  return false;
}

// Whether the dataset defines a custom rule (a $VD.CRule element that is not empty).
bool HasCustomRules(ZIRA_DataSource& data) {
  for (const std::string& rule : data.GetAttributes().Values("$VD.CRule"))
    if (rule.find_first_not_of(" \t") != std::string::npos) return true;
  return false;
}

// The default analysis variables: every variable of the loaded dataset except the identifiers,
// the split variables and the rule outcome variables, which the procedure would leave out
// anyway, with a warning for each.
std::vector<std::string> DefaultAnalysisVariables(ZIRA_DataSource& data, const ValidateWords& w) {
  auto named = [](const std::vector<std::string>& list, const std::string& name) {
    for (const auto& n : list)
      if (AreVarNamesEqualCase(n, name)) return true;
    return false;
  };
  std::vector<std::string> out;
  for (int c = 0; c < data.ColumnCount(); ++c) {
    const ZIRA_Variable* v = data.GetVariable(c);
    const auto& mark = v->GetAttributes().Values("$VD.RuleOutcomeVar");
    if (!mark.empty() && AreStringsEqualCase(mark[0], "Yes")) continue;
    if (named(w.ids, v->GetName()) || named(w.split, v->GetName())) continue;
    out.push_back(v->GetName());
  }
  return out;
}

std::string BuildValidateData(const ValidateOptions& o, const ValidateWords& w, bool custom,
                              ZIRA_DataSource& data) {
  std::string text = "VALIDATEDATA VARIABLES=";
  std::vector<std::string> defaults;
  if (w.variables.empty()) defaults = DefaultAnalysisVariables(data, w);
  text += !w.variables.empty() ? JoinWords(w.variables)
          : defaults.empty()   ? std::string("ALL")
                               : JoinWords(defaults);
  if (!w.ids.empty()) text += "\n    ID=" + JoinWords(w.ids);
  if (custom) text += "\n    CROSSVARRULES=ALL";
  text += o.noVarChecks ? "\n  /VARCHECKS STATUS=OFF" : "\n  /VARCHECKS STATUS=ON";
  if (o.byRule) text += "\n  /RULESUMMARIES BYVARIABLE BYRULE";
  if (o.minViolations > 0 || !w.caseLimit.empty()) {
    text += "\n  /CASEREPORT DISPLAY=YES";
    if (o.minViolations > 0) text += " MINVIOLATIONS=" + std::to_string(o.minViolations);
    if (!w.caseLimit.empty()) text += " CASELIMIT=" + w.caseLimit;
  }
  if (!w.save.empty()) text += "\n  /SAVE " + JoinWords(w.save);
  return text + ".\n";
}

}  // namespace

ZiraCommand AddValidateCommand(CLI::App& program) {
  auto o = std::make_shared<ValidateOptions>();
  CLI::App* sub = program.add_subcommand(
      "validate",
      "Check a dataset with VALIDATEDATA and print the report: variables that are mostly "
      "missing or constant, incomplete and duplicate identifiers, empty cases and rule "
      "violations. Exit status 0 when every command ran, 1 when one failed.");
  sub->add_option("DATA", o->data, "The dataset's CSV file")->required();
  sub->add_option("--schema", o->schema,
                  "Its Table Schema descriptor (default: NAME.schema.json beside it)");
  sub->add_option("--split", o->split, "Check split group by split group (sorts by them first)")
      ->expected(1, -1);
  sub->add_flag("--no-rules-compute", o->noRulesCompute,
                "Use the rule outcome variables as they are in the data (default: RULES "
                "COMPUTE recomputes them when the dataset holds rules)");
  auto* variables =
      sub->add_option("--variables", o->variables,
                      "Analysis variables (default: ALL; identifiers, split and rule outcome "
                      "variables are left out)")
          ->expected(1, -1);
  auto* ids = sub->add_option("--id", o->ids, "Case identifier variables")->expected(1, -1);
  auto* save = sub->add_option("--save", o->save,
                               "Indicator variables to add: emptycase, incompleteid, "
                               "duplicateid, ruleviolations, or all")
                   ->expected(1, -1);
  auto* caseLimit =
      sub->add_option("--case-limit", o->caseLimit, "Most cases in the case report: N or none");
  auto* minViolations =
      sub->add_option("--min-violations", o->minViolations,
                      "Fewest rule violations for a case to be reported (default 1)")
          ->check(CLI::PositiveNumber);
  auto* noVarChecks = sub->add_flag("--no-varchecks", o->noVarChecks, "Skip the variable checks");
  auto* byRule = sub->add_flag("--by-rule", o->byRule, "Summarize rule violations by rule as well");
  sub->add_option("--command", o->command,
                  "The VALIDATEDATA command to run instead of one built from the options")
      ->excludes(variables)
      ->excludes(ids)
      ->excludes(save)
      ->excludes(caseLimit)
      ->excludes(minViolations)
      ->excludes(noVarChecks)
      ->excludes(byRule);
  sub->add_option("--write", o->write,
                  "Write the checked dataset, saved indicators included, to this CSV file");
  sub->add_flag("--show-commands", o->showCommands,
                "Print the commands run to standard error before running them");
  AddReportOptions(sub, &o->report);

  return {sub, [o]() -> int {
            ValidateWords words;
            std::string error;
            if (!CheckOptions(*o, &words, &error)) {
              std::cerr << "zira validate: " << error << "\n";
              return kExitUsage;
            }
            RunWithReport(o->report, [&](Session& session) {
              CommandRunner runner(session);
              // The dataset is loaded first: whether it holds rules decides what follows.
              std::string load = "LOAD FILE=" + QuoteFileName(o->data);
              if (!o->schema.empty()) load += " SCHEMA=" + QuoteFileName(o->schema);
              load += ".\n";
              if (o->showCommands) std::cerr << load;
              if (!runner.RunText(load, "zira validate")) return false;

              std::string text;
              if (!words.split.empty()) {
                text += "SORT BY " + JoinWords(words.split) + ".\n";
                text += "SPLIT FILE BY " + JoinWords(words.split) + ".\n";
              }
              if (!o->noRulesCompute && HasRules(session.Active())) text += "RULES COMPUTE.\n";
              if (!o->command.empty()) {
                // The command ends with a period at the end of its last line.
                std::string command = o->command;
                while (!command.empty() && std::isspace(static_cast<unsigned char>(command.back())))
                  command.pop_back();
                if (!command.empty() && command.back() != '.') command += '.';
                text += command + "\n";
              } else {
                text += BuildValidateData(*o, words, HasCustomRules(session.Active()),
                                          session.Active());
              }
              if (!o->write.empty()) text += "WRITE FILE=" + QuoteFileName(o->write) + ".\n";
              if (o->showCommands) std::cerr << text;
              return runner.RunText(text, "zira validate");
            });
          }};
}
