// The predictor set: construction, release, queries, the screening steps and its listing.
#include "featureselection/FSPredictorSet.h"

#include <algorithm>
#include <cassert>
#include <ostream>

#include "featureselection/FSCatAccums.h"
#include "featureselection/FSContAccums.h"

namespace {
constexpr double kMiss = MCMV::gMissingValue;
}  // namespace

FSPredictorSet::FSPredictorSet(FSSettings* settings, FSCancelState* cancel)
    : fpSettings(settings), fpCancel(cancel) {
  assert(settings && cancel && "featureselection/FSPredictorSet: settings && cancel");
  fNumPreds = settings->GetNumPredictors();
  fSetType = settings->GetPredSetType();
  for (int c = 0; c < kFSNumCriteria; ++c) {
    if (!settings->IsCriterionComputed(c)) continue;
    fRanks[c].assign(static_cast<std::size_t>(fNumPreds), -1);
    fValues[c].assign(static_cast<std::size_t>(fNumPreds), kMiss);
  }
}

FSPredictorSet::~FSPredictorSet() = default;

void FSPredictorSet::CheckInvariants() const {
  assert((fvpAccum.empty() || static_cast<int>(fvpAccum.size()) == fNumPreds) &&
         "featureselection/FSPredictorSet: fvpAccum is empty or has fNumPreds slots");
  assert(fDeletedInds.size() == fDeleteReasons.size() &&
         "featureselection/FSPredictorSet: deletions parallel");
  assert(std::is_sorted(fDeletedInds.begin(), fDeletedInds.end()) &&
         "featureselection/FSPredictorSet: deleted indices ascending");
  for (int c = 0; c < kFSNumCriteria; ++c) {
    assert((fRanks[c].empty() || static_cast<int>(fRanks[c].size()) == fNumPreds) &&
           "featureselection/FSPredictorSet: rank list sized");
  }
}

bool FSPredictorSet::Allocate(bool withTarget) {
  if (fAllocated) return false;
  const bool targetCat = fpSettings->IsTargetCategorical();
  fvpAccum.clear();
  fvpAccum.reserve(static_cast<std::size_t>(fNumPreds));
  for (int i = 0; i < fNumPreds; ++i) {
    const bool cat = fpSettings->IsPredictorCategorical(i);
    int code;
    if (!withTarget) {
      code = cat ? kFSClassCatAccum : kFSClassContAccum;
    } else if (targetCat) {
      code = cat ? kFSClassCatPCatTAccum : kFSClassContPCatTAccum;
    } else {
      code = cat ? kFSClassCatPContTAccum : kFSClassContPContTAccum;
    }
    fvpAccum.push_back(IFSPredTargetAccum::Create(code));
  }
  // Predictors deleted before the allocation keep an empty slot.
  for (int i : fDeletedInds) fvpAccum[static_cast<std::size_t>(i)].reset();
  if (withTarget && targetCat) fpTargetCounts = std::make_unique<FSMapIPCnt>();
  fAllocated = true;
  CheckInvariants();
  return true;
}

void FSPredictorSet::Finalize() {
  for (auto& a : fvpAccum) {
    if (a) a->Finalize();
  }
  fPassCompleted = true;
}

void FSPredictorSet::Release() {
  fpTargetCounts.reset();
  fvpAccum.clear();
  fDeletedInds.clear();
  fDeleteReasons.clear();
  for (int c = 0; c < kFSNumCriteria; ++c) {
    fvSort[c].clear();
    fRanks[c].clear();
    fValues[c].clear();
  }
  fNumPreds = 0;
  fSetType = kFSPredSetUndefined;
  fStatus = kFSSetReleased;
  fAllocated = false;
  fNumBest = 0;
  CheckInvariants();
}

// ---- queries ----

void FSPredictorSet::GetRecordCounts(double& weightedValid, double& weightedExcluded, int& valid,
                                     int& excluded) const {
  weightedValid = fWeightedValid;
  weightedExcluded = fWeightedExcluded;
  valid = fValid;
  excluded = fExcluded;
}

int FSPredictorSet::GetNumTargetCategories() const {
  return fpTargetCounts ? fpTargetCounts->Size() : -1;
}

FSCategoryCounts FSPredictorSet::GetTargetCategoryCount(int category) const {
  FSCategoryCounts c;
  if (fpTargetCounts && fpTargetCounts->Lookup(category, c)) return c;
  return FSCategoryCounts{-1, -1.0};
}

bool FSPredictorSet::GetTargetCategoryAt(int i, int& category, FSCategoryCounts& counts) const {
  if (!fpTargetCounts || i < 0 || i >= fpTargetCounts->Size()) {
    category = -1;
    counts = FSCategoryCounts{-1, -1.0};
    return false;
  }
  category = fpTargetCounts->KeyAt(i);
  counts = fpTargetCounts->CountsAt(i);
  return true;
}

bool FSPredictorSet::IsDeleted(int i) const {
  return std::binary_search(fDeletedInds.begin(), fDeletedInds.end(), i);
}

const IFSPredTargetAccum* FSPredictorSet::GetAccumulator(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= fvpAccum.size()) return nullptr;
  return fvpAccum[static_cast<std::size_t>(i)].get();
}

int FSPredictorSet::ListIndexFor(int c) const {
  if (c < 0 || c >= kFSNumCriteria) return kFSPearson;
  if (c == kFSTStat && fSetType == kFSMixed && !fpSettings->IsTargetCategorical()) return kFSFStat;
  return c;
}

const std::vector<int>& FSPredictorSet::GetRanks(int c) const { return fRanks[ListIndexFor(c)]; }

const std::vector<double>& FSPredictorSet::GetCriterionValues(int c) const {
  return fValues[ListIndexFor(c)];
}

const std::vector<FSPredSort>& FSPredictorSet::GetSortList(int c) const {
  return fvSort[ListIndexFor(c)];
}

// ---- screening ----

FSStatus FSPredictorSet::ListFailing(std::vector<int>& indices,
                                     std::vector<std::vector<int>>& reasons) {
  indices.clear();
  reasons.clear();
  if (!fPassCompleted) Finalize();
  int failing = 0;
  std::vector<int> list;
  for (int i = 0; i < fNumPreds; ++i) {
    if (fpCancel->IsCancelled()) break;
    const IFSPredTargetAccum* a = GetAccumulator(i);
    if (!a) {
      ++failing;
      continue;
    }
    if (a->ListDeletionReasons(*fpSettings, list) > 0) {
      indices.push_back(i);
      reasons.push_back(list);
      ++failing;
    }
  }
  assert(indices.size() == reasons.size() && "featureselection/FSPredictorSet: parallel lists");
  return failing == fNumPreds ? FSStatus(kFSNoPredictorsLeft, true) : FSStatus();
}

void FSPredictorSet::Delete(int i, int reason) {
  fvpAccum[static_cast<std::size_t>(i)].reset();
  fDeletedInds.push_back(i);
  fDeleteReasons.push_back(reason);
}

void FSPredictorSet::SortDeletions() {
  std::vector<std::pair<int, int>> pairs(fDeletedInds.size());
  for (std::size_t k = 0; k < pairs.size(); ++k) pairs[k] = {fDeletedInds[k], fDeleteReasons[k]};
  std::sort(pairs.begin(), pairs.end());
  for (std::size_t k = 0; k < pairs.size(); ++k) {
    fDeletedInds[k] = pairs[k].first;
    fDeleteReasons[k] = pairs[k].second;
  }
}

FSStatus FSPredictorSet::DeletionStep(bool thresholdRules) {
  const double start = FSClockSeconds();
  FSStatus st;
  if (!fPassCompleted) Finalize();
  if (GetNumLeft() == 0) {
    st = FSStatus(kFSNoPredictorsLeft, true);
  } else {
    const std::size_t before = fDeletedInds.size();
    for (int i = 0; i < fNumPreds; ++i) {
      if (fpCancel->IsCancelled()) break;
      const IFSPredTargetAccum* a = GetAccumulator(i);
      if (!a) continue;
      int reason = 0;
      if (thresholdRules) {
        reason = a->GetFirstDeletionReason(*fpSettings);
      } else if (a->IsAllMissing()) {
        reason = allMissing;
      } else if (a->IsConstant()) {
        reason = allConst;
      }
      if (reason != 0) Delete(i, reason);
    }
    if (GetNumLeft() == 0) {
      st = FSStatus(thresholdRules ? kFSNoPredictorsLeft : kFSAllDeleted, true);
    }
    if (fDeletedInds.size() != before) SortDeletions();
  }
  fStatus = kFSSetChecked;
  AddElapsed(FSClockSeconds() - start);
  CheckInvariants();
  return st;
}

FSStatus FSPredictorSet::CheckForDeletion() { return DeletionStep(false); }
FSStatus FSPredictorSet::ScreenPredictors() { return DeletionStep(true); }

// ---- listing ----

void FSPredictorSet::Display(std::ostream& os) const {
  auto flag = [&os](bool on, const char* yes, const char* no) { os << (on ? yes : no) << "\n"; };
  os << "Start of FSPredictorSet display\n";
  os << "Total elapsed time = " << fElapsed << " seconds\n";
  os << "Number of predictors = " << fNumPreds << ", left = " << GetNumLeft() << "\n";
  os << "Predictor set type = " << FSPredSetTypeName(fSetType) << "\n";
  os << "Status = " << FSPredSetStatusName(fStatus) << "\n";
  os << "Number of best = " << fNumBest << "\n";
  os << "Weighted valid records = " << fWeightedValid
     << ", weighted excluded records = " << fWeightedExcluded << "\n";
  os << "Valid records = " << fValid << ", excluded records = " << fExcluded << "\n";
  flag(fAllocated, "Memory for accumulation allocated", "Memory for accumulation not allocated");
  flag(fPassCompleted, "Data pass completed", "Data pass not completed");
  flag(fNoValidData, "No valid data found", "Valid data found");
  flag(fNoValidWeight, "No records with valid weight found", "Records with valid weight found");
  if (fpTargetCounts) {
    os << "Target category counts:\n";
    fpTargetCounts->Display(os);
  }
  os << "Vector fvpAccum:\n";
  for (std::size_t i = 0; i < fvpAccum.size(); ++i) {
    os << "Predictor " << i << ":\n";
    if (fvpAccum[i]) {
      fvpAccum[i]->Display(os);
    } else {
      os << "<deleted>\n";
    }
  }
  os << "Indices of deleted predictors:";
  for (int i : fDeletedInds) os << ' ' << i;
  os << "\nReasons for deletion of deleted predictors:";
  for (int r : fDeleteReasons) os << ' ' << r;
  os << "\n";
  static const char* const kListNames[kFSNumCriteria] = {"Pearson", "Likelihood", "Cramer",
                                                         "Lambda",  "FStat",      "TStat"};
  static const char* const kRankNames[kFSNumCriteria] = {
      "Pearson", "likelihood ratio", "Cramer's V", "lambda", "F-statistic", "t-statistic"};
  for (int c = 0; c < kFSNumCriteria; ++c) {
    os << "Vector fvpSort" << kListNames[c] << ":\n";
    for (const FSPredSort& s : fvSort[c]) s.Display(os);
  }
  for (int c = 0; c < kFSNumCriteria; ++c) {
    os << "Ranks based on " << kRankNames[c] << ":";
    for (int r : fRanks[c]) os << ' ' << r;
    os << "\n";
  }
  for (int c = 0; c < kFSNumCriteria; ++c) {
    os << "Criterion values in original order of predictors for " << kRankNames[c] << ":";
    for (double v : fValues[c]) {
      if (v == kMiss) {
        os << " <missing>";
      } else {
        os << ' ' << v;
      }
    }
    os << "\n";
  }
  os << "End of FSPredictorSet display\n";
}
