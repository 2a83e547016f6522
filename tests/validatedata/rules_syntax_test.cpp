// The property syntax of standard and custom rule texts: quoting, splitting, names, values,
// required properties and the consistency checks of a standard rule, with their messages.
#include <gtest/gtest.h>

#include "tests/validatedata/rules_fixture.h"

namespace {

const std::string kFlags = ",FlagUserMissing=Yes,FlagSystemMissing=No,FlagBlank=No";

class RuleSyntax : public ::testing::Test {
 protected:
  RuleSyntax() { set.AddOutcome("broken"); }
  // A standard rule of the data file read from element 3.
  VDTRuleSpecs Standard(const std::string& text, bool expectOk = true) {
    VDTRuleSpecs record(set.data, true, -1);
    EXPECT_EQ(record.LoadRule(text, 3), expectOk) << text << " -> " << record.GetErrorString();
    return record;
  }
  std::string StandardError(const std::string& text) {
    return Standard(text, false).GetErrorString();
  }
  VDTRuleSpecs Custom(const std::string& text, bool expectOk = true) {
    VDTRuleSpecs record(set.data, false, -1);
    EXPECT_EQ(record.LoadRule(text, 2), expectOk) << text << " -> " << record.GetErrorString();
    return record;
  }
  std::string CustomError(const std::string& text) { return Custom(text, false).GetErrorString(); }
  RuleDataset set;
};

TEST_F(RuleSyntax, CommaInsideQuotesStaysInTheValue) {
  VDTRuleSpecs r = Standard("Label='Age, in years',Type=Numeric,Domain=Range" + kFlags);
  EXPECT_EQ(r.GetLabel(), "Age, in years");
  EXPECT_EQ(r.GetQuoteChar(), '\'');
  EXPECT_EQ(r.GetRuleName(), "$VD.SRule[3]");
  EXPECT_EQ(r.GetRuleInd(), 3);
}

TEST_F(RuleSyntax, FirstQuoteMetDecidesTheQuoteCharacterOfTheWholeText) {
  VDTRuleSpecs r =
      Standard("Label=\"Don't know\",Description='as typed',Type=Numeric,Domain=Range" + kFlags);
  EXPECT_EQ(r.GetQuoteChar(), '"');
  EXPECT_EQ(r.GetLabel(), "Don't know");
  EXPECT_EQ(r.GetDescription(), "'as typed'");
}

TEST_F(RuleSyntax, DoubledQuoteCharacterStandsForOneAndTwoAloneGiveEmpty) {
  VDTRuleSpecs r = Standard("Label='It''s',Description='',Type=Numeric,Domain=Range" + kFlags);
  EXPECT_EQ(r.GetLabel(), "It's");
  EXPECT_EQ(r.GetDescription(), "");
}

TEST_F(RuleSyntax, NamesAndValuesAreTrimmedAndEqualsSignsAfterTheFirstBelongToTheValue) {
  VDTRuleSpecs r = Standard("  Label =  a=b  , Type= Numeric ,Domain=Range" + kFlags);
  EXPECT_EQ(r.GetLabel(), "a=b");
  EXPECT_EQ(r.GetValueType(), VDTSpecTypes::kValueNumeric);
}

TEST_F(RuleSyntax, NamesAndKeywordsMatchWithoutRegardToCase) {
  VDTRuleSpecs r = Standard(
      "type=numeric, LABEL=x,dOmAiN=rAnGe,flaguserMISSING=YES,FLAGSYSTEMMISSING=no,flagblank=No");
  EXPECT_EQ(r.GetLabel(), "x");
  EXPECT_EQ(r.GetValueType(), VDTSpecTypes::kValueNumeric);
  EXPECT_EQ(r.GetDomainType(), VDTSpecTypes::kDomainRange);
  EXPECT_TRUE(r.GetFlagUserMissing());
  EXPECT_EQ(r.GetSpecifiedProps().count("FLAGUSERMISSING"), 1u);
}

TEST_F(RuleSyntax, UnknownPropertiesAreIgnoredAndEmptySpecificationsDropped) {
  VDTRuleSpecs r = Standard(",,Foo=1,Label=x,,Type=Numeric,Domain=Range" + kFlags + ",");
  EXPECT_EQ(r.GetSpecifiedProps().count("FOO"), 0u);
  EXPECT_EQ(r.GetLabel(), "x");
}

TEST_F(RuleSyntax, PropertyGivenTwiceKeepsTheLaterValue) {
  VDTRuleSpecs r = Standard("Label=first,Label=second,Type=Numeric,Domain=Range" + kFlags);
  EXPECT_EQ(r.GetLabel(), "second");
}

TEST_F(RuleSyntax, UnbalancedQuotesAreReportedWhereverTheyAre) {
  const std::string msg = "Unbalanced quotes for standard rule $VD.SRule[3] ...";
  EXPECT_EQ(StandardError("Label='abc"), msg);                  // text ends in quotes
  EXPECT_EQ(StandardError("Label=ab'c',Type=Numeric"), msg);    // not around the value
  EXPECT_EQ(StandardError("'Label'=x,Type=Numeric"), msg);      // quote in the name
  EXPECT_EQ(StandardError("Label='a' 'b',Type=Numeric"), msg);  // single quote inside
  EXPECT_EQ(StandardError("Label=x,Type=Numeric,Domain=List,List=a'b c'"), msg);  // list item
  EXPECT_EQ(StandardError("Label=x,Foo=ab'c'"), msg);  // unknown names are unquoted too
  EXPECT_EQ(CustomError("Label='abc"), "Unbalanced quotes for custom rule $VD.CRule[2] ...");
}

TEST_F(RuleSyntax, EmptyPropertyNameIsReportedPerKind) {
  EXPECT_EQ(StandardError("=Numeric"), "Empty name for property, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError("Label=x, ,Type=Numeric"),
            "Empty name for property, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(CustomError("Label=x,=y"), "Empty name for property, custom rule $VD.CRule[2] ...");
}

TEST_F(RuleSyntax, ListIsCutAtBlanksOutsideQuotesAndDropsEmptyItems) {
  VDTRuleSpecs r = Standard(
      "Label=x,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=Yes,"
      "List='a b' c '' c 'd''e',CaseSensitive=Yes");
  EXPECT_EQ(r.GetListValues(), (std::vector<std::string>{"a b", "c", "c", "d'e"}));
  EXPECT_TRUE(r.GetCaseSensitive());
  EXPECT_EQ(r.GetDomainType(), VDTSpecTypes::kDomainList);
}

TEST_F(RuleSyntax, LaterListReplacesEarlierAndTabsBelongToAnItem) {
  VDTRuleSpecs r = Standard("Label=x,Type=Numeric,Domain=List" + kFlags +
                            ",List=1 2 3,List=4\t5 6,CaseSensitive=No");
  EXPECT_EQ(r.GetListValues(), (std::vector<std::string>{"4\t5", "6"}));
}

TEST_F(RuleSyntax, EmptyValuesOfTextPropertiesHaveNoValue) {
  const std::string base = "Type=Numeric,Domain=Range" + kFlags;
  // Label is always named "Label"; the others as written.
  EXPECT_EQ(StandardError("label=''," + base),
            "No value for property Label, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError("Label=x,FORMAT=," + base),
            "No value for property FORMAT, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError("Label=x,pattern=," + base),
            "No value for property pattern, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError("Label=x,PatternLabel=''," + base),
            "No value for property PatternLabel, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError("Label=x,List='' ''  ," + base),
            "No value for property List, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(CustomError("LABEL=,Expression=a>1,OutcomeVar=broken"),
            "No value for property Label, custom rule $VD.CRule[2] ...");
  EXPECT_EQ(CustomError("Label=x,expression=,OutcomeVar=broken"),
            "No value for property expression, custom rule $VD.CRule[2] ...");
  EXPECT_EQ(CustomError("Label=x,Expression=a>1,outcomevar=''"),
            "No value for property OutcomeVar, custom rule $VD.CRule[2] ...");
}

TEST_F(RuleSyntax, RequiredStandardPropertiesAreCheckedInTheirOrder) {
  const std::vector<std::pair<std::string, std::string>> parts = {
      {"Label", "Label=x"},
      {"Type", "Type=Numeric"},
      {"Domain", "Domain=Range"},
      {"FlagUserMissing", "FlagUserMissing=Yes"},
      {"FlagSystemMissing", "FlagSystemMissing=No"},
      {"FlagBlank", "FlagBlank=No"}};
  // The others given in reversed order: the one left out is named.
  for (size_t missing = 0; missing < parts.size(); ++missing) {
    std::string text;
    for (size_t i = parts.size(); i-- > 0;) {
      if (i != missing) text += parts[i].second + ",";
    }
    EXPECT_EQ(StandardError(text),
              "No value for property " + parts[missing].first + ", standard rule $VD.SRule[3] ...")
        << text;
  }
  EXPECT_EQ(StandardError(""), "No value for property Label, standard rule $VD.SRule[3] ...");
}

TEST_F(RuleSyntax, RequiredCustomPropertiesAreCheckedInTheirOrder) {
  EXPECT_EQ(CustomError("OutcomeVar=broken,Expression=a>1"),
            "No value for property Label, custom rule $VD.CRule[2] ...");
  EXPECT_EQ(CustomError("OutcomeVar=broken,Label=x"),
            "No value for property Expression, custom rule $VD.CRule[2] ...");
  EXPECT_EQ(CustomError("Expression=a>1,Label=x"),
            "No value for property OutcomeVar, custom rule $VD.CRule[2] ...");
  VDTRuleSpecs r =
      Custom("Label=Young parent,Expression='age<16 and children>0',OutcomeVar=BROKEN");
  EXPECT_EQ(r.GetCustExpression(), "age<16 and children>0");
  EXPECT_EQ(r.GetOutcomeVarName(), "broken");
  EXPECT_EQ(r.GetRuleName(), "$VD.CRule[2]");
  EXPECT_EQ(r.GetAttribType(), VDTSpecTypes::kCustAttrib);
}

TEST_F(RuleSyntax, KeywordPropertiesRejectOtherWords) {
  EXPECT_EQ(StandardError("Label=x,type=Integer"),
            "Invalid value Integer for property type, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError("Label=x,Type=Numeric,Domain=Set"),
            "Invalid value Set for property Domain, standard rule $VD.SRule[3] ...");
  for (const char* flag : {"FlagUserMissing", "FlagSystemMissing", "FlagBlank", "FlagUnlabeled",
                           "FlagNoninteger", "CaseSensitive"}) {
    EXPECT_EQ(StandardError(std::string("Label=x,") + flag + "=True"),
              std::string("Invalid value True for property ") + flag +
                  ", standard rule $VD.SRule[3] ...");
  }
}

TEST_F(RuleSyntax, DateRuleNeedsAFormat) {
  EXPECT_EQ(StandardError("Label=x,Type=Date,Domain=Range" + kFlags),
            "No value for property Format, standard rule $VD.SRule[3] ...");
  VDTRuleSpecs r = Standard("Label=x,Type=date,Format=YYYY-MM-DD,Domain=Range" + kFlags);
  EXPECT_EQ(r.GetFormat(), "YYYY-MM-DD");
  EXPECT_EQ(r.GetValueType(), VDTSpecTypes::kValueDate);
}

TEST_F(RuleSyntax, RangeRuleMustCheckSomething) {
  const std::string none =
      "Label=x,Type=Numeric,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=No";
  EXPECT_EQ(StandardError(none),
            "Invalid value Range for property Domain, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError(none + ",Minimum=,FlagUnlabeled=No,FlagNoninteger=No"),
            "Invalid value Range for property Domain, standard rule $VD.SRule[3] ...");
  for (const char* extra : {",Minimum=0", ",Maximum=9", ",FlagUnlabeled=Yes", ",FlagNoninteger=Yes",
                            ",FlagBlank=Yes"}) {
    Standard(none + extra);
  }
}

TEST_F(RuleSyntax, ListDomainNeedsListThenCaseSensitive) {
  const std::string base = "Label=x,Type=String,Domain=List" + kFlags;
  EXPECT_EQ(StandardError(base + ",CaseSensitive=No"),
            "No value for property List, standard rule $VD.SRule[3] ...");
  EXPECT_EQ(StandardError(base + ",List=a b"),
            "No value for property CaseSensitive, standard rule $VD.SRule[3] ...");
}

TEST_F(RuleSyntax, FlagsNamedInTheTextAreTellable) {
  VDTRuleSpecs named = Standard("Label=x,Type=Numeric,Domain=Range" + kFlags +
                                ",FlagUnlabeled=No,flagnoninteger=Yes");
  EXPECT_TRUE(named.WasFlagUnlabeledGiven());
  EXPECT_TRUE(named.WasFlagNonintegerGiven());
  EXPECT_FALSE(named.GetFlagUnlabeled());
  EXPECT_TRUE(named.GetFlagNoninteger());
  VDTRuleSpecs silent = Standard("Label=x,Type=Numeric,Domain=Range" + kFlags);
  EXPECT_FALSE(silent.WasFlagUnlabeledGiven());
  EXPECT_FALSE(silent.WasFlagNonintegerGiven());
}

TEST_F(RuleSyntax, EveryStandardPropertyIsStored) {
  VDTRuleSpecs r = Standard(
      "Label=L,Description=D,Type=Numeric,Format=F8.2,Domain=Range,FlagUserMissing=Yes,"
      "FlagSystemMissing=Yes,FlagBlank=Yes,Minimum=-1.5,Maximum=7,FlagUnlabeled=Yes,"
      "FlagNoninteger=Yes,CaseSensitive=Yes,Pattern=P,PatternLabel=PL,List=1 2");
  EXPECT_EQ(r.GetDescription(), "D");
  EXPECT_EQ(r.GetFormat(), "F8.2");
  EXPECT_TRUE(r.GetFlagSystemMissing() && r.GetFlagBlank() && r.GetFlagUnlabeled());
  EXPECT_EQ(r.GetMinimum(), "-1.5");
  EXPECT_EQ(r.GetMaximum(), "7");
  EXPECT_EQ(r.GetPattern(), "P");
  EXPECT_EQ(r.GetPatternLabel(), "PL");
  EXPECT_EQ(r.GetRuleContent().substr(0, 8), "Label=L,");
  EXPECT_EQ(r.GetAttribType(), VDTSpecTypes::kStandAttribData);
  EXPECT_EQ(r.GetAnalysVarInd(), -1);
}

TEST_F(RuleSyntax, ReparsingResetsTheQuoteCharacterAndGivenProperties) {
  VDTRuleSpecs r = Standard("Label='q',Type=Numeric,Domain=Range" + kFlags + ",FlagUnlabeled=No");
  ASSERT_TRUE(r.ParseRuleText("Label=x,Type=Numeric,Domain=Range" + kFlags, false));
  EXPECT_EQ(r.GetQuoteChar(), '\0');
  EXPECT_FALSE(r.WasFlagUnlabeledGiven());
}

}  // namespace
