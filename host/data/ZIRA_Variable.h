// One variable of the active dataset: its dictionary entry and its column of values.
// Numeric values are doubles; a string variable of width w keeps n x W bytes, W = w rounded
// up to a multiple of 8, blank-padded, so each value is whole 8-byte OBS cells.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/common/ZiraTypes.h"
#include "host/data/DatasourceAttributes.h"
#include "host/data/ZIRA_ValueLabelMap.h"

class ZiraDataStore;

// User-missing values: discrete numeric values and one range, or discrete string values.
struct ZiraMissingValues {
  std::vector<double> values;
  bool hasRange = false;
  double low = 0.0;
  double high = 0.0;
  std::vector<std::string> strings;  // right-trimmed
  bool Empty() const { return values.empty() && !hasRange && strings.empty(); }
  bool operator==(const ZiraMissingValues&) const = default;
};

// Invariants:
//  1. a numeric variable has fNumbers.size() == case count and an empty fStrings;
//  2. a string variable has fStrings.size() == case count * fCellWidth, fCellWidth =
//  CellWidth(type).
class ZIRA_Variable {
 public:
  ZIRA_Variable(std::string name, int type, size_t nCases);

  const ZiraVarName& GetName() const { return fName; }
  // Renames the variable; the caller makes sure the name is valid and unused.
  void SetName(std::string name);
  // 0 numeric, else the string width in bytes.
  int GetType() const { return fType; }
  bool IsString() const { return fType > 0; }
  // Bytes per value of a string variable (a multiple of 8), 0 for numeric.
  int GetCellWidth() const { return fCellWidth; }

  const ZiraFormat& GetFormat() const { return fFormat; }
  void SetFormat(const ZiraFormat& f) { fFormat = f; }
  const ZiraFormat& GetWriteFormat() const { return fWriteFormat; }
  void SetWriteFormat(const ZiraFormat& f) { fWriteFormat = f; }
  const std::string& GetLabel() const { return fLabel; }
  void SetLabel(std::string label) { fLabel = std::move(label); }
  const std::string& GetDescription() const { return fDescription; }
  void SetDescription(std::string d) { fDescription = std::move(d); }
  const ZIRA_ValueLabelMap& GetValueLabels() const { return fValueLabels; }
  ZIRA_ValueLabelMap& GetValueLabels() { return fValueLabels; }
  void SetValueLabels(ZIRA_ValueLabelMap labels) { fValueLabels = std::move(labels); }
  const ZiraMissingValues& GetMissingValues() const { return fMissing; }
  void SetMissingValues(ZiraMissingValues mv);
  int GetMeasurementLevel() const { return fLevel; }
  void SetMeasurementLevel(int level) { fLevel = level; }
  const DatasourceAttributes& GetAttributes() const { return fAttributes; }
  DatasourceAttributes& GetAttributes() { return fAttributes; }
  // Category values listed without labels in the descriptor (kept for writing it back).
  const std::vector<std::string>& GetUnlabeledCategories() const { return fUnlabeledCategories; }
  void SetUnlabeledCategories(std::vector<std::string> c) { fUnlabeledCategories = std::move(c); }

  // Values. Rows count from 0.
  size_t Size() const;
  double GetNumber(size_t row) const { return fNumbers[row]; }
  void SetNumber(size_t row, double v) { fNumbers[row] = v; }
  // The fCellWidth bytes of a string value (blank-padded, not NUL-terminated).
  const char* GetStringCell(size_t row) const { return fStrings.data() + row * fCellWidth; }
  // The string value without its trailing blanks.
  std::string_view GetString(size_t row) const;
  // Stores a string value, cut to the width and blank-padded.
  void SetString(size_t row, std::string_view value);
  // Direct column access for fast loops and readers.
  std::vector<double>& Numbers() { return fNumbers; }
  const std::vector<double>& Numbers() const { return fNumbers; }
  std::vector<char>& StringBuffer() { return fStrings; }
  const std::vector<char>& StringBuffer() const { return fStrings; }

  // Missing-value tests (the numeric one inline: it runs once per value in the passes).
  bool IsUserMissing(double v) const {
    if (v == MCMV::gMissingValue) return false;
    for (double m : fMissing.values)
      if (m == v) return true;
    return fMissing.hasRange && v >= fMissing.low && v <= fMissing.high;
  }
  bool IsUserMissing(std::string_view v) const;
  // A numeric value is valid when it is neither system-missing nor user-missing.
  bool IsValidNumber(size_t row) const {
    double v = fNumbers[row];
    return v != MCMV::gMissingValue && (fMissing.Empty() || !IsUserMissing(v));
  }
  // A string value is blank when all its bytes are blanks.
  bool IsBlank(size_t row) const;

  // Resizes the column to n cases; new values are system-missing or blank.
  void Resize(size_t n);
  // Gives the column room for n cases without filling it, and returns that room (its first
  // byte and size), so that its memory can be mapped before Resize fills it.
  std::pair<void*, size_t> Reserve(size_t n);
  // Reorders the cases: new row i holds old row order[i].
  void Permute(const std::vector<size_t>& order);

 private:
  friend class ZiraDataStore;
  friend class ZIRA_DataSource;
  ZiraDataStore* fOwner = nullptr;  // borrowed; told when the name changes
  ZiraVarName fName;
  int fType;
  int fCellWidth;
  ZiraFormat fFormat;
  ZiraFormat fWriteFormat;
  std::string fLabel;
  std::string fDescription;
  ZIRA_ValueLabelMap fValueLabels;
  ZiraMissingValues fMissing;
  int fLevel = kLevelUnknown;
  DatasourceAttributes fAttributes;
  std::vector<std::string> fUnlabeledCategories;
  std::vector<double> fNumbers;
  std::vector<char> fStrings;
};
