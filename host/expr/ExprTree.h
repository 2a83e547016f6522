// The checked expression: a flat list of typed nodes, children before parents, with variables
// resolved to the dataset's columns and functions to the library. Built once by the type
// checker; the evaluator only reads it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "host/expr/ExprFormat.h"
#include "host/expr/ExprFunctions.h"

class ZIRA_Variable;

enum class ExprType : unsigned char { kNumber, kString };

enum class ExprOp : unsigned char {
  kNumber,      // numeric constant
  kString,      // string constant
  kVar,         // variable value; user-missing values count as missing
  kVarValue,    // VALUE(variable): the value whatever its missing status
  kVarMissing,  // MISSING(variable): system- or user-missing (strings: user-missing)
  kVarSysmis,   // SYSMIS(variable)
  kNeg,
  kAdd,
  kSub,
  kMul,
  kDiv,
  kPow,
  kEq,
  kNe,
  kLt,
  kLe,
  kGt,
  kGe,  // numeric or string operands, the same for both
  kAnd,
  kOr,
  kNot,
  kCall,  // a library function
};

struct ExprNode {
  ExprOp op = ExprOp::kNumber;
  ExprType type = ExprType::kNumber;
  ExprFn fn = ExprFn::kAbs;            // kCall
  bool stringOperands = false;         // comparisons, ANY, RANGE, MISSING over strings
  std::vector<int> args;               // indices of the operand nodes, which come earlier
  double number = 0;                   // kNumber
  std::string text;                    // kString: the value
  const ZIRA_Variable* var = nullptr;  // kVar...: borrowed from the dataset compiled against
  int column = -1;                     // kVar...: its column
  ExprFormat format;                   // NUMBER, STRING: the format argument
  int width = 0;                       // string results: the most bytes the value can have
  size_t offset = 0;                   // the text of the node, for messages
  size_t length = 0;
};

// Invariants:
//  1. every argument index of node i is below i;
//  2. root is the last node;
//  3. variable nodes hold the variable and column they were resolved to.
struct ExprProgram {
  std::vector<ExprNode> nodes;
  int root = -1;
};

// A readable listing of the nodes, one a line, for debug displays.
void DumpExprProgram(const ExprProgram& program, std::ostream& os);
