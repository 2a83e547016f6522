// Distribution functions behind the ranking criteria: log-gamma, the regularised incomplete
// gamma and beta functions, the chi-square, F, Student t and normal distributions, and inverses.
// Plain functions without state; safe to call from any thread.
#pragma once

#include "host/common/ZiraTypes.h"

// Every function returns the system-missing value MCMV::gMissingValue for an invalid argument:
// an argument that is NaN or system-missing, or one outside the domain given on its line;
// degrees of freedom must be finite. A failed evaluation (a series or continued fraction that
// does not converge) also gives system-missing.
// "Upper" functions compute the upper tail directly (never as 1 minus the lower tail), so a
// small p-value keeps its relative accuracy down to the smallest normal doubles (~1e-300).
namespace FSDist {

// ---- special functions ----

// ln Gamma(x) for 0 < x < +inf (+inf past x ~ 2.5e305, where it overflows); missing for x <= 0
// or x infinite.
double LogGamma(double x);

// Regularised lower incomplete gamma P(a, x), a > 0, x >= 0 (x = +inf gives 1);
// missing for a <= 0, a infinite or x < 0.
double IncompleteGammaP(double a, double x);

// Regularised upper incomplete gamma Q(a, x) = 1 - P(a, x), evaluated directly; same domain.
double IncompleteGammaQ(double a, double x);

// Regularised incomplete beta I_x(a, b), a > 0, b > 0 (both finite), 0 <= x <= 1;
// missing otherwise.
double IncompleteBeta(double a, double b, double x);

// Its complement 1 - I_x(a, b) = I_(1-x)(b, a), evaluated directly; same domain.
double IncompleteBetaComplement(double a, double b, double x);

// The x in [0, 1] with I_x(a, b) = p, for a > 0, b > 0, 0 <= p <= 1 (p = 0 gives 0, p = 1
// gives 1); missing otherwise or when the search fails.
double InverseIncompleteBeta(double a, double b, double p);

// ---- chi-square ----

// F_chi2(x, df) = P(df / 2, x / 2): missing when df <= 0; 0 when x <= 0.
double ChiSquareCdf(double x, double df);

// Upper-tail p-value 1 - F_chi2(x, df) = Q(df / 2, x / 2): missing when df <= 0; 1 when x <= 0.
double ChiSquareUpper(double x, double df);

// ---- F ----

// F_F(f, df1, df2): missing unless df1 > 0 and df2 > 0; 0 when f <= 0.
double FCdf(double f, double df1, double df2);

// Upper-tail p-value 1 - F_F(f, df1, df2): missing unless df1 > 0 and df2 > 0; 1 when f <= 0.
double FUpper(double f, double df1, double df2);

// Inverse of F_F: the f >= 0 with F_F(f, df1, df2) = p, for df1 > 0, df2 > 0, 0 <= p < 1
// (p = 0 gives 0); missing otherwise (p = 1 would be +inf).
double FInverse(double p, double df1, double df2);

// Inverse of the upper tail: the f >= 0 with 1 - F_F(f, df1, df2) = q, for df1 > 0, df2 > 0,
// 0 < q <= 1 (q = 1 gives 0); missing otherwise. Keeps accuracy for q down to ~1e-300.
double FUpperInverse(double q, double df1, double df2);

// ---- Student t ----

// F_t(t, df): missing when df <= 0; 0.5 when t = 0; t = -inf / +inf give 0 / 1.
double TCdf(double t, double df);

// Two-sided p-value 2 * min(F_t(t, df), 1 - F_t(t, df)), each tail evaluated directly:
// missing when df <= 0; 1 when t = 0.
double TTwoSided(double t, double df);

// ---- normal ----

// Standard normal Phi(z) for any z (-inf / +inf give 0 / 1); missing only for NaN/missing.
double NormalCdf(double z);

// Standard normal upper tail 1 - Phi(z) = Phi(-z), evaluated directly.
double NormalUpper(double z);

// Normal distribution function with mean mu and standard deviation sigma: missing when
// sigma <= 0 or mu, sigma not finite.
double NormalCdf(double x, double mu, double sigma);

// Standard normal quantile by Wichura's AS 241 (PPND16): 0 < p < 1; missing otherwise.
double NormalInverse(double p);

// Normal quantile mu + sigma * NormalInverse(p): missing when sigma <= 0, mu or sigma not
// finite, or p outside (0, 1).
double NormalInverse(double p, double mu, double sigma);

}  // namespace FSDist
