// The sort record of one predictor under one ranking criterion (value and two tie-breaking
// values) and the order in which each criterion lists its predictors, best first.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "featureselection/FSPersist.h"
#include "host/mccommon/MCCommonRecord.h"

struct FSPredSort {
  double value = MCMV::gMissingValue;
  double tie1 = MCMV::gMissingValue;
  double tie2 = MCMV::gMissingValue;
  std::int32_t index = -1;

  // Stored form: "FSPRS", three doubles and the index (33 bytes in binary).
  void Write(FSFieldSink& out) const;
  void Read(FSFieldSource& in);
  int Save(std::ostream& os) const;
  void Display(std::ostream& os) const;
};

// Whether `a` comes before `b` in the list of `criterion`. A record with a missing value
// never comes before another; any record with a value comes before one without.
//   0, 1: value ascending, tie 1 descending, tie 2 ascending;
//   2: value descending, tie 1 descending;   3: value descending, tie 1 ascending;
//   4, 5: value ascending, tie 1 descending, tie 2 descending.
bool FSPredSortBefore(int criterion, const FSPredSort& a, const FSPredSort& b);

// Sorts a whole list, stable: equal records keep their (predictor index) order.
void FSSortAll(int criterion, std::vector<FSPredSort>& list);
// Puts the n best records first, in order (0 <= n <= list size); the rest in any order.
void FSSortBest(int criterion, std::vector<FSPredSort>& list, int n);
