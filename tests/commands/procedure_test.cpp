// Procedures as plug-ins: the runner loads a procedure's library on first use and calls its
// entry point with the session and the command installed as current.
#include <cstdlib>

#include "commands_support.h"

namespace {

class Procedures : public CommandsTest {
 protected:
  Procedures() {
    fRunner->RegisterProcedure("TESTPROC", TestProcedureFolder() + "/libziratestproc.so",
                               "TESTPROC");
  }
  ~Procedures() override { unsetenv("ZIRA_PROCEDURE_PATH"); }
};

}  // namespace

TEST_F(Procedures, AProcedureSeesItsTokensTheActiveDatasetAndTheSettings) {
  EXPECT_TRUE(
      Run("LOAD FILE='data.csv'.\n"
          "SORT BY grp.\n"
          "SPLIT FILE BY grp.\n"
          "WEIGHT BY score.\n"
          "TESTPROC ADDVAR\n"
          "  WARN.\n"))
      << Errors();
  EXPECT_NE(Messages(1).find("TESTPROC saw 3 tokens, 6 variables, 5 cases, split by [grp], "
                             "weight word 1, line 5"),
            std::string::npos)
      << Messages(1);
  // What the procedure added is in the session's active dataset.
  EXPECT_GE(Data().FindVarIndex("testproc_var"), 0);
}

TEST_F(Procedures, AnErrorOfTheProcedureFailsItsCommand) {
  EXPECT_FALSE(Run("LOAD FILE='data.csv'.\nTESTPROC FAIL.\nSORT BY id (D).\n"));
  EXPECT_NE(Errors().find("TESTPROC: the procedure failed."), std::string::npos);
  EXPECT_EQ(Numbers("id").front(), 1);
}

TEST_F(Procedures, AnInterruptDuringAProcedureStopsTheRun) {
  EXPECT_FALSE(Run("LOAD FILE='data.csv'.\nTESTPROC INTERRUPT.\nSORT BY id (D).\n"));
  EXPECT_TRUE(fRunner->Interrupted());
  EXPECT_EQ(Numbers("id").front(), 1);
}

TEST_F(Procedures, ALibraryIsFoundByFileNameInTheProcedurePath) {
  setenv("ZIRA_PROCEDURE_PATH", ("/nonexistent:" + TestProcedureFolder()).c_str(), 1);
  fRunner->RegisterProcedure("OTHERPROC", "libziratestproc.so", "TESTPROC");
  EXPECT_TRUE(Run("OTHERPROC.\n")) << Errors();
  EXPECT_NE(Messages(1).find("TESTPROC saw 1 tokens, 0 variables"), std::string::npos);
}

TEST_F(Procedures, AMissingLibraryIsAnErrorNamingTheFoldersSearched) {
  setenv("ZIRA_PROCEDURE_PATH", fDir.c_str(), 1);
  fRunner->RegisterProcedure("NOLIB", "libzira_not_there.so", "ENTRY");
  EXPECT_FALSE(Run("NOLIB.\nLOAD FILE='data.csv'.\n"));
  const std::string e = Errors();
  EXPECT_NE(e.find("NOLIB: The procedure library libzira_not_there.so could not be loaded."),
            std::string::npos)
      << e;
  EXPECT_NE(e.find(fDir + "/libzira_not_there.so"), std::string::npos) << e;
  EXPECT_NE(e.find("ZIRA_PROCEDURE_PATH"), std::string::npos);
  EXPECT_EQ(Data().ColumnCount(), 0);
}

TEST_F(Procedures, ALibraryThatIsNotALibraryIsAnErrorOfItsCommand) {
  WriteText("libbroken.so", "this is not a shared library\n");
  setenv("ZIRA_PROCEDURE_PATH", fDir.c_str(), 1);
  fRunner->RegisterProcedure("BROKEN", "libbroken.so", "ENTRY");
  EXPECT_FALSE(Run("BROKEN.\n"));
  EXPECT_NE(Errors().find(File("libbroken.so") + ": "), std::string::npos) << Errors();
}

TEST_F(Procedures, AMissingEntryPointIsAnErrorOfItsCommand) {
  fRunner->RegisterProcedure("NOENTRY", TestProcedureFolder() + "/libziratestproc.so",
                             "NOSUCHENTRY");
  EXPECT_FALSE(Run("NOENTRY.\n"));
  EXPECT_NE(Errors().find("no entry point NOSUCHENTRY"), std::string::npos) << Errors();
}
