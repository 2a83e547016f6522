// The ranking criteria computed from an accumulator's tables: the contingency-table criteria
// (Pearson and likelihood-ratio chi-square p-values, Cramer's V, asymmetric lambda), the
// one-way analysis of variance and the correlation t test. P-values come from FSDistributions.
#pragma once

#include "featureselection/FSMaps.h"
#include "featureselection/FSPredTargetAccum.h"

// Criteria 0 to 3 of a predictor-by-target table: predictor category counts, target category
// counts, pair counts (all weighted, borrowed) and N = the weighted number of valid cases.
void FSContingencyCriterion(int criterion, const FSMapICnt& pred, const FSMapICnt& target,
                            const FSMapPiCnt& pairs, double N, FSCriterionResult& out);

// The F test of a one-way analysis of variance over finalised groups (W, mean, variance) with
// grand mean m and N = the weighted number of valid cases: value p, tie 1 F, tie 2 N, extra
// df1 and df2.
void FSAnovaCriterion(const FSMapIStat& groups, double grandMean, double N, FSCriterionResult& out);

// The two-sided t test of a Pearson correlation r over N weighted cases: value p, tie 1 r^2,
// tie 2 N, extra r and t. Every output stays missing when r is missing.
void FSCorrelationCriterion(double r, double N, FSCriterionResult& out);
