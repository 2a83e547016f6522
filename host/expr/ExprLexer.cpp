#include "host/expr/ExprLexer.h"

#include <cassert>
#include <charconv>
#include <cmath>

#include "host/common/StringHelpers.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;  // non-ASCII: letters
}
bool IsNameStart(char c) { return IsLetter(c) || c == '@' || c == '#' || c == '$'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '_' || c == '.'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

struct WordOperator {
  const char* word;
  ExprTok kind;
};
constexpr WordOperator kWordOperators[] = {
    {"AND", ExprTok::kAnd}, {"OR", ExprTok::kOr}, {"NOT", ExprTok::kNot},
    {"EQ", ExprTok::kEq},   {"NE", ExprTok::kNe}, {"LT", ExprTok::kLt},
    {"LE", ExprTok::kLe},   {"GT", ExprTok::kGt}, {"GE", ExprTok::kGe},
};

// Reads a number at text[pos]: digits with an optional fraction and exponent, or a fraction
// alone (".5"). Returns the bytes read, 0 when there is no number there.
size_t ReadNumber(std::string_view text, size_t pos, double* value) {
  size_t i = pos;
  while (i < text.size() && IsDigit(text[i])) ++i;
  bool intDigits = i > pos;
  if (i < text.size() && text[i] == '.') {
    size_t f = i + 1;
    while (f < text.size() && IsDigit(text[f])) ++f;
    if (!intDigits && f == i + 1) return 0;  // a lone period
    i = f;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t e = i + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    size_t d = e;
    while (d < text.size() && IsDigit(text[d])) ++d;
    if (d > e) i = d;  // "1e" without digits: the e starts a name, caught by the caller
  }
  auto res = std::from_chars(text.data() + pos, text.data() + i, *value);
  if (res.ec == std::errc::result_out_of_range) *value = HUGE_VAL;
  return i - pos;
}

}  // namespace

const char* ExprTokSpelling(ExprTok kind) {
  switch (kind) {
    case ExprTok::kEnd:
      return "the end of the expression";
    case ExprTok::kNumber:
      return "a number";
    case ExprTok::kString:
      return "a string";
    case ExprTok::kName:
      return "a name";
    case ExprTok::kLParen:
      return "(";
    case ExprTok::kRParen:
      return ")";
    case ExprTok::kComma:
      return ",";
    case ExprTok::kPlus:
      return "+";
    case ExprTok::kMinus:
      return "-";
    case ExprTok::kStar:
      return "*";
    case ExprTok::kSlash:
      return "/";
    case ExprTok::kPower:
      return "**";
    case ExprTok::kEq:
      return "=";
    case ExprTok::kNe:
      return "<>";
    case ExprTok::kLt:
      return "<";
    case ExprTok::kLe:
      return "<=";
    case ExprTok::kGt:
      return ">";
    case ExprTok::kGe:
      return ">=";
    case ExprTok::kAnd:
      return "AND";
    case ExprTok::kOr:
      return "OR";
    case ExprTok::kNot:
      return "NOT";
  }
  return "?";
}

bool LexExpression(std::string_view text, std::vector<ExprToken>* tokens, ExprError* error) {
  assert(tokens && "host/expr/ExprLexer: tokens");
  tokens->clear();
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    ExprToken tok;
    tok.offset = i;
    if (i == text.size()) {
      tokens->push_back(tok);
      return true;
    }
    char c = text[i];
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    auto op = [&](ExprTok kind, size_t len) {
      tok.kind = kind;
      tok.length = len;
    };
    if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      tok.kind = ExprTok::kNumber;
      tok.length = ReadNumber(text, i, &tok.number);
      size_t end = i + tok.length;
      if (end < text.size() && (IsNameStart(text[end]) || text[end] == '_')) {
        size_t e = end;
        while (e < text.size() && IsNameChar(text[e])) ++e;
        return ExprFail(error, i, e - i, "malformed number " + std::string(text.substr(i, e - i)));
      }
    } else if (c == '\'' || c == '"') {
      tok.kind = ExprTok::kString;
      size_t j = i + 1;
      while (true) {
        if (j >= text.size()) {
          return ExprFail(error, i, text.size() - i,
                          "unterminated string (missing " + std::string(1, c) + " at its end)");
        }
        if (text[j] == c) {
          if (j + 1 < text.size() && text[j + 1] == c) {  // a doubled quote is one quote
            tok.text.push_back(c);
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        tok.text.push_back(text[j++]);
      }
      tok.length = j - i;
    } else if (IsNameStart(c)) {
      size_t j = i;
      while (j < text.size() && IsNameChar(text[j])) ++j;
      while (j > i + 1 && text[j - 1] == '.') --j;  // a name does not end with a period
      tok.kind = ExprTok::kName;
      tok.length = j - i;
      tok.text = std::string(text.substr(i, j - i));
      for (const auto& w : kWordOperators) {
        if (AreStringsEqualCase(tok.text, w.word)) {
          tok.kind = w.kind;
          tok.text.clear();
          break;
        }
      }
    } else if (c == '*' && next == '*') {
      op(ExprTok::kPower, 2);
    } else if (c == '<' && next == '=') {
      op(ExprTok::kLe, 2);
    } else if (c == '<' && next == '>') {
      op(ExprTok::kNe, 2);
    } else if (c == '>' && next == '=') {
      op(ExprTok::kGe, 2);
    } else if (c == '~' && next == '=') {
      op(ExprTok::kNe, 2);
    } else {
      switch (c) {
        case '(':
          op(ExprTok::kLParen, 1);
          break;
        case ')':
          op(ExprTok::kRParen, 1);
          break;
        case ',':
          op(ExprTok::kComma, 1);
          break;
        case '+':
          op(ExprTok::kPlus, 1);
          break;
        case '-':
          op(ExprTok::kMinus, 1);
          break;
        case '*':
          op(ExprTok::kStar, 1);
          break;
        case '/':
          op(ExprTok::kSlash, 1);
          break;
        case '=':
          op(ExprTok::kEq, 1);
          break;
        case '<':
          op(ExprTok::kLt, 1);
          break;
        case '>':
          op(ExprTok::kGt, 1);
          break;
        case '&':
          op(ExprTok::kAnd, 1);
          break;
        case '|':
          op(ExprTok::kOr, 1);
          break;
        case '~':
          op(ExprTok::kNot, 1);
          break;
        default: {
          size_t len = 1;  // the whole UTF-8 character
          while (i + len < text.size() &&
                 (static_cast<unsigned char>(text[i + len]) & 0xC0) == 0x80)
            ++len;
          return ExprFail(error, i, len,
                          "unexpected character " + std::string(text.substr(i, len)));
        }
      }
    }
    i += tok.length;
    tokens->push_back(std::move(tok));
  }
}
