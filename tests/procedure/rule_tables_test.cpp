// The rule tables end to end: rule order, summaries by variable and by rule, the generated
// rule descriptions and the cross-variable table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

TEST(RuleTables, SummariesByVariableAndByRuleShowRangeRulesBeforeListRules) {
  ProcedureRun run(RuleData().data);
  run.Run("VALIDATEDATA VARIABLES=a b c /VARCHECKS STATUS=OFF /RULESUMMARIES BYVARIABLE BYRULE.");
  const auto byVar = run.Tables("VariableSummary");
  ASSERT_EQ(byVar.size(), 1u);
  // c has no violation: it keeps its category but has no rows.
  EXPECT_THAT(ProcedureRun::Leaves(byVar[0], "Variable"), ElementsAre("a", "b", "c"));
  EXPECT_THAT(ProcedureRun::Leaves(byVar[0], "Rule"), ElementsAre("R2", "L1", "Total"));
  EXPECT_THAT(
      ProcedureRun::CellLines(byVar[0]),
      UnorderedElementsAre("Rule/R2/a/Number of Violations=1", "Rule/L1/a/Number of Violations=2",
                           "Total/a/Number of Violations=3", "Rule/R2/b/Number of Violations=3",
                           "Total/b/Number of Violations=3"));
  const auto byRule = run.Tables("RuleSummary");
  ASSERT_EQ(byRule.size(), 1u);
  EXPECT_THAT(ProcedureRun::Leaves(byRule[0], "Rule"), ElementsAre("R2", "L1"));
  EXPECT_THAT(ProcedureRun::CellLines(byRule[0]),
              UnorderedElementsAre(
                  "Variable/a/R2/Number of Violations=1", "Variable/b/R2/Number of Violations=3",
                  "Total/R2/Number of Violations=4", "Variable/a/L1/Number of Violations=2",
                  "Total/L1/Number of Violations=2"));
  const auto desc = run.Tables("RuleDescriptions");
  ASSERT_EQ(desc.size(), 1u);
  EXPECT_THAT(ProcedureRun::Leaves(desc[0], "Rule"), ElementsAre("R2", "L1"));
  EXPECT_THAT(ProcedureRun::CellLines(desc[0]),
              ElementsAre("Description/R2=Type: Numeric\nDomain: Range\n"
                          "Flag user-missing values: No\nFlag system-missing values: No\n"
                          "Minimum: 0\nMaximum: 10\nRule: $VD.SRule[2]",
                          "Description/L1=Type: Numeric\nDomain: List\n"
                          "Flag user-missing values: No\nFlag system-missing values: Yes\n"
                          "List: 1, 2, 3\nRule: $VD.SRule[1]"));
}

TEST(RuleTables, CrossVariableRulesListOnlyBrokenRulesWithTheirExpressions) {
  ProcedureRun run(RuleData().data);
  run.Run("VALIDATEDATA VARIABLES=a CROSSVARRULES=ALL /VARCHECKS STATUS=OFF.");
  EXPECT_THAT(run.Lines("CrossVariableRules"),
              ElementsAre("Number of Violations/C1=2", "Rule Expression/C1=a > b"));
}

TEST(RuleTables, DescriptionsFollowTheRuleKindAndADescriptionReplacesThem) {
  DatasetBuilder b(2);
  const int s = b.Str("s", 4, {"x", "z"});
  const int n = b.Num("n", {1, 2});
  b.Outcome("o1", {1, 0});
  b.Outcome("o2", {1, 0});
  b.Outcome("o3", {0, 1});
  b.Outcome("o4", {0, 1});
  b.StandardRules(
      {"Label=S,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=Yes,"
       "List=x y,CaseSensitive=Yes",
       "Label=N,Type=Numeric,Domain=Range,FlagUserMissing=Yes,FlagSystemMissing=No,FlagBlank=No,"
       "Minimum=1,FlagUnlabeled=No,FlagNoninteger=Yes",
       "Label=D,Description='Counts of people',Type=Numeric,Domain=Range,FlagUserMissing=Yes,"
       "FlagSystemMissing=No,FlagBlank=No",
       RangeRule("P")});
  b.Refer(s, {{1, "o1"}});
  b.Refer(n, {{2, "o2"}, {3, "o3"}, {4, "o4"}});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=s n /VARCHECKS STATUS=OFF.");
  EXPECT_THAT(run.Lines("RuleDescriptions"),
              ElementsAre("Description/N=Type: Numeric\nDomain: Range\n"
                          "Flag user-missing values: Yes\nFlag system-missing values: No\n"
                          "Minimum: 1\nFlag unlabeled values within range: No\n"
                          "Flag noninteger values within range: Yes\nRule: $VD.SRule[2]",
                          "Description/D=Counts of people",
                          "Description/P=Type: Numeric\nDomain: Range\n"
                          "Flag user-missing values: No\nFlag system-missing values: No\n"
                          "Minimum: 0\nMaximum: 10\nRule: $VD.SRule[4]",
                          "Description/S=Type: String\nDomain: List\n"
                          "Flag user-missing values: No\nFlag blank values: Yes\n"
                          "List: x, y\nCase sensitive: Yes\nRule: $VD.SRule[1]"));
}

TEST(RuleTables, NumericBoundsAndListItemsUseTheUsersDecimalCharacter) {
  DatasetBuilder b(1);
  const int n = b.Num("n", {1});
  b.Outcome("o1", {1});
  b.Outcome("o2", {1});
  b.StandardRules(
      {"Label=R,Type=Numeric,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=No,"
       "Minimum=0.5,Maximum=9.5",
       "Label=L,Type=Numeric,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=No,"
       "List=1.5 2,CaseSensitive=No"});
  b.Refer(n, {{1, "o1"}, {2, "o2"}});
  ProcedureRun run(b.data);
  run.GetSession().Loc().decimal = ',';
  run.GetSession().Loc().listSeparator = ';';
  run.Run("VALIDATEDATA VARIABLES=n /VARCHECKS STATUS=OFF.");
  EXPECT_THAT(run.Lines("RuleDescriptions"),
              ElementsAre("Description/R=Type: Numeric\nDomain: Range\n"
                          "Flag user-missing values: No\nFlag system-missing values: No\n"
                          "Minimum: 0,5\nMaximum: 9,5\nRule: $VD.SRule[1]",
                          "Description/L=Type: Numeric\nDomain: List\n"
                          "Flag user-missing values: No\nFlag system-missing values: No\n"
                          "List: 1,5; 2\nRule: $VD.SRule[2]"));
}

TEST(RuleTables, WithoutViolationsTheSummaryByVariableWarnsOnceAndStaysEmpty) {
  DatasetBuilder b = RuleData();
  for (const char* o : {"a_l1", "a_r2", "b_r2"})
    b.data.GetVariable(b.data.FindVarIndex(o))->Numbers().assign(4, 0.0);
  ProcedureRun run(b.data);
  run.Run(
      "VALIDATEDATA VARIABLES=a b /VARCHECKS STATUS=OFF /CASECHECKS REPORTEMPTY=NO "
      "/RULESUMMARIES BYVARIABLE /CASEREPORT DISPLAY=NO.");
  EXPECT_THAT(run.Lines("RuleDescriptions"), IsEmpty());
  EXPECT_THAT(run.Lines("VariableSummary"), IsEmpty());
  EXPECT_THAT(run.Messages("warning"), ElementsAre("Some output not displayed ..."));
}
