#include "host/output/BpCellText.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/common/CommonBlocks.h"
#include "host/data/ZIRA_Variable.h"
#include "host/syntax/ParserMessage.h"

namespace {

std::string Printf(const char* fmt, int precision, double v) {
  char buf[400];
  std::snprintf(buf, sizeof buf, fmt, precision, v);
  return buf;
}

// "%.0f" of v, quicker for whole numbers (the common case: counts, case numbers, codes).
std::string NoDecimals(double v) {
  if (v == std::trunc(v) && std::fabs(v) < 9007199254740992.0) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v));
    return std::string(buf, res.ptr);
  }
  return Printf("%.*f", 0, v);
}

// Drops the sign of a negative zero ("-0", "-0.0") and sets the decimal character.
std::string Finish(std::string s, char decimal) {
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  if (decimal != '.') {
    for (char& c : s)
      if (c == '.') c = decimal;
  }
  return s;
}

std::string NonFinite(double v) { return std::isnan(v) ? "NaN" : v > 0 ? "Inf" : "-Inf"; }

// Calendar date of a day count from 1970-01-01 (proleptic Gregorian, Hinnant's algorithm).
void CivilFromDays(long long z, long long* y, unsigned* m, unsigned* d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<long long>(yoe) + era * 400 + (*m <= 2);
}

std::string DateText(double seconds) {
  long long days = static_cast<long long>(std::floor(seconds / 86400.0));
  long long y;
  unsigned m, d;
  CivilFromDays(days, &y, &m, &d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", y, m, d);
  return buf;
}

std::string TimeText(double seconds) {
  bool negative = seconds < 0;
  long long s = std::llround(std::fabs(seconds));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", negative ? "-" : "", s / 3600,
                (s / 60) % 60, s % 60);
  return buf;
}

// A numeric data value in the variable's print format.
std::string NumericValueText(double v, const ZiraFormat* fmt, char decimal) {
  if (v == MCMV::gMissingValue) return ".";
  if (!std::isfinite(v)) return NonFinite(v);
  // Dates beyond about 300000 years are shown as plain numbers rather than overflowing.
  bool dateRange = std::fabs(v) < 1e16;
  if (fmt && dateRange) {
    switch (fmt->type) {
      case kFmtDate:
        return DateText(v);
      case kFmtTime:
        return TimeText(v);
      case kFmtDateTime: {
        double day = std::floor(v / 86400.0) * 86400.0;
        return DateText(v) + " " + TimeText(v - day);
      }
      default:
        break;
    }
  }
  if (fmt && fmt->type == kFmtNumber) {
    int decimals = fmt->decimals < 0 ? 0 : fmt->decimals > 16 ? 16 : fmt->decimals;
    return Finish(decimals == 0 ? NoDecimals(v) : Printf("%.*f", decimals, v), decimal);
  }
  return FormatBpNumber(v, kBpGeneralStat, decimal);
}

std::string WithLabel(const std::string& value, const std::string* label, int show) {
  if (!label || show == 3) return value;
  if (show == 1) return *label;
  return value + " (" + *label + ")";
}

}  // namespace

std::string FormatBpNumber(double v, BpNumberFormat format, char decimal) {
  if (v == MCMV::gMissingValue) return ".";
  if (!std::isfinite(v)) return NonFinite(v);
  switch (format) {
    case kBpCount:
      return Finish(NoDecimals(v), decimal);
    case kBpPercent:
      return Finish(Printf("%.*f", 1, v), decimal) + "%";
    case kBpCoefficient: {
      // The fewest decimals whose text reads back as the value (within rounding noise).
      double tolerance = 1e-9 * std::fmax(std::fabs(v), 1e-300);
      for (int d = 0; d < 6; ++d) {
        std::string s = Printf("%.*f", d, v);
        if (std::fabs(std::strtod(s.c_str(), nullptr) - v) <= tolerance) return Finish(s, decimal);
      }
      return Finish(Printf("%.*f", 6, v), decimal);
    }
    case kBpGeneralStat:
    default: {
      for (int p = 1; p < 15; ++p) {
        std::string s = Printf("%.*g", p, v);
        if (std::strtod(s.c_str(), nullptr) == v) return Finish(s, decimal);
      }
      return Finish(Printf("%.*g", 15, v), decimal);
    }
  }
}

BpString::BpString(std::string text, bool translate)
    : fText(translate ? ParserMessage::Translate(text) : std::move(text)) {}

std::unique_ptr<BpCellText> BpString::Replicate() const {
  return std::make_unique<BpString>(*this);
}

BpNumber::BpNumber(double value, BpNumberFormat format)
    : fValue(value), fFormat(format), fDecimal(pvGetCmnLoc()->decimal) {}

std::unique_ptr<BpCellText> BpNumber::Replicate() const {
  return std::make_unique<BpNumber>(*this);
}

BpCellContent BpNumber::Content() const {
  BpCellContent c;
  c.text = FormatBpNumber(fValue, fFormat, fDecimal);
  c.numeric = true;
  if (fValue != MCMV::gMissingValue && std::isfinite(fValue)) c.value = fValue;
  return c;
}

BpVariable::BpVariable(const ZIRA_Variable* variable, int show) : fShow(show) {
  if (variable) {
    fName = variable->GetName();
    fLabel = variable->GetLabel();
  } else {
    fName = "(no variable)";
  }
}

BpVariable::BpVariable(std::string name, std::string label, int show)
    : fName(std::move(name)), fLabel(std::move(label)), fShow(show) {}

std::unique_ptr<BpCellText> BpVariable::Replicate() const {
  return std::make_unique<BpVariable>(*this);
}

BpCellContent BpVariable::Content() const {
  BpCellContent c;
  c.tooltip = fLabel;
  if (fShow == 1 && !fLabel.empty()) {
    c.text = fLabel;
    c.tooltip = fName;
  } else if (fShow == 3 && !fLabel.empty()) {
    c.text = fName + " (" + fLabel + ")";
  } else {
    c.text = fName;
  }
  return c;
}

BpDataValue::BpDataValue(const ZIRA_Variable* variable, double value, int show) {
  char decimal = pvGetCmnLoc()->decimal;
  std::string text = NumericValueText(value, variable ? &variable->GetFormat() : nullptr, decimal);
  const std::string* label = nullptr;
  if (variable && value != MCMV::gMissingValue) label = variable->GetValueLabels().Find(value);
  fContent.text = WithLabel(text, label, show);
  fContent.numeric = true;
  if (value != MCMV::gMissingValue && std::isfinite(value)) fContent.value = value;
}

BpDataValue::BpDataValue(const ZIRA_Variable* variable, std::string_view value, int show) {
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  const std::string* label = variable ? variable->GetValueLabels().Find(value) : nullptr;
  fContent.text = WithLabel(std::string(value), label, show);
}

BpDataValue::BpDataValue(const ZIRA_Variable* variable, const OBS* cells, int show) {
  assert(cells && "host/output/BpCellText: cells != 0");
  if (variable && variable->IsString()) {
    std::string_view s(reinterpret_cast<const char*>(cells),
                       static_cast<size_t>(variable->GetType()));
    *this = BpDataValue(variable, s, show);
  } else {
    *this = BpDataValue(variable, cells->d, show);
  }
}

std::unique_ptr<BpCellText> BpDataValue::Replicate() const {
  return std::make_unique<BpDataValue>(*this);
}

BpAnnotation::BpAnnotation(const BpCellText& text) : fpText(text.Replicate()) {}
BpAnnotation::BpAnnotation(const BpAnnotation& other) : fpText(other.fpText->Replicate()) {}
BpAnnotation& BpAnnotation::operator=(const BpAnnotation& other) {
  if (this != &other) fpText = other.fpText->Replicate();
  return *this;
}
std::unique_ptr<BpCellText> BpAnnotation::Replicate() const {
  return std::make_unique<BpAnnotation>(*this);
}
