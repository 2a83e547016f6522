// Cutting a command file into commands, and the token sequence a parser reads.
#include <gtest/gtest.h>

#include "host/syntax/CommandTokens.h"
#include "host/syntax/ZIRA_TokenSequence.h"
#include "syntax_support.h"

TEST(Splitter, ACommandEndsWithAPeriodAtTheEndOfALineOrAtTheEndOfTheFile) {
  std::vector<CommandTokens> cmds;
  std::string err;
  ASSERT_TRUE(
      SplitCommands("LOAD FILE='a.csv'.\n\n"
                    "VALIDATEDATA VARIABLES=a.b c\n"
                    "  /VARCHECKS PCTMISSING=5.\n"
                    ".\n"
                    "SHOW VARIABLES",
                    "run.sps", &cmds, &err))
      << err;
  ASSERT_EQ(cmds.size(), 3u);
  EXPECT_EQ(cmds[0].Name(), "LOAD");
  EXPECT_EQ(cmds[1].Name(), "VALIDATEDATA");
  EXPECT_EQ(cmds[1].Size(), 10u);
  EXPECT_EQ(cmds[1].Tokens().back().getText(), "5");
  EXPECT_EQ(cmds[2].Name(), "SHOW");
}

TEST(Splitter, ACommandKeepsItsFileFirstLineAndSourceLines) {
  std::vector<CommandTokens> cmds;
  std::string err;
  ASSERT_TRUE(SplitCommands("* header\r\nA x.\r\nB y\r\n  /SUB z.\r\n", "two.sps", &cmds, &err))
      << err;
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(cmds[1].FileName(), "two.sps");
  EXPECT_EQ(cmds[1].FirstLine(), 3);
  EXPECT_EQ(cmds[1].SourceLines(), (std::vector<std::string>{"B y", "  /SUB z."}));
  const TokenInfoObj& z = cmds[1].Tokens().back();
  EXPECT_EQ(z.getLocationText(), "  at line 4, column 8 in two.sps:\n      /SUB z.\n           ^");
}

TEST(Splitter, ALexicalErrorKeepsTheCommandsBeforeIt) {
  std::vector<CommandTokens> cmds;
  std::string err;
  EXPECT_FALSE(SplitCommands("A x.\nB 'y.\nC z.\n", "e.sps", &cmds, &err));
  ASSERT_EQ(cmds.size(), 1u);
  EXPECT_EQ(cmds[0].Name(), "A");
  EXPECT_NE(err.find("at line 2, column 3 in e.sps"), std::string::npos) << err;
}

TEST(Splitter, FromTextWantsExactlyOneCommand) {
  CommandTokens cmd;
  std::string err;
  EXPECT_TRUE(CommandTokens::FromText("VALIDATEDATA VARIABLES=a", &cmd, &err));
  EXPECT_FALSE(CommandTokens::FromText("A.\nB.", &cmd, &err));
  EXPECT_NE(err.find("2 commands"), std::string::npos);
  EXPECT_FALSE(CommandTokens::FromText("/* nothing */", &cmd, &err));
}

TEST(TokenSequence, TrueReadsTheCurrentSessionsCommandAndIsEmptyWithoutOne) {
  EXPECT_TRUE(ZIRA_TokenSequence(true).Empty());
  RecordingSession rs;
  EXPECT_TRUE(ZIRA_TokenSequence(true).Empty());
  CommandTokens cmd;
  std::string err;
  ASSERT_TRUE(CommandTokens::FromText("VALIDATEDATA ID=x", &cmd, &err));
  rs.setCurrent(cmd);
  ZIRA_TokenSequence seq(true);
  ASSERT_EQ(seq.Size(), 4u);
  EXPECT_EQ(seq.At(3).getText(), "x");
  EXPECT_EQ(seq.Command().FileName(), "");
}
