// Variable checks end to end: each reason lands in its row of the Variable Checks table,
// thresholds show as typed, and switched-off checks keep their rows empty.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(VariableChecks, EachReasonIsShownInItsRowWithTheThresholdAsTyped) {
  DatasetBuilder b(10);
  const double M = kMiss;
  // Categorical: 60% missing (reason 3); 90% in one category (4); every category holds one
  // case (6, and 5, which the table does not show); both 3 and 4; a passing one.
  b.Num("cmiss", {1, 1, 2, 2, M, M, M, M, M, M});
  b.Num("cconst", {1, 1, 1, 1, 1, 1, 1, 1, 1, 2});
  b.Num("cuneq", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  b.Num("cboth", {1, 1, 1, M, M, M, M, M, M, M});
  b.Num("cok", {1, 1, 1, 1, 1, 2, 2, 2, 2, 2});
  // Scale: 70% missing (3); sd about 0.026 < 0.1 (7); cv about 0.00026 < 0.001 (8); passing.
  b.Num("smiss", {1, 2, 3, M, M, M, M, M, M, M}, kLevelScale);
  b.Num("ssd", {10, 10.05, 10, 10.05, 10, 10.05, 10, 10.05, 10, 10.05}, kLevelScale);
  b.Num("scv", {1000, 1000.5, 1000, 1000.5, 1000, 1000.5, 1000, 1000.5, 1000, 1000.5}, kLevelScale);
  b.Num("sok", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, kLevelScale);
  ProcedureRun run(b.data);
  run.Run(
      "VALIDATEDATA VARIABLES=cmiss cconst cuneq cboth cok smiss ssd scv sok "
      "/VARCHECKS PCTMISSING=50 PCTEQUAL=85.0 STDDEV=0.1.");
  EXPECT_THAT(run.Lines("VariableChecks"),
              ElementsAre("Categorical/Cases Missing > 50=cmiss\ncboth",
                          "Categorical/Cases Constant > 85.0=cconst\ncboth",
                          "Categorical/Categories Containing One Case > 90.0%=cuneq",
                          "Scale/Cases Missing > 50=smiss", "Scale/Standard Deviation < 0.1=ssd",
                          "Scale/Coefficient Of Variation < 0.001=scv"));
}

TEST(VariableChecks, AHundredPercentKeepsTheRowsButNeverFillsThemAndStdDevZeroNeverFlags) {
  DatasetBuilder b(10);
  const double M = kMiss;
  b.Num("cmiss", {1, 1, M, M, M, M, M, M, M, M});
  b.Num("sconst", {5, 5, 5, 5, 5, 5, 5, 5, 5, M}, kLevelScale);
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=cmiss sconst /VARCHECKS PCTMISSING=100 PCTEQUAL=100 STDDEV=0.");
  const auto tables = run.Tables("VariableChecks");
  ASSERT_EQ(tables.size(), 1u);
  // sconst has sd 0 but only the coefficient of variation flags it.
  EXPECT_THAT(ProcedureRun::CellLines(tables[0]),
              ElementsAre("Scale/Coefficient Of Variation < 0.001=sconst"));
  EXPECT_THAT(ProcedureRun::Leaves(tables[0], "Contents"),
              ElementsAre("Cases Missing > 100", "Cases Constant > 100",
                          "Categories Containing One Case > 90.0%", "Cases Missing > 100",
                          "Standard Deviation < 0", "Coefficient Of Variation < 0.001"));
}

TEST(VariableChecks, EachSplitGroupListsOnlyItsOwnFailures) {
  DatasetBuilder b(8);
  const int s = b.Num("s", {1, 1, 1, 1, 2, 2, 2, 2});
  b.Num("x", {3, 3, 3, 3, 1, 2, 3, 4}, kLevelScale);
  b.data.SetSplitVariables({s});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x.");
  EXPECT_THAT(run.Lines("VariableChecks", 0),
              ElementsAre("Scale/Coefficient Of Variation < 0.001=x"));
  EXPECT_THAT(run.Lines("VariableChecks", 1), IsEmpty());
}
