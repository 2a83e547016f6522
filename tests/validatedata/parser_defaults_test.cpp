// What a VALIDATEDATA command leaves in the settings record: the defaults of every absent
// subcommand and keyword, the defaults that depend on other subcommands, and what each
// keyword sets.
#include <gtest/gtest.h>

#include "tests/validatedata/parser_support.h"

namespace {

TEST(ParserDefaults, AnalysisVariablesAloneKeepEveryOtherDefaultOfTheRecord) {
  ParserRun run;
  ASSERT_TRUE(run.Parse("VALIDATEDATA VARIABLES=age height."));
  const VDTValidSpecs& s = run.Specs();
  EXPECT_EQ(run.Names(s.GetAnalysVarList()), "age height");
  EXPECT_TRUE(s.GetVarCheckStatus());
  EXPECT_EQ(std::vector<double>({s.GetPctMissing(), s.GetPctEqual(), s.GetPctUnequal(),
                                 s.GetCoefVar(), s.GetStdDev()}),
            std::vector<double>({70.0, 95.0, 90.0, 0.001, 0.0}));
  EXPECT_EQ(s.GetPctMissingText() + s.GetPctEqualText() + s.GetPctUnequalText() +
                s.GetCoefVarText() + s.GetStdDevText(),
            "");
  EXPECT_FALSE(s.GetIncomplIdCheck() || s.GetDuplicIdCheck());  // no identifiers
  EXPECT_TRUE(s.GetEmptyCaseCheck());
  EXPECT_FALSE(s.GetEmptyCaseScopeAll());  // the analysis variables decide emptiness
  EXPECT_EQ(s.GetAllVarList(), nullptr);
  EXPECT_TRUE(s.GetSummaryByVar());
  EXPECT_FALSE(s.GetSummaryByRule());
  EXPECT_TRUE(s.GetCaseReportDisplay());
  EXPECT_EQ(s.GetMinViolations(), 1);
  EXPECT_EQ(s.GetCaseLimit(), 500);
  EXPECT_EQ(s.GetEmptyCaseVarName() + s.GetIncomplIdVarName() + s.GetDuplicIdVarName() +
                s.GetRuleViolVarName(),
            "");
  EXPECT_FALSE(s.IsEmptyCaseVarDefault() || s.IsIncomplIdVarDefault() || s.IsDuplicIdVarDefault() ||
               s.IsRuleViolVarDefault());
  EXPECT_EQ(s.GetNCaseIdVars() + s.GetNSplitVars() + s.GetNStandRules() + s.GetNCustRules() +
                s.GetNAllStandRules(),
            0);
  EXPECT_TRUE(run.Messages().empty());
}

TEST(ParserDefaults, IdentifiersAloneSwitchVariableChecksOffAndScopeEmptyCasesToAllVariables) {
  ParserRun run;
  ASSERT_TRUE(run.Parse("VALIDATEDATA ID=id."));
  const VDTValidSpecs& s = run.Specs();
  EXPECT_EQ(s.GetAnalysVarList(), nullptr);
  EXPECT_EQ(s.GetNAnalysVars(), 0);
  EXPECT_FALSE(s.GetVarCheckStatus());
  EXPECT_TRUE(s.GetIncomplIdCheck() && s.GetDuplicIdCheck());
  EXPECT_TRUE(s.GetEmptyCaseScopeAll());
  EXPECT_EQ(run.Names(s.GetAllVarList()), "age height sex region code");
}

TEST(ParserDefaults, AnalysisListEmptiedByOtherRolesActsAsNoAnalysisVariables) {
  ParserRun run;
  ASSERT_TRUE(run.Parse("VALIDATEDATA VARIABLES=id ID=id /VARCHECKS STATUS=ON."));
  EXPECT_NE(run.Specs().GetAnalysVarList(), nullptr);
  EXPECT_EQ(run.Specs().GetNAnalysVars(), 0);
  EXPECT_FALSE(run.Specs().GetVarCheckStatus());
  EXPECT_TRUE(run.Specs().GetEmptyCaseScopeAll());
  EXPECT_EQ(run.Specs().GetNAllVars(), 5);
}

TEST(ParserDefaults, ScreeningSettingsAreMadeOnlyWhenVariableChecksAreOn) {
  ParserRun on;
  ASSERT_TRUE(on.Parse("VALIDATEDATA VARIABLES=age sex region."));
  EXPECT_EQ(*on.Specs().GetAnalysCatVarList(), (std::vector<bool>{false, true, true}));
  on.MutableSpecs().CreateVarValidSpecs();
  EXPECT_NE(on.Specs().GetVarValidSpecs(), nullptr);
  EXPECT_NE(on.Specs().GetFSSettings(), nullptr);
  ParserRun off;
  ASSERT_TRUE(off.Parse("VALIDATEDATA ID=id."));
  off.MutableSpecs().CreateVarValidSpecs();
  EXPECT_NE(off.Specs().GetVarValidSpecs(), nullptr);
  EXPECT_EQ(off.Specs().GetFSSettings(), nullptr);
}

TEST(ParserVarChecks, ThresholdsAreStoredWithTheirTextsAsTyped) {
  ParserRun run;
  ASSERT_TRUE(
      run.Parse("VALIDATEDATA VARIABLES=age /VARCHECKS STATUS=ON PCTMISSING=50 "
                "PCTEQUAL=95.0 PCTUNEQUAL=80.5 CV=0.01 STDDEV=2."));
  const VDTValidSpecs& s = run.Specs();
  EXPECT_TRUE(s.GetVarCheckStatus());
  EXPECT_EQ(std::vector<double>({s.GetPctMissing(), s.GetPctEqual(), s.GetPctUnequal(),
                                 s.GetCoefVar(), s.GetStdDev()}),
            std::vector<double>({50.0, 95.0, 80.5, 0.01, 2.0}));
  EXPECT_EQ(
      std::vector<std::string>({s.GetPctMissingText(), s.GetPctEqualText(), s.GetPctUnequalText(),
                                s.GetCoefVarText(), s.GetStdDevText()}),
      std::vector<std::string>({"50", "95.0", "80.5", "0.01", "2"}));
}

TEST(ParserVarChecks, StatusDecidesOnlyWhenThereAreAnalysisVariables) {
  ParserRun given;  // VARCHECKS without STATUS: on; keywords not given keep their defaults
  ASSERT_TRUE(given.Parse("VALIDATEDATA VARIABLES=age /VARCHECKS CV=0."));
  EXPECT_TRUE(given.Specs().GetVarCheckStatus());
  EXPECT_EQ(given.Specs().GetCoefVarText(), "0");
  EXPECT_EQ(given.Specs().GetPctMissing(), 70.0);
  EXPECT_EQ(given.Specs().GetPctMissingText(), "");
  ParserRun off;
  ASSERT_TRUE(off.Parse("VALIDATEDATA VARIABLES=age /VARCHECKS STATUS=off."));
  EXPECT_FALSE(off.Specs().GetVarCheckStatus());
  ParserRun noVars;
  ASSERT_TRUE(noVars.Parse("VALIDATEDATA ID=id /VARCHECKS STATUS=ON PCTMISSING=40."));
  EXPECT_FALSE(noVars.Specs().GetVarCheckStatus());
  EXPECT_EQ(noVars.Specs().GetPctMissingText(), "40");
}

TEST(ParserIdChecks, OnlyTheNamedChecksStayOnAndOnlyWithIdentifiers) {
  const struct {
    const char* command;
    bool incomplete, duplicate;
  } cases[] = {
      {"VALIDATEDATA ID=id /IDCHECKS INCOMPLETE.", true, false},
      {"VALIDATEDATA ID=id /IDCHECKS DUPLICATE.", false, true},
      {"VALIDATEDATA ID=id /IDCHECKS NONE.", false, false},
      {"VALIDATEDATA VARIABLES=age /IDCHECKS INCOMPLETE DUPLICATE.", false, false},
  };
  for (const auto& c : cases) {
    ParserRun run;
    ASSERT_TRUE(run.Parse(c.command)) << c.command;
    EXPECT_EQ(run.Specs().GetIncomplIdCheck(), c.incomplete) << c.command;
    EXPECT_EQ(run.Specs().GetDuplicIdCheck(), c.duplicate) << c.command;
  }
}

TEST(ParserCaseChecks, ScopeFollowsTheAnalysisVariablesUnlessGiven) {
  const struct {
    const char* command;
    bool scopeAll;
    int nAllVars;
  } cases[] = {
      {"VALIDATEDATA VARIABLES=age /CASECHECKS REPORTEMPTY=YES.", false, 0},
      {"VALIDATEDATA ID=id /CASECHECKS REPORTEMPTY=YES.", true, 5},
      {"VALIDATEDATA VARIABLES=age ID=id /CASECHECKS SCOPE=ALLVARS.", true, 5},
      // Analysis scope without analysis variables still needs the all-variable list.
      {"VALIDATEDATA ID=id /CASECHECKS SCOPE=ANALYSISVARS.", false, 5},
  };
  for (const auto& c : cases) {
    ParserRun run;
    ASSERT_TRUE(run.Parse(c.command)) << c.command;
    EXPECT_TRUE(run.Specs().GetEmptyCaseCheck()) << c.command;
    EXPECT_EQ(run.Specs().GetEmptyCaseScopeAll(), c.scopeAll) << c.command;
    EXPECT_EQ(run.Specs().GetNAllVars(), c.nAllVars) << c.command;
  }
  ParserRun off;
  ASSERT_TRUE(off.Parse("VALIDATEDATA ID=id /CASECHECKS REPORTEMPTY=NO."));
  EXPECT_FALSE(off.Specs().GetEmptyCaseCheck());
  EXPECT_EQ(off.Specs().GetAllVarList(), nullptr);
}

TEST(ParserRuleSummaries, TheKeywordsGivenReplaceBothDefaults) {
  const std::pair<const char*, std::pair<bool, bool>> cases[] = {
      {"BYRULE", {false, true}}, {"BYRULE BYVARIABLE", {true, true}}, {"NONE", {false, false}}};
  for (const auto& [keywords, expected] : cases) {
    ParserRun run;
    ASSERT_TRUE(
        run.Parse(std::string("VALIDATEDATA VARIABLES=age /RULESUMMARIES ") + keywords + "."));
    EXPECT_EQ(std::make_pair(run.Specs().GetSummaryByVar(), run.Specs().GetSummaryByRule()),
              expected)
        << keywords;
  }
}

TEST(ParserCaseReport, DisplayMinimumAndEachFormOfTheCaseLimitAreStored) {
  const std::pair<const char*, int> limits[] = {{"", 500},
                                                {"CASELIMIT=NONE", 0},
                                                {"CASELIMIT=none", 0},
                                                {"CASELIMIT=FIRSTN(10)", 10},
                                                {"CASELIMIT=firstn ( 7 )", 7}};
  for (const auto& [limit, expected] : limits) {
    ParserRun run;
    ASSERT_TRUE(run.Parse(std::string("VALIDATEDATA VARIABLES=age /CASEREPORT ") + limit +
                          " DISPLAY=NO MINVIOLATIONS=3."));
    EXPECT_FALSE(run.Specs().GetCaseReportDisplay());
    EXPECT_EQ(run.Specs().GetMinViolations(), 3);
    EXPECT_EQ(run.Specs().GetCaseLimit(), expected) << limit;
  }
}

TEST(ParserSave, KeywordsAloneSaveUnderTheDefaultRoots) {
  ParserRun run;
  ASSERT_TRUE(
      run.Parse("VALIDATEDATA ID=id /SAVE EMPTYCASE INCOMPLETEID DUPLICATEID RULEVIOLATIONS."));
  const VDTValidSpecs& s = run.Specs();
  EXPECT_EQ(s.GetEmptyCaseVarName(), "EmptyCase");
  EXPECT_EQ(s.GetIncomplIdVarName(), "IncompleteID");
  EXPECT_EQ(s.GetDuplicIdVarName(), "DuplicateIDGroup");
  EXPECT_EQ(s.GetRuleViolVarName(), "ValidationRuleViolations");
  EXPECT_TRUE(s.IsEmptyCaseVarDefault() && s.IsIncomplIdVarDefault() && s.IsDuplicIdVarDefault() &&
              s.IsRuleViolVarDefault());
}

TEST(ParserSave, NewNamesAreStoredAsGivenAndADefaultRootIsNotComparedWithThem) {
  ParserRun run;
  ASSERT_TRUE(
      run.Parse("VALIDATEDATA ID=id /SAVE EMPTYCASE=isEmpty DUPLICATEID=dupGroup "
                "RULEVIOLATIONS=IncompleteID INCOMPLETEID."));
  const VDTValidSpecs& s = run.Specs();
  EXPECT_EQ(s.GetEmptyCaseVarName(), "isEmpty");
  EXPECT_EQ(s.GetDuplicIdVarName(), "dupGroup");
  EXPECT_EQ(s.GetRuleViolVarName(), "IncompleteID");
  EXPECT_FALSE(s.IsEmptyCaseVarDefault() || s.IsDuplicIdVarDefault() || s.IsRuleViolVarDefault());
  EXPECT_EQ(s.GetIncomplIdVarName(), "IncompleteID");
  EXPECT_TRUE(s.IsIncomplIdVarDefault());
}

TEST(ParserOrder, SubcommandsInAnyOrderAreReadInTheirFixedOrder) {
  ParserRun run;
  ASSERT_TRUE(
      run.Parse("VALIDATEDATA VARIABLES=age ID=id /SAVE EMPTYCASE /CASEREPORT MINVIOLATIONS=2 "
                "/RULESUMMARIES BYRULE /CASECHECKS SCOPE=ALLVARS /IDCHECKS DUPLICATE "
                "/VARCHECKS STATUS=OFF."));
  const VDTValidSpecs& s = run.Specs();
  EXPECT_FALSE(s.GetVarCheckStatus() || s.GetIncomplIdCheck());
  EXPECT_TRUE(s.GetDuplicIdCheck() && s.GetEmptyCaseScopeAll() && s.GetSummaryByRule());
  EXPECT_EQ(s.GetNAllVars(), 5);
  EXPECT_EQ(s.GetMinViolations(), 2);
  EXPECT_EQ(s.GetEmptyCaseVarName(), "EmptyCase");
}

}  // namespace
