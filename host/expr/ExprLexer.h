// The expression language's tokenizer: numbers, quoted strings, names and operators, each
// with its place in the text. Word operators (AND, OR, NOT, EQ, NE, LT, LE, GT, GE) become
// operator tokens whatever their letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/expr/ExprError.h"

enum class ExprTok {
  kEnd,
  kNumber,
  kString,
  kName,
  kLParen,
  kRParen,
  kComma,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kPower,  // **
  kEq,     // = EQ
  kNe,     // <> ~= NE
  kLt,     // < LT
  kLe,     // <= LE
  kGt,     // > GT
  kGe,     // >= GE
  kAnd,    // AND &
  kOr,     // OR |
  kNot,    // NOT ~
};

struct ExprToken {
  ExprTok kind = ExprTok::kEnd;
  size_t offset = 0;  // byte offset in the expression text
  size_t length = 0;  // bytes of the token as written
  double number = 0;  // kNumber: the value
  std::string text;   // kString: the value (quotes removed, doubled quotes made single);
                      // kName: the name as written
};

// The tokens of a text, ending with one kEnd token at the end of the text. On failure (an
// unterminated string, a character that starts no token, a malformed number) returns false
// with *error set and *tokens unspecified.
bool LexExpression(std::string_view text, std::vector<ExprToken>* tokens, ExprError* error);

// How an operator token is written in messages ("+", "AND", "<="...).
const char* ExprTokSpelling(ExprTok kind);
