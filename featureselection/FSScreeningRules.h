// The screening rules of a predictor: the four share rules of a categorical predictor and
// the missing, standard-deviation and coefficient-of-variation rules of a continuous one,
// tested in rule order against the thresholds of FSSettings. All comparisons are strict.
#pragma once

#include <vector>

#include "featureselection/FSMaps.h"
#include "featureselection/FSSettings.h"

// What the categorical rules read: weighted total and missing, the unweighted number of
// valid cases and the weighted category counts (borrowed for the call).
struct FSCatRuleInput {
  double total = 0.0;
  double missing = 0.0;
  int valid = 0;
  const FSMapICnt* counts = nullptr;
};

// What the continuous rules read: weighted total and missing, standard deviation and mean.
struct FSContRuleInput {
  double total = 0.0;
  double missing = 0.0;
  double sd = 0.0;
  double mean = 0.0;
};

// Tests the rules in order. Answers the first failed reason (0 when none); when `all` is
// given, every failed reason is appended to it in order.
int FSCheckCatRules(const FSSettings& s, const FSCatRuleInput& in, std::vector<int>* all);
int FSCheckContRules(const FSSettings& s, const FSContRuleInput& in, std::vector<int>* all);
