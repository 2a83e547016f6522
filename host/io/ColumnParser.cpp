#include "host/io/ColumnParser.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>

#include "host/common/ZiraTypes.h"
#include "host/io/ValueText.h"

namespace {

constexpr size_t kMaxStringWidth = 32767;

std::string_view TrimBlanks(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  return t;
}

// Whether a number text has a leading zero before another digit ("007"): such columns are
// codes, kept as text when the type is inferred.
bool LeadingZero(std::string_view t) {
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) t.remove_prefix(1);
  return t.size() > 1 && t[0] == '0' && t[1] >= '0' && t[1] <= '9';
}

// Digits after the decimal character (up to the exponent or any other non-digit).
int Decimals(std::string_view t, char decimalChar) {
  size_t dot = t.find(decimalChar);
  if (dot == std::string_view::npos) return 0;
  int n = 0;
  for (size_t i = dot + 1; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) ++n;
  return n;
}

bool ReadInteger(std::string_view t, double* out) {
  if (!t.empty() && t[0] == '+') t.remove_prefix(1);
  long long v = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || t.empty()) return false;
  *out = static_cast<double>(v);
  return true;
}

bool ReadNumberWithChars(const FieldSpec& spec, std::string_view t, double* out) {
  if (t == "NaN") {
    *out = MCMV::gMissingValue;
    return true;
  }
  if (t == "INF" || t == "-INF") {
    *out = t[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  if (spec.decimalChar == '.' && spec.groupChar.empty()) return ParseNumber(t, out);
  char buf[64];
  size_t n = 0;
  for (char c : t) {
    if (!spec.groupChar.empty() && c == spec.groupChar[0]) continue;
    if (c == '.' && spec.decimalChar != '.') return false;
    if (n == sizeof buf) return false;
    buf[n++] = c == spec.decimalChar ? '.' : c;
  }
  return ParseNumber(std::string_view(buf, n), out);
}

// How the store pass may read a numeric column's cells before it falls back to
// ReadNumericCell.
enum class FastRead : uint8_t { kNone, kDecimal, kInteger };

FastRead FastReadOf(const ColumnPlan& p) {
  if (p.kind == FieldKind::kInteger || p.kind == FieldKind::kYear) return FastRead::kInteger;
  if (p.kind == FieldKind::kNumber && p.spec->decimalChar == '.' && p.spec->groupChar.empty())
    return FastRead::kDecimal;
  return FastRead::kNone;
}

// Plain decimals ("-12.375", "+3", "0.5", ".5"): an optional sign, digits, optionally a period
// and at least one more digit; at most 19 digits in all, their value at most 2^53. Such a
// text reads exactly as std::from_chars reads it: the digits form an exact integer, 10^k for
// k <= 19 is exact too, and one division rounds once, correctly. False for every other text,
// which then takes the general path. *decimals gets the digits after the period.
inline bool ReadPlainDecimal(const char* b, const char* e, double* out, int* decimals) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                      1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
  bool negative = false;
  if (b < e && (*b == '-' || *b == '+')) negative = *b++ == '-';
  uint64_t m = 0;
  const char* p = b;
  while (p < e && static_cast<unsigned>(*p - '0') < 10)
    m = m * 10 + static_cast<unsigned>(*p++ - '0');
  const long whole = p - b;
  long frac = 0;
  if (p < e && *p == '.') {
    const char* f = ++p;
    while (p < e && static_cast<unsigned>(*p - '0') < 10)
      m = m * 10 + static_cast<unsigned>(*p++ - '0');
    frac = p - f;
    if (frac == 0) return false;
  }
  if (p != e || whole + frac == 0 || whole + frac > 19 || m > (uint64_t{1} << 53)) return false;
  double v = static_cast<double>(m);
  if (frac) v /= kPow10[frac];
  *out = negative ? -v : v;
  *decimals = static_cast<int>(frac);
  return true;
}

// Plain whole numbers of at most 18 digits with an optional sign, read as ReadInteger reads
// them ("-0" is 0). False for every other text.
inline bool ReadPlainInteger(const char* b, const char* e, double* out) {
  bool negative = false;
  if (b < e && (*b == '-' || *b == '+')) negative = *b++ == '-';
  if (b == e || e - b > 18) return false;
  long long v = 0;
  for (const char* p = b; p < e; ++p) {
    if (static_cast<unsigned>(*p - '0') >= 10) return false;
    v = v * 10 + (*p - '0');
  }
  *out = static_cast<double>(negative ? -v : v);
  return true;
}

}  // namespace

bool ColumnPlan::IsMissingMarker(std::string_view text) const {
  for (const auto& m : missingMarkers)
    if (text == m) return true;
  return false;
}

void ColumnStats::Merge(const ColumnStats& o) {
  maxLength = std::max(maxLength, o.maxLength);
  any = any || o.any;
  kinds &= o.kinds;
  maxDecimals = std::max(maxDecimals, o.maxDecimals);
  maxNumberText = std::max(maxNumberText, o.maxNumberText);
}

void ChunkOutcome::Fail(size_t offset, std::string text) {
  if (offset < errorOffset) {
    errorOffset = offset;
    errorText = std::move(text);
  }
}

std::string QuoteValue(std::string_view t) {
  constexpr size_t kMax = 40;
  if (t.size() <= kMax) return "\"" + std::string(t) + "\"";
  size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(t.substr(0, cut)) + "...\"";
}

bool ReadNumericCell(const FieldSpec& spec, FieldKind kind, std::string_view text, double* out) {
  std::string_view t = TrimBlanks(text);
  switch (kind) {
    case FieldKind::kNumber:
      return ReadNumberWithChars(spec, t, out);
    case FieldKind::kInteger:
    case FieldKind::kYear:
      return ReadInteger(t, out);
    case FieldKind::kBoolean:
      for (const auto& s : spec.trueValues)
        if (t == s) return *out = 1, true;
      for (const auto& s : spec.falseValues)
        if (t == s) return *out = 0, true;
      return false;
    case FieldKind::kDate:
      return spec.datePattern.empty() ? ParseIsoDate(t, out)
                                      : ParsePatternDateTime(t, spec.datePattern, out);
    case FieldKind::kTime:
      return spec.datePattern.empty() ? ParseIsoTime(t, out)
                                      : ParsePatternDateTime(t, spec.datePattern, out);
    case FieldKind::kDateTime:
      return spec.datePattern.empty() ? ParseIsoDateTime(t, out)
                                      : ParsePatternDateTime(t, spec.datePattern, out);
    case FieldKind::kString:
      break;
  }
  return false;
}

std::string ExpectedText(const FieldSpec& spec, FieldKind kind) {
  std::string pattern = spec.datePattern.empty() ? "" : " (" + spec.datePattern + ")";
  switch (kind) {
    case FieldKind::kNumber:
      return "a number";
    case FieldKind::kInteger:
      return "a whole number";
    case FieldKind::kYear:
      return "a year";
    case FieldKind::kBoolean:
      return "true or false (" + spec.trueValues.front() + "/" + spec.falseValues.front() + ")";
    case FieldKind::kDate:
      return "a date" + (pattern.empty() ? " (YYYY-MM-DD)" : pattern);
    case FieldKind::kTime:
      return "a time" + (pattern.empty() ? " (hh:mm:ss)" : pattern);
    case FieldKind::kDateTime:
      return "a date and time" + (pattern.empty() ? " (YYYY-MM-DDThh:mm:ss)" : pattern);
    case FieldKind::kString:
      break;
  }
  return "a text";
}

void ParseChunk(ChunkPass pass, const CsvChunk& chunk, const char* base,
                const std::vector<ColumnPlan>& plans, bool checkUtf8, ChunkOutcome* out) {
  assert(out->stats.size() == plans.size() && "host/io/ColumnParser: one stats entry per column");
  const char* limit = chunk.end;
  if (checkUtf8) {
    size_t bad = FindInvalidUtf8(chunk.begin, chunk.end);
    if (bad != std::string_view::npos) {
      out->Fail(static_cast<size_t>(chunk.begin - base) + bad,
                "invalid UTF-8: the file must be encoded in UTF-8");
      limit = chunk.begin + bad;  // faults before it still come first
    }
  }
  const size_t ncols = plans.size();
  const size_t endRow = chunk.firstRow + chunk.rows;
  auto at = [&](const char* p) { return static_cast<size_t>(p - base); };
  std::string buf;
  std::vector<FastRead> fast(ncols);
  for (size_t c = 0; c < ncols; ++c) fast[c] = FastReadOf(plans[c]);
  CsvCursor cur(chunk.begin, chunk.end);
  size_t row = chunk.firstRow;
  while (cur.SkipEmptyLines() && cur.Pos() < limit) {
    // A row past the chunk's count: the row split was misled by a quote fault, which this
    // row or an earlier one shows. Parse it for that fault but store nothing.
    const bool overflow = row >= endRow;
    const char* rowStart = cur.Pos();
    for (size_t c = 0; c < ncols; ++c) {
      CsvField f;
      CsvFieldEnd e = cur.NextFast(&f);
      if (e == CsvFieldEnd::kError) {
        out->Fail(at(cur.ErrorPos()), cur.ErrorText());
        return;
      }
      const ColumnPlan& p = plans[c];
      ColumnStats& st = out->stats[c];
      const size_t len = f.Length();
      if (overflow) {
        // checked for structure only
      } else if (pass == ChunkPass::kStats) {
        if (p.infer || p.needsWidth) {
          std::string_view text = f.Text(&buf);
          if (!p.IsMissing(text)) {
            st.any = true;
            if (len > st.maxLength) {
              st.maxLength = len;
              if (len > kMaxStringWidth) {
                out->Fail(at(f.begin), "column " + p.name + ": a value longer than 32767 bytes");
                return;
              }
            }
            if (p.infer && st.kinds) {
              std::string_view t = TrimBlanks(text);
              double v;
              uint8_t fits = 0;
              int d;
              if ((st.kinds & kMayNumber) &&
                  (ReadPlainDecimal(t.data(), t.data() + t.size(), &v, &d) || ParseNumber(t, &v)) &&
                  !LeadingZero(t))
                fits |= kMayNumber;
              if ((st.kinds & kMayDate) && ParseIsoDate(t, &v)) fits |= kMayDate;
              if ((st.kinds & kMayDateTime) && ParseIsoDateTime(t, &v)) fits |= kMayDateTime;
              if ((st.kinds & kMayTime) && ParseIsoTime(t, &v)) fits |= kMayTime;
              st.kinds &= fits;
            }
          }
        }
      } else if (p.kind == FieldKind::kString) {
        std::string_view text = f.escapes ? f.Text(&buf) : f.Raw();
        if (!p.IsMissing(text)) {
          if (len > static_cast<size_t>(p.width)) {
            out->Fail(at(f.begin), "column " + p.name + ": " + QuoteValue(text) +
                                       " is longer than the declared width of " +
                                       std::to_string(p.width) + " bytes");
            return;
          }
          std::memcpy(p.strings + row * p.cellWidth, text.data(), len);
        }
      } else {
        std::string_view text = f.escapes ? f.Text(&buf) : f.Raw();
        if (!p.IsMissing(text)) {
          double v;
          int d = 0;
          const char* tb = text.data();
          const char* te = tb + text.size();
          if (fast[c] == FastRead::kDecimal
                  ? ReadPlainDecimal(tb, te, &v, &d)
                  : fast[c] == FastRead::kInteger && ReadPlainInteger(tb, te, &v)) {
            p.numbers[row] = v;
            st.any = true;
            if (!p.spec->hasFormat) {
              if (d > st.maxDecimals) st.maxDecimals = d;
              if (text.size() > st.maxNumberText) st.maxNumberText = text.size();
            }
          } else if (!ReadNumericCell(*p.spec, p.kind, text, &v)) {
            out->Fail(at(f.begin), "column " + p.name + ": " + QuoteValue(text) + " is not " +
                                       ExpectedText(*p.spec, p.kind));
            return;
          } else {
            p.numbers[row] = v;
            st.any = true;
            if (!p.spec->hasFormat) {
              std::string_view t = TrimBlanks(text);
              d = Decimals(t, p.kind == FieldKind::kNumber ? p.spec->decimalChar : '.');
              if (d > st.maxDecimals) st.maxDecimals = d;
              if (t.size() > st.maxNumberText) st.maxNumberText = t.size();
            }
          }
        }
      }
      const bool last = c + 1 == ncols;
      if (!last && e != CsvFieldEnd::kComma) {
        out->Fail(at(f.end), "the row has " + std::to_string(c + 1) + " field" + (c ? "s" : "") +
                                 "; the header has " + std::to_string(ncols));
        return;
      }
      if (last && e == CsvFieldEnd::kComma) {
        out->Fail(at(cur.Pos() - 1),
                  "the row has more fields than the header's " + std::to_string(ncols));
        return;
      }
    }
    if (overflow) {
      out->Fail(at(rowStart), "the rows do not line up (an earlier quote is unbalanced)");
      return;
    }
    ++row;
  }
  if (row != endRow && out->errorOffset == ChunkOutcome::kNoError)
    out->Fail(at(cur.Pos()), "the rows do not line up (an earlier quote is unbalanced)");
}
