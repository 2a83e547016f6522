// COMPUTE: new and existing targets of both types, conditions, and the refusals that must
// leave the dataset as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/commands/ComputeCore.h"

namespace {

constexpr double kSys = MCMV::gMissingValue;

class Compute : public ::testing::Test {
 protected:
  void SetUp() override {
    data.SetCaseCount(4);
    ZIRA_Variable* x = data.AddVariable("x", 0);
    ZIRA_Variable* s = data.AddVariable("s", 3);
    const double xs[] = {1, 2, kSys, 4};
    const char* ss[] = {"ab", "cde", "", "f"};
    for (size_t r = 0; r < 4; ++r) {
      x->SetNumber(r, xs[r]);
      s->SetString(r, ss[r]);
    }
  }
  bool Run(const std::string& target, std::string_view expr, std::string_view cond = {}) {
    error.clear();
    return ComputeVariable(data, target, expr, cond, &error, &created);
  }
  const ZIRA_Variable& Var(const std::string& name) const {
    return *data.GetVariable(data.FindVarIndex(name));
  }
  std::vector<std::string> Strings(const std::string& name) const {
    std::vector<std::string> out;
    for (size_t r = 0; r < data.CaseCount(); ++r) out.emplace_back(Var(name).GetString(r));
    return out;
  }
  ZIRA_DataSource data;
  std::string error;
  bool created = false;
};

TEST_F(Compute, NewNumericVariableGetsAValueForEveryCaseWithMissingPropagated) {
  ASSERT_TRUE(Run("y", "x * 10 + 1")) << error;
  EXPECT_TRUE(created);
  EXPECT_EQ(Var("y").GetType(), 0);
  EXPECT_EQ(Var("y").Numbers(), (std::vector<double>{11, 21, kSys, 41}));
}

TEST_F(Compute, NewStringVariableTakesTheWidthOfItsWidestResult) {
  ASSERT_TRUE(Run("t", "CONCAT(s, '-x')")) << error;
  EXPECT_TRUE(created);
  EXPECT_EQ(Var("t").GetType(), 5);
  EXPECT_EQ(Strings("t"), (std::vector<std::string>{"ab-x", "cde-x", "-x", "f-x"}));
}

TEST_F(Compute, ConditionChangesOnlyCasesWhereItIsExactlyOne) {
  // Existing variable: the others keep their values (case 3's condition is unknown).
  ASSERT_TRUE(Run("x", "x + 100", "x > 1")) << error;
  EXPECT_FALSE(created);
  EXPECT_EQ(Var("x").Numbers(), (std::vector<double>{1, 102, kSys, 104}));
  // New variables: the others are system-missing or blank.
  ASSERT_TRUE(Run("n", "1", "x = 1")) << error;
  EXPECT_EQ(Var("n").Numbers(), (std::vector<double>{1, kSys, kSys, kSys}));
  ASSERT_TRUE(Run("w", "'yes'", "x > 100")) << error;
  EXPECT_EQ(Strings("w"), (std::vector<std::string>{"", "yes", "", "yes"}));
}

TEST_F(Compute, ExistingStringVariableKeepsItsWidthAndCutsLongerResults) {
  ASSERT_TRUE(Run("S", "CONCAT('zz', s)", "s <> 'f'")) << error;
  EXPECT_FALSE(created);
  EXPECT_EQ(Var("s").GetType(), 3);
  EXPECT_EQ(Strings("s"), (std::vector<std::string>{"zza", "zzc", "zz", "f"}));
  // The bytes past the width stay blank, as the column layout requires.
  EXPECT_EQ(std::string(Var("s").GetStringCell(0), 8), "zza     ");
}

TEST_F(Compute, RefusalsNameTheProblemAndChangeNothing) {
  const std::vector<double> x = Var("x").Numbers();
  const std::vector<char> s = Var("s").StringBuffer();
  struct Case {
    std::string target, expr, cond, says;
  };
  const Case cases[] = {
      {"x", "'text'", "", "numeric"},  // type mismatch, both ways
      {"s", "x + 1", "", "string"},
      {"1abc", "1", "", "not a valid variable name"},
      {"AND", "1", "", "reserved word"},
      {"y", "x + nosuch", "", "nosuch"},  // expression error, with the position
      {"y", "x + 1", "s", "condition"},   // a string is no condition
      {"y", "x + 1", "x >", "condition"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Run(c.target, c.expr, c.cond)) << c.target << " = " << c.expr;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(data.ColumnCount(), 2);
    EXPECT_EQ(Var("x").Numbers(), x);
    EXPECT_EQ(Var("s").StringBuffer(), s);
  }
  Run("y", "x + nosuch");
  EXPECT_NE(error.find("column 5"), std::string::npos) << error;
}

}  // namespace
