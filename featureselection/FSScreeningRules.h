// The screening rules of a predictor: the four share rules of a categorical predictor and
// the missing, standard-deviation and coefficient-of-variation rules of a continuous one,
// tested in rule order against the thresholds of FSSettings. All comparisons are strict.
#pragma once

#include <algorithm>
#include <vector>

#include "featureselection/FSSettings.h"

// What the categorical rules read of the weighted category counts: how many categories have
// a count, the largest count, the sum of the counts and how many are exactly 1. Counts are
// added in ascending category order, so that the sum is the same whichever store they come
// from.
struct FSCatCountSummary {
  int categories = 0;
  double largest = 0.0;
  double sum = 0.0;
  int oneCase = 0;

  void Add(double count) {
    ++categories;
    largest = std::max(largest, count);
    sum += count;
    oneCase += count == 1.0 ? 1 : 0;
  }
};

// What the categorical rules read: weighted total and missing, the unweighted number of
// valid cases and the summary of the category counts.
struct FSCatRuleInput {
  double total = 0.0;
  double missing = 0.0;
  int valid = 0;
  FSCatCountSummary counts;
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
