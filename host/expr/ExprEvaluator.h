// The expression language's evaluator: runs a checked program for one case, or column-wise
// over all cases in blocks of cases, each numeric node filling its own preallocated block.
// String results are written into node-owned buffers reserved at construction, so evaluating
// allocates nothing per case.
#pragma once

#include <string_view>
#include <vector>

#include "host/data/ZIRA_DataSource.h"
#include "host/expr/ExprTree.h"

// A string value during evaluation: the bytes (borrowed from a variable, a constant or a node
// buffer; valid until the same node is evaluated again) and whether the value counts as
// missing (a user-missing value, or derived from one).
struct ExprStr {
  std::string_view text;
  bool missing = false;
};

// Invariants:
//  1. fBlock[i] has kBlockSize values for every node evaluated block-wise, none for the others;
//  2. fBlockOrder lists those nodes in ascending order, so arguments come before users;
//  3. fArgs[i] has one slot per argument of node i.
class ExprEvaluator {
 public:
  static constexpr size_t kBlockSize = 1024;

  // Borrows the program and the dataset for its lifetime.
  ExprEvaluator(const ExprProgram& program, const ZIRA_DataSource& data);

  // The value of a numeric node (the root by default) for the case at `row`.
  double Number(size_t row) { return Num(fProgram.root, row); }
  // The value of a string root for the case at `row`.
  ExprStr String(size_t row) { return Str(fProgram.root, row); }
  // The numeric root's value for every case, in case order; *out is resized to the case count.
  void NumberColumn(std::vector<double>* out);

 private:
  double Num(int i, size_t row);
  ExprStr Str(int i, size_t row);
  // Fills the block of node i for cases [start, start + n); returns where the values are.
  const double* Block(int i, size_t start, size_t n);

  const ExprProgram& fProgram;
  ZIRA_DataSource fData;
  std::vector<std::vector<double>> fBlock;  // per node: block values (block-wise nodes)
  std::vector<const double*> fCur;          // per node: where its current block values are
  std::vector<bool> fRowWise;               // per block node: filled case by case
  std::vector<int> fBlockOrder;
  std::vector<std::string> fStr;           // per node: string result buffer
  std::vector<std::vector<double>> fArgs;  // per node: numeric argument values of a call
};
