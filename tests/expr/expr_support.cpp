#include "tests/expr/expr_support.h"

#include <vector>

ExprTest::ExprTest() {
  ds.SetCaseCount(3);
  ZIRA_Variable* num = ds.AddVariable("num", 0);
  ZIRA_Variable* age = ds.AddVariable("age", 0);
  ZIRA_Variable* name = ds.AddVariable("name", 10);
  ZIRA_Variable* code = ds.AddVariable("code", 4);
  double nums[] = {4, 0, SYS};
  double ages[] = {30, -9, 950};
  const char* names[] = {"Anna", "NA", ""};
  const char* codes[] = {"ab", "AB", "ab  "};
  for (size_t r = 0; r < 3; ++r) {
    num->SetNumber(r, nums[r]);
    age->SetNumber(r, ages[r]);
    name->SetString(r, names[r]);
    code->SetString(r, codes[r]);
  }
  ZiraMissingValues ageMissing;
  ageMissing.values = {-9};
  ageMissing.hasRange = true;
  ageMissing.low = 900;
  ageMissing.high = 999;
  age->SetMissingValues(ageMissing);
  ZiraMissingValues nameMissing;
  nameMissing.strings = {"NA"};
  name->SetMissingValues(nameMissing);
}

double ExprTest::Num(std::string_view text, size_t row) {
  std::string error;
  auto e = Expression::Compile(text, ds, &error);
  EXPECT_TRUE(e) << error;
  if (!e) return -12345;
  EXPECT_FALSE(e->IsString()) << text;
  if (e->IsString()) return -12345;
  std::vector<double> column;
  e->EvaluateNumeric(&column);
  EXPECT_EQ(column.size(), ds.CaseCount());
  for (size_t r = 0; r < column.size(); ++r)
    EXPECT_EQ(column[r], e->EvaluateNumeric(r)) << text << " at case " << r + 1;
  return e->EvaluateNumeric(row);
}

std::string ExprTest::Str(std::string_view text, size_t row) {
  std::string error;
  auto e = Expression::Compile(text, ds, &error);
  EXPECT_TRUE(e) << error;
  if (!e) return "<error>";
  EXPECT_TRUE(e->IsString()) << text;
  if (!e->IsString()) return "<number>";
  return std::string(e->EvaluateString(row));
}

ExprError ExprTest::Error(std::string_view text) {
  ExprError error;
  auto e = Expression::Compile(text, ds, &error);
  EXPECT_FALSE(e) << text << " compiled";
  return error;
}

std::string ExprTest::ErrorText(std::string_view text) {
  std::string error;
  auto e = Expression::Compile(text, ds, &error);
  EXPECT_FALSE(e) << text << " compiled";
  return error;
}
