// The result documents "FSOutputAll" and "FSOutputOne".
#include <gtest/gtest.h>

#include <sstream>

#include "featureselection/FSAlgorithm.h"
#include "fs_test_data.h"

namespace {
bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
}  // namespace

TEST(OutputAllTest, AScreeningOnlyRunListsCriteriaAndExcludedPredictorsWithoutRanks) {
  FSSettings s(std::vector<bool>{true, true, false}, true);
  s.SetTargetPosition(3);
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 20; ++i)
    it.AddRow({static_cast<double>(i), 1.0 * (i % 2), i * 2.0, 1.0 * (i % 2)});
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->AccumulateData(&it, -1).IsOK());
  ASSERT_TRUE(a->ScreenPredictors().IsOK());
  std::ostringstream os;
  ASSERT_TRUE(a->WriteOutputAll(os).IsOK());
  const std::string x = os.str();
  EXPECT_TRUE(Has(x, "<!DOCTYPE FSOutputAll SYSTEM \"fsoutputallcrit.dtd\">"));
  EXPECT_TRUE(Has(x, "predictorSetType=\"mixed\""));
  EXPECT_TRUE(Has(x, "numberOfPredictors=\"0\""));
  EXPECT_TRUE(Has(x, "screenCriterion=\"manyCategs\""));  // predictor 0: 20 categories
  EXPECT_TRUE(Has(x, "predictorType=\"categorical\""));
  EXPECT_TRUE(Has(x, "<ScreenCriterion name=\"smallVar\" value=\"0.001\""));
  EXPECT_FALSE(Has(x, "smallStdDev"));
  EXPECT_TRUE(Has(x, "<Target targetIndex=\"3\""));
  EXPECT_FALSE(Has(x, "<Predictor "));
}

TEST(OutputAllTest, ARankedRunWritesEveryPredictorWithItsCriteriaAndRanks) {
  FSSettings s(2, true, true);
  s.SetTargetPosition(2);
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 40; ++i) it.AddRow({1.0 * (i % 2), 1.0 * (i % 3), 1.0 * (i % 2)});
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->Run(&it, -1, true, 0).IsOK());
  std::ostringstream os;
  ASSERT_TRUE(a->WriteOutputAll(os).IsOK());
  const std::string x = os.str();
  EXPECT_TRUE(Has(x, "numberOfPredictors=\"2\""));
  EXPECT_TRUE(Has(x, "criterionName=\"Pearson\""));
  EXPECT_TRUE(Has(x, "criterionName=\"Cramer V\""));
  EXPECT_TRUE(Has(x, "rankOrder=\"0\""));
  EXPECT_FALSE(Has(x, "predictorType"));  // not a mixed set

  std::ostringstream one;
  ASSERT_TRUE(a->WriteOutputOne(one, kFSCramerV, 1).IsOK());
  const std::string y = one.str();
  EXPECT_TRUE(Has(y, "<!DOCTYPE FSOutputOne SYSTEM \"fsoutputonecrit.dtd\">"));
  EXPECT_TRUE(Has(y, "predictorChoiceType=\"numberOfBest\""));
  EXPECT_TRUE(Has(y, "<Predictor predictorIndex=\"0\" criterionValue=\"1\" rankOrder=\"0\""));
  EXPECT_FALSE(Has(y, "predictorIndex=\"1\""));
  std::ostringstream three;
  EXPECT_EQ(a->WriteOutputOne(three, kFSCramerV, 3), FSStatus(kFSTooFewPredictors, false, 2));
  std::ostringstream f;
  EXPECT_EQ(a->WriteOutputOne(f, kFSFStat, 1).code, kFSCriterionNotComputed);
}
