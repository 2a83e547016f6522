#include "apps/zira/ScreenTables.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <memory>

#include "host/common/ZiraTypes.h"
#include "host/output/BpPivotTable.h"
#include "host/output/BpProcedure.h"

namespace {

BpString Own(const std::string& text) { return BpString(text, true); }
BpNumber Count(double n) { return BpNumber(n, BpProcedure::Count); }

// A criterion value: four significant digits shown (p-values span many orders of magnitude,
// which no fixed number of decimals shows), the exact value kept behind the cell.
class CriterionValueText : public BpCellText {
 public:
  explicit CriterionValueText(double value) : fValue(value) {}
  std::unique_ptr<BpCellText> Replicate() const override {
    return std::make_unique<CriterionValueText>(*this);
  }
  BpCellContent Content() const override {
    BpCellContent c;
    c.numeric = true;
    if (fValue == MCMV::gMissingValue) {
      c.text = ".";
      return c;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", fValue);
    c.text = buf;
    c.value = fValue;
    return c;
  }

 private:
  double fValue;
};

std::string Percent(double pct) { return FormatBpNumber(pct, kBpPercent); }
std::string Number(double v) { return FormatBpNumber(v, kBpGeneralStat); }

bool IsPValue(int criterion) {
  return criterion == kFSPearson || criterion == kFSLikelihood || criterion == kFSFStat ||
         criterion == kFSTStat;
}

// The criteria shown, in the order they are looked at. In a mixed set with a continuous target
// the engine ranks the t tests inside the F list, so t is not shown on its own.
std::vector<int> ShownCriteria(const FSSettings& s) {
  std::vector<int> out;
  for (int c : {kFSPearson, kFSLikelihood, kFSFStat, kFSTStat, kFSCramerV, kFSLambda}) {
    if (!s.IsCriterionComputed(c)) continue;
    if (c == kFSTStat && s.GetPredSetType() == kFSMixed && !s.IsTargetCategorical() &&
        s.IsCriterionComputed(kFSFStat)) {
      continue;
    }
    out.push_back(c);
  }
  return out;
}

void PredictorLabel(BpDimension* rows, const ScreenRun& run, int predictor) {
  assert(predictor >= 0 && static_cast<size_t>(predictor) < run.predictorColumns.size() &&
         "apps/zira/ScreenTables: predictor index in range");
  rows->Category(BpVariable(run.data->GetVariable(run.predictorColumns[predictor]), 2));
}

}  // namespace

std::string ScreenReasonText(int reason, const FSSettings& s) {
  switch (reason) {
    case allMissing:
      return "every value is missing";
    case allConst:
      return "every value is the same";
    case manyMissing:
      return "more than " + Percent(s.GetMaxPctMissing()) + " of the values are missing";
    case manyConst:
      return "more than " + Percent(s.GetMaxPctSingleCategory()) +
             " of the valid values are in one category";
    case manyCategs:
      return "more categories than " + Percent(s.GetMaxPctCategories()) + " of the valid values";
    case manyCategsWithOneCase:
      return "more than " + Percent(s.GetMaxPctOneCaseCategories()) +
             " of the categories hold a single case";
    case smallStdDev:
      return "standard deviation below " + Number(s.GetMinStdDev());
    case smallVar:
      return "coefficient of variation below " + Number(s.GetMinCoefVar());
    default:
      return "reason " + std::to_string(reason);
  }
}

std::vector<int> RankedPredictorOrder(const IFSAlgorithm& algorithm, int criterion, int best) {
  const FSSettings& s = *algorithm.GetSettings();
  const int n = s.GetNumPredictors();
  struct Row {
    double value;  // sort key (a p-value, or minus a measure)
    int rank;
    int predictor;
  };
  std::vector<Row> rows;
  const std::vector<int> criteria = criterion >= 0 ? std::vector<int>{criterion} : ShownCriteria(s);
  for (int p = 0; p < n; ++p) {
    for (int c : criteria) {
      const std::vector<int>& ranks = algorithm.GetRanks(c);
      if (static_cast<size_t>(p) >= ranks.size() || ranks[static_cast<size_t>(p)] < 0) continue;
      double v = algorithm.GetCriterionValueList(c)[static_cast<size_t>(p)];
      if (criterion >= 0) {
        v = 0.0;  // one criterion: its rank alone orders
      } else if (v == MCMV::gMissingValue) {
        v = 2.0;  // after every p-value
      } else if (!IsPValue(c)) {
        v = 2.0 - v;  // measures (higher is better) after the tests, best first
      }
      rows.push_back({v, ranks[static_cast<size_t>(p)], p});
      break;
    }
  }
  std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    if (a.value != b.value) return a.value < b.value;
    return a.rank < b.rank;
  });
  std::vector<int> order;
  for (const Row& r : rows) order.push_back(r.predictor);
  if (best > 0 && order.size() > static_cast<size_t>(best)) order.resize(static_cast<size_t>(best));
  return order;
}

void WriteScreenSummary(BpHeading* heading, const ScreenRun& run, const IFSAlgorithm& algorithm,
                        bool screenOnly, int numFailing) {
  const FSSettings& s = *run.settings;
  BpPivotTable* table =
      heading->PivotTable(Own("Screening Summary"), BpString("ScreeningSummary", false), true);
  BpDimension* rows = table->Dimension(Own("Statistic"), 2);
  rows->Position(0, 1, true, false);
  BpDimension* cols = table->Dimension(Own("Value"), 2);
  cols->Position(1, 1, true, false);
  cols->Category(Own("Value"));
  auto line = [&](const std::string& label, const BpCellText& value) {
    rows->Category(Own(label));
    rows->Current()->Cell(value);
  };
  line("Target", BpVariable(run.data->GetVariable(run.targetColumn), 2));
  line("Target type", Own(s.IsTargetCategorical() ? "categorical" : "continuous"));
  if (!screenOnly && algorithm.GetNumTargetCategories() >= 0)
    line("Target categories", Count(algorithm.GetNumTargetCategories()));
  line("Predictors", Count(s.GetNumPredictors()));
  line("Categorical predictors", Count(s.GetNumCatPredictors()));
  if (screenOnly) {
    line("Cases", Count(static_cast<double>(run.data->CaseCount())));
    line("Failing predictors", Count(numFailing));
    return;
  }
  double weightedValid = 0, weightedExcluded = 0;
  int valid = 0, excluded = 0;
  algorithm.GetRecordCounts(weightedValid, weightedExcluded, valid, excluded);
  line("Cases used", Count(valid));
  line("Cases excluded (target missing)", Count(excluded));
  line("Predictors excluded by screening", Count(algorithm.GetNumDeleted()));
}

void WriteRankingTable(BpHeading* heading, const ScreenRun& run, const IFSAlgorithm& algorithm,
                       const std::vector<int>& order, int criterion, int numRanked) {
  const FSSettings& s = *run.settings;
  BpPivotTable* table =
      heading->PivotTable(Own("Predictor Ranking"), BpString("PredictorRanking", false), true);
  BpDimension* rows = table->Dimension(Own("Predictor"), 2);
  rows->Position(0, 1, false, false);
  BpDimension* cols = table->Dimension(Own("Criterion"), 2);
  cols->Position(1, 1, true, false);

  const std::vector<int> shown = criterion >= 0 ? std::vector<int>{criterion} : ShownCriteria(s);
  // Every column is made before the first row, so the columns keep this order.
  BpCategory* typeColumn = cols->Category(Own("Type"));
  std::vector<std::pair<BpCategory*, BpCategory*>> columns;
  for (int c : shown) {
    BpGroup* group = cols->Group(Own(FSCriterionName(c)), true, 2);
    BpCategory* value = group->Category(Own("Value"));
    BpCategory* rank = group->Category(Own("Rank"));
    columns.emplace_back(value, rank);
  }
  for (int p : order) {
    PredictorLabel(rows, run, p);
    typeColumn->Cell(Own(s.IsPredictorCategorical(p) ? "categorical" : "continuous"));
    for (size_t k = 0; k < shown.size(); ++k) {
      const int rank = algorithm.GetRanks(shown[k])[static_cast<size_t>(p)];
      if (rank < 0) continue;
      columns[k].first->Cell(
          CriterionValueText(algorithm.GetCriterionValueList(shown[k])[static_cast<size_t>(p)]));
      columns[k].second->Cell(Count(rank + 1));
    }
  }
  std::string caption = criterion >= 0
                            ? "Ordered by " + FSCriterionName(criterion) + "."
                            : std::string("Ordered by the p-value of each predictor's test.");
  caption += " Rank 1 is the strongest association.";
  if (s.GetPredSetType() == kFSMixed) {
    // The engine ranks both kinds of predictor in one list.
    caption += s.IsTargetCategorical()
                   ? " Continuous predictors are ranked among the chi-square tests with their "
                     "F-test p-values."
                   : " Categorical predictors (F test) and continuous ones (t test) are ranked "
                     "together.";
  }
  if (static_cast<int>(order.size()) < numRanked) {
    caption += " The " + std::to_string(order.size()) + " best of " + std::to_string(numRanked) +
               " ranked predictors are shown.";
  }
  table->Caption(BpString(caption, false));
}

void WriteReasonsTable(BpHeading* heading, const ScreenRun& run, bool excluded,
                       const std::vector<int>& indices,
                       const std::vector<std::vector<int>>& reasons) {
  assert(indices.size() == reasons.size() && "apps/zira/ScreenTables: one reason list each");
  const FSSettings& s = *run.settings;
  BpPivotTable* table = heading->PivotTable(
      Own(excluded ? "Excluded Predictors" : "Failing Predictors"),
      BpString(excluded ? "ExcludedPredictors" : "FailingPredictors", false), !excluded);
  BpDimension* rows = table->Dimension(Own("Predictor"), 2);
  rows->Position(0, 1, false, false);
  BpDimension* cols = table->Dimension(Own("Information"), 2);
  cols->Position(1, 1, true, false);
  BpCategory* type = cols->Category(Own("Type"));
  BpCategory* rule = cols->Category(Own("Rule"));
  BpCategory* reason = cols->Category(Own("Reason"));
  for (size_t i = 0; i < indices.size(); ++i) {
    PredictorLabel(rows, run, indices[i]);
    std::string names, texts;
    for (int r : reasons[i]) {
      if (!names.empty()) {
        names += '\n';
        texts += '\n';
      }
      names += FSDeleteReasonName(r);
      texts += ScreenReasonText(r, s);
    }
    type->Cell(Own(s.IsPredictorCategorical(indices[i]) ? "categorical" : "continuous"));
    rule->Cell(BpString(names, false));
    reason->Cell(BpString(texts, false));
  }
  if (indices.empty()) table->Caption(Own("No predictor fails a screening rule."));
}
