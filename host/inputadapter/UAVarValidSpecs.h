// The host's variable settings for a procedure's record: which dataset columns form the
// analysis record, in which positions, and which of them are categorical.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Invariants:
//  1. fColumns and fCatFlags have one entry per record position;
//  2. fCatByColumn is indexed by column and true only for categorical record columns.
class UAVarValidSpecs {
 public:
  // The three flags say which variable kinds the procedure accepts (numeric, string, and
  // categorical coding); Zira's input adapter accepts all kinds whatever they say.
  UAVarValidSpecs(bool numeric, bool string, bool coded);
  virtual ~UAVarValidSpecs();

  // Appends analysis variables: column i goes to the next record position, with its flag.
  // recordPositions receives the record position of each column given.
  void AddVariables(const std::vector<int32_t>& columns, std::vector<int32_t>* recordPositions,
                    const std::vector<bool>& catFlags);
  // Closes the record layout; no variables are added afterwards.
  void SetCaseCount();
  bool IsClosed() const { return fClosed; }

  int GetRecordSize() const { return static_cast<int>(fColumns.size()); }
  // The column at a record position, -1 when out of range.
  int GetZIRAVarIndex(int recordPos) const;
  // Whether a column is a categorical variable of the record.
  bool GetZIRACatVar(int column) const;
  bool IsCatPosition(int recordPos) const { return fCatFlags[static_cast<size_t>(recordPos)]; }
  const std::vector<int>& Columns() const { return fColumns; }

  // A number's text written with the decimal character of the host's locale.
  static std::string AdjustDecimalCharacter(const std::string& numberText);

 private:
  std::vector<int> fColumns;
  std::vector<bool> fCatFlags;
  std::vector<bool> fCatByColumn;
  bool fClosed = false;
};
