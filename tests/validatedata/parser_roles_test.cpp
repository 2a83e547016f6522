// The roles of variables (analysis, identifier, split file, rule outcome), the rules loaded
// for the analysis variables, and the custom rule selections of CROSSVARRULES with their
// messages.
#include <gtest/gtest.h>

#include "tests/validatedata/parser_support.h"

namespace {

const std::string kAfterText = "Syntax error for custom rule after the text ";
const std::string kAtText = "Syntax error for custom rule at the text ";

// Adds the rules to the dataset and parses a command selecting custom rules by `value`.
bool ParseRules(ParserRun& run, const std::string& value) {
  run.AddRules();
  return run.Parse("VALIDATEDATA CROSSVARRULES=" + value + ".");
}

TEST(ParserRoles, AVariableInVariablesAndIdIsAnIdentifierOnly) {
  ParserRun run;
  ASSERT_TRUE(run.Parse("VALIDATEDATA VARIABLES=age id height ID=id."));
  EXPECT_EQ(run.Names(run.Specs().GetAnalysVarList()), "age height");
  EXPECT_EQ(run.Names(run.Specs().GetCaseIdVarList()), "id");
  EXPECT_EQ(run.Specs().GetAnalysCatVarList()->size(), 2u);
}

TEST(ParserRoles, SplitFileVariablesLeaveBothLists) {
  ParserRun run;
  run.Data().SetSplitVariables({run.Col("region")});
  ASSERT_TRUE(
      run.Parse("VALIDATEDATA VARIABLES=age region ID=id region /CASECHECKS "
                "SCOPE=ALLVARS."));
  EXPECT_EQ(run.Names(run.Specs().GetSplitVarList()), "region");
  EXPECT_EQ(run.Names(run.Specs().GetAnalysVarList()), "age");
  EXPECT_EQ(run.Names(run.Specs().GetCaseIdVarList()), "id");
  EXPECT_EQ(run.Names(run.Specs().GetAllVarList()), "age height sex code");
}

TEST(ParserRoles, RuleOutcomeVariablesLeaveBothListsAndTheEmptyCaseScope) {
  ParserRun run;
  run.AddRules();
  ASSERT_TRUE(run.Parse("VALIDATEDATA VARIABLES=age c1 ageOK ID=id c2 /CASECHECKS SCOPE=ALLVARS."));
  EXPECT_EQ(run.Names(run.Specs().GetAnalysVarList()), "age");
  EXPECT_EQ(run.Names(run.Specs().GetCaseIdVarList()), "id");
  EXPECT_EQ(run.Names(run.Specs().GetAllVarList()), "age height sex region code");
  EXPECT_EQ(run.Containing("c1 is left out because it is already used as a rule outcome "
                           "variable")
                .size(),
            1u);
}

TEST(ParserRoles, WithoutTheUnnamedSubcommandSplitAndOutcomeVariablesStayOutOfEmptyCases) {
  ParserRun run;
  run.AddRules();
  run.Data().SetSplitVariables({run.Col("region")});
  ASSERT_TRUE(run.Parse("VALIDATEDATA /CASECHECKS REPORTEMPTY=YES."));
  EXPECT_EQ(run.Names(run.Specs().GetAllVarList()), "age height sex id code");
  EXPECT_EQ(run.Names(run.Specs().GetSplitVarList()), "region");
}

TEST(ParserRoles, AReferenceIsLinkedOnlyWhenItsVariableIsAnalysed) {
  ParserRun linked;
  linked.AddRules();
  ASSERT_TRUE(linked.Parse("VALIDATEDATA VARIABLES=age height."));
  const VDTValidSpecs& s = linked.Specs();
  ASSERT_EQ(s.GetNStandRules(), 1);
  EXPECT_EQ((*s.GetStandRuleSpecs())[0].GetAnalysVarName(), "age");
  EXPECT_EQ(linked.Names(s.GetStandRuleVarList()), "ageOK");
  EXPECT_EQ(*s.GetStandRuleLabels(), std::vector<std::string>{"Age range"});
  EXPECT_EQ(s.GetNAllStandRules(), 1);
  EXPECT_EQ(s.GetNCustRules(), 0);

  ParserRun unlinked;
  unlinked.AddRules();
  ASSERT_TRUE(unlinked.Parse("VALIDATEDATA VARIABLES=height."));
  EXPECT_EQ(unlinked.Specs().GetNStandRules(), 0);
  EXPECT_EQ(unlinked.Specs().GetNAllStandRules(), 1);
}

TEST(ParserRoles, AVariableNamedTwiceOrUnknownFailsTheParse) {
  ParserRun twice;
  EXPECT_FALSE(twice.Parse("VALIDATEDATA VARIABLES=age age."));
  EXPECT_EQ(twice.CountAtLevel(3), 1);
  ParserRun unknown;
  EXPECT_FALSE(unknown.Parse("VALIDATEDATA ID=nosuch."));
  EXPECT_EQ(unknown.Containing("nosuch").size(), 1u);
}

TEST(ParserRoles, ABrokenRuleFailsTheParseWithTheLoadingError) {
  ParserRun run;
  run.AddRules();
  run.Data()
      .GetVariable(run.Col("age"))
      ->GetAttributes()
      .Set("$VD.SRuleRef", {"Rule=$VD.SRule[9],OutcomeVar=ageOK"});
  EXPECT_FALSE(run.Parse("VALIDATEDATA VARIABLES=age."));
  EXPECT_EQ(run.CountAtLevel(3), 1);
}

TEST(ParserCustomRules, AllSelectsEveryDefinedRuleSkippingEmptyElements) {
  ParserRun run;
  run.AddRules();
  run.Data().GetAttributes().SetElement("$VD.CRule", 2, "");
  ASSERT_TRUE(run.Parse("VALIDATEDATA CROSSVARRULES=ALL."));
  const VDTValidSpecs& s = run.Specs();
  ASSERT_EQ(s.GetNCustRules(), 2);
  EXPECT_EQ((*s.GetCustRuleSpecs())[0].GetRuleInd(), 1);
  EXPECT_EQ((*s.GetCustRuleSpecs())[1].GetRuleInd(), 3);
  EXPECT_EQ(run.Names(s.GetCustRuleVarList()), "c1 c3");
  EXPECT_EQ(*s.GetCustRuleLabels(), (std::vector<std::string>{"First", "Third"}));
}

TEST(ParserCustomRules, EachFormRequestsRulesOnceInOrderOfFirstMention) {
  const std::pair<const char*, const char*> cases[] = {
      {"2 2 1", "c2 c1"},
      {"3, 1", "c3 c1"},
      {"$VD.CRule[3] $vd.crule[1] $VD.CRULE[3]", "c3 c1"},
      {"$VD.CRule[2], $VD.CRule[1]", "c2 c1"},  // commas as between integers
  };
  for (const auto& [value, outcomes] : cases) {
    ParserRun run;
    ASSERT_TRUE(ParseRules(run, value)) << value;
    EXPECT_EQ(run.Names(run.Specs().GetCustRuleVarList()), outcomes) << value;
    EXPECT_EQ(run.Specs().GetNCustRules(), 2) << value;
  }
}

TEST(ParserCustomRules, CustomOutcomeVariablesLeaveTheOtherRoles) {
  ParserRun run;
  run.AddRules();
  ASSERT_TRUE(run.Parse("VALIDATEDATA VARIABLES=age c1 ID=id c1 CROSSVARRULES=1."));
  EXPECT_EQ(run.Names(run.Specs().GetAnalysVarList()), "age");
  EXPECT_EQ(run.Names(run.Specs().GetCaseIdVarList()), "id");
}

TEST(ParserCustomRules, AMissingClosingBracketAtTheEndCitesTheInteger) {
  ParserRun run;
  EXPECT_FALSE(ParseRules(run, "$VD.CRule[1] $VD.CRule[2"));
  EXPECT_TRUE(run.Reported(3, kAfterText + "2..."));
}

TEST(ParserCustomRules, EachMisplacedTokenIsCitedWhereItStands) {
  const std::pair<const char*, std::string> cases[] = {
      {"$VD.SRule[1]", kAtText + "$VD.SRule..."}, {"$VD.CRule(1)", kAtText + "(..."},
      {"$VD.CRule[x]", kAtText + "x..."},         {"$VD.CRule[1.5]", kAtText + "1.5..."},
      {"$VD.CRule[1)", kAtText + ")..."},         {"$VD.CRule", kAfterText + "$VD.CRule..."},
      {"$VD.CRule[", kAfterText + "[..."},        {"1 $VD.CRule[2]", kAtText + "1..."},
  };
  for (const auto& [value, message] : cases) {
    ParserRun run;
    EXPECT_FALSE(ParseRules(run, value)) << value;
    EXPECT_TRUE(run.Reported(3, message)) << value;
  }
}

TEST(ParserCustomRules, AnIndexBelowOneIsAWarningThatFailsTheParse) {
  for (const char* value : {"1 0 2", "$VD.CRule[0]", "$VD.CRule[1] $VD.CRule[0]"}) {
    ParserRun run;
    EXPECT_FALSE(ParseRules(run, value)) << value;
    EXPECT_TRUE(run.Reported(2, "Invalid custom rule index 0...")) << value;
    EXPECT_EQ(run.CountAtLevel(3), 0) << value;
  }
}

TEST(ParserCustomRules, AnIndexBeyondThirtyTwoBitsOrWithoutARuleFailsTheParse) {
  for (const char* value : {"4294967297", "$VD.CRule[4294967297]", "7", "$VD.CRule[7]"}) {
    ParserRun run;  // 2^32 + 1 must not wrap round to rule 1
    EXPECT_FALSE(ParseRules(run, value)) << value;
    EXPECT_EQ(run.CountAtLevel(3), 1) << value;
  }
}

}  // namespace
