// Distribution functions behind the ranking criteria (see FSDistributions.h).
//
// The p-values that rank predictors are often far out in a tail (1e-50 and smaller is common
// with large samples), and predictors are ordered by them, so every upper tail is computed
// directly and every prefactor x^a e^-x / Gamma(a) or x^a y^b / B(a, b) is computed without
// the cancellation that the naive a ln x - x - lnGamma(a) suffers for large a.
#include "featureselection/FSDistributions.h"

#include <cassert>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>

namespace FSDist {
namespace {

constexpr double kMissing = MCMV::gMissingValue;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;
constexpr double kHalfLog2Pi = 0.91893853320467274178;  // ln(2 pi) / 2
// Stopping tolerance of series and continued fractions: the double epsilon, so that the
// truncation error stays well below the rounding error already present.
constexpr double kTol = DBL_EPSILON;
constexpr double kTiny = 1e-300;  // keeps Lentz's denominators away from 0
constexpr int kMaxIterations = 1000000;

bool Bad(double v) { return std::isnan(v) || v == kMissing; }

// Both tails at one point; the smaller one is computed directly, the larger as 1 - smaller.
struct Tails {
  double lower;
  double upper;
};

// ln(1 + u) - u. Near 0 through ln(1 + u) = 2 atanh(r), r = u / (2 + u): then
// ln(1 + u) - u = -r u + 2 (r^3 / 3 + r^5 / 5 + ...), a sum without cancellation that
// converges fast (|r| <= 1/3 for |u| <= 1/2). Far from 0 the direct form is accurate.
double Log1pmx(double u) {
  if (std::fabs(u) > 0.5) return std::log1p(u) - u;
  const double r = u / (2.0 + u);
  const double r2 = r * r;
  double power = r * r2;
  double sum = 0.0;
  for (int k = 3; k < 200; k += 2) {
    const double term = power / k;
    sum += term;
    if (std::fabs(term) <= kTol * std::fabs(sum)) break;
    power *= r2;
  }
  return -r * u + 2.0 * sum;
}

// ln(z / z0) - u with u = z / z0 - 1 given accurately and logRatio = ln(z / z0) as well as it
// can be formed. Near the centre the small u carries the precision; far from it the logarithm.
double LogRatioMinusDev(double u, double logRatio) {
  if (std::fabs(u) <= 0.5) return Log1pmx(u);
  return logRatio - u;
}

// Taylor coefficients of ln Gamma(2 + z) = sum c_k z^k: c_1 = 1 - Euler's gamma,
// c_k = (-1)^k (zeta(k) - 1) / k. Used for |z| <= 1/2, where 30 terms reach 1e-19; around
// 2 (and, through ln Gamma(x) = ln Gamma(x + 1) - ln x, around 1) this keeps the relative
// accuracy where ln Gamma passes through 0, which a Stirling or Lanczos form loses.
constexpr double kLogGammaAt2[] = {
    0.422784335098467139393,       0.322467033424113218236,      -0.0673523010531980951332,
    0.020580808427784547879,       -0.00738555102867398526627,   0.00289051033074152328575,
    -0.00119275391170326097711,    0.000509669524743042422336,   -0.000223154758453579379761,
    0.0000994575127818085337146,   -0.0000449262367381331417002, 0.0000205072127756706915532,
    -0.00000943948827526839590399, 0.00000437486678990748780418, -0.00000203921575380136623678,
    9.55141213040741983286e-7,     -4.49246919876456604329e-7,   2.12071848055546658692e-7,
    -1.00432248239680996087e-7,    4.76981016936398056576e-8,    -2.27110946089431649103e-8,
    1.08386592148969540911e-8,     -5.18347504197004665512e-9,   2.48367454380247831719e-9,
    -1.19214014058609120744e-9,    5.73136724167886201333e-10,   -2.75952288512423314518e-10,
    1.33047643742444894815e-10,    -6.42296456383810002208e-11,  3.10442477473222727624e-11,
};

// ln Gamma(2 + z) for |z| <= 1/2 (Horner on the series above).
double LogGammaNear2(double z) {
  constexpr int n = sizeof(kLogGammaAt2) / sizeof(kLogGammaAt2[0]);
  double sum = 0.0;
  for (int k = n - 1; k >= 0; --k) sum = sum * z + kLogGammaAt2[k];
  return sum * z;
}

// Stirling's remainder s(x) = ln Gamma(x) - [(x - 1/2) ln x - x + ln(2 pi) / 2]. For x >= 10 the
// asymptotic series B_2k / (2k (2k - 1) x^(2k - 1)); its 8 terms leave an error below 2e-18.
// Below 10 the defining difference, whose absolute error (~1e-15) is all that matters where
// s is used: inside an exponent.
double StirlingError(double x) {
  if (x >= 10.0) {
    constexpr double c[] = {0.0833333333333333333333,   -0.00277777777777777777778,
                            0.000793650793650793650794, -0.000595238095238095238095,
                            0.000841750841750841750842, -0.00191752691752691752692,
                            0.00641025641025641025641,  -0.0295506535947712418301};
    const double r = 1.0 / x;
    const double r2 = r * r;
    double sum = 0.0;
    for (int k = 7; k >= 0; --k) sum = sum * r2 + c[k];
    return sum * r;
  }
  return LogGamma(x) - ((x - 0.5) * std::log(x) - x + kHalfLog2Pi);
}

// ---- incomplete gamma ----

// x^a e^-x / Gamma(a), for a > 0 and 0 < x < inf. Below a = 10 the direct exponent, whose
// terms stay small. From 10 on, a ln x - x - lnGamma(a) would lose up to a * 1e-16 in the
// exponent (5e-11 at a = 5e5); instead
//   x^a e^-x / Gamma(a) = sqrt(a / 2 pi) exp(a (ln(1 + u) - u) - s(a)),  u = (x - a) / a,
// where every term is small and ln(1 + u) - u is formed without cancellation.
double GammaPrefix(double a, double x) {
  if (a < 10.0) return std::exp(a * std::log(x) - x - LogGamma(a));
  const double u = (x - a) / a;
  const double e = a * LogRatioMinusDev(u, std::log(x / a)) - StirlingError(a);
  return std::exp(0.5 * std::log(a) - kHalfLog2Pi + e);
}

// P(a, x) and Q(a, x) for a > 0, x >= 0. The power series gives P where it converges fast and P
// is the smaller tail (x <= a); Legendre's continued fraction (modified Lentz) gives Q
// elsewhere. The series is also kept for x < 1/4, where the fraction converges too slowly
// (only reached for a < 1/4, where Q = 1 - P then has absolute accuracy only).
bool GammaTails(double a, double x, Tails* out) {
  if (x == 0.0) {
    *out = {0.0, 1.0};
    return true;
  }
  if (std::isinf(x)) {
    *out = {1.0, 0.0};
    return true;
  }
  if (a == 1.0) {  // the exponential distribution: exact closed forms
    *out = {-std::expm1(-x), std::exp(-x)};
    return true;
  }
  const double prefix = GammaPrefix(a, x);
  if (x <= a || x < 0.25) {
    double term = 1.0;
    double sum = 1.0;
    int n = 1;
    for (; n < kMaxIterations; ++n) {
      term *= x / (a + n);
      sum += term;
      if (term <= kTol * sum) break;
    }
    if (n == kMaxIterations) return false;
    const double p = std::fmin(prefix / a * sum, 1.0);
    *out = {p, 1.0 - p};
    return true;
  }
  double b = x + 1.0 - a;
  double c = 1.0 / kTiny;
  double d = 1.0 / b;
  double h = d;
  int i = 1;
  for (; i < kMaxIterations; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double del = d * c;
    h *= del;
    if (std::fabs(del - 1.0) <= kTol) break;
  }
  if (i == kMaxIterations) return false;
  const double q = std::fmin(prefix * h, 1.0);
  *out = {1.0 - q, q};
  return true;
}

// ---- incomplete beta ----

// Where one of a, b is large and the other small, the continued fraction below subtracts
// numbers close to 1 at every step, and x or y sits within 1e-6 of 1, where a double keeps
// only ~10 significant digits of the distance to 1. Both would cost up to ~5e-11 in the
// result; evaluating the point and the fraction in long double (64-bit mantissa where the
// platform has it) keeps the error near 1e-14 at little cost.
using Wide = long double;

// A point of the beta distribution: x and y = 1 - x (wide, each as accurate as the caller
// can form it), their logarithms, and t = x (a + b) - a, the scaled distance from the centre
// a / (a + b). Callers that know the point through an F or t statistic form all of them
// from it, so that no rounding of x is magnified by large a or b.
struct BetaPoint {
  Wide x;
  Wide y;
  double t;
  double lnx;
  double lny;
};

BetaPoint MakePoint(Wide x, Wide y, double t) {
  return {x, y, t, static_cast<double>(std::log(x)), static_cast<double>(std::log(y))};
}
BetaPoint PointFromX(double a, double b, double x) {
  return MakePoint(x, 1.0L - x, std::fma(x, a + b, -a));
}
BetaPoint PointFromY(double a, double b, double y) {
  return MakePoint(1.0L - y, y, -std::fma(y, a + b, -b));
}

// x^a y^b / B(a, b). With c = a + b, Stirling's form of the three gamma functions gives
//   x^a y^b / B(a, b) = sqrt(ab / (2 pi c)) exp(a L(u) + b L(v) - s(a) - s(b) + s(c)),
// u = x c / a - 1 = t / a, v = y c / b - 1 = -t / b, L(u) = ln(1 + u) - u; exact for all
// a, b > 0, and free of the cancellation between ln Gamma values of size a ln a.
double BetaPowerTerm(double a, double b, const BetaPoint& pt) {
  const double c = a + b;
  const double e = a * LogRatioMinusDev(pt.t / a, pt.lnx + std::log(c / a)) +
                   b * LogRatioMinusDev(-pt.t / b, pt.lny + std::log(c / b));
  const double s = StirlingError(a) + StirlingError(b) - StirlingError(c);
  return std::exp(e - s + 0.5 * (std::log(a) + std::log(b) - std::log(c)) - kHalfLog2Pi);
}

// The continued fraction of I_x(a, b) (modified Lentz); I_x(a, b) = x^a y^b / (a B(a, b)) * cf.
// It converges fast for x < (a + 1) / (a + b + 2), the only place it is used. Its first
// denominator 1 - (a + b) x / (a + 1) is (1 - t) / (a + 1), taken from t without cancellation.
bool BetaFraction(double a, double b, Wide x, double t, double* cf) {
  const Wide qab = static_cast<Wide>(a) + b;
  const Wide qap = static_cast<Wide>(a) + 1;
  const Wide qam = static_cast<Wide>(a) - 1;
  const Wide tiny = kTiny;
  Wide c = 1;
  Wide d = (1 - static_cast<Wide>(t)) / qap;
  if (std::fabs(d) < tiny) d = tiny;
  d = 1 / d;
  Wide h = d;
  for (int m = 1; m < kMaxIterations; ++m) {
    const Wide m2 = 2 * m;
    Wide aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < tiny) d = tiny;
    c = 1 + aa / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1 / d;
    const Wide del = d * c;
    h *= del;
    if (std::fabs(del - 1) <= kTol) {
      *cf = static_cast<double>(h);
      return true;
    }
  }
  return false;
}

// I_x(a, b) and its complement. The fraction is evaluated for whichever of I_x(a, b) and
// I_y(b, a) = 1 - I_x(a, b) lies on its fast side, which is also the smaller tail.
bool BetaTails(double a, double b, const BetaPoint& pt, Tails* out) {
  if (pt.lnx == -kInf) {
    *out = {0.0, 1.0};
    return true;
  }
  if (pt.lny == -kInf) {
    *out = {1.0, 0.0};
    return true;
  }
  const double power = BetaPowerTerm(a, b, pt);
  double cf = 0.0;
  if (pt.x < (a + 1.0) / (a + b + 2.0)) {
    if (!BetaFraction(a, b, pt.x, pt.t, &cf)) return false;
    const double lower = std::fmin(power * cf / a, 1.0);
    *out = {lower, 1.0 - lower};
  } else {
    if (!BetaFraction(b, a, pt.y, -pt.t, &cf)) return false;
    const double upper = std::fmin(power * cf / b, 1.0);
    *out = {1.0 - upper, upper};
  }
  return true;
}

// The beta point of an F statistic: x = df1 f / (df2 + df1 f), y = df2 / (df2 + df1 f),
// t = a y (f - 1) with a = df1 / 2, all formed from f without cancellation.
BetaPoint FPoint(double f, double df1, double df2) {
  const Wide den = df2 + static_cast<Wide>(df1) * f;
  if (std::isfinite(den)) {
    const Wide y = df2 / den;
    return MakePoint(df1 * static_cast<Wide>(f) / den, y,
                     0.5 * df1 * static_cast<double>(y) * (f - 1.0));
  }
  // df1 f overflows (only where long double is no wider than double): use its reciprocal.
  const double r = (df2 / df1) / f;
  const double y = r / (1.0 + r);
  BetaPoint pt = MakePoint(1.0 / (1.0 + r), y, 0.5 * df1 * y * (f - 1.0));
  pt.lny = std::log(df2 / df1) - std::log(f) - std::log1p(r);
  return pt;
}

// The beta point of a t statistic for I(df / 2, 1 / 2): x = df / (df + t^2),
// y = t^2 / (df + t^2), t' = (df / 2)(1 - t^2) / (df + t^2).
BetaPoint TPoint(double t, double df) {
  const Wide at = std::fabs(t);
  const Wide den = df + at * at;
  if (std::isfinite(den)) {
    return MakePoint(df / den, at * at / den,
                     static_cast<double>(0.5L * df * ((1 - at) * (1 + at)) / den));
  }
  // t^2 overflows (only where long double is no wider than double): use df / t^2.
  const double w = (df / std::fabs(t)) / std::fabs(t);
  const double y = 1.0 / (1.0 + w);
  BetaPoint pt = MakePoint(w / (1.0 + w), y, -0.5 * df * y);
  pt.lnx = std::log(df) - 2.0 * std::log(std::fabs(t)) - std::log1p(w);
  return pt;
}

// Finds the point whose lower tail of I(a, b) is p and upper tail q (p + q = 1; the smaller of
// the two is the one matched, so that a tiny tail keeps its relative accuracy). The unknown is
// x when the solution lies at or below 1/2, else y, so that it is always formed exactly.
// Newton's method on ln(tail) - ln(target), whose derivative is the density over the tail,
// kept inside a bracket that shrinks every step; when Newton leaves the bracket the step is a
// bisection, geometric while the bracket spans orders of magnitude.
bool SolveBeta(double a, double b, double p, double q, BetaPoint* out) {
  Tails mid{};
  if (!BetaTails(a, b, PointFromX(a, b, 0.5), &mid)) return false;
  const bool matchLower = p <= q;
  const bool unknownIsX = matchLower ? mid.lower >= p : mid.upper <= q;
  const double target = matchLower ? p : q;
  // +1 when the matched tail grows with the unknown, -1 when it shrinks.
  const double sign = (unknownIsX == matchLower) ? 1.0 : -1.0;
  const double logTarget = std::log(target);
  const double a1 = unknownIsX ? a : b;  // the exponent of the unknown in the density
  auto pointAt = [&](double w) { return unknownIsX ? PointFromX(a, b, w) : PointFromY(a, b, w); };

  double lo = 0.0;
  double hi = 0.5;
  // Start: in the matched tail I ~ w^a1 / (a1 B(a, b)) when the unknown lies in that tail.
  double w = 0.25;
  if (sign > 0) {
    const double logB = LogGamma(a) + LogGamma(b) - LogGamma(a + b);
    const double guess = std::exp((logTarget + std::log(a1) + logB) / a1);
    if (guess > 0.0 && guess < hi) w = guess;
  }
  for (int it = 0; it < 2000; ++it) {
    const BetaPoint pt = pointAt(w);
    Tails tails{};
    if (!BetaTails(a, b, pt, &tails)) return false;
    const double tail = matchLower ? tails.lower : tails.upper;
    const double g = tail > 0.0 ? std::log(tail) - logTarget : -kInf;
    if (g == 0.0) break;
    if ((g > 0.0) == (sign > 0.0)) {
      hi = w;
    } else {
      lo = w;
    }
    // Newton: d ln(tail) / dw = sign * density / tail, density = power / (x y); the ratio
    // tail / power is formed first, as both may be far below the smallest double's square.
    double next = kInf;
    const double power = BetaPowerTerm(a, b, pt);
    if (std::isfinite(g) && power > 0.0) {
      next = w - sign * g * (tail / power) * static_cast<double>(pt.x * pt.y);
    }
    if (std::isfinite(next) && std::fabs(next - w) <= 2.0 * DBL_EPSILON * w) {
      w = next;
      break;
    }
    if (!(next > lo && next < hi)) {
      const double base = std::fmax(lo, DBL_MIN);
      next = (hi > 16.0 * base) ? std::sqrt(base) * std::sqrt(hi) : 0.5 * (lo + hi);
    }
    w = next;
    if (hi <= 2.0 * DBL_MIN) {  // the solution is below the smallest normal double
      w = 0.0;
      break;
    }
  }
  *out = pointAt(w);
  return true;
}

// Upper tail of the standard normal, 0.5 erfc(z / sqrt 2). The rounding of z / sqrt 2 alone
// would cost a relative error of about z^2 * 1e-16 (1e-13 at z = 37); it is corrected with the
// exact rounding residue and the logarithmic derivative of erfc.
double NormalUpperImpl(double z) {
  if (std::isinf(z)) return z > 0.0 ? 0.0 : 1.0;
  constexpr double kInvSqrt2Hi = 0.70710678118654757;     // 1 / sqrt 2 rounded to double
  constexpr double kInvSqrt2Lo = -4.833646656726457e-17;  // 1 / sqrt 2 - kInvSqrt2Hi
  const double u = z * kInvSqrt2Hi;
  const double delta = std::fma(z, kInvSqrt2Hi, -u) + z * kInvSqrt2Lo;  // exact u - rounded u
  const double e = std::erfc(u);
  if (e == 0.0) return 0.0;
  // d ln erfc(u) / du = -2 exp(-u^2) / (sqrt(pi) erfc(u)); for large u its asymptotic form.
  double dlog = 0.0;
  if (u > 5.0) {
    const double r = 1.0 / (u * u);
    dlog = -2.0 * u / (1.0 - 0.5 * r + 0.75 * r * r);
  } else {
    dlog = -2.0 * std::exp(-u * u) / (std::sqrt(kPi) * e);
  }
  return 0.5 * e * (1.0 + dlog * delta);
}

}  // namespace

// ---- special functions ----

double LogGamma(double x) {
  if (Bad(x) || x <= 0.0 || std::isinf(x)) return kMissing;
  if (x < 0.5) return LogGammaNear2(x) - std::log(x) - std::log1p(x);  // Gamma(x + 2) / x(x + 1)
  if (x < 1.5) return LogGammaNear2(x - 1.0) - std::log1p(x - 1.0);    // Gamma(x + 1) / x
  if (x <= 2.5) return LogGammaNear2(x - 2.0);
  if (x < 10.0) {  // Gamma(x) = (x - 1) ... (x - n) Gamma(x - n), x - n in (1.5, 2.5]
    double y = x;
    double product = 1.0;
    while (y > 2.5) {
      y -= 1.0;
      product *= y;
    }
    return LogGammaNear2(y - 2.0) + std::log(product);
  }
  return (x - 0.5) * std::log(x) - x + kHalfLog2Pi + StirlingError(x);
}

double IncompleteGammaP(double a, double x) {
  if (Bad(a) || Bad(x) || a <= 0.0 || std::isinf(a) || x < 0.0) return kMissing;
  Tails tails{};
  return GammaTails(a, x, &tails) ? tails.lower : kMissing;
}

double IncompleteGammaQ(double a, double x) {
  if (Bad(a) || Bad(x) || a <= 0.0 || std::isinf(a) || x < 0.0) return kMissing;
  Tails tails{};
  return GammaTails(a, x, &tails) ? tails.upper : kMissing;
}

namespace {
bool BetaArgsValid(double a, double b, double x) {
  return !Bad(a) && !Bad(b) && !Bad(x) && a > 0.0 && b > 0.0 && std::isfinite(a) &&
         std::isfinite(b) && x >= 0.0 && x <= 1.0;
}
bool DfValid(double df) { return !Bad(df) && df > 0.0 && std::isfinite(df); }
}  // namespace

double IncompleteBeta(double a, double b, double x) {
  if (!BetaArgsValid(a, b, x)) return kMissing;
  Tails tails{};
  return BetaTails(a, b, PointFromX(a, b, x), &tails) ? tails.lower : kMissing;
}

double IncompleteBetaComplement(double a, double b, double x) {
  if (!BetaArgsValid(a, b, x)) return kMissing;
  Tails tails{};
  return BetaTails(a, b, PointFromX(a, b, x), &tails) ? tails.upper : kMissing;
}

double InverseIncompleteBeta(double a, double b, double p) {
  if (!BetaArgsValid(a, b, p)) return kMissing;
  if (p == 0.0) return 0.0;
  if (p == 1.0) return 1.0;
  BetaPoint pt{};
  return SolveBeta(a, b, p, 1.0 - p, &pt) ? static_cast<double>(pt.x) : kMissing;
}

// ---- chi-square ----

double ChiSquareCdf(double x, double df) {
  if (Bad(x) || !DfValid(df)) return kMissing;
  if (x <= 0.0) return 0.0;
  return IncompleteGammaP(0.5 * df, 0.5 * x);
}

double ChiSquareUpper(double x, double df) {
  if (Bad(x) || !DfValid(df)) return kMissing;
  if (x <= 0.0) return 1.0;
  return IncompleteGammaQ(0.5 * df, 0.5 * x);
}

// ---- F ----

namespace {
// Both tails of the F distribution at f > 0.
double FTail(double f, double df1, double df2, bool upper) {
  if (std::isinf(f)) return upper ? 0.0 : 1.0;
  Tails tails{};
  if (!BetaTails(0.5 * df1, 0.5 * df2, FPoint(f, df1, df2), &tails)) return kMissing;
  return upper ? tails.upper : tails.lower;
}

double FFromPoint(const BetaPoint& pt, double df1, double df2) {
  if (pt.y <= 0.0) return kMissing;  // beyond the largest double
  const Wide f = (pt.x / pt.y) * (static_cast<Wide>(df2) / df1);
  return f > DBL_MAX ? kMissing : static_cast<double>(f);
}
}  // namespace

double FCdf(double f, double df1, double df2) {
  if (Bad(f) || !DfValid(df1) || !DfValid(df2)) return kMissing;
  if (f <= 0.0) return 0.0;
  return FTail(f, df1, df2, false);
}

double FUpper(double f, double df1, double df2) {
  if (Bad(f) || !DfValid(df1) || !DfValid(df2)) return kMissing;
  if (f <= 0.0) return 1.0;
  return FTail(f, df1, df2, true);
}

double FInverse(double p, double df1, double df2) {
  if (Bad(p) || !DfValid(df1) || !DfValid(df2) || p < 0.0 || p >= 1.0) return kMissing;
  if (p == 0.0) return 0.0;
  BetaPoint pt{};
  if (!SolveBeta(0.5 * df1, 0.5 * df2, p, 1.0 - p, &pt)) return kMissing;
  return FFromPoint(pt, df1, df2);
}

double FUpperInverse(double q, double df1, double df2) {
  if (Bad(q) || !DfValid(df1) || !DfValid(df2) || q <= 0.0 || q > 1.0) return kMissing;
  if (q == 1.0) return 0.0;
  BetaPoint pt{};
  if (!SolveBeta(0.5 * df1, 0.5 * df2, 1.0 - q, q, &pt)) return kMissing;
  return FFromPoint(pt, df1, df2);
}

// ---- Student t ----

double TTwoSided(double t, double df) {
  if (Bad(t) || !DfValid(df)) return kMissing;
  if (t == 0.0) return 1.0;
  const double at = std::fabs(t);
  if (std::isinf(at)) return 0.0;
  if (df == 1.0) {  // the Cauchy distribution: P(|T| > t) = 2 atan(1 / t) / pi
    return at >= 1.0 ? 2.0 * std::atan(1.0 / at) / kPi : 1.0 - 2.0 * std::atan(at) / kPi;
  }
  // P(|T| > |t|) = I_x(df / 2, 1 / 2) with x = df / (df + t^2).
  Tails tails{};
  if (!BetaTails(0.5 * df, 0.5, TPoint(at, df), &tails)) return kMissing;
  return tails.lower;
}

double TCdf(double t, double df) {
  if (Bad(t) || !DfValid(df)) return kMissing;
  if (t == 0.0) return 0.5;
  const double twoSided = TTwoSided(t, df);
  if (twoSided == kMissing) return kMissing;
  return t > 0.0 ? 1.0 - 0.5 * twoSided : 0.5 * twoSided;
}

// ---- normal ----

double NormalCdf(double z) {
  if (Bad(z)) return kMissing;
  return NormalUpperImpl(-z);
}

double NormalUpper(double z) {
  if (Bad(z)) return kMissing;
  return NormalUpperImpl(z);
}

double NormalCdf(double x, double mu, double sigma) {
  if (Bad(x) || Bad(mu) || Bad(sigma) || !std::isfinite(mu) || !std::isfinite(sigma) ||
      sigma <= 0.0) {
    return kMissing;
  }
  return NormalUpperImpl(-(x - mu) / sigma);
}

// Wichura's AS 241 (PPND16): rational approximations in three ranges of |p - 1/2|, accurate to
// about 1e-16 relative.
double NormalInverse(double p) {
  if (Bad(p) || !(p > 0.0 && p < 1.0)) return kMissing;
  const double q = p - 0.5;
  if (std::fabs(q) <= 0.425) {
    const double r = 0.180625 - q * q;
    return q *
           (((((((2.5090809287301226727e+3 * r + 3.3430575583588128105e+4) * r +
                 6.7265770927008700853e+4) *
                    r +
                4.5921953931549871457e+4) *
                   r +
               1.3731693765509461125e+4) *
                  r +
              1.9715909503065514427e+3) *
                 r +
             1.3314166789178437745e+2) *
                r +
            3.3871328727963666080e+0) /
           (((((((5.2264952788528545610e+3 * r + 2.8729085735721942674e+4) * r +
                 3.9307895800092710610e+4) *
                    r +
                2.1213794301586595867e+4) *
                   r +
               5.3941960214247511077e+3) *
                  r +
              6.8718700749205790830e+2) *
                 r +
             4.2313330701600911252e+1) *
                r +
            1.0);
  }
  double r = q < 0.0 ? p : 1.0 - p;
  r = std::sqrt(-std::log(r));
  double value = 0.0;
  if (r <= 5.0) {
    r -= 1.6;
    value = (((((((7.74545014278341407640e-4 * r + 2.27238449892691845833e-2) * r +
                  2.41780725177450611770e-1) *
                     r +
                 1.27045825245236838258e+0) *
                    r +
                3.64784832476320460504e+0) *
                   r +
               5.76949722146069140550e+0) *
                  r +
              4.63033784615654529590e+0) *
                 r +
             1.42343711074968357734e+0) /
            (((((((1.05075007164441684324e-9 * r + 5.47593808499534494600e-4) * r +
                  1.51986665636164571966e-2) *
                     r +
                 1.48103976427480074590e-1) *
                    r +
                6.89767334985100004550e-1) *
                   r +
               1.67638483018380384940e+0) *
                  r +
              2.05319162663775882187e+0) *
                 r +
             1.0);
  } else {
    r -= 5.0;
    value = (((((((2.01033439929228813265e-7 * r + 2.71155556874348757815e-5) * r +
                  1.24266094738807843860e-3) *
                     r +
                 2.65321895265761230930e-2) *
                    r +
                2.96560571828504891230e-1) *
                   r +
               1.78482653991729133580e+0) *
                  r +
              5.46378491116411436990e+0) *
                 r +
             6.65790464350110377720e+0) /
            (((((((2.04426310338993978564e-15 * r + 1.42151175831644588870e-7) * r +
                  1.84631831751005468180e-5) *
                     r +
                 7.86869131145613259100e-4) *
                    r +
                1.48753612908506148525e-2) *
                   r +
               1.36929880922735805310e-1) *
                  r +
              5.99832206555887937690e-1) *
                 r +
             1.0);
  }
  return q < 0.0 ? -value : value;
}

double NormalInverse(double p, double mu, double sigma) {
  if (Bad(mu) || Bad(sigma) || !std::isfinite(mu) || !std::isfinite(sigma) || sigma <= 0.0) {
    return kMissing;
  }
  const double z = NormalInverse(p);
  return z == kMissing ? kMissing : mu + sigma * z;
}

}  // namespace FSDist
