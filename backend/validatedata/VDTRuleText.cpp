#include "backend/validatedata/VDTRuleText.h"

#include <cassert>
#include <climits>
#include <cstdio>

#include "host/common/StringHelpers.h"

namespace VDTRuleText {

namespace {

// NUL stands for "no quote character": then nothing is a quote.
inline bool IsQuote(char c, char quote) { return quote != '\0' && c == quote; }

}  // namespace

char ChooseQuoteChar(std::string_view text) {
  for (char c : text) {
    if (c == '\'' || c == '"') return c;
  }
  return '\0';
}

bool SplitPropertySpecs(std::string_view text, char quote, std::vector<std::string_view>* specs) {
  specs->clear();
  bool inside = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsQuote(c, quote)) {
      inside = !inside;
    } else if (c == ',' && !inside) {
      if (i > start) specs->push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  if (text.size() > start) specs->push_back(text.substr(start));
  return !inside;
}

SplitStatus SplitProperty(std::string_view spec, char quote, std::string* name,
                          std::string* value) {
  const size_t eq = spec.find('=');
  const std::string_view rawName = eq == std::string_view::npos ? spec : spec.substr(0, eq);
  const std::string_view rawValue =
      eq == std::string_view::npos ? std::string_view() : spec.substr(eq + 1);
  for (char c : rawName) {
    if (IsQuote(c, quote)) return SplitStatus::kQuoteInName;
  }
  *name = TrimString(rawName);
  *value = TrimString(rawValue);
  return name->empty() ? SplitStatus::kEmptyName : SplitStatus::kOk;
}

bool UnquoteValue(std::string_view value, char quote, std::string* out) {
  size_t nQuotes = 0;
  for (char c : value) nQuotes += IsQuote(c, quote) ? 1 : 0;
  if (nQuotes == 0) {
    out->assign(value);
    return true;
  }
  if (nQuotes % 2 != 0) return false;
  if (value.size() < 2 || value.front() != quote || value.back() != quote) return false;
  const std::string_view inner = value.substr(1, value.size() - 2);
  out->clear();
  out->reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] != quote) {
      out->push_back(inner[i]);
      continue;
    }
    if (i + 1 < inner.size() && inner[i + 1] == quote) {
      out->push_back(quote);
      ++i;
      continue;
    }
    return false;  // a single quote character inside the quoted value
  }
  return true;
}

bool SplitListItems(std::string_view value, char quote, std::vector<std::string>* items) {
  items->clear();
  std::string unquoted;
  auto takeItem = [&](std::string_view raw) {
    const std::string item = TrimString(raw);
    if (!UnquoteValue(item, quote, &unquoted)) return false;
    if (!unquoted.empty()) items->push_back(unquoted);
    return true;
  };
  bool inside = false;
  size_t start = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (IsQuote(c, quote)) {
      inside = !inside;
    } else if (c == ' ' && !inside) {
      if (i > start && !takeItem(value.substr(start, i - start))) return false;
      start = i + 1;
    }
  }
  if (value.size() > start && !takeItem(value.substr(start))) return false;
  return true;
}

int ParseAttribIndex(std::string_view value, std::string_view prefix) {
  const size_t n = prefix.size();
  if (value.size() <= n + 2) return 0;
  if (value[n] != '[' || value.back() != ']') return 0;
  if (GetUpperString(value.substr(0, n)) != GetUpperString(prefix)) return 0;
  const std::string_view digits = value.substr(n + 1, value.size() - n - 2);
  if (digits.empty()) return 0;
  long long number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
    if (number > INT_MAX) return 0;
  }
  return number >= 1 ? static_cast<int>(number) : 0;
}

VDTSpecTypes::ValueType ClassifyFormatType(int formatType) {
  if (formatType == 1) return VDTSpecTypes::kValueString;
  if ((formatType >= 20 && formatType <= 30) || formatType == 38 || formatType == 39 ||
      formatType == 85 || formatType == 86) {
    return VDTSpecTypes::kValueDate;
  }
  return VDTSpecTypes::kValueNumeric;
}

std::string MakeElementName(const char* printfFormat, int index) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, printfFormat, index);
  assert(n > 0 && n < static_cast<int>(sizeof buffer) &&
         "backend/validatedata/VDTRuleText: element name fits its buffer");
  return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace VDTRuleText
