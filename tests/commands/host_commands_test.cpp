// The host commands through the runner: what each does to the session, end to end from a
// command file to the written dataset.
#include <cmath>

#include "commands_support.h"
#include "host/io/DatasetReader.h"
#include "host/io/ValueText.h"

namespace {

class HostCommands : public CommandsTest {
 protected:
  void SetUp() override { ASSERT_TRUE(Run("LOAD FILE='data.csv'.\n")) << Errors(); }
  const ZIRA_Variable& Var(const std::string& name) {
    return *Data().GetVariable(Data().FindVarIndex(name));
  }
};

}  // namespace

TEST_F(HostCommands, ACommandFileLoadsChangesAndWritesADataset) {
  ASSERT_TRUE(
      Run("ATTRIBUTE DATASET NAME='$VD.SRule' VALUES='Label: a' 'Label: b'.\n"
          "ATTRIBUTE VARIABLES=score NAME='$VD.SRuleRef' INDEX=2\n"
          "  VALUE='Rule=$VD.SRule[2],OutcomeVar=bad'.\n"
          "VARIABLE LABELS VARIABLES=score LABEL='Test score'.\n"
          "VALUE LABELS VARIABLES=grp LABELS=1 'low' 2 'mid' 3 'high'.\n"
          "MISSING VALUES VARIABLES=score VALUES=-9 90 THRU HI.\n"
          "VARIABLE LEVEL VARIABLES=grp LEVEL=ORDINAL.\n"
          "SORT BY grp (D) id.\n"
          "SPLIT FILE BY grp.\n"
          "WEIGHT BY score.\n"
          "WRITE FILE='out.csv'.\n"))
      << Errors();
  EXPECT_EQ(Data().SplitVariables(), std::vector<int>{1});
  EXPECT_EQ(Data().WeightVariable(), 2);
  EXPECT_EQ(fSession.Glb().weightWord, 1);

  ZIRA_DataSource back;
  std::string error;
  ASSERT_TRUE(ReadDataset(File("out.csv"), {}, &back, &error, nullptr)) << error;
  const ZIRA_Variable& id = *back.GetVariable(back.FindVarIndex("id"));
  std::vector<double> ids;
  for (size_t r = 0; r < back.CaseCount(); ++r) ids.push_back(id.GetNumber(r));
  EXPECT_EQ(ids, (std::vector<double>{5, 1, 3, 2, 4}));
  EXPECT_EQ(back.GetAttributes().Values("$VD.SRule"),
            (std::vector<std::string>{"Label: a", "Label: b"}));
  const ZIRA_Variable& score = *back.GetVariable(back.FindVarIndex("score"));
  EXPECT_EQ(score.GetAttributes().Values("$vd.sruleref"),
            (std::vector<std::string>{"", "Rule=$VD.SRule[2],OutcomeVar=bad"}));
  EXPECT_EQ(score.GetLabel(), "Test score");
  EXPECT_TRUE(score.IsUserMissing(-9.0));
  EXPECT_TRUE(score.IsUserMissing(1e6));
  EXPECT_FALSE(score.IsUserMissing(89.0));
  const ZIRA_Variable& grp = *back.GetVariable(back.FindVarIndex("grp"));
  ASSERT_NE(grp.GetValueLabels().Find(3.0), nullptr);
  EXPECT_EQ(*grp.GetValueLabels().Find(3.0), "high");
  EXPECT_EQ(grp.GetMeasurementLevel(), kLevelOrdinal);
}

TEST_F(HostCommands, SortIsStableAndEachDirectionAppliesToTheVariablesBeforeIt) {
  ASSERT_TRUE(Run("SORT BY grp (D).\n")) << Errors();
  EXPECT_EQ(Numbers("id"), (std::vector<double>{5, 1, 3, 2, 4}));  // ties keep file order
  // Ascending grp, then descending score: system-missing is the lowest value.
  ASSERT_TRUE(Run("SORT BY grp (A) score (D).\n")) << Errors();
  EXPECT_EQ(Numbers("id"), (std::vector<double>{4, 2, 1, 3, 5}));
  ASSERT_TRUE(Run("SORT BY name (D).\n")) << Errors();
  EXPECT_EQ(Texts("name"), (std::vector<std::string>{"eve", "dee", "cy", "bob", "ann"}));
  ASSERT_TRUE(Run("SORT BY when score.\n")) << Errors();
  EXPECT_EQ(Numbers("id"), (std::vector<double>{5, 2, 4, 1, 3}));
}

TEST_F(HostCommands, SplitFileNotesDataNotSortedByItsVariablesAndOffClearsIt) {
  ASSERT_TRUE(Run("SPLIT FILE BY grp.\n"));
  EXPECT_NE(Messages(1).find("SPLIT FILE: The cases are not sorted by grp"), std::string::npos);
  EXPECT_EQ(Data().SplitVariables(), std::vector<int>{1});
  fMessages->clear();
  ASSERT_TRUE(Run("SORT BY grp.\nSPLIT FILE BY grp name.\n"));
  EXPECT_EQ(Messages(1), "");  // sorted by grp: each value of (grp, name) is one run
  ASSERT_TRUE(Run("SPLIT FILE OFF.\n"));
  EXPECT_TRUE(Data().SplitVariables().empty());
}

TEST_F(HostCommands, WeightSetsTheWeightWordAndLoadingANewDatasetClearsIt) {
  ASSERT_TRUE(Run("WEIGHT BY score.\n"));
  EXPECT_EQ(fSession.Glb().weightWord, 1);
  ASSERT_TRUE(Run("WEIGHT OFF.\n"));
  EXPECT_EQ(fSession.Glb().weightWord, 0);
  EXPECT_EQ(Data().WeightVariable(), -1);
  ASSERT_TRUE(Run("WEIGHT BY score.\nLOAD FILE='data.csv'.\n"));
  EXPECT_EQ(fSession.Glb().weightWord, 0);
  EXPECT_EQ(Data().WeightVariable(), -1);
}

TEST_F(HostCommands, SetChangesTheLocaleAndTheDebugSwitch) {
  ASSERT_TRUE(Run("SET DECIMAL=COMMA DEBUGDISPLAY=ON.\n"));
  EXPECT_EQ(fSession.Loc().decimal, ',');
  EXPECT_EQ(fSession.Loc().listSeparator, ';');
  EXPECT_TRUE(fSession.DebugDisplay());
  ASSERT_TRUE(Run("set decimal=dot debugdisplay=off.\n"));
  EXPECT_EQ(fSession.Loc().listSeparator, ',');
  EXPECT_FALSE(fSession.DebugDisplay());
}

TEST_F(HostCommands, AttributeSetsAppendsAndDeletesElementsAndArrays) {
  const auto values = [&] { return Var("id").GetAttributes().Values("tags"); };
  ASSERT_TRUE(Run("ATTRIBUTE VARIABLES=id NAME='tags' INDEX=3 VALUE='c'.\n"));
  EXPECT_EQ(values(), (std::vector<std::string>{"", "", "c"}));
  ASSERT_TRUE(Run("ATTRIBUTE VARIABLES=id NAME='tags' VALUES='d' 'e' /APPEND.\n"));
  EXPECT_EQ(values(), (std::vector<std::string>{"", "", "c", "d", "e"}));
  ASSERT_TRUE(Run("ATTRIBUTE VARIABLES=id NAME='tags' INDEX=1 /DELETE.\n"));
  EXPECT_EQ(values(), (std::vector<std::string>{"", "c", "d", "e"}));
  ASSERT_TRUE(Run("ATTRIBUTE VARIABLES=id NAME='tags' VALUE='only'.\n"));
  EXPECT_EQ(values(), std::vector<std::string>{"only"});
  ASSERT_TRUE(Run("ATTRIBUTE VARIABLES=id grp NAME='tags' /DELETE.\n"));
  EXPECT_FALSE(Var("id").GetAttributes().Has("tags"));
  EXPECT_NE(Messages(2).find("grp has no attribute tags"), std::string::npos);
  ASSERT_TRUE(Run("ATTRIBUTE DATASET NAME='$VD.CRule' VALUE='Label: x' /APPEND.\n"));
  EXPECT_EQ(Data().GetAttributes().Values("$VD.CRule"), std::vector<std::string>{"Label: x"});
}

TEST_F(HostCommands, LabelsAndMissingValuesAreReadForEachVariablesTypeAndFormat) {
  ASSERT_TRUE(
      Run("VALUE LABELS VARIABLES=grp LABELS=1 'one'.\n"
          "VALUE LABELS VARIABLES=grp LABELS=2 'two' -9 'refused' MODE=ADD.\n"
          "VALUE LABELS VARIABLES=name LABELS='ann' 'Ann' 'bob' 'Bob'.\n"
          "MISSING VALUES VARIABLES=when VALUES='2019-12-31'.\n"
          "MISSING VALUES VARIABLES=name VALUES='cy' 'dee'.\n"
          "MISSING VALUES VARIABLES=id VALUES=LO THRU 2.\n"))
      << Errors();
  EXPECT_EQ(Var("grp").GetValueLabels().Size(), 3u);
  ASSERT_NE(Var("grp").GetValueLabels().Find(-9.0), nullptr);
  ASSERT_NE(Var("name").GetValueLabels().Find(std::string_view("bob")), nullptr);
  double day = 0;
  ASSERT_TRUE(ParseIsoDate("2019-12-31", &day));
  EXPECT_EQ(Var("when").GetMissingValues().values, std::vector<double>{day});
  EXPECT_EQ(Var("name").GetMissingValues().strings, (std::vector<std::string>{"cy", "dee"}));
  EXPECT_TRUE(Var("id").IsUserMissing(-1e300));
  EXPECT_FALSE(Var("id").IsUserMissing(2.5));
  ASSERT_TRUE(
      Run("VALUE LABELS VARIABLES=grp LABELS=NONE.\n"
          "MISSING VALUES VARIABLES=id name VALUES=NONE.\n"));
  EXPECT_TRUE(Var("grp").GetValueLabels().Empty());
  EXPECT_TRUE(Var("id").GetMissingValues().Empty());
  EXPECT_TRUE(Var("name").GetMissingValues().Empty());
}

TEST_F(HostCommands, ShowVariablesListsTheDictionaryOfAllOrSomeVariables) {
  ASSERT_TRUE(Run("VARIABLE LABELS VARIABLES=score LABEL='Test score'.\nSHOW VARIABLES.\n"));
  EXPECT_NE(Messages(1).find("Test score"), std::string::npos);
  EXPECT_NE(Messages(1).find("5. when"), std::string::npos);
  fMessages->clear();
  ASSERT_TRUE(Run("SHOW VARIABLES=score.\n"));
  EXPECT_NE(Messages(1).find("Cases: 5"), std::string::npos) << Messages(1);
  EXPECT_NE(Messages(1).find("1. score"), std::string::npos);
  EXPECT_EQ(Messages(1).find("2. "), std::string::npos);
}

// Every failing command: its message names the command and the keyword, points at the text
// with a caret, and the session is exactly as it was.
struct FailingCommand {
  const char* text;
  const char* message;  // a piece of the first line of the error
};

class FailedCommands : public CommandsTest, public ::testing::WithParamInterface<FailingCommand> {};

TEST_P(FailedCommands, ReportAnErrorWithACaretAndChangeNothing) {
  ASSERT_TRUE(
      Run("LOAD FILE='data.csv'.\n"
          "ATTRIBUTE VARIABLES=id NAME='a' VALUES='1' '2'.\n"
          "ATTRIBUTE VARIABLES=score NAME='a' VALUES='1'.\n"
          "SPLIT FILE BY grp.\n"))
      << Errors();
  const std::string before = Fingerprint();
  EXPECT_FALSE(Run(std::string(GetParam().text) + "\nSORT BY id (D).\n"));
  const std::string e = Errors();
  EXPECT_NE(e.find(GetParam().message), std::string::npos) << e;
  EXPECT_NE(e.find("^"), std::string::npos) << e;
  EXPECT_EQ(Fingerprint(), before);
}

INSTANTIATE_TEST_SUITE_P(
    EachCommand, FailedCommands,
    ::testing::Values(
        FailingCommand{"LOAD FILE='nosuch.csv'.", "LOAD: FILE: "},
        FailingCommand{"LOAD FILE='data.csv' SCHEMA='nosuch.schema.json'.", "LOAD: SCHEMA: "},
        FailingCommand{"LOAD.", "LOAD: "},
        FailingCommand{"WRITE FILE='out.txt'.", "WRITE: FILE: The file name must end in .csv"},
        FailingCommand{"WRITE FILE='data.csv/x.csv'.", "WRITE: FILE: "},
        FailingCommand{"SORT BY nosuch.", "SORT: BY: nosuch is not a variable"},
        FailingCommand{"SORT BY grp (X).", "SORT: BY: A sort direction is written (A)"},
        FailingCommand{"SORT BY (D) grp.", "SORT: BY: (A) or (D) must follow the variables"},
        FailingCommand{"SORT BY grp (A) grp.", "SORT: BY: The variable grp is named more"},
        FailingCommand{"SPLIT FILE OFF BY grp.", "SPLIT FILE: OFF: BY and OFF cannot be given"},
        FailingCommand{"SPLIT FILE BY id TO nosuch.", "SPLIT FILE: BY: nosuch is not a variable"},
        FailingCommand{"WEIGHT BY name.", "WEIGHT: BY: name is a string variable"},
        FailingCommand{"WEIGHT BY id grp.", "WEIGHT: BY: Exactly one weight variable"},
        FailingCommand{"SET DECIMAL=SEMICOLON.", "SET: DECIMAL must be one of DOT, COMMA"},
        FailingCommand{"ATTRIBUTE NAME='x' VALUE='y'.", "ATTRIBUTE: Say whose attribute"},
        FailingCommand{"ATTRIBUTE DATASET NAME='1x' VALUE='y'.", "ATTRIBUTE: NAME: An attribute"},
        FailingCommand{"ATTRIBUTE DATASET NAME='x' VALUE='y' /APPEND /DELETE.",
                       "ATTRIBUTE: /DELETE: /APPEND and /DELETE cannot"},
        FailingCommand{"ATTRIBUTE DATASET NAME='x' INDEX=0 VALUE='y'.",
                       "ATTRIBUTE: INDEX must be at least 1"},
        FailingCommand{"ATTRIBUTE VARIABLES=id score NAME='a' INDEX=2 /DELETE.",
                       "ATTRIBUTE: INDEX: The attribute a of score has 1 element;"},
        FailingCommand{"ATTRIBUTE VARIABLES=id NAME='a' VALUES='x' 3.",
                       "ATTRIBUTE: VALUES: Each element is a text in quotes"},
        FailingCommand{"VARIABLE LABELS VARIABLES=id.", "VARIABLE LABELS: LABEL is required"},
        FailingCommand{"VALUE LABELS VARIABLES=id name LABELS=1 'one'.",
                       "VALUE LABELS: LABELS: Expected value and label pairs"},
        FailingCommand{"VALUE LABELS VARIABLES=id LABELS=1 'one' 2.",
                       "VALUE LABELS: LABELS: The value 2 needs a label in quotes"},
        FailingCommand{"VALUE LABELS VARIABLES=name LABELS='a much too long value' 'x'.",
                       "is longer than the width 3 of name"},
        FailingCommand{"VALUE LABELS VARIABLES=id LABELS=NONE MODE=ADD.",
                       "VALUE LABELS: LABELS: NONE removes every value label"},
        FailingCommand{"MISSING VALUES VARIABLES=id VALUES=1 THRU 2 5 THRU 6.",
                       "MISSING VALUES: VALUES: Only one range"},
        FailingCommand{"MISSING VALUES VARIABLES=id VALUES=5 THRU 1.",
                       "MISSING VALUES: VALUES: The range's lower end is above"},
        FailingCommand{"MISSING VALUES VARIABLES=when VALUES='2019-13-45'.",
                       "is not a date (YYYY-MM-DD) for when"},
        FailingCommand{"MISSING VALUES VARIABLES=score name VALUES=1.",
                       "name is a string variable: expected a value in quotes"},
        FailingCommand{"VARIABLE LEVEL VARIABLES=id name LEVEL=SCALE.",
                       "VARIABLE LEVEL: LEVEL: name is a string variable and cannot be scale"},
        FailingCommand{"VARIABLE LEVEL VARIABLES=id LEVEL=INTERVAL.",
                       "VARIABLE LEVEL: LEVEL must be one of NOMINAL, ORDINAL, SCALE"},
        FailingCommand{"SHOW VARIABLES=nosuch.", "SHOW: VARIABLES: nosuch is not a variable"},
        FailingCommand{"FROB.", "FROB: Unknown command"}));
