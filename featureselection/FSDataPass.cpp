// The data passes of the predictor set: records with a target, records without a target and
// transactions; with weights, record layout, missing values, counters and progress reports.
#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <type_traits>

#include "featureselection/FSContAccums.h"
#include "featureselection/FSPredictorSet.h"

namespace {

// The record's frequency weight after conversion; false when the record is to be skipped
// (system-missing, not finite, or not positive after conversion).
bool ConvertWeight(double raw, int conversion, double& w) {
  if (raw == MCMV::gMissingValue || !std::isfinite(raw)) return false;
  if (conversion == kFSWeightRound) {
    w = std::floor(raw + 0.5);
  } else if (conversion == kFSWeightTruncate) {
    w = std::floor(raw);
  } else {
    w = raw;
  }
  return w > 0.0;
}

// The integer part of v + 0.5 (the transaction's predictor index); INT_MIN when v is not a
// usable number, which no predictor index matches.
int RoundIndex(double v) {
  const double r = v + 0.5;
  if (!(r > INT_MIN && r < 2147483647.0)) return INT_MIN;
  return static_cast<int>(r);
}

// A whole number to which whole numbers of records can be added exactly.
bool IsWholeCount(double x) { return x >= 0 && x < 0x1p52 && x == std::floor(x); }

// Reports progress every `skip` + 1 steps.
class Progress {
 public:
  Progress(FSProgressListener* listener, int skip, double start, double before)
      : fpListener(listener), fSkip(skip), fCountdown(skip), fStart(start), fBefore(before) {}
  bool Active() const { return fpListener != nullptr; }
  void Step(int records, int predictors) {
    if (!fpListener) return;
    if (fCountdown > 0) {
      --fCountdown;
      return;
    }
    FSReporter report(records, predictors, FSClockSeconds() - fStart + fBefore);
    fpListener->Progress(&report);
    fCountdown = fSkip;
  }

 private:
  FSProgressListener* fpListener;
  int fSkip;
  int fCountdown;
  double fStart;
  double fBefore;
};

// Gives the records of a source that offers no blocks as blocks: up to kBatch records are
// read one by one and copied into columns (the fields a short record lacks are missing), never
// more than the caller still wants.
class RecordBatches {
 public:
  explicit RecordBatches(MCCommon::RecordIterator* it) : fpIt(it) {}
  const MCCommon::RecordBlock* Next(int wanted) {
    if (fpIt->OffersBlocks()) return fpIt->NextBlock();
    const std::size_t limit = static_cast<std::size_t>(std::min(wanted, kBatch));
    std::size_t n = 0;
    while (n < limit && fpIt->Next()) {
      const MCCommon::Record* rec = fpIt->Current();
      if (!rec) break;
      const std::size_t size = static_cast<std::size_t>(rec->Size());
      // A wider record adds columns, in which the records before it are missing.
      while (fColumns.size() < size)
        fColumns.emplace_back(static_cast<std::size_t>(kBatch), MCMV::gMissingValue);
      const double* values = rec->GetAll();
      for (std::size_t f = 0; f < fColumns.size(); ++f)
        fColumns[f][n] = f < size ? values[f] : MCMV::gMissingValue;
      ++n;
    }
    if (n == 0) return nullptr;
    fBlock.nRecords = static_cast<int>(n);
    fBlock.columns.resize(fColumns.size());
    for (std::size_t f = 0; f < fColumns.size(); ++f) fBlock.columns[f] = fColumns[f].data();
    return &fBlock;
  }

 private:
  static constexpr int kBatch = 256;
  MCCommon::RecordIterator* fpIt;
  std::vector<std::vector<double>> fColumns;
  MCCommon::RecordBlock fBlock;
};

// Continuous predictors of a block record by record: their running means are independent
// chains, and taking them in turn lets the processor overlap them. `Accum` is FSContAccum when
// every accumulator is one (the calls then need no dispatch), else the interface.
template <class Accum>
void AddRecordByRecord(const std::vector<Accum*>& accums, const std::vector<const double*>& columns,
                       int n, const double* weight, const char* use, char* valid) {
  const std::size_t k = accums.size();
  [[maybe_unused]] FSUnitStep step;
  for (int i = 0; i < n; ++i) {
    if (!use[i]) continue;
    const double w = weight[i];
    for (std::size_t q = 0; q < k; ++q) {
      const double v = columns[q][i];
      if (FSIsContMissing(v)) {
        accums[q]->AddMissing(w);
      } else {
        valid[i] = 1;
        if constexpr (std::is_same_v<Accum, FSContAccum>) {
          if (w == 1.0) {
            accums[q]->AddUnitValue(v, step);
            continue;
          }
        }
        accums[q]->AddValue(v, w, true);
      }
    }
  }
}

}  // namespace

std::vector<int> FSPredictorSet::ColumnsOfPredictors() const {
  // Predictors are the record's fields in order with the target, case identifier and
  // frequency weight columns left out, wherever those lie.
  const int target = fpSettings->GetTargetPosition();
  const int caseId = fpSettings->GetCaseIdPosition();
  const int weight = fpSettings->GetFrequencyWeightPosition();
  std::vector<int> cols(static_cast<std::size_t>(fNumPreds));
  int k = 0;
  for (int j = 0; j < fNumPreds; ++j) {
    while (k == target || k == caseId || k == weight) ++k;
    cols[static_cast<std::size_t>(j)] = k++;
  }
  return cols;
}

void FSPredictorSet::ReportPredictors(int& countdown, int done, double startElapsed) const {
  FSProgressListener* listener = fpSettings->GetProgressListener();
  if (!listener) return;
  if (countdown > 0) {
    --countdown;
    return;
  }
  FSReporter report(-1, done, fElapsed + FSClockSeconds() - startElapsed);
  listener->Progress(&report);
  countdown = fpSettings->GetPredictorsToSkip();
}

FSStatus FSPredictorSet::PassWithTarget(MCCommon::RecordIterator* it, int maxRecords) {
  Allocate(true);
  fPassCompleted = false;
  if (maxRecords < 0) maxRecords = INT_MAX;
  const int conversion = fpSettings->GetWeightConversion();
  const int targetPos = fpSettings->GetTargetPosition();
  const int weightPos = fpSettings->GetFrequencyWeightPosition();
  const bool targetCat = fpSettings->IsTargetCategorical();
  const std::vector<int> cols = ColumnsOfPredictors();
  std::vector<char> isCat(static_cast<std::size_t>(fNumPreds));
  for (int j = 0; j < fNumPreds; ++j) isCat[j] = fpSettings->IsPredictorCategorical(j);
  const double start = FSClockSeconds();
  Progress progress(fpSettings->GetProgressListener(), fpSettings->GetRecordsToSkip(), start,
                    fElapsed);

  int processed = 0;
  while (it && processed < maxRecords && !fpCancel->IsCancelled() && it->Next()) {
    const MCCommon::Record* rec = it->Current();
    if (!rec) break;
    double w = 1.0;
    if (weightPos >= 0) {
      if (!ConvertWeight(rec->ValueOr(weightPos), conversion, w)) continue;
      fNoValidWeight = false;
    }
    ++processed;
    const double target = rec->ValueOr(targetPos);
    const bool targetMissing = targetCat ? FSIsCatMissing(target) : FSIsContMissing(target);
    bool anyValid = false;
    if (!targetMissing) {
      const double* values = rec->GetAll();
      const int size = rec->Size();
      for (int j = 0; j < fNumPreds; ++j) {
        const int col = cols[static_cast<std::size_t>(j)];
        if (col >= size) break;
        IFSPredTargetAccum* a = fvpAccum[static_cast<std::size_t>(j)].get();
        if (!a) continue;
        const double v = values[col];
        if (isCat[j] ? FSIsCatMissing(v) : FSIsContMissing(v)) {
          a->AddMissing(w);
        } else {
          fNoValidData = false;
          anyValid = true;
          a->AddRecord(v, target, w);
        }
      }
    }
    if (anyValid) {
      fWeightedValid += w;
      ++fValid;
      if (fpTargetCounts) fpTargetCounts->Add(FSTruncCategory(target), w);
    } else {
      fWeightedExcluded += w;
      ++fExcluded;
    }
    progress.Step(processed, -1);
  }
  fStatus = kFSSetAccumulated;
  AddElapsed(FSClockSeconds() - start);
  if (weightPos >= 0 && fNoValidWeight) return FSStatus(kFSNoValidWeight, false);
  if (fNoValidData) return FSStatus(kFSNoValidData, false);
  return FSStatus();
}

FSStatus FSPredictorSet::PassWithoutTarget(MCCommon::RecordIterator* it, int maxRecords) {
  Allocate(false);
  fPassCompleted = false;
  fWeightedValid = fWeightedExcluded = 0.0;
  fValid = fExcluded = 0;
  if (maxRecords < 0) maxRecords = INT_MAX;
  const double start = FSClockSeconds();
  if (it) AccumulateBlocksWithoutTarget(it, maxRecords);
  fStatus = kFSSetAccumulated;
  AddElapsed(FSClockSeconds() - start);
  if (fpSettings->GetFrequencyWeightPosition() >= 0 && fNoValidWeight)
    return FSStatus(kFSNoValidWeight, true);
  if (fNoValidData) return FSStatus(kFSNoValidData, true);
  return FSStatus();
}

void FSPredictorSet::AccumulateBlocksWithoutTarget(MCCommon::RecordIterator* it, int maxRecords) {
  const int conversion = fpSettings->GetWeightConversion();
  const int weightPos = fpSettings->GetFrequencyWeightPosition();
  const std::vector<int> cols = ColumnsOfPredictors();
  const double start = FSClockSeconds();
  Progress progress(fpSettings->GetProgressListener(), fpSettings->GetRecordsToSkip(), start,
                    fElapsed);
  std::vector<char> isCat(static_cast<std::size_t>(fNumPreds));
  std::vector<IFSPredTargetAccum*> accums(static_cast<std::size_t>(fNumPreds));
  for (int j = 0; j < fNumPreds; ++j) {
    isCat[static_cast<std::size_t>(j)] = fpSettings->IsPredictorCategorical(j);
    accums[static_cast<std::size_t>(j)] = fvpAccum[static_cast<std::size_t>(j)].get();
  }
  // The predictors with an accumulator, categorical and continuous.
  std::vector<int> catPreds, contPreds;
  for (int j = 0; j < fNumPreds; ++j) {
    if (!accums[static_cast<std::size_t>(j)]) continue;
    (isCat[static_cast<std::size_t>(j)] ? catPreds : contPreds).push_back(j);
  }
  std::vector<IFSPredTargetAccum*> contAccums;
  std::vector<FSContAccum*> contFast;  // the same, when every one is an FSContAccum
  for (int j : contPreds) {
    IFSPredTargetAccum* a = accums[static_cast<std::size_t>(j)];
    contAccums.push_back(a);
    if (a->GetClassCode() == kFSClassContAccum) contFast.push_back(static_cast<FSContAccum*>(a));
  }
  std::vector<const double*> values;  // per continuous predictor: its column
  std::vector<char> valid;            // per record of the block: some predictor's value is valid
  std::vector<double> missing;        // the values of a field the block lacks
  std::vector<double> weight;         // per record of the block: its weight
  std::vector<char> use;  // per record of the block: read (valid weight, within the limit)
  RecordBatches blocks(it);
  int processed = 0;
  while (processed < maxRecords && !fpCancel->IsCancelled()) {
    const MCCommon::RecordBlock* block = blocks.Next(maxRecords - processed);
    if (!block) break;
    const int n = block->nRecords;
    const int nFields = static_cast<int>(block->columns.size());
    int done = processed;
    const bool everyUnit = weightPos < 0 && maxRecords - processed >= n;  // each read, weight 1
    // Every record read with weight 1, every accumulator taking such blocks whole and no one
    // to tell of each record: the block needs no weights, and its weighted sums, whole numbers
    // added to whole numbers, come out the same added at once.
    const bool wholeCounts = everyUnit && contFast.size() == contPreds.size() &&
                             !progress.Active() && IsWholeCount(fWeightedValid) &&
                             IsWholeCount(fWeightedExcluded);
    if (wholeCounts) {
      processed += n;
    } else {
      weight.assign(static_cast<std::size_t>(n), 1.0);
      use.assign(static_cast<std::size_t>(n), 1);
    }
    for (int i = 0; i < n && !wholeCounts; ++i) {
      if (weightPos >= 0) {
        const double raw = weightPos < nFields ? block->columns[weightPos][i] : MCMV::gMissingValue;
        if (!ConvertWeight(raw, conversion, weight[i])) {
          use[i] = 0;
          continue;
        }
        fNoValidWeight = false;
      }
      if (processed < maxRecords) {
        ++processed;
      } else {
        use[i] = 0;
      }
    }
    // Categorical predictors one at a time over the block (a count has no chain of updates
    // to wait on), continuous ones record by record. Each accumulator sees its values in
    // record order either way.
    if (missing.size() < static_cast<std::size_t>(n))
      missing.resize(static_cast<std::size_t>(n), MCMV::gMissingValue);
    auto columnOf = [&](int j) {
      const int col = cols[static_cast<std::size_t>(j)];
      if (col < nFields && block->columns[col]) return block->columns[col];
      return static_cast<const double*>(missing.data());
    };
    valid.assign(static_cast<std::size_t>(n), 0);
    for (int j : catPreds)
      accums[static_cast<std::size_t>(j)]->AddValues(
          columnOf(j), everyUnit ? nullptr : weight.data(), everyUnit ? nullptr : use.data(), n,
          true, valid.data());
    values.resize(contPreds.size());
    for (std::size_t k = 0; k < contPreds.size(); ++k) values[k] = columnOf(contPreds[k]);
    if (contFast.size() == contPreds.size() && everyUnit) {
      FSContAccum::AddUnitColumns(contFast.data(), values.data(), contFast.size(), n, valid.data());
    } else if (contFast.size() == contPreds.size()) {
      AddRecordByRecord(contFast, values, n, weight.data(), use.data(), valid.data());
    } else {
      AddRecordByRecord(contAccums, values, n, weight.data(), use.data(), valid.data());
    }
    if (wholeCounts) {
      int nValid = 0;
      for (int i = 0; i < n; ++i) nValid += valid[static_cast<std::size_t>(i)] != 0;
      if (nValid > 0) fNoValidData = false;
      fWeightedValid += nValid;
      fValid += nValid;
      fWeightedExcluded += n - nValid;
      fExcluded += n - nValid;
      continue;
    }
    for (int i = 0; i < n; ++i) {
      if (!use[i]) continue;
      const double w = weight[i];
      if (valid[static_cast<std::size_t>(i)]) {
        fNoValidData = false;
        fWeightedValid += w;
        ++fValid;
      } else {
        fWeightedExcluded += w;
        ++fExcluded;
      }
      progress.Step(++done, -1);
    }
  }
}

FSStatus FSPredictorSet::TransactionPass(MCCommon::RecordIterator* it) {
  Allocate(true);
  fPassCompleted = false;
  const bool targetCat = fpSettings->IsTargetCategorical();
  const double start = FSClockSeconds();
  Progress progress(fpSettings->GetProgressListener(), fpSettings->GetRecordsToSkip(), start,
                    fElapsed);
  auto addMissing = [this](int from, int to) {  // predictors from..to-1 get a missing value
    for (int q = std::max(from, 0); q < to && q < fNumPreds; ++q) {
      if (IFSPredTargetAccum* a = fvpAccum[static_cast<std::size_t>(q)].get()) a->AddMissing(1.0);
    }
  };

  FSStatus st;
  double prevId = -99.0;
  bool open = false, targetValid = false, anyValid = false;
  double target = 0.0;
  int lastIdx = -1, validCases = 0;
  auto closeCase = [&]() {
    if (!open) return;
    if (targetValid) addMissing(lastIdx + 1, fNumPreds);
    if (targetValid && anyValid) {
      fWeightedValid += 1.0;
      ++fValid;
      if (fpTargetCounts) fpTargetCounts->Add(FSTruncCategory(target), 1.0);
    } else {
      fWeightedExcluded += 1.0;
      ++fExcluded;
    }
    open = false;
  };

  while (it && !fpCancel->IsCancelled() && it->Next()) {
    const MCCommon::Record* rec = it->Current();
    if (!rec) break;
    const double id = rec->ValueOr(0);
    if (!open || !(id == prevId)) {
      closeCase();
      prevId = id;
      target = rec->ValueOr(3);
      targetValid = !(targetCat ? FSIsCatMissing(target) : FSIsContMissing(target));
      anyValid = false;
      lastIdx = -1;
      open = true;
      if (targetValid) progress.Step(++validCases, -1);
    }
    if (!targetValid) continue;
    const int p = RoundIndex(rec->ValueOr(1));
    if (p < 0 || p >= fNumPreds) {
      st = FSStatus(kFSTransactionIndex, false, p, fNumPreds, FSTruncCategory(id));
      break;
    }
    if (p <= lastIdx) {
      st = FSStatus(kFSTransactionOrder, false, lastIdx, p, FSTruncCategory(id));
      break;
    }
    addMissing(lastIdx + 1, p);
    if (IFSPredTargetAccum* a = fvpAccum[static_cast<std::size_t>(p)].get()) {
      const double v = rec->ValueOr(2);
      const bool cat = fpSettings->IsPredictorCategorical(p);
      // Here a categorical value is missing only when it equals -1 (no truncation), or
      // lies outside the range of category codes.
      const bool missing =
          FSIsContMissing(v) || (cat && (v == -1.0 || !(v > -2147483649.0 && v < 2147483648.0)));
      if (missing) {
        a->AddMissing(1.0);
      } else {
        fNoValidData = false;
        anyValid = true;
        a->AddRecord(v, target, 1.0);
      }
    }
    lastIdx = p;
  }
  if (st.IsOK()) closeCase();
  fStatus = kFSSetAccumulated;
  AddElapsed(FSClockSeconds() - start);
  if (st.IsOK() && fNoValidData) st = FSStatus(kFSNoValidData, false);
  return st;
}
