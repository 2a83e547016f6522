// The host's expression language, as COMPUTE and RULES COMPUTE use it: compile a text once
// against the active dataset, then evaluate it for one case or for every case at once.
// See docs/expressions.md for the language.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/data/ZIRA_DataSource.h"
#include "host/expr/ExprError.h"

class ExprEvaluator;
struct ExprProgram;

// What a caller needs the expression to give.
enum class ExprWant { kAny, kNumber, kString };

// A compiled expression. It owns its checked program and evaluation buffers and borrows the
// dataset's variables: compile again after variables are deleted or change type (adding
// variables or cases is fine). Evaluation reuses the buffers, so an Expression is for one
// thread at a time, even through its const methods.
// Invariants:
//  1. fProgram is a checked program whose root is the last node;
//  2. fEvaluator evaluates fProgram against fData.
class Expression {
 public:
  ~Expression();
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  // Compiles `text` against the variables of `data`. On failure returns null and sets *error
  // (when not null) to the message with the column, the text and a caret line, such as
  //   Error at column 5: unknown variable agee.
  //     x + agee
  //         ^^^^
  // `want` refuses a result of the other type ("the expression gives a string; a number is
  // needed here").
  static std::unique_ptr<Expression> Compile(std::string_view text, const ZIRA_DataSource& data,
                                             std::string* error, ExprWant want = ExprWant::kAny);
  // The same, with the error as a record (message, offset and length) for callers that build
  // their own message around it.
  static std::unique_ptr<Expression> Compile(std::string_view text, const ZIRA_DataSource& data,
                                             ExprError* error, ExprWant want = ExprWant::kAny);

  // Whether the result is a string (else a number; conditions are numbers 1, 0 or missing).
  bool IsString() const;
  // A string result's most bytes (0 for numbers): the width COMPUTE gives a new variable.
  int StringWidth() const;
  // The expression text as compiled.
  const std::string& Text() const { return fText; }

  // Numeric expressions. The value for every case, in case order (out resized to the case
  // count), computed column-wise; the value for the case at `row` (0-based). System-missing is
  // MCMV::gMissingValue.
  void EvaluateNumeric(std::vector<double>* out) const;
  double EvaluateNumeric(size_t row) const;
  // A condition holds only when the value is exactly 1: false and missing do not hold.
  bool EvaluateCondition(size_t row) const;
  // For every case, 1 where the condition holds and 0 elsewhere (missing included): the
  // outcome of a rule whose expression says when a case breaks it.
  void EvaluateConditionColumn(std::vector<double>* out) const;
  static bool IsTrue(double value) { return value == 1.0; }

  // String expressions. The value for the case at `row` (valid until the next evaluation);
  // *missing, when not null, says whether it derives from a user-missing value.
  std::string_view EvaluateString(size_t row, bool* missing = nullptr) const;
  // Every case's value as blank-padded cells of `cellWidth` bytes (the layout of a string
  // column; longer values are cut), *out resized to case count x cellWidth.
  void EvaluateStringColumn(int cellWidth, std::vector<char>* out) const;

  // The checked program, one node a line, for debug displays.
  void Dump(std::ostream& os) const;

 private:
  Expression();
  std::string fText;
  ZIRA_DataSource fData;
  std::unique_ptr<ExprProgram> fProgram;
  std::unique_ptr<ExprEvaluator> fEvaluator;  // mutable scratch state behind const methods
};
