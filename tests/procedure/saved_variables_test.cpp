// The saved indicator variables: names, order of creation, dictionary entries, the notes
// that name them, and what is not created.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

using Labels = std::vector<std::pair<double, std::string>>;

TEST(SavedVariables, AllFourCarryTheirLabelsValueLabelsLevelsAndNotes) {
  DatasetBuilder b = RuleData();
  b.data.GetVariable(b.data.FindVarIndex("id"))->Numbers() = {1, 1, 2, 2};
  const int before = b.data.ColumnCount();
  ProcedureRun run(b.data);
  run.Run(
      "VALIDATEDATA VARIABLES=a b ID=id /VARCHECKS STATUS=OFF "
      "/SAVE RULEVIOLATIONS DUPLICATEID INCOMPLETEID EMPTYCASE.");
  ASSERT_EQ(run.Data().ColumnCount(), before + 4);
  struct Expected {
    const char* name;
    const char* label;
    int level;
    Labels labels;
  } const expected[4] = {{"EmptyCase",
                          "Empty Case Indicator ...",
                          kLevelNominal,
                          {{0, "Non-empty ..."}, {1, "Empty ..."}}},
                         {"IncompleteID",
                          "Incomplete Identifiers Indicator ...",
                          kLevelNominal,
                          {{0, "Complete ..."}, {1, "Incomplete ..."}}},
                         {"DuplicateIDGroup",
                          "Duplicate Identifiers Group ...",
                          kLevelNominal,
                          {{0, "Unique ..."}, {1, "Group 1 ..."}, {2, "Group 2 ..."}}},
                         {"ValidationRuleViolations",
                          "Total Count of Validation Rule Violations ...",
                          kLevelScale,
                          {}}};
  for (int i = 0; i < 4; ++i) {
    const ZIRA_Variable& v = *run.Data().GetVariable(before + i);
    EXPECT_EQ(v.GetName(), expected[i].name);
    EXPECT_EQ(v.GetType(), 0);
    EXPECT_EQ(v.GetFormat(), (ZiraFormat{kFmtNumber, 8, 0}));
    EXPECT_EQ(v.GetWriteFormat(), (ZiraFormat{kFmtNumber, 8, 0}));
    EXPECT_EQ(v.GetLabel(), expected[i].label);
    EXPECT_EQ(v.GetMeasurementLevel(), expected[i].level);
    EXPECT_EQ(v.GetValueLabels().NumericPairs(), expected[i].labels) << expected[i].name;
  }
  EXPECT_THAT(run.Notes(), ElementsAre(Pair("Empty Case Indicator", "EmptyCase"),
                                       Pair("Incomplete Identifiers Indicator", "IncompleteID"),
                                       Pair("DuplicateId Group ...", "DuplicateIDGroup"),
                                       Pair("Total Count of Validation Rule Violations",
                                            "ValidationRuleViolations")));
}

TEST(SavedVariables, UserNamedVariablesAreCreatedBeforeDefaultNamedOnes) {
  DatasetBuilder b = RuleData();
  const int before = b.data.ColumnCount();
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=a /VARCHECKS STATUS=OFF /SAVE EMPTYCASE RULEVIOLATIONS=nviol.");
  EXPECT_EQ(run.Data().FindVarIndex("nviol"), before);
  EXPECT_EQ(run.Data().FindVarIndex("EmptyCase"), before + 1);
  // The notes keep the fixed order of the four variables.
  EXPECT_THAT(run.Notes(), ElementsAre(Pair("Empty Case Indicator", "EmptyCase"),
                                       Pair("Total Count of Validation Rule Violations", "nviol")));
}

TEST(SavedVariables, IdentifierAndRuleVariablesNeedIdentifiersAndRules) {
  DatasetBuilder b(3);
  b.Num("x", {1, 2, 3});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x /SAVE INCOMPLETEID RULEVIOLATIONS.");
  EXPECT_EQ(run.Data().ColumnCount(), 1);
  EXPECT_THAT(run.Notes(), IsEmpty());
}

TEST(SavedVariables, ADefaultRootInUseGivesANewNameAndLeavesTheOldVariableAlone) {
  DatasetBuilder b(3);
  b.Num("x", {1, kMiss, 3});
  b.Num("EmptyCase", {7, 7, 7});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x /SAVE EMPTYCASE.");
  ASSERT_EQ(run.Data().ColumnCount(), 3);
  const std::string made = run.Data().GetVariable(2)->GetName();
  EXPECT_NE(made, "EmptyCase");
  EXPECT_THAT(run.Column("EmptyCase"), ElementsAre(7, 7, 7));
  EXPECT_THAT(run.Column(made), ElementsAre(0, 1, 0));
  EXPECT_THAT(run.Notes(), ElementsAre(Pair("Empty Case Indicator", made)));
}

TEST(SavedVariables, AUserNameInUseOrGivenTwiceStopsTheCommandWithoutNewVariables) {
  DatasetBuilder b(3);
  b.Num("x", {1, kMiss, 3});
  ProcedureRun run(b.data);
  EXPECT_EQ(run.Run("VALIDATEDATA VARIABLES=x /SAVE EMPTYCASE INCOMPLETEID=x."), 3);
  EXPECT_EQ(run.Run("VALIDATEDATA VARIABLES=x /SAVE EMPTYCASE=v RULEVIOLATIONS=v."), 3);
  EXPECT_EQ(run.Data().ColumnCount(), 1);
  EXPECT_THAT(run.Tables("CaseChecks"), IsEmpty());
}
