// The rules command's work: parse every rule of the dataset as VALIDATEDATA does, compute each
// rule's outcome column-wise into buffers of its own, and only then put the columns into the
// dataset, so a failure anywhere leaves the dataset as it was.
#include "host/commands/RuleOutcomes.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <regex>
#include <string_view>
#include <utility>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "backend/validatedata/VDTRuleText.h"
#include "host/common/Parallel.h"
#include "host/common/StringHelpers.h"
#include "host/expr/ExprFormat.h"
#include "host/expr/Expression.h"

namespace {

constexpr const char* kCRuleAttrib = "$VD.CRule";
constexpr const char* kSRuleRefAttrib = "$VD.SRuleRef";
constexpr ZiraFormat kOutcomeFormat{kFmtNumber, 8, 0};

using StrLess = std::less<std::string_view>;

std::string_view RTrimBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The case-folded form of `s`: ASCII text up to the size of `buffer` is lower-cased into it
// (no allocation); other text goes through the host's folding into *spill.
std::string_view Fold(std::string_view s, char (&buffer)[64], std::string* spill) {
  if (s.size() <= sizeof buffer && IsAscii(s)) {
    for (size_t i = 0; i < s.size(); ++i) {
      const char c = s[i];
      buffer[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return std::string_view(buffer, s.size());
  }
  *spill = FoldCase(s);
  return *spill;
}

// The value of the last property named `name` (any case) in a rule text, unquoted as the rule
// parser reads it. False when the text does not give it or its syntax is broken (the parser
// reports that with its own message).
bool FindProperty(std::string_view text, std::string_view name, std::string* value) {
  const char quote = VDTRuleText::ChooseQuoteChar(text);
  std::vector<std::string_view> specs;
  if (!VDTRuleText::SplitPropertySpecs(text, quote, &specs)) return false;
  bool found = false;
  for (std::string_view spec : specs) {
    std::string specName, raw;
    if (VDTRuleText::SplitProperty(spec, quote, &specName, &raw) != VDTRuleText::SplitStatus::kOk)
      return false;
    if (!AreStringsEqualCase(specName, name)) continue;
    std::string unquoted;
    if (!VDTRuleText::UnquoteValue(raw, quote, &unquoted)) return false;
    *value = std::move(unquoted);
    found = true;
  }
  return found;
}

// A copy of the dataset's dictionary without cases: names, types, print formats and
// attributes, the data file's attributes too. Rules are parsed against it, so that outcome
// variables still to be created can be given a place without touching the dataset.
ZIRA_DataSource CopyDictionary(const ZIRA_DataSource& data) {
  ZIRA_DataSource dict;
  dict.GetAttributes() = data.GetAttributes();
  for (int column = 0; column < data.ColumnCount(); ++column) {
    const ZIRA_Variable* var = data.GetVariable(column);
    ZIRA_Variable* copy = dict.AddVariable(var->GetName(), var->GetType());
    assert(copy && "host/commands/RuleOutcomes: dataset names are unique");
    copy->SetFormat(var->GetFormat());
    copy->GetAttributes() = var->GetAttributes();
  }
  return dict;
}

bool HasReferences(const ZIRA_Variable& var) {
  for (const std::string& text : var.GetAttributes().Values(kSRuleRefAttrib))
    if (!text.empty()) return true;
  return false;
}

// How messages name a loaded rule: "custom rule $VD.CRule[2] (Young parent)", or "standard
// rule $VD.SRule[1] (Adults), reference $VD.SRuleRef[1] of variable age".
std::string DescribeRule(const VDTRuleSpecs& rule) {
  if (rule.GetAttribType() == VDTSpecTypes::kCustAttrib)
    return "custom rule " + rule.GetRuleName() + " (" + rule.GetLabel() + ")";
  return "standard rule " + rule.GetRuleName() + " (" + rule.GetLabel() + "), reference " +
         rule.GetRuleRefName() + " of variable " + rule.GetAnalysVarName();
}

// Gives an outcome variable named by a rule text a place in the dictionary copy when the
// dataset lacks it: numeric and marked, as the rule parser requires. `where` names the rule
// for messages. An existing string variable cannot hold outcomes: false with *error. A name
// that cannot name a variable gets no place; the parser then reports the outcome variable.
bool PlaceOutcomeVar(ZIRA_DataSource& dict, const std::string& name, const std::string& where,
                     std::string* error) {
  const int column = dict.FindVarIndex(name);
  if (column >= 0) {
    const ZIRA_Variable* var = dict.GetVariable(column);
    if (!var->IsString()) return true;
    *error = "Outcome variable " + var->GetName() + " of " + where +
             " is a string variable; an outcome variable must be numeric.";
    return false;
  }
  if (!IsValidVarName(name) || IsReservedWord(name)) return true;
  ZIRA_Variable* var = dict.AddVariable(name, 0);
  assert(var && "host/commands/RuleOutcomes: a name not found is free");
  var->GetAttributes().Set(kRuleOutcomeVarAttrib, {"Yes"});
  return true;
}

// Places the outcome variables of every reference of the analysis variables and of every
// custom rule (see PlaceOutcomeVar).
bool PlaceOutcomeVars(ZIRA_DataSource& dict, const std::vector<int>& analysVars,
                      const std::vector<int>& custRules, std::string* error) {
  std::string name;
  for (int column : analysVars) {
    const ZIRA_Variable* var = dict.GetVariable(column);
    const std::vector<std::string>& texts = var->GetAttributes().Values(kSRuleRefAttrib);
    for (size_t k = 1; k <= texts.size(); ++k) {
      if (!FindProperty(texts[k - 1], "OutcomeVar", &name) || name.empty()) continue;
      const std::string where =
          "rule reference " +
          VDTRuleText::MakeElementName(VDTRuleText::kSRuleRefNameFormat, static_cast<int>(k)) +
          ", variable " + var->GetName();
      if (!PlaceOutcomeVar(dict, name, where, error)) return false;
    }
  }
  const std::vector<std::string>& custTexts = dict.GetAttributes().Values(kCRuleAttrib);
  for (int i : custRules) {
    const std::string& text = custTexts[static_cast<size_t>(i) - 1];
    if (!FindProperty(text, "OutcomeVar", &name) || name.empty()) continue;
    std::string where =
        "custom rule " + VDTRuleText::MakeElementName(VDTRuleText::kCRuleNameFormat, i);
    std::string label;
    if (FindProperty(text, "Label", &label) && !label.empty()) where += " (" + label + ")";
    if (!PlaceOutcomeVar(dict, name, where, error)) return false;
  }
  return true;
}

// What a standard rule checks, prepared once for one analysis variable (borrowed), and its
// column-wise evaluation. A numeric variable is checked with numeric bounds and list items
// (read with the rule's Format for Type=Date), a string variable with byte-wise ones.
// Invariants:
//  1. fpVar is set by a successful Prepare and then never null;
//  2. fNumList, fLabeledNums, fStrList and fLabeledStrs are sorted (binary searches);
//  3. fStrList holds case-folded items when fCaseSensitive is false.
// Evaluate uses scratch storage: one thread at a time.
class StandardRuleCheck {
 public:
  // Reads the rule's bounds, list, format and pattern. False with *error naming the rule and
  // the faulty property.
  bool Prepare(const VDTRuleSpecs& rule, const ZIRA_Variable& var, std::string* error);
  // out[r] = 1 where case r breaks the rule, else 0 (out resized to the case count). Returns
  // the number of 1s.
  size_t Evaluate(std::vector<double>* out) const;

 private:
  bool ReadNumber(const std::string& text, const char* what, double* value, std::string* error);
  size_t EvaluateNumeric(double* out) const;
  size_t EvaluateString(double* out) const;
  bool BreaksNumber(double v) const;
  bool BreaksString(std::string_view v) const;

  const ZIRA_Variable* fpVar = nullptr;
  std::string fDescription;  // DescribeRule of the rule, for messages
  bool fFlagUser = false, fFlagSys = false, fFlagBlank = false;
  bool fIsList = false;
  bool fFlagUnlabeled = false, fFlagNoninteger = false;
  std::optional<ExprFormat> fDateFormat;  // Type=Date: how bounds and list items are written
  std::string fFormatText;                // the rule's Format as written
  double fNumMin = -HUGE_VAL, fNumMax = HUGE_VAL;  // no bound: infinite
  std::vector<double> fNumList, fLabeledNums;
  std::optional<std::string> fStrMin, fStrMax;
  std::vector<std::string> fStrList, fLabeledStrs;
  bool fCaseSensitive = true;
  std::optional<std::regex> fPattern;
  mutable std::string fFoldSpill;  // scratch of caseless lookups of long or non-ASCII values
};

bool StandardRuleCheck::ReadNumber(const std::string& text, const char* what, double* value,
                                   std::string* error) {
  if (fDateFormat) {
    if (ReadFormatted(text, *fDateFormat, value)) return true;
    *error = std::string("Invalid ") + what + " " + text + " for " + fDescription +
             ": not a date of format " + fFormatText + ".";
    return false;
  }
  if (ReadFormatted(text, ExprFormat{}, value)) return true;
  *error = std::string("Invalid ") + what + " " + text + " for " + fDescription + ": not a number.";
  return false;
}

bool StandardRuleCheck::Prepare(const VDTRuleSpecs& rule, const ZIRA_Variable& var,
                                std::string* error) {
  fpVar = &var;
  fDescription = DescribeRule(rule);
  fFlagUser = rule.GetFlagUserMissing();
  fFlagSys = rule.GetFlagSystemMissing();
  fFlagBlank = rule.GetFlagBlank();
  fIsList = rule.GetDomainType() == VDTSpecTypes::kDomainList;
  fFlagUnlabeled = rule.GetFlagUnlabeled();
  fFlagNoninteger = rule.GetFlagNoninteger();
  fCaseSensitive = rule.GetCaseSensitive();

  if (!var.IsString()) {
    if (rule.GetValueType() == VDTSpecTypes::kValueDate) {
      fFormatText = rule.GetFormat();
      ExprFormat format;
      std::string why;
      if (!ParseExprFormat(fFormatText, &format, &why) || !format.IsNumeric()) {
        *error = "Invalid Format " + fFormatText + " for " + fDescription + ": " +
                 (why.empty() ? "not a date or number format" : why) + ".";
        return false;
      }
      fDateFormat = format;
    }
    double value = 0;
    if (!rule.GetMinimum().empty()) {
      if (!ReadNumber(rule.GetMinimum(), "Minimum", &value, error)) return false;
      fNumMin = value;
    }
    if (!rule.GetMaximum().empty()) {
      if (!ReadNumber(rule.GetMaximum(), "Maximum", &value, error)) return false;
      fNumMax = value;
    }
    if (fIsList) {
      for (const std::string& item : rule.GetListValues()) {
        if (!ReadNumber(item, "List item", &value, error)) return false;
        fNumList.push_back(value);
      }
      std::sort(fNumList.begin(), fNumList.end());
    }
    if (fFlagUnlabeled) {
      for (const auto& [v, text] : var.GetValueLabels().NumericPairs()) fLabeledNums.push_back(v);
      std::sort(fLabeledNums.begin(), fLabeledNums.end());
    }
    return true;
  }

  if (!rule.GetMinimum().empty()) fStrMin = rule.GetMinimum();
  if (!rule.GetMaximum().empty()) fStrMax = rule.GetMaximum();
  if (fIsList) {
    for (const std::string& item : rule.GetListValues()) {
      if (fCaseSensitive) {
        fStrList.emplace_back(RTrimBlanks(item));
      } else {
        fStrList.push_back(FoldCase(RTrimBlanks(item)));
      }
    }
    std::sort(fStrList.begin(), fStrList.end());
  }
  if (fFlagUnlabeled) {
    for (const auto& [v, text] : var.GetValueLabels().StringPairs())
      fLabeledStrs.emplace_back(RTrimBlanks(v));
    std::sort(fLabeledStrs.begin(), fLabeledStrs.end());
  }
  if (!rule.GetPattern().empty()) {
    try {
      fPattern.emplace(rule.GetPattern(), std::regex::ECMAScript);
    } catch (const std::regex_error& e) {
      *error =
          "Invalid Pattern " + rule.GetPattern() + " for " + fDescription + ": " + e.what() + ".";
      return false;
    }
  }
  return true;
}

size_t StandardRuleCheck::Evaluate(std::vector<double>* out) const {
  assert(fpVar && out && "host/commands/RuleOutcomes: a prepared check");
  assert(std::is_sorted(fNumList.begin(), fNumList.end()) &&
         std::is_sorted(fLabeledNums.begin(), fLabeledNums.end()) &&
         std::is_sorted(fStrList.begin(), fStrList.end()) &&
         std::is_sorted(fLabeledStrs.begin(), fLabeledStrs.end()) &&
         "host/commands/RuleOutcomes: lookup lists are sorted");
  out->resize(fpVar->Size());
  return fpVar->IsString() ? EvaluateString(out->data()) : EvaluateNumeric(out->data());
}

bool StandardRuleCheck::BreaksNumber(double v) const {
  if (fIsList) return !std::binary_search(fNumList.begin(), fNumList.end(), v);
  if (v < fNumMin || v > fNumMax) return true;
  if (fFlagUnlabeled && !std::binary_search(fLabeledNums.begin(), fLabeledNums.end(), v))
    return true;
  return fFlagNoninteger && v != std::floor(v);
}

size_t StandardRuleCheck::EvaluateNumeric(double* out) const {
  const std::vector<double>& values = fpVar->Numbers();
  const ZiraMissingValues& missing = fpVar->GetMissingValues();
  const bool anyUserMissing = !missing.Empty();
  const double* discrete = missing.values.data();
  const size_t nDiscrete = missing.values.size();
  const double low = missing.hasRange ? missing.low : HUGE_VAL;
  const double high = missing.hasRange ? missing.high : -HUGE_VAL;
  auto isUserMissing = [&](double v) {
    if (v >= low && v <= high) return true;
    for (size_t i = 0; i < nDiscrete; ++i)
      if (v == discrete[i]) return true;
    return false;
  };
  size_t count = 0;
  for (size_t r = 0; r < values.size(); ++r) {
    const double v = values[r];
    bool breaks;
    if (v == MCMV::gMissingValue || std::isnan(v)) {
      breaks = fFlagSys;
    } else if (anyUserMissing && isUserMissing(v)) {
      breaks = fFlagUser;
    } else {
      breaks = BreaksNumber(v);
    }
    out[r] = breaks ? 1.0 : 0.0;
    count += breaks;
  }
  return count;
}

bool StandardRuleCheck::BreaksString(std::string_view v) const {
  if (fIsList) {
    char buffer[64];
    const std::string_view key = fCaseSensitive ? v : Fold(v, buffer, &fFoldSpill);
    if (!std::binary_search(fStrList.begin(), fStrList.end(), key, StrLess{})) return true;
  } else {
    if ((fStrMin && v < std::string_view(*fStrMin)) || (fStrMax && v > std::string_view(*fStrMax)))
      return true;
    if (fFlagUnlabeled &&
        !std::binary_search(fLabeledStrs.begin(), fLabeledStrs.end(), v, StrLess{}))
      return true;
  }
  return fPattern && !std::regex_match(v.begin(), v.end(), *fPattern);
}

size_t StandardRuleCheck::EvaluateString(double* out) const {
  const size_t cases = fpVar->Size();
  const size_t cell = static_cast<size_t>(fpVar->GetCellWidth());
  const size_t width = static_cast<size_t>(fpVar->GetType());
  const char* base = fpVar->StringBuffer().data();
  const bool anyUserMissing = !fpVar->GetMissingValues().Empty();
  size_t count = 0;
  for (size_t r = 0; r < cases; ++r) {
    const std::string_view v = RTrimBlanks(std::string_view(base + r * cell, width));
    const bool blank = v.empty();
    const bool userMissing = anyUserMissing && fpVar->IsUserMissing(v);
    bool breaks;
    if (blank || userMissing) {
      breaks = (blank && fFlagBlank) || (userMissing && fFlagUser);
    } else {
      breaks = BreaksString(v);
    }
    out[r] = breaks ? 1.0 : 0.0;
    count += breaks;
  }
  return count;
}

// One rule's computed outcome, waiting to be put into the dataset.
struct PendingOutcome {
  int dictColumn = -1;  // the outcome variable's column in the dictionary copy
  std::string varLabel;
  std::vector<double> values;
};

// An outcome variable must not hold rule references of its own: it would be both checked and
// overwritten by the same computation.
bool CheckOutcomesNotAnalysed(const ZIRA_DataSource& dict, const std::vector<VDTRuleSpecs>& rules,
                              const std::vector<bool>& isAnalysVar, std::string* error) {
  for (const VDTRuleSpecs& rule : rules) {
    const int o = rule.GetOutcomeVarInd();
    if (o < 0 || !isAnalysVar[static_cast<size_t>(o)]) continue;
    const ZIRA_Variable* var = dict.GetVariable(o);
    const std::vector<std::string>& refs = var->GetAttributes().Values(kSRuleRefAttrib);
    size_t k = 1;
    while (k <= refs.size() && refs[k - 1].empty()) ++k;
    *error = "Outcome variable " + var->GetName() + " of " + DescribeRule(rule) +
             " is itself an analysis variable with rule reference " +
             VDTRuleText::MakeElementName(VDTRuleText::kSRuleRefNameFormat, static_cast<int>(k)) +
             "; an outcome variable cannot be checked by rules.";
    return false;
  }
  return true;
}

// Puts the computed columns into the dataset: first the new variables (the only step that
// may fail, for want of memory, and is then undone), then, without any further allocation,
// the values of all and the dictionary entries of the replaced ones.
bool CommitOutcomes(ZIRA_DataSource& data, const ZIRA_DataSource& dict,
                    std::vector<PendingOutcome>* pending, std::string* error) {
  const int oldCount = data.ColumnCount();
  std::vector<int> realColumn(static_cast<size_t>(dict.ColumnCount()), -1);
  for (int c = 0; c < oldCount; ++c) realColumn[static_cast<size_t>(c)] = c;
  try {
    std::vector<int> newColumns;
    for (const PendingOutcome& p : *pending)
      if (p.dictColumn >= oldCount) newColumns.push_back(p.dictColumn);
    std::sort(newColumns.begin(), newColumns.end());
    for (int dc : newColumns) {
      int column = -1;
      ZIRA_Variable* var = data.AddVariable(dict.GetVariable(dc)->GetName(), 0, &column);
      assert(var && "host/commands/RuleOutcomes: a new outcome variable's name is free");
      var->GetAttributes().Set(kRuleOutcomeVarAttrib, {"Yes"});
      realColumn[static_cast<size_t>(dc)] = column;
    }
  } catch (const std::bad_alloc&) {
    data.RemoveVariablesFrom(oldCount);
    *error = "Not enough memory to create the rule outcome variables.";
    return false;
  }
  for (PendingOutcome& p : *pending) {
    const int column = realColumn[static_cast<size_t>(p.dictColumn)];
    ZIRA_Variable* var = data.GetVariable(column);
    assert(var && !var->IsString() && "host/commands/RuleOutcomes: numeric outcome variable");
    assert(p.values.size() == var->Numbers().size() &&
           "host/commands/RuleOutcomes: one outcome per case");
    var->Numbers().swap(p.values);
    var->SetFormat(kOutcomeFormat);
    var->SetWriteFormat(kOutcomeFormat);
    var->SetMeasurementLevel(kLevelNominal);
    var->SetLabel(std::move(p.varLabel));
  }
  return true;
}

}  // namespace

bool ComputeRuleOutcomes(ZIRA_DataSource& data, RuleOutcomeSummary* summary, std::string* error) {
  assert(summary && error && "host/commands/RuleOutcomes: out-parameters given");
  summary->rules.clear();

  // 1. Which rules there are: every variable's references, every non-empty custom rule.
  std::vector<int> analysVars;
  std::vector<bool> isAnalysVar(static_cast<size_t>(data.ColumnCount()), false);
  for (int column = 0; column < data.ColumnCount(); ++column) {
    if (!HasReferences(*data.GetVariable(column))) continue;
    analysVars.push_back(column);
    isAnalysVar[static_cast<size_t>(column)] = true;
  }
  std::vector<int> custRules;
  const std::vector<std::string>& custTexts = data.GetAttributes().Values(kCRuleAttrib);
  for (size_t i = 1; i <= custTexts.size(); ++i)
    if (!custTexts[i - 1].empty()) custRules.push_back(static_cast<int>(i));

  // 2. Parse them as VALIDATEDATA does, against a dictionary copy that already holds the
  //    outcome variables still to be created.
  ZIRA_DataSource dict = CopyDictionary(data);
  if (!PlaceOutcomeVars(dict, analysVars, custRules, error)) return false;
  isAnalysVar.resize(static_cast<size_t>(dict.ColumnCount()), false);
  VDTRuleSpecs loader(dict, true, -1);
  std::vector<VDTRuleSpecs> refRules, standRules, custRuleSpecs;
  if (!loader.LoadAllRules(&refRules, &standRules, &custRuleSpecs, analysVars, custRules)) {
    *error = loader.GetErrorString();
    return false;
  }
  if (!CheckOutcomesNotAnalysed(dict, refRules, isAnalysVar, error) ||
      !CheckOutcomesNotAnalysed(dict, custRuleSpecs, isAnalysVar, error))
    return false;

  // 3. Prepare every rule before computing any: a faulty rule fails fast.
  std::vector<StandardRuleCheck> checks(refRules.size());
  for (size_t i = 0; i < refRules.size(); ++i) {
    const ZIRA_Variable* var = data.GetVariable(refRules[i].GetAnalysVarInd());
    if (!checks[i].Prepare(refRules[i], *var, error)) return false;
  }
  std::vector<std::unique_ptr<Expression>> expressions;
  for (const VDTRuleSpecs& rule : custRuleSpecs) {
    ExprError exprError;
    std::unique_ptr<Expression> e =
        Expression::Compile(rule.GetCustExpression(), data, &exprError, ExprWant::kNumber);
    if (!e) {
      *error = "Expression of " + DescribeRule(rule) + " cannot be computed. " +
               exprError.Format(rule.GetCustExpression());
      return false;
    }
    expressions.push_back(std::move(e));
  }

  // 4. Compute every outcome into its own buffer.
  RuleOutcomeSummary result;
  std::vector<PendingOutcome> pending;
  const int oldCount = data.ColumnCount();
  auto addResult = [&](const VDTRuleSpecs& rule, size_t violations, std::string varLabel,
                       std::vector<double>&& values) {
    RuleOutcome outcome;
    outcome.ruleName = rule.GetRuleName();
    outcome.label = rule.GetLabel();
    outcome.outcomeVariable = rule.GetOutcomeVarName();
    outcome.created = rule.GetOutcomeVarInd() >= oldCount;
    outcome.violations = violations;
    if (rule.GetAttribType() == VDTSpecTypes::kStandAttribVar) {
      outcome.referenceName = rule.GetRuleRefName();
      outcome.analysisVariable = rule.GetAnalysVarName();
    }
    result.rules.push_back(std::move(outcome));
    pending.push_back({rule.GetOutcomeVarInd(), std::move(varLabel), std::move(values)});
  };
  // The rules are independent and each check or expression is used by one thread only, so
  // they are computed side by side on the machine's cores.
  const size_t nStand = refRules.size();
  std::vector<std::vector<double>> values(nStand + custRuleSpecs.size());
  std::vector<size_t> violations(values.size());
  ParallelFor(values.size(), WorkerThreads(), [&](size_t i) {
    if (i < nStand) {
      violations[i] = checks[i].Evaluate(&values[i]);
    } else {
      expressions[i - nStand]->EvaluateConditionColumn(&values[i]);
      violations[i] = static_cast<size_t>(std::count(values[i].begin(), values[i].end(), 1.0));
    }
  });
  for (size_t i = 0; i < nStand; ++i) {
    addResult(refRules[i], violations[i],
              "Outcome of rule " + refRules[i].GetLabel() + ", variable " +
                  refRules[i].GetAnalysVarName(),
              std::move(values[i]));
  }
  for (size_t i = 0; i < custRuleSpecs.size(); ++i) {
    addResult(custRuleSpecs[i], violations[nStand + i],
              "Outcome of rule " + custRuleSpecs[i].GetLabel(), std::move(values[nStand + i]));
  }

  // 5. Only now change the dataset.
  if (!CommitOutcomes(data, dict, &pending, error)) return false;
  *summary = std::move(result);
  return true;
}
