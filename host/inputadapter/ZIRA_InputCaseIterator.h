// The host's position in a pass over the active dataset: the current case, its case number,
// and the way a procedure stores values of the variables it created for that case.
#pragma once

#include <cstddef>

#include "host/data/ZIRA_DataSource.h"

class ZIRA_InputCaseIterator {
 public:
  explicit ZIRA_InputCaseIterator(const ZIRA_DataSource& data) : fData(data) {}

  // The current case's row (from 0) and its case number in the file (from 1).
  size_t Row() const { return fRow; }
  long GetCaseNumber() const { return static_cast<long>(fRow) + 1; }
  void SetRow(size_t row) { fRow = row; }

  // Stores a value of a numeric variable for the current case.
  void SetColumnValue(int column, double value);
  // Stores one value of a numeric variable for the cases of rows begin .. end-1.
  void SetColumnValues(int column, size_t begin, size_t end, double value);
  // Stores values[0 .. n-1] in a numeric variable for the cases of rows begin .. begin+n-1.
  void SetColumnValues(int column, size_t begin, const double* values, size_t n);

  const ZIRA_DataSource& Data() const { return fData; }

 private:
  ZIRA_DataSource fData;  // a handle sharing the dataset
  size_t fRow = 0;
};
