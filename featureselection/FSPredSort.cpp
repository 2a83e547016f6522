// Sort records of the ranking and the order of each criterion's list.
#include "featureselection/FSPredSort.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <ostream>

#include "featureselection/FSEnums.h"

namespace {

constexpr double kMiss = MCMV::gMissingValue;

// NaN never reaches a comparison: it is treated as missing, keeping the order strict and weak.
bool IsMiss(double x) { return x == kMiss || std::isnan(x); }
double Key(double x) { return std::isnan(x) ? kMiss : x; }

// -1: a before b, 1: b before a, 0: equal under this key.
int CompareAsc(double a, double b) {
  a = Key(a);
  b = Key(b);
  return a < b ? -1 : (b < a ? 1 : 0);
}
int CompareDesc(double a, double b) { return -CompareAsc(a, b); }

}  // namespace

bool FSPredSortBefore(int criterion, const FSPredSort& a, const FSPredSort& b) {
  const bool am = IsMiss(a.value), bm = IsMiss(b.value);
  if (am || bm) return !am && bm;
  int c = 0;
  switch (criterion) {
    case kFSPearson:
    case kFSLikelihood:
      c = CompareAsc(a.value, b.value);
      if (c == 0) c = CompareDesc(a.tie1, b.tie1);
      if (c == 0) c = CompareAsc(a.tie2, b.tie2);
      break;
    case kFSCramerV:
      c = CompareDesc(a.value, b.value);
      if (c == 0) c = CompareDesc(a.tie1, b.tie1);
      break;
    case kFSLambda:
      c = CompareDesc(a.value, b.value);
      if (c == 0) c = CompareAsc(a.tie1, b.tie1);
      break;
    default:
      c = CompareAsc(a.value, b.value);
      if (c == 0) c = CompareDesc(a.tie1, b.tie1);
      if (c == 0) c = CompareDesc(a.tie2, b.tie2);
      break;
  }
  return c < 0;
}

void FSSortAll(int criterion, std::vector<FSPredSort>& list) {
  std::stable_sort(list.begin(), list.end(), [criterion](const FSPredSort& a, const FSPredSort& b) {
    return FSPredSortBefore(criterion, a, b);
  });
}

void FSSortBest(int criterion, std::vector<FSPredSort>& list, int n) {
  assert(n >= 0 && static_cast<std::size_t>(n) <= list.size() &&
         "featureselection/FSPredSort: 0 <= n <= list size");
  std::partial_sort(list.begin(), list.begin() + n, list.end(),
                    [criterion](const FSPredSort& a, const FSPredSort& b) {
                      return FSPredSortBefore(criterion, a, b);
                    });
}

void FSPredSort::Write(FSFieldSink& out) const {
  out.Begin("FSPRS", "FSPredSort");
  out.Dbl("value", value);
  out.Dbl("tie1", tie1);
  out.Dbl("tie2", tie2);
  out.Int("index", index);
  out.End();
}

void FSPredSort::Read(FSFieldSource& in) {
  const char* cls = "FSPredSort";
  in.Begin("FSPRS", cls, cls);
  value = in.Dbl("value", cls);
  tie1 = in.Dbl("tie1", cls);
  tie2 = in.Dbl("tie2", cls);
  index = in.Int("index", cls);
  in.End(cls);
}

int FSPredSort::Save(std::ostream& os) const {
  FSBinarySink out(os);
  Write(out);
  return static_cast<int>(out.Bytes());
}

void FSPredSort::Display(std::ostream& os) const {
  auto show = [&os](double x) {
    if (IsMiss(x)) {
      os << "<missing>";
    } else {
      os << x;
    }
  };
  os << "Start of FSPredSort display\nPredictor index = " << index << "\nCriterion value = ";
  show(value);
  os << "\n1st tie-breaking value = ";
  show(tie1);
  os << "\n2nd tie-breaking value = ";
  show(tie2);
  os << "\nEnd of FSPredSort display\n";
}
