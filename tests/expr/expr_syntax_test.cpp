// The expression language's syntax: precedence, literals, operator spellings, and compile
// errors that name their place in the text.
#include <string>

#include "tests/expr/expr_support.h"

TEST_F(ExprTest, MultiplicationAndDivisionBindTighterThanAdditionAndAllAreLeftAssociative) {
  EXPECT_EQ(Num("2 + 3 * 4"), 14);
  EXPECT_EQ(Num("(2 + 3) * 4"), 20);
  EXPECT_EQ(Num("10 - 4 - 3"), 3);
  EXPECT_EQ(Num("24 / 4 / 2"), 3);
  EXPECT_EQ(Num("2 * 3 - 8 / 4"), 4);
}

TEST_F(ExprTest, PowerIsRightAssociativeAndBindsTighterThanUnaryMinus) {
  EXPECT_EQ(Num("2 ** 3 ** 2"), 512);
  EXPECT_EQ(Num("-2 ** 2"), -4);
  EXPECT_EQ(Num("(-2) ** 2"), 4);
  EXPECT_EQ(Num("2 ** -1"), 0.5);
  EXPECT_EQ(Num("- -3"), 3);
  EXPECT_EQ(Num("2 * -num"), -8);
}

TEST_F(ExprTest, ComparisonsSitBetweenArithmeticAndNotAndAndBindsTighterThanOr) {
  EXPECT_EQ(Num("1 + 1 = 2"), 1);
  EXPECT_EQ(Num("NOT 1 = 2"), 1);
  EXPECT_EQ(Num("NOT 0 AND 0"), 0);  // (NOT 0) AND 0
  EXPECT_EQ(Num("1 OR 1 AND 0"), 1);
  EXPECT_EQ(Num("(1 OR 1) AND 0"), 0);
  EXPECT_EQ(Num("num > 3 AND num < 5 OR num = 100"), 1);
}

TEST_F(ExprTest, WordAndSymbolOperatorsMeanTheSame) {
  const char* pairs[][2] = {
      {"num EQ 4", "num = 4"},         {"num NE 4", "num <> 4"},
      {"num ne 4", "num ~= 4"},        {"num LT 4", "num < 4"},
      {"num LE 4", "num <= 4"},        {"num GT 0", "num > 0"},
      {"num GE 0", "num >= 0"},        {"num > 0 and 1", "num > 0 & 1"},
      {"num > 0 OR 0", "num > 0 | 0"}, {"NOT num > 0", "~ num > 0"},
  };
  for (const auto& p : pairs) {
    for (size_t r = 0; r < 3; ++r) EXPECT_EQ(Num(p[0], r), Num(p[1], r)) << p[0] << " case " << r;
  }
}

TEST_F(ExprTest, LiteralsTakeEitherQuoteDoubledQuotesFractionsAndExponents) {
  EXPECT_EQ(Str("'It''s'"), "It's");
  EXPECT_EQ(Str("\"say \"\"hi\"\"\""), "say \"hi\"");
  EXPECT_EQ(Str("\"It's\""), "It's");
  EXPECT_EQ(Num(".5 + 1.5e1"), 15.5);
  EXPECT_EQ(Num("1E-2 * 100"), 1);
  EXPECT_EQ(Num("3."), 3);
}

TEST_F(ExprTest, NamesAreFoundWithoutRegardToCaseAndSysmisIsAConstant) {
  EXPECT_EQ(Num("NUM + Num"), 8);
  EXPECT_EQ(Num("$sysmis"), SYS);
}

TEST_F(ExprTest, AnUnknownVariableIsNamedWithItsColumnAndACaretUnderIt) {
  ExprError e = Error("num + agee > 1");
  EXPECT_EQ(e.message, "unknown variable agee");
  EXPECT_EQ(e.Column("num + agee > 1"), 7u);
  EXPECT_EQ(ErrorText("num + agee > 1"),
            "Error at column 7: unknown variable agee.\n  num + agee > 1\n        ^^^^");
}

TEST_F(ExprTest, ColumnsCountCharactersNotBytes) {
  std::string text = "'\xC3\xA9\xC3\xA9' = nope";  // 'éé' = nope
  EXPECT_EQ(Error(text).Column(text), 8u);
  EXPECT_EQ(ErrorText(text),
            "Error at column 8: unknown variable nope.\n  " + text + "\n         ^^^^");
}

TEST_F(ExprTest, FunctionErrorsNameTheFunctionAndShowHowToCallIt) {
  EXPECT_EQ(Error("FOO(1)").message, "unknown function FOO");
  ExprError count = Error("1 + ABS(1, 2)");
  EXPECT_EQ(count.message, "ABS takes 1 argument; found 2 (write ABS(number))");
  EXPECT_EQ(count.offset, 4u);
  EXPECT_EQ(Error("SUBSTR('a')").message,
            "SUBSTR takes 2 to 3 arguments; found 1 (write SUBSTR(string, position[, length]))");
  EXPECT_EQ(Error("ANY(1)").message,
            "ANY takes at least 2 arguments; found 1 (write ANY(value, item1, item2, ...))");
  ExprError type = Error("ABS(name)");
  EXPECT_EQ(type.message, "argument 1 of ABS must be a number; found a string (write ABS(number))");
  EXPECT_EQ(type.Column("ABS(name)"), 5u);
  EXPECT_EQ(Error("ANY(num, 'a')").message.substr(0, 42),
            "argument 2 of ANY must be a number; found ");
  EXPECT_NE(Error("RANGE(num, 1, 2, 3)").message.find("a low and a high value"), std::string::npos);
  EXPECT_EQ(Error("VALUE(num + 1)").message, "VALUE needs a variable name (write VALUE(variable))");
  EXPECT_EQ(Error("SYSMIS(name)").message, "argument 1 of SYSMIS must be a number; found a string");
  EXPECT_EQ(Error("ABS + 1").message,
            "ABS is a function; write it with its arguments in parentheses");
}

TEST_F(ExprTest, FormatArgumentsAreCheckedWhenCompiling) {
  EXPECT_EQ(Error("NUMBER(name, Q8)").message.substr(0, 17), "unknown format Q8");
  EXPECT_EQ(Error("NUMBER(name, A8)").message, "NUMBER needs a numeric or date format, not A8");
  EXPECT_EQ(Error("STRING(num, F0)").message, "the width of format F0 must be from 1 to 40");
  EXPECT_EQ(Error("STRING(num, F4.4)").message, "format F4.4 has too many decimals for its width");
  EXPECT_EQ(Error("STRING(num, SDATE8)").message,
            "format SDATE8 needs a width of at least 10 and no decimals");
  EXPECT_EQ(Error("NUMBER(name, 'yyyy-mm')").offset, 13u);
  EXPECT_EQ(Error("NUMBER(name, 1 + 1)").message,
            "the format of NUMBER must be written like F8.2 or SDATE10");
}

TEST_F(ExprTest, OperandsOfTheWrongTypeAreRefusedAtTheirPlace) {
  ExprError cmp = Error("name = 1");
  EXPECT_EQ(cmp.message, "cannot compare a string with a number");
  EXPECT_EQ(cmp.offset, 5u);
  ExprError arith = Error("1 + name");
  EXPECT_EQ(arith.message, "an operand of + must be a number; found a string");
  EXPECT_EQ(arith.offset, 4u);
  EXPECT_EQ(Error("NOT code").message, "the operand of NOT must be a number; found a string");
  EXPECT_EQ(Error("-'a'").message, "the operand of - must be a number; found a string");
  EXPECT_EQ(Error("(name) AND 1").offset, 0u);  // the whole parenthesised operand
}

TEST_F(ExprTest, MalformedTextIsReportedWhereItGoesWrong) {
  EXPECT_EQ(ErrorText("name = 'abc"),
            "Error at column 8: unterminated string (missing ' at its end).\n  name = 'abc\n       "
            "  ^^^^");
  ExprError paren = Error("(1 + 2");
  EXPECT_EQ(paren.message,
            "expected ) to close the ( at column 1; found the end of the expression");
  EXPECT_EQ(paren.offset, 6u);
  EXPECT_EQ(Error("1 2").message,
            "expected an operator or the end of the expression; found the number 2");
  EXPECT_EQ(Error("").message, "the expression is empty");
  EXPECT_EQ(Error("   ").message, "the expression is empty");
  EXPECT_EQ(
      Error("num +").message,
      "expected a number, a string, a variable, a function or (; found the end of the expression");
  EXPECT_EQ(Error("1 ? 2").message, "unexpected character ?");
  EXPECT_EQ(Error("12abc").message, "malformed number 12abc");
  EXPECT_EQ(Error("ABS(1 2)").message,
            "expected , or ) in the arguments of ABS; found the number 2");
  EXPECT_EQ(Error("num = = 1").offset, 6u);
}

TEST_F(ExprTest, DeepNestingFailsCleanlyAndModerateNestingWorks) {
  std::string moderate = std::string(150, '(') + "1" + std::string(150, ')');
  EXPECT_EQ(Num(moderate), 1);
  std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_NE(Error(deep).message.find("nested too deeply"), std::string::npos);
  std::string chain = "1";
  for (int i = 0; i < 5000; ++i) chain += " + 1";
  EXPECT_NE(Error(chain).message.find("nested too deeply"), std::string::npos);
  EXPECT_NE(Error(std::string(5000, '-') + "1").message.find("nested too deeply"),
            std::string::npos);
}

TEST_F(ExprTest, TheWantedResultTypeIsEnforced) {
  std::string error;
  EXPECT_FALSE(Expression::Compile("CONCAT(name, 'x')", ds, &error, ExprWant::kNumber));
  EXPECT_EQ(error,
            "Error at column 1: the expression gives a string; a number is needed here.\n"
            "  CONCAT(name, 'x')\n  ^^^^^^^^^^^^^^^^^");
  EXPECT_FALSE(Expression::Compile("num", ds, &error, ExprWant::kString));
  EXPECT_TRUE(Expression::Compile("num", ds, &error, ExprWant::kNumber));
}
