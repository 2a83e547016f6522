// The warnings that stand in for empty tables, with and without split-file processing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

namespace {

// Unique complete ids, no empty case, x passes every variable check, no rules: the variable
// checks, variable summary, both identifier tables and the case checks stay empty.
DatasetBuilder NothingToReport(const std::vector<double>& split = {}) {
  DatasetBuilder b(8);
  if (!split.empty()) {
    const int s = b.Num("s", split);
    b.data.GetVariable(s)->GetValueLabels().AddPair(1.0, "North");
    b.data.SetSplitVariables({s});
  }
  b.Num("id", {1, 2, 3, 4, 5, 6, 7, 8});
  b.Num("x", {1, 1, 2, 2, 1, 1, 2, 2});
  return b;
}

}  // namespace

TEST(Warnings, EachEmptyTableGivesSomeOutputNotDisplayed) {
  ProcedureRun run(NothingToReport().data);
  run.Run("VALIDATEDATA VARIABLES=x ID=id.");
  EXPECT_EQ(run.Messages("warning"), std::vector<std::string>(5, "Some output not displayed ..."));
}

TEST(Warnings, WithSplitFileEachWarningNamesTheSplitValues) {
  ProcedureRun run(NothingToReport({1, 1, 1, 1, 2, 2, 2, 2}).data);
  run.Run("VALIDATEDATA VARIABLES=x ID=id.");
  std::vector<std::string> expected(5, "Split s = 1 (North) output not displayed ...");
  expected.resize(10, "Split s = 2 output not displayed ...");
  EXPECT_EQ(run.Messages("warning"), expected);
}

TEST(Warnings, MinViolationsAboveOneExplainsAnEmptyCaseReport) {
  // No case breaks more than two rules on a.
  ProcedureRun run(RuleData().data);
  const std::string command =
      "VALIDATEDATA VARIABLES=a /VARCHECKS STATUS=OFF /RULESUMMARIES NONE "
      "/CASECHECKS REPORTEMPTY=NO /CASEREPORT MINVIOLATIONS=3.";
  run.Run(command);
  EXPECT_THAT(run.Messages("warning"),
              ElementsAre("Case Report not displayed violations less than 3 ..."));
  DatasetBuilder split = RuleData();
  split.data.SetSplitVariables({split.Num("s", {1, 1, 2, 2})});
  ProcedureRun splitRun(split.data);
  splitRun.Run(command);
  EXPECT_THAT(splitRun.Messages("warning"), ElementsAre("Split s = 1 violations less 3 ...",
                                                        "Split s = 2 violations less 3 ..."));
}

TEST(Warnings, OnlyRuleTablesWithoutRulesWarnOnceAtTheCommandAndNotPerTable) {
  ProcedureRun run(NothingToReport().data);
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /CASECHECKS REPORTEMPTY=NO.");
  const auto warnings = run.Messages("warning");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("No rule tables displayed..."), std::string::npos);
}

TEST(Warnings, AnUnbrokenRuleWarnsForTheSummaryAndTheCaseReport) {
  DatasetBuilder b = NothingToReport();
  b.Outcome("ox", std::vector<double>(8, 0));
  b.StandardRules({RangeRule("R")});
  b.Refer(b.data.FindVarIndex("x"), {{1, "ox"}});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /CASECHECKS REPORTEMPTY=NO.");
  EXPECT_EQ(run.Messages("warning"), std::vector<std::string>(2, "Some output not displayed ..."));
  EXPECT_THAT(run.Messages("warning"), Not(Contains("No rule tables displayed...")));
}
