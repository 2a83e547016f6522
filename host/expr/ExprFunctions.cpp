#include "host/expr/ExprFunctions.h"

#include <utf8proc.h>

#include <cassert>
#include <cmath>

#include "host/common/StringHelpers.h"
#include "host/common/ZiraTypes.h"
#include "host/expr/ExprFormat.h"

namespace {

constexpr double kSys = MCMV::gMissingValue;
constexpr double kSecondsPerDay = 86400.0;
// TRUNC and RND add a relative fuzz of 2^-47 (the six least significant bits of a double)
// before cutting, so that 1.005 / 0.01 = 100.49999999999999 still rounds to 101 and
// 2.9999999999999996 truncates to 3, as a user reading the decimal values expects.
const double kFuzz = std::ldexp(1.0, -47);

constexpr ExprFnInfo kFunctions[] = {
    {"MISSING", ExprFn::kMissing, 1, 1, "a", 'n', "MISSING(value)"},
    {"SYSMIS", ExprFn::kSysmis, 1, 1, "n", 'n', "SYSMIS(number)"},
    {"VALUE", ExprFn::kValue, 1, 1, "a", '1', "VALUE(variable)"},
    {"ANY", ExprFn::kAny, 2, -1, "a=", 'n', "ANY(value, item1, item2, ...)"},
    {"RANGE", ExprFn::kRange, 3, -1, "a=", 'n', "RANGE(value, low1, high1, low2, high2, ...)"},
    {"ABS", ExprFn::kAbs, 1, 1, "n", 'n', "ABS(number)"},
    {"MOD", ExprFn::kMod, 2, 2, "nn", 'n', "MOD(number, divisor)"},
    {"TRUNC", ExprFn::kTrunc, 1, 1, "n", 'n', "TRUNC(number)"},
    {"RND", ExprFn::kRnd, 1, 2, "nn", 'n', "RND(number[, multiple])"},
    {"LENGTH", ExprFn::kLength, 1, 1, "s", 'n', "LENGTH(string)"},
    {"UPCASE", ExprFn::kUpcase, 1, 1, "s", 's', "UPCASE(string)"},
    {"LOWER", ExprFn::kLower, 1, 1, "s", 's', "LOWER(string)"},
    {"LOWCASE", ExprFn::kLower, 1, 1, "s", 's', "LOWCASE(string)"},
    {"TRIM", ExprFn::kTrim, 1, 2, "ss", 's', "TRIM(string[, character])"},
    {"LTRIM", ExprFn::kLtrim, 1, 2, "ss", 's', "LTRIM(string[, character])"},
    {"RTRIM", ExprFn::kRtrim, 1, 2, "ss", 's', "RTRIM(string[, character])"},
    {"SUBSTR", ExprFn::kSubstr, 2, 3, "snn", 's', "SUBSTR(string, position[, length])"},
    {"INDEX", ExprFn::kIndex, 2, 2, "ss", 'n', "INDEX(string, part)"},
    {"CONCAT", ExprFn::kConcat, 1, -1, "s", 's', "CONCAT(string1, string2, ...)"},
    {"NUMBER", ExprFn::kNumber, 2, 2, "sf", 'n', "NUMBER(string, format)"},
    {"STRING", ExprFn::kString, 2, 2, "nf", 's', "STRING(number, format)"},
    {"DATE.YMD", ExprFn::kDateYmd, 3, 3, "nnn", 'n', "DATE.YMD(year, month, day)"},
    {"DATE.DMY", ExprFn::kDateDmy, 3, 3, "nnn", 'n', "DATE.DMY(day, month, year)"},
    {"DATE.MDY", ExprFn::kDateMdy, 3, 3, "nnn", 'n', "DATE.MDY(month, day, year)"},
    {"TIME.HMS", ExprFn::kTimeHms, 1, 3, "nnn", 'n', "TIME.HMS(hours[, minutes[, seconds]])"},
    {"YEAR", ExprFn::kYear, 1, 1, "n", 'n', "YEAR(date)"},
    {"XDATE.YEAR", ExprFn::kYear, 1, 1, "n", 'n', "XDATE.YEAR(date)"},
    {"MONTH", ExprFn::kMonth, 1, 1, "n", 'n', "MONTH(date)"},
    {"XDATE.MONTH", ExprFn::kMonth, 1, 1, "n", 'n', "XDATE.MONTH(date)"},
    {"DAY", ExprFn::kDay, 1, 1, "n", 'n', "DAY(date)"},
    {"XDATE.MDAY", ExprFn::kDay, 1, 1, "n", 'n', "XDATE.MDAY(date)"},
};

double Cut(double x, double half) {
  double a = std::fabs(x);
  double r = std::floor(a + half + a * kFuzz);
  return x < 0 ? -r : r;
}

// The year, month or day (which = 0, 1, 2) of a date value.
double DatePart(double v, int which) {
  if (v == kSys) return kSys;
  double days = std::floor(v / kSecondsPerDay);
  // Day numbers of the years 1 to 9999; anything beyond is not a date.
  if (!(days >= -719162 && days <= 2932896)) return kSys;
  long long y = 0;
  int m = 0, d = 0;
  CivilFromDays(static_cast<long long>(days), &y, &m, &d);
  return which == 0 ? static_cast<double>(y) : which == 1 ? m : d;
}

// A finite result, or system-missing for overflow and undefined results.
double Finite(double v) { return std::isfinite(v) ? v : kSys; }

}  // namespace

const ExprFnInfo* FindExprFunction(std::string_view name) {
  for (const auto& f : kFunctions)
    if (AreStringsEqualCase(name, f.name)) return &f;
  return nullptr;
}

char ExprFnArgLetter(const ExprFnInfo& info, int index) {
  std::string_view letters(info.args);
  assert(!letters.empty() && "host/expr/ExprFunctions: argument letters");
  return letters[std::min<size_t>(static_cast<size_t>(index), letters.size() - 1)];
}

double CallNumericFunction(ExprFn fn, const double* a, int n) {
  switch (fn) {
    case ExprFn::kMissing:
    case ExprFn::kSysmis:
      return a[0] == kSys ? 1.0 : 0.0;
    case ExprFn::kAny:
    case ExprFn::kRange: {
      if (a[0] == kSys) return kSys;
      bool unknown = false;
      int step = fn == ExprFn::kAny ? 1 : 2;
      for (int i = 1; i + step - 1 < n; i += step) {
        double lo = a[i], hi = a[i + step - 1];
        if (lo == kSys || hi == kSys) {
          unknown = true;
        } else if (lo <= a[0] && a[0] <= hi) {
          return 1.0;
        }
      }
      return unknown ? kSys : 0.0;
    }
    case ExprFn::kAbs:
      return a[0] == kSys ? kSys : std::fabs(a[0]);
    case ExprFn::kMod:
      // The remainder takes the sign of the dividend: MOD(-7, 3) is -1.
      if (a[0] == kSys || a[1] == kSys || a[1] == 0) return kSys;
      return Finite(std::fmod(a[0], a[1]));
    case ExprFn::kTrunc:
      return a[0] == kSys ? kSys : Cut(a[0], 0.0);
    case ExprFn::kRnd: {
      // Halves round away from zero: RND(2.5) is 3, RND(-2.5) is -3.
      if (a[0] == kSys) return kSys;
      if (n < 2) return Cut(a[0], 0.5);
      if (a[1] == kSys || a[1] == 0) return kSys;
      double m = std::fabs(a[1]);
      return Finite(Cut(a[0] / m, 0.5) * m);
    }
    case ExprFn::kDateYmd:
      return DateValue(a[0], a[1], a[2]);
    case ExprFn::kDateDmy:
      return DateValue(a[2], a[1], a[0]);
    case ExprFn::kDateMdy:
      return DateValue(a[2], a[0], a[1]);
    case ExprFn::kTimeHms: {
      double s = 0;
      for (int i = 0; i < n; ++i) {
        if (a[i] == kSys) return kSys;
        s += a[i] * (i == 0 ? 3600.0 : i == 1 ? 60.0 : 1.0);
      }
      return Finite(s);
    }
    case ExprFn::kYear:
      return DatePart(a[0], 0);
    case ExprFn::kMonth:
      return DatePart(a[0], 1);
    case ExprFn::kDay:
      return DatePart(a[0], 2);
    default:
      assert(false && "host/expr/ExprFunctions: not a numeric function of numbers");
      return kSys;
  }
}

std::string_view RightTrimBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

int CompareExprStrings(std::string_view a, std::string_view b) {
  a = RightTrimBlanks(a);
  b = RightTrimBlanks(b);
  // std::string_view::compare goes through char_traits<char>, which compares as unsigned char.
  return a.compare(b);
}

void ChangeLetterCase(std::string_view in, bool upper, std::string* out) {
  out->clear();
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(in.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(in.size());
  while (left > 0) {
    if (*p < 0x80) {
      char c = static_cast<char>(*p);
      if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      out->push_back(c);
      ++p;
      --left;
      continue;
    }
    utf8proc_int32_t cp = 0;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {  // not UTF-8: the byte is kept
      out->push_back(static_cast<char>(*p));
      ++p;
      --left;
      continue;
    }
    utf8proc_uint8_t buf[4];
    utf8proc_ssize_t w =
        utf8proc_encode_char(upper ? utf8proc_toupper(cp) : utf8proc_tolower(cp), buf);
    out->append(reinterpret_cast<const char*>(buf), static_cast<size_t>(w));
    p += n;
    left -= n;
  }
}

std::string_view Substring(std::string_view s, double pos, double len) {
  if (pos == kSys || !(pos >= 1) || pos > static_cast<double>(s.size())) return {};
  size_t start = static_cast<size_t>(pos) - 1;
  size_t count = s.size() - start;
  if (len != kSys) {
    if (!(len >= 1)) return {};
    if (len < static_cast<double>(count)) count = static_cast<size_t>(len);
  }
  return s.substr(start, count);
}

double IndexOf(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return 0;
  size_t at = haystack.find(needle);
  return at == std::string_view::npos ? 0.0 : static_cast<double>(at + 1);
}

std::string_view TrimChar(std::string_view s, char pad, bool left, bool right) {
  if (left)
    while (!s.empty() && s.front() == pad) s.remove_prefix(1);
  if (right)
    while (!s.empty() && s.back() == pad) s.remove_suffix(1);
  return s;
}
