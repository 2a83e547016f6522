// Rule references of a variable: the link to a standard rule, the outcome variable, the type
// check of the linked rule against the variable's print format, and their messages.
#include <gtest/gtest.h>

#include "backend/validatedata/VDTRuleText.h"
#include "tests/validatedata/rules_fixture.h"

namespace {

class RuleReference : public ::testing::Test {
 protected:
  RuleReference() {
    age = set.AddNumeric("age");
    name = set.AddString("name", 20);
    dob = set.AddNumeric("dob", 20);
    o1 = set.AddOutcome("o1");
    set.AddOutcome("o2", "yes");
    set.AddOutcome("neg", "No");
    set.AddNumeric("plain");
    int txt = set.AddString("txt");
    set.data.GetVariable(txt)->GetAttributes().Set("$VD.RuleOutcomeVar", {"Yes"});
    set.SetStandardRules({
        kAgeRule,
        "",
        "Label=Known names,Type=String,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,"
        "FlagBlank=Yes",
        "Label=Past dates,Type=date,Format=YYYY-MM-DD,Domain=Range,FlagUserMissing=No,"
        "FlagSystemMissing=Yes,FlagBlank=No",
        "Label=Broken",
    });
  }
  // Loads reference element 2 of a variable.
  VDTRuleSpecs Reference(int column, const std::string& text, bool expectOk = true) {
    VDTRuleSpecs record(set.data, true, column);
    EXPECT_EQ(record.LoadRule(text, 2), expectOk) << text << " -> " << record.GetErrorString();
    return record;
  }
  std::string ReferenceError(const std::string& text, int column = -1) {
    return Reference(column < 0 ? age : column, text, false).GetErrorString();
  }
  RuleDataset set;
  int age = -1, name = -1, dob = -1, o1 = -1;
};

TEST_F(RuleReference, LinksTheStandardRuleAndParsesItForTheVariable) {
  VDTRuleSpecs r = Reference(age, "Rule=$VD.SRule[1], OutcomeVar=O1");
  EXPECT_EQ(r.GetAttribType(), VDTSpecTypes::kStandAttribVar);
  EXPECT_EQ(r.GetRuleInd(), 1);
  EXPECT_EQ(r.GetRuleName(), "$VD.SRule[1]");
  EXPECT_EQ(r.GetRuleContent(), kAgeRule);
  EXPECT_EQ(r.GetLabel(), "Age range");
  EXPECT_EQ(r.GetMaximum(), "120");
  EXPECT_EQ(r.GetRuleRefInd(), 2);
  EXPECT_EQ(r.GetRuleRefName(), "$VD.SRuleRef[2]");
  EXPECT_EQ(r.GetAnalysVarInd(), age);
  EXPECT_EQ(r.GetAnalysVarName(), "age");
  EXPECT_EQ(r.GetOutcomeVarInd(), o1);
  EXPECT_EQ(r.GetOutcomeVarName(), "o1");
  // The given-property set is that of the standard rule text parsed last.
  EXPECT_EQ(r.GetSpecifiedProps().count("RULE"), 0u);
  EXPECT_EQ(r.GetSpecifiedProps().count("LABEL"), 1u);
}

TEST_F(RuleReference, PrefixOfTheLinkMatchesInAnyCaseAndQuotesAreAllowed) {
  EXPECT_EQ(Reference(age, "rule='$vd.srule[1]',outcomevar=o2").GetRuleInd(), 1);
}

TEST_F(RuleReference, StandardPropertiesInAReferenceAreIgnored) {
  VDTRuleSpecs r = Reference(age, "Type=Bogus,Label=Mine,Rule=$VD.SRule[1],OutcomeVar=o1");
  EXPECT_EQ(r.GetLabel(), "Age range");
}

TEST_F(RuleReference, MalformedOrDanglingLinksAreInvalid) {
  for (const char* link :
       {"$VD.SRule[0]", "$VD.SRule[a]", "SRule[1]", "$VD.SRule[6]", "$VD.SRule[2]", "$VD.SRule[ 1]",
        "$VD.SRule[+1]", "$VD.SRule[]", "$VD.SRule1]", "$VD.SRule[1", "$VD.SRule[99999999999]",
        "$VD.CRule[1]"}) {
    EXPECT_EQ(
        ReferenceError(std::string("Rule=") + link + ",OutcomeVar=o1"),
        std::string("Invalid link ") + link + ", rule reference $VD.SRuleRef[2], variable age ...");
  }
}

TEST_F(RuleReference, OutcomeVariableMustBeAMarkedNumericVariableOtherThanItsOwn) {
  set.data.GetVariable(age)->GetAttributes().Set("$VD.RuleOutcomeVar", {"Yes"});
  for (const char* outcome : {"nosuch", "age", "txt", "plain", "neg"}) {
    EXPECT_EQ(ReferenceError(std::string("Rule=$VD.SRule[1],OutcomeVar=") + outcome),
              std::string("Invalid outcome variable ") + outcome +
                  ", rule reference $VD.SRuleRef[2], variable age ...");
  }
}

TEST_F(RuleReference, MissingOrEmptyPropertiesHaveNoValue) {
  const std::string tail = ", rule reference $VD.SRuleRef[2], variable age ...";
  EXPECT_EQ(ReferenceError("rule=,OutcomeVar=o1"), "No value for property rule" + tail);
  EXPECT_EQ(ReferenceError("Rule=$VD.SRule[1],OUTCOMEVAR=''"),
            "No value for property OutcomeVar" + tail);
  EXPECT_EQ(ReferenceError("OutcomeVar=o1"), "No value for property Rule" + tail);
  EXPECT_EQ(ReferenceError("Rule=$VD.SRule[1]"), "No value for property OutcomeVar" + tail);
  EXPECT_EQ(ReferenceError(""), "No value for property Rule" + tail);
}

TEST_F(RuleReference, SyntaxErrorsNameTheReferenceAndItsVariable) {
  EXPECT_EQ(ReferenceError("Rule='$VD.SRule[1],OutcomeVar=o1"),
            "Unbalanced quotes for rule reference $VD.SRuleRef[2], variable age ...");
  EXPECT_EQ(ReferenceError("Rule=$VD.SRule[1],=o1"),
            "Empty name for property, rule reference $VD.SRuleRef[2], variable age ...");
}

TEST_F(RuleReference, ErrorsOfTheLinkedTextNameTheStandardRule) {
  EXPECT_EQ(ReferenceError("Rule=$VD.SRule[5],OutcomeVar=o1"),
            "No value for property Type, standard rule $VD.SRule[5] ...");
}

TEST_F(RuleReference, LinkedRuleTypeMustSuitTheVariablePrintFormat) {
  EXPECT_EQ(ReferenceError("Rule=$VD.SRule[4],OutcomeVar=o1"),
            "Invalid type date for analysis variable age, standard rule $VD.SRule[4] ...");
  EXPECT_EQ(ReferenceError("Rule=$VD.SRule[1],OutcomeVar=o1", name),
            "Invalid type Numeric for analysis variable name, standard rule $VD.SRule[1] ...");
  EXPECT_EQ(ReferenceError("Rule=$VD.SRule[3],OutcomeVar=o1", dob),
            "Invalid type String for analysis variable dob, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(Reference(name, "Rule=$VD.SRule[3],OutcomeVar=o1").GetAnalysVarType(), 20);
  Reference(dob, "Rule=$VD.SRule[4],OutcomeVar=o1");
}

TEST_F(RuleReference, FormatCodesClassAsStringDateOrNumeric) {
  using VDTRuleText::ClassifyFormatType;
  EXPECT_EQ(ClassifyFormatType(1), VDTSpecTypes::kValueString);
  for (int code : {20, 25, 30, 38, 39, 85, 86}) {
    EXPECT_EQ(ClassifyFormatType(code), VDTSpecTypes::kValueDate) << code;
  }
  for (int code : {0, 2, 5, 19, 31, 37, 40, 84, 87}) {
    EXPECT_EQ(ClassifyFormatType(code), VDTSpecTypes::kValueNumeric) << code;
  }
}

TEST_F(RuleReference, ElementIndexNeedsThePrefixBracketsAndDigitsOnly) {
  using VDTRuleText::ParseAttribIndex;
  EXPECT_EQ(ParseAttribIndex("$VD.SRule[12]", "$VD.SRule"), 12);
  EXPECT_EQ(ParseAttribIndex("$vd.SRULE[007]", "$VD.SRule"), 7);
  EXPECT_EQ(ParseAttribIndex("$VD.SRule[2147483647]", "$VD.SRule"), 2147483647);
  EXPECT_EQ(ParseAttribIndex("$VD.SRule[2147483648]", "$VD.SRule"), 0);
  EXPECT_EQ(ParseAttribIndex("$VD.SRule[1]x", "$VD.SRule"), 0);
  EXPECT_EQ(ParseAttribIndex("$VD.SRule[-1]", "$VD.SRule"), 0);
}

}  // namespace
