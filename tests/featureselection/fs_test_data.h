// Helpers of the screening engine tests: in-memory records and a recording progress listener.
#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "featureselection/FSAlgorithmFactory.h"
#include "host/mccommon/MCCommonRecord.h"

inline constexpr double kSysmis = MCMV::gMissingValue;

inline MCCommon::VectorRecordIter Rows(std::initializer_list<std::vector<double>> rows) {
  MCCommon::VectorRecordIter it;
  for (const auto& r : rows) it.AddRow(r);
  return it;
}

// One predictor column as single-field records.
inline MCCommon::VectorRecordIter Column(const std::vector<double>& values) {
  MCCommon::VectorRecordIter it;
  for (double v : values) it.AddRow(&v, 1);
  return it;
}

inline std::unique_ptr<IFSAlgorithm> MakeAlgorithm(FSSettings& s) {
  FSAlgorithmFactory factory;
  return factory.Create(&s);
}
