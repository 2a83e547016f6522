// Cell texts: number formats, system-missing, the locale's decimal character, variables and
// data values with their labels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/data/ZIRA_Variable.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"

namespace {

std::string Num(double v, BpNumberFormat f) { return BpNumber(v, f).Text(); }

TEST(NumberFormats, CountIsAnInteger) {
  EXPECT_EQ(Num(3, BpProcedure::Count), "3");
  EXPECT_EQ(Num(1234567, BpProcedure::Count), "1234567");
  EXPECT_EQ(Num(2.5000001, BpProcedure::Count), "3");
  EXPECT_EQ(Num(-0.2, BpProcedure::Count), "0");
}

TEST(NumberFormats, PercentHasOneDecimalAndASign) {
  EXPECT_EQ(Num(70, BpProcedure::Percent), "70.0%");
  EXPECT_EQ(Num(99.95, BpProcedure::Percent), "100.0%");
  EXPECT_EQ(Num(0.04, BpProcedure::Percent), "0.0%");
}

TEST(NumberFormats, CoefficientUsesAsFewDecimalsAsShowTheValue) {
  EXPECT_EQ(Num(0.001, BpProcedure::Coefficient), "0.001");
  EXPECT_EQ(Num(0, BpProcedure::Coefficient), "0");
  EXPECT_EQ(Num(1.5, BpProcedure::Coefficient), "1.5");
  EXPECT_EQ(Num(0.1 + 0.2, BpProcedure::Coefficient), "0.3");
  EXPECT_EQ(Num(1.0 / 3.0, BpProcedure::Coefficient), "0.333333");
  EXPECT_EQ(Num(1e-9, BpProcedure::Coefficient), "0.000000");
}

TEST(NumberFormats, GeneralStatIsTheShortestExactForm) {
  EXPECT_EQ(Num(1001, BpProcedure::GeneralStat), "1001");
  EXPECT_EQ(Num(0.25, BpProcedure::GeneralStat), "0.25");
  EXPECT_EQ(Num(1e20, BpProcedure::GeneralStat), "1e+20");
}

TEST(NumberFormats, SystemMissingShowsAsADotInEveryFormatAndHasNoValue) {
  for (BpNumberFormat f : {BpProcedure::Count, BpProcedure::Percent, BpProcedure::Coefficient,
                           BpProcedure::GeneralStat}) {
    BpNumber n(MCMV::gMissingValue, f);
    EXPECT_EQ(n.Text(), ".");
    EXPECT_FALSE(n.Content().value.has_value());
  }
  EXPECT_EQ(Num(std::numeric_limits<double>::quiet_NaN(), BpProcedure::Count), "NaN");
  EXPECT_EQ(Num(-INFINITY, BpProcedure::Percent), "-Inf");
}

TEST(NumberFormats, TheSessionsDecimalCommaIsUsed) {
  Session s;
  s.Loc().decimal = ',';
  Session::Scope scope(s);
  EXPECT_EQ(Num(70, BpProcedure::Percent), "70,0%");
  EXPECT_EQ(Num(0.25, BpProcedure::Coefficient), "0,25");
  EXPECT_EQ(BpNumber(0.25, BpProcedure::Coefficient).Content().value, 0.25);
}

TEST(VariableText, ShowsTheNameWithTheLabelAsTooltip) {
  ZIRA_Variable v("age", 0, 0);
  v.SetLabel("Age in years");
  BpCellContent c = BpVariable(&v, 2).Content();
  EXPECT_EQ(c.text, "age");
  EXPECT_EQ(c.tooltip, "Age in years");
  EXPECT_EQ(BpVariable(&v, 1).Text(), "Age in years");
  EXPECT_EQ(BpVariable("x", "", 1).Text(), "x");
}

TEST(DataValueText, ShowsTheValueLabelAfterTheValue) {
  ZIRA_Variable sex("sex", 0, 0);
  sex.SetFormat({kFmtNumber, 8, 0});
  sex.GetValueLabels().AddPair(1.0, "Male");
  EXPECT_EQ(BpDataValue(&sex, 1.0, 2).Text(), "1 (Male)");
  EXPECT_EQ(BpDataValue(&sex, 2.0, 2).Text(), "2");
  EXPECT_EQ(BpDataValue(&sex, 1.0, 1).Text(), "Male");
  EXPECT_EQ(BpDataValue(&sex, MCMV::gMissingValue, 2).Text(), ".");
  ZIRA_Variable code("code", 5, 0);
  code.GetValueLabels().AddPair(std::string_view("A"), "Alpha");
  EXPECT_EQ(BpDataValue(&code, std::string_view("A    "), 2).Text(), "A (Alpha)");
}

TEST(DataValueText, NumericValuesFollowThePrintFormat) {
  ZIRA_Variable w("w", 0, 0);
  w.SetFormat({kFmtNumber, 8, 2});
  EXPECT_EQ(BpDataValue(&w, 3.14159, 2).Text(), "3.14");
  w.SetFormat({kFmtDate, 10, 0});
  EXPECT_EQ(BpDataValue(&w, 86400.0 * 365, 2).Text(), "1971-01-01");
  EXPECT_EQ(BpDataValue(&w, -86400.0, 2).Text(), "1969-12-31");
  w.SetFormat({kFmtDateTime, 20, 0});
  EXPECT_EQ(BpDataValue(&w, 86400.0 + 3661, 2).Text(), "1970-01-02 01:01:01");
  w.SetFormat({kFmtTime, 8, 0});
  EXPECT_EQ(BpDataValue(&w, 3 * 3600 + 5, 2).Text(), "03:00:05");
}

TEST(DataValueText, HostCellsOfAStringVariableAreReadToItsWidth) {
  ZIRA_Variable id("id", 10, 1);
  id.SetString(0, "K-9");
  EXPECT_EQ(BpDataValue(&id, reinterpret_cast<const OBS*>(id.GetStringCell(0)), 2).Text(), "K-9");
  ZIRA_Variable n("n", 0, 0);
  OBS cell;
  cell.d = 42;
  EXPECT_EQ(BpDataValue(&n, &cell, 2).Content().value, 42.0);
}

TEST(Annotation, KeepsItsOwnCopyOfTheText) {
  BpAnnotation a(BpString("Only first 25 cases displayed...", true));
  BpAnnotation b = a;
  a = BpAnnotation(BpString("other", false));
  EXPECT_EQ(b.Text(), "Only first 25 cases displayed...");
  EXPECT_EQ(a.Replicate()->Text(), "other");
}

}  // namespace
