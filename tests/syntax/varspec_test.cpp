// Variable specifications: typed lists, lists from columns, roles kept apart, new names.
#include <gtest/gtest.h>

#include "host/data/ZIRA_DataSource.h"
#include "host/syntax/CommandTokens.h"
#include "host/syntax/VarSpecObj.h"
#include "syntax_support.h"

namespace {

class VarSpec : public ::testing::Test {
 protected:
  VarSpec() {
    for (const char* n : {"id", "age", "sex", "income", "city", "weight"})
      data_.AddVariable(n, std::string(n) == "city" ? 12 : 0);
  }
  // The tokens after "VALIDATEDATA VARIABLES=" in a command.
  std::vector<TokenInfoObj> List(const std::string& list) {
    EXPECT_TRUE(CommandTokens::FromText("VALIDATEDATA VARIABLES=" + list, &cmd_, &err_, "v.sps"))
        << err_;
    return std::vector<TokenInfoObj>(cmd_.Tokens().begin() + 3, cmd_.Tokens().end());
  }

  RecordingSession rs_;
  ZIRA_DataSource data_;
  CommandTokens cmd_;
  std::string err_;
};

}  // namespace

TEST_F(VarSpec, NamesRangesAndAllResolveInDatasetOrder) {
  VarSpecObj v("VARIABLES", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(v.ValidateVariables(List("CITY age TO income"), kVarRepeatError));
  EXPECT_EQ(v.GetValidVarList(), (std::vector<int32_t>{4, 1, 2, 3}));
  EXPECT_TRUE(v.IsValidVariable(2));
  EXPECT_FALSE(v.IsValidVariable(0));
  EXPECT_FALSE(v.IsValidVariable(99));
  ASSERT_TRUE(v.ValidateVariables(List("ALL"), kVarRepeatError));
  EXPECT_EQ(v.GetNValidVars(), 6);
  ASSERT_TRUE(v.ValidateVariables(List("id, sex"), kVarRepeatError));
  EXPECT_EQ(v.GetValidVarList(), (std::vector<int32_t>{0, 2}));
  EXPECT_TRUE(rs_.messages().empty());
}

TEST_F(VarSpec, BadListsAreRejectedWithTheKeywordAndACaret) {
  VarSpecObj v("VARIABLES", "", "VALIDATEDATA", &data_);
  struct Case {
    const char* list;
    const char* first;
  };
  const Case cases[] = {
      {"age nosuch", "VALIDATEDATA: VARIABLES: nosuch is not a variable of the active dataset."},
      {"income TO age",
       "VALIDATEDATA: VARIABLES: income TO age: age comes before income in the dataset; name the "
       "earlier variable first."},
      {"age TO", "VALIDATEDATA: VARIABLES: A variable name must follow TO."},
      {"TO age",
       "VALIDATEDATA: VARIABLES: TO must stand between two variable names (first TO last)."},
      {"age 5", "VALIDATEDATA: VARIABLES: Expected a variable name; found 5."},
      {"age sex AGE",
       "VALIDATEDATA: VARIABLES: The variable age is named more than once; name each variable "
       "once."},
  };
  for (const Case& c : cases) {
    rs_.clear();
    EXPECT_FALSE(v.ValidateVariables(List(c.list), kVarRepeatError)) << c.list;
    EXPECT_EQ(v.GetNValidVars(), 0);
    ASSERT_EQ(rs_.messages().size(), 1u) << c.list;
    EXPECT_EQ(rs_.lastLevel(), 3);
    const std::string& text = rs_.lastText();
    EXPECT_EQ(text.substr(0, text.find('\n')), c.first);
    EXPECT_NE(text.find("in v.sps:\n    VALIDATEDATA VARIABLES="), std::string::npos) << text;
  }
}

TEST_F(VarSpec, RepeatOptionsKeepDropOrRejectRepeats) {
  VarSpecObj v("", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(v.SetVariables({3, 1, 3}, kVarRepeatKeep));
  EXPECT_EQ(v.GetValidVarList(), (std::vector<int32_t>{3, 1, 3}));
  ASSERT_TRUE(v.ValidateVariables(List("sex age TO income"), kVarRepeatDrop));
  EXPECT_EQ(v.GetValidVarList(), (std::vector<int32_t>{2, 1, 3}));
  EXPECT_FALSE(v.SetVariables({1, 1}, kVarRepeatError));
  EXPECT_FALSE(v.SetVariables({0, 6}, kVarRepeatKeep));
  EXPECT_EQ(v.GetNValidVars(), 0);
  EXPECT_EQ(rs_.messages().size(), 2u);
}

TEST_F(VarSpec, ExcludeCommonVarsDropsVariablesOfOtherRolesAndWarnsAtLevelOne) {
  VarSpecObj split("", "", "SPLIT FILE", &data_);
  ASSERT_TRUE(split.SetVariables({2}, kVarRepeatKeep));
  VarSpecObj ids("ID", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(ids.ValidateVariables(List("id"), kVarRepeatError));
  VarSpecObj vars("VARIABLES", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(vars.ValidateVariables(List("id TO income"), kVarRepeatError));
  ASSERT_TRUE(vars.ExcludeCommonVars({&split, nullptr, &ids, &vars}, kVarMsgWarn));
  EXPECT_EQ(vars.GetValidVarList(), (std::vector<int32_t>{1, 3}));
  ASSERT_EQ(rs_.messages().size(), 2u);
  EXPECT_EQ(rs_.messages()[0].first, 2);
  EXPECT_EQ(
      rs_.messages()[0].second,
      "VALIDATEDATA: VARIABLES: The variable id is left out because it is already used as ID.");
  EXPECT_NE(
      rs_.messages()[1].second.find("sex is left out because it is already used as SPLIT FILE"),
      std::string::npos);
  // Everything excluded is allowed; silently at level 0.
  rs_.clear();
  ASSERT_TRUE(ids.ExcludeCommonVars({&vars, &ids, &split}, kVarMsgSilent));
  EXPECT_EQ(ids.GetNValidVars(), 1);
  VarSpecObj onlyId("VARIABLES", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(onlyId.ValidateVariables(List("id"), kVarRepeatError));
  EXPECT_TRUE(onlyId.ExcludeCommonVars({&ids}, kVarMsgSilent));
  EXPECT_EQ(onlyId.GetNValidVars(), 0);
  EXPECT_TRUE(rs_.messages().empty());
  // A specification that failed to resolve cannot be narrowed.
  EXPECT_FALSE(onlyId.ValidateVariables(List("nosuch"), kVarRepeatError));
  EXPECT_FALSE(onlyId.ExcludeCommonVars({&ids}, kVarMsgSilent));
}

TEST_F(VarSpec, ValidateAllVarsTakesEveryOtherVariableAndFailsWhenNoneIsLeft) {
  VarSpecObj a("", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(a.SetVariables({0, 5}, kVarRepeatKeep));
  VarSpecObj all("", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(all.ValidateAllVars({&a}, kVarMsgSilent));
  EXPECT_EQ(all.GetValidVarList(), (std::vector<int32_t>{1, 2, 3, 4}));
  VarSpecObj every("", "", "VALIDATEDATA", &data_);
  ASSERT_TRUE(every.SetVariables({0, 1, 2, 3, 4, 5}, kVarRepeatKeep));
  EXPECT_FALSE(all.ValidateAllVars({&every}, kVarMsgSilent));
  EXPECT_EQ(all.GetNValidVars(), 0);
  EXPECT_TRUE(rs_.messages().empty());
  EXPECT_FALSE(all.ValidateAllVars({&every}, kVarMsgWarn));
  EXPECT_EQ(rs_.lastLevel(), 2);
}

TEST_F(VarSpec, CheckNewVariableSaysWhyANameCannotBeUsed) {
  VarSpecObj v("DUPLICATEID", "SAVE", "VALIDATEDATA", &data_);
  EXPECT_LT(v.CheckNewVariable("dupgrp"), 0);
  EXPECT_TRUE(rs_.messages().empty());
  EXPECT_EQ(v.CheckNewVariable("AGE"), kNewVarInUse);
  EXPECT_EQ(rs_.lastText(),
            "VALIDATEDATA: DUPLICATEID on /SAVE: The dataset already has a variable named AGE; "
            "choose a name that is not in use.");
  EXPECT_EQ(v.CheckNewVariable("to"), kNewVarReserved);
  EXPECT_EQ(v.CheckNewVariable("1st"), kNewVarInvalidName);
  EXPECT_EQ(v.CheckNewVariable("x."), kNewVarInvalidName);
  EXPECT_EQ(v.CheckNewVariable(std::string(65, 'a')), kNewVarInvalidName);
  EXPECT_EQ(rs_.lastLevel(), 3);
  // With the command current, the message points at the name typed.
  CommandTokens cmd;
  ASSERT_TRUE(CommandTokens::FromText("VALIDATEDATA /SAVE DUPLICATEID=age", &cmd, &err_, "s.sps"));
  rs_.setCurrent(cmd);
  v.CheckNewVariable("age");
  EXPECT_NE(rs_.lastText().find("at line 1, column 32 in s.sps"), std::string::npos)
      << rs_.lastText();
}

TEST_F(VarSpec, NewVarNameByRootAddsTheFirstFreeSuffixWithinSixtyFourBytes) {
  VarSpecObj v("EMPTYCASE", "SAVE", "VALIDATEDATA", &data_);
  EXPECT_EQ(v.NewVarNameByRoot("EmptyCase"), "EmptyCase");
  data_.AddVariable("EmptyCase", 0);
  data_.AddVariable("EmptyCase_1", 0);
  EXPECT_EQ(v.NewVarNameByRoot("emptycase"), "emptycase_2");
  std::string longRoot(64, 'r');
  data_.AddVariable(longRoot, 0);
  std::string name = v.NewVarNameByRoot(longRoot);
  EXPECT_EQ(name, std::string(62, 'r') + "_1");
  EXPECT_EQ(v.NewVarNameByRoot("bad name"), "");
  EXPECT_EQ(rs_.lastLevel(), 3);
}
