#include "host/expr/Expression.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "host/expr/ExprEvaluator.h"
#include "host/expr/ExprParser.h"
#include "host/expr/ExprTree.h"
#include "host/expr/ExprTypeCheck.h"

Expression::Expression() = default;
Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::Compile(std::string_view text, const ZIRA_DataSource& data,
                                                std::string* error, ExprWant want) {
  ExprError detail;
  auto result = Compile(text, data, &detail, want);
  if (!result && error) *error = detail.Format(text);
  return result;
}

std::unique_ptr<Expression> Expression::Compile(std::string_view text, const ZIRA_DataSource& data,
                                                ExprError* error, ExprWant want) {
  std::unique_ptr<SynNode> tree;
  if (!ParseExpression(text, &tree, error)) return nullptr;
  auto program = std::make_unique<ExprProgram>();
  if (!CheckExpression(*tree, data, program.get(), error)) return nullptr;
  ExprType type = program->nodes.back().type;
  if ((want == ExprWant::kNumber && type != ExprType::kNumber) ||
      (want == ExprWant::kString && type != ExprType::kString)) {
    ExprFail(error, tree->spanBegin, tree->spanEnd - tree->spanBegin,
             type == ExprType::kString ? "the expression gives a string; a number is needed here"
                                       : "the expression gives a number; a string is needed here");
    return nullptr;
  }
  std::unique_ptr<Expression> e(new Expression());
  e->fText = std::string(text);
  e->fData = data;
  e->fProgram = std::move(program);
  e->fEvaluator = std::make_unique<ExprEvaluator>(*e->fProgram, e->fData);
  return e;
}

bool Expression::IsString() const { return fProgram->nodes.back().type == ExprType::kString; }

int Expression::StringWidth() const { return IsString() ? fProgram->nodes.back().width : 0; }

void Expression::EvaluateNumeric(std::vector<double>* out) const {
  assert(out && !IsString() && "host/expr/Expression: numeric column of a numeric expression");
  fEvaluator->NumberColumn(out);
}

double Expression::EvaluateNumeric(size_t row) const {
  assert(!IsString() && row < fData.CaseCount() && "host/expr/Expression: numeric row in range");
  return fEvaluator->Number(row);
}

bool Expression::EvaluateCondition(size_t row) const { return IsTrue(EvaluateNumeric(row)); }

void Expression::EvaluateConditionColumn(std::vector<double>* out) const {
  EvaluateNumeric(out);
  for (double& v : *out) v = IsTrue(v) ? 1.0 : 0.0;
}

std::string_view Expression::EvaluateString(size_t row, bool* missing) const {
  assert(IsString() && row < fData.CaseCount() && "host/expr/Expression: string row in range");
  ExprStr s = fEvaluator->String(row);
  if (missing) *missing = s.missing;
  return s.text;
}

void Expression::EvaluateStringColumn(int cellWidth, std::vector<char>* out) const {
  assert(out && cellWidth > 0 && IsString() && "host/expr/Expression: string column");
  size_t w = static_cast<size_t>(cellWidth);
  size_t cases = fData.CaseCount();
  out->assign(cases * w, ' ');
  for (size_t r = 0; r < cases; ++r) {
    std::string_view s = fEvaluator->String(r).text;
    if (!s.empty()) std::memcpy(out->data() + r * w, s.data(), std::min(s.size(), w));
  }
}

void Expression::Dump(std::ostream& os) const { DumpExprProgram(*fProgram, os); }
