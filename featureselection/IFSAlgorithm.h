// The programming interface of the screening and ranking engine: one algorithm object runs a
// data pass over records, then screens the predictors or ranks them against a target, and
// reports, writes and stores the results. Create one with FSAlgorithmFactory.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "featureselection/FSMaps.h"
#include "featureselection/FSProgress.h"
#include "featureselection/FSSettings.h"
#include "featureselection/FSStatus.h"
#include "host/mccommon/MCCommonRecord.h"

// Unweighted and weighted count of one target category.
using FSCategoryCounts = FSMapIPCnt::Counts;

// Status-returning operations follow one pattern: after an error every later operation
// returns that error unchanged (warnings do not block); a cancellation ends the running step
// at its next check point, releases the accumulated memory and leaves status 1.
// Iterators and streams passed in are borrowed for the call.
class IFSAlgorithm {
 public:
  virtual ~IFSAlgorithm() = default;
  // A fixed notice naming the engine and its version 1.0.
  virtual std::string GetNotice() const = 0;
  // The last status.
  virtual FSStatus GetStatus() const = 0;
  // The data pass with the target (records, or transactions when the settings say so;
  // maxRecords < 0: no limit; not used for transactions).
  virtual FSStatus AccumulateData(MCCommon::RecordIterator* it, int maxRecords) = 0;
  virtual void GetRecordCounts(double& weightedValid, double& weightedExcluded, int& valid,
                               int& excluded) const = 0;
  // -1 when there is no categorical target.
  virtual int GetNumTargetCategories() const = 0;
  // {-1, -1.0} when the value is not a target category.
  virtual FSCategoryCounts GetTargetCategoryCount(int category) const = 0;
  // The i-th target category (ascending) and its counts; false and -1 values out of range.
  virtual bool GetTargetCategoryAt(int i, int& category, FSCategoryCounts& counts) const = 0;
  // Deletes all-missing and constant predictors.
  virtual FSStatus CheckForDeletion() = 0;
  // Deletes predictors failing a threshold rule (reason = the first rule failed).
  virtual FSStatus ScreenPredictors() = 0;
  virtual int GetNumDeleted() const = 0;
  // Deleted predictor indices, ascending, and the parallel list of their reasons.
  virtual const std::vector<int>& GetDeletedIndices() const = 0;
  virtual const std::vector<int>& GetDeletionReasons() const = 0;
  // Computes the criteria, sorts all (0) or the best numberOfBest predictors and ranks them.
  virtual FSStatus RankPredictors(int numberOfBest) = 0;
  // AccumulateData, CheckForDeletion, ScreenPredictors (when screen), RankPredictors; each
  // only while the status is OK.
  virtual FSStatus Run(MCCommon::RecordIterator* it, int maxRecords, bool screen,
                       int numberOfBest) = 0;
  // Screening without a target: one pass, then every failing predictor's index in `indices`
  // and all its reasons (in rule order) in `reasons`; nothing is deleted. Sets the settings'
  // target position to -1. Warnings 80009, 80011, 80013 still give results.
  virtual FSStatus CheckPredictors(MCCommon::RecordIterator* it, std::vector<int>& indices,
                                   std::vector<std::vector<int>>& reasons, int maxRecords) = 0;
  // The "FSOutputOne" document for one criterion.
  virtual FSStatus WriteOutputOne(std::ostream& os, int criterion, int numberOfBest) = 0;
  // Recomputes one predictor's criterion; false (all outputs missing) when the predictor or
  // criterion is out of range, the predictor is deleted or its class does not answer it.
  virtual bool GetCriterionValues(int criterion, int predictor, double& value, double& second,
                                  double& third, double& fourth) const = 0;
  // The "FSOutputAll" document.
  virtual FSStatus WriteOutputAll(std::ostream& os) = 0;
  // The stored forms (binary, beginning "FSAlgorithm 1.00"; XML).
  virtual FSStatus Save(std::ostream& os) = 0;
  virtual FSStatus SaveXML(std::ostream& os) = 0;
  // Requests cancellation; may be called from another thread.
  virtual void Cancel() = 0;
  virtual void SetProgressListener(FSProgressListener* listener) = 0;
  virtual void SetCancelCheck(FSCancelCheck* check) = 0;
  virtual FSSettings* GetSettings() = 0;
  virtual const FSSettings* GetSettings() const = 0;
  // Rank (from 0; -1 where not ranked) and criterion value of every predictor, in predictor
  // order. Borrowed until the next operation.
  virtual const std::vector<int>& GetRanks(int criterion) const = 0;
  virtual const std::vector<double>& GetCriterionValueList(int criterion) const = 0;
  // The best predictors of a criterion with their values, best first.
  virtual FSStatus GetBestPredictors(int criterion, std::vector<int>& indices,
                                     std::vector<double>& values, int numberOfBest) = 0;
  virtual bool IsDataAccumulated() const = 0;
  virtual bool IsRanked() const = 0;
  virtual void Display(std::ostream& os) const = 0;
};
