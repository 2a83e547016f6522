// The case report end to end: what a row shows, which cases are offered (MINVIOLATIONS),
// how many are shown (CASELIMIT) and the note on the cases left out; the violation counts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backend/validatedata/VDTRun.h"
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

namespace {
void SeeNothing(long) {}
}  // namespace

TEST(CaseReport, OverManyBlocksCountsAndSavedValuesAreThoseOfTheCaseByCaseWork) {
  // Three split groups of 10,001 cases, read in blocks (the last of each group is odd-sized).
  // Cases that break rules, some of them also empty, without an identifier or in a duplicate
  // group; an outcome column where 1 is user-missing (never a violation) and values that are
  // no violation (2, 0.5, missing).
  const size_t n = 30003;
  std::vector<double> split(n), id(n), a(n), bv(n), al1(n), ar2(n), br2(n), c1(n), bad(n), ar4(n);
  std::vector<double> expected(n);
  for (size_t i = 0; i < n; ++i) {
    split[i] = static_cast<double>(i / 10001);
    id[i] = i % 97 == 3 ? kMiss : static_cast<double>(i % 7 == 0 ? i / 7 : 100000 + i);
    const bool empty = i % 211 == 5;
    a[i] = empty ? kMiss : static_cast<double>(i % 13);
    bv[i] = empty ? kMiss : static_cast<double>(i % 17);
    const double odd[] = {2, 0.5, kMiss, 0};
    al1[i] = i % 5 == 1 ? 1 : odd[i % 4];
    ar2[i] = i % 9 == 2 || i % 9 == 4 ? 1 : 0;
    br2[i] = i % 23 == 7 ? 1 : odd[(i / 3) % 4];
    c1[i] = i % 6 == 1 ? 1 : 0;
    bad[i] = i % 2;  // 1 is user-missing here
    // A rule broken only late in each group, by cases that need no case work otherwise.
    ar4[i] = i % 10001 > 5000 && i % 7 == 3 && id[i] != kMiss && !empty ? 1 : 0;
    expected[i] = (al1[i] == 1) + (ar2[i] == 1) + (br2[i] == 1) + (c1[i] == 1) + ar4[i];
  }
  auto build = [&] {
    DatasetBuilder b(n);
    b.data.SetSplitVariables({b.Num("s", split)});
    b.Num("id", id);
    const int av = b.Num("a", a, kLevelScale);
    const int bc = b.Num("b", bv, kLevelScale);
    b.Outcome("a_l1", al1);
    b.Outcome("a_r2", ar2);
    b.Outcome("b_r2", br2);
    b.Outcome("c1", c1);
    b.Outcome("a_r4", ar4);
    const int never = b.Outcome("b_r3", bad);
    ZiraMissingValues one;
    one.values = {1};
    b.data.GetVariable(never)->SetMissingValues(one);
    b.StandardRules({ListRule("L1"), RangeRule("R2"), RangeRule("R3"), RangeRule("R4")});
    b.Refer(av, {{1, "a_l1"}, {2, "a_r2"}, {4, "a_r4"}});
    b.Refer(bc, {{2, "b_r2"}, {3, "b_r3"}});
    b.CustomRules({"Label=C1,Expression='a > b',OutcomeVar=c1"});
    return b;
  };
  for (const char* report :
       {"DISPLAY=YES CASELIMIT=FIRSTN(5)", "DISPLAY=YES MINVIOLATIONS=3", "DISPLAY=NO"}) {
    for (const char* checks : {"OFF", "ON"}) {
      const std::string command =
          std::string("VALIDATEDATA VARIABLES=a b ID=id CROSSVARRULES=ALL /VARCHECKS STATUS=") +
          checks +
          " /IDCHECKS INCOMPLETE DUPLICATE /CASECHECKS REPORTEMPTY=YES"
          " /RULESUMMARIES BYVARIABLE BYRULE /CASEREPORT " +
          report + " /SAVE RULEVIOLATIONS=n EMPTYCASE=e DUPLICATEID=d INCOMPLETEID=i.";
      SCOPED_TRACE(command);
      ProcedureRun blocks(build().data);
      blocks.Run(command);
      // A case hook makes the pass take every case one by one.
      vdt::SetCaseHookForTesting(SeeNothing);
      ProcedureRun oneByOne(build().data);
      oneByOne.Run(command);
      vdt::SetCaseHookForTesting(nullptr);
      EXPECT_EQ(blocks.Column("n"), expected);
      for (const char* saved : {"n", "e", "d", "i"})
        EXPECT_EQ(blocks.Column(saved), oneByOne.Column(saved)) << saved;
      EXPECT_EQ(blocks.Json(), oneByOne.Json());
      ASSERT_EQ(blocks.Tables("VariableSummary").size(), 3u);
    }
  }
}
