// The outcome variables of the validation rules stored in a dataset: for every rule reference
// of every variable and every custom rule, a numeric variable holding 1 where the case breaks
// the rule and 0 where it does not. What the rules command runs; VALIDATEDATA reads the result.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/common/ZiraTypes.h"
#include "host/data/ZIRA_DataSource.h"

// One rule whose outcome variable was computed.
struct RuleOutcome {
  std::string ruleName;          // element name of the rule: "$VD.SRule[n]" or "$VD.CRule[n]"
  std::string referenceName;     // "$VD.SRuleRef[k]" for a standard rule; empty for a custom rule
  ZiraVarName analysisVariable;  // the variable holding the reference; empty for a custom rule
  std::string label;             // the rule's Label
  ZiraVarName outcomeVariable;   // as the dictionary spells it
  bool created = false;          // true: a new variable; false: an existing one's values replaced
  size_t violations = 0;         // cases that break the rule (outcome value 1)
};

// What one computation did, in the order the rules were computed: the references of the
// variables in dictionary order (each variable's in element order), then the custom rules in
// element order.
struct RuleOutcomeSummary {
  std::vector<RuleOutcome> rules;
};

// The variable attribute that marks a rule outcome variable (first value "Yes").
inline constexpr const char* kRuleOutcomeVarAttrib = "$VD.RuleOutcomeVar";

// Creates or replaces the outcome variable of every `$VD.SRuleRef` element of every variable
// and of every non-empty `$VD.CRule` element of `data` (borrowed for the call). An outcome
// variable is numeric, format F8.0, nominal, labelled "Outcome of rule <label>" (", variable
// <name>" added for a reference) and marked `$VD.RuleOutcomeVar` = ["Yes"]; its value is 1
// where the case breaks the rule and 0 elsewhere.
//
// A value breaks a standard rule when a flag catches it (FlagUserMissing: user-missing;
// FlagSystemMissing: system-missing number; FlagBlank: blank string); a missing value no flag
// catches does not break it. A valid value breaks a Range rule below Minimum or above Maximum
// (numbers numerically, strings byte-wise, dates read with Format), then, within the range,
// when FlagUnlabeled is Yes and it has no value label or FlagNoninteger is Yes and it has
// decimals; it breaks a List rule when it is not in List (strings with CaseSensitive). A valid
// string value also breaks a rule with a Pattern that it does not match as a whole
// (ECMAScript). A custom rule is broken where its Expression is exactly 1; expressions see
// the dataset as it was before the call (a new outcome variable is not yet there).
//
// Rule texts are parsed and cross-checked as VALIDATEDATA does, with its messages. Everything
// is checked and computed before the dataset changes: on false, *error holds the first
// problem, `data` is exactly as before and *summary is empty.
bool ComputeRuleOutcomes(ZIRA_DataSource& data, RuleOutcomeSummary* summary, std::string* error);
