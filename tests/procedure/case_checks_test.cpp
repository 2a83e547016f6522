// Empty cases and incomplete identifiers end to end: which cases are listed, how their
// identifiers are shown, and the saved indicators.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::ElementsAre;

namespace {

// Five cases: id; analysis variables a (numeric, -9 user-missing) and b (string, "NA"
// user-missing); c, another variable.
DatasetBuilder EmptyCaseData() {
  DatasetBuilder b(5);
  b.Num("id", {1, 2, 3, 4, 5});
  const int a = b.Num("a", {1, -9, kMiss, kMiss, 2});
  const int s = b.Str("b", 4, {"x", "", "", "NA", ""});
  b.Num("c", {1, 5, kMiss, kMiss, kMiss});
  ZiraMissingValues numMissing;
  numMissing.values = {-9};
  b.data.GetVariable(a)->SetMissingValues(numMissing);
  ZiraMissingValues strMissing;
  strMissing.strings = {"NA"};
  b.data.GetVariable(s)->SetMissingValues(strMissing);
  return b;
}

}  // namespace

TEST(CaseChecks, WithAnalysisScopeACaseIsEmptyWhenEveryAnalysisVariableIsMissingOrBlank) {
  // Case 2: a user-missing, b blank; case 3: both missing; case 4: b holds a string
  // user-missing value, which is not blank.
  ProcedureRun run(EmptyCaseData().data);
  run.Run(
      "VALIDATEDATA VARIABLES=a b ID=id /VARCHECKS STATUS=OFF /CASECHECKS SCOPE=ANALYSISVARS "
      "/SAVE EMPTYCASE.");
  const auto tables = run.Tables("CaseChecks");
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0]["caption"], "Cases with analysis variables missing or blank...");
  EXPECT_THAT(ProcedureRun::CellLines(tables[0]),
              ElementsAre("1/Case=2", "1/Identifier/id=2", "2/Case=3", "2/Identifier/id=3"));
  EXPECT_THAT(run.Column("EmptyCase"), ElementsAre(0, 1, 1, 0, 0));
}

TEST(CaseChecks, WithAllVariablesInScopeAnotherVariableWithAValueKeepsTheCaseNonEmpty) {
  // Case 2 has c = 5; the identifier is outside the scope, so case 3 is empty.
  ProcedureRun run(EmptyCaseData().data);
  run.Run(
      "VALIDATEDATA VARIABLES=a b ID=id /VARCHECKS STATUS=OFF /CASECHECKS SCOPE=ALLVARS "
      "/SAVE EMPTYCASE.");
  const auto tables = run.Tables("CaseChecks");
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0]["caption"], "Cases with all variables with exceptions missing or blank...");
  EXPECT_THAT(ProcedureRun::CellLines(tables[0]), ElementsAre("1/Case=3", "1/Identifier/id=3"));
  EXPECT_THAT(run.Column("EmptyCase"), ElementsAre(0, 0, 1, 0, 0));
}

TEST(CaseChecks, CaseChecksRowsAreNumberedFromOneInEachSplitGroup) {
  DatasetBuilder b(5);
  const int s = b.Num("s", {1, 1, 2, 2, 2});
  b.Num("x", {kMiss, kMiss, 1, kMiss, kMiss});
  b.data.SetSplitVariables({s});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF.");
  EXPECT_THAT(run.Lines("CaseChecks", 0), ElementsAre("1/Case=1", "2/Case=2"));
  EXPECT_THAT(run.Lines("CaseChecks", 1), ElementsAre("1/Case=4", "2/Case=5"));
}

TEST(CaseChecks, IncompleteIdentifiersShowABlankStringAsOneBlankAndAMissingNumberAsADot) {
  DatasetBuilder b(4);
  b.Num("num", {1, kMiss, 3, 4});
  b.Str("str", 6, {"a", "b", "   ", "d"});
  b.Num("x", {1, 2, 3, 4});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x ID=num str /VARCHECKS STATUS=OFF /SAVE INCOMPLETEID.");
  EXPECT_THAT(run.Lines("IncompleteIdentifiers"),
              ElementsAre("2/num=.", "2/str=b", "3/num=3", "3/str= "));
  EXPECT_THAT(run.Column("IncompleteID"), ElementsAre(0, 1, 1, 0));
}
