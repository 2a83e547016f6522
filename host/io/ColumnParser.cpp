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

}  // namespace

bool ColumnPlan::IsMissing(std::string_view text) const {
  if (onlyEmptyMarker) return text.empty();
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
  CsvCursor cur(chunk.begin, chunk.end);
  size_t row = chunk.firstRow;
  while (cur.SkipEmptyLines() && cur.Pos() < limit) {
    // A row past the chunk's count: the row split was misled by a quote fault, which this
    // row or an earlier one shows. Parse it for that fault but store nothing.
    const bool overflow = row >= endRow;
    const char* rowStart = cur.Pos();
    for (size_t c = 0; c < ncols; ++c) {
      CsvField f;
      CsvFieldEnd e = cur.Next(&f);
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
              if ((st.kinds & kMayNumber) && ParseNumber(t, &v) && !LeadingZero(t))
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
          if (!ReadNumericCell(*p.spec, p.kind, text, &v)) {
            out->Fail(at(f.begin), "column " + p.name + ": " + QuoteValue(text) + " is not " +
                                       ExpectedText(*p.spec, p.kind));
            return;
          }
          p.numbers[row] = v;
          st.any = true;
          if (!p.spec->hasFormat) {
            std::string_view t = TrimBlanks(text);
            int d = Decimals(t, p.kind == FieldKind::kNumber ? p.spec->decimalChar : '.');
            if (d > st.maxDecimals) st.maxDecimals = d;
            if (t.size() > st.maxNumberText) st.maxNumberText = t.size();
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
