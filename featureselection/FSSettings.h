// The screening settings: predictors and their types, the target, the record layout, the
// screening thresholds and which ranking criteria are computed. Percentages are given and
// returned in percent and stored as fractions.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "featureselection/FSEnums.h"
#include "featureselection/FSPersist.h"
#include "featureselection/FSProgress.h"
#include "host/mccommon/MCCommonXML.h"

// Invariants: 1. fNumPreds == fPredTypes.size().
//             2. fNumCatPreds == the number of true bits of fPredTypes.
//             3. fPredSetType follows the counts (0 all, 1 none, 2 some categorical), or is 3
//                for a default-constructed object without predictors.
// Setters ignore a value outside their range without a report. The listener and the cancel
// check are borrowed: they must outlive every algorithm that uses these settings.
class FSSettings {
 public:
  FSSettings();
  FSSettings(int numPreds, bool allCategorical, bool targetCategorical);
  FSSettings(const std::vector<bool>& predTypes, bool targetCategorical);

  // ---- setters ----
  void SetMaxPctMissing(double pct);            // 0 <= pct <= 100
  void SetMaxPctSingleCategory(double pct);     // 0 <= pct <= 100
  void SetMaxPctCategories(double pct);         // 0 <= pct <= 100
  void SetMaxPctOneCaseCategories(double pct);  // 0 <= pct <= 100
  void SetMinCoefVar(double v);                 // v >= 0
  void SetMinStdDev(double v);                  // v >= 0
  void SetDeleteManyMissing(bool on) { fDeleteManyMissing = on; }
  void SetDeleteManyConst(bool on) { fDeleteManyConst = on; }
  void SetDeleteManyCategs(bool on) { fDeleteManyCategs = on; }
  void SetDeleteManyCategsWithOneCase(bool on) { fDeleteManyCategsWithOneCase = on; }
  void SetDeleteSmallVar(bool on) { fDeleteSmallVar = on; }
  void SetDeleteSmallStdDev(bool on) { fDeleteSmallStdDev = on; }
  void SetFrequencyWeightPosition(int pos);  // pos >= 0
  void SetCaseIdPosition(int pos);           // pos >= 0
  void SetTargetPosition(int pos);           // any negative value becomes -1 (no target)
  void SetWeightConversion(int conversion) {
    fWeightConversion = static_cast<FSWeightConversion>(conversion);
  }
  void SetTransactions(bool on) { fTransactions = on; }
  void SetRecordsToSkip(int n);     // n >= 0
  void SetPredictorsToSkip(int n);  // n >= 0
  void SetProgressListener(FSProgressListener* p) { fpProgress = p; }
  void SetCancelCheck(FSCancelCheck* p) { fpCancelCheck = p; }
  // When the kind changes: store it and re-adjust the criteria.
  void SetTargetCategorical(bool categorical);
  // 0 <= i < number of predictors; keeps the counts and the set type, re-adjusting the
  // criteria when the set type changes.
  void SetPredictorType(int i, bool categorical);
  void SetPredictorTypes(int first, int last, bool categorical);  // first <= last < n
  // Switches a criterion (0 to 5) on or off where the target and set type allow it; true when
  // the flag now has the requested value.
  bool SetCriterion(int criterion, bool on);

  // ---- getters ----
  int GetNumPredictors() const { return fNumPreds; }
  const std::vector<bool>& GetPredictorTypes() const { return fPredTypes; }
  int GetNumCatPredictors() const { return static_cast<int>(fNumCatPreds); }
  FSPredSetType GetPredSetType() const { return fPredSetType; }
  bool IsTargetCategorical() const { return fTargetCat; }
  bool IsPredictorCategorical(int i) const;
  bool IsCriterionComputed(int criterion) const;
  FSProgressListener* GetProgressListener() const { return fpProgress; }
  FSCancelCheck* GetCancelCheck() const { return fpCancelCheck; }
  int GetRecordsToSkip() const { return fRecordsToSkip; }
  int GetPredictorsToSkip() const { return fPredsToSkip; }
  bool IsTransactions() const { return fTransactions; }
  int GetTargetPosition() const { return fTargetPos; }
  int GetCaseIdPosition() const { return fCaseIdPos; }
  int GetFrequencyWeightPosition() const { return fWeightPos; }
  int GetWeightConversion() const { return fWeightConversion; }
  // Thresholds in percent.
  double GetMaxPctMissing() const { return fMaxPctMissing * 100.0; }
  double GetMaxPctSingleCategory() const { return fMaxPctSingleCateg * 100.0; }
  double GetMaxPctCategories() const { return fMaxPctCategs * 100.0; }
  double GetMaxPctOneCaseCategories() const { return fMaxPctOneCaseCategs * 100.0; }
  // The same thresholds as stored fractions (what the screening rules compare with).
  double GetMaxFracMissing() const { return fMaxPctMissing; }
  double GetMaxFracSingleCategory() const { return fMaxPctSingleCateg; }
  double GetMaxFracCategories() const { return fMaxPctCategs; }
  double GetMaxFracOneCaseCategories() const { return fMaxPctOneCaseCategs; }
  double GetMinCoefVar() const { return fMinCoefVar; }
  double GetMinStdDev() const { return fMinStdDev; }
  bool GetDeleteManyMissing() const { return fDeleteManyMissing; }
  bool GetDeleteManyConst() const { return fDeleteManyConst; }
  bool GetDeleteManyCategs() const { return fDeleteManyCategs; }
  bool GetDeleteManyCategsWithOneCase() const { return fDeleteManyCategsWithOneCase; }
  bool GetDeleteSmallVar() const { return fDeleteSmallVar; }
  bool GetDeleteSmallStdDev() const { return fDeleteSmallStdDev; }
  // int(min(n, max(30, 2 sqrt(n))) + 0.5), with n = the number of predictors when n <= 0.
  int GetDefaultNumberOfBest(int n) const;

  void Display(std::ostream& os) const;

  // Stored forms (the listener and cancel check are not stored). Save answers the bytes
  // written; Load replaces this object's content or throws MCFeature::IOException.
  int Save(std::ostream& os) const;
  void Load(std::istream& is);
  void SaveXML(MCCommonXML::XMLObj& xml) const;
  void LoadXML(MCCommonXML::XMLReader& xml);
  // The fields in stored order, to either form.
  void Write(FSFieldSink& out) const;
  void Read(FSFieldSource& in);

 private:
  void Reset();
  void SetDefaultCriteria();
  void ReadjustCriteria();
  void RecountTypes();
  void CheckInvariants() const;

  std::int32_t fNumPreds = 0;
  std::vector<bool> fPredTypes;
  std::uint32_t fNumCatPreds = 0;
  FSPredSetType fPredSetType = kFSPredSetUndefined;
  bool fTargetCat = true;
  std::vector<bool> fCriteria = std::vector<bool>(kFSNumCriteria, false);
  FSProgressListener* fpProgress = nullptr;
  FSCancelCheck* fpCancelCheck = nullptr;
  std::int32_t fRecordsToSkip = 99;
  std::int32_t fPredsToSkip = 99;
  bool fTransactions = false;
  std::int32_t fTargetPos = 0;
  std::int32_t fCaseIdPos = -1;
  std::int32_t fWeightPos = -1;
  FSWeightConversion fWeightConversion = kFSWeightRound;
  double fMaxPctMissing = 0.7;
  bool fDeleteManyMissing = true;
  double fMaxPctSingleCateg = 0.95;
  bool fDeleteManyConst = true;
  double fMaxPctCategs = 0.9;
  bool fDeleteManyCategs = true;
  double fMaxPctOneCaseCategs = 0.9;
  bool fDeleteManyCategsWithOneCase = true;
  double fMinCoefVar = 0.001;
  bool fDeleteSmallVar = true;
  double fMinStdDev = 0.0;
  bool fDeleteSmallStdDev = true;
};
