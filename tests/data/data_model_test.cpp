// The dataset model: variables, values, missing values, attributes and measurement levels.
#include <gtest/gtest.h>

#include "host/common/StringHelpers.h"
#include "host/data/ProcedureDataSource.h"
#include "host/session/Session.h"

TEST(DataModel, StringValuesAreBlankPaddedWholeCellsAndCutToWidth) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(2);
  ZIRA_Variable* s = ds.AddVariable("city", 10);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->GetCellWidth(), 16);
  s->SetString(0, "Amsterdam-Noord");
  EXPECT_EQ(s->GetString(0), "Amsterdam-");
  EXPECT_EQ(std::string(s->GetStringCell(0), 16), "Amsterdam-      ");
  EXPECT_TRUE(s->IsBlank(1));
  s->SetString(1, "   ");
  EXPECT_TRUE(s->IsBlank(1));
}

TEST(DataModel, NumericValidityHonoursSystemAndUserMissing) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(5);
  ZIRA_Variable* v = ds.AddVariable("age", 0);
  ZiraMissingValues mv;
  mv.values = {-9};
  mv.hasRange = true;
  mv.low = 900;
  mv.high = 999;
  v->SetMissingValues(mv);
  double vals[] = {30, -9, 950, MCMV::gMissingValue, 1000};
  for (size_t i = 0; i < 5; ++i) v->SetNumber(i, vals[i]);
  EXPECT_TRUE(v->IsValidNumber(0));
  EXPECT_FALSE(v->IsValidNumber(1));
  EXPECT_FALSE(v->IsValidNumber(2));
  EXPECT_FALSE(v->IsValidNumber(3));
  EXPECT_TRUE(v->IsValidNumber(4));
}

TEST(DataModel, NamesAreFoundWithoutRegardToCaseAndStayUnique) {
  ZIRA_DataSource ds;
  ds.AddVariable("Straße", 0);
  ds.AddVariable("id", 8);
  EXPECT_EQ(ds.FindVarIndex("STRASSE"), -1);  // simple folding: ß is not SS
  EXPECT_EQ(ds.FindVarIndex("STRAßE"), 0);
  EXPECT_EQ(ds.FindVarIndex("ID"), 1);
  EXPECT_EQ(ds.AddVariable("Id", 0), nullptr);
  int idx = -1;
  ZIRA_Variable* nv = ds.MakeVariable(0, &idx);
  EXPECT_EQ(idx, 2);
  nv->SetName("EmptyCase");
  EXPECT_EQ(ds.FindVarIndex("emptycase"), 2);
  EXPECT_EQ(ds.FindVarIndex(nv->GetName()), 2);
}

TEST(DataModel, NewVariablesAndNewCasesStartMissing) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(3);
  int idx = -1;
  ZIRA_Variable* v = ds.MakeVariable(0, &idx);
  EXPECT_EQ(v->GetNumber(2), MCMV::gMissingValue);
  ds.SetCaseCount(4);
  EXPECT_EQ(v->Size(), 4u);
}

TEST(DataModel, OfferedStorageIsTakenByTheNextNumericVariableItHolds) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(1000);
  std::vector<double> small;
  small.reserve(999);
  std::vector<double> fits;
  fits.reserve(1000);
  const double* fitsData = fits.data();
  ds.OfferColumnStorage(std::move(small));
  ds.OfferColumnStorage(std::move(fits));  // the last offered is taken first
  ZIRA_Variable* text = ds.AddVariable("text", 8);
  ZIRA_Variable* a = ds.AddVariable("a", 0);
  EXPECT_EQ(a->Numbers().data(), fitsData);
  EXPECT_EQ(a->Size(), 1000u);
  EXPECT_EQ(a->GetNumber(999), MCMV::gMissingValue);
  EXPECT_EQ(text->GetString(0), "");
  // Storage too small for the cases stays where it is: the next variable gets its own.
  ZIRA_Variable* b = ds.AddVariable("b", 0);
  EXPECT_EQ(b->Size(), 1000u);
  EXPECT_EQ(b->GetNumber(0), MCMV::gMissingValue);
  ds.DropOfferedStorage();
  EXPECT_EQ(ds.AddVariable("c", 0)->Size(), 1000u);
}

TEST(DataModel, AttributeArraysKeepElementPositions) {
  DatasourceAttributes a;
  a.SetElement("$VD.SRule", 3, "Label='x'");
  ASSERT_EQ(a.Values("$vd.srule").size(), 3u);
  EXPECT_EQ(a.Values("$VD.SRULE")[0], "");
  a.Append("$VD.SRule", "four");
  EXPECT_TRUE(a.DeleteElement("$VD.SRule", 1));
  EXPECT_EQ(a.Values("$VD.SRule")[1], "Label='x'");
  EXPECT_FALSE(a.DeleteElement("$VD.SRule", 9));
  EXPECT_TRUE(a.Delete("$vd.SRULE"));
  EXPECT_TRUE(a.Values("$VD.SRule").empty());
}

TEST(DataModel, MeasurementLevelsAreSettledFromTypeLabelsAndDistinctValues) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(30);
  auto* str = ds.AddVariable("s", 4);
  auto* few = ds.AddVariable("few", 0);
  auto* many = ds.AddVariable("many", 0);
  auto* labelled = ds.AddVariable("lab", 0);
  auto* fixed = ds.AddVariable("fixed", 0);
  // 24 values, but -0 is 0 and a missing value is no value: 23 each, nominal.
  auto* zeros = ds.AddVariable("zeros", 0);
  auto* gaps = ds.AddVariable("gaps", 0);
  fixed->SetMeasurementLevel(kLevelOrdinal);
  for (size_t i = 0; i < 30; ++i) {
    few->SetNumber(i, static_cast<double>(i % 23));   // 23 distinct: still nominal
    many->SetNumber(i, static_cast<double>(i % 24));  // 24 distinct: scale
    labelled->SetNumber(i, static_cast<double>(i));
    zeros->SetNumber(i, i % 24 == 23 ? -0.0 : static_cast<double>(i % 24));
    gaps->SetNumber(i, i % 24 == 23 ? MCMV::gMissingValue : static_cast<double>(i % 24));
  }
  labelled->GetValueLabels().AddPair(1.0, "one");
  AdjustMeasurementLevels(&ds);
  EXPECT_EQ(str->GetMeasurementLevel(), kLevelNominal);
  EXPECT_EQ(few->GetMeasurementLevel(), kLevelNominal);
  EXPECT_EQ(many->GetMeasurementLevel(), kLevelScale);
  EXPECT_EQ(labelled->GetMeasurementLevel(), kLevelNominal);
  EXPECT_EQ(fixed->GetMeasurementLevel(), kLevelOrdinal);
  EXPECT_EQ(zeros->GetMeasurementLevel(), kLevelNominal);
  EXPECT_EQ(gaps->GetMeasurementLevel(), kLevelNominal);
  EXPECT_TRUE(IsCatVar(4, &ds));
  EXPECT_FALSE(IsCatVar(2, &ds));
  EXPECT_FALSE(IsCatVar(99, &ds));
}

TEST(DataModel, DistinctValuesMetLateInALongColumnCount) {
  // Long columns of two codes in which the other values come late, after thousands of cases
  // of the first two; user-missing and system-missing values among them are no values.
  ZIRA_DataSource ds;
  const size_t n = 10000;
  ds.SetCaseCount(n);
  auto* late24 = ds.AddVariable("late24", 0);
  auto* late23 = ds.AddVariable("late23", 0);
  auto* withMissing = ds.AddVariable("withmissing", 0);
  ZiraMissingValues mv;
  mv.values = {-9.0};
  withMissing->SetMissingValues(mv);
  for (size_t i = 0; i < n; ++i) {
    const double code = static_cast<double>(i % 2);
    const bool late = i >= 7000 && i < 7022;  // 22 more values: 24 in all
    late24->SetNumber(i, late ? 100.0 + static_cast<double>(i) : code);
    late23->SetNumber(i, late && i != 7021 ? 100.0 + static_cast<double>(i) : code);
    // 23 valid values, and -9 in chunks of known values, which would make 24 if it counted.
    withMissing->SetNumber(i, i % 997 == 5                     ? -9.0
                              : i % 1009 == 7                  ? MCMV::gMissingValue
                              : late && i != 7021 && i != 7020 ? 100.0 + static_cast<double>(i)
                                                               : code);
  }
  withMissing->SetNumber(n - 1, 3.0);  // the 23rd in the very last case
  AdjustMeasurementLevels(&ds);
  EXPECT_EQ(late24->GetMeasurementLevel(), kLevelScale);
  EXPECT_EQ(late23->GetMeasurementLevel(), kLevelNominal);
  EXPECT_EQ(withMissing->GetMeasurementLevel(), kLevelNominal);

  // An odd number of cases: values are compared two at a time, and the last one alone.
  ZIRA_DataSource odd;
  const size_t m = 2051;
  odd.SetCaseCount(m);
  auto* lastIs24th = odd.AddVariable("last24", 0);
  auto* lastIs23rd = odd.AddVariable("last23", 0);
  for (size_t i = 0; i < m; ++i) {
    // 23 values early on (22 codes and 50), 22 in the other column; a new one in the last case.
    const double code = static_cast<double>(i % 22);
    lastIs24th->SetNumber(i, i == 5 ? 50.0 : code);
    lastIs23rd->SetNumber(i, code == 21.0 ? 0.0 : i == 5 ? 50.0 : code);
  }
  lastIs24th->SetNumber(m - 1, 51.0);
  lastIs23rd->SetNumber(m - 1, 51.0);
  AdjustMeasurementLevels(&odd);
  EXPECT_EQ(lastIs24th->GetMeasurementLevel(), kLevelScale);
  EXPECT_EQ(lastIs23rd->GetMeasurementLevel(), kLevelNominal);
}

TEST(DataModel, ProcedureDataSourceSharesTheSessionsActiveDatasetAndBlocks) {
  Session session;
  Session::Scope scope(session);
  session.Active().AddVariable("x", 0);
  session.Active().SetSplitVariables({0});
  ProcedureDataSource pds;
  EXPECT_EQ(pds.ColumnCount(), 1);
  EXPECT_TRUE(pds.IsSplitFile());
  EXPECT_EQ(pds.SplitVariable(0), 0);
  EXPECT_EQ(pds.SplitVariable(1), -1);
  int idx;
  pds.MakeVariable(0, &idx);
  EXPECT_EQ(session.Active().ColumnCount(), 2);
  pvGetCmnGlb()->weightWord = 1;
  EXPECT_EQ(session.Glb().weightWord, 1);
}

TEST(StringHelpers, CaselessComparisonTrimmingAndNames) {
  EXPECT_TRUE(AreStringsEqualCase("Range", "RANGE"));
  EXPECT_FALSE(AreStringsEqualCase("Range", "Rang"));
  EXPECT_FALSE(AreStringsEqualCase("a[", "A{"));
  EXPECT_TRUE(AreStringsEqualCase("ÉCOLE", "école"));
  EXPECT_TRUE(AreVarNamesEqualCase("Age  ", "AGE"));
  EXPECT_EQ(TrimString("  a b \t"), "a b");
  EXPECT_EQ(GetUpperString("école"), "ÉCOLE");
  EXPECT_TRUE(IsValidVarName("@x.y_1"));
  EXPECT_FALSE(IsValidVarName("1x"));
  EXPECT_FALSE(IsValidVarName("x."));
  EXPECT_FALSE(IsValidVarName(std::string(65, 'a')));
  EXPECT_TRUE(IsReservedWord("all"));
  EXPECT_EQ(IntegerToString(-42), "-42");
}
