// The working state behind a screening algorithm: one accumulator per predictor, the data
// passes that fill them, and the deletions, sort records, criterion values and ranks that the
// later steps produce.
#pragma once

#include <array>
#include <iosfwd>
#include <memory>
#include <utility>
#include <vector>

#include "featureselection/FSEnums.h"
#include "featureselection/FSMaps.h"
#include "featureselection/FSPredSort.h"
#include "featureselection/FSPredTargetAccum.h"
#include "featureselection/FSProgress.h"
#include "featureselection/FSSettings.h"
#include "featureselection/FSStatus.h"
#include "host/mccommon/MCCommonRecord.h"

// Unweighted and weighted count of one target category.
using FSCategoryCounts = FSMapIPCnt::Counts;

// Borrows the settings and the cancel state (both must outlive it); owns the accumulators,
// the target counts and every list.
// Invariants: 1. fvpAccum is empty (not allocated) or has fNumPreds slots.
//             2. fDeletedInds is strictly ascending, within 0..fNumPreds-1, parallel to
//                fDeleteReasons, and the slot of every deleted index is empty.
//             3. every sort record's index lies within 0..fNumPreds-1.
//             4. a rank or value list is empty or has fNumPreds entries.
class FSPredictorSet {
 public:
  FSPredictorSet(FSSettings* settings, FSCancelState* cancel);
  ~FSPredictorSet();
  FSPredictorSet(const FSPredictorSet&) = delete;
  FSPredictorSet& operator=(const FSPredictorSet&) = delete;

  // ---- data passes (FSDataPass.cpp) ----
  // Creates the accumulators when not yet done; true when it allocated now.
  bool Allocate(bool withTarget);
  // Records with a target: errors 80009, 80013.
  FSStatus PassWithTarget(MCCommon::RecordIterator* it, int maxRecords);
  // Records without a target (screening): warnings 80009, 80013. Resets the record counters.
  FSStatus PassWithoutTarget(MCCommon::RecordIterator* it, int maxRecords);
  // Transactions (case id, predictor index, value, target): errors 80007, 80008, 80009.
  FSStatus TransactionPass(MCCommon::RecordIterator* it);
  void Finalize();
  // Destroys every accumulator and list; the set is left empty with status 0.
  void Release();

  // ---- screening (FSPredictorSet.cpp) ----
  // Lists every failing predictor with all its reasons, deleting nothing (warning 80011 when
  // every predictor fails). `indices` and `reasons` are cleared first.
  FSStatus ListFailing(std::vector<int>& indices, std::vector<std::vector<int>>& reasons);
  // Deletes all-missing (1) and constant (2) predictors; warnings 80010, 80011.
  FSStatus CheckForDeletion();
  // Deletes predictors failing a threshold rule, with the first reason; warning 80011.
  FSStatus ScreenPredictors();

  // ---- ranking (FSRanking.cpp) ----
  FSStatus ComputeCriteria();
  FSStatus SortAll();
  FSStatus SortBest(int n);
  FSStatus Rank();

  // ---- queries ----
  int GetNumPredictors() const { return fNumPreds; }
  int GetNumLeft() const { return fNumPreds - static_cast<int>(fDeletedInds.size()); }
  FSPredSetStatus GetStatus() const { return fStatus; }
  FSPredSetType GetSetType() const { return fSetType; }
  bool IsAllocated() const { return fAllocated; }
  bool IsPassCompleted() const { return fPassCompleted; }
  double GetElapsedTime() const { return fElapsed; }
  int GetNumberOfBest() const { return fNumBest; }
  void GetRecordCounts(double& weightedValid, double& weightedExcluded, int& valid,
                       int& excluded) const;
  // -1 when there is no categorical target.
  int GetNumTargetCategories() const;
  // {-1, -1.0} when `category` is not a target category or there is no categorical target.
  FSCategoryCounts GetTargetCategoryCount(int category) const;
  // The i-th target category in ascending order; false (and -1 values) when out of range.
  bool GetTargetCategoryAt(int i, int& category, FSCategoryCounts& counts) const;
  const std::vector<int>& GetDeletedIndices() const { return fDeletedInds; }
  const std::vector<int>& GetDeletionReasons() const { return fDeleteReasons; }
  bool IsDeleted(int i) const;
  // The accumulator of predictor i, or null (deleted, not allocated or out of range).
  const IFSPredTargetAccum* GetAccumulator(int i) const;
  // Lists of criterion c (0 to 5; anything else answers criterion 0's lists). For 5 in a
  // mixed set with a continuous target, criterion 4's lists.
  const std::vector<int>& GetRanks(int c) const;
  const std::vector<double>& GetCriterionValues(int c) const;
  const std::vector<FSPredSort>& GetSortList(int c) const;

  // ---- stored forms (FSPredictorSetIO.cpp) ----
  void Write(FSFieldSink& out) const;
  // Replaces the content from a stored form read against the current settings, or throws
  // MCFeature::IOException and leaves the set unchanged.
  void Read(FSFieldSource& in);
  void Display(std::ostream& os) const;

 private:
  int ListIndexFor(int c) const;
  void CheckInvariants() const;
  void SortDeletions();
  void Delete(int i, int reason);
  FSStatus DeletionStep(bool thresholdRules);
  // Progress report about predictors; `countdown` restarts at the predictors to skip.
  void ReportPredictors(int& countdown, int done, double startElapsed) const;
  std::vector<int> ColumnsOfPredictors() const;
  // PassWithoutTarget's reading: in blocks when the source offers them, else record by record
  // (each record a block of one); the accumulators see the same values in the same order.
  void AccumulateBlocksWithoutTarget(MCCommon::RecordIterator* it, int maxRecords);
  void AddElapsed(double seconds) { fElapsed += seconds; }

  FSSettings* fpSettings;
  FSCancelState* fpCancel;
  int fNumPreds = 0;
  FSPredSetType fSetType = kFSPredSetUndefined;
  FSPredSetStatus fStatus = kFSSetInitial;
  bool fAllocated = false;
  bool fPassCompleted = false;
  bool fNoValidData = true;
  bool fNoValidWeight = true;
  double fWeightedValid = 0.0;
  double fWeightedExcluded = 0.0;
  int fValid = 0;
  int fExcluded = 0;
  double fElapsed = 0.0;
  int fNumBest = 0;
  std::unique_ptr<FSMapIPCnt> fpTargetCounts;
  std::vector<std::unique_ptr<IFSPredTargetAccum>> fvpAccum;
  std::vector<int> fDeletedInds;
  std::vector<int> fDeleteReasons;
  std::array<std::vector<FSPredSort>, kFSNumCriteria> fvSort;  // Pearson ... t-statistic
  std::array<std::vector<int>, kFSNumCriteria> fRanks;
  std::array<std::vector<double>, kFSNumCriteria> fValues;
};
