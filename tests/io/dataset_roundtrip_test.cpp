// Writing a dataset and reading it back keeps every dictionary property and every value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "IoTestSupport.h"
#include "host/io/DatasetReader.h"
#include "host/io/DatasetWriter.h"
#include "host/io/ValueText.h"

namespace {

constexpr double kSys = MCMV::gMissingValue;

// A dataset touching every row of the file mapping.
ZIRA_DataSource MakeRichDataset() {
  ZIRA_DataSource ds;
  ds.SetCaseCount(4);
  ZIRA_Variable* score = ds.AddVariable("score", 0);
  score->SetFormat({kFmtNumber, 10, 3});
  score->SetWriteFormat({kFmtNumber, 12, 4});
  score->SetLabel("Test score");
  score->SetDescription("Points on the final test");
  double values[] = {0.1 + 0.2, 1e300, -9, kSys};
  for (size_t i = 0; i < 4; ++i) score->SetNumber(i, values[i]);
  ZIRA_ValueLabelMap sl(0);
  sl.AddPair(-9, "Refused");
  sl.AddPair(1.5, "One and a half");
  score->SetValueLabels(sl);
  ZiraMissingValues mv;
  mv.values = {-9, -8};
  mv.hasRange = true;
  mv.low = 900;
  mv.high = 999;
  score->SetMissingValues(mv);
  score->SetMeasurementLevel(kLevelScale);
  score->GetAttributes().Set("$VD.SRuleRef", {"", "Rule=$VD.SRule[1],OutcomeVar=score_bad"});

  ZIRA_Variable* code = ds.AddVariable("code", 0);
  code->SetFormat({kFmtNumber, 3, 0});
  code->SetWriteFormat({kFmtNumber, 3, 0});
  for (size_t i = 0; i < 4; ++i) code->SetNumber(i, static_cast<double>(i + 1));
  ZIRA_ValueLabelMap cl(0);
  cl.AddPair(1, "Low");
  cl.AddPair(2, "High");
  code->SetValueLabels(cl);
  code->SetUnlabeledCategories({"3", "4"});
  code->SetMeasurementLevel(kLevelOrdinal);

  ZIRA_Variable* city = ds.AddVariable("city", 16);
  city->SetFormat({kFmtString, 16, 0});
  city->SetWriteFormat({kFmtString, 16, 0});
  city->SetString(0, "Den Haag, ZH");
  city->SetString(1, "Say \"hi\"\nthere");
  city->SetString(2, "Zürich");
  city->SetString(3, "NA");
  ZIRA_ValueLabelMap tl(16);
  tl.AddPair("NA", "Not asked");
  tl.AddPair("AMS", "Amsterdam");
  city->SetValueLabels(tl);
  ZiraMissingValues smv;
  smv.strings = {"NA"};
  city->SetMissingValues(smv);
  city->SetMeasurementLevel(kLevelNominal);
  city->SetUnlabeledCategories({"Utrecht"});

  ZIRA_Variable* day = ds.AddVariable("day", 0);
  day->SetFormat({kFmtDate, 10, 0});
  day->SetWriteFormat({kFmtDate, 10, 0});
  day->SetNumber(0, static_cast<double>(DaysFromCivil(2024, 2, 29)) * 86400);
  day->SetNumber(1, static_cast<double>(DaysFromCivil(1969, 12, 31)) * 86400);
  ZIRA_Variable* clock = ds.AddVariable("clock", 0);
  clock->SetFormat({kFmtTime, 11, 2});
  clock->SetWriteFormat({kFmtTime, 11, 2});
  clock->SetNumber(0, 3600.25);
  clock->SetNumber(3, 86399);
  ZIRA_Variable* stamp = ds.AddVariable("stamp", 0);
  stamp->SetFormat({kFmtDateTime, 19, 0});
  stamp->SetWriteFormat({kFmtDateTime, 19, 0});
  stamp->SetNumber(2, static_cast<double>(DaysFromCivil(2001, 9, 9)) * 86400 + 6400);

  ds.GetAttributes().Set("$VD.SRule", {"Label='Score',Type=Numeric,Domain=Range,FlagUserMissing=No,"
                                       "FlagSystemMissing=Yes,FlagBlank=No,Minimum=0"});
  ds.GetAttributes().Set("$VD.CRule", {"", "Label='x',Expression='score > 1',OutcomeVar=o"});
  return ds;
}

void ExpectSameDictionaryAndValues(const ZIRA_DataSource& a, const ZIRA_DataSource& b) {
  ASSERT_EQ(a.ColumnCount(), b.ColumnCount());
  ASSERT_EQ(a.CaseCount(), b.CaseCount());
  EXPECT_EQ(a.GetAttributes(), b.GetAttributes());
  for (int i = 0; i < a.ColumnCount(); ++i) {
    const ZIRA_Variable& x = *a.GetVariable(i);
    const ZIRA_Variable& y = *b.GetVariable(i);
    SCOPED_TRACE(x.GetName());
    EXPECT_EQ(x.GetName(), y.GetName());
    EXPECT_EQ(x.GetType(), y.GetType());
    EXPECT_EQ(x.GetFormat(), y.GetFormat());
    EXPECT_EQ(x.GetWriteFormat(), y.GetWriteFormat());
    EXPECT_EQ(x.GetLabel(), y.GetLabel());
    EXPECT_EQ(x.GetDescription(), y.GetDescription());
    EXPECT_EQ(x.GetValueLabels(), y.GetValueLabels());
    EXPECT_EQ(x.GetUnlabeledCategories(), y.GetUnlabeledCategories());
    EXPECT_EQ(x.GetMissingValues(), y.GetMissingValues());
    EXPECT_EQ(x.GetMeasurementLevel(), y.GetMeasurementLevel());
    EXPECT_EQ(x.GetAttributes(), y.GetAttributes());
    for (size_t r = 0; r < a.CaseCount(); ++r) {
      if (x.IsString()) {
        EXPECT_EQ(x.GetString(r), y.GetString(r)) << "row " << r;
      } else {
        EXPECT_EQ(x.GetNumber(r), y.GetNumber(r)) << "row " << r;  // bit-exact
      }
    }
  }
}

bool Read(const std::string& path, ZIRA_DataSource* out, std::string* error) {
  return ReadDataset(path, DatasetReadOptions{}, out, error, nullptr);
}

}  // namespace

TEST(DatasetRoundTrip, EveryDictionaryPropertyAndValueSurvivesWriteAndRead) {
  TempDir dir;
  ZIRA_DataSource original = MakeRichDataset();
  std::string error;
  ASSERT_TRUE(WriteDataset(original, dir.File("rich.csv"), &error)) << error;
  ZIRA_DataSource back;
  ASSERT_TRUE(Read(dir.File("rich.csv"), &back, &error)) << error;
  ExpectSameDictionaryAndValues(original, back);
}

TEST(DatasetRoundTrip, WrittenFilesUseIsoDatesEmptyCellsAndTableSchemaTypes) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WriteDataset(MakeRichDataset(), dir.File("rich.csv"), &error)) << error;
  std::string csv = ReadFile(dir.File("rich.csv"));
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "score,code,city,day,clock,stamp");
  EXPECT_NE(csv.find("0.30000000000000004,1,\"Den Haag, ZH\",2024-02-29,01:00:00.25,"),
            std::string::npos);
  EXPECT_NE(csv.find("\"Say \"\"hi\"\"\nthere\""), std::string::npos);
  EXPECT_NE(csv.find(",4,NA,,23:59:59,\n"), std::string::npos);  // system-missing: empty
  std::string schema = ReadFile(dir.File("rich.schema.json"));
  EXPECT_NE(schema.find("\"type\": \"date\""), std::string::npos);
  EXPECT_NE(schema.find("\"type\": \"integer\""), std::string::npos);
  EXPECT_NE(schema.find("\"categoriesOrdered\": true"), std::string::npos);
  EXPECT_NE(schema.find("\"zira.format\": \"TIME11.2\""), std::string::npos);
}

TEST(DatasetRoundTrip, DateValuesThatAreNotWholeDaysAreWrittenAsSecondsAndStayDates) {
  TempDir dir;
  ZIRA_DataSource ds;
  ds.SetCaseCount(2);
  ZIRA_Variable* d = ds.AddVariable("when", 0);
  d->SetFormat({kFmtDate, 10, 0});
  d->SetWriteFormat({kFmtDate, 10, 0});
  d->SetNumber(0, 86400.0 * 3 + 0.5);
  d->SetNumber(1, -1e15);  // before year 1
  std::string error;
  ASSERT_TRUE(WriteDataset(ds, dir.File("d.csv"), &error)) << error;
  EXPECT_NE(ReadFile(dir.File("d.schema.json")).find("\"type\": \"number\""), std::string::npos);
  ZIRA_DataSource back;
  ASSERT_TRUE(Read(dir.File("d.csv"), &back, &error)) << error;
  ExpectSameDictionaryAndValues(ds, back);
}

TEST(DatasetRoundTrip, AwkwardNumbersReadBackBitForBit) {
  TempDir dir;
  ZIRA_DataSource ds;
  double values[] = {
      5e-324, -1.7976931348623157e308, 1.0 / 3, 123456789012345678.0, 0.1, -0.0, HUGE_VAL, 2.5e-7};
  ds.SetCaseCount(std::size(values));
  ZIRA_Variable* v = ds.AddVariable("x", 0);
  for (size_t i = 0; i < std::size(values); ++i) v->SetNumber(i, values[i]);
  std::string error;
  ASSERT_TRUE(WriteDataset(ds, dir.File("n.csv"), &error)) << error;
  ZIRA_DataSource back;
  ASSERT_TRUE(Read(dir.File("n.csv"), &back, &error)) << error;
  for (size_t i = 0; i < std::size(values); ++i) {
    double got = back.GetVariable(0)->GetNumber(i);
    EXPECT_EQ(std::memcmp(&got, &values[i], sizeof got), 0) << values[i] << " came back as " << got;
  }
}

TEST(DatasetRoundTrip, OneColumnDatasetKeepsItsMissingRows) {
  TempDir dir;
  ZIRA_DataSource ds;
  ds.SetCaseCount(3);
  ZIRA_Variable* v = ds.AddVariable("only", 4);
  v->SetString(0, "a");
  v->SetString(2, "c");
  std::string error;
  ASSERT_TRUE(WriteDataset(ds, dir.File("one.csv"), &error)) << error;
  ZIRA_DataSource back;
  ASSERT_TRUE(Read(dir.File("one.csv"), &back, &error)) << error;
  ASSERT_EQ(back.CaseCount(), 3u);
  EXPECT_TRUE(back.GetVariable(0)->IsBlank(1));
  EXPECT_EQ(back.GetVariable(0)->GetString(2), "c");
}
