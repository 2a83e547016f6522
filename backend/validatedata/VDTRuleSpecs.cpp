#include "backend/validatedata/VDTRuleSpecs.h"

#include <array>
#include <cassert>
#include <optional>
#include <ostream>
#include <unordered_map>

#include "backend/validatedata/VDTRuleText.h"
#include "host/common/StringHelpers.h"

namespace {

using Property = VDTRuleSpecs::Property;

// A property of the vocabularies: its name as the documentation spells it, and the kinds of
// text that hold it.
struct PropertyInfo {
  Property prop;
  const char* name;
  bool standard;
  bool reference;
  bool custom;
};

constexpr std::array<PropertyInfo, 19> kProperties = {{
    {Property::kLabel, "Label", true, false, true},
    {Property::kDescription, "Description", true, false, false},
    {Property::kType, "Type", true, false, false},
    {Property::kFormat, "Format", true, false, false},
    {Property::kDomain, "Domain", true, false, false},
    {Property::kFlagUserMissing, "FlagUserMissing", true, false, false},
    {Property::kFlagSystemMissing, "FlagSystemMissing", true, false, false},
    {Property::kFlagBlank, "FlagBlank", true, false, false},
    {Property::kMinimum, "Minimum", true, false, false},
    {Property::kMaximum, "Maximum", true, false, false},
    {Property::kFlagUnlabeled, "FlagUnlabeled", true, false, false},
    {Property::kFlagNoninteger, "FlagNoninteger", true, false, false},
    {Property::kList, "List", true, false, false},
    {Property::kCaseSensitive, "CaseSensitive", true, false, false},
    {Property::kPattern, "Pattern", true, false, false},
    {Property::kPatternLabel, "PatternLabel", true, false, false},
    {Property::kRule, "Rule", false, true, false},
    {Property::kOutcomeVar, "OutcomeVar", false, true, true},
    {Property::kExpression, "Expression", false, false, true},
}};

// Case-folded property name -> position in kProperties. Names are matched the way
// AreStringsEqualCase matches them: by their case-folded forms.
const std::unordered_map<std::string, size_t>& PropertyIndex() {
  static const std::unordered_map<std::string, size_t> index = [] {
    std::unordered_map<std::string, size_t> m;
    for (size_t i = 0; i < kProperties.size(); ++i) m.emplace(FoldCase(kProperties[i].name), i);
    return m;
  }();
  return index;
}

// The vocabulary entry of a name as written, or null when the name is unknown.
const PropertyInfo* FindProperty(const std::string& name) {
  const auto& index = PropertyIndex();
  const auto it = index.find(FoldCase(name));
  return it == index.end() ? nullptr : &kProperties[it->second];
}

std::optional<bool> ParseYesNo(const std::string& value) {
  if (AreStringsEqualCase(value, "Yes")) return true;
  if (AreStringsEqualCase(value, "No")) return false;
  return std::nullopt;
}

constexpr const char* kSRuleAttrib = "$VD.SRule";
constexpr const char* kOutcomeMarkAttrib = "$VD.RuleOutcomeVar";

}  // namespace

VDTRuleSpecs::VDTRuleSpecs(const ZIRA_DataSource& dataSource, bool isStandard, int analysVarInd)
    : fpDataSource(&dataSource), fAnalysVarInd(analysVarInd) {
  if (!isStandard) {
    assert(fAnalysVarInd < 0 && "backend/validatedata/VDTRuleSpecs: fAnalysVarInd < 0");
    fAttribType = VDTSpecTypes::kCustAttrib;
    fAnalysVarInd = -1;
  } else if (analysVarInd >= 0) {
    fAttribType = VDTSpecTypes::kStandAttribVar;
    const ZIRA_Variable* var = dataSource.GetVariable(analysVarInd);
    assert(var && "backend/validatedata/VDTRuleSpecs: analysis variable is a valid column");
    fAnalysVarType = var->GetType();
    fAnalysVarName = var->GetName();
  } else {
    fAttribType = VDTSpecTypes::kStandAttribData;
    fAnalysVarInd = -1;
  }
  fMessage.SetCommandName("VALIDATEDATA");
  fMessage.SetProcedureTitle("ValidateData");
}

void VDTRuleSpecs::SetAttribNames(int index, bool isReference) {
  assert(index > 0 && "backend/validatedata/VDTRuleSpecs: ruleInd > 0");
  if (fAttribType == VDTSpecTypes::kStandAttribVar && isReference) {
    fRuleRefInd = index;
    fRuleRefName = VDTRuleText::MakeElementName(VDTRuleText::kSRuleRefNameFormat, index);
  } else if (fAttribType == VDTSpecTypes::kCustAttrib) {
    fRuleInd = index;
    fRuleName = VDTRuleText::MakeElementName(VDTRuleText::kCRuleNameFormat, index);
  } else {
    fRuleInd = index;
    fRuleName = VDTRuleText::MakeElementName(VDTRuleText::kSRuleNameFormat, index);
  }
}

bool VDTRuleSpecs::LoadRule(const std::string& text, int index) {
  const bool isReference = fAttribType == VDTSpecTypes::kStandAttribVar;
  SetAttribNames(index, isReference);
  if (isReference) {
    if (!ParseRuleText(text, true)) return false;  // links fRuleContent
  } else {
    fRuleContent = text;
  }
  return ParseRuleText(fRuleContent, false);
}

VDTRuleSpecs::TextKind VDTRuleSpecs::KindOf(bool isReferencePass) const {
  if (fAttribType == VDTSpecTypes::kStandAttribVar && isReferencePass) return TextKind::kReference;
  if (fAttribType == VDTSpecTypes::kCustAttrib) return TextKind::kCustom;
  return TextKind::kStandard;
}

bool VDTRuleSpecs::ParseRuleText(std::string_view text, bool isReferencePass) {
  fSpecifiedProps.clear();
  fQuoteChar = '\0';
  fErrorString.clear();
  const TextKind kind = KindOf(isReferencePass);

  fQuoteChar = VDTRuleText::ChooseQuoteChar(text);
  std::vector<std::string_view> specs;
  if (!VDTRuleText::SplitPropertySpecs(text, fQuoteChar, &specs)) return FailUnbalancedQuotes(kind);

  std::string name, rawValue, value;
  for (std::string_view spec : specs) {
    switch (VDTRuleText::SplitProperty(spec, fQuoteChar, &name, &rawValue)) {
      case VDTRuleText::SplitStatus::kQuoteInName:
        return FailUnbalancedQuotes(kind);
      case VDTRuleText::SplitStatus::kEmptyName:
        return FailEmptyName(kind);
      case VDTRuleText::SplitStatus::kOk:
        break;
    }
    const PropertyInfo* info = FindProperty(name);
    const bool inVocabulary = info && (kind == TextKind::kStandard    ? info->standard
                                       : kind == TextKind::kReference ? info->reference
                                                                      : info->custom);
    // A List keeps its quotes: its items are unquoted one by one.
    if (inVocabulary && info->prop == Property::kList) {
      value = rawValue;
    } else if (!VDTRuleText::UnquoteValue(rawValue, fQuoteChar, &value)) {
      return FailUnbalancedQuotes(kind);
    }
    if (!inVocabulary) continue;  // names outside the vocabulary are accepted and ignored
    if (!ApplyProperty(kind, info->prop, name, value)) return false;
    fSpecifiedProps.insert(GetUpperString(info->name));
  }
  if (!CheckRequiredProperties(kind)) return false;
  if (kind == TextKind::kStandard && !CheckStandardRule()) return false;
  AssertInvariants();
  return true;
}

bool VDTRuleSpecs::ApplyProperty(TextKind kind, Property prop, const std::string& name,
                                 const std::string& value) {
  if (kind == TextKind::kStandard) return ApplyStandardProperty(prop, name, value);
  switch (prop) {
    case Property::kLabel:
      if (value.empty()) return FailNoValue(kind, "Label");
      fLabel = value;
      return true;
    case Property::kExpression:
      if (value.empty()) return FailNoValue(kind, name);
      fCustExpression = value;
      return true;
    case Property::kRule:
      if (value.empty()) return FailNoValue(kind, name);
      return LinkStandardRule(value);
    case Property::kOutcomeVar:
      if (value.empty()) return FailNoValue(kind, "OutcomeVar");
      if (!SetOutcomeVar(value)) return FailInvalidOutcomeVar(kind, value);
      return true;
    default:
      assert(false && "backend/validatedata/VDTRuleSpecs: property in the vocabulary of its kind");
      return true;
  }
}

bool VDTRuleSpecs::ApplyStandardProperty(Property prop, const std::string& name,
                                         const std::string& value) {
  const TextKind kind = TextKind::kStandard;
  // Stores a Yes/No keyword or fails with the invalid-value message.
  auto setFlag = [&](bool* flag) {
    const std::optional<bool> yes = ParseYesNo(value);
    if (!yes) return FailInvalidValue(value, name);
    *flag = *yes;
    return true;
  };
  // Stores a text that must not be empty.
  auto setText = [&](std::string* field, const std::string& messageName) {
    if (value.empty()) return FailNoValue(kind, messageName);
    *field = value;
    return true;
  };
  switch (prop) {
    case Property::kLabel:
      return setText(&fLabel, "Label");
    case Property::kDescription:
      fDescription = value;
      return true;
    case Property::kType: {
      if (AreStringsEqualCase(value, "Numeric")) {
        fValueType = VDTSpecTypes::kValueNumeric;
      } else if (AreStringsEqualCase(value, "String")) {
        fValueType = VDTSpecTypes::kValueString;
      } else if (AreStringsEqualCase(value, "Date")) {
        fValueType = VDTSpecTypes::kValueDate;
      } else {
        return FailInvalidValue(value, name);
      }
      if (fAttribType != VDTSpecTypes::kStandAttribVar) return true;
      // A rule reached through a reference must suit its variable's print format.
      assert(fAnalysVarInd >= 0 && "backend/validatedata/VDTRuleSpecs: fAnalysVarInd >= 0");
      const ZIRA_Variable* var = fpDataSource->GetVariable(fAnalysVarInd);
      assert(var && "backend/validatedata/VDTRuleSpecs: analysis variable exists");
      if (VDTRuleText::ClassifyFormatType(var->GetFormat().type) != fValueType) {
        return Fail("Invalid type ^1 for analysis variable ^2, standard rule ^3 ...",
                    {value, fAnalysVarName, fRuleName});
      }
      return true;
    }
    case Property::kFormat:
      return setText(&fFormat, name);
    case Property::kDomain:
      if (AreStringsEqualCase(value, "Range")) {
        fDomainType = VDTSpecTypes::kDomainRange;
      } else if (AreStringsEqualCase(value, "List")) {
        fDomainType = VDTSpecTypes::kDomainList;
      } else {
        return FailInvalidValue(value, name);
      }
      return true;
    case Property::kFlagUserMissing:
      return setFlag(&fFlagUserMissing);
    case Property::kFlagSystemMissing:
      return setFlag(&fFlagSystemMissing);
    case Property::kFlagBlank:
      return setFlag(&fFlagBlank);
    case Property::kMinimum:
      fMinimum = value;
      return true;
    case Property::kMaximum:
      fMaximum = value;
      return true;
    case Property::kFlagUnlabeled:
      return setFlag(&fFlagUnlabeled);
    case Property::kFlagNoninteger:
      return setFlag(&fFlagNoninteger);
    case Property::kList: {
      std::vector<std::string> items;
      if (!VDTRuleText::SplitListItems(value, fQuoteChar, &items))
        return FailUnbalancedQuotes(kind);
      if (items.empty()) return FailNoValue(kind, name);
      fListValues = std::move(items);
      return true;
    }
    case Property::kCaseSensitive:
      return setFlag(&fCaseSensitive);
    case Property::kPattern:
      return setText(&fPattern, name);
    case Property::kPatternLabel:
      return setText(&fPatternLabel, name);
    default:
      assert(false && "backend/validatedata/VDTRuleSpecs: property in the standard vocabulary");
      return true;
  }
}

bool VDTRuleSpecs::CheckRequiredProperties(TextKind kind) {
  static const std::vector<const char*> kStandard = {
      "Label", "Type", "Domain", "FlagUserMissing", "FlagSystemMissing", "FlagBlank"};
  static const std::vector<const char*> kReference = {"Rule", "OutcomeVar"};
  static const std::vector<const char*> kCustom = {"Label", "Expression", "OutcomeVar"};
  const auto& required = kind == TextKind::kStandard    ? kStandard
                         : kind == TextKind::kReference ? kReference
                                                        : kCustom;
  for (const char* name : required) {
    if (fSpecifiedProps.count(GetUpperString(name)) == 0) return FailNoValue(kind, name);
  }
  return true;
}

bool VDTRuleSpecs::CheckStandardRule() {
  if (fValueType == VDTSpecTypes::kValueDate && !HasProp("FORMAT")) {
    return FailNoValue(TextKind::kStandard, "Format");
  }
  if (fDomainType == VDTSpecTypes::kDomainRange) {
    const bool checksSomething = fFlagUserMissing || fFlagSystemMissing || fFlagBlank ||
                                 !fMinimum.empty() || !fMaximum.empty() || fFlagUnlabeled ||
                                 fFlagNoninteger;
    if (!checksSomething) return FailInvalidValue("Range", "Domain");
  } else if (fDomainType == VDTSpecTypes::kDomainList) {
    if (!HasProp("LIST")) return FailNoValue(TextKind::kStandard, "List");
    if (!HasProp("CASESENSITIVE")) return FailNoValue(TextKind::kStandard, "CaseSensitive");
  }
  return true;
}

bool VDTRuleSpecs::LinkStandardRule(const std::string& value) {
  const std::vector<std::string>& texts = fpDataSource->GetAttributes().Values(kSRuleAttrib);
  const int n = VDTRuleText::ParseAttribIndex(value, kSRuleAttrib);
  if (n < 1 || static_cast<size_t>(n) > texts.size() || texts[static_cast<size_t>(n) - 1].empty()) {
    return Fail("Invalid link ^1, rule reference ^2, variable ^3 ...",
                {value, fRuleRefName, fAnalysVarName});
  }
  SetAttribNames(n, false);
  fRuleContent = texts[static_cast<size_t>(n) - 1];
  return true;
}

bool VDTRuleSpecs::SetOutcomeVar(const std::string& name) {
  const int index = fpDataSource->FindVarIndex(name);
  if (index < 0 || index == fAnalysVarInd) return false;
  const ZIRA_Variable* var = fpDataSource->GetVariable(index);
  if (!var || var->GetType() != 0) return false;
  const std::vector<std::string>& mark = var->GetAttributes().Values(kOutcomeMarkAttrib);
  if (mark.empty() || !AreStringsEqualCase(mark.front(), "Yes")) return false;
  fOutcomeVarInd = index;
  fOutcomeVarName = var->GetName();
  return true;
}

bool VDTRuleSpecs::WasFlagUnlabeledGiven() const { return HasProp("FLAGUNLABELED"); }

bool VDTRuleSpecs::WasFlagNonintegerGiven() const { return HasProp("FLAGNONINTEGER"); }

bool VDTRuleSpecs::Fail(const std::string& templ, const std::vector<std::string>& args) {
  fErrorString = fMessage.GetTranslatedText(templ, args);
  return false;
}

bool VDTRuleSpecs::FailUnbalancedQuotes(TextKind kind) {
  switch (kind) {
    case TextKind::kStandard:
      return Fail("Unbalanced quotes for standard rule ^1 ...", {fRuleName});
    case TextKind::kReference:
      return Fail("Unbalanced quotes for rule reference ^1, variable ^2 ...",
                  {fRuleRefName, fAnalysVarName});
    case TextKind::kCustom:
      break;
  }
  return Fail("Unbalanced quotes for custom rule ^1 ...", {fRuleName});
}

bool VDTRuleSpecs::FailEmptyName(TextKind kind) {
  switch (kind) {
    case TextKind::kStandard:
      return Fail("Empty name for property, standard rule ^1 ...", {fRuleName});
    case TextKind::kReference:
      return Fail("Empty name for property, rule reference ^1, variable ^2 ...",
                  {fRuleRefName, fAnalysVarName});
    case TextKind::kCustom:
      break;
  }
  return Fail("Empty name for property, custom rule ^1 ...", {fRuleName});
}

bool VDTRuleSpecs::FailNoValue(TextKind kind, const std::string& propName) {
  switch (kind) {
    case TextKind::kStandard:
      return Fail("No value for property ^1, standard rule ^2 ...", {propName, fRuleName});
    case TextKind::kReference:
      return Fail("No value for property ^1, rule reference ^2, variable ^3 ...",
                  {propName, fRuleRefName, fAnalysVarName});
    case TextKind::kCustom:
      break;
  }
  return Fail("No value for property ^1, custom rule ^2 ...", {propName, fRuleName});
}

bool VDTRuleSpecs::FailInvalidValue(const std::string& value, const std::string& propName) {
  return Fail("Invalid value ^1 for property ^2, standard rule ^3 ...",
              {value, propName, fRuleName});
}

bool VDTRuleSpecs::FailInvalidOutcomeVar(TextKind kind, const std::string& value) {
  if (kind == TextKind::kReference) {
    return Fail("Invalid outcome variable ^1, rule reference ^2, variable ^3 ...",
                {value, fRuleRefName, fAnalysVarName});
  }
  return Fail("Invalid outcome variable ^1, custom rule ^2 ...", {value, fRuleName});
}

void VDTRuleSpecs::AssertInvariants() const {
  assert((fAttribType != VDTSpecTypes::kCustAttrib || fAnalysVarInd < 0) &&
         "backend/validatedata/VDTRuleSpecs: custom rule has no analysis variable");
  assert((fAttribType != VDTSpecTypes::kStandAttribVar ||
          fpDataSource->GetVariable(fAnalysVarInd) != nullptr) &&
         "backend/validatedata/VDTRuleSpecs: reference record has an analysis variable");
  assert((fAttribType != VDTSpecTypes::kStandAttribData || fAnalysVarInd < 0) &&
         "backend/validatedata/VDTRuleSpecs: data-file rule has no analysis variable");
  assert((fOutcomeVarInd == -1 ||
          (fOutcomeVarInd != fAnalysVarInd && fOutcomeVarInd < fpDataSource->ColumnCount())) &&
         "backend/validatedata/VDTRuleSpecs: fOutcomeVarInd is -1 or another column");
  assert(fRuleInd >= 0 && fRuleRefInd >= 0 &&
         "backend/validatedata/VDTRuleSpecs: fRuleInd >= 0 && fRuleRefInd >= 0");
  assert((fRuleName.empty() ||
          fRuleName.find('[' + std::to_string(fRuleInd) + ']') != std::string::npos) &&
         "backend/validatedata/VDTRuleSpecs: fRuleName names fRuleInd");
}

void VDTRuleSpecs::Display(std::ostream& out) const {
  static const char* const kAttribTypes[] = {"not specified", "standard rule of a variable",
                                             "standard rule of the data file", "custom rule"};
  static const char* const kValueTypes[] = {"not specified", "Numeric", "String", "Date"};
  static const char* const kDomainTypes[] = {"not specified", "Range", "List"};
  auto yesNo = [](bool b) { return b ? "Yes" : "No"; };
  out << "VDTRuleSpecs display start\n";
  out << "  fAttribType: " << kAttribTypes[fAttribType] << '\n';
  out << "  fSpecifiedProps:";
  for (const std::string& p : fSpecifiedProps) out << ' ' << p;
  out << '\n';
  out << "  fRuleInd: " << fRuleInd << '\n';
  out << "  fRuleName: " << fRuleName << '\n';
  out << "  fRuleContent: " << fRuleContent << '\n';
  out << "  fOutcomeVarInd: " << fOutcomeVarInd << '\n';
  out << "  fOutcomeVarName: " << fOutcomeVarName << '\n';
  out << "  fQuoteChar: " << (fQuoteChar ? std::string(1, fQuoteChar) : std::string("none"))
      << '\n';
  out << "  fMessage: " << fMessage.GetCommandName() << " / " << fMessage.GetProcedureTitle()
      << '\n';
  out << "  fErrorString: " << fErrorString << '\n';
  out << "  fCustExpression: " << fCustExpression << '\n';
  out << "  fRuleRefInd: " << fRuleRefInd << '\n';
  out << "  fRuleRefName: " << fRuleRefName << '\n';
  out << "  fAnalysVarInd: " << fAnalysVarInd << '\n';
  out << "  fAnalysVarType: " << fAnalysVarType << '\n';
  out << "  fAnalysVarName: " << fAnalysVarName << '\n';
  out << "  fLabel: " << fLabel << '\n';
  out << "  fDescription: " << fDescription << '\n';
  out << "  fFormat: " << fFormat << '\n';
  out << "  fValueType: " << kValueTypes[fValueType] << '\n';
  out << "  fDomainType: " << kDomainTypes[fDomainType] << '\n';
  out << "  fFlagUserMissing: " << yesNo(fFlagUserMissing) << '\n';
  out << "  fFlagSystemMissing: " << yesNo(fFlagSystemMissing) << '\n';
  out << "  fFlagBlank: " << yesNo(fFlagBlank) << '\n';
  out << "  fMinimum: " << fMinimum << '\n';
  out << "  fMaximum: " << fMaximum << '\n';
  out << "  fFlagUnlabeled: " << yesNo(fFlagUnlabeled) << '\n';
  out << "  fFlagNoninteger: " << yesNo(fFlagNoninteger) << '\n';
  out << "  fListValues (" << fListValues.size() << "):";
  for (const std::string& v : fListValues) out << " [" << v << ']';
  out << '\n';
  out << "  fCaseSensitive: " << yesNo(fCaseSensitive) << '\n';
  out << "  fPattern: " << fPattern << '\n';
  out << "  fPatternLabel: " << fPatternLabel << '\n';
  out << "VDTRuleSpecs display end\n";
}
