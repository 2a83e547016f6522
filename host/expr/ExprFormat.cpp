#include "host/expr/ExprFormat.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/common/ZiraTypes.h"

namespace {

constexpr const char* kMonthNames[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                         "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr double kSecondsPerDay = 86400.0;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsDateSeparator(char c) { return c == '-' || c == '/' || c == '.' || c == ' ' || c == ','; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsLeapYear(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(long long y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// A date pattern: three fields of y, m (or mmm) and d separated by one separator character.
bool ParseDatePattern(std::string_view spec, ExprFormat* f) {
  ExprFormat out;
  out.kind = ExprFmtKind::kDate;
  int fields = 0;
  bool seen[3] = {false, false, false};
  size_t i = 0;
  while (i < spec.size()) {
    char c = static_cast<char>(Upper(spec[i]));
    size_t j = i;
    while (j < spec.size() && Upper(spec[j]) == c) ++j;
    size_t run = j - i;
    int slot = c == 'Y' ? 0 : c == 'M' ? 1 : c == 'D' ? 2 : -1;
    if (slot < 0 || seen[slot] || fields == 3) return false;
    if ((c == 'Y' && run != 4) || (c == 'D' && run != 2) || (c == 'M' && run != 2 && run != 3))
      return false;
    seen[slot] = true;
    out.order[fields++] = static_cast<char>(c - 'A' + 'a');
    if (c == 'M') out.monthName = run == 3;
    if (j < spec.size()) {
      if (fields == 3 || !IsDateSeparator(spec[j]) || spec[j] == ',') return false;
      if (fields == 2 && spec[j] != out.separator) return false;
      out.separator = spec[j];
      ++j;
      if (j == spec.size()) return false;
    } else if (fields != 3) {
      return false;
    }
    i = j;
  }
  if (fields != 3) return false;
  out.width = out.monthName ? 11 : 10;
  out.decimals = 0;
  *f = out;
  return true;
}

// Reads an optionally signed decimal number that fills the whole text.
bool ReadPlainNumber(std::string_view s, double* value) {
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !(IsDigit(s.front()) || s.front() == '.')) return false;  // no inf, nan
  double v = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), v);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
  *value = negative ? -v : v;
  return true;
}

bool ReadDate(std::string_view s, const ExprFormat& f, double* value) {
  double parts[3] = {0, 0, 0};  // year, month, day
  size_t i = 0;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (i == s.size() || !IsDateSeparator(s[i])) return false;
      while (i < s.size() && IsDateSeparator(s[i])) ++i;
    }
    int slot = f.order[k] == 'y' ? 0 : f.order[k] == 'm' ? 1 : 2;
    size_t begin = i;
    if (slot == 1 && i < s.size() && !IsDigit(s[i])) {  // a month name: its first three letters
      while (i < s.size() && !IsDigit(s[i]) && !IsDateSeparator(s[i])) ++i;
      if (i - begin < 3) return false;
      int month = 0;
      for (int m = 0; m < 12 && month == 0; ++m) {
        bool same = true;
        for (int c = 0; c < 3; ++c) same = same && Upper(s[begin + c]) == kMonthNames[m][c];
        if (same) month = m + 1;
      }
      if (month == 0) return false;
      parts[1] = month;
      continue;
    }
    while (i < s.size() && IsDigit(s[i]) && i - begin < 4) ++i;
    if (i == begin || (i < s.size() && IsDigit(s[i]))) return false;
    int n = 0;
    std::from_chars(s.data() + begin, s.data() + i, n);
    parts[slot] = n;
  }
  if (i != s.size()) return false;
  double v = DateValue(parts[0], parts[1], parts[2]);
  if (v == MCMV::gMissingValue) return false;
  *value = v;
  return true;
}

void RightAlign(const char* text, int len, int width, std::string* out) {
  out->clear();
  if (len > width) {
    out->append(static_cast<size_t>(width), '*');
    return;
  }
  out->append(static_cast<size_t>(width - len), ' ');
  out->append(text, static_cast<size_t>(len));
}

// Inserts thousands separators into the integer digits of a plain number.
int AddCommas(const char* in, int len, char* out, int cap) {
  int digitsStart = in[0] == '-' ? 1 : 0;
  int intEnd = digitsStart;
  while (intEnd < len && IsDigit(in[intEnd])) ++intEnd;
  int n = 0;
  for (int i = 0; i < len && n < cap - 1; ++i) {
    if (i > digitsStart && i < intEnd && (intEnd - i) % 3 == 0) out[n++] = ',';
    out[n++] = in[i];
  }
  return n;
}

}  // namespace

bool ParseExprFormat(std::string_view spec, ExprFormat* out, std::string* error) {
  assert(out && error && "host/expr/ExprFormat: out and error");
  spec = TrimBlanks(spec);
  bool hasDigit = spec.find_first_of("0123456789") != std::string_view::npos;
  if (!hasDigit && spec.find_first_of("-/. ") != std::string_view::npos) {
    if (ParseDatePattern(spec, out)) return true;
    *error = "unknown format " + std::string(spec) +
             " (a date pattern has yyyy, mm or mmm, and dd, separated by - / . or a blank)";
    return false;
  }
  size_t letters = 0;
  while (letters < spec.size() && !IsDigit(spec[letters])) ++letters;
  std::string name;
  for (size_t i = 0; i < letters; ++i) name.push_back(Upper(spec[i]));
  int width = 0, decimals = 0;
  std::string_view rest = spec.substr(letters);
  const char* p = rest.data();
  const char* end = rest.data() + rest.size();
  if (p != end) {
    auto r = std::from_chars(p, end, width);
    p = r.ptr;
    if (r.ec != std::errc()) width = -1;
    if (p != end && *p == '.') {
      auto r2 = std::from_chars(p + 1, end, decimals);
      if (r2.ec != std::errc() || r2.ptr == p + 1) decimals = -1;
      p = r2.ptr;
    }
    if (p != end || width < 0 || decimals < 0) {
      *error = "malformed format " + std::string(spec) + " (write it like F8.2)";
      return false;
    }
  }
  ExprFormat f;
  f.width = width;
  f.decimals = decimals;
  const char* datePattern = name == "SDATE"   ? "yyyy/mm/dd"
                            : name == "ADATE" ? "mm/dd/yyyy"
                            : name == "EDATE" ? "dd.mm.yyyy"
                            : name == "DATE"  ? "dd-mmm-yyyy"
                                              : nullptr;
  if (datePattern) {
    ParseDatePattern(datePattern, &f);
    if ((width != 0 && width < f.width) || decimals != 0) {
      *error = "format " + std::string(spec) + " needs a width of at least " +
               std::to_string(f.width) + " and no decimals";
      return false;
    }
    *out = f;
    return true;
  }
  int minWidth = 1, maxWidth = 40;
  if (name == "F") {
    f.kind = ExprFmtKind::kF;
  } else if (name == "N") {
    f.kind = ExprFmtKind::kN;
  } else if (name == "COMMA") {
    f.kind = ExprFmtKind::kComma;
  } else if (name == "E") {
    f.kind = ExprFmtKind::kE;
    minWidth = 6;
  } else if (name == "A") {
    f.kind = ExprFmtKind::kA;
    maxWidth = 32767;
  } else {
    *error = "unknown format " + std::string(spec) +
             " (known: F, N, COMMA, E, A, SDATE, ADATE, EDATE, DATE and date patterns)";
    return false;
  }
  if (width < minWidth || width > maxWidth) {
    *error = "the width of format " + std::string(spec) + " must be from " +
             std::to_string(minWidth) + " to " + std::to_string(maxWidth);
    return false;
  }
  bool noDecimals = f.kind == ExprFmtKind::kN || f.kind == ExprFmtKind::kA;
  if ((noDecimals && decimals != 0) || decimals > 16 || (decimals > 0 && decimals >= width)) {
    *error = "format " + std::string(spec) + " has too many decimals for its width";
    return false;
  }
  *out = f;
  return true;
}

bool ReadFormatted(std::string_view text, const ExprFormat& format, double* value) {
  std::string_view s = TrimBlanks(text);
  if (s.empty()) return false;
  switch (format.kind) {
    case ExprFmtKind::kF:
    case ExprFmtKind::kE:
      return ReadPlainNumber(s, value);
    case ExprFmtKind::kComma: {
      char buf[128];
      size_t n = 0;
      for (char c : s) {
        if (c == ',') continue;
        if (n == sizeof buf) return false;
        buf[n++] = c;
      }
      return ReadPlainNumber(std::string_view(buf, n), value);
    }
    case ExprFmtKind::kN:
      for (char c : s)
        if (!IsDigit(c)) return false;
      return ReadPlainNumber(s, value);
    case ExprFmtKind::kDate:
      return ReadDate(s, format, value);
    case ExprFmtKind::kA:
      return false;
  }
  return false;
}

int FormattedWidth(const ExprFormat& format) {
  if (format.kind == ExprFmtKind::kDate) return format.monthName ? 11 : 10;
  return format.width;
}

void WriteFormatted(double value, const ExprFormat& f, std::string* out) {
  assert(out && f.IsNumeric() && "host/expr/ExprFormat: numeric format");
  int width = FormattedWidth(f);
  if (value == MCMV::gMissingValue || !std::isfinite(value)) {
    RightAlign(".", 1, width, out);
    return;
  }
  char buf[512];
  int len = 0;
  switch (f.kind) {
    case ExprFmtKind::kF:
    case ExprFmtKind::kComma: {
      // Drop decimals until the number fits; asterisks when even the integer does not.
      for (int d = f.decimals; d >= 0; --d) {
        char plain[400];
        int n = std::abs(value) < 1e300 ? std::snprintf(plain, sizeof plain, "%.*f", d, value)
                                        : static_cast<int>(sizeof plain);
        if (n >= static_cast<int>(sizeof plain)) {
          len = width + 1;
          break;
        }
        len = f.kind == ExprFmtKind::kComma ? AddCommas(plain, n, buf, sizeof buf)
                                            : (std::memcpy(buf, plain, static_cast<size_t>(n)), n);
        if (len <= width) break;
      }
      break;
    }
    case ExprFmtKind::kN: {
      double r = std::round(value);
      if (r < 0 || r >= 1e40) {
        len = width + 1;
        break;
      }
      len = std::snprintf(buf, sizeof buf, "%0*.0f", width, r);
      break;
    }
    case ExprFmtKind::kE:
      len = std::snprintf(buf, sizeof buf, "%.*E", f.decimals, value);
      break;
    case ExprFmtKind::kDate: {
      long long y = 0;
      int m = 0, d = 0;
      double days = std::floor(value / kSecondsPerDay);
      if (std::abs(days) > 4e6) {
        len = width + 1;
        break;
      }
      CivilFromDays(static_cast<long long>(days), &y, &m, &d);
      if (y < 1 || y > 9999) {
        len = width + 1;
        break;
      }
      for (int k = 0; k < 3; ++k) {
        if (k > 0) buf[len++] = f.separator;
        if (f.order[k] == 'y') len += std::snprintf(buf + len, 8, "%04lld", y);
        if (f.order[k] == 'd') len += std::snprintf(buf + len, 8, "%02d", d);
        if (f.order[k] == 'm' && f.monthName)
          len += std::snprintf(buf + len, 8, "%s", kMonthNames[m - 1]);
        if (f.order[k] == 'm' && !f.monthName) len += std::snprintf(buf + len, 8, "%02d", m);
      }
      break;
    }
    case ExprFmtKind::kA:
      break;
  }
  RightAlign(buf, len, width, out);
}

bool IsValidCivilDate(double year, double month, double day) {
  if (!(year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31))
    return false;
  if (year != std::floor(year) || month != std::floor(month) || day != std::floor(day))
    return false;
  return day <= DaysInMonth(static_cast<long long>(year), static_cast<int>(month));
}


double DateValue(double year, double month, double day) {
  if (!IsValidCivilDate(year, month, day)) return MCMV::gMissingValue;
  return static_cast<double>(DaysFromCivil(static_cast<long long>(year), static_cast<int>(month),
                                           static_cast<int>(day))) *
         kSecondsPerDay;
}
