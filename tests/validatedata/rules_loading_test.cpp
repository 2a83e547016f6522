// Loading every rule of a dataset: the three passes, element numbering, the label and
// outcome-variable cross-checks, missing custom rules, and stopping at the first error.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/validatedata/rules_fixture.h"

namespace {

const std::string kNameRule =
    "Label=Name given,Type=String,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,"
    "FlagBlank=Yes";

class RuleLoading : public ::testing::Test {
 protected:
  RuleLoading() {
    age = set.AddNumeric("age");
    height = set.AddNumeric("height");
    name = set.AddString("name");
    for (const char* o : {"o1", "o2", "o3", "o4", "o5"}) set.AddOutcome(o);
    set.SetStandardRules({kAgeRule, kNameRule});
    set.SetCustomRules({"Label=Tall child,Expression=age<10 and height>170,OutcomeVar=o4", "",
                        "Label=Named,Expression=\"name<>''\",OutcomeVar=o5"});
  }
  RuleDataset set;
  int age = -1, height = -1, name = -1;
};

TEST_F(RuleLoading, NothingToLoadGivesThreeEmptyLists) {
  RuleDataset empty;
  empty.AddNumeric("x");
  EXPECT_TRUE(empty.Load({0}, {}));
  EXPECT_TRUE(empty.refs.empty() && empty.standard.empty() && empty.custom.empty());
  EXPECT_EQ(empty.error, "");
}

TEST_F(RuleLoading, TwoVariablesSharingOneStandardRuleLoadTwoReferencesAndOneRule) {
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o1"});
  set.SetReferences(height, {"Rule=$VD.SRule[1],OutcomeVar=o2"});
  ASSERT_TRUE(set.Load({age, height}, {3, 1})) << set.error;
  ASSERT_EQ(set.refs.size(), 2u);
  EXPECT_EQ(set.refs[0].GetAnalysVarName(), "age");
  EXPECT_EQ(set.refs[1].GetAnalysVarName(), "height");
  EXPECT_EQ(set.refs[1].GetRuleInd(), 1);
  ASSERT_EQ(set.standard.size(), 2u);
  EXPECT_EQ(set.standard[1].GetRuleName(), "$VD.SRule[2]");
  ASSERT_EQ(set.custom.size(), 2u);  // in the order asked for
  EXPECT_EQ(set.custom[0].GetRuleInd(), 3);
  EXPECT_EQ(set.custom[1].GetLabel(), "Tall child");
}

TEST_F(RuleLoading, EmptyElementsAreSkippedAndLaterElementsKeepTheirNumbers) {
  set.SetStandardRules({"", kAgeRule, "", kNameRule});
  set.SetReferences(age,
                    {"Rule=$VD.SRule[2],OutcomeVar=o1", "", "Rule=$VD.SRule[2],OutcomeVar=o2"});
  ASSERT_TRUE(set.Load({age})) << set.error;
  ASSERT_EQ(set.refs.size(), 2u);
  EXPECT_EQ(set.refs[1].GetRuleRefInd(), 3);
  EXPECT_EQ(set.refs[1].GetRuleRefName(), "$VD.SRuleRef[3]");
  ASSERT_EQ(set.standard.size(), 2u);
  EXPECT_EQ(set.standard[0].GetRuleInd(), 2);
  EXPECT_EQ(set.standard[1].GetRuleInd(), 4);
}

TEST_F(RuleLoading, ReferencesOfVariablesNotAnalysedAreNotRead) {
  set.SetReferences(height, {"Rule=$VD.SRule[9],OutcomeVar=o1"});
  EXPECT_TRUE(set.Load({age})) << set.error;
}

TEST_F(RuleLoading, OneOutcomeVariableForTwoAnalysisVariablesFails) {
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o1"});
  set.SetReferences(height, {"Rule=$VD.SRule[1],OutcomeVar=O1"});
  EXPECT_FALSE(set.Load({age, height}));
  EXPECT_EQ(set.error, "Outcome variable o1 is used for analysis variables age and height ...");
}

TEST_F(RuleLoading, OneOutcomeVariableForTwoReferencesOfOneVariableFails) {
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o1", "Rule=$VD.SRule[1],OutcomeVar=o1"});
  EXPECT_FALSE(set.Load({age}));
  EXPECT_EQ(set.error, "Outcome variable o1 is used twice for analysis variable age ...");
}

TEST_F(RuleLoading, CustomRuleCannotShareAReferenceOutcomeVariable) {
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o4"});
  EXPECT_FALSE(set.Load({age}, {1}));
  EXPECT_EQ(
      set.error,
      "Outcome variable o4 is used for analysis variable age and custom rule $VD.CRule[1] ...");
}

TEST_F(RuleLoading, TwoCustomRulesCannotShareAnOutcomeVariable) {
  set.SetCustomRules({"Label=A,Expression=1,OutcomeVar=o3", "Label=B,Expression=2,OutcomeVar=o3"});
  EXPECT_FALSE(set.Load({}, {2, 1}));
  EXPECT_EQ(set.error,
            "Outcome variable o3 is used for custom rules $VD.CRule[2] and $VD.CRule[1] ...");
}

TEST_F(RuleLoading, LabelsAreUniqueAcrossStandardAndCustomRulesWithoutRegardToCase) {
  set.SetCustomRules({"Label=AGE RANGE,Expression=1,OutcomeVar=o3"});
  EXPECT_FALSE(set.Load({}, {1}));
  EXPECT_EQ(set.error, "Label AGE RANGE is used for rules $VD.SRule[1] and $VD.CRule[1] ...");
}

TEST_F(RuleLoading, TwoStandardRulesWithOneLabelFailEvenWhenUnused) {
  set.SetStandardRules({kAgeRule, kAgeRule});
  EXPECT_FALSE(set.Load({}));
  EXPECT_EQ(set.error, "Label Age range is used for rules $VD.SRule[1] and $VD.SRule[2] ...");
}

TEST_F(RuleLoading, LabelOfAReferencedRuleClashesWithAnotherStandardRuleInPassTwo) {
  set.SetStandardRules({kNameRule, kAgeRule,
                        "Label=age Range,Type=Numeric,Domain=Range,"
                        "FlagUserMissing=Yes,FlagSystemMissing=No,FlagBlank=No"});
  set.SetReferences(age, {"Rule=$VD.SRule[2],OutcomeVar=o1"});
  EXPECT_FALSE(set.Load({age}));
  EXPECT_EQ(set.error, "Label age Range is used for rules $VD.SRule[2] and $VD.SRule[3] ...");
  EXPECT_EQ(set.refs.size(), 1u);      // loaded before the error
  EXPECT_EQ(set.standard.size(), 2u);  // elements 1 and 2
}

TEST_F(RuleLoading, MissingCustomRulesDoNotExist) {
  for (int number : {0, 2, 4, -1}) {
    EXPECT_FALSE(set.Load({}, {number}));
    EXPECT_EQ(set.error,
              "Custom rule $VD.CRule[" + std::to_string(number) + "] does not exist ...");
  }
}

TEST_F(RuleLoading, BrokenStandardRuleStopsLoadingThoughNoVariableUsesIt) {
  set.SetStandardRules({kAgeRule, "Label=x,Type=Numeric"});
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o1"});
  EXPECT_FALSE(set.Load({age}));
  EXPECT_EQ(set.error, "No value for property Domain, standard rule $VD.SRule[2] ...");
}

TEST_F(RuleLoading, FirstErrorEndsTheLoadingWithItsOwnMessage) {
  // Errors in every pass: the reference error comes first and nothing after it is read.
  set.SetStandardRules({kAgeRule, "Label=x"});
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o1", "Rule=$VD.SRule[7],OutcomeVar=o2"});
  set.SetReferences(height, {"Rule=$VD.SRule[1],OutcomeVar=o3"});
  EXPECT_FALSE(set.Load({age, height}, {9}));
  EXPECT_EQ(set.error,
            "Invalid link $VD.SRule[7], rule reference $VD.SRuleRef[2], variable age ...");
  EXPECT_EQ(set.refs.size(), 1u);
  EXPECT_TRUE(set.standard.empty() && set.custom.empty());
  // The same dataset without the broken reference stops at the broken standard rule...
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o1"});
  EXPECT_FALSE(set.Load({age, height}, {9}));
  EXPECT_EQ(set.error, "No value for property Type, standard rule $VD.SRule[2] ...");
  // ...and once it is mended, at the missing custom rule; a success clears the lists' past.
  set.SetStandardRules({kAgeRule});
  EXPECT_FALSE(set.Load({age, height}, {9}));
  EXPECT_EQ(set.error, "Custom rule $VD.CRule[9] does not exist ...");
  EXPECT_TRUE(set.Load({age, height}, {}));
  EXPECT_EQ(set.refs.size(), 2u);
  EXPECT_EQ(set.error, "");
}

TEST_F(RuleLoading, ReferenceErrorsCarryTheirOwnMessageThroughTheLoading) {
  set.SetReferences(name, {"Rule=$VD.SRule[1],OutcomeVar=o1"});
  EXPECT_FALSE(set.Load({name}));
  EXPECT_EQ(set.error,
            "Invalid type Numeric for analysis variable name, standard rule $VD.SRule[1] ...");
}

TEST_F(RuleLoading, MarkedOutcomeVariablesAreFoundInDictionaryOrder) {
  set.data.GetVariable(age)->GetAttributes().Set("$VD.RuleOutcomeVar", {"YES", "No"});
  set.data.GetVariable(height)->GetAttributes().Set("$VD.RuleOutcomeVar", {"No", "Yes"});
  VDTRuleSpecs loader(set.data, true, -1);
  std::vector<int> indices = {42};
  std::vector<ZiraVarName> names = {"stale"};
  EXPECT_EQ(loader.FindOutcomeVars(&indices, &names), 6);
  EXPECT_EQ(indices.front(), age);
  EXPECT_EQ(names, (std::vector<ZiraVarName>{"age", "o1", "o2", "o3", "o4", "o5"}));
}

TEST_F(RuleLoading, DisplayDumpsEveryFieldBetweenStartAndEndLines) {
  set.SetReferences(age, {"Rule=$VD.SRule[1],OutcomeVar=o1"});
  ASSERT_TRUE(set.Load({age}));
  std::ostringstream out;
  set.refs[0].Display(out);
  const std::string text = out.str();
  EXPECT_EQ(text.rfind("VDTRuleSpecs display start\n", 0), 0u);
  EXPECT_NE(text.find("fRuleRefName: $VD.SRuleRef[1]\n"), std::string::npos);
  EXPECT_NE(text.find("fOutcomeVarName: o1\n"), std::string::npos);
  EXPECT_NE(text.find("fPatternLabel: \nVDTRuleSpecs display end\n"), std::string::npos);
}

}  // namespace
