// The one implementation of IFSAlgorithm: settings (borrowed, or owned when restored from a
// stream), cancel state, last status and the predictor set that does the work.
#pragma once

#include <memory>
#include <string>

#include "featureselection/FSPredictorSet.h"
#include "featureselection/IFSAlgorithm.h"

namespace MCCommonXML {
class XMLElement;
}

// Which stored form a stream holds.
enum class FSStoredForm { kBinary, kXML };

// Invariants: 1. fpSettings is never null; it is fpOwnedSettings.get() when owned.
//             2. the predictor set works on fpSettings and fCancel.
class FSAlgorithm : public IFSAlgorithm {
 public:
  // Works on borrowed settings, which must outlive the algorithm.
  explicit FSAlgorithm(FSSettings* settings);
  // Restores an algorithm from a stored form; status 80004 (binary) or 80005 (XML) when the
  // stream holds no readable algorithm, with the reason in GetLoadError().
  FSAlgorithm(std::istream& is, FSStoredForm form);
  ~FSAlgorithm() override;

  std::string GetNotice() const override;
  FSStatus GetStatus() const override { return fStatus; }
  FSStatus AccumulateData(MCCommon::RecordIterator* it, int maxRecords) override;
  void GetRecordCounts(double& weightedValid, double& weightedExcluded, int& valid,
                       int& excluded) const override;
  int GetNumTargetCategories() const override { return fSet.GetNumTargetCategories(); }
  FSCategoryCounts GetTargetCategoryCount(int category) const override {
    return fSet.GetTargetCategoryCount(category);
  }
  bool GetTargetCategoryAt(int i, int& category, FSCategoryCounts& counts) const override {
    return fSet.GetTargetCategoryAt(i, category, counts);
  }
  FSStatus CheckForDeletion() override;
  FSStatus ScreenPredictors() override;
  int GetNumDeleted() const override { return static_cast<int>(fSet.GetDeletedIndices().size()); }
  const std::vector<int>& GetDeletedIndices() const override { return fSet.GetDeletedIndices(); }
  const std::vector<int>& GetDeletionReasons() const override { return fSet.GetDeletionReasons(); }
  FSStatus RankPredictors(int numberOfBest) override;
  FSStatus Run(MCCommon::RecordIterator* it, int maxRecords, bool screen,
               int numberOfBest) override;
  FSStatus CheckPredictors(MCCommon::RecordIterator* it, std::vector<int>& indices,
                           std::vector<std::vector<int>>& reasons, int maxRecords) override;
  FSStatus WriteOutputOne(std::ostream& os, int criterion, int numberOfBest) override;
  bool GetCriterionValues(int criterion, int predictor, double& value, double& second,
                          double& third, double& fourth) const override;
  FSStatus WriteOutputAll(std::ostream& os) override;
  FSStatus Save(std::ostream& os) override;
  FSStatus SaveXML(std::ostream& os) override;
  void Cancel() override { fCancel.Cancel(); }
  void SetProgressListener(FSProgressListener* listener) override;
  void SetCancelCheck(FSCancelCheck* check) override;
  FSSettings* GetSettings() override { return fpSettings; }
  const FSSettings* GetSettings() const override { return fpSettings; }
  const std::vector<int>& GetRanks(int criterion) const override {
    return fSet.GetRanks(criterion);
  }
  const std::vector<double>& GetCriterionValueList(int criterion) const override {
    return fSet.GetCriterionValues(criterion);
  }
  FSStatus GetBestPredictors(int criterion, std::vector<int>& indices, std::vector<double>& values,
                             int numberOfBest) override;
  bool IsDataAccumulated() const override { return fDataAccumulated; }
  bool IsRanked() const override { return fRanked; }
  void Display(std::ostream& os) const override;

  // Why the last restore failed ("" when it did not).
  const std::string& GetLoadError() const { return fLoadError; }
  // The predictor set, for inspection.
  const FSPredictorSet& GetPredictorSet() const { return fSet; }

 private:
  // Pattern steps 1 to 5 around one step.
  template <typename Step>
  FSStatus Guarded(Step step);
  // The state checks of WriteOutputOne and GetBestPredictors (6, 80006, 1); OK to go on.
  FSStatus CheckOutputState(int criterion) const;
  void WriteFields(FSFieldSink& out) const;
  void ReadFields(FSFieldSource& in);
  // The result documents (FSOutputXML.cpp).
  void AddHeader(MCCommonXML::XMLElement& root) const;
  void AddTarget(MCCommonXML::XMLElement& root) const;
  std::string PredictorSetTypeText() const;

  std::unique_ptr<FSSettings> fpOwnedSettings;
  FSSettings* fpSettings;
  FSCancelState fCancel;
  FSStatus fStatus;
  FSPredictorSet fSet;
  bool fDataAccumulated = false;
  bool fRanked = false;
  std::string fLoadError;
};
