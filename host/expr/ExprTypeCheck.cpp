#include "host/expr/ExprTypeCheck.h"

#include <cassert>
#include <cmath>

#include "host/common/StringHelpers.h"
#include "host/data/ZIRA_Variable.h"

namespace {

const char* TypeWord(ExprType t) { return t == ExprType::kString ? "a string" : "a number"; }

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Emits checked nodes in post-order into the program, so arguments precede their users.
// Invariant: every index returned refers to a node already in fProgram->nodes.
class Checker {
 public:
  Checker(const ZIRA_DataSource& data, ExprProgram* program, ExprError* error)
      : fData(data), fProgram(program), fError(error) {}

  // The index of the node made from `n`, or -1 with the error set.
  int Check(const SynNode& n) {
    switch (n.kind) {
      case SynKind::kNumber: {
        if (!std::isfinite(n.number)) return Fail(n, "the number is too large");
        ExprNode node = Base(n, ExprOp::kNumber, ExprType::kNumber);
        node.number = n.number;
        return Emit(std::move(node));
      }
      case SynKind::kString: {
        ExprNode node = Base(n, ExprOp::kString, ExprType::kString);
        node.text = n.text;
        node.width = static_cast<int>(n.text.size());
        return Emit(std::move(node));
      }
      case SynKind::kName:
        return CheckVariable(n, ExprOp::kVar);
      case SynKind::kUnary:
        return CheckUnary(n);
      case SynKind::kBinary:
        return CheckBinary(n);
      case SynKind::kCall:
        return CheckCall(n);
    }
    return -1;
  }

 private:
  ExprNode Base(const SynNode& n, ExprOp op, ExprType type) const {
    ExprNode node;
    node.op = op;
    node.type = type;
    node.offset = n.offset;
    node.length = n.length;
    return node;
  }

  int Emit(ExprNode node) {
    for (int a : node.args) {
      assert(a >= 0 && a < static_cast<int>(fProgram->nodes.size()) &&
             "host/expr/ExprTypeCheck: arguments come first");
    }
    fProgram->nodes.push_back(std::move(node));
    return static_cast<int>(fProgram->nodes.size()) - 1;
  }

  int Fail(const SynNode& at, std::string message) {
    ExprFail(fError, at.offset, at.length, std::move(message));
    return -1;
  }
  int FailSpan(const SynNode& at, std::string message) {
    ExprFail(fError, at.spanBegin, at.spanEnd - at.spanBegin, std::move(message));
    return -1;
  }

  const ExprNode& Node(int i) const { return fProgram->nodes[static_cast<size_t>(i)]; }

  int CheckVariable(const SynNode& n, ExprOp op) {
    int col = fData.FindVarIndex(n.text);
    if (col < 0 && op == ExprOp::kVar && AreStringsEqualCase(n.text, "$SYSMIS")) {
      ExprNode node = Base(n, ExprOp::kNumber, ExprType::kNumber);
      node.number = MCMV::gMissingValue;  // the system-missing value as a constant
      return Emit(std::move(node));
    }
    if (col < 0) {
      if (FindExprFunction(n.text))
        return Fail(n, n.text + " is a function; write it with its arguments in parentheses");
      return Fail(n, "unknown variable " + n.text);
    }
    const ZIRA_Variable* var = fData.GetVariable(col);
    ExprNode node = Base(n, op, var->IsString() ? ExprType::kString : ExprType::kNumber);
    if (op == ExprOp::kVarMissing || op == ExprOp::kVarSysmis) {
      node.type = ExprType::kNumber;
      node.stringOperands = var->IsString();
    }
    node.var = var;
    node.column = col;
    node.width = var->GetType();
    return Emit(std::move(node));
  }

  // Checks an operand that must be a number; `what` names its role in the message.
  int CheckNumber(const SynNode& n, const std::string& what) {
    int i = Check(n);
    if (i < 0) return -1;
    if (Node(i).type != ExprType::kNumber)
      return FailSpan(n, what + " must be a number; found a string");
    return i;
  }

  int CheckUnary(const SynNode& n) {
    const char* opText = n.op == ExprTok::kNot ? "NOT" : "-";
    int a = CheckNumber(*n.args[0], std::string("the operand of ") + opText);
    if (a < 0) return -1;
    ExprNode node = Base(n, n.op == ExprTok::kNot ? ExprOp::kNot : ExprOp::kNeg, ExprType::kNumber);
    node.args = {a};
    return Emit(std::move(node));
  }

  int CheckBinary(const SynNode& n) {
    ExprOp op = ExprOp::kAdd;
    bool comparison = false;
    switch (n.op) {
      case ExprTok::kPlus:
        op = ExprOp::kAdd;
        break;
      case ExprTok::kMinus:
        op = ExprOp::kSub;
        break;
      case ExprTok::kStar:
        op = ExprOp::kMul;
        break;
      case ExprTok::kSlash:
        op = ExprOp::kDiv;
        break;
      case ExprTok::kPower:
        op = ExprOp::kPow;
        break;
      case ExprTok::kAnd:
        op = ExprOp::kAnd;
        break;
      case ExprTok::kOr:
        op = ExprOp::kOr;
        break;
      case ExprTok::kEq:
        op = ExprOp::kEq;
        comparison = true;
        break;
      case ExprTok::kNe:
        op = ExprOp::kNe;
        comparison = true;
        break;
      case ExprTok::kLt:
        op = ExprOp::kLt;
        comparison = true;
        break;
      case ExprTok::kLe:
        op = ExprOp::kLe;
        comparison = true;
        break;
      case ExprTok::kGt:
        op = ExprOp::kGt;
        comparison = true;
        break;
      case ExprTok::kGe:
        op = ExprOp::kGe;
        comparison = true;
        break;
      default:
        assert(false && "host/expr/ExprTypeCheck: binary operator");
        return -1;
    }
    ExprNode node = Base(n, op, ExprType::kNumber);
    if (comparison) {
      int a = Check(*n.args[0]);
      if (a < 0) return -1;
      int b = Check(*n.args[1]);
      if (b < 0) return -1;
      if (Node(a).type != Node(b).type) {
        return Fail(n, std::string("cannot compare ") + TypeWord(Node(a).type) + " with " +
                           TypeWord(Node(b).type));
      }
      node.stringOperands = Node(a).type == ExprType::kString;
      node.args = {a, b};
      return Emit(std::move(node));
    }
    std::string role = std::string("an operand of ") + ExprTokSpelling(n.op);
    int a = CheckNumber(*n.args[0], role);
    if (a < 0) return -1;
    int b = CheckNumber(*n.args[1], role);
    if (b < 0) return -1;
    node.args = {a, b};
    return Emit(std::move(node));
  }

  int CheckCall(const SynNode& n) {
    const ExprFnInfo* info = FindExprFunction(n.text);
    if (!info) return Fail(n, "unknown function " + n.text);
    int count = static_cast<int>(n.args.size());
    if (count < info->minArgs || (info->maxArgs >= 0 && count > info->maxArgs)) {
      std::string wanted =
          info->maxArgs < 0 ? "at least " + Plural(info->minArgs, "argument")
          : info->minArgs == info->maxArgs
              ? Plural(info->minArgs, "argument")
              : std::to_string(info->minArgs) + " to " + Plural(info->maxArgs, "argument");
      return Fail(n, std::string(info->name) + " takes " + wanted + "; found " +
                         std::to_string(count) + " (write " + info->usage + ")");
    }
    if (info->fn == ExprFn::kRange && count % 2 == 0) {
      return Fail(n, std::string("RANGE needs a low and a high value for each range; found ") +
                         Plural(count - 1, "bound") + " (write " + info->usage + ")");
    }
    // MISSING, SYSMIS and VALUE of a variable see its user-missing status.
    const SynNode& first = *n.args[0];
    if (info->fn == ExprFn::kValue) {
      if (first.kind != SynKind::kName)
        return FailSpan(first,
                        "VALUE needs a variable name (write " + std::string(info->usage) + ")");
      return CheckVariable(first, ExprOp::kVarValue);
    }
    if ((info->fn == ExprFn::kMissing || info->fn == ExprFn::kSysmis) &&
        first.kind == SynKind::kName) {
      int v = CheckVariable(
          first, info->fn == ExprFn::kMissing ? ExprOp::kVarMissing : ExprOp::kVarSysmis);
      if (v >= 0 && info->fn == ExprFn::kSysmis && Node(v).stringOperands)
        return FailSpan(first, "argument 1 of SYSMIS must be a number; found a string");
      return v;
    }
    ExprNode node = Base(n, ExprOp::kCall, ExprType::kNumber);
    node.fn = info->fn;
    for (int k = 0; k < count; ++k) {
      const SynNode& arg = *n.args[static_cast<size_t>(k)];
      char letter = ExprFnArgLetter(*info, k);
      if (letter == 'f') {
        if (!CheckFormatArgument(arg, *info, &node.format)) return -1;
        continue;
      }
      int a = Check(arg);
      if (a < 0) return -1;
      ExprType t = Node(a).type;
      ExprType want = letter == 's'   ? ExprType::kString
                      : letter == '=' ? Node(node.args[0]).type
                                      : ExprType::kNumber;
      if (letter != 'a' && t != want) {
        return FailSpan(arg, "argument " + std::to_string(k + 1) + " of " + info->name +
                                 " must be " + TypeWord(want) + "; found " + TypeWord(t) +
                                 " (write " + info->usage + ")");
      }
      node.args.push_back(a);
    }
    node.stringOperands = Node(node.args[0]).type == ExprType::kString;
    node.type = info->result == 's'   ? ExprType::kString
                : info->result == '1' ? Node(node.args[0]).type
                                      : ExprType::kNumber;
    node.width = ResultWidth(node);
    return Emit(std::move(node));
  }

  bool CheckFormatArgument(const SynNode& arg, const ExprFnInfo& info, ExprFormat* format) {
    if (arg.kind != SynKind::kName && arg.kind != SynKind::kString) {
      FailSpan(arg,
               std::string("the format of ") + info.name + " must be written like F8.2 or SDATE10");
      return false;
    }
    std::string why;
    if (!ParseExprFormat(arg.text, format, &why)) {
      Fail(arg, why);
      return false;
    }
    if (!format->IsNumeric()) {
      Fail(arg, std::string(info.name) + " needs a numeric or date format, not " + arg.text);
      return false;
    }
    return true;
  }

  int ResultWidth(const ExprNode& node) const {
    if (node.type != ExprType::kString) return 0;
    int w0 = Node(node.args[0]).width;
    switch (node.fn) {
      case ExprFn::kUpcase:
      case ExprFn::kLower:
        return 2 * w0;  // a letter's other case may take more bytes in UTF-8
      case ExprFn::kConcat: {
        int w = 0;
        for (int a : node.args) w += Node(a).width;
        return w;
      }
      case ExprFn::kString:
        return FormattedWidth(node.format);
      default:
        return w0;
    }
  }

  const ZIRA_DataSource& fData;
  ExprProgram* fProgram;
  ExprError* fError;
};

}  // namespace

bool CheckExpression(const SynNode& tree, const ZIRA_DataSource& data, ExprProgram* program,
                     ExprError* error) {
  assert(program && "host/expr/ExprTypeCheck: program");
  program->nodes.clear();
  Checker checker(data, program, error);
  int root = checker.Check(tree);
  if (root < 0) return false;
  program->root = root;
  assert(root == static_cast<int>(program->nodes.size()) - 1 &&
         "host/expr/ExprTypeCheck: the root is the last node");
  return true;
}
