// The tables of `zira screen`: a summary of the pass, the ranked predictors with their
// criterion values and ranks, and the predictors that failed a screening rule, with readable
// reasons. They are written under the "Screen" procedure heading of the output document.
#pragma once

#include <string>
#include <vector>

#include "featureselection/IFSAlgorithm.h"
#include "host/data/ZIRA_DataSource.h"

class BpHeading;

// What the tables need to know of one screening run. Borrows the dataset and the engine's
// settings for as long as the tables are being written.
struct ScreenRun {
  const ZIRA_DataSource* data = nullptr;
  const FSSettings* settings = nullptr;
  int targetColumn = -1;
  std::vector<int> predictorColumns;  // dataset column of each predictor index
};

// The readable reason a predictor failed a screening rule, with the rule's threshold
// ("more than 70.0% of the values are missing").
std::string ScreenReasonText(int reason, const FSSettings& settings);

// The order in which the ranked predictors are shown: by their rank under `criterion`, or,
// when it is -1, by the p-value of the first computed test that ranks them (Pearson,
// likelihood ratio, F, t; Cramer's V and lambda last), ties by that rank. Only predictors
// with a rank are listed; best > 0 keeps the first `best`.
std::vector<int> RankedPredictorOrder(const IFSAlgorithm& algorithm, int criterion, int best);

// "Screening Summary": target, kinds and counts of the pass.
void WriteScreenSummary(BpHeading* heading, const ScreenRun& run, const IFSAlgorithm& algorithm,
                        bool screenOnly, int numFailing);
// "Predictor Ranking": the rows of `order` with, per computed criterion, value and rank (from 1).
void WriteRankingTable(BpHeading* heading, const ScreenRun& run, const IFSAlgorithm& algorithm,
                       const std::vector<int>& order, int criterion, int numRanked);
// A table of predictors with their reasons: "Failing Predictors" (every reason, from
// CheckPredictors) or "Excluded Predictors" (the first reason, from the ranking run).
void WriteReasonsTable(BpHeading* heading, const ScreenRun& run, bool excluded,
                       const std::vector<int>& indices,
                       const std::vector<std::vector<int>>& reasons);
