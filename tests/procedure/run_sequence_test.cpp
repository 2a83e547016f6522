// The run as a whole: one or two passes and when the saved variables appear, an interrupt
// during a split group, case weighting, and datasets without cases, columns or split values.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backend/validatedata/VDTRun.h"
#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

namespace {

// What the case hook saw: at the first case of the final pass, the saved variables' columns
// and the number of value labels of the duplicate-group variable.
struct Seen {
  long cases = 0;
  int emptyCaseCol = -2;
  size_t groupLabels = 0;
  long interruptAt = 0;
} gSeen;

void Watch(long caseNumber) {
  ++gSeen.cases;
  ZIRA_DataSource& data = Session::Current()->Active();
  if (caseNumber == 1) {
    gSeen.emptyCaseCol = data.FindVarIndex("EmptyCase");
    if (const ZIRA_Variable* v = data.GetVariable(data.FindVarIndex("DuplicateIDGroup")))
      gSeen.groupLabels = v->GetValueLabels().Size();
  }
  if (caseNumber == gSeen.interruptAt) pvGetCmnGlb()->errorWord = 1;
}

class RunSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen = Seen{};
    vdt::SetCaseHookForTesting(Watch);
  }
  void TearDown() override { vdt::SetCaseHookForTesting(nullptr); }
};

}  // namespace

TEST_F(RunSequence, WithoutIdentifiersOnePassReadsCasesWithTheVariablesAlreadyCreated) {
  DatasetBuilder b(3);
  b.Num("x", {1, kMiss, 3});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x /SAVE EMPTYCASE.");
  EXPECT_EQ(gSeen.cases, 3);
  EXPECT_EQ(gSeen.emptyCaseCol, 1);
  EXPECT_THAT(run.Column("EmptyCase"), ElementsAre(0, 1, 0));
}

TEST_F(RunSequence, WithDuplicateChecksVariablesAreCreatedBetweenThePassesAndOutputComesOnce) {
  DatasetBuilder b(4);
  b.Num("id", {1, 1, 2, 2});
  b.Num("x", {1, kMiss, kMiss, 3});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x ID=id /SAVE DUPLICATEID EMPTYCASE.");
  // At the final pass's first case the group count was known: 0, 1 and 2 have labels.
  EXPECT_EQ(gSeen.groupLabels, 3u);
  EXPECT_GE(gSeen.emptyCaseCol, 0);
  EXPECT_EQ(gSeen.cases, 4);
  EXPECT_EQ(run.Tables("DuplicateIdentifiers").size(), 1u);
  EXPECT_THAT(run.Lines("CaseChecks"),
              ElementsAre("1/Case=2", "1/Identifier/id=1", "2/Case=3", "2/Identifier/id=2"));
  EXPECT_THAT(run.Column("EmptyCase"), ElementsAre(0, 1, 1, 0));
}

TEST_F(RunSequence, AnInterruptDuringAGroupLeavesItWithoutTablesButTheNotesAreWritten) {
  DatasetBuilder b(6);
  const int s = b.Num("s", {1, 1, 1, 2, 2, 2});
  b.Num("x", {1, kMiss, 3, kMiss, 5, kMiss});
  b.data.SetSplitVariables({s});
  ProcedureRun run(b.data);
  gSeen.interruptAt = 5;
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /SAVE EMPTYCASE.");
  run.GetSession().Glb().errorWord = 0;
  EXPECT_EQ(run.Tables("CaseChecks").size(), 1u);
  EXPECT_THAT(run.Lines("CaseChecks"), ElementsAre("1/Case=2"));
  EXPECT_THAT(run.Tables("VariableSummary").size(), 1u);
  EXPECT_THAT(run.Notes(), ElementsAre(Pair("Empty Case Indicator", "EmptyCase")));

  gSeen = Seen{};
  gSeen.interruptAt = 2;
  run.Run("VALIDATEDATA VARIABLES=x /VARCHECKS STATUS=OFF /SAVE EMPTYCASE=e2.");
  run.GetSession().Glb().errorWord = 0;
  EXPECT_THAT(run.Tables("CaseChecks"), IsEmpty());
  EXPECT_THAT(run.Notes(), ElementsAre(Pair("Empty Case Indicator", "e2")));
}

TEST_F(RunSequence, CaseWeightingIsSwitchedOffForTheRunAndRestoredAfter) {
  DatasetBuilder b(3);
  b.Num("x", {1, 2, 3});
  ProcedureRun run(b.data);
  run.GetSession().Glb().weightWord = 1;
  run.Run("VALIDATEDATA VARIABLES=x.");
  EXPECT_THAT(run.Messages("warning"), Contains(HasSubstr("Case weighting is ignored")));
  EXPECT_EQ(run.GetSession().Glb().weightWord, 1);
  EXPECT_EQ(run.Run("VALIDATEDATA VARIABLES=nosuchvar."), 3);
  EXPECT_EQ(run.GetSession().Glb().weightWord, 1);
}

TEST_F(RunSequence, ADatasetWithoutCasesIsReportedAndNothingIsRead) {
  DatasetBuilder b(0);
  b.Num("x", {});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA VARIABLES=x.");
  EXPECT_EQ(gSeen.cases, 0);
  EXPECT_THAT(run.Messages("warning"), Contains(HasSubstr("There are no cases to read")));
  EXPECT_THAT(run.Tables("CaseChecks"), IsEmpty());
}

TEST_F(RunSequence, ADatasetWithoutColumnsIsReportedAndTheRunGoesOnIntoParsing) {
  ProcedureRun run(ZIRA_DataSource{});
  run.Run("VALIDATEDATA.");
  EXPECT_THAT(run.Messages("warning"), Contains(HasSubstr("has no variables")));
  EXPECT_EQ(run.Data().ColumnCount(), 0);
  EXPECT_EQ(run.Run("VALIDATEDATA VARIABLES=x."), 3);
}

TEST_F(RunSequence, ASplitVariableWithEveryValueMissingMakesOneGroup) {
  DatasetBuilder b(4);
  const int s = b.Num("s", std::vector<double>(4, kMiss));
  b.Num("id", {3, 3, 3, 3});
  b.data.SetSplitVariables({s});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA ID=id /SAVE DUPLICATEID.");
  EXPECT_EQ(run.Tables("DuplicateIdentifiers").size(), 1u);
  EXPECT_THAT(run.Lines("DuplicateIdentifiers"),
              Contains("1/Cases with Duplicate Identifiers=1, 2, 3, 4"));
  EXPECT_THAT(run.Column("DuplicateIDGroup"), ElementsAre(1, 1, 1, 1));
}
