// The enumerations of the screening engine; their numeric values are stored in files and
// returned to clients.
#pragma once

#include <cstdint>
#include <string>

enum FSPredSetType : std::int32_t {
  kFSAllCategorical = 0,
  kFSAllContinuous = 1,
  kFSMixed = 2,
  kFSPredSetUndefined = 3,
};

enum FSPredSetStatus : std::int32_t {
  kFSSetReleased = 0,  // memory released after a cancellation
  kFSSetInitial = 1,
  kFSSetAccumulated = 2,
  kFSSetChecked = 3,
  kFSSetCriteriaComputed = 4,
  kFSSetSortedAll = 5,
  kFSSetSortedBest = 6,
  kFSSetRanked = 7,
};

enum FSCriterion : std::int32_t {
  kFSPearson = 0,
  kFSLikelihood = 1,
  kFSCramerV = 2,
  kFSLambda = 3,
  kFSFStat = 4,
  kFSTStat = 5,
};
inline constexpr int kFSNumCriteria = 6;

enum FSDeleteReason : std::int32_t {
  allMissing = 1,
  allConst = 2,
  manyMissing = 3,
  manyConst = 4,
  manyCategs = 5,
  manyCategsWithOneCase = 6,
  smallStdDev = 7,
  smallVar = 8,
};

enum FSWeightConversion : std::int32_t {
  kFSWeightAsIs = 0,
  kFSWeightRound = 1,
  kFSWeightTruncate = 2,
};

// Display names ("All categorical", "Initial", "Pearson chi-square p-value", ...); values
// outside the enumeration give "Unrecognized" ("unrecognized method" for weight conversion).
std::string FSPredSetTypeName(int type);
std::string FSPredSetStatusName(int status);
std::string FSCriterionName(int criterion);
// Short names used in the result documents: "Pearson", "Likelihood", "Cramer V", "Lambda",
// "F-Statistic", "t-Statistic"; "" outside 0 to 5.
std::string FSCriterionShortName(int criterion);
// Names of deletion reasons: "allMissing" ... "smallVar"; "" outside 1 to 8.
std::string FSDeleteReasonName(int reason);
std::string FSWeightConversionName(int conversion);
