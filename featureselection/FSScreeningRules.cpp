// The screening rules of categorical and continuous predictors.
#include "featureselection/FSScreeningRules.h"

#include <cmath>
#include <limits>

#include "featureselection/FSEnums.h"

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();

// Appends the reason when listing; answers whether testing should go on.
bool Failed(int reason, int& first, std::vector<int>* all) {
  if (first == 0) first = reason;
  if (all) all->push_back(reason);
  return all != nullptr;
}

bool ManyMissing(const FSSettings& s, double total, double missing) {
  const double maxFrac = s.GetMaxFracMissing();
  return s.GetDeleteManyMissing() && maxFrac < 1.0 && total > 0.0 && missing / total > maxFrac;
}

// A value below its minimum by more than a rounding error: min - v > 0 and relatively > eps.
bool BelowMinimum(double minimum, double v) {
  const double gap = minimum - v;
  return gap > 0.0 && gap / minimum > kEps;
}

}  // namespace

int FSCheckCatRules(const FSSettings& s, const FSCatRuleInput& in, std::vector<int>* all) {
  int first = 0;
  if (ManyMissing(s, in.total, in.missing) && !Failed(manyMissing, first, all)) return first;

  const FSCatCountSummary& counts = in.counts;
  const int nCat = counts.categories;
  if (s.GetDeleteManyConst() && s.GetMaxFracSingleCategory() < 1.0 && nCat > 0) {
    if (counts.largest / counts.sum > s.GetMaxFracSingleCategory() &&
        !Failed(manyConst, first, all)) {
      return first;
    }
  }
  if (s.GetDeleteManyCategs() && s.GetMaxFracCategories() < 1.0 && in.valid > 0) {
    const double share = static_cast<double>(nCat) / in.valid;
    if (share > s.GetMaxFracCategories() && !Failed(manyCategs, first, all)) return first;
  }
  if (s.GetDeleteManyCategsWithOneCase() && s.GetMaxFracOneCaseCategories() < 1.0) {
    const double share = nCat == 0 ? 0.0 : static_cast<double>(counts.oneCase) / nCat;
    if (in.valid >= 1 && share > s.GetMaxFracOneCaseCategories() &&
        !Failed(manyCategsWithOneCase, first, all)) {
      return first;
    }
  }
  return first;
}

int FSCheckContRules(const FSSettings& s, const FSContRuleInput& in, std::vector<int>* all) {
  int first = 0;
  if (ManyMissing(s, in.total, in.missing) && !Failed(manyMissing, first, all)) return first;
  if (in.total > 0.0 && in.missing == in.total) return first;

  const double minSd = s.GetMinStdDev();
  if (s.GetDeleteSmallStdDev() && minSd > 0.0 && BelowMinimum(minSd, in.sd) &&
      !Failed(smallStdDev, first, all)) {
    return first;
  }
  const double minCv = s.GetMinCoefVar();
  if (s.GetDeleteSmallVar() && minCv > 0.0) {
    bool fails;
    if (in.sd == 0.0) {
      fails = true;
    } else if (in.mean == 0.0) {
      fails = false;
    } else {
      fails = BelowMinimum(minCv, std::fabs(in.sd / in.mean));
    }
    if (fails) Failed(smallVar, first, all);
  }
  return first;
}
