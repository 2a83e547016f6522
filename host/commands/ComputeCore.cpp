// COMPUTE: compile, evaluate column-wise into a buffer of the target's layout, then swap the
// buffer into the dataset, so nothing changes until every step has succeeded.
#include "host/commands/ComputeCore.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "host/common/StringHelpers.h"
#include "host/expr/Expression.h"

namespace {

// Compiles one of COMPUTE's expressions; on failure *error names which one and where.
std::unique_ptr<Expression> CompilePart(std::string_view text, const ZIRA_DataSource& data,
                                        const char* what, ExprWant want, std::string* error) {
  ExprError exprError;
  std::unique_ptr<Expression> e = Expression::Compile(text, data, &exprError, want);
  if (!e) *error = std::string("COMPUTE: error in the ") + what + ". " + exprError.Format(text);
  return e;
}

// Blanks the bytes of every cell past the variable's width: values are cut to the width and
// blank-padded to the cell.
void CutToWidth(std::vector<char>* cells, size_t cellWidth, size_t width) {
  if (width >= cellWidth) return;
  for (size_t at = 0; at < cells->size(); at += cellWidth)
    std::memset(cells->data() + at + width, ' ', cellWidth - width);
}

}  // namespace

bool ComputeVariable(ZIRA_DataSource& data, const std::string& target, std::string_view expression,
                     std::string_view condition, std::string* error, bool* created) {
  assert(error && "host/commands/ComputeCore: error string given");
  if (!IsValidVarName(target) || IsReservedWord(target)) {
    *error = "COMPUTE: " + target +
             (IsReservedWord(target) ? " is a reserved word and cannot name a variable."
                                     : " is not a valid variable name.");
    return false;
  }
  std::unique_ptr<Expression> value =
      CompilePart(expression, data, "expression", ExprWant::kAny, error);
  if (!value) return false;
  std::unique_ptr<Expression> cond;
  if (!condition.empty()) {
    cond = CompilePart(condition, data, "condition", ExprWant::kNumber, error);
    if (!cond) return false;
  }

  const int column = data.FindVarIndex(target);
  ZIRA_Variable* existing = data.GetVariable(column);
  if (existing && existing->IsString() != value->IsString()) {
    *error = "COMPUTE: " + existing->GetName() + " is a " +
             (existing->IsString() ? "string" : "numeric") +
             " variable, but the expression gives " +
             (value->IsString() ? "a string." : "a number.");
    return false;
  }
  const int type =
      existing
          ? existing->GetType()
          : (value->IsString() ? std::clamp(value->StringWidth(), 1, kComputeMaxStringWidth) : 0);
  const size_t cases = data.CaseCount();

  // Evaluate into buffers laid out like the target's column.
  std::vector<double> where;
  if (cond) cond->EvaluateConditionColumn(&where);
  std::vector<double> numbers;
  std::vector<char> cells;
  const size_t cellWidth = static_cast<size_t>(CellWidth(type));
  if (type == 0) {
    value->EvaluateNumeric(&numbers);
    if (cond) {
      for (size_t r = 0; r < cases; ++r)
        if (where[r] != 1.0) numbers[r] = existing ? existing->GetNumber(r) : MCMV::gMissingValue;
    }
  } else {
    value->EvaluateStringColumn(static_cast<int>(cellWidth), &cells);
    CutToWidth(&cells, cellWidth, static_cast<size_t>(type));
    if (cond) {
      for (size_t r = 0; r < cases; ++r) {
        if (where[r] == 1.0) continue;
        char* cell = cells.data() + r * cellWidth;
        if (existing) {
          std::memcpy(cell, existing->GetStringCell(r), cellWidth);
        } else {
          std::memset(cell, ' ', cellWidth);
        }
      }
    }
  }

  // Store: the only step that changes the dataset, and it cannot fail half-way.
  ZIRA_Variable* var = existing;
  if (!var) {
    try {
      var = data.AddVariable(target, type);
    } catch (const std::bad_alloc&) {  // AddVariable adds nothing when it throws
      *error = "COMPUTE: not enough memory to create " + target + ".";
      return false;
    }
    assert(var && "host/commands/ComputeCore: a name not found is free");
  }
  if (type == 0) {
    var->Numbers().swap(numbers);
  } else {
    var->StringBuffer().swap(cells);
  }
  if (created) *created = existing == nullptr;
  return true;
}
