// The command runner: a command file runs command by command, stops at the first command that
// fails, and lists the ones it did not run.
#include <fstream>
#include <stdexcept>

#include "commands_support.h"

using Runner = CommandsTest;

TEST_F(Runner, AFailedCommandStopsTheFileAndListsTheCommandsNotRun) {
  EXPECT_FALSE(
      Run("LOAD FILE='data.csv'.\n"
          "SORT BY nosuch.\n"
          "VARIABLE LABELS VARIABLES=id LABEL='Identifier'.\n"
          "SHOW VARIABLES.\n"));
  EXPECT_EQ(Data().CaseCount(), 5u);  // LOAD ran
  EXPECT_EQ(Data().GetVariable(0)->GetLabel(), "");
  EXPECT_NE(Errors().find("SORT: BY: nosuch is not a variable"), std::string::npos) << Errors();
  EXPECT_NE(Messages(1).find("These commands were not run:\n  VARIABLE LABELS (line 3)\n"
                             "  SHOW (line 4)"),
            std::string::npos)
      << Messages(1);
}

TEST_F(Runner, AWarningDoesNotFailTheCommand) {
  EXPECT_TRUE(
      Run("LOAD FILE='data.csv'.\n"
          "ATTRIBUTE DATASET NAME='nothing' /DELETE.\n"
          "VARIABLE LABELS VARIABLES=id LABEL='Identifier'.\n"));
  EXPECT_NE(Messages(2).find("has no attribute nothing"), std::string::npos);
  EXPECT_EQ(Data().GetVariable(0)->GetLabel(), "Identifier");
}

TEST_F(Runner, AnUnknownCommandFailsAndNamesTheKnownCommands) {
  EXPECT_FALSE(Run("FROBNICATE all the things.\n"));
  EXPECT_NE(Errors().find("FROBNICATE: Unknown command; the commands are ATTRIBUTE, COMPUTE, LOAD"),
            std::string::npos)
      << Errors();
  EXPECT_NE(Errors().find("^"), std::string::npos);
}

TEST_F(Runner, TheCommandsBeforeALexicalErrorRunAndTheFileFails) {
  EXPECT_FALSE(
      Run("LOAD FILE='data.csv'.\n"
          "VARIABLE LABELS VARIABLES=id LABEL='unclosed.\n"));
  EXPECT_EQ(Data().CaseCount(), 5u);
  EXPECT_NE(Errors().find("line 2"), std::string::npos) << Errors();
}

TEST_F(Runner, AfterSetDecimalCommaTheRestOfTheFileReadsCommasAsDecimalPoints) {
  EXPECT_TRUE(
      Run("LOAD FILE='data.csv'.\n"
          "SET DECIMAL=COMMA.\n"
          "MISSING VALUES VARIABLES=score VALUES=10,5.\n"
          "SET DECIMAL=DOT.\n"
          "MISSING VALUES VARIABLES=id VALUES=1,5.\n"))
      << Errors();
  const int score = Data().FindVarIndex("score");
  EXPECT_EQ(Data().GetVariable(score)->GetMissingValues().values, std::vector<double>{10.5});
  EXPECT_EQ(Data().GetVariable(0)->GetMissingValues().values, (std::vector<double>{1, 5}));
  EXPECT_EQ(fSession.Loc().decimal, '.');
}

TEST_F(Runner, ACommandDoesNotStartOnceTheErrorWordIsSet) {
  ASSERT_TRUE(Run("LOAD FILE='data.csv'.\n"));
  fSession.Glb().errorWord = 1;  // as the program's SIGINT handler does
  EXPECT_FALSE(Run("VARIABLE LABELS VARIABLES=id LABEL='x'.\n"));
  EXPECT_TRUE(fRunner->Interrupted());
  EXPECT_EQ(Data().GetVariable(0)->GetLabel(), "");
  EXPECT_NE(Messages(1).find("not run"), std::string::npos);
}

TEST_F(Runner, AHandlerThatThrowsFailsItsCommandWithoutEndingTheProgram) {
  fRunner->RegisterHostCommand("BREAK NOW", [](Session&, const CommandTokens&) -> bool {
    throw std::runtime_error("out of luck");
  });
  EXPECT_FALSE(Run("BREAK NOW.\nLOAD FILE='data.csv'.\n"));
  EXPECT_NE(Errors().find("BREAK NOW: The command stopped: out of luck."), std::string::npos)
      << Errors();
  EXPECT_EQ(Data().ColumnCount(), 0);
}

TEST_F(Runner, FilesRunInOneSessionAndStopAtTheFirstThatFails) {
  WriteText("one.sps", "LOAD FILE='data.csv'.\n");
  WriteText("two.sps", "WEIGHT BY name.\n");
  WriteText("three.sps", "SORT BY id (D).\n");
  EXPECT_FALSE(fRunner->RunFiles({File("one.sps"), File("two.sps"), File("three.sps")}));
  EXPECT_EQ(Numbers("id").front(), 1);  // three.sps did not run
  EXPECT_NE(Messages(1).find("These command files were not run:\n  " + File("three.sps")),
            std::string::npos);
  EXPECT_FALSE(fRunner->RunFile(File("missing.sps")));
  EXPECT_NE(Errors().find("Cannot read the command file"), std::string::npos);
}

TEST_F(Runner, RelativePathsAreReadFromTheCommandFilesFolder) {
  WriteText("job.sps", "LOAD FILE='data.csv'.\nWRITE FILE='copy.csv'.\n");
  EXPECT_TRUE(fRunner->RunFile(File("job.sps"))) << Errors();
  EXPECT_TRUE(std::ifstream(File("copy.csv")).good());
  EXPECT_TRUE(std::ifstream(File("copy.schema.json")).good());
}
