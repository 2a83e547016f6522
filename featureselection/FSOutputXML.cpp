// The result documents of the screening algorithm: "FSOutputAll" (every computed criterion
// with the ranks of every predictor, the screening criteria and the excluded predictors) and
// "FSOutputOne" (the ordered best predictors of one criterion).
#include <ctime>
#include <ostream>

#include "featureselection/FSAlgorithm.h"
#include "host/mccommon/MCCommonXML.h"

using MCCommonXML::XMLElement;

namespace {

constexpr double kMiss = MCMV::gMissingValue;
constexpr const char* kProductName = "Zira Feature Selection";

std::string ValueText(double v) {
  return v == kMiss ? std::string("Missing") : MCCommonXML::DoubleToText(v);
}

// The local date and time in the C library's ctime form, without the closing line break.
std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[64];
  const std::size_t n = std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y", &local);
  return std::string(buf, n);
}

}  // namespace

std::string FSAlgorithm::PredictorSetTypeText() const {
  switch (fpSettings->GetPredSetType()) {
    case kFSAllCategorical:
      return "categorical";
    case kFSAllContinuous:
      return "continuous";
    default:
      return "mixed";
  }
}

void FSAlgorithm::AddHeader(XMLElement& root) const {
  XMLElement& header = root.AddElement("Header");
  header.SetAttribute("copyright", GetNotice());
  XMLElement& app = header.AddElement("Application");
  app.SetAttribute("name", std::string(kProductName));
  app.SetAttribute("version", std::string("1.0"));
  header.AddElement("Timestamp").AddString(Timestamp());
}

void FSAlgorithm::AddTarget(XMLElement& root) const {
  if (fpSettings->IsTransactions()) return;
  root.AddElement("Target").SetAttribute("targetIndex", fpSettings->GetTargetPosition());
}

FSStatus FSAlgorithm::WriteOutputAll(std::ostream& os) {
  const FSStatus st = fStatus;
  if (st.IsError()) return st;
  if (fCancel.IsCancelled()) return FSStatus(kFSCancelled, false);
  if (fSet.GetStatus() < kFSSetChecked) return st;

  const FSSettings& s = *fpSettings;
  const bool mixed = s.GetPredSetType() == kFSMixed;
  XMLElement root("FSOutputAll");
  root.SetAttribute("version", std::string("1.0"));
  root.SetAttribute("targetType",
                    std::string(s.IsTargetCategorical() ? "categorical" : "continuous"));
  root.SetAttribute("predictorSetType", PredictorSetTypeText());
  AddHeader(root);

  XMLElement& criteria = root.AddElement("CriteriaList");
  int numCriteria = 0;
  for (int c = 0; c < kFSNumCriteria; ++c) {
    if (!s.IsCriterionComputed(c)) continue;
    criteria.AddElement("Criterion").SetAttribute("name", FSCriterionShortName(c));
    ++numCriteria;
  }
  criteria.SetAttribute("numberOfCriteria", numCriteria);

  XMLElement& screening = root.AddElement("ScreeningCriteria");
  int numScreen = 0;
  auto screen = [&](const char* name, bool withValue, double value) {
    XMLElement& e = screening.AddElement("ScreenCriterion");
    e.SetAttribute("name", std::string(name));
    if (withValue) e.SetAttribute("value", value);
    ++numScreen;
  };
  screen("allMissing", false, 0.0);
  screen("allConst", false, 0.0);
  if (s.GetDeleteManyMissing()) screen("manyMissing", true, s.GetMaxPctMissing());
  if (s.GetDeleteManyConst()) screen("manyConst", true, s.GetMaxPctSingleCategory());
  if (s.GetDeleteManyCategs()) screen("manyCategs", true, s.GetMaxPctCategories());
  if (s.GetDeleteManyCategsWithOneCase()) {
    screen("manyCategsWithOneCase", true, s.GetMaxPctOneCaseCategories());
  }
  if (s.GetDeleteSmallVar()) screen("smallVar", true, s.GetMinCoefVar());
  if (s.GetDeleteSmallStdDev() && s.GetMinStdDev() > 0.0) {
    screen("smallStdDev", true, s.GetMinStdDev());
  }
  screening.SetAttribute("numberOfCriteria", numScreen);

  XMLElement& excluded = root.AddElement("ExcludedPredictors");
  const std::vector<int>& deleted = fSet.GetDeletedIndices();
  const std::vector<int>& reasons = fSet.GetDeletionReasons();
  excluded.SetAttribute("numberOfPredictors", static_cast<int>(deleted.size()));
  for (std::size_t k = 0; k < deleted.size(); ++k) {
    XMLElement& e = excluded.AddElement("ExclPredictor");
    e.SetAttribute("predictorIndex", deleted[k]);
    if (mixed) {
      e.SetAttribute(
          "predictorType",
          std::string(s.IsPredictorCategorical(deleted[k]) ? "categorical" : "continuous"));
    }
    e.SetAttribute("screenCriterion", FSDeleteReasonName(reasons[k]));
  }
  AddTarget(root);

  int numPredictors = 0;
  if (fSet.GetStatus() == kFSSetRanked) {
    for (int i = 0; i < fSet.GetNumPredictors(); ++i) {
      if (fSet.IsDeleted(i)) continue;
      XMLElement& p = root.AddElement("Predictor");
      ++numPredictors;
      p.SetAttribute("predictorIndex", i);
      if (mixed) {
        p.SetAttribute("predictorType",
                       std::string(s.IsPredictorCategorical(i) ? "categorical" : "continuous"));
      }
      for (int c = 0; c < kFSNumCriteria; ++c) {
        if (!s.IsCriterionComputed(c)) continue;
        const std::vector<int>& ranks = fSet.GetRanks(c);
        if (static_cast<std::size_t>(i) >= ranks.size() || ranks[i] == -1) continue;
        double value, second, third, fourth;
        GetCriterionValues(c, i, value, second, third, fourth);
        XMLElement& cr = p.AddElement("CriterionAndRank");
        cr.SetAttribute("criterionName", FSCriterionShortName(c));
        cr.SetAttribute("criterionValue", ValueText(value));
        if (c == kFSPearson || c == kFSLikelihood) {
          cr.SetAttribute("statisticValue", ValueText(second));
          cr.SetAttribute("df", ValueText(third));
        } else if (c == kFSFStat) {
          cr.SetAttribute("statisticValue", ValueText(second));
          cr.SetAttribute("df", ValueText(third));
          cr.SetAttribute("df2", ValueText(fourth));
        } else if (c == kFSTStat) {
          cr.SetAttribute("corrCoeff", ValueText(second));
          cr.SetAttribute("statisticValue", ValueText(third));
          cr.SetAttribute("df", ValueText(fourth));
        }
        cr.SetAttribute("rankOrder", ranks[i]);
      }
    }
  }
  root.SetAttribute("numberOfPredictors", numPredictors);
  MCCommonXML::WriteTree(os, {"FSOutputAll", "fsoutputallcrit.dtd"}, root, true);
  return os ? st : FSStatus(kFSStreamNotGood, false);
}

FSStatus FSAlgorithm::WriteOutputOne(std::ostream& os, int criterion, int numberOfBest) {
  FSStatus st = CheckOutputState(criterion);
  if (st.IsError()) return st;

  const FSSettings& s = *fpSettings;
  const bool mixed = s.GetPredSetType() == kFSMixed;
  const int left = fSet.GetNumLeft();
  const int stored = std::max(fSet.GetNumberOfBest(), 0);
  int best = numberOfBest > 0 ? numberOfBest : 0;
  if (stored > 0) best = best > 0 ? std::min(best, stored) : stored;
  const std::vector<FSPredSort>& list = fSet.GetSortList(criterion);
  const bool limited = best > 0 && best < left;
  const std::size_t count =
      limited ? std::min(list.size(), static_cast<std::size_t>(best)) : list.size();

  XMLElement root("FSOutputOne");
  root.SetAttribute("version", std::string("1.0"));
  root.SetAttribute("predictorSetType", PredictorSetTypeText());
  root.SetAttribute("predictorChoiceType", std::string(limited ? "numberOfBest" : "all"));
  if (limited) root.SetAttribute("numberOfBest", static_cast<int>(count));
  AddHeader(root);
  root.AddElement("Criterion").SetAttribute("name", FSCriterionShortName(criterion));
  AddTarget(root);
  for (std::size_t k = 0; k < count; ++k) {
    const FSPredSort& r = list[k];
    XMLElement& p = root.AddElement("Predictor");
    p.SetAttribute("predictorIndex", r.index);
    if (mixed) {
      p.SetAttribute("predictorType",
                     std::string(s.IsPredictorCategorical(r.index) ? "categorical" : "continuous"));
    }
    p.SetAttribute("criterionValue", ValueText(r.value));
    p.SetAttribute("rankOrder", static_cast<int>(k));
  }
  root.SetAttribute("numberOfPredictors", static_cast<int>(count));
  MCCommonXML::WriteTree(os, {"FSOutputOne", "fsoutputonecrit.dtd"}, root, true);
  if (!os) return FSStatus(kFSStreamNotGood, false);
  if (st.IsOK() && numberOfBest >= 1 && left < numberOfBest) {
    st = FSStatus(kFSTooFewPredictors, false, left);
  }
  return st;
}
