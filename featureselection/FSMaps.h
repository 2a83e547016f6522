// The four count maps of the accumulators: per-category counts, counts with weights,
// per-category statistics and pair counts. Each is read in ascending key order; lookups and
// adds go through a hash index, so a map with a million categories stays fast.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <utility>

#include "featureselection/FSPersist.h"
#include "featureselection/FSSortedHashMap.h"

// The weighted update of a mean and a sum of squared deviations (West's weighted form of
// Welford's algorithm) for a value x of weight w > 0 when W has been accumulated so far.
inline void FSWeightedUpdate(double x, double w, double W, double& mean, double& M2) {
  const double f = w / (W + w);
  // Division by a weight of 1 is exact, so the common unweighted case skips it.
  const double g = w == 1.0 ? W + w : (W + w) / w;
  const double d = (x - mean) * f;
  M2 += g * d * W * d;
  mean += d;
}

// The factor 1 / (W + 1) of FSWeightedUpdate for a weight of 1, kept for the last W asked:
// the continuous predictors of one record mostly have the same W, and share one division.
class FSUnitStep {
 public:
  double For(double W) {
    if (W != fW) {
      fW = W;
      fF = 1.0 / (W + 1.0);
    }
    return fF;
  }

 private:
  double fW = -1.0;  // no W is negative
  double fF = 0.0;
};

// FSWeightedUpdate(x, 1, W, mean, M2), bit for bit, with f = step.For(W).
inline void FSUnitUpdate(double x, double W, FSUnitStep& step, double& mean, double& M2) {
  const double d = (x - mean) * step.For(W);
  M2 += (W + 1.0) * d * W * d;
  mean += d;
}

// Update rules of the four maps for the shared storage.
struct FSSumOps {
  static double Init(double w) { return w; }
  static void Apply(double& v, double w) { v += w; }
};

// Category -> weighted count.
class FSMapICnt {
 public:
  // count += w for an existing key (answers true); a new key gets count w (answers false).
  bool Add(std::int32_t key, double w) { return fMap.Add(key, w); }
  // The same without the answer (the data pass).
  void Accumulate(std::int32_t key, double w) { fMap.Accumulate(key, w); }
  int Size() const { return fMap.Size(); }
  std::int32_t KeyAt(int i) const { return fMap.At(i).first; }
  double CountAt(int i) const { return fMap.At(i).second; }
  bool Lookup(std::int32_t key, double& count) const;
  void Clear() { fMap.Clear(); }
  const std::vector<std::pair<std::int32_t, double>>& Entries() const { return fMap.Entries(); }
  // Replaces the content with entries in strictly ascending key order.
  void AssignSorted(std::vector<std::pair<std::int32_t, double>>&& entries) {
    fMap.AssignSorted(std::move(entries));
  }
  void Write(FSFieldSink& out) const;
  void Read(FSFieldSource& in);  // replaces the content, or throws MCFeature::IOException
  void Display(std::ostream& os) const;

 private:
  FSSortedHashMap<std::int32_t, double, double, FSSumOps> fMap;
};

// Category -> unweighted count and weight (the target category counts).
class FSMapIPCnt {
 public:
  struct Counts {
    std::int32_t count = 0;
    double weight = 0.0;
  };
  // Existing key: count += 1, weight += w (true); new key: (1, w) (false).
  bool Add(std::int32_t key, double w) { return fMap.Add(key, w); }
  int Size() const { return fMap.Size(); }
  std::int32_t KeyAt(int i) const { return fMap.At(i).first; }
  const Counts& CountsAt(int i) const { return fMap.At(i).second; }
  bool Lookup(std::int32_t key, Counts& counts) const;
  void Clear() { fMap.Clear(); }
  void Write(FSFieldSink& out) const;
  void Read(FSFieldSource& in);
  void Display(std::ostream& os) const;

 private:
  struct Ops {
    static Counts Init(double w) { return Counts{1, w}; }
    static void Apply(Counts& c, double w) {
      c.count += 1;
      c.weight += w;
    }
  };
  FSSortedHashMap<std::int32_t, Counts, double, Ops> fMap;
};

// Category -> weight W, mean, M2 (sum of squared deviations) and variance of a variable.
class FSMapIStat {
 public:
  struct Stat {
    double W = 0.0;
    double mean = 0.0;
    double M2 = 0.0;
    double variance = 0.0;
  };
  // A new key's statistics after its first value y of weight w: (w, y, 0, 0).
  static Stat NewStat(double y, double w) { return Stat{w, y, 0.0, 0.0}; }
  // An existing key's statistics after one more value: the weighted update of mean and M2.
  static void UpdateStat(Stat& s, double y, double w) {
    FSWeightedUpdate(y, w, s.W, s.mean, s.M2);
    s.W += w;
  }
  // M2 / (W - 1) when W - 1 > 0, else 0.
  static double VarianceOf(const Stat& s) { return s.W - 1.0 > 0.0 ? s.M2 / (s.W - 1.0) : 0.0; }

  // Ignored when w <= 0. Existing key: the weighted (West/Welford) update of mean and M2
  // (true); new key: (w, y, 0, 0) (false).
  bool Add(std::int32_t key, double y, double w);
  void Accumulate(std::int32_t key, double y, double w) {
    if (w > 0) fMap.Accumulate(key, Delta{y, w});
  }
  int Size() const { return fMap.Size(); }
  std::int32_t KeyAt(int i) const { return fMap.At(i).first; }
  const Stat& StatAt(int i) const { return fMap.At(i).second; }
  bool Lookup(std::int32_t key, Stat& stat) const;
  // variance = M2 / (W - 1) when W - 1 > 0, else 0, for every entry.
  void Finalize();
  void Clear() { fMap.Clear(); }
  const std::vector<std::pair<std::int32_t, Stat>>& Entries() const { return fMap.Entries(); }
  // Replaces the content with entries in strictly ascending key order.
  void AssignSorted(std::vector<std::pair<std::int32_t, Stat>>&& entries) {
    fMap.AssignSorted(std::move(entries));
  }
  void Write(FSFieldSink& out) const;
  void Read(FSFieldSource& in);
  void Display(std::ostream& os) const;

 private:
  struct Delta {
    double y;
    double w;
  };
  struct Ops;
  using Map = FSSortedHashMap<std::int32_t, Stat, Delta, Ops>;
  Map fMap;
};

// (first, second) category pair -> weighted count, ordered first-major.
class FSMapPiCnt {
 public:
  using Pair = std::pair<std::int32_t, std::int32_t>;
  bool Add(const Pair& key, double w) { return fMap.Add(key, w); }
  void Accumulate(const Pair& key, double w) { fMap.Accumulate(key, w); }
  int Size() const { return fMap.Size(); }
  const Pair& KeyAt(int i) const { return fMap.At(i).first; }
  double CountAt(int i) const { return fMap.At(i).second; }
  bool Lookup(const Pair& key, double& count) const;
  void Clear() { fMap.Clear(); }
  const std::vector<std::pair<Pair, double>>& Entries() const { return fMap.Entries(); }
  // Replaces the content with entries in strictly ascending (first-major) key order.
  void AssignSorted(std::vector<std::pair<Pair, double>>&& entries) {
    fMap.AssignSorted(std::move(entries));
  }
  void Write(FSFieldSink& out) const;
  void Read(FSFieldSource& in);
  void Display(std::ostream& os) const;

 private:
  FSSortedHashMap<Pair, double, double, FSSumOps> fMap;
};

// The weighted update applied to one category's statistics.
struct FSMapIStat::Ops {
  static Stat Init(const Delta& d) { return NewStat(d.y, d.w); }
  static void Apply(Stat& s, const Delta& d) { UpdateStat(s, d.y, d.w); }
};
