// The screening settings: setters with their ranges, default and re-adjusted criteria,
// the debug listing and the stored forms.
#include "featureselection/FSSettings.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <istream>
#include <ostream>

#include "featureselection/FSPersist.h"

namespace {
constexpr const char* kCls = "FSSettings";
}

FSSettings::FSSettings() {
  fPredSetType = kFSPredSetUndefined;
  fTargetCat = true;
  Reset();
}

FSSettings::FSSettings(int numPreds, bool allCategorical, bool targetCategorical) {
  fNumPreds = std::max(numPreds, 0);
  fPredTypes.assign(static_cast<std::size_t>(fNumPreds), allCategorical);
  fNumCatPreds = allCategorical ? static_cast<std::uint32_t>(fNumPreds) : 0;
  fPredSetType = allCategorical ? kFSAllCategorical : kFSAllContinuous;
  fTargetCat = targetCategorical;
  Reset();
}

FSSettings::FSSettings(const std::vector<bool>& predTypes, bool targetCategorical) {
  fPredTypes = predTypes;
  fNumPreds = static_cast<std::int32_t>(predTypes.size());
  fTargetCat = targetCategorical;
  RecountTypes();
  Reset();
}

void FSSettings::RecountTypes() {
  fNumCatPreds = static_cast<std::uint32_t>(std::count(fPredTypes.begin(), fPredTypes.end(), true));
  if (fNumCatPreds == static_cast<std::uint32_t>(fNumPreds)) {
    fPredSetType = kFSAllCategorical;
  } else if (fNumCatPreds == 0) {
    fPredSetType = kFSAllContinuous;
  } else {
    fPredSetType = kFSMixed;
  }
}

void FSSettings::CheckInvariants() const {
  assert(static_cast<std::size_t>(fNumPreds) == fPredTypes.size() &&
         "featureselection/FSSettings: fNumPreds == fPredTypes.size()");
  assert(fNumCatPreds ==
             static_cast<std::uint32_t>(std::count(fPredTypes.begin(), fPredTypes.end(), true)) &&
         "featureselection/FSSettings: fNumCatPreds counts the categorical bits");
  assert(fCriteria.size() == kFSNumCriteria && "featureselection/FSSettings: six criteria");
}

void FSSettings::Reset() {
  fpProgress = nullptr;
  fpCancelCheck = nullptr;
  fRecordsToSkip = 99;
  fPredsToSkip = 99;
  fTransactions = false;
  fTargetPos = 0;
  fCaseIdPos = -1;
  fWeightPos = -1;
  fWeightConversion = kFSWeightRound;
  fMaxPctMissing = 0.7;
  fDeleteManyMissing = true;
  fMaxPctSingleCateg = 0.95;
  fDeleteManyConst = true;
  fMaxPctCategs = 0.9;
  fDeleteManyCategs = true;
  fMaxPctOneCaseCategs = 0.9;
  fDeleteManyCategsWithOneCase = true;
  fMinCoefVar = 0.001;
  fDeleteSmallVar = true;
  fMinStdDev = 0.0;
  fDeleteSmallStdDev = true;
  SetDefaultCriteria();
  CheckInvariants();
}

void FSSettings::SetDefaultCriteria() {
  fCriteria.assign(kFSNumCriteria, false);
  auto on = [this](std::initializer_list<int> cs) {
    for (int c : cs) fCriteria[static_cast<std::size_t>(c)] = true;
  };
  if (fTargetCat) {
    switch (fPredSetType) {
      case kFSAllCategorical:
        on({0, 1, 2, 3});
        break;
      case kFSAllContinuous:
        on({4});
        break;
      case kFSMixed:
        on({0, 1, 4});
        break;
      default:
        break;
    }
  } else {
    switch (fPredSetType) {
      case kFSAllCategorical:
        on({4});
        break;
      case kFSAllContinuous:
        on({5});
        break;
      case kFSMixed:
        on({4, 5});
        break;
      default:
        break;
    }
  }
}

void FSSettings::ReadjustCriteria() {
  auto set = [this](int c, bool v) { fCriteria[static_cast<std::size_t>(c)] = v; };
  auto get = [this](int c) { return static_cast<bool>(fCriteria[static_cast<std::size_t>(c)]); };
  if (fTargetCat) {
    set(5, false);
    if (fPredSetType == kFSAllContinuous) {
      for (int c = 0; c <= 3; ++c) set(c, false);
      set(4, true);
    } else if (fPredSetType == kFSMixed) {
      set(2, false);
      set(3, false);
      set(4, true);
      if (!get(0) && !get(1)) {
        set(0, true);
        set(1, true);
      }
    } else if (fPredSetType == kFSAllCategorical) {
      set(4, false);
      if (!get(0) && !get(1) && !get(2) && !get(3)) {
        for (int c = 0; c <= 3; ++c) set(c, true);
      }
    }
  } else {
    for (int c = 0; c <= 3; ++c) set(c, false);
    if (fPredSetType == kFSAllCategorical) {
      set(4, true);
      set(5, false);
    } else if (fPredSetType == kFSAllContinuous) {
      set(4, false);
      set(5, true);
    } else if (fPredSetType == kFSMixed) {
      set(4, true);
      set(5, true);
    }
  }
}

static bool IsPct(double p) { return p >= 0.0 && p <= 100.0; }  // false for NaN

void FSSettings::SetMaxPctMissing(double pct) {
  if (IsPct(pct)) fMaxPctMissing = pct / 100.0;
}
void FSSettings::SetMaxPctSingleCategory(double pct) {
  if (IsPct(pct)) fMaxPctSingleCateg = pct / 100.0;
}
void FSSettings::SetMaxPctCategories(double pct) {
  if (IsPct(pct)) fMaxPctCategs = pct / 100.0;
}
void FSSettings::SetMaxPctOneCaseCategories(double pct) {
  if (IsPct(pct)) fMaxPctOneCaseCategs = pct / 100.0;
}
void FSSettings::SetMinCoefVar(double v) {
  if (v >= 0.0 && std::isfinite(v)) fMinCoefVar = v;
}
void FSSettings::SetMinStdDev(double v) {
  if (v >= 0.0 && std::isfinite(v)) fMinStdDev = v;
}
void FSSettings::SetFrequencyWeightPosition(int pos) {
  if (pos >= 0) fWeightPos = pos;
}
void FSSettings::SetCaseIdPosition(int pos) {
  if (pos >= 0) fCaseIdPos = pos;
}
void FSSettings::SetTargetPosition(int pos) { fTargetPos = pos < 0 ? -1 : pos; }
void FSSettings::SetRecordsToSkip(int n) {
  if (n >= 0) fRecordsToSkip = n;
}
void FSSettings::SetPredictorsToSkip(int n) {
  if (n >= 0) fPredsToSkip = n;
}

void FSSettings::SetTargetCategorical(bool categorical) {
  if (categorical == fTargetCat) return;
  fTargetCat = categorical;
  ReadjustCriteria();
}

void FSSettings::SetPredictorType(int i, bool categorical) {
  if (i < 0 || i >= fNumPreds) return;
  SetPredictorTypes(i, i, categorical);
}

void FSSettings::SetPredictorTypes(int first, int last, bool categorical) {
  if (first < 0 || first > last || last >= fNumPreds) return;
  for (int i = first; i <= last; ++i) fPredTypes[static_cast<std::size_t>(i)] = categorical;
  const FSPredSetType before = fPredSetType;
  RecountTypes();
  if (fPredSetType != before) ReadjustCriteria();
  CheckInvariants();
}

bool FSSettings::SetCriterion(int c, bool on) {
  if (c < 0 || c >= kFSNumCriteria) return false;
  if (IsCriterionComputed(c) == on) return true;
  const int t = fPredSetType;
  auto count03 = [this] {
    int n = 0;
    for (int k = 0; k <= 3; ++k) n += fCriteria[static_cast<std::size_t>(k)] ? 1 : 0;
    return n;
  };
  bool refused = false;
  if (on) {
    if (fTargetCat) {
      refused = c == 5 || (t == kFSAllCategorical && c == 4) || (t == kFSAllContinuous && c != 4) ||
                (t == kFSMixed && (c == 2 || c == 3));
    } else {
      refused = (t == kFSAllCategorical && c != 4) || (t == kFSAllContinuous && c != 5) ||
                (t == kFSMixed && c != 4 && c != 5);
    }
  } else {
    if (fTargetCat) {
      if (c == 4) {
        refused = t != kFSAllCategorical;
      } else if (c <= 3) {
        refused = t != kFSAllContinuous && count03() <= 1;
      }
    } else {
      refused = (c == 4 && (t == kFSAllCategorical || t == kFSMixed)) ||
                (c == 5 && (t == kFSAllContinuous || t == kFSMixed));
    }
  }
  if (refused) return false;
  fCriteria[static_cast<std::size_t>(c)] = on;
  return true;
}

bool FSSettings::IsPredictorCategorical(int i) const {
  return i >= 0 && i < fNumPreds && fPredTypes[static_cast<std::size_t>(i)];
}

bool FSSettings::IsCriterionComputed(int c) const {
  return c >= 0 && c < kFSNumCriteria && fCriteria[static_cast<std::size_t>(c)];
}

int FSSettings::GetDefaultNumberOfBest(int n) const {
  const double m = n <= 0 ? fNumPreds : n;
  return static_cast<int>(std::min(m, std::max(30.0, 2.0 * std::sqrt(m))) + 0.5);
}

void FSSettings::Display(std::ostream& os) const {
  auto yn = [](bool b) { return b ? "Yes" : "No"; };
  os << "Start of FSSettings display\n";
  os << "Number of predictors = " << fNumPreds << "\n";
  os << "Predictor types (1 = categorical):";
  for (bool b : fPredTypes) os << ' ' << (b ? 1 : 0);
  os << "\nNumber of categorical predictors = " << fNumCatPreds << "\n";
  os << "Predictor set type = " << FSPredSetTypeName(fPredSetType) << "\n";
  os << "Target categorical? " << yn(fTargetCat) << "\n";
  for (int c = 0; c < kFSNumCriteria; ++c) {
    os << "Criterion " << FSCriterionName(c) << " computed? " << yn(IsCriterionComputed(c)) << "\n";
  }
  os << "Progress listener set? " << yn(fpProgress != nullptr) << "\n";
  os << "Cancel check set? " << yn(fpCancelCheck != nullptr) << "\n";
  os << "Records to skip = " << fRecordsToSkip << "\n";
  os << "Predictors to skip = " << fPredsToSkip << "\n";
  os << "Transactions? " << yn(fTransactions) << "\n";
  os << "Target position = " << fTargetPos << "\n";
  os << "Case identifier position = " << fCaseIdPos << "\n";
  os << "Frequency weight position = " << fWeightPos << "\n";
  os << "Weight conversion = " << FSWeightConversionName(fWeightConversion) << "\n";
  os << "Maximum percent missing = " << GetMaxPctMissing() << ", applied? "
     << yn(fDeleteManyMissing) << "\n";
  os << "Maximum percent in a single category = " << GetMaxPctSingleCategory() << ", applied? "
     << yn(fDeleteManyConst) << "\n";
  os << "Maximum percent of categories = " << GetMaxPctCategories() << ", applied? "
     << yn(fDeleteManyCategs) << "\n";
  os << "Maximum percent of categories with one case = " << GetMaxPctOneCaseCategories()
     << ", applied? " << yn(fDeleteManyCategsWithOneCase) << "\n";
  os << "Minimum coefficient of variation = " << fMinCoefVar << ", applied? " << yn(fDeleteSmallVar)
     << "\n";
  os << "Minimum standard deviation = " << fMinStdDev << ", applied? " << yn(fDeleteSmallStdDev)
     << "\n";
  os << "End of FSSettings display\n";
}

// ---- stored forms ----

namespace {
const char* const kThresholdNames[6] = {"maxPctMissing",       "maxPctSingleCateg", "maxPctCategs",
                                        "maxPctOneCaseCategs", "minCoefVar",        "minStdDev"};
const char* const kFlagNames[6] = {"deleteManyMissing", "deleteManyConst",
                                   "deleteManyCategs",  "deleteManyCategsWithOneCase",
                                   "deleteSmallVar",    "deleteSmallStdDev"};
}  // namespace

void FSSettings::Write(FSFieldSink& out) const {
  out.Begin("FSSet", kCls);
  out.Int("numPreds", fNumPreds);
  for (bool b : fPredTypes) out.Bool("predType", b);
  out.Int("numCatPreds", static_cast<std::int32_t>(fNumCatPreds));
  out.Int("predSetType", fPredSetType);
  out.Bool("targetCat", fTargetCat);
  for (int c = 0; c < kFSNumCriteria; ++c) out.Bool("criterion", IsCriterionComputed(c));
  out.Int("recordsToSkip", fRecordsToSkip);
  out.Int("predsToSkip", fPredsToSkip);
  out.Bool("transactions", fTransactions);
  out.Int("targetPos", fTargetPos);
  out.Int("caseIdPos", fCaseIdPos);
  out.Int("weightPos", fWeightPos);
  out.Int("weightConversion", fWeightConversion);
  const double th[6] = {fMaxPctMissing,       fMaxPctSingleCateg, fMaxPctCategs,
                        fMaxPctOneCaseCategs, fMinCoefVar,        fMinStdDev};
  const bool fl[6] = {fDeleteManyMissing,           fDeleteManyConst, fDeleteManyCategs,
                      fDeleteManyCategsWithOneCase, fDeleteSmallVar,  fDeleteSmallStdDev};
  for (int k = 0; k < 6; ++k) {
    out.Dbl(kThresholdNames[k], th[k]);
    out.Bool(kFlagNames[k], fl[k]);
  }
  out.End();
}

void FSSettings::Read(FSFieldSource& in) {
  // Read into a fresh object and check it; this one changes only when all is well.
  FSSettings s;
  in.Begin("FSSet", kCls, kCls);
  s.fNumPreds = in.Count("numPreds", kCls, INT32_MAX);
  for (int i = 0; i < s.fNumPreds; ++i) s.fPredTypes.push_back(in.Bool("predType", kCls));
  const std::int32_t numCat = in.Int("numCatPreds", kCls);
  const std::int32_t setType = in.Int("predSetType", kCls);
  s.RecountTypes();
  if (numCat != static_cast<std::int32_t>(s.fNumCatPreds)) {
    FSIO::Fail(kCls, "the number of categorical predictors does not match the predictor types");
  }
  if (s.fNumPreds == 0 && setType == kFSPredSetUndefined) s.fPredSetType = kFSPredSetUndefined;
  if (setType != s.fPredSetType) {
    FSIO::Fail(kCls, "the predictor set type does not match the predictor types");
  }
  s.fTargetCat = in.Bool("targetCat", kCls);
  for (int c = 0; c < kFSNumCriteria; ++c) {
    s.fCriteria[static_cast<std::size_t>(c)] = in.Bool("criterion", kCls);
  }
  s.fRecordsToSkip = in.Int("recordsToSkip", kCls);
  s.fPredsToSkip = in.Int("predsToSkip", kCls);
  s.fTransactions = in.Bool("transactions", kCls);
  s.fTargetPos = in.Int("targetPos", kCls);
  s.fCaseIdPos = in.Int("caseIdPos", kCls);
  s.fWeightPos = in.Int("weightPos", kCls);
  s.fWeightConversion = static_cast<FSWeightConversion>(in.Int("weightConversion", kCls));
  double* th[6] = {&s.fMaxPctMissing,       &s.fMaxPctSingleCateg, &s.fMaxPctCategs,
                   &s.fMaxPctOneCaseCategs, &s.fMinCoefVar,        &s.fMinStdDev};
  bool* fl[6] = {&s.fDeleteManyMissing,           &s.fDeleteManyConst, &s.fDeleteManyCategs,
                 &s.fDeleteManyCategsWithOneCase, &s.fDeleteSmallVar,  &s.fDeleteSmallStdDev};
  for (int k = 0; k < 6; ++k) {
    *th[k] = in.Dbl(kThresholdNames[k], kCls);
    *fl[k] = in.Bool(kFlagNames[k], kCls);
    const bool ok = std::isfinite(*th[k]) && *th[k] >= 0.0 && (k >= 4 || *th[k] <= 1.0);
    if (!ok) FSIO::Fail(kCls, std::string("the threshold ") + kThresholdNames[k] + " is invalid");
  }
  in.End(kCls);
  if (s.fRecordsToSkip < 0 || s.fPredsToSkip < 0 || s.fTargetPos < -1 || s.fCaseIdPos < -1 ||
      s.fWeightPos < -1) {
    FSIO::Fail(kCls, "a record position or progress interval is out of range");
  }
  s.CheckInvariants();
  FSProgressListener* listener = fpProgress;
  FSCancelCheck* check = fpCancelCheck;
  *this = std::move(s);
  fpProgress = listener;
  fpCancelCheck = check;
}

int FSSettings::Save(std::ostream& os) const {
  FSBinarySink out(os);
  Write(out);
  return static_cast<int>(out.Bytes());
}

void FSSettings::Load(std::istream& is) {
  FSBinarySource in(is);
  Read(in);
}

void FSSettings::SaveXML(MCCommonXML::XMLObj& xml) const {
  FSXMLSink out(xml);
  Write(out);
}

void FSSettings::LoadXML(MCCommonXML::XMLReader& xml) {
  FSXMLSource in(xml);
  Read(in);
}
