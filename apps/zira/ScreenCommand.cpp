// zira screen DATA.csv --target VAR: screens the dataset's variables as predictors of a target
// with the screening engine and ranks those that pass, printing the report and, on request,
// the engine's XML result document.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>

#include "apps/zira/Commands.h"
#include "apps/zira/NameLists.h"
#include "apps/zira/Report.h"
#include "apps/zira/ScreenTables.h"
#include "featureselection/FSAlgorithmFactory.h"
#include "host/common/Messages.h"
#include "host/common/StringHelpers.h"
#include "host/data/ProcedureDataSource.h"
#include "host/inputadapter/UAInputAdapter.h"
#include "host/inputadapter/UAProcDataSourceIter.h"
#include "host/inputadapter/UAVarValidSpecs.h"
#include "host/io/DatasetReader.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"

namespace {

struct ScreenOptions {
  std::string data;
  std::string schema;
  std::string target;
  std::vector<std::string> predictors;
  std::string criterion;
  int best = 0;
  std::string xml;
  bool screenOnly = false;
  ReportOptions report;
};

// Criterion names of the command line.
const std::vector<std::pair<std::string, int>> kCriterionNames = {
    {"pearson", kFSPearson},  {"likelihood", kFSLikelihood},
    {"cramersv", kFSCramerV}, {"lambda", kFSLambda},
    {"f", kFSFStat},          {"t", kFSTStat}};

std::string CriterionList() {
  std::string out;
  for (const auto& [name, c] : kCriterionNames) out += (out.empty() ? "" : ", ") + name;
  return out;
}

// One pass over the dataset as engine records: the analysis values of every case, categorical
// ones coded by the host's input adapter (0, 1, 2, ... in order of first appearance).
// Invariants: 1. fAdapter is built before fIter, which borrows it.
class DatasetRecords : public MCCommon::RecordIterator {
 public:
  // Borrows the settings; shares the dataset.
  DatasetRecords(const UAVarValidSpecs* specs, const ZIRA_DataSource* data)
      : fAdapter(specs, data), fIter(&fAdapter, true) {
    fOpen = fIter.GetFailReason() == 0 && fIter.NewSplit();
  }
  bool Next() override {
    if (!fOpen || !fIter.NextRecord()) return false;
    fRecord.Assign(fIter.Record().data(), static_cast<int>(fIter.Record().size()));
    return true;
  }
  const MCCommon::Record* Current() override { return &fRecord; }

 private:
  UAInputAdapter fAdapter;
  UAProcDataSourceIter fIter;
  bool fOpen = false;
  MCCommon::Record fRecord;
};

// The predictors and the target as dataset columns; the engine's record holds the predictors
// in order and the target last.
struct Layout {
  int target = -1;
  std::vector<int> predictors;
  std::vector<bool> catPredictors;
  bool catTarget = false;
  int criterion = -1;
};

// Resolves --target, --predictors (names, `a TO b`, ALL) and --criterion against the dataset.
bool MakeLayout(const ScreenOptions& o, const ZIRA_DataSource& data, Layout* layout,
                std::string* error) {
  layout->target = data.FindVarIndex(o.target);
  if (layout->target < 0) {
    *error = "The target variable " + o.target + " is not in the dataset " + o.data + ".";
    return false;
  }
  if (!o.criterion.empty()) {
    const std::string lower = FoldCase(o.criterion);
    for (const auto& [name, c] : kCriterionNames)
      if (lower == name) layout->criterion = c;
    if (layout->criterion < 0) {
      *error = "Unknown criterion " + o.criterion + "; use one of " + CriterionList() + ".";
      return false;
    }
  }
  std::vector<std::string> words;
  if (!SplitNameList(o.predictors, "--predictors", &words, error)) return false;
  std::vector<int> columns;
  std::vector<std::string> unknown;
  if (words.empty()) words.push_back("ALL");
  for (size_t i = 0; i < words.size(); ++i) {
    if (GetUpperString(words[i]) == "ALL") {
      for (int c = 0; c < data.ColumnCount(); ++c)
        if (c != layout->target) columns.push_back(c);
      continue;
    }
    const int col = data.FindVarIndex(words[i]);
    if (col < 0) {
      unknown.push_back(words[i]);
      continue;
    }
    if (i + 2 < words.size() && GetUpperString(words[i + 1]) == "TO") {
      const int last = data.FindVarIndex(words[i + 2]);
      if (last < 0) {
        unknown.push_back(words[i + 2]);
      } else if (last < col) {
        *error = "In --predictors, " + words[i + 2] + " comes before " + words[i] +
                 " in the dataset; write the earlier variable first.";
        return false;
      } else {
        for (int c = col; c <= last; ++c)
          if (c != layout->target) columns.push_back(c);
      }
      i += 2;
      continue;
    }
    if (col == layout->target) {
      *error = "The target " + o.target + " cannot be a predictor as well.";
      return false;
    }
    columns.push_back(col);
  }
  if (!unknown.empty()) {
    *error = "These predictors are not in the dataset: " + JoinWords(unknown) + ".";
    return false;
  }
  std::set<int> seen;
  for (int c : columns) {
    if (!seen.insert(c).second) continue;
    layout->predictors.push_back(c);
    layout->catPredictors.push_back(IsCatVar(c, &data));
  }
  if (layout->predictors.empty()) {
    *error = "There is no predictor to screen: the dataset holds only the target.";
    return false;
  }
  layout->catTarget = IsCatVar(layout->target, &data);
  return true;
}

// Reports an engine status: an error fails the command, a warning is shown.
bool ReportStatus(const FSStatus& st) {
  if (st.IsOK()) return true;
  HostReport(st.IsError() ? kMsgError : kMsgWarning, st.GetText());
  return !st.IsError();
}

// An engine failure that ends the command.
bool FailWith(const FSStatus& st) {
  HostReport(kMsgError,
             st.IsOK() ? std::string("The screening engine could not start.") : st.GetText());
  return false;
}

bool RunScreen(const ScreenOptions& o, Session& session) {
  Session::Scope scope(session);
  BpProcedure procedure("Screen", 11);

  ZIRA_DataSource data;
  {
    DatasetReadOptions read;
    read.schemaPath = o.schema;
    read.progress = true;
    std::string error;
    std::vector<std::string> warnings;
    const bool ok = ReadDataset(o.data, read, &data, &error, &warnings);
    for (const auto& w : warnings) HostReport(kMsgWarning, w);
    if (!ok) {
      HostReport(kMsgError, error);
      return false;
    }
  }
  session.SetActive(data);
  AdjustMeasurementLevels(&data);

  Layout layout;
  std::string error;
  if (!MakeLayout(o, data, &layout, &error)) {
    HostReport(kMsgError, error);
    return false;
  }
  if (data.CaseCount() == 0) {
    HostReport(kMsgError, "The dataset " + o.data + " has no cases.");
    return false;
  }

  const int numPreds = static_cast<int>(layout.predictors.size());
  FSSettings settings(layout.catPredictors, layout.catTarget);
  settings.SetTargetPosition(numPreds);
  if (layout.criterion >= 0 && !settings.IsCriterionComputed(layout.criterion) &&
      !settings.SetCriterion(layout.criterion, true)) {
    std::string computed;
    for (int c = 0; c < kFSNumCriteria; ++c)
      if (settings.IsCriterionComputed(c))
        computed += (computed.empty() ? "" : ", ") + FSCriterionName(c);
    HostReport(kMsgError, "The criterion " + FSCriterionName(layout.criterion) +
                              " is not computed for a " +
                              (layout.catTarget ? "categorical" : "continuous") + " target with " +
                              FoldCase(FSPredSetTypeName(settings.GetPredSetType())) +
                              " predictors; computed: " + computed + ".");
    return false;
  }

  UAVarValidSpecs specs(true, true, true);
  {
    std::vector<int32_t> columns(layout.predictors.begin(), layout.predictors.end());
    std::vector<bool> flags = layout.catPredictors;
    columns.push_back(layout.target);
    flags.push_back(layout.catTarget);
    std::vector<int32_t> positions;
    specs.AddVariables(columns, &positions, flags);
    specs.SetCaseCount();
  }
  ScreenRun run;
  run.data = &data;
  run.settings = &settings;
  run.targetColumn = layout.target;
  run.predictorColumns = layout.predictors;

  FSAlgorithmFactory factory;
  std::unique_ptr<IFSAlgorithm> algorithm = factory.Create(&settings);
  if (!algorithm) return FailWith(factory.GetStatus());

  std::string xmlText;
  if (o.screenOnly) {
    std::vector<int> failing;
    std::vector<std::vector<int>> reasons;
    DatasetRecords records(&specs, &data);
    if (!ReportStatus(algorithm->CheckPredictors(&records, failing, reasons, -1))) return false;
    WriteScreenSummary(&procedure, run, *algorithm, true, static_cast<int>(failing.size()));
    WriteReasonsTable(&procedure, run, false, failing, reasons);
    if (!o.xml.empty()) {
      // The document lists what screening against the target excludes: a second pass.
      FSSettings withTarget(layout.catPredictors, layout.catTarget);
      withTarget.SetTargetPosition(numPreds);
      std::unique_ptr<IFSAlgorithm> screener = factory.Create(&withTarget);
      if (!screener) return FailWith(factory.GetStatus());
      DatasetRecords again(&specs, &data);
      FSStatus st = screener->AccumulateData(&again, -1);
      if (st.IsOK()) st = screener->CheckForDeletion();
      if (st.IsOK()) st = screener->ScreenPredictors();
      if (st.IsError()) return ReportStatus(st);
      std::ostringstream os;
      if (!ReportStatus(screener->WriteOutputAll(os))) return false;
      xmlText = os.str();
    }
  } else {
    DatasetRecords records(&specs, &data);
    const FSStatus st = algorithm->Run(&records, -1, true, 0);
    if (!ReportStatus(st)) return false;
    WriteScreenSummary(&procedure, run, *algorithm, false, 0);
    const int left = numPreds - algorithm->GetNumDeleted();
    if (algorithm->IsRanked() && algorithm->GetStatus().IsOK()) {
      const int numRanked =
          static_cast<int>(RankedPredictorOrder(*algorithm, layout.criterion, 0).size());
      const std::vector<int> order = RankedPredictorOrder(*algorithm, layout.criterion, o.best);
      if (o.best > left) {
        HostReport(kMsgWarning, std::to_string(o.best) + " best predictors were asked for; " +
                                    std::to_string(left) + " are left after screening.");
      }
      WriteRankingTable(&procedure, run, *algorithm, order, layout.criterion, numRanked);
    }
    std::vector<std::vector<int>> reasons;
    for (int r : algorithm->GetDeletionReasons()) reasons.push_back({r});
    WriteReasonsTable(&procedure, run, true, algorithm->GetDeletedIndices(), reasons);
    if (!o.xml.empty()) {
      std::ostringstream os;
      FSStatus written;
      if (layout.criterion >= 0) {
        if (!algorithm->IsRanked() || !algorithm->GetStatus().IsOK()) {
          HostReport(kMsgError, "No predictor was ranked, so " + o.xml + " was not written.");
          return false;
        }
        written = algorithm->WriteOutputOne(os, layout.criterion, std::min(o.best, left));
      } else {
        written = algorithm->WriteOutputAll(os);
      }
      if (!ReportStatus(written)) return false;
      xmlText = os.str();
    }
  }
  if (!o.xml.empty()) {
    if (xmlText.empty() || !WriteFileAtomically(o.xml, xmlText)) {
      HostReport(kMsgError, "Cannot write the XML document " + o.xml + ".");
      return false;
    }
  }
  return true;
}

}  // namespace

ZiraCommand AddScreenCommand(CLI::App& program) {
  auto o = std::make_shared<ScreenOptions>();
  CLI::App* sub = program.add_subcommand(
      "screen",
      "Screen a dataset's variables as predictors of a target and rank those that pass by "
      "their association with it. Exit status 0 when it ran, 1 when it failed.");
  sub->add_option("DATA", o->data, "The dataset's CSV file")->required();
  sub->add_option("--schema", o->schema,
                  "Its Table Schema descriptor (default: NAME.schema.json beside it)");
  sub->add_option("--target", o->target, "The target variable")->required();
  sub->add_option("--predictors", o->predictors,
                  "Predictors: names, a TO b, ALL (default: every variable but the target)")
      ->expected(1, -1);
  auto* criterion = sub->add_option(
      "--criterion", o->criterion,
      "Order by this criterion: " + CriterionList() + " (with --xml: the FSOutputOne document)");
  auto* best = sub->add_option("--best", o->best, "Show only the N best predictors")
                   ->check(CLI::PositiveNumber);
  sub->add_option("--xml", o->xml,
                  "Write the engine's XML result document (FSOutputAll, or FSOutputOne with "
                  "--criterion) to this file");
  sub->add_flag("--screen-only", o->screenOnly,
                "List the predictors that fail a screening rule, with every reason; no ranking")
      ->excludes(criterion)
      ->excludes(best);
  AddReportOptions(sub, &o->report);
  return {sub, [o]() -> int {
            RunWithReport(o->report, [&](Session& session) { return RunScreen(*o, session); });
          }};
}
