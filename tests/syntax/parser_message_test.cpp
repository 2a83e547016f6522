// The parser's standard messages: levels, the command and keyword they name, and where.
#include <gtest/gtest.h>

#include "host/syntax/CommandTokens.h"
#include "host/syntax/ParserMessage.h"
#include "syntax_support.h"

TEST(ParserMessage, TranslatedTextFillsNumberedPlaceholders) {
  EXPECT_EQ(ParserMessage::GetTranslatedText("Group ^1 of ^2, ^3", {"4", "9"}), "Group 4 of 9, ^3");
}

TEST(ParserMessage, StandardMessagesNameTheCommandAndGoOutAtTheirLevels) {
  RecordingSession rs;
  ParserMessage pm;
  pm.SetCommandName("VALIDATEDATA");
  pm.NoTableRequested();
  pm.DisableWeight();
  pm.ParamExclAnyOther("NONE", "IDCHECKS");
  pm.KeyWordNoValue("NONE", "CASEREPORT");
  pm.WrongValueType("FIRSTN", "CASEREPORT");
  pm.InvalidParamOption("LAST", "CASELIMIT", "CASEREPORT");
  pm.ParamValueBreakBdry(0, 0, 2, 0, 0, "FIRSTN", "CASEREPORT");
  pm.VariableTwoVarList("grp", "DUPLICATEID", "SAVE", "EMPTYCASE", "SAVE");
  const auto& m = rs.messages();
  ASSERT_EQ(m.size(), 8u);
  std::vector<int> levels;
  for (const auto& x : m) {
    levels.push_back(x.first);
    EXPECT_EQ(x.second.rfind("VALIDATEDATA: ", 0), 0u) << x.second;
  }
  EXPECT_EQ(levels, (std::vector<int>{2, 2, 3, 3, 3, 3, 3, 3}));
  EXPECT_EQ(m[2].second,
            "VALIDATEDATA: NONE on /IDCHECKS must be the only keyword of its subcommand; remove "
            "it or the other keywords.");
  EXPECT_EQ(m[5].second, "VALIDATEDATA: LAST is not a valid value for CASELIMIT on /CASEREPORT.");
  EXPECT_EQ(m[6].second, "VALIDATEDATA: FIRSTN on /CASEREPORT must be greater than 0; found 0.");
  EXPECT_EQ(m[7].second,
            "VALIDATEDATA: The variable grp is given both for DUPLICATEID on /SAVE and for "
            "EMPTYCASE on /SAVE; a variable may stand in only one of them.");
}

TEST(ParserMessage, AMessageAboutAKeywordPointsAtItInTheCurrentCommand) {
  RecordingSession rs;
  CommandTokens cmd;
  std::string err;
  ASSERT_TRUE(CommandTokens::FromText(
      "VALIDATEDATA VARIABLES=none\n /IDCHECKS INCOMPLETE NONE\n /CASEREPORT CASELIMIT=LAST", &cmd,
      &err, "m.sps"));
  rs.setCurrent(cmd);
  ParserMessage pm;
  pm.SetCommandName("VALIDATEDATA");
  pm.ParamExclAnyOther("NONE", "IDCHECKS");
  EXPECT_NE(rs.lastText().find("at line 2, column 23 in m.sps:\n     /IDCHECKS INCOMPLETE NONE\n"),
            std::string::npos)
      << rs.lastText();
  pm.InvalidParamOption("LAST", "CASELIMIT", "CASEREPORT");
  EXPECT_NE(rs.lastText().find("at line 3, column 24"), std::string::npos) << rs.lastText();
}
