#include "host/expr/ExprEvaluator.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "host/data/ZIRA_Variable.h"

namespace {

constexpr double kSys = MCMV::gMissingValue;

// A finite result, or system-missing for overflow, division by zero and undefined results.
inline double Finite(double v) { return std::isfinite(v) ? v : kSys; }

inline double Arith(ExprOp op, double a, double b) {
  if (a == kSys || b == kSys) return kSys;
  switch (op) {
    case ExprOp::kAdd:
      return Finite(a + b);
    case ExprOp::kSub:
      return Finite(a - b);
    case ExprOp::kMul:
      return Finite(a * b);
    case ExprOp::kDiv:
      return b == 0 ? kSys : Finite(a / b);
    case ExprOp::kPow:
      return Finite(std::pow(a, b));
    default:
      return kSys;
  }
}

inline double Compare(ExprOp op, int c) {
  switch (op) {
    case ExprOp::kEq:
      return c == 0;
    case ExprOp::kNe:
      return c != 0;
    case ExprOp::kLt:
      return c < 0;
    case ExprOp::kLe:
      return c <= 0;
    case ExprOp::kGt:
      return c > 0;
    case ExprOp::kGe:
      return c >= 0;
    default:
      return kSys;
  }
}

inline int Sign(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

// Three-valued logic: 0 is false, system-missing unknown, any other value true.
inline double And3(double a, double b) {
  if (a == 0 || b == 0) return 0;
  return a == kSys || b == kSys ? kSys : 1;
}
inline double Or3(double a, double b) {
  if ((a != 0 && a != kSys) || (b != 0 && b != kSys)) return 1;
  return a == kSys || b == kSys ? kSys : 0;
}
inline double Not3(double a) { return a == kSys ? kSys : a == 0 ? 1 : 0; }

inline double VarNumber(const ZIRA_Variable* v, size_t row) {
  double x = v->GetNumber(row);
  return v->IsUserMissing(x) ? kSys : x;
}

template <typename F>
void Map1(const double* a, double* out, size_t n, F f) {
  for (size_t r = 0; r < n; ++r) out[r] = f(a[r]);
}
template <typename F>
void Map2(const double* a, const double* b, double* out, size_t n, F f) {
  for (size_t r = 0; r < n; ++r) out[r] = f(a[r], b[r]);
}

}  // namespace

ExprEvaluator::ExprEvaluator(const ExprProgram& program, const ZIRA_DataSource& data)
    : fProgram(program), fData(data) {
  size_t count = program.nodes.size();
  assert(program.root == static_cast<int>(count) - 1 && "host/expr/ExprEvaluator: root is last");
  fBlock.resize(count);
  fCur.assign(count, nullptr);
  fRowWise.assign(count, false);
  fStr.resize(count);
  fArgs.resize(count);
  std::vector<bool> inBlock(count, false);
  inBlock[count - 1] = program.nodes.back().type == ExprType::kNumber;
  for (size_t k = count; k-- > 0;) {
    const ExprNode& n = program.nodes[k];
    fArgs[k].assign(n.args.size(), 0.0);
    if (n.type == ExprType::kString) fStr[k].reserve(static_cast<size_t>(n.width) + 64);
    if (!inBlock[k]) continue;
    bool stringArg = n.stringOperands;
    for (int a : n.args)
      stringArg = stringArg || program.nodes[static_cast<size_t>(a)].type == ExprType::kString;
    fRowWise[k] = stringArg;
    if (!stringArg)
      for (int a : n.args) inBlock[static_cast<size_t>(a)] = true;
  }
  for (size_t k = 0; k < count; ++k) {
    if (!inBlock[k]) continue;
    fBlockOrder.push_back(static_cast<int>(k));
    const ExprNode& n = program.nodes[k];
    fBlock[k].assign(kBlockSize, n.op == ExprOp::kNumber ? n.number : 0.0);
  }
}

void ExprEvaluator::NumberColumn(std::vector<double>* out) {
  assert(fProgram.nodes.back().type == ExprType::kNumber &&
         "host/expr/ExprEvaluator: a numeric expression");
  size_t cases = fData.CaseCount();
  out->resize(cases);
  for (size_t start = 0; start < cases; start += kBlockSize) {
    size_t n = std::min(kBlockSize, cases - start);
    const double* values = nullptr;
    for (int i : fBlockOrder) values = Block(i, start, n);
    std::copy(values, values + n, out->data() + start);
  }
}

const double* ExprEvaluator::Block(int i, size_t start, size_t n) {
  size_t k = static_cast<size_t>(i);
  const ExprNode& node = fProgram.nodes[k];
  double* out = fBlock[k].data();
  assert(fBlock[k].size() == kBlockSize && n <= kBlockSize && "host/expr/ExprEvaluator: block");
  if (fRowWise[k]) {
    for (size_t r = 0; r < n; ++r) out[r] = Num(i, start + r);
    return fCur[k] = out;
  }
  const double* a = node.args.size() > 0 ? fCur[static_cast<size_t>(node.args[0])] : nullptr;
  const double* b = node.args.size() > 1 ? fCur[static_cast<size_t>(node.args[1])] : nullptr;
  switch (node.op) {
    case ExprOp::kNumber:
      return fCur[k] = out;  // filled with the constant at construction
    case ExprOp::kVar:
      // Without user-missing values the column itself is the block: nothing is copied.
      if (node.var->GetMissingValues().Empty()) return fCur[k] = node.var->Numbers().data() + start;
      for (size_t r = 0; r < n; ++r) out[r] = VarNumber(node.var, start + r);
      return fCur[k] = out;
    case ExprOp::kVarValue:
      return fCur[k] = node.var->Numbers().data() + start;
    case ExprOp::kVarMissing: {
      const double* col = node.var->Numbers().data() + start;
      Map1(col, out, n,
           [v = node.var](double x) { return x == kSys || v->IsUserMissing(x) ? 1.0 : 0.0; });
      return fCur[k] = out;
    }
    case ExprOp::kVarSysmis:
      Map1(node.var->Numbers().data() + start, out, n,
           [](double x) { return x == kSys ? 1.0 : 0.0; });
      return fCur[k] = out;
    case ExprOp::kNeg:
      Map1(a, out, n, [](double x) { return x == kSys ? kSys : -x; });
      return fCur[k] = out;
    case ExprOp::kAdd:
      Map2(a, b, out, n, [](double x, double y) { return Arith(ExprOp::kAdd, x, y); });
      break;
    case ExprOp::kSub:
      Map2(a, b, out, n, [](double x, double y) { return Arith(ExprOp::kSub, x, y); });
      break;
    case ExprOp::kMul:
      Map2(a, b, out, n, [](double x, double y) { return Arith(ExprOp::kMul, x, y); });
      break;
    case ExprOp::kDiv:
      Map2(a, b, out, n, [](double x, double y) { return Arith(ExprOp::kDiv, x, y); });
      break;
    case ExprOp::kPow:
      Map2(a, b, out, n, [](double x, double y) { return Arith(ExprOp::kPow, x, y); });
      break;
    case ExprOp::kEq:
    case ExprOp::kNe:
    case ExprOp::kLt:
    case ExprOp::kLe:
    case ExprOp::kGt:
    case ExprOp::kGe: {
      ExprOp op = node.op;
      Map2(a, b, out, n, [op](double x, double y) {
        return x == kSys || y == kSys ? kSys : Compare(op, Sign(x, y));
      });
      break;
    }
    case ExprOp::kAnd:
      Map2(a, b, out, n, And3);
      break;
    case ExprOp::kOr:
      Map2(a, b, out, n, Or3);
      break;
    case ExprOp::kNot:
      Map1(a, out, n, Not3);
      break;
    case ExprOp::kCall: {
      std::vector<double>& args = fArgs[k];
      int count = static_cast<int>(args.size());
      for (size_t r = 0; r < n; ++r) {
        for (int j = 0; j < count; ++j)
          args[static_cast<size_t>(j)] =
              fCur[static_cast<size_t>(node.args[static_cast<size_t>(j)])][r];
        out[r] = CallNumericFunction(node.fn, args.data(), count);
      }
      break;
    }
    case ExprOp::kString:
      assert(false && "host/expr/ExprEvaluator: no block for a string node");
      break;
  }
  return fCur[k] = out;
}

double ExprEvaluator::Num(int i, size_t row) {
  size_t k = static_cast<size_t>(i);
  const ExprNode& node = fProgram.nodes[k];
  assert(node.type == ExprType::kNumber && "host/expr/ExprEvaluator: a numeric node");
  auto arg = [&](size_t j) { return node.args[j]; };
  switch (node.op) {
    case ExprOp::kNumber:
      return node.number;
    case ExprOp::kVar:
      return VarNumber(node.var, row);
    case ExprOp::kVarValue:
      return node.var->GetNumber(row);
    case ExprOp::kVarMissing:
      if (node.stringOperands) return node.var->IsUserMissing(node.var->GetString(row)) ? 1 : 0;
      return node.var->IsValidNumber(row) ? 0 : 1;
    case ExprOp::kVarSysmis:
      return node.var->GetNumber(row) == kSys ? 1 : 0;
    case ExprOp::kNeg: {
      double x = Num(arg(0), row);
      return x == kSys ? kSys : -x;
    }
    case ExprOp::kAdd:
    case ExprOp::kSub:
    case ExprOp::kMul:
    case ExprOp::kDiv:
    case ExprOp::kPow: {
      double x = Num(arg(0), row);
      return Arith(node.op, x, Num(arg(1), row));
    }
    case ExprOp::kEq:
    case ExprOp::kNe:
    case ExprOp::kLt:
    case ExprOp::kLe:
    case ExprOp::kGt:
    case ExprOp::kGe: {
      if (node.stringOperands) {
        ExprStr x = Str(arg(0), row);
        ExprStr y = Str(arg(1), row);
        return x.missing || y.missing ? kSys : Compare(node.op, CompareExprStrings(x.text, y.text));
      }
      double x = Num(arg(0), row);
      double y = Num(arg(1), row);
      return x == kSys || y == kSys ? kSys : Compare(node.op, Sign(x, y));
    }
    case ExprOp::kAnd: {
      double x = Num(arg(0), row);
      return x == 0 ? 0 : And3(x, Num(arg(1), row));
    }
    case ExprOp::kOr: {
      double x = Num(arg(0), row);
      return x != 0 && x != kSys ? 1 : Or3(x, Num(arg(1), row));
    }
    case ExprOp::kNot:
      return Not3(Num(arg(0), row));
    case ExprOp::kCall:
      break;
    case ExprOp::kString:
      assert(false && "host/expr/ExprEvaluator: a string constant is not a number");
      return kSys;
  }
  switch (node.fn) {
    case ExprFn::kLength: {
      ExprStr s = Str(arg(0), row);
      return s.missing ? kSys : static_cast<double>(RightTrimBlanks(s.text).size());
    }
    case ExprFn::kIndex: {
      ExprStr s = Str(arg(0), row);
      ExprStr part = Str(arg(1), row);
      return s.missing || part.missing ? kSys : IndexOf(s.text, part.text);
    }
    case ExprFn::kNumber: {
      ExprStr s = Str(arg(0), row);
      double v = kSys;
      if (!s.missing && !ReadFormatted(s.text, node.format, &v)) v = kSys;
      return v;
    }
    case ExprFn::kMissing:
      if (node.stringOperands) return Str(arg(0), row).missing ? 1 : 0;
      break;
    case ExprFn::kAny:
    case ExprFn::kRange: {
      if (!node.stringOperands) break;
      ExprStr x = Str(arg(0), row);
      if (x.missing) return kSys;
      bool unknown = false;
      size_t step = node.fn == ExprFn::kAny ? 1 : 2;
      for (size_t j = 1; j + step - 1 < node.args.size(); j += step) {
        ExprStr lo = Str(arg(j), row);
        ExprStr hi = step == 1 ? lo : Str(arg(j + 1), row);
        if (lo.missing || hi.missing) {
          unknown = true;
        } else if (CompareExprStrings(lo.text, x.text) <= 0 &&
                   CompareExprStrings(x.text, hi.text) <= 0) {
          return 1;
        }
      }
      return unknown ? kSys : 0;
    }
    default:
      break;
  }
  std::vector<double>& args = fArgs[k];
  for (size_t j = 0; j < args.size(); ++j) args[j] = Num(arg(j), row);
  return CallNumericFunction(node.fn, args.data(), static_cast<int>(args.size()));
}

ExprStr ExprEvaluator::Str(int i, size_t row) {
  size_t k = static_cast<size_t>(i);
  const ExprNode& node = fProgram.nodes[k];
  assert(node.type == ExprType::kString && "host/expr/ExprEvaluator: a string node");
  auto arg = [&](size_t j) { return node.args[j]; };
  std::string& buf = fStr[k];
  switch (node.op) {
    case ExprOp::kString:
      return {node.text, false};
    case ExprOp::kVar: {
      std::string_view s = node.var->GetString(row);
      return {s, node.var->IsUserMissing(s)};
    }
    case ExprOp::kVarValue:
      return {node.var->GetString(row), false};
    case ExprOp::kCall:
      break;
    default:
      assert(false && "host/expr/ExprEvaluator: not a string operation");
      return {};
  }
  switch (node.fn) {
    case ExprFn::kUpcase:
    case ExprFn::kLower: {
      ExprStr s = Str(arg(0), row);
      ChangeLetterCase(s.text, node.fn == ExprFn::kUpcase, &buf);
      return {buf, s.missing};
    }
    case ExprFn::kTrim:
    case ExprFn::kLtrim:
    case ExprFn::kRtrim: {
      ExprStr s = Str(arg(0), row);
      char pad = ' ';
      if (node.args.size() > 1) {
        ExprStr p = Str(arg(1), row);
        if (!p.text.empty()) pad = p.text.front();
        s.missing = s.missing || p.missing;
      }
      return {TrimChar(s.text, pad, node.fn != ExprFn::kRtrim, node.fn != ExprFn::kLtrim),
              s.missing};
    }
    case ExprFn::kSubstr: {
      ExprStr s = Str(arg(0), row);
      double pos = Num(arg(1), row);
      double len = node.args.size() > 2 ? Num(arg(2), row) : kSys;
      if (s.missing || pos == kSys || (node.args.size() > 2 && len == kSys)) return {{}, true};
      return {Substring(s.text, pos, len), false};
    }
    case ExprFn::kConcat: {
      buf.clear();
      bool missing = false;
      for (size_t j = 0; j < node.args.size(); ++j) {
        ExprStr s = Str(arg(j), row);
        buf.append(s.text);
        missing = missing || s.missing;
      }
      return {buf, missing};
    }
    case ExprFn::kString:
      WriteFormatted(Num(arg(0), row), node.format, &buf);
      return {buf, false};
    default:
      assert(false && "host/expr/ExprEvaluator: not a string function");
      return {};
  }
}
