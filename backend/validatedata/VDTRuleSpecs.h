// One validation rule as the procedure uses it: a standard rule of the data file, a variable's
// reference to a standard rule, or a custom (cross-variable) rule; its text parsing, and the
// loading of all rules of the active dataset with their cross-checks.
#pragma once

#include <iosfwd>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "backend/validatedata/VDTSpecTypes.h"
#include "host/common/ZiraTypes.h"
#include "host/data/ZIRA_DataSource.h"
#include "host/syntax/ParserMessage.h"

// A rule record. Records are held by value in lists and copied; each borrows the dataset it
// was made for, which must outlive it.
//
// Invariants (checked by AssertInvariants after every parse and load):
//  1. a custom rule (kCustAttrib) never has an analysis variable: fAnalysVarInd < 0;
//  2. a standard rule reached through a reference (kStandAttribVar) always has one, a valid
//     column; a standard rule of the data file (kStandAttribData) never has one;
//  3. fOutcomeVarInd is -1 or a column of the dataset other than fAnalysVarInd;
//  4. fRuleInd >= 0 and fRuleRefInd >= 0; a non-empty fRuleName names element fRuleInd.
class VDTRuleSpecs {
 public:
  // A record for `dataSource` (borrowed). isStandard false makes a custom rule (then
  // analysVarInd must be -1); true with an analysis variable column makes a reference record,
  // true with -1 a standard rule of the data file.
  VDTRuleSpecs(const ZIRA_DataSource& dataSource, bool isStandard, int analysVarInd);

  // Names the element the record is read from (index >= 1): the reference element
  // "$VD.SRuleRef[k]" for a reference record with isReference, otherwise the rule element
  // "$VD.SRule[n]" or "$VD.CRule[n]".
  void SetAttribNames(int index, bool isReference);

  // Reads one element: for a reference record the text is a reference, which links the
  // standard rule whose text is then parsed as a standard rule; for the other kinds the text
  // is the rule itself. False on the first error; GetErrorString() holds its message.
  bool LoadRule(const std::string& text, int index);

  // Parses one rule text with the vocabulary of the record's kind (a reference when the record
  // is a reference record and isReferencePass is true). Clears the given-property set and the
  // quote character first; keeps every other field. False on the first error, with its
  // message in GetErrorString().
  bool ParseRuleText(std::string_view text, bool isReferencePass);

  // Loads every rule of the dataset, called on a standard record without analysis variable:
  // the references of the given analysis variables (in their order), every non-empty standard
  // rule element, and the custom rules of the given numbers (in their order), with the label
  // and outcome-variable cross-checks. The out-lists are cleared first; on failure they hold
  // the records loaded before the error, this record's GetErrorString() holds its message and
  // the result is false.
  bool LoadAllRules(std::vector<VDTRuleSpecs>* refRules, std::vector<VDTRuleSpecs>* standRules,
                    std::vector<VDTRuleSpecs>* custRules, const std::vector<int>& analysVars,
                    const std::vector<int>& custRuleNumbers);

  // The variables marked as rule outcome variables (first value of `$VD.RuleOutcomeVar` Yes,
  // any case), in dictionary order: their columns and names. Both lists are cleared first.
  // Returns their number.
  int FindOutcomeVars(std::vector<int>* indices, std::vector<ZiraVarName>* names) const;

  // Whether the text parsed last named FlagUnlabeled / FlagNoninteger at all.
  bool WasFlagUnlabeledGiven() const;
  bool WasFlagNonintegerGiven() const;

  // Debugging dump: one labelled line per field between a start and an end line.
  void Display(std::ostream& out) const;

  // Read accessors, one per field.
  const ZIRA_DataSource& GetDataSource() const { return *fpDataSource; }
  VDTSpecTypes::AttribType GetAttribType() const { return fAttribType; }
  const std::set<std::string>& GetSpecifiedProps() const { return fSpecifiedProps; }
  int GetRuleInd() const { return fRuleInd; }
  const std::string& GetRuleName() const { return fRuleName; }
  const std::string& GetRuleContent() const { return fRuleContent; }
  int GetOutcomeVarInd() const { return fOutcomeVarInd; }
  const ZiraVarName& GetOutcomeVarName() const { return fOutcomeVarName; }
  char GetQuoteChar() const { return fQuoteChar; }
  const ParserMessage& GetMessage() const { return fMessage; }
  const std::string& GetErrorString() const { return fErrorString; }
  const std::string& GetCustExpression() const { return fCustExpression; }
  int GetRuleRefInd() const { return fRuleRefInd; }
  const std::string& GetRuleRefName() const { return fRuleRefName; }
  int GetAnalysVarInd() const { return fAnalysVarInd; }
  int GetAnalysVarType() const { return fAnalysVarType; }
  const ZiraVarName& GetAnalysVarName() const { return fAnalysVarName; }
  const std::string& GetLabel() const { return fLabel; }
  const std::string& GetDescription() const { return fDescription; }
  const std::string& GetFormat() const { return fFormat; }
  VDTSpecTypes::ValueType GetValueType() const { return fValueType; }
  VDTSpecTypes::DomainType GetDomainType() const { return fDomainType; }
  bool GetFlagUserMissing() const { return fFlagUserMissing; }
  bool GetFlagSystemMissing() const { return fFlagSystemMissing; }
  bool GetFlagBlank() const { return fFlagBlank; }
  const std::string& GetMinimum() const { return fMinimum; }
  const std::string& GetMaximum() const { return fMaximum; }
  bool GetFlagUnlabeled() const { return fFlagUnlabeled; }
  bool GetFlagNoninteger() const { return fFlagNoninteger; }
  const std::vector<std::string>& GetListValues() const { return fListValues; }
  bool GetCaseSensitive() const { return fCaseSensitive; }
  const std::string& GetPattern() const { return fPattern; }
  const std::string& GetPatternLabel() const { return fPatternLabel; }

  // The property names a rule text may hold (see the vocabulary tables in docs/rules.md).
  enum class Property {
    kUnknown,
    kLabel,
    kDescription,
    kType,
    kFormat,
    kDomain,
    kFlagUserMissing,
    kFlagSystemMissing,
    kFlagBlank,
    kMinimum,
    kMaximum,
    kFlagUnlabeled,
    kFlagNoninteger,
    kList,
    kCaseSensitive,
    kPattern,
    kPatternLabel,
    kRule,
    kOutcomeVar,
    kExpression,
  };

 private:
  // The vocabulary a text is parsed with.
  enum class TextKind { kStandard, kReference, kCustom };

  TextKind KindOf(bool isReferencePass) const;
  // Checks and stores one property of a text of the given kind; `name` is the name as
  // written, `value` the unquoted value (the raw value for a standard rule's List).
  bool ApplyProperty(TextKind kind, Property prop, const std::string& name,
                     const std::string& value);
  bool ApplyStandardProperty(Property prop, const std::string& name, const std::string& value);
  // The first required property of the kind that the text did not give fails the text.
  bool CheckRequiredProperties(TextKind kind);
  // The consistency checks of a standard rule once all its properties are in.
  bool CheckStandardRule();
  // Takes a variable as the outcome variable when it exists, is not the analysis variable,
  // is numeric and is marked `$VD.RuleOutcomeVar` Yes. False leaves the record unchanged.
  bool SetOutcomeVar(const std::string& name);
  // Links a reference to standard rule element `value` ("$VD.SRule[n]").
  bool LinkStandardRule(const std::string& value);
  bool HasProp(const char* upperName) const { return fSpecifiedProps.count(upperName) > 0; }

  // Message builders: each stores the text in fErrorString and returns false.
  bool Fail(const std::string& templ, const std::vector<std::string>& args);
  bool FailUnbalancedQuotes(TextKind kind);
  bool FailEmptyName(TextKind kind);
  bool FailNoValue(TextKind kind, const std::string& propName);
  bool FailInvalidValue(const std::string& value, const std::string& propName);
  bool FailInvalidOutcomeVar(TextKind kind, const std::string& value);

  void AssertInvariants() const;

  const ZIRA_DataSource* fpDataSource;  // borrowed, never null
  VDTSpecTypes::AttribType fAttribType = VDTSpecTypes::kAttribNotSpecified;
  std::set<std::string> fSpecifiedProps;  // upper-cased names given in the text parsed last
  int fRuleInd = 0;
  std::string fRuleName;
  std::string fRuleContent;
  int fOutcomeVarInd = -1;
  ZiraVarName fOutcomeVarName;
  char fQuoteChar = '\0';
  ParserMessage fMessage;
  std::string fErrorString;
  std::string fCustExpression;
  int fRuleRefInd = 0;
  std::string fRuleRefName;
  int fAnalysVarInd = -1;
  int fAnalysVarType = 0;
  ZiraVarName fAnalysVarName;
  std::string fLabel;
  std::string fDescription;
  std::string fFormat;
  VDTSpecTypes::ValueType fValueType = VDTSpecTypes::kValueNotSpecified;
  VDTSpecTypes::DomainType fDomainType = VDTSpecTypes::kDomainNotSpecified;
  bool fFlagUserMissing = false;
  bool fFlagSystemMissing = false;
  bool fFlagBlank = false;
  std::string fMinimum;
  std::string fMaximum;
  bool fFlagUnlabeled = false;
  bool fFlagNoninteger = false;
  std::vector<std::string> fListValues;
  bool fCaseSensitive = false;
  std::string fPattern;
  std::string fPatternLabel;
};
