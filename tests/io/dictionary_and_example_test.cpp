// The dictionary listing, and the first example dataset: it reads, its rules are where the
// procedure looks for them, and its outcome variables agree with its rules.
#include <gtest/gtest.h>

#include "host/io/DatasetReader.h"
#include "host/io/DictionaryReport.h"
#include "host/io/ValueText.h"

namespace {

ZIRA_DataSource LoadExample() {
  ZIRA_DataSource ds;
  std::string error;
  std::vector<std::string> warnings;
  bool ok = ReadDataset(std::string(ZIRA_SOURCE_DIR) + "/examples/first/survey.csv",
                        DatasetReadOptions{}, &ds, &error, &warnings);
  EXPECT_TRUE(ok) << error;
  EXPECT_TRUE(warnings.empty());
  return ds;
}

}  // namespace

TEST(DictionaryReport, ListsTypeFormatLabelsMissingValuesAndAttributes) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(1);
  ZIRA_Variable* v = ds.AddVariable("born", 0);
  v->SetFormat({kFmtDate, 10, 0});
  v->SetWriteFormat({kFmtDate, 10, 0});
  v->SetLabel("Date of birth");
  ZIRA_ValueLabelMap labels(0);
  labels.AddPair(static_cast<double>(DaysFromCivil(1900, 1, 1)) * 86400, "Unknown");
  v->SetValueLabels(labels);
  ZiraMissingValues mv;
  mv.values = {static_cast<double>(DaysFromCivil(1900, 1, 1)) * 86400};
  v->SetMissingValues(mv);
  v->GetAttributes().Set("$VD.SRuleRef", {"", "Rule=$VD.SRule[1],OutcomeVar=o"});
  ZIRA_Variable* s = ds.AddVariable("city", 20);
  s->SetMeasurementLevel(kLevelNominal);
  ds.GetAttributes().Set("$VD.SRule", {"Label='x'"});
  std::string text = DescribeDictionary(ds);
  EXPECT_NE(text.find("1. born\n  Label:          Date of birth\n  Type:           numeric\n"
                      "  Format:         DATE10\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Value labels:   1900-01-01 \"Unknown\""), std::string::npos) << text;
  EXPECT_NE(text.find("Missing values: 1900-01-01"), std::string::npos) << text;
  EXPECT_NE(text.find("$VD.SRuleRef[1] = (empty)\n                  $VD.SRuleRef[2] = Rule="),
            std::string::npos)
      << text;
  EXPECT_NE(
      text.find(
          "Type:           string, width 20\n  Format:         A20\n  Level:          nominal"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("Dataset attributes\n  $VD.SRule[1] = Label='x'"), std::string::npos) << text;
}

TEST(FirstExample, RulesAndOutcomeVariablesAreWhereTheProcedureLooks) {
  ZIRA_DataSource ds = LoadExample();
  ASSERT_GT(ds.CaseCount(), 300u);
  EXPECT_EQ(ds.GetAttributes().Values("$VD.SRule").size(), 4u);
  EXPECT_EQ(ds.GetAttributes().Values("$VD.CRule").size(), 2u);
  int refs = 0;
  for (int i = 0; i < ds.ColumnCount(); ++i) {
    for (const auto& ref : ds.GetVariable(i)->GetAttributes().Values("$VD.SRuleRef")) {
      if (ref.empty()) continue;
      ++refs;
      std::string outcome = ref.substr(ref.find("OutcomeVar=") + 11);
      const ZIRA_Variable* o = ds.GetVariable(ds.FindVarIndex(outcome));
      ASSERT_NE(o, nullptr) << outcome;
      EXPECT_FALSE(o->IsString());
      EXPECT_EQ(o->GetAttributes().Values("$VD.RuleOutcomeVar"), std::vector<std::string>{"Yes"});
      for (size_t r = 0; r < ds.CaseCount(); ++r)
        ASSERT_TRUE(o->GetNumber(r) == 0 || o->GetNumber(r) == 1) << outcome << " row " << r;
    }
  }
  EXPECT_EQ(refs, 6);
}

TEST(FirstExample, AgeRangeOutcomeAgreesWithTheAgeValues) {
  ZIRA_DataSource ds = LoadExample();
  const ZIRA_Variable* age = ds.GetVariable(ds.FindVarIndex("age"));
  const ZIRA_Variable* out = ds.GetVariable(ds.FindVarIndex("age_range_bad"));
  ASSERT_TRUE(age && out);
  int broken = 0;
  for (size_t r = 0; r < ds.CaseCount(); ++r) {
    double a = age->GetNumber(r);
    bool breaks = !age->IsValidNumber(r) || a < 0 || a > 110;
    EXPECT_EQ(out->GetNumber(r), breaks ? 1 : 0) << "row " << r;
    broken += breaks;
  }
  EXPECT_GT(broken, 0);
}
