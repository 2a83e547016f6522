#include "host/syntax/Tokenizer.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "host/common/StringHelpers.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
// Characters that may start a name: letters (any byte of a multi-byte UTF-8 letter), @ # $.
bool IsNameStart(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80 || c == '@' || c == '#' ||
         c == '$';
}
// Characters that continue a name, apart from the period.
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '_'; }

std::string Printable(char ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  if (c >= 0x20 && c < 0x7F) return std::string("'") + ch + "'";
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", c);
  return std::string("the byte ") + buf;
}

}  // namespace

Tokenizer::Tokenizer(std::string_view text, bool commandMode, char decimal)
    : fText(text), fCommandMode(commandMode), fDecimal(decimal) {
  // A UTF-8 byte order mark at the start is not part of the text.
  if (fText.substr(0, 3) == "\xEF\xBB\xBF") fPos = fLineStart = 3;
}

std::string_view Tokenizer::LineText(int line) const {
  if (line < 1 || line > static_cast<int>(fLineStarts.size())) return {};
  size_t b = fLineStarts[static_cast<size_t>(line - 1)];
  size_t e = fText.find('\n', b);
  if (e == std::string_view::npos) e = fText.size();
  if (e > b && fText[e - 1] == '\r') --e;
  return fText.substr(b, e - b);
}

void Tokenizer::NewLine(size_t nextLineStart) {
  ++fLine;
  fLineStart = nextLineStart;
  fLineStarts.push_back(nextLineStart);
}

int Tokenizer::ColumnOf(size_t pos) const {
  assert(pos >= fLineStart && "host/syntax/Tokenizer: pos >= fLineStart");
  return 1 + CountCharacters(fText.substr(fLineStart, pos - fLineStart));
}

std::string Tokenizer::ErrorAt(size_t pos, size_t length, const std::string& what) const {
  CommandSource src;
  src.fileName = fFileName;
  src.firstLine = fLine;
  src.lines.emplace_back(LineText(fLine));
  int width = CountCharacters(fText.substr(pos, length));
  return what + "\n" + FormatSourceLocation(&src, fLine, ColumnOf(pos), width);
}

bool Tokenizer::PeriodEndsCommand(size_t periodPos) const {
  size_t q = periodPos + 1;
  while (q < fText.size()) {
    char c = fText[q];
    if (c == '\n') return true;
    if (IsBlank(c)) {
      ++q;
    } else if (c == '/' && q + 1 < fText.size() && fText[q + 1] == '*') {
      size_t close = fText.find("*/", q + 2);
      size_t eol = fText.find('\n', q + 2);
      if (close == std::string_view::npos || (eol != std::string_view::npos && eol < close))
        return false;
      q = close + 2;
    } else {
      return false;
    }
  }
  return true;
}

bool Tokenizer::SkipBlanksAndComments(std::string* error) {
  while (fPos < fText.size()) {
    char c = fText[fPos];
    if (c == '\n') {
      ++fPos;
      NewLine(fPos);
    } else if (IsBlank(c)) {
      ++fPos;
    } else if (c == '/' && fPos + 1 < fText.size() && fText[fPos + 1] == '*') {
      size_t close = fText.find("*/", fPos + 2);
      if (close == std::string_view::npos) {
        *error = ErrorAt(fPos, 2, "A comment that opens with /* is never closed with */.");
        return false;
      }
      for (size_t i = fPos; i < close; ++i)
        if (fText[i] == '\n') NewLine(i + 1);
      fPos = close + 2;
    } else if (c == '*' && fCommandMode &&
               (fPos == fLineStart ||
                (fBetweenCommands &&
                 TrimString(fText.substr(fLineStart, fPos - fLineStart)).empty()))) {
      size_t eol = fText.find('\n', fPos);
      fPos = eol == std::string_view::npos ? fText.size() : eol;
    } else {
      return true;
    }
  }
  return true;
}

bool Tokenizer::ReadNumber(TokenInfoObj* token, std::string* error) {
  const size_t start = fPos;
  size_t p = fPos;
  if (fText[p] == '-') ++p;
  while (p < fText.size() && IsDigit(fText[p])) ++p;
  bool integral = true;
  if (p < fText.size()) {
    char c = fText[p];
    bool digitAfter = p + 1 < fText.size() && IsDigit(fText[p + 1]);
    if (c == '.' && !(fCommandMode && PeriodEndsCommand(p))) {
      integral = false;
      ++p;
      while (p < fText.size() && IsDigit(fText[p])) ++p;
    } else if (c == fDecimal && c != '.' && digitAfter) {
      integral = false;
      ++p;
      while (p < fText.size() && IsDigit(fText[p])) ++p;
    }
  }
  if (p < fText.size() && (fText[p] == 'e' || fText[p] == 'E')) {
    size_t q = p + 1;
    if (q < fText.size() && (fText[q] == '+' || fText[q] == '-')) ++q;
    if (q < fText.size() && IsDigit(fText[q])) {
      integral = false;
      p = q;
      while (p < fText.size() && IsDigit(fText[p])) ++p;
    }
  }
  // A number runs straight into a name character or a second decimal point: malformed.
  if (p < fText.size() &&
      (IsNameChar(fText[p]) || (fText[p] == '.' && !(fCommandMode && PeriodEndsCommand(p))))) {
    size_t e = p;
    while (e < fText.size() && (IsNameChar(fText[e]) || fText[e] == '.')) ++e;
    *error =
        ErrorAt(start, e - start,
                "'" + std::string(fText.substr(start, e - start)) + "' is not a valid number.");
    return false;
  }
  std::string text(fText.substr(start, p - start));
  std::string plain = text;
  for (char& c : plain)
    if (c == fDecimal) c = '.';
  double value = 0.0;
  auto r = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (r.ec != std::errc() || r.ptr != plain.data() + plain.size() || !std::isfinite(value)) {
    *error = ErrorAt(start, p - start, "The number " + text + " is out of range.");
    return false;
  }
  int64_t iv = 0;
  if (integral) {
    auto ri = std::from_chars(plain.data(), plain.data() + plain.size(), iv);
    integral = ri.ec == std::errc() && ri.ptr == plain.data() + plain.size();
  }
  *token = TokenInfoObj(TokenInfoObj::kNumber, std::move(text), fLine, ColumnOf(start));
  token->SetNumber(value, integral, iv);
  fPos = p;
  return true;
}

bool Tokenizer::ReadString(TokenInfoObj* token, std::string* error) {
  const size_t start = fPos;
  const char quote = fText[fPos];
  std::string value;
  size_t p = fPos + 1;
  for (;;) {
    if (p >= fText.size() || fText[p] == '\n' ||
        (fText[p] == '\r' && p + 1 < fText.size() && fText[p + 1] == '\n')) {
      *error = ErrorAt(start, 1,
                       std::string("A string that opens with ") + quote +
                           " is not closed on its line; close it with " + quote +
                           " (write a quote inside it twice).");
      return false;
    }
    if (fText[p] == quote) {
      if (p + 1 < fText.size() && fText[p + 1] == quote) {
        value.push_back(quote);
        p += 2;
        continue;
      }
      ++p;
      break;
    }
    value.push_back(fText[p]);
    ++p;
  }
  *token = TokenInfoObj(TokenInfoObj::kString, std::string(fText.substr(start, p - start)), fLine,
                        ColumnOf(start));
  token->SetStringValue(std::move(value));
  fPos = p;
  return true;
}

void Tokenizer::ReadName(TokenInfoObj* token) {
  const size_t start = fPos;
  size_t p = fPos;
  while (p < fText.size() &&
         (IsNameChar(fText[p]) || (fText[p] == '.' && !(fCommandMode && PeriodEndsCommand(p)))))
    ++p;
  std::string text(fText.substr(start, p - start));
  const bool all = text.size() == 3 && AreStringsEqualCase(text, "ALL");
  *token = TokenInfoObj(all ? TokenInfoObj::kOperator : TokenInfoObj::kName, std::move(text), fLine,
                        ColumnOf(start));
  if (all) token->SetOperatorCode(kOpAll);
  fPos = p;
}

bool Tokenizer::ReadOperator(TokenInfoObj* token, std::string* error) {
  struct Op {
    const char* text;
    int code;
  };
  static constexpr Op kOps[] = {
      {"**", kOpPower},    {"<=", kOpLessEqual}, {">=", kOpGreaterEqual}, {"<>", kOpNotEqual},
      {"~=", kOpNotEqual}, {"=", kOpEqual},      {"/", kOpSlash},         {",", kOpComma},
      {"+", kOpPlus},      {"-", kOpMinus},      {"*", kOpStar},          {"<", kOpLess},
      {">", kOpGreater},   {"(", kOpLeftParen},  {")", kOpRightParen},    {"&", kOpAnd},
      {"|", kOpOr},        {"~", kOpNot},        {"[", kOpLeftBracket},   {"]", kOpRightBracket},
  };
  std::string_view rest = fText.substr(fPos);
  for (const Op& op : kOps) {
    std::string_view t(op.text);
    if (rest.substr(0, t.size()) == t) {
      *token = TokenInfoObj(TokenInfoObj::kOperator, std::string(t), fLine, ColumnOf(fPos));
      token->SetOperatorCode(op.code);
      fPos += t.size();
      return true;
    }
  }
  if (fText[fPos] == '.') {
    *error = ErrorAt(fPos, 1,
                     "Unexpected period: a period ends a command only as the last character of "
                     "a line.");
  } else {
    // Show a whole UTF-8 character where the byte starts one.
    *error = ErrorAt(fPos, 1, "Unexpected character " + Printable(fText[fPos]) + ".");
  }
  return false;
}

bool Tokenizer::Next(Item* item, TokenInfoObj* token, std::string* error) {
  assert(fPos <= fText.size() && "host/syntax/Tokenizer: fPos <= fText.size()");
  if (!SkipBlanksAndComments(error)) return false;
  if (fPos >= fText.size()) {
    *item = Item::kEndText;
    return true;
  }
  const char c = fText[fPos];
  const bool digitNext = fPos + 1 < fText.size() && IsDigit(fText[fPos + 1]);
  if (fCommandMode && c == '.' && PeriodEndsCommand(fPos)) {
    ++fPos;
    fPrevAllowsSign = true;
    *item = Item::kEndCommand;
    return true;
  }
  bool ok = true;
  if (IsDigit(c) || (c == '.' && digitNext)) {
    ok = ReadNumber(token, error);
  } else if (c == '-' && fPrevAllowsSign &&
             (digitNext ||
              (fPos + 2 < fText.size() && fText[fPos + 1] == '.' && IsDigit(fText[fPos + 2])))) {
    ok = ReadNumber(token, error);
  } else if (IsNameStart(c)) {
    ReadName(token);
  } else if (c == '\'' || c == '"') {
    ok = ReadString(token, error);
  } else {
    ok = ReadOperator(token, error);
  }
  if (!ok) return false;
  const int code = token->getOperatorCode();
  fPrevAllowsSign =
      token->isOperator() && code != kOpRightParen && code != kOpRightBracket && code != kOpAll;
  *item = Item::kToken;
  return true;
}

bool TokenizeExpression(std::string_view text, std::vector<TokenInfoObj>* out, std::string* error) {
  Tokenizer tz(text, false, '.');
  out->clear();
  for (;;) {
    Tokenizer::Item item;
    TokenInfoObj tok;
    if (!tz.Next(&item, &tok, error)) return false;
    if (item == Tokenizer::Item::kEndText) return true;
    out->push_back(std::move(tok));
  }
}
