#include "host/io/ValueText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly n digits at p.
bool Digits(const char* p, int n, int* out) {
  int v = 0;
  for (int i = 0; i < n; ++i) {
    if (!IsDigit(p[i])) return false;
    v = v * 10 + (p[i] - '0');
  }
  *out = v;
  return true;
}

int DaysInMonth(long long y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

bool CheckDate(int y, int m, int d) {
  return y >= 1 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

// Seconds of "ss" or "ss.fraction" (the whole text).
bool ReadSeconds(std::string_view t, double* out) {
  if (t.size() < 2 || !IsDigit(t[0]) || !IsDigit(t[1])) return false;
  if (t.size() > 2 && (t[2] != '.' || t.size() == 3)) return false;
  for (size_t i = 3; i < t.size(); ++i)
    if (!IsDigit(t[i])) return false;
  double s = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), s);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || s >= 61) return false;
  *out = s >= 60 ? s - 1 : s;  // a leap second reads as the 59th
  return true;
}

// Parses "YYYY-MM-DD" at the start of t into days.
bool ReadDate(std::string_view t, long long* days) {
  int y, m, d;
  if (t.size() < 10 || t[4] != '-' || t[7] != '-') return false;
  if (!Digits(t.data(), 4, &y) || !Digits(t.data() + 5, 2, &m) || !Digits(t.data() + 8, 2, &d))
    return false;
  if (!CheckDate(y, m, d)) return false;
  *days = DaysFromCivil(y, m, d);
  return true;
}

size_t PutDate(long long days, char* buf) {
  long long y;
  int m, d;
  CivilFromDays(days, &y, &m, &d);
  if (y < 1 || y > 9999) return 0;
  return static_cast<size_t>(std::snprintf(buf, kIsoTextMax, "%04lld-%02d-%02d", y, m, d));
}

// Writes hh:mm:ss[.fraction] for tod in [0, 86400); the fraction gets as few digits as read
// back to the same value through `check`.
template <typename Check>
size_t PutTime(double tod, char* buf, Check check) {
  double whole = std::floor(tod);
  long long s = static_cast<long long>(whole);
  int n = std::snprintf(buf, kIsoTextMax, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  if (whole == tod) return static_cast<size_t>(n);
  for (int digits = 1; digits <= 9; ++digits) {
    char frac[24];
    std::snprintf(frac, sizeof frac, "%.*f", digits, tod - whole);
    if (frac[0] != '0') break;  // rounded up to a whole second: give up
    int len = std::snprintf(buf + n, kIsoTextMax - static_cast<size_t>(n), "%s", frac + 1);
    if (check(static_cast<size_t>(n + len))) return static_cast<size_t>(n + len);
  }
  return 0;
}

}  // namespace


bool ParseFormatCode(std::string_view text, ZiraFormat* out) {
  size_t i = 0;
  while (i < text.size() &&
         ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z')))
    ++i;
  std::string name(text.substr(0, i));
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  int width = 0, decimals = 0;
  const char* p = text.data() + i;
  const char* end = text.data() + text.size();
  auto r = std::from_chars(p, end, width);
  if (r.ec != std::errc() || r.ptr == p) return false;
  p = r.ptr;
  bool hasDecimals = false;
  if (p != end) {
    if (*p != '.') return false;
    auto r2 = std::from_chars(p + 1, end, decimals);
    if (r2.ec != std::errc() || r2.ptr != end || r2.ptr == p + 1) return false;
    hasDecimals = true;
  }
  ZiraFormat f;
  if (name == "F") {
    if (width < 1 || width > 40 || decimals > 16 || (decimals > 0 && decimals >= width))
      return false;
    f = {kFmtNumber, width, decimals};
  } else if (name == "A") {
    if (width < 1 || width > 32767 || hasDecimals) return false;
    f = {kFmtString, width, 0};
  } else if (name == "DATE") {
    if (width < 10 || width > 40 || hasDecimals) return false;
    f = {kFmtDate, width, 0};
  } else if (name == "TIME") {
    if (width < 8 || width > 40 || decimals > 9) return false;
    f = {kFmtTime, width, decimals};
  } else if (name == "DATETIME") {
    if (width < 19 || width > 40 || decimals > 9) return false;
    f = {kFmtDateTime, width, decimals};
  } else {
    return false;
  }
  *out = f;
  return true;
}

std::string FormatCodeText(const ZiraFormat& f) {
  auto withDecimals = [&](const char* name) {
    std::string s = name + std::to_string(f.width);
    if (f.decimals > 0) s += "." + std::to_string(f.decimals);
    return s;
  };
  switch (f.type) {
    case kFmtString:
      return "A" + std::to_string(f.width);
    case kFmtDate:
      return "DATE" + std::to_string(f.width);
    case kFmtTime:
      return withDecimals("TIME");
    case kFmtDateTime:
      return withDecimals("DATETIME");
    default:
      return "F" + std::to_string(f.width) + "." + std::to_string(f.decimals);
  }
}

bool ParseNumber(std::string_view t, double* out) {
  const char* b = t.data();
  const char* e = b + t.size();
  if (b == e) return false;
  if (*b == '+') {
    ++b;
    if (b == e || *b == '-') return false;
  }
  const char* c = (*b == '-') ? b + 1 : b;
  if (c == e || !(IsDigit(*c) || *c == '.')) return false;  // no inf, nan, hex
  auto r = std::from_chars(b, e, *out);
  return r.ec == std::errc() && r.ptr == e;
}

size_t WriteNumber(double v, char* buf) {
  if (std::isnan(v)) {
    std::memcpy(buf, "NaN", 3);
    return 3;
  }
  if (std::isinf(v)) {
    const char* s = v > 0 ? "INF" : "-INF";
    size_t n = std::strlen(s);
    std::memcpy(buf, s, n);
    return n;
  }
  auto r = std::to_chars(buf, buf + kNumberTextMax, v);
  return static_cast<size_t>(r.ptr - buf);
}

std::string NumberText(double v) {
  char buf[kNumberTextMax];
  return std::string(buf, WriteNumber(v, buf));
}

bool ParseIsoDate(std::string_view t, double* seconds) {
  long long days;
  if (t.size() != 10 || !ReadDate(t, &days)) return false;
  *seconds = static_cast<double>(days) * 86400.0;
  return true;
}

bool ParseIsoTime(std::string_view t, double* seconds) {
  int h, m;
  if (t.size() < 8 || t[2] != ':' || t[5] != ':') return false;
  if (!Digits(t.data(), 2, &h) || !Digits(t.data() + 3, 2, &m) || h > 23 || m > 59) return false;
  double s;
  if (!ReadSeconds(t.substr(6), &s)) return false;
  *seconds = h * 3600.0 + m * 60.0 + s;
  return true;
}

bool ParseIsoDateTime(std::string_view t, double* seconds) {
  long long days;
  if (t.size() < 19 || !ReadDate(t, &days) || (t[10] != 'T' && t[10] != ' ')) return false;
  std::string_view rest = t.substr(11);
  double offset = 0;
  if (!rest.empty() && rest.back() == 'Z') {
    rest.remove_suffix(1);
  } else if (rest.size() > 8 + 6 &&
             (rest[rest.size() - 6] == '+' || rest[rest.size() - 6] == '-')) {
    std::string_view z = rest.substr(rest.size() - 6);
    int oh, om;
    if (z[3] != ':' || !Digits(z.data() + 1, 2, &oh) || !Digits(z.data() + 4, 2, &om) || oh > 23 ||
        om > 59)
      return false;
    offset = (z[0] == '+' ? 1 : -1) * (oh * 3600.0 + om * 60.0);
    rest.remove_suffix(6);
  }
  double tod;
  if (!ParseIsoTime(rest, &tod)) return false;
  *seconds = static_cast<double>(days) * 86400.0 + tod - offset;
  return true;
}

bool ParsePatternDateTime(std::string_view t, std::string_view pat, double* seconds) {
  int y = 1970, mo = 1, d = 1, h = 0, mi = 0;
  double s = 0;
  size_t i = 0;
  for (size_t k = 0; k < pat.size(); ++k) {
    if (pat[k] != '%' || k + 1 == pat.size()) {
      if (i >= t.size() || t[i] != pat[k]) return false;
      ++i;
      continue;
    }
    char spec = pat[++k];
    if (spec == '%') {
      if (i >= t.size() || t[i] != '%') return false;
      ++i;
      continue;
    }
    int n = spec == 'Y' ? 4 : 2;
    int v;
    if (i + static_cast<size_t>(n) > t.size() || !Digits(t.data() + i, n, &v)) return false;
    switch (spec) {
      case 'Y':
        y = v;
        break;
      case 'm':
        mo = v;
        break;
      case 'd':
        d = v;
        break;
      case 'H':
        h = v;
        break;
      case 'M':
        mi = v;
        break;
      case 'S': {
        size_t j = i + 2;
        if (j < t.size() && t[j] == '.') {
          ++j;
          while (j < t.size() && IsDigit(t[j])) ++j;
        }
        if (!ReadSeconds(t.substr(i, j - i), &s)) return false;
        i = j - static_cast<size_t>(n);
        break;
      }
      default:
        return false;
    }
    i += static_cast<size_t>(n);
  }
  if (i != t.size() || !CheckDate(y, mo, d) || h > 23 || mi > 59) return false;
  *seconds = static_cast<double>(DaysFromCivil(y, mo, d)) * 86400.0 + h * 3600.0 + mi * 60.0 + s;
  return true;
}

size_t WriteIsoDate(double v, char* buf) {
  if (!std::isfinite(v) || std::fmod(v, 86400.0) != 0 || std::fabs(v) > 4e11) return 0;
  return PutDate(static_cast<long long>(v / 86400.0), buf);
}

size_t WriteIsoTime(double v, char* buf) {
  if (!std::isfinite(v) || v < 0 || v >= 86400.0) return 0;
  return PutTime(v, buf, [&](size_t n) {
    double back;
    return ParseIsoTime(std::string_view(buf, n), &back) && back == v;
  });
}

size_t WriteIsoDateTime(double v, char* buf) {
  if (!std::isfinite(v) || std::fabs(v) > 4e11) return 0;
  long long days = static_cast<long long>(std::floor(v / 86400.0));
  double tod = v - static_cast<double>(days) * 86400.0;
  if (tod < 0 || tod >= 86400.0) return 0;
  size_t n = PutDate(days, buf);
  if (n == 0) return 0;
  buf[n++] = 'T';
  size_t m = PutTime(tod, buf + n, [&](size_t len) {
    double back;
    return ParseIsoDateTime(std::string_view(buf, n + len), &back) && back == v;
  });
  if (m == 0) return 0;
  double back;
  if (!ParseIsoDateTime(std::string_view(buf, n + m), &back) || back != v) return 0;
  return n + m;
}
