// The accumulators of a categorical predictor: without a target (screening), with a
// categorical target (contingency table) and with a continuous target (target statistics per
// predictor category).
#pragma once

#include "featureselection/FSDenseCounts.h"
#include "featureselection/FSMaps.h"
#include "featureselection/FSPredTargetAccum.h"
#include "featureselection/FSScreeningRules.h"

// What the three categorical classes share: weighted total and missing, the unweighted number
// of valid cases, constant tracking on the category and the predictor category counts.
// Invariants: 1. 0 <= fMissing <= fTotal (both grow only by positive weights).
//             2. fFirstCat == -1 exactly while no valid value was added (or it was -1).
class FSCatAccumBase : public IFSPredTargetAccum {
 public:
  void AddMissing(double w) override;
  bool IsAllMissing() const override { return fMissing == fTotal; }
  bool IsConstant() const override { return fConstant; }
  int GetFirstDeletionReason(const FSSettings& s) const override;
  int ListDeletionReasons(const FSSettings& s, std::vector<int>& reasons) const override;
  bool IsCategorical() const override { return true; }
  double GetValidWeight() const override { return fTotal - fMissing; }

  double GetTotal() const { return fTotal; }
  double GetMissing() const { return fMissing; }
  int GetValid() const { return fValid; }
  std::int32_t GetFirstCategory() const { return fFirstCat; }
  const FSMapICnt& GetCategoryCounts() const {
    Sync();
    return fPredCounts;
  }

 protected:
  // Brings counts kept in derived form up to date before they are read.
  virtual void Sync() const {}
  // The summary of the category counts that the screening rules read.
  virtual FSCatCountSummary SummarizeCounts() const;
  // Constant tracking, totals and the valid count for one valid case of category c.
  void CountValid(std::int32_t c, double w);
  // The constant flag and first category after one more valid category c: constant while
  // every valid value has had the first one's category.
  static void TrackCategory(std::int32_t c, bool& constant, std::int32_t& first) {
    if (!constant) return;
    if (first == -1) {
      first = c;
    } else if (c != first) {
      constant = false;
    }
  }
  void WriteHead(FSFieldSink& out) const;
  void ReadHead(FSFieldSource& in, const char* cls);
  void DisplayHead(std::ostream& os) const;

  double fTotal = 0.0;
  int fValid = 0;
  double fMissing = 0.0;
  std::int32_t fFirstCat = -1;
  bool fConstant = true;
  // Mutable: a class may derive it from other counts when it is first read (Sync).
  mutable FSMapICnt fPredCounts;
};

// Categorical predictor, no target. While the category codes are small and dense (the host
// hands them out as 0, 1, 2, ... in order of first appearance) the counts live in a flat
// table and the category map is built from it when first read; codes that do not fit move
// the counts into the map, and a map that has become dense enough moves back to a table.
// Invariants: 1. while fDenseOn, the table holds every count and fPredCounts is a copy of it
//                whenever fMapStale is false; otherwise the table is empty.
class FSCatAccum final : public FSCatAccumBase {
 public:
  void AddRecord(double, double, double) override {}
  void AddValue(double predictor, double w, bool countCategories) override;
  void AddValues(const double* values, const double* w, const char* use, int n, bool categorical,
                 char* valid) override;
  void Finalize() override {}
  void ComputeCriteria(int criterion, FSCriterionResult& out) const override;
  FSAccumClass GetClassCode() const override { return kFSClassCatAccum; }
  void Write(FSFieldSink& out) const override;
  void Read(FSFieldSource& in) override;
  void Display(std::ostream& os) const override;

 protected:
  bool AnswersCriterion(int) const override { return false; }
  void Sync() const override;
  // Read from the table while the map is not up to date: a table of a million categories
  // need not be copied into the map to be summarized.
  FSCatCountSummary SummarizeCounts() const override;

 private:
  // AddValues while the counts are in the table (unit: null weights and uses); answers how
  // many values it took, the rest to be added one by one.
  template <bool kUnit>
  int AddDense(const double* values, const double* w, const char* use, int n, bool categorical,
               char* valid);
  // AddDense with unit weights while the table has at most kTallyCells cells; stops before
  // the first value whose code has no cell and answers how many values it took.
  static constexpr std::size_t kTallyCells = 256;
  int AddUnitTallied(const double* values, int n, bool categorical, char* valid);
  void LeaveTable();
  void TryEnterTable();

  FSDenseCounts fTable;
  bool fDenseOn = true;
  mutable bool fMapStale = false;
  std::size_t fMapAdds = 0;        // adds to the map since the last density check
  std::size_t fNextCheck = 65536;  // adds after which the map's density is checked
};

// Categorical predictor, categorical target: predictor, target and pair counts.
class FSCatPCatTAccum : public FSCatAccumBase {
 public:
  void AddRecord(double predictor, double target, double w) override;
  void AddValue(double, double, bool) override {}
  void Finalize() override {}
  void ComputeCriteria(int criterion, FSCriterionResult& out) const override;
  FSAccumClass GetClassCode() const override { return kFSClassCatPCatTAccum; }
  void Write(FSFieldSink& out) const override;
  void Read(FSFieldSource& in) override;
  void Display(std::ostream& os) const override;
  const FSMapICnt& GetTargetCounts() const {
    Sync();
    return fTargetCounts;
  }
  const FSMapPiCnt& GetPairCounts() const {
    SyncPairs();
    return fPairCounts;
  }

 protected:
  bool AnswersCriterion(int c) const override { return c >= 0 && c <= 3; }
  // The predictor and target counts are the margins of the pair counts: during the pass only
  // the pairs are counted (one update per value instead of three), and the margins are
  // summed from them when first read. With integer frequencies (the default rounding of
  // weights) the sums are exact, so the margins equal counts kept case by case.
  void Sync() const override;

 private:
  // While the codes are small the pairs are counted in a flat table (one cell per predictor
  // x target category) and the pair map is built from it when first read; a pair that does
  // not fit moves the counts into the map for good.
  // Invariants: 1. while fDenseOn, the table holds every pair count and fPairCounts is a
  //                copy of it whenever fPairsStale is false; otherwise the table is empty.
  void SyncPairs() const;

  FSDensePairCounts fPairTable;
  bool fDenseOn = true;
  mutable bool fPairsStale = false;
  mutable bool fMarginsStale = false;
  mutable FSMapICnt fTargetCounts;
  mutable FSMapPiCnt fPairCounts;
};

// Categorical predictor, continuous target: target statistics per predictor category.
class FSCatPContTAccum : public FSCatAccumBase {
 public:
  void AddRecord(double predictor, double target, double w) override;
  void AddValue(double, double, bool) override {}
  void Finalize() override { fStats.Finalize(); }
  void ComputeCriteria(int criterion, FSCriterionResult& out) const override;
  FSAccumClass GetClassCode() const override { return kFSClassCatPContTAccum; }
  void Write(FSFieldSink& out) const override;
  void Read(FSFieldSource& in) override;
  void Display(std::ostream& os) const override;
  double GetGrandMean() const { return fGrandMean; }
  const FSMapIStat& GetTargetStats() const { return fStats; }

 protected:
  bool AnswersCriterion(int c) const override { return c == kFSFStat; }

 private:
  double fGrandMean = 0.0;
  FSMapIStat fStats;
};
