// The function library: each function's ordinary use and its edges (out-of-range positions,
// negative operands, halves, missing arguments, leap years, dates before 1970, formats).
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "host/expr/ExprFormat.h"
#include "tests/expr/expr_support.h"

TEST_F(ExprTest, AnyMatchesAnItemAndIsMissingOnlyWhenAMissingItemCouldHaveMatched) {
  EXPECT_EQ(Num("ANY(4, 1, 4)"), 1);
  EXPECT_EQ(Num("ANY(4, 1, 2)"), 0);
  EXPECT_EQ(Num("ANY($SYSMIS, 1, 2)"), SYS);
  EXPECT_EQ(Num("ANY(4, $SYSMIS, 4)"), 1);
  EXPECT_EQ(Num("ANY(4, $SYSMIS, 5)"), SYS);
  EXPECT_EQ(Num("ANY(code, 'x', 'ab')", 0), 1);
  EXPECT_EQ(Num("ANY(code, 'x', 'ab')", 1), 0);
  EXPECT_EQ(Num("ANY(name, 'NA')", 1), SYS);  // a user-missing value
}

TEST_F(ExprTest, RangeIncludesBothEndsOfEachRange) {
  EXPECT_EQ(Num("RANGE(5, 1, 5)"), 1);
  EXPECT_EQ(Num("RANGE(1, 1, 5)"), 1);
  EXPECT_EQ(Num("RANGE(5.0001, 1, 5)"), 0);
  EXPECT_EQ(Num("RANGE(7, 1, 2, 6, 8)"), 1);
  EXPECT_EQ(Num("RANGE(4, 5, 1)"), 0);  // an empty range matches nothing
  EXPECT_EQ(Num("RANGE(num, 1, 5)", 2), SYS);
  EXPECT_EQ(Num("RANGE(3, $SYSMIS, 5, 1, 4)"), 1);
  EXPECT_EQ(Num("RANGE('m', 'a', 'z')"), 1);
  EXPECT_EQ(Num("RANGE(code, 'A', 'Z')", 1), 1);
  EXPECT_EQ(Num("RANGE(code, 'A', 'Z')", 0), 0);
}

TEST_F(ExprTest, AbsModAndTruncHandleSignsZeroAndMissing) {
  EXPECT_EQ(Num("ABS(-3.5)"), 3.5);
  EXPECT_EQ(Num("ABS($SYSMIS)"), SYS);
  EXPECT_EQ(Num("MOD(7, 3)"), 1);
  EXPECT_EQ(Num("MOD(-7, 3)"), -1);  // the sign of the dividend
  EXPECT_EQ(Num("MOD(7, -3)"), 1);
  EXPECT_EQ(Num("MOD(5.5, 2)"), 1.5);
  EXPECT_EQ(Num("MOD(1, 0)"), SYS);
  EXPECT_EQ(Num("MOD($SYSMIS, 2)"), SYS);
  EXPECT_EQ(Num("TRUNC(2.7)"), 2);
  EXPECT_EQ(Num("TRUNC(-2.7)"), -2);
  EXPECT_EQ(Num("TRUNC(0.1 * 3 * 10)"), 3);  // 2.9999999999999996 is read as 3
  EXPECT_EQ(Num("TRUNC($SYSMIS)"), SYS);
}

TEST_F(ExprTest, RndRoundsHalvesAwayFromZeroAndToMultiples) {
  EXPECT_EQ(Num("RND(2.5)"), 3);
  EXPECT_EQ(Num("RND(-2.5)"), -3);
  EXPECT_EQ(Num("RND(2.4999)"), 2);
  EXPECT_EQ(Num("RND(0.5)"), 1);
  EXPECT_EQ(Num("RND(17, 5)"), 15);
  EXPECT_EQ(Num("RND(17.5, 5)"), 20);
  EXPECT_NEAR(Num("RND(1.005, 0.01)"), 1.01, 1e-12);  // 1.005 / 0.01 is 100.49999999999999
  EXPECT_EQ(Num("RND(1, 0)"), SYS);
  EXPECT_EQ(Num("RND($SYSMIS)"), SYS);
}

TEST_F(ExprTest, LengthCountsBytesWithoutTrailingBlanks) {
  EXPECT_EQ(Num("LENGTH('ab  ')"), 2);
  EXPECT_EQ(Num("LENGTH('  ab')"), 4);
  EXPECT_EQ(Num("LENGTH(code)", 2), 2);
  EXPECT_EQ(Num("LENGTH('')"), 0);
  EXPECT_EQ(Num("LENGTH('\xC3\xA9')"), 2);
}

TEST_F(ExprTest, CaseFunctionsMapLettersBeyondAscii) {
  EXPECT_EQ(Str("UPCASE('abc \xC3\xA9!')"), "ABC \xC3\x89!");
  EXPECT_EQ(Str("LOWER('\xC3\x80"
                "B1')"),
            "\xC3\xA0"
            "b1");
  EXPECT_EQ(Str("LOWCASE(code)", 1), "ab");
}

TEST_F(ExprTest, TrimFunctionsRemoveBlanksOrTheGivenCharacter) {
  EXPECT_EQ(Str("TRIM('  a b  ')"), "a b");
  EXPECT_EQ(Str("LTRIM('  a  ')"), "a  ");
  EXPECT_EQ(Str("RTRIM('  a  ')"), "  a");
  EXPECT_EQ(Str("LTRIM('xxaxx', 'x')"), "axx");
  EXPECT_EQ(Str("RTRIM('xxaxx', 'x')"), "xxa");
  EXPECT_EQ(Str("TRIM('xxx', 'x')"), "");
}

TEST_F(ExprTest, SubstrIsOneBasedAndEmptyOutOfRange) {
  EXPECT_EQ(Str("SUBSTR('abcdef', 2, 3)"), "bcd");
  EXPECT_EQ(Str("SUBSTR('abc', 2)"), "bc");
  EXPECT_EQ(Str("SUBSTR('abc', 3, 1)"), "c");
  EXPECT_EQ(Str("SUBSTR('abc', 0)"), "");
  EXPECT_EQ(Str("SUBSTR('abc', 4)"), "");
  EXPECT_EQ(Str("SUBSTR('abc', -1, 2)"), "");
  EXPECT_EQ(Str("SUBSTR('abc', 2, 10)"), "bc");
  EXPECT_EQ(Str("SUBSTR('abc', 2, 0)"), "");
  EXPECT_EQ(Str("SUBSTR('abc', 2.9, 1)"), "b");
  EXPECT_EQ(Str("SUBSTR('abc', 1e300)"), "");
  EXPECT_EQ(Num("MISSING(SUBSTR('abc', $SYSMIS))"), 1);
  EXPECT_EQ(Num("SUBSTR(name, 2, 2) = 'nn'", 0), 1);
}

TEST_F(ExprTest, IndexAndConcatWorkOnBytes) {
  EXPECT_EQ(Num("INDEX('banana', 'an')"), 2);
  EXPECT_EQ(Num("INDEX('banana', 'x')"), 0);
  EXPECT_EQ(Num("INDEX('banana', '')"), 0);
  EXPECT_EQ(Num("INDEX(name, 'n')", 0), 2);
  EXPECT_EQ(Str("CONCAT('a ', 'b')"), "a b");
  EXPECT_EQ(Str("CONCAT(code, '|', code)", 2), "ab|ab");
}

TEST_F(ExprTest, NumberReadsTextInAFormatAndGivesMissingForAnythingElse) {
  EXPECT_EQ(Num("NUMBER('12.5', F8.2)"), 12.5);
  EXPECT_EQ(Num("NUMBER(' -3 ', F4)"), -3);
  EXPECT_EQ(Num("NUMBER('+.25', F4.2)"), 0.25);
  EXPECT_EQ(Num("NUMBER('123', F8.2)"), 123);  // decimals do not scale the text
  EXPECT_EQ(Num("NUMBER('1e3', E8.1)"), 1000);
  EXPECT_EQ(Num("NUMBER('1,234.5', COMMA10.1)"), 1234.5);
  EXPECT_EQ(Num("NUMBER('0042', N4)"), 42);
  EXPECT_EQ(Num("NUMBER('-42', N4)"), SYS);
  for (const char* bad : {"'12a'", "''", "'  '", "'1.2.3'", "'nan'", "'inf'", "'-'", "'1 2'"})
    EXPECT_EQ(Num(std::string("NUMBER(") + bad + ", F8)"), SYS) << bad;
  EXPECT_EQ(Num("NUMBER(name, F8)", 0), SYS);
}

TEST_F(ExprTest, NumberReadsDatesInEachDateFormat) {
  double leapDay = Num("DATE.YMD(2024, 2, 29)");
  EXPECT_EQ(Num("NUMBER('2024/02/29', SDATE10)"), leapDay);
  EXPECT_EQ(Num("NUMBER('2024-02-29', SDATE10)"), leapDay);
  EXPECT_EQ(Num("NUMBER('02/29/2024', ADATE10)"), leapDay);
  EXPECT_EQ(Num("NUMBER('29.02.2024', EDATE10)"), leapDay);
  EXPECT_EQ(Num("NUMBER('29-FEB-2024', DATE11)"), leapDay);
  EXPECT_EQ(Num("NUMBER('29 february 2024', DATE11)"), leapDay);
  EXPECT_EQ(Num("NUMBER('29/02/2024', 'dd/mm/yyyy')"), leapDay);
  EXPECT_EQ(Num("NUMBER('2023-02-29', SDATE10)"), SYS);
  EXPECT_EQ(Num("NUMBER('2024-13-01', 'yyyy-mm-dd')"), SYS);
  EXPECT_EQ(Num("NUMBER('29-FOO-2024', DATE11)"), SYS);
  EXPECT_EQ(Num("NUMBER('2024-02-29x', SDATE10)"), SYS);
}

TEST_F(ExprTest, StringWritesNumbersRightAlignedInTheFormatWidth) {
  EXPECT_EQ(Str("STRING(3.14159, F8.2)"), "    3.14");
  EXPECT_EQ(Str("STRING(-1234.5, COMMA10.1)"), "  -1,234.5");
  EXPECT_EQ(Str("STRING(1234567, COMMA9)"), "1,234,567");
  EXPECT_EQ(Str("STRING(123.456, F5.2)"), "123.5");  // decimals give way first
  EXPECT_EQ(Str("STRING(12345678, F4)"), "****");
  EXPECT_EQ(Str("STRING(7, N3)"), "007");
  EXPECT_EQ(Str("STRING(1500, E10.2)"), "  1.50E+03");
  EXPECT_EQ(Str("STRING($SYSMIS, F4)"), "   .");
  EXPECT_EQ(Str("STRING(DATE.YMD(2024, 2, 29), SDATE10)"), "2024/02/29");
  EXPECT_EQ(Str("STRING(DATE.YMD(1969, 7, 20), DATE11)"), "20-JUL-1969");
  EXPECT_EQ(Str("STRING(DATE.YMD(1969, 7, 20) + 3600, 'mm/dd/yyyy')"), "07/20/1969");
}

TEST_F(ExprTest, DateConstructorsCountSecondsFrom1970AndRefuseInvalidDates) {
  EXPECT_EQ(Num("DATE.YMD(1970, 1, 1)"), 0);
  EXPECT_EQ(Num("DATE.YMD(1970, 1, 2)"), 86400);
  EXPECT_EQ(Num("DATE.YMD(1969, 12, 31)"), -86400);
  EXPECT_EQ(Num("DATE.YMD(2000, 3, 1)"), 951868800);
  EXPECT_EQ(Num("DATE.DMY(1, 3, 2000)"), 951868800);
  EXPECT_EQ(Num("DATE.MDY(3, 1, 2000)"), 951868800);
  EXPECT_NE(Num("DATE.YMD(2000, 2, 29)"), SYS);  // divisible by 400: leap
  EXPECT_EQ(Num("DATE.YMD(1900, 2, 29)"), SYS);  // divisible by 100: not leap
  EXPECT_EQ(Num("DATE.YMD(2023, 2, 29)"), SYS);
  EXPECT_EQ(Num("DATE.YMD(2024, 4, 31)"), SYS);
  EXPECT_EQ(Num("DATE.YMD(2024, 13, 1)"), SYS);
  EXPECT_EQ(Num("DATE.YMD(2024, 0, 1)"), SYS);
  EXPECT_EQ(Num("DATE.YMD(2024, 1, 1.5)"), SYS);
  EXPECT_EQ(Num("DATE.YMD($SYSMIS, 1, 1)"), SYS);
  EXPECT_EQ(Num("TIME.HMS(1, 30)"), 5400);
  EXPECT_EQ(Num("TIME.HMS(0, 0, 1.5)"), 1.5);
}

TEST_F(ExprTest, DatePartsOfDatesBeforeAndAfter1970) {
  EXPECT_EQ(Num("YEAR(-1)"), 1969);  // one second before 1970
  EXPECT_EQ(Num("MONTH(-1)"), 12);
  EXPECT_EQ(Num("DAY(-1)"), 31);
  EXPECT_EQ(Num("DAY(DATE.YMD(2024, 2, 29) + 86399)"), 29);
  EXPECT_EQ(Num("XDATE.MDAY(DATE.YMD(2024, 2, 29) + 86400)"), 1);
  EXPECT_EQ(Num("XDATE.YEAR(DATE.YMD(1600, 3, 1))"), 1600);
  EXPECT_EQ(Num("YEAR($SYSMIS)"), SYS);
  EXPECT_EQ(Num("YEAR(1e300)"), SYS);
}

TEST(ExprDates, DayNumbersAgreeWithTheStandardCalendarOverFourCenturies) {
  // std::chrono's civil calendar is the independent reference.
  ZIRA_DataSource ds;
  const int first = -135140, last = 157000;  // 1600-01-01 .. 2399-11-02
  ds.SetCaseCount(static_cast<size_t>(last - first));
  ZIRA_Variable* t = ds.AddVariable("t", 0);
  ZIRA_Variable* y = ds.AddVariable("y", 0);
  ZIRA_Variable* m = ds.AddVariable("m", 0);
  ZIRA_Variable* d = ds.AddVariable("d", 0);
  for (int day = first; day < last; ++day) {
    size_t r = static_cast<size_t>(day - first);
    std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::days{day}}};
    t->SetNumber(r, day * 86400.0);
    y->SetNumber(r, static_cast<int>(ymd.year()));
    m->SetNumber(r, static_cast<unsigned>(ymd.month()));
    d->SetNumber(r, static_cast<unsigned>(ymd.day()));
  }
  std::string error;
  auto build = Expression::Compile("DATE.YMD(y, m, d) = t", ds, &error);
  auto parts =
      Expression::Compile("YEAR(t) = y AND MONTH(t) = m AND DAY(t + 43200) = d", ds, &error);
  ASSERT_TRUE(build && parts) << error;
  std::vector<double> ok;
  build->EvaluateNumeric(&ok);
  for (size_t r = 0; r < ok.size(); ++r) ASSERT_EQ(ok[r], 1) << "DATE.YMD at case " << r + 1;
  parts->EvaluateNumeric(&ok);
  for (size_t r = 0; r < ok.size(); ++r) ASSERT_EQ(ok[r], 1) << "date parts at case " << r + 1;
}

TEST(ExprFormats, FormatsParseByNameOrDatePatternAndRoundTripDates) {
  std::string why;
  ExprFormat f;
  ASSERT_TRUE(ParseExprFormat("yyyy.mm.dd", &f, &why)) << why;
  EXPECT_EQ(f.kind, ExprFmtKind::kDate);
  for (const char* bad :
       {"yy-mm-dd", "yyyy-mm", "yyyy-mm-dd-", "dd-dd-yyyy", "F", "F8.", "Fx", "SDATE10.2"})
    EXPECT_FALSE(ParseExprFormat(bad, &f, &why)) << bad;
  for (const char* spec : {"SDATE10", "ADATE", "edate10", "DATE11", "dd mmm yyyy", "mm-dd-yyyy"}) {
    ASSERT_TRUE(ParseExprFormat(spec, &f, &why)) << spec << ": " << why;
    double v = DateValue(1583, 10, 4);
    std::string text;
    WriteFormatted(v, f, &text);
    double back = 0;
    EXPECT_TRUE(ReadFormatted(text, f, &back)) << spec << " " << text;
    EXPECT_EQ(back, v) << spec << " " << text;
  }
}
