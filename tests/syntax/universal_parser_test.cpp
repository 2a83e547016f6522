// The descriptor-driven parser, over the VALIDATEDATA grammar and a small test grammar.
#include <gtest/gtest.h>

#include "host/syntax/UniversalParser.h"
#include "syntax_support.h"

namespace {

class ValidateDataGrammar : public ::testing::Test {
 protected:
  // Parses and returns the result; the error text is in err_.
  int Parse(const std::string& text) {
    spec_.clear();
    rs_.clear();
    return ParseCommandText(text, desc_, &spec_, &err_);
  }
  // Parses a command that must fail and checks the first line of its message.
  void ExpectRejected(const std::string& text, const std::string& firstLine) {
    ASSERT_NE(Parse(text), 0) << text;
    EXPECT_EQ(err_.substr(0, err_.find('\n')), firstLine) << text;
    EXPECT_EQ(rs_.lastLevel(), 3);
    EXPECT_EQ(rs_.lastText(), err_);
  }
  const ParamObj* Param(const std::string& sub, const std::string& kw) {
    const SubComObj* s = spec_.getSubComObj(sub);
    return s ? s->getParamObj(kw) : nullptr;
  }

  RecordingSession rs_;
  CommandDescriptor desc_ = MakeValidateDataDescriptor();
  CommandSpec spec_;
  std::string err_;
};

}  // namespace

TEST_F(ValidateDataGrammar, AFullCommandIsReadBackThroughTheParamReaders) {
  ASSERT_EQ(Parse("validatedata /SAVE emptycase DUPLICATEID=dupgrp\n"
                  "  /CASEREPORT CASELIMIT=FIRSTN(10) MINVIOLATIONS=2 DISPLAY=yes\n"
                  "  /VARCHECKS STATUS=off PCTMISSING=12.50 CV=0\n"
                  "  /IDCHECKS DUPLICATE /RULESUMMARIES BYRULE /CASECHECKS SCOPE='allvars'"),
            0)
      << err_;
  EXPECT_EQ(spec_.getSubComObj(""), nullptr);  // no keyword after the command name
  EXPECT_EQ(spec_.getSubComListSize(), 6);
  EXPECT_TRUE(Param("VARCHECKS", "STATUS")->isStringValueCase("OFF"));
  EXPECT_EQ(Param("VARCHECKS", "STATUS")->getStringValue(), "OFF");
  EXPECT_DOUBLE_EQ(Param("varchecks", "pctmissing")->getNumberValue(), 12.5);
  EXPECT_EQ(Param("VARCHECKS", "PCTMISSING")->getStringToken(), "12.50");
  EXPECT_EQ(Param("VARCHECKS", "PCTEQUAL"), nullptr);
  EXPECT_EQ(Param("CASEREPORT", "MINVIOLATIONS")->getIntegerValue(), 2);
  const auto& limit = Param("CASEREPORT", "CASELIMIT")->getTokenList();
  ASSERT_EQ(limit.size(), 4u);
  EXPECT_EQ(limit[1].getOperatorCode(), 13);
  EXPECT_EQ(limit[3].getOperatorCode(), 14);
  EXPECT_TRUE(Param("SAVE", "EMPTYCASE")->isLeadingToken());
  EXPECT_FALSE(Param("SAVE", "DUPLICATEID")->isLeadingToken());
  EXPECT_EQ(Param("SAVE", "DUPLICATEID")->getVarName(), "dupgrp");
  EXPECT_EQ(spec_.getSubComObj("IDCHECKS")->getParamListSize(), 1);
  EXPECT_TRUE(Param("CASECHECKS", "SCOPE")->isStringValueCase("ALLVARS"));
  EXPECT_TRUE(rs_.messages().empty());
}

TEST_F(ValidateDataGrammar, ATokenListEndsAtAKeywordFollowedByEqualsOrAtASlash) {
  ASSERT_EQ(Parse("VALIDATEDATA VARIABLES=a id ID b ID=c d CROSSVARRULES=2, 2 1 /IDCHECKS NONE"), 0)
      << err_;
  std::vector<std::string> vars;
  for (const auto& t : Param("", "VARIABLES")->getTokenList()) vars.push_back(t.getText());
  EXPECT_EQ(vars, (std::vector<std::string>{"a", "id", "ID", "b"}));
  EXPECT_EQ(Param("", "ID")->getTokenList().size(), 2u);
  EXPECT_EQ(Param("", "CROSSVARRULES")->getIntegerList(), (std::vector<int32_t>{2, 2, 1}));
  EXPECT_EQ(spec_.getSubComObj("")->getParamListSize(), 3);
}

TEST_F(ValidateDataGrammar, CrossVarRulesKeepsAllAndReferencesAsTokens) {
  ASSERT_EQ(Parse("VALIDATEDATA CROSSVARRULES=ALL"), 0) << err_;
  EXPECT_TRUE(Param("", "CROSSVARRULES")->isOperatorValue(35));
  EXPECT_TRUE(Param("", "CROSSVARRULES")->getIntegerList().empty());
  ASSERT_EQ(Parse("VALIDATEDATA CROSSVARRULES=$vd.crule[3] $VD.CRule[1]"), 0) << err_;
  const auto& refs = Param("", "CROSSVARRULES")->getTokenList();
  ASSERT_EQ(refs.size(), 8u);
  EXPECT_EQ(refs[0].getUpperString(), "$VD.CRULE");
  EXPECT_EQ(refs[1].getOperatorCode(), 36);
  EXPECT_EQ(refs[2].getIntegerValue(), 3);
  EXPECT_EQ(refs[3].getOperatorCode(), 37);
  EXPECT_FALSE(Param("", "CROSSVARRULES")->isOperatorValue(35));
}

TEST_F(ValidateDataGrammar, PercentagesExcludeZeroAndIncludeOneHundred) {
  for (const char* kw : {"PCTMISSING", "PCTEQUAL", "PCTUNEQUAL"}) {
    std::string k(kw);
    ExpectRejected(
        "VALIDATEDATA /VARCHECKS " + k + "=0",
        "VALIDATEDATA: " + k + " on /VARCHECKS must be greater than 0 and at most 100; found 0.");
    EXPECT_EQ(Parse("VALIDATEDATA /VARCHECKS " + k + "=100"), 0) << err_;
    ExpectRejected("VALIDATEDATA /VARCHECKS " + k + "=100.5",
                   "VALIDATEDATA: " + k +
                       " on /VARCHECKS must be greater than 0 and at most 100; found 100.5.");
  }
}

TEST_F(ValidateDataGrammar, CvAndStddevAcceptZeroButNoNegativeValue) {
  EXPECT_EQ(Parse("VALIDATEDATA /VARCHECKS CV=0 STDDEV=0"), 0) << err_;
  ExpectRejected("VALIDATEDATA /VARCHECKS STDDEV=-0.1",
                 "VALIDATEDATA: STDDEV on /VARCHECKS must be at least 0; found -0.1.");
  ExpectRejected("VALIDATEDATA /VARCHECKS CV=low",
                 "VALIDATEDATA: CV on /VARCHECKS must be a number at least 0; found low.");
}

TEST_F(ValidateDataGrammar, MinViolationsIsAnIntegerAboveZero) {
  EXPECT_EQ(Parse("VALIDATEDATA /CASEREPORT MINVIOLATIONS=1"), 0) << err_;
  ExpectRejected("VALIDATEDATA /CASEREPORT MINVIOLATIONS=0",
                 "VALIDATEDATA: MINVIOLATIONS on /CASEREPORT must be greater than 0; found 0.");
  ExpectRejected("VALIDATEDATA /CASEREPORT MINVIOLATIONS=2.5",
                 "VALIDATEDATA: MINVIOLATIONS on /CASEREPORT must be an integer greater than 0; "
                 "found 2.5.");
  ExpectRejected("VALIDATEDATA /CASEREPORT MINVIOLATIONS=99999999999",
                 "VALIDATEDATA: MINVIOLATIONS on /CASEREPORT must be an integer greater than 0; "
                 "found 99999999999.");
}

TEST_F(ValidateDataGrammar, AStringOutsideTheKeywordsListIsRejectedWithTheListedValues) {
  ExpectRejected("VALIDATEDATA /VARCHECKS STATUS=MAYBE",
                 "VALIDATEDATA: STATUS on /VARCHECKS must be one of ON, OFF; found MAYBE.");
  ExpectRejected(
      "VALIDATEDATA /CASECHECKS SCOPE=5",
      "VALIDATEDATA: SCOPE on /CASECHECKS must be one of ANALYSISVARS, ALLVARS; found 5.");
}

TEST_F(ValidateDataGrammar, UnknownSubcommandsAndKeywordsAreRejectedWithWhatIsKnown) {
  ExpectRejected("VALIDATEDATA /VARCHEKS STATUS=ON",
                 "VALIDATEDATA: /VARCHEKS is not a subcommand of VALIDATEDATA; expected one of "
                 "/VARCHECKS, /IDCHECKS, /CASECHECKS, /RULESUMMARIES, /CASEREPORT, /SAVE.");
  ExpectRejected("VALIDATEDATA /RULESUMMARIES BYCASE",
                 "VALIDATEDATA: BYCASE is not a keyword of /RULESUMMARIES; expected one of "
                 "BYVARIABLE, BYRULE, NONE.");
  ExpectRejected("VALIDATEDATA VARS=a",
                 "VALIDATEDATA: VARS is not a keyword of VALIDATEDATA; expected one of VARIABLES, "
                 "ID, CROSSVARRULES, or a subcommand: /VARCHECKS, /IDCHECKS, /CASECHECKS, "
                 "/RULESUMMARIES, /CASEREPORT, /SAVE.");
  ExpectRejected("VALIDATEDATA /VARCHECKS PCTMISSING=5 6",
                 "VALIDATEDATA: Expected a keyword of /VARCHECKS; found 6; expected one of STATUS, "
                 "PCTMISSING, PCTEQUAL, PCTUNEQUAL, CV, STDDEV.");
  ExpectRejected("VALIDATEDATA / ",
                 "VALIDATEDATA: A subcommand name must follow /; expected one of /VARCHECKS, "
                 "/IDCHECKS, /CASECHECKS, /RULESUMMARIES, /CASEREPORT, /SAVE.");
}

TEST_F(ValidateDataGrammar, ASubcommandOrKeywordGivenTwiceIsRejected) {
  ExpectRejected("VALIDATEDATA /IDCHECKS NONE /idchecks INCOMPLETE",
                 "VALIDATEDATA: /IDCHECKS is given twice; give each subcommand once.");
  ExpectRejected("VALIDATEDATA ID=a VARIABLES=b ID=c",
                 "VALIDATEDATA: ID is given twice; give each keyword once.");
  ExpectRejected("VALIDATEDATA /SAVE EMPTYCASE EMPTYCASE=x",
                 "VALIDATEDATA: EMPTYCASE on /SAVE is given twice; give each keyword once.");
}

TEST_F(ValidateDataGrammar, ValuesOfTheWrongFormAreRejected) {
  ExpectRejected("VALIDATEDATA /IDCHECKS NONE=1",
                 "VALIDATEDATA: NONE on /IDCHECKS takes no value; write the keyword alone.");
  ExpectRejected("VALIDATEDATA /SAVE EMPTYCASE='x'",
                 "VALIDATEDATA: EMPTYCASE on /SAVE must be a variable name; found 'x'.");
  ExpectRejected("VALIDATEDATA /VARCHECKS PCTMISSING",
                 "VALIDATEDATA: PCTMISSING on /VARCHECKS needs a value: PCTMISSING=a number "
                 "greater than 0 and at most 100.");
  ExpectRejected("VALIDATEDATA /VARCHECKS PCTMISSING= /IDCHECKS",
                 "VALIDATEDATA: PCTMISSING on /VARCHECKS needs a value after =: a number greater "
                 "than 0 and at most 100.");
  ExpectRejected("VALIDATEDATA VARIABLES= /IDCHECKS",
                 "VALIDATEDATA: VARIABLES needs a list of values after =.");
  ExpectRejected("VALIDATEDATA /SAVE",
                 "VALIDATEDATA: /SAVE needs at least one of its keywords: EMPTYCASE, "
                 "INCOMPLETEID, DUPLICATEID, RULEVIOLATIONS.");
  ExpectRejected("VALIDATE VARIABLES=a",
                 "VALIDATEDATA: Expected the command name VALIDATEDATA; found VALIDATE.");
}

TEST_F(ValidateDataGrammar, AnErrorShowsTheSourceLineWithACaretUnderTheToken) {
  ExpectRejected("VALIDATEDATA VARIABLES=a\n  /VARCHECKS PCTMISSING=0 CV=1",
                 "VALIDATEDATA: PCTMISSING on /VARCHECKS must be greater than 0 and at most 100; "
                 "found 0.");
  EXPECT_EQ(err_.substr(err_.find('\n') + 1),
            "  at line 2, column 25 in test.sps:\n"
            "      /VARCHECKS PCTMISSING=0 CV=1\n"
            "                            ^");
}

TEST_F(ValidateDataGrammar, ANameInTheFirstColumnOfALaterLineHintsAtAMissingPeriod) {
  ASSERT_NE(Parse("VALIDATEDATA VARIABLES=a\n  /IDCHECKS NONE\nSHOW VARIABLES"), 0);
  EXPECT_NE(err_.find("SHOW is not a keyword of /IDCHECKS"), std::string::npos) << err_;
  EXPECT_NE(err_.find("Is the period missing at the end of the line before?"), std::string::npos);
}

namespace {

// A grammar that uses what VALIDATEDATA does not: a named leading subcommand, required
// subcommands and keywords, optional values, brackets, open string lists, a two-word name.
CommandDescriptor MakeTestDescriptor() {
  using namespace UPSpecTypes;
  CommandDescriptor d("SPLIT FILE");
  SubComDescriptor by("BY", kSubComPlain, true, true);
  by.addParamDesc("VARS", kParamTokenList, true, true, kNoBrackets);
  ParamDescriptor& level = by.addParamDesc("LEVEL", kParamInteger, false, false, kBracketsAllowed);
  level.setLowerBoundary(1, kLowerMayEqual);
  level.setUpperBoundary(10, kUpperMustBeBelow);
  by.addParamDesc("LABEL", kParamStringList, false, true, kNoBrackets);
  by.addParamDesc("OPTIONS", kParamTokenList, false, false, kNoBrackets);
  d.addSubComDesc(by);
  SubComDescriptor out("OUTPUT", kSubComPlain, false, false);
  out.addParamDesc("FILE", kParamStringList, true, true, kNoBrackets);
  d.addSubComDesc(out);
  return d;
}

}  // namespace

TEST(UniversalParserOptions, ALeadingNamedSubcommandTakesKeywordsRightAfterTheName) {
  RecordingSession rs;
  CommandDescriptor d = MakeTestDescriptor();
  CommandSpec spec;
  std::string err;
  ASSERT_EQ(
      ParseCommandText("split file VARS a b LEVEL(3) LABEL='Any text' OPTIONS", d, &spec, &err), 0)
      << err;
  const SubComObj* by = spec.getSubComObj("BY");
  ASSERT_NE(by, nullptr);
  EXPECT_EQ(by->getParamObj("VARS")->getTokenList().size(), 2u);
  EXPECT_EQ(by->getParamObj("LEVEL")->getIntegerValue(), 3);
  EXPECT_EQ(by->getParamObj("LABEL")->getStringValue(), "Any text");
  EXPECT_TRUE(by->getParamObj("OPTIONS")->isLeadingToken());
  EXPECT_EQ(ParseCommandText("SPLIT FILE VARS a /BY LEVEL=2", d, &spec, &err), 1);
  EXPECT_NE(err.find("/BY is given twice"), std::string::npos) << err;
}

TEST(UniversalParserOptions, BoundsRequiredPartsAndBracketsAreEnforced) {
  RecordingSession rs;
  CommandDescriptor d = MakeTestDescriptor();
  CommandSpec spec;
  std::string err;
  EXPECT_EQ(ParseCommandText("SPLIT FILE /BY VARS=a LEVEL=10", d, &spec, &err), 1);
  EXPECT_NE(err.find("LEVEL on /BY must be at least 1 and less than 10; found 10."),
            std::string::npos)
      << err;
  EXPECT_EQ(ParseCommandText("SPLIT FILE /BY VARS=a LEVEL(2", d, &spec, &err), 1);
  EXPECT_NE(err.find("A ) must follow the value of LEVEL on /BY."), std::string::npos) << err;
  EXPECT_EQ(ParseCommandText("SPLIT FILE LEVEL=2", d, &spec, &err), 1);
  EXPECT_NE(err.find("VARS on /BY is required."), std::string::npos) << err;
  EXPECT_EQ(ParseCommandText("SPLIT FILE /OUTPUT FILE='x'", d, &spec, &err), 1);
  EXPECT_NE(err.find("The command needs the subcommand /BY."), std::string::npos) << err;
  EXPECT_EQ(ParseCommandText("SPLIT VARS=a", d, &spec, &err), 1);
  EXPECT_NE(err.find("Expected the command name SPLIT FILE; found VARS."), std::string::npos)
      << err;
  EXPECT_EQ(ParseCommandText("SPLIT FILE /BY VARS=a /OUTPUT", d, &spec, &err), 1);
  EXPECT_NE(err.find("FILE on /OUTPUT is required."), std::string::npos) << err;
}
