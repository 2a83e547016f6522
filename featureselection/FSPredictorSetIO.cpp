// The stored form of the predictor set, read back with every index and size checked so that
// a corrupt stream is refused rather than restored into a set that would fail later.
#include <cassert>

#include "featureselection/FSPredictorSet.h"

namespace {
constexpr const char* kCls = "FSPredictorSet";
}

void FSPredictorSet::Write(FSFieldSink& out) const {
  out.Begin("PRSET", kCls);
  out.Int("numPreds", fNumPreds);
  out.Int("numBest", fNumBest);
  out.Dbl("elapsedTime", fElapsed);
  out.Int("setType", fSetType);
  out.Int("status", fStatus);
  out.Bool("allocated", fAllocated);
  out.Bool("passCompleted", fPassCompleted);
  out.Bool("noValidData", fNoValidData);
  out.Bool("noValidWeight", fNoValidWeight);
  out.Dbl("weightedValid", fWeightedValid);
  out.Dbl("weightedExcluded", fWeightedExcluded);
  out.Int("valid", fValid);
  out.Int("excluded", fExcluded);
  out.Int("numDeleted", static_cast<std::int32_t>(fDeletedInds.size()));
  for (int i : fDeletedInds) out.Int("deletedIndex", i);
  for (int r : fDeleteReasons) out.Int("deletionReason", r);
  out.Int("numAccumulators", static_cast<std::int32_t>(fvpAccum.size()));
  for (const auto& a : fvpAccum) {
    out.Int("accumulatorClass", a ? a->GetClassCode() : kFSNoAccum);
    if (a) a->Write(out);
  }
  out.Bool("targetCountsPresent", fpTargetCounts != nullptr);
  if (fpTargetCounts) fpTargetCounts->Write(out);
  for (int c = 0; c < kFSNumCriteria; ++c) {
    out.Int("numSortRecords", static_cast<std::int32_t>(fvSort[c].size()));
    for (const FSPredSort& s : fvSort[c]) s.Write(out);
  }
  for (int c = 0; c < kFSNumCriteria; ++c) {
    out.Int("numRanks", static_cast<std::int32_t>(fRanks[c].size()));
    for (int r : fRanks[c]) out.Int("rank", r);
  }
  for (int c = 0; c < kFSNumCriteria; ++c) {
    out.Int("numValues", static_cast<std::int32_t>(fValues[c].size()));
    for (double v : fValues[c]) out.Dbl("value", v);
  }
  out.End();
}

void FSPredictorSet::Read(FSFieldSource& in) {
  FSPredictorSet s(fpSettings, fpCancel);
  for (int c = 0; c < kFSNumCriteria; ++c) {
    s.fRanks[c].clear();
    s.fValues[c].clear();
  }
  in.Begin("PRSET", kCls, kCls);
  const int n = in.Int("numPreds", kCls);
  if (n != fpSettings->GetNumPredictors() && n != 0) {
    FSIO::Fail(kCls, "the number of predictors " + std::to_string(n) +
                         " differs from the settings' " +
                         std::to_string(fpSettings->GetNumPredictors()));
  }
  s.fNumPreds = n;
  s.fNumBest = in.Int("numBest", kCls);
  s.fElapsed = in.Dbl("elapsedTime", kCls);
  const int setType = in.Int("setType", kCls);
  const int status = in.Int("status", kCls);
  if (setType < kFSAllCategorical || setType > kFSPredSetUndefined) {
    FSIO::Fail(kCls, "unknown predictor set type " + std::to_string(setType));
  }
  if (status < kFSSetReleased || status > kFSSetRanked) {
    FSIO::Fail(kCls, "unknown status " + std::to_string(status));
  }
  if (n > 0 && setType != fpSettings->GetPredSetType()) {
    FSIO::Fail(kCls, "the predictor set type differs from the settings'");
  }
  s.fSetType = static_cast<FSPredSetType>(setType);
  s.fStatus = static_cast<FSPredSetStatus>(status);
  s.fAllocated = in.Bool("allocated", kCls);
  s.fPassCompleted = in.Bool("passCompleted", kCls);
  s.fNoValidData = in.Bool("noValidData", kCls);
  s.fNoValidWeight = in.Bool("noValidWeight", kCls);
  s.fWeightedValid = in.Dbl("weightedValid", kCls);
  s.fWeightedExcluded = in.Dbl("weightedExcluded", kCls);
  s.fValid = in.Int("valid", kCls);
  s.fExcluded = in.Int("excluded", kCls);

  const int d = in.Count("numDeleted", kCls, n);
  for (int k = 0; k < d; ++k) {
    const int i = in.Int("deletedIndex", kCls);
    if (i < 0 || i >= n || (!s.fDeletedInds.empty() && i <= s.fDeletedInds.back())) {
      FSIO::Fail(kCls, "deleted index " + std::to_string(i) + " is out of range or out of order");
    }
    s.fDeletedInds.push_back(i);
  }
  for (int k = 0; k < d; ++k) {
    const int r = in.Int("deletionReason", kCls);
    if (r < allMissing || r > smallVar) {
      FSIO::Fail(kCls, "unknown deletion reason " + std::to_string(r));
    }
    s.fDeleteReasons.push_back(r);
  }

  const int m = in.Count("numAccumulators", kCls, n);
  if (m != (s.fAllocated ? n : 0)) {
    FSIO::Fail(kCls, "the number of accumulators does not match the allocation flag");
  }
  for (int i = 0; i < m; ++i) {
    const int code = in.Int("accumulatorClass", kCls);
    if (code < kFSNoAccum || code > kFSClassContPContTAccum) {
      FSIO::Fail(kCls, "unknown accumulator class " + std::to_string(code) + " of predictor " +
                           std::to_string(i));
    }
    std::unique_ptr<IFSPredTargetAccum> a = IFSPredTargetAccum::Create(code);
    if (a) {
      if (a->IsCategorical() != fpSettings->IsPredictorCategorical(i)) {
        FSIO::Fail(
            kCls, "the accumulator of predictor " + std::to_string(i) + " does not match its type");
      }
      if (s.IsDeleted(i)) {
        FSIO::Fail(kCls, "deleted predictor " + std::to_string(i) + " has an accumulator");
      }
      a->Read(in);
    }
    s.fvpAccum.push_back(std::move(a));
  }
  if (in.Bool("targetCountsPresent", kCls)) {
    s.fpTargetCounts = std::make_unique<FSMapIPCnt>();
    s.fpTargetCounts->Read(in);
  }
  for (int c = 0; c < kFSNumCriteria; ++c) {
    const int count = in.Count("numSortRecords", kCls, n);
    for (int k = 0; k < count; ++k) {
      FSPredSort ps;
      ps.Read(in);
      if (ps.index < 0 || ps.index >= n) {
        FSIO::Fail(kCls,
                   "sort record for predictor " + std::to_string(ps.index) + " is out of range");
      }
      s.fvSort[c].push_back(ps);
    }
  }
  for (int c = 0; c < kFSNumCriteria; ++c) {
    const int count = in.Count("numRanks", kCls, n);
    if (count != 0 && count != n) FSIO::Fail(kCls, "a rank list has the wrong length");
    for (int k = 0; k < count; ++k) s.fRanks[c].push_back(in.Int("rank", kCls));
  }
  for (int c = 0; c < kFSNumCriteria; ++c) {
    const int count = in.Count("numValues", kCls, n);
    if (count != 0 && count != n) FSIO::Fail(kCls, "a value list has the wrong length");
    for (int k = 0; k < count; ++k) s.fValues[c].push_back(in.Dbl("value", kCls));
  }
  in.End(kCls);
  s.CheckInvariants();

  fNumPreds = s.fNumPreds;
  fNumBest = s.fNumBest;
  fElapsed = s.fElapsed;
  fSetType = s.fSetType;
  fStatus = s.fStatus;
  fAllocated = s.fAllocated;
  fPassCompleted = s.fPassCompleted;
  fNoValidData = s.fNoValidData;
  fNoValidWeight = s.fNoValidWeight;
  fWeightedValid = s.fWeightedValid;
  fWeightedExcluded = s.fWeightedExcluded;
  fValid = s.fValid;
  fExcluded = s.fExcluded;
  fpTargetCounts = std::move(s.fpTargetCounts);
  fvpAccum = std::move(s.fvpAccum);
  fDeletedInds = std::move(s.fDeletedInds);
  fDeleteReasons = std::move(s.fDeleteReasons);
  fvSort = std::move(s.fvSort);
  fRanks = std::move(s.fRanks);
  fValues = std::move(s.fValues);
}
