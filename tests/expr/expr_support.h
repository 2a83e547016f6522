// Test support for the expression language: a small dataset and helpers that compile an
// expression, evaluate it case by case and column-wise, and insist both ways agree.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "host/common/ZiraTypes.h"
#include "host/data/ZIRA_DataSource.h"
#include "host/expr/Expression.h"

inline constexpr double SYS = MCMV::gMissingValue;

// Three cases:
//   num  (numeric)                          4, 0, system-missing
//   age  (numeric, user-missing -9, 900-999) 30, -9, 950
//   name (A10, user-missing "NA")           "Anna", "NA", ""
//   code (A4)                               "ab", "AB", "ab" followed by blanks
class ExprTest : public ::testing::Test {
 protected:
  ExprTest();
  // The numeric value of `text` for case `row`, after checking that the column-wise result
  // equals the case-by-case result for every case. A compile error fails the test.
  double Num(std::string_view text, size_t row = 0);
  // The string value of `text` for case `row`.
  std::string Str(std::string_view text, size_t row = 0);
  // The compile error of `text` (fails the test when it compiles).
  ExprError Error(std::string_view text);
  std::string ErrorText(std::string_view text);

  ZIRA_DataSource ds;
};
