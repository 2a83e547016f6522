#include "host/expr/ExprTree.h"

#include <ostream>

#include "host/data/ZIRA_Variable.h"

namespace {

const char* OpName(ExprOp op) {
  switch (op) {
    case ExprOp::kNumber:
      return "number";
    case ExprOp::kString:
      return "string";
    case ExprOp::kVar:
      return "var";
    case ExprOp::kVarValue:
      return "value";
    case ExprOp::kVarMissing:
      return "missing";
    case ExprOp::kVarSysmis:
      return "sysmis";
    case ExprOp::kNeg:
      return "neg";
    case ExprOp::kAdd:
      return "+";
    case ExprOp::kSub:
      return "-";
    case ExprOp::kMul:
      return "*";
    case ExprOp::kDiv:
      return "/";
    case ExprOp::kPow:
      return "**";
    case ExprOp::kEq:
      return "=";
    case ExprOp::kNe:
      return "<>";
    case ExprOp::kLt:
      return "<";
    case ExprOp::kLe:
      return "<=";
    case ExprOp::kGt:
      return ">";
    case ExprOp::kGe:
      return ">=";
    case ExprOp::kAnd:
      return "AND";
    case ExprOp::kOr:
      return "OR";
    case ExprOp::kNot:
      return "NOT";
    case ExprOp::kCall:
      return "call";
  }
  return "?";
}

}  // namespace

void DumpExprProgram(const ExprProgram& program, std::ostream& os) {
  for (size_t i = 0; i < program.nodes.size(); ++i) {
    const ExprNode& n = program.nodes[i];
    os << i << ": " << OpName(n.op) << (n.type == ExprType::kString ? " [string" : " [number");
    if (n.type == ExprType::kString) os << " " << n.width;
    os << "]";
    if (n.op == ExprOp::kNumber) os << " " << n.number;
    if (n.op == ExprOp::kString) os << " '" << n.text << "'";
    if (n.var) os << " " << n.var->GetName() << " (column " << n.column << ")";
    if (n.op == ExprOp::kCall) os << " fn " << static_cast<int>(n.fn);
    for (int a : n.args) os << " #" << a;
    os << (static_cast<int>(i) == program.root ? " root\n" : "\n");
  }
}
