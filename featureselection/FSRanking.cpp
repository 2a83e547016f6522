// The ranking steps of the predictor set: collecting the criteria of every surviving
// predictor, sorting each criterion's list (all or the best n) and writing the ranks.
#include <algorithm>
#include <cassert>

#include "featureselection/FSPredictorSet.h"

namespace {
constexpr double kMiss = MCMV::gMissingValue;
}

FSStatus FSPredictorSet::ComputeCriteria() {
  const double start = FSClockSeconds();
  if (!fPassCompleted) Finalize();
  const bool targetCat = fpSettings->IsTargetCategorical();
  const bool mixed = fSetType == kFSMixed;
  bool computed[kFSNumCriteria];
  for (int c = 0; c < kFSNumCriteria; ++c) {
    computed[c] = fpSettings->IsCriterionComputed(c);
    fvSort[c].clear();
    fRanks[c].clear();
    fValues[c].clear();
    if (!computed[c]) continue;
    fvSort[c].reserve(static_cast<std::size_t>(fNumPreds));
    fRanks[c].assign(static_cast<std::size_t>(fNumPreds), -1);
    fValues[c].assign(static_cast<std::size_t>(fNumPreds), kMiss);
  }
  auto record = [this](int c, int i, const FSCriterionResult& r) {
    fvSort[c].push_back(FSPredSort{r.value, r.tie1, r.tie2, i});
    fValues[c][static_cast<std::size_t>(i)] = r.value;
  };

  int countdown = fpSettings->GetPredictorsToSkip();
  std::size_t nextDeleted = 0;
  for (int i = 0; i < fNumPreds; ++i) {
    if (fpCancel->IsCancelled()) break;
    while (nextDeleted < fDeletedInds.size() && fDeletedInds[nextDeleted] < i) ++nextDeleted;
    const bool deleted = nextDeleted < fDeletedInds.size() && fDeletedInds[nextDeleted] == i;
    const IFSPredTargetAccum* a = GetAccumulator(i);
    if (deleted || !a) {
      // Values stay missing and no sort record is made.
      ReportPredictors(countdown, i + 1, start);
      continue;
    }
    const bool cat = fpSettings->IsPredictorCategorical(i);
    FSCriterionResult last;  // the outputs of the previous criterion of this predictor
    for (int c = 0; c < kFSNumCriteria; ++c) {
      if (!computed[c]) continue;
      FSCriterionResult r;
      switch (c) {
        case kFSPearson:
        case kFSCramerV:
        case kFSLambda:
          a->ComputeCriteria(c, r);
          record(c, i, r);
          break;
        case kFSLikelihood:
          if (mixed && computed[kFSPearson] && !cat) {
            r = last;  // a continuous predictor repeats its F test
          } else {
            a->ComputeCriteria(c, r);
          }
          record(c, i, r);
          break;
        case kFSFStat:
          if (!targetCat) {
            a->ComputeCriteria(c, r);
            record(c, i, r);
          } else if (!cat) {
            if (mixed && (computed[kFSPearson] || computed[kFSLikelihood])) {
              r = last;
              if (r.tie2 != kMiss) r.tie2 = -r.tie2;  // back to +N
            } else {
              a->ComputeCriteria(c, r);
            }
            record(c, i, r);
          }
          break;
        case kFSTStat:
          if (!targetCat && fSetType == kFSAllContinuous) {
            a->ComputeCriteria(c, r);
            record(c, i, r);
          }
          break;
        default:
          break;
      }
      last = r;
    }
    ReportPredictors(countdown, i + 1, start);
  }
  AddElapsed(FSClockSeconds() - start);
  fStatus = kFSSetCriteriaComputed;
  CheckInvariants();
  return FSStatus();
}

FSStatus FSPredictorSet::SortAll() {
  const double start = FSClockSeconds();
  for (int c = 0; c < kFSNumCriteria; ++c) {
    if (fpCancel->IsCancelled()) break;
    if (fpSettings->IsCriterionComputed(c)) FSSortAll(c, fvSort[c]);
  }
  fNumBest = 0;
  fStatus = kFSSetSortedAll;
  AddElapsed(FSClockSeconds() - start);
  return FSStatus();
}

FSStatus FSPredictorSet::SortBest(int n) {
  const double start = FSClockSeconds();
  if (n < 1) n = GetNumLeft();
  for (int c = 0; c < kFSNumCriteria; ++c) {
    if (fpCancel->IsCancelled()) break;
    if (!fpSettings->IsCriterionComputed(c) || fvSort[c].empty()) continue;
    n = std::min(n, static_cast<int>(fvSort[c].size()));
    FSSortBest(c, fvSort[c], n);
  }
  fNumBest = n;
  fStatus = kFSSetSortedBest;
  AddElapsed(FSClockSeconds() - start);
  return FSStatus();
}

FSStatus FSPredictorSet::Rank() {
  for (int c = 0; c < kFSNumCriteria; ++c) {
    if (!fpSettings->IsCriterionComputed(c)) continue;
    fRanks[c].assign(static_cast<std::size_t>(fNumPreds), -1);
    std::size_t positions = fvSort[c].size();
    if (fStatus == kFSSetSortedBest)
      positions = std::min(positions, static_cast<std::size_t>(fNumBest));
    for (std::size_t k = 0; k < positions; ++k) {
      const int index = fvSort[c][k].index;
      assert(index >= 0 && index < fNumPreds && "featureselection/FSRanking: index in range");
      fRanks[c][static_cast<std::size_t>(index)] = static_cast<int>(k);
    }
  }
  fStatus = kFSSetRanked;
  return FSStatus();
}
