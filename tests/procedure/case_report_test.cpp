// The case report end to end: what a row shows, which cases are offered (MINVIOLATIONS),
// how many are shown (CASELIMIT) and the note on the cases left out; the violation counts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// n cases, each breaking the one rule of x; an optional split variable.
DatasetBuilder EveryCaseBreaksOneRule(size_t n, const std::vector<double>& split = {}) {
  DatasetBuilder b(n);
  if (!split.empty()) b.data.SetSplitVariables({b.Num("s", split)});
  const int x = b.Num("x", std::vector<double>(n, 1));
  b.Outcome("ox", std::vector<double>(n, 1));
  b.StandardRules({RangeRule("R")});
  b.Refer(x, {{1, "ox"}});
  return b;
}

}  // namespace

TEST(CaseReport, ARowListsBrokenRulesRangeFirstWithTheirVariableCountsThenCustomRules) {
  ProcedureRun run(RuleData().data);
  run.Run(
      "VALIDATEDATA VARIABLES=a b c ID=id CROSSVARRULES=ALL /VARCHECKS STATUS=OFF "
      "/SAVE RULEVIOLATIONS.");
  const auto tables = run.Tables("CaseReport");
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_THAT(
      ProcedureRun::CellLines(tables[0]),
      ElementsAre("1/Validation Rule Violations/Single-Variable=R2 (2)\nL1 (1)",
                  "1/Identifier/id=1",
                  "2/Validation Rule Violations/Single-Variable=R2 (1)\nL1 (1)",
                  "2/Validation Rule Violations/Cross-Variable=C1", "2/Identifier/id=2",
                  "3/Validation Rule Violations/Single-Variable=R2 (1)", "3/Identifier/id=3",
                  "4/Validation Rule Violations/Cross-Variable=C1", "4/Identifier/id=4"));
  EXPECT_THAT(ProcedureRun::Footnotes(tables[0]),
              ElementsAre("The number of variables follows..."));
  // A standard rule counts once per variable that broke it.
  EXPECT_THAT(run.Column("ValidationRuleViolations"), ElementsAre(3, 3, 1, 1));
}

TEST(CaseReport, CasesBelowMinViolationsAreLeftOutButStillCounted) {
  ProcedureRun run(RuleData().data);
  run.Run(
      "VALIDATEDATA VARIABLES=a b c CROSSVARRULES=ALL /VARCHECKS STATUS=OFF "
      "/CASEREPORT MINVIOLATIONS=3 /SAVE RULEVIOLATIONS.");
  EXPECT_EQ(ProcedureRun::Leaves(run.Tables("CaseReport").at(0), "Case"),
            (std::vector<std::string>{"1", "2"}));
  run.Run(
      "VALIDATEDATA VARIABLES=a b c CROSSVARRULES=ALL /VARCHECKS STATUS=OFF "
      "/CASEREPORT MINVIOLATIONS=4 /SAVE RULEVIOLATIONS=n2.");
  EXPECT_THAT(run.Lines("CaseReport"), IsEmpty());
  EXPECT_THAT(run.Lines("VariableSummary"), Contains("Total/b/Number of Violations=3"));
  EXPECT_THAT(run.Column("n2"), ElementsAre(3, 3, 1, 1));
  EXPECT_THAT(run.Messages("warning"),
              Contains("Case Report not displayed violations less than 4 ..."));
}

TEST(CaseReport, OnlyAnOutcomeOfExactlyOneIsAViolation) {
  DatasetBuilder b(5);
  const int x = b.Num("x", {1, 2, 3, 4, 5});
  b.Outcome("ox", {1, 2, 0.5, kMiss, 0});
  b.StandardRules({RangeRule("R")});
  b.Refer(x, {{1, "ox"}});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /SAVE RULEVIOLATIONS.");
  EXPECT_THAT(run.Column("ValidationRuleViolations"), ElementsAre(1, 0, 0, 0, 0));
  EXPECT_EQ(ProcedureRun::Leaves(run.Tables("CaseReport").at(0), "Case"),
            (std::vector<std::string>{"1"}));
}

TEST(CaseReport, AnOutcomeOfOneThatIsUserMissingIsNoViolation) {
  DatasetBuilder b(3);
  const int x = b.Num("x", {1, 2, 3});
  const int y = b.Num("y", {1, 2, 3});
  b.Outcome("ox", {1, 0, 1});
  const int oy = b.Outcome("oy", {1, 1, 0});
  ZiraMissingValues one;
  one.values = {1};
  b.data.GetVariable(oy)->SetMissingValues(one);
  b.StandardRules({RangeRule("R")});
  b.Refer(x, {{1, "ox"}});
  b.Refer(y, {{1, "oy"}});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x y /VARCHECKS STATUS=OFF /SAVE RULEVIOLATIONS.");
  EXPECT_THAT(run.Column("ValidationRuleViolations"), ElementsAre(1, 0, 1));
}

TEST(CaseReport, FirstNThreeOfTenShowsThreeRowsAndOneNoteAndNoLimitShowsEveryCase) {
  for (const char* limit : {"FIRSTN(3)", "NONE"}) {
    ProcedureRun run(EveryCaseBreaksOneRule(10).data);
    run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /CASEREPORT CASELIMIT=" +
            std::string(limit) + ".");
    const auto tables = run.Tables("CaseReport");
    ASSERT_EQ(tables.size(), 1u);
    const bool three = limit[0] == 'F';
    EXPECT_EQ(ProcedureRun::Leaves(tables[0], "Case").size(), three ? 3u : 10u);
    EXPECT_EQ(tables[0]["notes"].size(), three ? 1u : 0u);
    if (three) {
      EXPECT_THAT(ProcedureRun::Footnotes(tables[0]),
                  Contains("More than 3 cases with violations. 3 displayed..."));
    }
  }
  // Exactly the limit offered: every case shown, no note.
  ProcedureRun run(EveryCaseBreaksOneRule(3).data);
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /CASEREPORT CASELIMIT=FIRSTN(3).");
  EXPECT_EQ(ProcedureRun::Leaves(run.Tables("CaseReport").at(0), "Case").size(), 3u);
  EXPECT_EQ(run.Tables("CaseReport").at(0)["notes"].size(), 0u);
}

TEST(CaseReport, TheLimitAppliesPerSplitGroupWithTheSplitNote) {
  ProcedureRun run(EveryCaseBreaksOneRule(10, {1, 1, 1, 1, 1, 2, 2, 2, 2, 2}).data);
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /CASEREPORT CASELIMIT=FIRSTN(3).");
  const auto tables = run.Tables("CaseReport");
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(ProcedureRun::Leaves(tables[1], "Case"), (std::vector<std::string>{"6", "7", "8"}));
  for (const auto& t : tables)
    EXPECT_THAT(ProcedureRun::Footnotes(t),
                Contains("More than 3 cases with violations in splits. 3 displayed..."));
}
