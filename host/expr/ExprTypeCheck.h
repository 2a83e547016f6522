// The expression language's type checker: turns a syntax tree into a checked program,
// resolving variable names against a dataset, function names against the library, and
// checking every operator's and function's operand types and counts.
#pragma once

#include "host/data/ZIRA_DataSource.h"
#include "host/expr/ExprError.h"
#include "host/expr/ExprParser.h"
#include "host/expr/ExprTree.h"

// Checks `tree` against the variables of `data` and fills *program. On failure returns false
// with *error naming the offending text (an unknown variable or function, a wrong argument
// count or type, operands of mixed types) and *program unspecified. The program borrows the
// variables of `data`: it is valid while they exist.
bool CheckExpression(const SynNode& tree, const ZIRA_DataSource& data, ExprProgram* program,
                     ExprError* error);
