// The screening settings: setter ranges, predictor types and set type, default criteria,
// re-adjustment and the refusals of SetCriterion.
#include <gtest/gtest.h>

#include "featureselection/FSSettings.h"

namespace {
std::vector<int> Criteria(const FSSettings& s) {
  std::vector<int> on;
  for (int c = 0; c < 6; ++c) {
    if (s.IsCriterionComputed(c)) on.push_back(c);
  }
  return on;
}
}  // namespace

TEST(FSSettingsTest, PercentSettersStoreFractionsAndIgnoreValuesOutOfRange) {
  FSSettings s(3, true, true);
  s.SetMaxPctMissing(100.0);
  EXPECT_EQ(s.GetMaxFracMissing(), 1.0);
  s.SetMaxPctMissing(100.5);
  s.SetMaxPctMissing(-1);
  EXPECT_EQ(s.GetMaxPctMissing(), 100.0);
  s.SetMaxPctSingleCategory(50);
  EXPECT_DOUBLE_EQ(s.GetMaxFracSingleCategory(), 0.5);
  s.SetMinStdDev(0);
  EXPECT_EQ(s.GetMinStdDev(), 0.0);
  s.SetMinCoefVar(-0.1);
  EXPECT_EQ(s.GetMinCoefVar(), 0.001);
  s.SetFrequencyWeightPosition(4);
  s.SetFrequencyWeightPosition(-1);  // cannot be reset to undefined
  EXPECT_EQ(s.GetFrequencyWeightPosition(), 4);
  s.SetTargetPosition(-7);
  EXPECT_EQ(s.GetTargetPosition(), -1);
  s.SetRecordsToSkip(-3);
  EXPECT_EQ(s.GetRecordsToSkip(), 99);
}

TEST(FSSettingsTest, DefaultsMatchTheDocumentedValues) {
  FSSettings s;
  EXPECT_EQ(s.GetPredSetType(), kFSPredSetUndefined);
  EXPECT_TRUE(s.IsTargetCategorical());
  EXPECT_TRUE(Criteria(s).empty());
  EXPECT_EQ(s.GetTargetPosition(), 0);
  EXPECT_EQ(s.GetCaseIdPosition(), -1);
  EXPECT_EQ(s.GetWeightConversion(), kFSWeightRound);
  EXPECT_DOUBLE_EQ(s.GetMaxPctMissing(), 70.0);
  EXPECT_DOUBLE_EQ(s.GetMaxPctSingleCategory(), 95.0);
  EXPECT_DOUBLE_EQ(s.GetMaxPctCategories(), 90.0);
  EXPECT_DOUBLE_EQ(s.GetMaxPctOneCaseCategories(), 90.0);
  EXPECT_FALSE(s.IsPredictorCategorical(0));
}

TEST(FSSettingsTest, SetTypeFollowsThePredictorTypes) {
  FSSettings s(std::vector<bool>{true, false, false}, true);
  EXPECT_EQ(s.GetPredSetType(), kFSMixed);
  EXPECT_EQ(Criteria(s), (std::vector<int>{0, 1, 4}));
  s.SetPredictorTypes(1, 2, true);
  EXPECT_EQ(s.GetPredSetType(), kFSAllCategorical);
  EXPECT_EQ(s.GetNumCatPredictors(), 3);
  EXPECT_EQ(Criteria(s), (std::vector<int>{0, 1}));  // 4 cleared, user choices kept
  s.SetPredictorTypes(0, 2, false);
  EXPECT_EQ(s.GetPredSetType(), kFSAllContinuous);
  EXPECT_EQ(Criteria(s), (std::vector<int>{4}));
  s.SetPredictorType(3, true);  // out of range: ignored
  EXPECT_EQ(s.GetNumCatPredictors(), 0);
  EXPECT_FALSE(s.IsPredictorCategorical(-1));
}

TEST(FSSettingsTest, DefaultCriteriaDependOnTargetAndSetType) {
  EXPECT_EQ(Criteria(FSSettings(2, true, true)), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(Criteria(FSSettings(2, false, true)), (std::vector<int>{4}));
  EXPECT_EQ(Criteria(FSSettings(2, true, false)), (std::vector<int>{4}));
  EXPECT_EQ(Criteria(FSSettings(2, false, false)), (std::vector<int>{5}));
  EXPECT_EQ(Criteria(FSSettings(std::vector<bool>{true, false}, false)), (std::vector<int>{4, 5}));
}

TEST(FSSettingsTest, ChangingTheTargetKindReadjustsTheCriteria) {
  FSSettings s(std::vector<bool>{true, false}, true);
  s.SetTargetCategorical(false);
  EXPECT_EQ(Criteria(s), (std::vector<int>{4, 5}));
  s.SetTargetCategorical(true);
  EXPECT_EQ(Criteria(s), (std::vector<int>{0, 1, 4}));
}

TEST(FSSettingsTest, TheLastContingencyCriterionCannotBeSwitchedOff) {
  FSSettings s(4, true, true);
  EXPECT_TRUE(s.SetCriterion(0, false));
  EXPECT_TRUE(s.SetCriterion(1, false));
  EXPECT_TRUE(s.SetCriterion(2, false));
  EXPECT_FALSE(s.SetCriterion(3, false));
  EXPECT_TRUE(s.IsCriterionComputed(3));
  EXPECT_TRUE(s.SetCriterion(3, true));  // already on
  EXPECT_FALSE(s.SetCriterion(4, true));
  EXPECT_FALSE(s.SetCriterion(5, true));
  EXPECT_FALSE(s.SetCriterion(6, true));
}

TEST(FSSettingsTest, CriterionRefusalsFollowTargetAndSetType) {
  FSSettings mixedCat(std::vector<bool>{true, false}, true);
  EXPECT_FALSE(mixedCat.SetCriterion(2, true));
  EXPECT_FALSE(mixedCat.SetCriterion(4, false));
  FSSettings contCat(3, false, true);
  EXPECT_FALSE(contCat.SetCriterion(0, true));
  FSSettings mixedCont(std::vector<bool>{true, false}, false);
  EXPECT_FALSE(mixedCont.SetCriterion(4, false));
  EXPECT_FALSE(mixedCont.SetCriterion(5, false));
  EXPECT_FALSE(mixedCont.SetCriterion(0, true));
  FSSettings undefinedCont;
  undefinedCont.SetTargetCategorical(false);
  EXPECT_TRUE(undefinedCont.SetCriterion(2, true));
}

TEST(FSSettingsTest, DefaultNumberOfBestGrowsWithTheSquareRoot) {
  FSSettings s(100, false, true);
  EXPECT_EQ(s.GetDefaultNumberOfBest(0), 30);
  EXPECT_EQ(s.GetDefaultNumberOfBest(400), 40);
  EXPECT_EQ(s.GetDefaultNumberOfBest(5), 5);
}
