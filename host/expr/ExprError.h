// Compile errors of the expression language: what is wrong and where in the expression text,
// shown as the text with a caret line under the offending part.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct ExprError {
  size_t offset = 0;    // byte offset of the offending text in the expression
  size_t length = 0;    // its length in bytes (0: a point, such as the end of the text)
  std::string message;  // one sentence without the position, e.g. "unknown variable agee"

  // The 1-based column of the offending text, counted in characters (UTF-8 code points).
  size_t Column(std::string_view text) const;
  // The whole report: "Error at column 5: unknown variable agee.", then the expression and a
  // caret line under the offending part, each indented by two blanks.
  std::string Format(std::string_view text) const;
};

// Fills *error (when not null) and returns false, so a failing step can `return Fail(...)`.
bool ExprFail(ExprError* error, size_t offset, size_t length, std::string message);
