// Records and record iterators of the modelling-common layer: the way the modelling components
// (the screening engine) read data, one record of doubles per case or per transaction.
#pragma once

#include <cstddef>
#include <vector>

// MCMV::gMissingValue, the system-missing value, comes with this header.
#include "host/common/ZiraTypes.h"

namespace MCCommon {

// One record: a row of doubles. Missing values are MCMV::gMissingValue. Categorical fields hold
// category codes (0, 1, 2, ...). The record owns its values.
class Record {
 public:
  Record() = default;
  explicit Record(std::vector<double> values) : fValues(std::move(values)) {}

  // The values as one array of Size() doubles (null-free; may dangle after a change of size).
  const double* GetAll() const { return fValues.data(); }
  int Size() const { return static_cast<int>(fValues.size()); }
  // The value at position i, 0 <= i < Size().
  double operator[](int i) const;
  // The value at position i, or the system-missing value when i is outside the record.
  double ValueOr(int i) const;

  // For the producers of records (input adapters): resize and fill in place.
  void Resize(int n) {
    fValues.assign(n < 0 ? 0 : static_cast<std::size_t>(n), MCMV::gMissingValue);
  }
  void Set(int i, double v);
  void Assign(const double* values, int n) { fValues.assign(values, values + (n < 0 ? 0 : n)); }
  double* Data() { return fValues.data(); }

 private:
  std::vector<double> fValues;
};

// A run of consecutive records given as columns: field f of record i is columns[f][i],
// 0 <= i < nRecords. Columns are borrowed from the iterator that gave the block.
struct RecordBlock {
  int nRecords = 0;
  std::vector<const double*> columns;
};

// Forward reading of records. Use: while (it.Next()) { const Record* r = it.Current(); ... }.
// Next() is called once before the first record and once after each record.
// A source that holds its data in columns may also offer the records in blocks: when
// OffersBlocks() is true a reader may instead call NextBlock() until it returns null. A
// reader uses one of the two ways for a whole pass.
class RecordIterator {
 public:
  virtual ~RecordIterator() = default;
  // Moves to the next record; true when there is one.
  virtual bool Next() = 0;
  // The current record, or null when there is none. Borrowed: valid until the next Next().
  virtual const Record* Current() = 0;
  // Whether NextBlock gives the records.
  virtual bool OffersBlocks() const { return false; }
  // The next block of at least one record, or null after the last one. Borrowed: valid until
  // the next call.
  virtual const RecordBlock* NextBlock() { return nullptr; }
};

// A record iterator that can be read again from the start.
class MultiPassRecordIter : public RecordIterator {
 public:
  // Moves back to before the first record; false when the source cannot be reread.
  virtual bool Reset() = 0;
};

// An in-memory table of records, read as many times as wanted. Rows may differ in length.
// Invariants: 1. fRowStart has one entry more than there are rows, ascending, last = values.
//             2. -1 <= fPos <= number of rows.
class VectorRecordIter : public MultiPassRecordIter {
 public:
  VectorRecordIter() = default;
  void AddRow(const std::vector<double>& row);
  void AddRow(const double* row, int n);
  int NumRows() const { return static_cast<int>(fRowStart.size()) - 1; }
  void Clear();

  bool Next() override;
  const Record* Current() override;
  bool Reset() override;

 private:
  std::vector<double> fValues;
  std::vector<std::size_t> fRowStart{0};
  long long fPos = -1;
  Record fRecord;
};

}  // namespace MCCommon
