// The per-predictor accumulator interface of the screening engine: one object per predictor
// keeps the counts and moments of the single data pass, answers the screening rules and
// computes the ranking criteria. Six classes implement it (FSCatAccums.h, FSContAccums.h).
#pragma once

#include <cmath>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "featureselection/FSPersist.h"
#include "featureselection/FSSettings.h"
#include "host/mccommon/MCCommonRecord.h"

// The stored class codes of the accumulators (0 = no accumulator: a deleted predictor).
enum FSAccumClass : std::int32_t {
  kFSNoAccum = 0,
  kFSClassCatAccum = 1,
  kFSClassCatPCatTAccum = 2,
  kFSClassCatPContTAccum = 3,
  kFSClassContAccum = 4,
  kFSClassContPCatTAccum = 5,
  kFSClassContPContTAccum = 6,
};

// The outputs of one criterion computation; every output starts system-missing.
struct FSCriterionResult {
  double value = MCMV::gMissingValue;
  double tie1 = MCMV::gMissingValue;
  double tie2 = MCMV::gMissingValue;
  double extra1 = MCMV::gMissingValue;
  double extra2 = MCMV::gMissingValue;
};

// Category code of a categorical value: truncation toward zero. Values outside the int32
// range (and NaN) are never passed here by the data pass: they count as missing.
inline std::int32_t FSTruncCategory(double x) {
  if (!(x > -2147483649.0 && x < 2147483648.0)) return x > 0 ? INT32_MAX : INT32_MIN;
  return static_cast<std::int32_t>(x);
}

// Missing-value tests of the data pass. A continuous value is missing when it is system-
// missing or not finite; a categorical one also when it truncates to -1 or lies outside the
// range of category codes.
inline bool FSIsContMissing(double x) { return x == MCMV::gMissingValue || !std::isfinite(x); }
inline bool FSIsCatMissing(double x) {
  return x == MCMV::gMissingValue || !(x > -2147483649.0 && x < 2147483648.0) ||
         static_cast<std::int32_t>(x) == -1;
}

// The loop of AddValues over a block; for a final class `Accum` its AddMissing and AddValue
// are called without dispatch.
template <class Accum>
void FSAddBlock(Accum& a, const double* values, const double* w, const char* use, int n,
                bool categorical, char* valid) {
  for (int i = 0; i < n; ++i) {
    if (use && !use[i]) continue;
    const double v = values[i], wi = w ? w[i] : 1.0;
    if (categorical ? FSIsCatMissing(v) : FSIsContMissing(v)) {
      a.AddMissing(wi);
    } else {
      valid[i] = 1;
      a.AddValue(v, wi, true);
    }
  }
}

class IFSPredTargetAccum {
 public:
  virtual ~IFSPredTargetAccum() = default;
  // One valid case with a target; the two classes without a target do nothing.
  virtual void AddRecord(double predictor, double target, double w) = 0;
  // One case whose predictor value is missing: when w > 0, total and missing grow by w.
  virtual void AddMissing(double w) = 0;
  // One valid case without a target; the four classes with a target do nothing.
  virtual void AddValue(double predictor, double w, bool countCategories) = 0;
  // The cases i = 0 .. n-1 of a block without a target, in order, those with use[i] set: a
  // missing value (by the categorical or the continuous test) goes to AddMissing(w[i]), any
  // other to AddValue(value, w[i], true) and sets valid[i]. The same as those calls one by
  // one; a class may make it one call per block instead of one per value. A null w stands
  // for weights of 1 and a null use for every case used.
  virtual void AddValues(const double* values, const double* w, const char* use, int n,
                         bool categorical, char* valid);
  virtual bool IsAllMissing() const = 0;
  virtual bool IsConstant() const = 0;
  // The first failed screening rule (FSDeleteReason 3 to 8), 0 when none.
  virtual int GetFirstDeletionReason(const FSSettings& s) const = 0;
  // Clears `reasons`, appends every failed rule in rule order, answers how many.
  virtual int ListDeletionReasons(const FSSettings& s, std::vector<int>& reasons) const = 0;
  // Turns sums into variances and correlations after the pass.
  virtual void Finalize() = 0;
  // Computes a ranking criterion (0 to 5); outputs stay missing for a criterion the class
  // does not compute.
  virtual void ComputeCriteria(int criterion, FSCriterionResult& out) const = 0;
  // Recomputes a criterion the class answers and reports (value, second, third, fourth):
  // 0, 1: (p, X2 or G2, df, -); 4: (p, F, df1, df2); 5: (p, r, t, df); 2, 3: the value only.
  // False, with every output missing, for a criterion the class does not answer.
  bool GetCriterion(int criterion, double& value, double& second, double& third,
                    double& fourth) const;
  virtual bool IsCategorical() const = 0;
  virtual FSAccumClass GetClassCode() const = 0;
  // The weighted number of valid cases, total - missing.
  virtual double GetValidWeight() const = 0;

  // Stored forms: the fields in order to a sink, and back from a source (which throws
  // MCFeature::IOException on a failure and leaves the object unchanged).
  virtual void Write(FSFieldSink& out) const = 0;
  virtual void Read(FSFieldSource& in) = 0;
  int Save(std::ostream& os) const;
  bool Load(std::istream& is);  // true, or throws MCFeature::IOException
  void SaveXML(MCCommonXML::XMLObj& xml) const;
  bool LoadXML(MCCommonXML::XMLReader& xml);  // true, or throws MCFeature::IOException

  virtual void Display(std::ostream& os) const = 0;

  // A new empty accumulator of a stored class code (null for kFSNoAccum or an unknown code).
  static std::unique_ptr<IFSPredTargetAccum> Create(int classCode);

 protected:
  // Which criteria GetCriterion answers for this class.
  virtual bool AnswersCriterion(int criterion) const = 0;
};
