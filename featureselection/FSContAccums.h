// The accumulators of a continuous predictor: without a target (moments for screening), with
// a categorical target (predictor statistics per target category) and with a continuous
// target (moments of both and their cross-product). Moments use the weighted Welford update.
#pragma once

#include "featureselection/FSMaps.h"
#include "featureselection/FSPredTargetAccum.h"

// What the three continuous classes share: weighted total and missing and constant tracking.
// Invariants: 1. 0 <= fMissing <= fTotal.
//             2. fFirst is system-missing exactly while no valid value was added.
class FSContAccumBase : public IFSPredTargetAccum {
 public:
  void AddMissing(double w) override {
    if (!(w > 0)) return;
    fTotal += w;
    fMissing += w;
  }
  bool IsAllMissing() const override { return fMissing == fTotal; }
  bool IsConstant() const override { return fConstant; }
  int GetFirstDeletionReason(const FSSettings& s) const override;
  int ListDeletionReasons(const FSSettings& s, std::vector<int>& reasons) const override;
  bool IsCategorical() const override { return false; }
  double GetValidWeight() const override { return fTotal - fMissing; }

  double GetTotal() const { return fTotal; }
  double GetMissing() const { return fMissing; }
  double GetFirstValue() const { return fFirst; }
  // The standard deviation and mean the screening rules use.
  virtual double GetStdDev() const = 0;
  virtual double GetMean() const = 0;

 protected:
  void TrackConstant(double x) {
    if (!fConstant) return;
    if (fFirst == MCMV::gMissingValue) {
      fFirst = x;
    } else if (x != fFirst) {
      fConstant = false;
    }
  }
  void WriteHead(FSFieldSink& out) const;
  void ReadHead(FSFieldSource& in, const char* cls);
  void DisplayHead(std::ostream& os) const;

  double fTotal = 0.0;
  double fMissing = 0.0;
  double fFirst = MCMV::gMissingValue;
  bool fConstant = true;
};

// Continuous predictor, no target: mean, M2 and (after Finalize) variance.
class FSContAccum final : public FSContAccumBase {
 public:
  void AddRecord(double, double, double) override {}
  void AddValue(double x, double w, bool accumulateMoments) override {
    if (!(w > 0)) return;
    TrackConstant(x);
    if (accumulateMoments) FSWeightedUpdate(x, w, fTotal - fMissing, fMean, fM2);
    fTotal += w;
  }
  // AddValue(x, 1, true), its division shared through `step` with other predictors.
  void AddUnitValue(double x, FSUnitStep& step) {
    TrackConstant(x);
    FSUnitUpdate(x, fTotal - fMissing, step, fMean, fM2);
    fTotal += 1.0;
  }
  // For each of n records in turn, AddUnitValue(columns[q][i]) or, for a missing value,
  // AddMissing(1) on every accums[q], q < k; valid[i] is set to 1 where some value is valid.
  // Bit for bit what those calls give, two or four predictors at a time in the lanes of one
  // vector.
  static void AddUnitColumns(FSContAccum* const* accums, const double* const* columns,
                             std::size_t k, int n, char* valid);
  // Whether AddUnitColumns takes four predictors at a time where the processor can (it does
  // unless told otherwise); answers the setting it replaces. For tests of both ways.
  static bool UseWideLanes(bool on);
  void Finalize() override;
  void ComputeCriteria(int criterion, FSCriterionResult& out) const override;
  FSAccumClass GetClassCode() const override { return kFSClassContAccum; }
  void Write(FSFieldSink& out) const override;
  void Read(FSFieldSource& in) override;
  void Display(std::ostream& os) const override;
  double GetStdDev() const override;
  double GetMean() const override { return fMean; }
  double GetM2() const { return fM2; }
  double GetVariance() const { return fVariance; }

 protected:
  bool AnswersCriterion(int) const override { return false; }

 private:
  double fMean = 0.0;
  double fM2 = 0.0;
  double fVariance = 0.0;
};

// Continuous predictor, categorical target: predictor statistics per target category.
// While the target codes are small the statistics live in a flat table indexed by the code
// (one update per value, no lookup) and the map is built from it when first read; a code that
// does not fit moves the statistics into the map for good.
// Invariants: 1. while fDenseOn, the table holds every statistic (a code is present exactly
//                when its W > 0) and fStats is a copy of it whenever fStatsStale is false;
//                otherwise the table is empty.
class FSContPCatTAccum : public FSContAccumBase {
 public:
  void AddRecord(double predictor, double target, double w) override;
  void AddValue(double, double, bool) override {}
  void Finalize() override;
  void ComputeCriteria(int criterion, FSCriterionResult& out) const override;
  FSAccumClass GetClassCode() const override { return kFSClassContPCatTAccum; }
  void Write(FSFieldSink& out) const override;
  void Read(FSFieldSource& in) override;
  void Display(std::ostream& os) const override;
  // Pooled from the per-category statistics.
  double GetStdDev() const override;
  double GetMean() const override { return fGrandMean; }
  const FSMapIStat& GetPredictorStats() const {
    Sync();
    return fStats;
  }

 protected:
  bool AnswersCriterion(int c) const override { return c == kFSFStat; }

 private:
  static constexpr std::int32_t kTableCodes = 256;
  void Sync() const;
  void LeaveTable();

  double fGrandMean = 0.0;
  std::vector<FSMapIStat::Stat> fTable;  // indexed by target code, grown as codes appear
  bool fDenseOn = true;
  mutable bool fStatsStale = false;
  mutable FSMapIStat fStats;
};

// Continuous predictor, continuous target: both moments, the cross-product and (after
// Finalize) both variances and the Pearson correlation.
class FSContPContTAccum : public FSContAccumBase {
 public:
  void AddRecord(double predictor, double target, double w) override;
  void AddValue(double, double, bool) override {}
  void Finalize() override;
  void ComputeCriteria(int criterion, FSCriterionResult& out) const override;
  FSAccumClass GetClassCode() const override { return kFSClassContPContTAccum; }
  void Write(FSFieldSink& out) const override;
  void Read(FSFieldSource& in) override;
  void Display(std::ostream& os) const override;
  double GetStdDev() const override;
  double GetMean() const override { return fMeanX; }
  double GetCorrelation() const { return fCorr; }

 protected:
  bool AnswersCriterion(int c) const override { return c == kFSTStat; }

 private:
  double fMeanX = 0.0;
  double fM2X = 0.0;
  double fMeanY = 0.0;
  double fM2Y = 0.0;
  double fCrossProd = 0.0;
  double fVarX = MCMV::gMissingValue;
  double fVarY = MCMV::gMissingValue;
  double fCorr = MCMV::gMissingValue;
};
