// Loading of every rule of the active dataset into rule records, with the cross-checks
// between rules: labels unique across all rules, outcome variables unique per pairing.
#include <cassert>
#include <string>
#include <unordered_map>
#include <vector>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "backend/validatedata/VDTRuleText.h"
#include "host/common/StringHelpers.h"

namespace {

constexpr const char* kSRuleAttrib = "$VD.SRule";
constexpr const char* kCRuleAttrib = "$VD.CRule";
constexpr const char* kSRuleRefAttrib = "$VD.SRuleRef";
constexpr const char* kOutcomeMarkAttrib = "$VD.RuleOutcomeVar";

// The tables of one loading. Labels are unique without regard to case across standard and
// custom rules; an outcome variable serves one reference or one custom rule.
// Invariants:
//  1. analysOwner and custOwner have one entry per column of the dataset;
//  2. an entry of analysOwner is -1 or an analysis variable column, of custOwner -1 or a
//     custom rule number >= 1;
//  3. no column has both an analysis owner and a custom owner.
struct LoadTables {
  explicit LoadTables(int nColumns)
      : analysOwner(static_cast<size_t>(nColumns), -1),
        custOwner(static_cast<size_t>(nColumns), -1) {}
  std::unordered_map<std::string, std::string> labels;  // upper-cased label -> element name
  std::vector<int> analysOwner;                         // outcome column -> analysis column
  std::vector<int> custOwner;                           // outcome column -> custom rule number
};

}  // namespace

bool VDTRuleSpecs::LoadAllRules(std::vector<VDTRuleSpecs>* refRules,
                                std::vector<VDTRuleSpecs>* standRules,
                                std::vector<VDTRuleSpecs>* custRules,
                                const std::vector<int>& analysVars,
                                const std::vector<int>& custRuleNumbers) {
  assert(refRules && standRules && custRules &&
         "backend/validatedata/VDTRuleLoading: output lists given");
  refRules->clear();
  standRules->clear();
  custRules->clear();
  fErrorString.clear();

  const ZIRA_DataSource& data = *fpDataSource;
  const int nColumns = data.ColumnCount();
  LoadTables tables(nColumns);
  const std::vector<std::string>& standTexts = data.GetAttributes().Values(kSRuleAttrib);
  const std::vector<std::string>& custTexts = data.GetAttributes().Values(kCRuleAttrib);

  auto varName = [&](int column) -> const ZiraVarName& {
    const ZIRA_Variable* var = data.GetVariable(column);
    assert(var && "backend/validatedata/VDTRuleLoading: owner is a valid column");
    return var->GetName();
  };
  // Ends the loading with a message built here.
  auto fail = [&](const std::string& templ, const std::vector<std::string>& args) {
    fErrorString = fMessage.GetTranslatedText(templ, args);
    return false;
  };
  // Ends the loading with the message a record left.
  auto failWith = [&](const VDTRuleSpecs& record) {
    fErrorString = record.fErrorString;
    return false;
  };
  // A label may be shared only by the records of one rule element (a standard rule reached
  // through several references and read again on its own).
  auto checkLabel = [&](const VDTRuleSpecs& record) {
    auto [it, inserted] =
        tables.labels.try_emplace(GetUpperString(record.fLabel), record.fRuleName);
    if (inserted || AreStringsEqualCase(it->second, record.fRuleName)) return true;
    return fail("Label ^1 is used for rules ^2 and ^3 ...",
                {record.fLabel, it->second, record.fRuleName});
  };
  auto outcomeOf = [&](const VDTRuleSpecs& record) {
    const int o = record.fOutcomeVarInd;
    assert(o >= 0 && o < nColumns &&
           "backend/validatedata/VDTRuleLoading: loaded rule has an "
           "outcome variable");
    return static_cast<size_t>(o);
  };

  // 1. The references of the analysis variables.
  for (int column : analysVars) {
    const ZIRA_Variable* var = data.GetVariable(column);
    assert(var && "backend/validatedata/VDTRuleLoading: analysis variable is a valid column");
    const std::vector<std::string>& refTexts = var->GetAttributes().Values(kSRuleRefAttrib);
    for (size_t k = 1; k <= refTexts.size(); ++k) {
      const std::string& text = refTexts[k - 1];
      if (text.empty()) continue;  // an empty element does not exist; the others keep their numbers
      VDTRuleSpecs record(data, true, column);
      if (!record.LoadRule(text, static_cast<int>(k))) return failWith(record);
      if (!checkLabel(record)) return false;
      const size_t o = outcomeOf(record);
      const int owner = tables.analysOwner[o];
      if (owner >= 0 && owner != column) {
        return fail("Outcome variable ^1 is used for analysis variables ^2 and ^3 ...",
                    {record.fOutcomeVarName, varName(owner), record.fAnalysVarName});
      }
      if (owner == column) {
        return fail("Outcome variable ^1 is used twice for analysis variable ^2 ...",
                    {record.fOutcomeVarName, record.fAnalysVarName});
      }
      assert(tables.custOwner[o] < 0 && "backend/validatedata/VDTRuleLoading: one owner kind");
      tables.analysOwner[o] = column;
      refRules->push_back(std::move(record));
    }
  }

  // 2. Every standard rule of the data file, whether a reference links to it or not.
  for (size_t n = 1; n <= standTexts.size(); ++n) {
    const std::string& text = standTexts[n - 1];
    if (text.empty()) continue;
    VDTRuleSpecs record(data, true, -1);
    if (!record.LoadRule(text, static_cast<int>(n))) return failWith(record);
    if (!checkLabel(record)) return false;
    standRules->push_back(std::move(record));
  }

  // 3. The custom rules asked for, in the order asked.
  for (int i : custRuleNumbers) {
    VDTRuleSpecs record(data, false, -1);
    if (i < 1 || static_cast<size_t>(i) > custTexts.size() ||
        custTexts[static_cast<size_t>(i) - 1].empty()) {
      return fail("Custom rule ^1 does not exist ...",
                  {VDTRuleText::MakeElementName(VDTRuleText::kCRuleNameFormat, i)});
    }
    if (!record.LoadRule(custTexts[static_cast<size_t>(i) - 1], i)) return failWith(record);
    if (!checkLabel(record)) return false;
    const size_t o = outcomeOf(record);
    if (tables.analysOwner[o] >= 0) {
      return fail("Outcome variable ^1 is used for analysis variable ^2 and custom rule ^3 ...",
                  {record.fOutcomeVarName, varName(tables.analysOwner[o]), record.fRuleName});
    }
    if (tables.custOwner[o] >= 1) {
      return fail("Outcome variable ^1 is used for custom rules ^2 and ^3 ...",
                  {record.fOutcomeVarName,
                   VDTRuleText::MakeElementName(VDTRuleText::kCRuleNameFormat, tables.custOwner[o]),
                   record.fRuleName});
    }
    assert(i >= 1 && "backend/validatedata/VDTRuleLoading: custom owner is a rule number");
    tables.custOwner[o] = i;
    custRules->push_back(std::move(record));
  }
  return true;
}

int VDTRuleSpecs::FindOutcomeVars(std::vector<int>* indices,
                                  std::vector<ZiraVarName>* names) const {
  indices->clear();
  names->clear();
  const int nColumns = fpDataSource->ColumnCount();
  for (int column = 0; column < nColumns; ++column) {
    const ZIRA_Variable* var = fpDataSource->GetVariable(column);
    const std::vector<std::string>& mark = var->GetAttributes().Values(kOutcomeMarkAttrib);
    if (mark.empty() || !AreStringsEqualCase(mark.front(), "Yes")) continue;
    indices->push_back(column);
    names->push_back(var->GetName());
  }
  return static_cast<int>(indices->size());
}
