// The messages of a VALIDATEDATA command: the bounds and word lists of the grammar, the
// parser's exclusivity, form and name checks, the warnings that let the run go on, and the
// switching off of case weighting for the run.
#include <gtest/gtest.h>

#include "tests/validatedata/parser_support.h"

namespace {

// Whether the command parses; on failure exactly one error was reported and it names `cited`.
bool Accepted(const std::string& command, const std::string& cited) {
  ParserRun run;
  const bool ok = run.Parse(command);
  EXPECT_EQ(run.CountAtLevel(3), ok ? 0 : 1) << command;
  if (!ok) {
    EXPECT_EQ(run.Containing(cited).size(), 1u) << command;
  }
  return ok;
}

TEST(ParserGrammar, EachBoundIsCheckedOnBothSides) {
  for (const std::string kw : {"PCTMISSING", "PCTEQUAL", "PCTUNEQUAL"}) {
    const std::string head = "VALIDATEDATA VARIABLES=age /VARCHECKS " + kw + "=";
    EXPECT_FALSE(Accepted(head + "0.", kw));
    EXPECT_TRUE(Accepted(head + "0.5.", kw));
    EXPECT_TRUE(Accepted(head + "100.", kw));
    EXPECT_FALSE(Accepted(head + "100.5.", kw));
    EXPECT_FALSE(Accepted(head + "ten.", kw));
  }
  for (const std::string kw : {"CV", "STDDEV"}) {
    const std::string head = "VALIDATEDATA VARIABLES=age /VARCHECKS " + kw + "=";
    EXPECT_TRUE(Accepted(head + "0.", kw));
    EXPECT_TRUE(Accepted(head + "1000.", kw));
    EXPECT_FALSE(Accepted(head + "-0.001.", kw));
  }
  const std::string head = "VALIDATEDATA VARIABLES=age /CASEREPORT MINVIOLATIONS=";
  EXPECT_FALSE(Accepted(head + "0.", "MINVIOLATIONS"));
  EXPECT_TRUE(Accepted(head + "1.", "MINVIOLATIONS"));
  EXPECT_FALSE(Accepted(head + "1.5.", "MINVIOLATIONS"));
}

TEST(ParserGrammar, WordsOutsideAKeywordsListOrKeywordsOutsideASubcommandAreRejected) {
  EXPECT_FALSE(Accepted("VALIDATEDATA VARIABLES=age /VARCHECKS STATUS=MAYBE.", "STATUS"));
  EXPECT_FALSE(Accepted("VALIDATEDATA VARIABLES=age /CASECHECKS REPORTEMPTY=ON.", "REPORTEMPTY"));
  EXPECT_FALSE(Accepted("VALIDATEDATA VARIABLES=age /CASECHECKS SCOPE=SOME.", "SCOPE"));
  EXPECT_FALSE(Accepted("VALIDATEDATA VARIABLES=age /CASEREPORT DISPLAY=OFF.", "DISPLAY"));
  EXPECT_TRUE(Accepted("VALIDATEDATA VARIABLES=age /CASEREPORT DISPLAY=no.", "DISPLAY"));
  EXPECT_FALSE(Accepted("VALIDATEDATA VARIABLES=age /RULESUMMARIES BYCASE.", "BYCASE"));
  EXPECT_FALSE(Accepted("VALIDATEDATA VARIABLES=age /RULESUMMARIES BYRULE ALL.", "RULESUMMARIES"));
  EXPECT_FALSE(Accepted("VALIDATEDATA ID=id /SAVE EMPTYCASE=5.", "EMPTYCASE"));
}

TEST(ParserExclusive, NoneWithAnotherKeywordFailsWithTheExclusivityMessage) {
  for (const char* sub : {"IDCHECKS", "RULESUMMARIES"}) {
    ParserRun run;
    const std::string other = std::string(sub) == "IDCHECKS" ? "INCOMPLETE" : "BYRULE";
    EXPECT_FALSE(run.Parse("VALIDATEDATA ID=id /" + std::string(sub) + " NONE " + other + "."));
    EXPECT_TRUE(run.ReportedByHost(3, [&](const ParserMessage& m) {
      return m.ParamExclAnyOther("NONE", sub);
    })) << sub;
  }
}

TEST(ParserCaseLimit, FirstnOfZeroBreaksTheLowerBoundAndStoresNothing) {
  ParserRun run;
  EXPECT_FALSE(run.Parse("VALIDATEDATA VARIABLES=age /CASEREPORT DISPLAY=NO CASELIMIT=FIRSTN(0)."));
  EXPECT_TRUE(run.ReportedByHost(3, [](const ParserMessage& m) {
    return m.ParamValueBreakBdry(0, 0, 2, 0, 0, "FIRSTN", "CASEREPORT");
  }));
  EXPECT_TRUE(run.Specs().GetCaseReportDisplay());
  EXPECT_EQ(run.Specs().GetCaseLimit(), 500);
}

TEST(ParserCaseLimit, EveryOtherFormGetsItsOwnMessage) {
  auto wrongForm = [](const ParserMessage& m) { return m.WrongValueType("FIRSTN", "CASEREPORT"); };
  auto noValue = [](const ParserMessage& m) { return m.KeyWordNoValue("NONE", "CASEREPORT"); };
  auto badWord = [](const ParserMessage& m) {
    return m.InvalidParamOption("LAST", "CASELIMIT", "CASEREPORT");
  };
  const std::pair<const char*, std::function<std::string(const ParserMessage&)>> cases[] = {
      {"FIRSTN 10", wrongForm},   {"FIRSTN(10", wrongForm}, {"FIRSTN(ten)", wrongForm},
      {"FIRSTN(10)(", wrongForm}, {"FIRSTN", wrongForm},    {"NONE 5", noValue},
      {"LAST(10)", badWord}};
  for (const auto& [value, message] : cases) {
    ParserRun run;
    EXPECT_FALSE(
        run.Parse(std::string("VALIDATEDATA VARIABLES=age /CASEREPORT CASELIMIT=") + value + "."));
    EXPECT_TRUE(run.ReportedByHost(3, message)) << value;
  }
}

TEST(ParserSaveNames, ANameGivenTwiceCitesBothKeywordsAndAnExistingNameIsRefused) {
  ParserRun twice;
  EXPECT_FALSE(twice.Parse("VALIDATEDATA ID=id /SAVE EMPTYCASE=flag DUPLICATEID=FLAG."));
  EXPECT_TRUE(twice.ReportedByHost(3, [](const ParserMessage& m) {
    return m.VariableTwoVarList("FLAG", "DUPLICATEID", "SAVE", "EMPTYCASE", "SAVE");
  }));
  ParserRun existing;
  EXPECT_FALSE(existing.Parse("VALIDATEDATA ID=id /SAVE INCOMPLETEID=Age."));
  EXPECT_EQ(existing.CountAtLevel(3), 1);
  EXPECT_EQ(existing.Containing("already has a variable named Age").size(), 1u);
}

TEST(ParserTables, ChecksAllOffWithoutRulesGiveTheNoTableMessageButParse) {
  const char* allOff =
      " /VARCHECKS STATUS=OFF /CASECHECKS REPORTEMPTY=NO /RULESUMMARIES NONE /CASEREPORT "
      "DISPLAY=NO.";
  ParserRun run;
  ASSERT_TRUE(run.Parse(std::string("VALIDATEDATA VARIABLES=age") + allOff));
  EXPECT_TRUE(run.ReportedByHost(2, [](const ParserMessage& m) { return m.NoTableRequested(); }));
  EXPECT_EQ(run.Messages().size(), 1u);
  ParserRun custom;  // a custom rule is a table of its own
  custom.AddRules();
  ASSERT_TRUE(custom.Parse(std::string("VALIDATEDATA CROSSVARRULES=1") + allOff));
  EXPECT_TRUE(custom.Messages().empty());
}

TEST(ParserTables, RuleTablesWithoutRulesAreWarnedAbout) {
  const char* command =
      "VALIDATEDATA VARIABLES=age /VARCHECKS STATUS=OFF /CASECHECKS "
      "REPORTEMPTY=NO.";
  ParserRun run;
  ASSERT_TRUE(run.Parse(command));
  EXPECT_TRUE(run.Reported(2, kNoRuleTables));
  EXPECT_EQ(run.Messages().size(), 1u);
  ParserRun withRule;
  withRule.AddRules();
  ASSERT_TRUE(withRule.Parse(command));
  EXPECT_TRUE(withRule.Messages().empty());
}

TEST(ParserTables, NoVariableLeftForTheEmptyCaseCheckIsAWarning) {
  ParserRun run;
  ASSERT_TRUE(run.Parse("VALIDATEDATA ID=age height sex region id code."));
  EXPECT_TRUE(run.Reported(2, kNoEmptyCaseVars));
  EXPECT_TRUE(run.Specs().GetEmptyCaseCheck());
  EXPECT_EQ(run.Specs().GetAllVarList(), nullptr);
}

TEST(ParserWeight, WeightingIsSwitchedOffWithTheHostsMessageUnlessAnErrorIsPending) {
  ParserRun run;
  run.GetSession().Glb().weightWord = 1;
  ASSERT_TRUE(run.Parse("VALIDATEDATA VARIABLES=age."));
  EXPECT_EQ(run.GetSession().Glb().weightWord, 0);
  EXPECT_TRUE(run.ReportedByHost(2, [](const ParserMessage& m) { return m.DisableWeight(); }));
  ParserRun pending;
  pending.GetSession().Glb().weightWord = 1;
  pending.GetSession().Glb().errorWord = 1;
  ASSERT_TRUE(pending.Parse("VALIDATEDATA VARIABLES=age."));
  EXPECT_EQ(pending.GetSession().Glb().weightWord, 1);
  EXPECT_TRUE(pending.Messages().empty());
}

TEST(ParserWeight, TheWeightWordIsRestoredAfterTheRunAndAfterAFailedParse) {
  ParserRun run;
  run.GetSession().Glb().weightWord = 2;
  run.Run("VALIDATEDATA VARIABLES=age height ID=id.");
  EXPECT_EQ(run.GetSession().Glb().weightWord, 2);
  EXPECT_EQ(run.Containing("Case weighting is ignored").size(), 1u);
  run.Run("VALIDATEDATA VARIABLES=age /CASEREPORT CASELIMIT=FIRSTN(0).");
  EXPECT_EQ(run.GetSession().Glb().weightWord, 2);
  EXPECT_EQ(run.CountAtLevel(3), 1);
  EXPECT_TRUE(run.Containing("Case weighting is ignored").empty());
}

}  // namespace
