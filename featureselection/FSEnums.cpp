// Display names of the screening engine's enumerations.
#include "featureselection/FSEnums.h"

std::string FSPredSetTypeName(int type) {
  switch (type) {
    case kFSAllCategorical:
      return "All categorical";
    case kFSAllContinuous:
      return "All continuous";
    case kFSMixed:
      return "Mixed";
    default:
      return "Unrecognized";
  }
}

std::string FSPredSetStatusName(int status) {
  switch (status) {
    case kFSSetInitial:
      return "Initial";
    case kFSSetAccumulated:
      return "Counts and statistics accumulated";
    case kFSSetChecked:
      return "Predictors checked for deletion";
    case kFSSetCriteriaComputed:
      return "Ranking criteria computed";
    case kFSSetSortedAll:
      return "Predictors sorted (all)";
    case kFSSetSortedBest:
      return "Predictors sorted (best)";
    case kFSSetRanked:
      return "Predictors ranked";
    default:
      return "Unrecognized";
  }
}

std::string FSCriterionName(int criterion) {
  switch (criterion) {
    case kFSPearson:
      return "Pearson chi-square p-value";
    case kFSLikelihood:
      return "Likelihood ratio chi-square p-value";
    case kFSCramerV:
      return "Cramer's V";
    case kFSLambda:
      return "Asymmetric lambda";
    case kFSFStat:
      return "F-statistic p-value";
    case kFSTStat:
      return "t-statistic p-value";
    default:
      return "Unrecognized";
  }
}

std::string FSCriterionShortName(int criterion) {
  switch (criterion) {
    case kFSPearson:
      return "Pearson";
    case kFSLikelihood:
      return "Likelihood";
    case kFSCramerV:
      return "Cramer V";
    case kFSLambda:
      return "Lambda";
    case kFSFStat:
      return "F-Statistic";
    case kFSTStat:
      return "t-Statistic";
    default:
      return "";
  }
}

std::string FSDeleteReasonName(int reason) {
  switch (reason) {
    case allMissing:
      return "allMissing";
    case allConst:
      return "allConst";
    case manyMissing:
      return "manyMissing";
    case manyConst:
      return "manyConst";
    case manyCategs:
      return "manyCategs";
    case manyCategsWithOneCase:
      return "manyCategsWithOneCase";
    case smallStdDev:
      return "smallStdDev";
    case smallVar:
      return "smallVar";
    default:
      return "";
  }
}

std::string FSWeightConversionName(int conversion) {
  switch (conversion) {
    case kFSWeightAsIs:
      return "using weight as is";
    case kFSWeightRound:
      return "rounding to nearest integer";
    case kFSWeightTruncate:
      return "truncating to integer";
    default:
      return "unrecognized method";
  }
}
