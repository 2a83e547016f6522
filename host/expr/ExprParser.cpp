#include "host/expr/ExprParser.h"

#include <algorithm>
#include <cassert>

namespace {

// Recursive descent over the token list; one method per precedence level.
// Invariants:
//  1. fPos indexes a token of fTokens, whose last token is kEnd;
//  2. fDepth counts the levels entered and never exceeds kExprMaxDepth + 1.
class Parser {
 public:
  Parser(std::string_view text, std::vector<ExprToken> tokens, ExprError* error)
      : fText(text), fTokens(std::move(tokens)), fError(error) {
    assert(!fTokens.empty() && fTokens.back().kind == ExprTok::kEnd &&
           "host/expr/ExprParser: tokens end with kEnd");
  }

  std::unique_ptr<SynNode> ParseAll() {
    if (Peek().kind == ExprTok::kEnd) {
      Fail(Peek(), "the expression is empty");
      return nullptr;
    }
    auto tree = ParseOr();
    if (!tree) return nullptr;
    if (Peek().kind != ExprTok::kEnd) {
      Fail(Peek(), "expected an operator or the end of the expression; found " + Describe(Peek()));
      return nullptr;
    }
    return tree;
  }

 private:
  using Node = std::unique_ptr<SynNode>;

  const ExprToken& Peek() const { return fTokens[fPos]; }
  const ExprToken& Take() {
    assert(fPos + 1 < fTokens.size() && "host/expr/ExprParser: no token past the end");
    return fTokens[fPos++];
  }

  std::nullptr_t Fail(const ExprToken& at, std::string message) {
    ExprFail(fError, at.offset, at.length, std::move(message));
    return nullptr;
  }

  std::string Describe(const ExprToken& t) const {
    switch (t.kind) {
      case ExprTok::kEnd:
        return "the end of the expression";
      case ExprTok::kNumber:
        return "the number " + std::string(Spelling(t));
      case ExprTok::kString:
        return "the string " + std::string(Spelling(t));
      case ExprTok::kName:
        return "the name " + t.text;
      default:
        return std::string(ExprTokSpelling(t.kind));
    }
  }
  std::string_view Spelling(const ExprToken& t) const {
    return std::string_view(fText).substr(t.offset, t.length);
  }

  // Guards every level that can recurse, so that deep nesting fails cleanly.
  struct DepthGuard {
    explicit DepthGuard(int* d) : depth(d) { ++*depth; }
    ~DepthGuard() { --*depth; }
    int* depth;
  };
  bool TooDeep() {
    // Every nesting level passes through at most four guarded methods.
    if (fDepth <= 4 * kExprMaxDepth) return false;
    Fail(Peek(), NestingMessage());
    return true;
  }
  static std::string NestingMessage() {
    return "the expression is nested too deeply (more than " + std::to_string(kExprMaxDepth) +
           " levels)";
  }
  // Fails when an operator node makes the tree deeper than the limit.
  Node CheckDepth(Node n, const ExprToken& at) {
    if (n->depth <= kExprMaxDepth) return n;
    return Fail(at, NestingMessage());
  }

  static Node MakeOp(SynKind kind, const ExprToken& op, Node left, Node right) {
    auto n = std::make_unique<SynNode>();
    n->kind = kind;
    n->op = op.kind;
    n->offset = op.offset;
    n->length = op.length;
    n->spanBegin = left ? left->spanBegin : op.offset;
    n->spanEnd = right->spanEnd;
    n->depth = 1 + std::max(left ? left->depth : 0, right->depth);
    if (left) n->args.push_back(std::move(left));
    n->args.push_back(std::move(right));
    return n;
  }

  template <typename Next>
  Node ParseLeftAssoc(Next next, std::initializer_list<ExprTok> ops) {
    Node left = (this->*next)();
    while (left) {
      ExprTok k = Peek().kind;
      bool match = false;
      for (ExprTok o : ops) match = match || k == o;
      if (!match) break;
      const ExprToken& op = Take();
      Node right = (this->*next)();
      if (!right) return nullptr;
      left = CheckDepth(MakeOp(SynKind::kBinary, op, std::move(left), std::move(right)), op);
    }
    return left;
  }

  Node ParseOr() { return ParseLeftAssoc(&Parser::ParseAnd, {ExprTok::kOr}); }
  Node ParseAnd() { return ParseLeftAssoc(&Parser::ParseNot, {ExprTok::kAnd}); }
  Node ParseNot() {
    DepthGuard guard(&fDepth);
    if (TooDeep()) return nullptr;
    if (Peek().kind != ExprTok::kNot) return ParseComparison();
    const ExprToken& op = Take();
    Node operand = ParseNot();
    if (!operand) return nullptr;
    return CheckDepth(MakeOp(SynKind::kUnary, op, nullptr, std::move(operand)), op);
  }
  Node ParseComparison() {
    return ParseLeftAssoc(&Parser::ParseSum, {ExprTok::kEq, ExprTok::kNe, ExprTok::kLt,
                                              ExprTok::kLe, ExprTok::kGt, ExprTok::kGe});
  }
  Node ParseSum() {
    return ParseLeftAssoc(&Parser::ParseProduct, {ExprTok::kPlus, ExprTok::kMinus});
  }
  Node ParseProduct() {
    return ParseLeftAssoc(&Parser::ParseUnary, {ExprTok::kStar, ExprTok::kSlash});
  }
  // Unary minus binds looser than **: -2**2 is -4.
  Node ParseUnary() {
    DepthGuard guard(&fDepth);
    if (TooDeep()) return nullptr;
    ExprTok k = Peek().kind;
    if (k != ExprTok::kMinus && k != ExprTok::kPlus) return ParsePower();
    const ExprToken& op = Take();
    Node operand = ParseUnary();
    if (!operand) return nullptr;
    if (k == ExprTok::kPlus) {
      operand->spanBegin = op.offset;
      return operand;
    }
    return CheckDepth(MakeOp(SynKind::kUnary, op, nullptr, std::move(operand)), op);
  }
  // ** is right-associative and its right side may carry a sign: 2**-1 is 0.5.
  Node ParsePower() {
    Node base = ParsePrimary();
    if (!base || Peek().kind != ExprTok::kPower) return base;
    const ExprToken& op = Take();
    Node exponent = ParseUnary();
    if (!exponent) return nullptr;
    return CheckDepth(MakeOp(SynKind::kBinary, op, std::move(base), std::move(exponent)), op);
  }

  Node ParsePrimary() {
    DepthGuard guard(&fDepth);
    if (TooDeep()) return nullptr;
    const ExprToken& t = Peek();
    auto leaf = [&](SynKind kind) {
      auto n = std::make_unique<SynNode>();
      n->kind = kind;
      n->offset = n->spanBegin = t.offset;
      n->length = t.length;
      n->spanEnd = t.offset + t.length;
      n->number = t.number;
      n->text = t.text;
      return n;
    };
    switch (t.kind) {
      case ExprTok::kNumber: {
        Node n = leaf(SynKind::kNumber);
        Take();
        return n;
      }
      case ExprTok::kString: {
        Node n = leaf(SynKind::kString);
        Take();
        return n;
      }
      case ExprTok::kName: {
        Node n = leaf(SynKind::kName);
        Take();
        if (Peek().kind == ExprTok::kLParen) return ParseCall(std::move(n));
        return n;
      }
      case ExprTok::kLParen: {
        const ExprToken& open = Take();
        Node inner = ParseOr();
        if (!inner) return nullptr;
        if (Peek().kind != ExprTok::kRParen) {
          return Fail(Peek(), "expected ) to close the ( at column " +
                                  std::to_string(ColumnOf(open)) + "; found " + Describe(Peek()));
        }
        inner->spanBegin = open.offset;
        inner->spanEnd = Take().offset + 1;
        return inner;
      }
      default:
        return Fail(
            t, "expected a number, a string, a variable, a function or (; found " + Describe(t));
    }
  }

  Node ParseCall(Node name) {
    name->kind = SynKind::kCall;
    Take();  // (
    if (Peek().kind != ExprTok::kRParen) {
      while (true) {
        Node arg = ParseOr();
        if (!arg) return nullptr;
        name->depth = std::max(name->depth, arg->depth + 1);
        name->args.push_back(std::move(arg));
        if (Peek().kind == ExprTok::kComma) {
          Take();
          continue;
        }
        if (Peek().kind == ExprTok::kRParen) break;
        return Fail(Peek(), "expected , or ) in the arguments of " + name->text + "; found " +
                                Describe(Peek()));
      }
    }
    name->spanEnd = Take().offset + 1;  // )
    return CheckDepth(std::move(name), fTokens[fPos - 1]);
  }

  size_t ColumnOf(const ExprToken& t) const {
    ExprError e;
    e.offset = t.offset;
    return e.Column(fText);
  }

  std::string_view fText;  // the expression text (borrowed), for spelling tokens
  std::vector<ExprToken> fTokens;
  size_t fPos = 0;
  int fDepth = 0;
  ExprError* fError;
};

}  // namespace

bool ParseExpression(std::string_view text, std::unique_ptr<SynNode>* tree, ExprError* error) {
  assert(tree && "host/expr/ExprParser: tree");
  std::vector<ExprToken> tokens;
  if (!LexExpression(text, &tokens, error)) return false;
  Parser parser(text, std::move(tokens), error);
  auto result = parser.ParseAll();
  if (!result) return false;
  *tree = std::move(result);
  return true;
}
