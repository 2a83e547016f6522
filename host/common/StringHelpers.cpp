#include "host/common/StringHelpers.h"

#include <utf8proc.h>

#include <array>
#include <cctype>
#include <cstdlib>

namespace {

// Applies a code-point mapping to a UTF-8 text; bytes that do not decode are copied.
template <typename Map>
std::string MapCodePoints(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(s.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(s.size());
  while (left > 0) {
    if (*p < 0x80) {  // ASCII fast path
      out.push_back(static_cast<char>(map(static_cast<utf8proc_int32_t>(*p))));
      ++p;
      --left;
      continue;
    }
    utf8proc_int32_t cp = 0;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {
      out.push_back(static_cast<char>(*p));
      ++p;
      --left;
      continue;
    }
    std::array<utf8proc_uint8_t, 4> buf{};
    utf8proc_ssize_t w = utf8proc_encode_char(map(cp), buf.data());
    out.append(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(w));
    p += n;
    left -= n;
  }
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string TrimString(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string GetUpperString(std::string_view s) {
  return MapCodePoints(s, [](utf8proc_int32_t c) { return utf8proc_toupper(c); });
}

std::string FoldCase(std::string_view s) {
  // Simple case folding: lower-case of the upper-case keeps one code point per code point.
  return MapCodePoints(s, [](utf8proc_int32_t c) { return utf8proc_tolower(utf8proc_toupper(c)); });
}

bool AreStringsEqualCase(std::string_view a, std::string_view b) {
  // ASCII texts compare byte by byte; anything else is compared case-folded.
  if (a.size() == b.size()) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
      unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if (x >= 0x80 || y >= 0x80) break;
      if (std::tolower(x) != std::tolower(y)) return false;
    }
    if (i == a.size()) return true;
  } else {
    // Simple case folding keeps ASCII letters one byte long: ASCII texts of different
    // lengths are never equal.
    auto ascii = [](std::string_view s) {
      for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
      return true;
    };
    if (ascii(a) && ascii(b)) return false;
  }
  return FoldCase(a) == FoldCase(b);
}

bool AreVarNamesEqualCase(std::string_view a, std::string_view b) {
  auto rtrim = [](std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  };
  return AreStringsEqualCase(rtrim(a), rtrim(b));
}

std::string IntegerToString(long long n) { return std::to_string(n); }

bool IsValidUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(s.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(s.size());
  while (left > 0) {
    if (*p < 0x80) {
      ++p;
      --left;
      continue;
    }
    utf8proc_int32_t cp = 0;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

bool IsValidVarName(std::string_view name) {
  if (name.empty() || name.size() > 64 || !IsValidUtf8(name)) return false;
  auto is_letter = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
  };
  unsigned char first = static_cast<unsigned char>(name[0]);
  if (!(is_letter(first) || first == '@' || first == '#' || first == '$')) return false;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (!(is_letter(c) || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '@' || c == '#' ||
          c == '$'))
      return false;
  }
  return name.back() != '.';
}

bool IsReservedWord(std::string_view name) {
  static constexpr std::string_view kWords[] = {"ALL", "AND", "BY", "EQ", "GE", "GT", "LE",
                                                "LT",  "NE",  "NOT", "OR", "TO", "WITH"};
  for (auto w : kWords)
    if (AreStringsEqualCase(name, w)) return true;
  return false;
}
