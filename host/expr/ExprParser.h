// The expression language's parser: tokens to a syntax tree, with standard precedence
// (loosest first): OR; AND; NOT; comparisons; + -; * /; unary minus; ** (right-associative);
// then numbers, strings, names, function calls and parentheses. Types are not checked here.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/expr/ExprError.h"
#include "host/expr/ExprLexer.h"

enum class SynKind { kNumber, kString, kName, kUnary, kBinary, kCall };

// One node of the syntax tree. A node owns its arguments.
struct SynNode {
  SynKind kind = SynKind::kNumber;
  ExprTok op = ExprTok::kEnd;  // kUnary, kBinary: the operator
  size_t offset = 0;           // the token that makes the node (operator, name, literal)
  size_t length = 0;
  size_t spanBegin = 0;  // the whole text of the node, for messages about an argument
  size_t spanEnd = 0;
  double number = 0;  // kNumber
  int depth = 1;      // levels of the subtree (a leaf is 1)
  std::string text;   // kString: the value; kName, kCall: the name as written
  std::vector<std::unique_ptr<SynNode>> args;  // operands or call arguments, in order
};

// Nesting deeper than this (parentheses, operators, calls) is refused, so that neither the
// parser nor the evaluator can exhaust the stack.
inline constexpr int kExprMaxDepth = 200;

// Parses a whole expression. On failure returns false with *error set and *tree untouched.
bool ParseExpression(std::string_view text, std::unique_ptr<SynNode>* tree, ExprError* error);
