// Records and the in-memory record iterator of the modelling-common layer.
#include "host/mccommon/MCCommonRecord.h"

#include <cassert>

namespace MCCommon {

double Record::operator[](int i) const {
  assert(i >= 0 && i < Size() && "host/mccommon/MCCommonRecord: i >= 0 && i < Size()");
  return fValues[static_cast<std::size_t>(i)];
}

double Record::ValueOr(int i) const {
  return (i >= 0 && i < Size()) ? fValues[static_cast<std::size_t>(i)] : MCMV::gMissingValue;
}

void Record::Set(int i, double v) {
  assert(i >= 0 && i < Size() && "host/mccommon/MCCommonRecord: i >= 0 && i < Size()");
  fValues[static_cast<std::size_t>(i)] = v;
}

void VectorRecordIter::AddRow(const std::vector<double>& row) {
  AddRow(row.data(), static_cast<int>(row.size()));
}

void VectorRecordIter::AddRow(const double* row, int n) {
  if (n > 0) fValues.insert(fValues.end(), row, row + n);
  fRowStart.push_back(fValues.size());
  assert(fRowStart.back() == fValues.size() && "host/mccommon/MCCommonRecord: row starts");
}

void VectorRecordIter::Clear() {
  fValues.clear();
  fRowStart.assign(1, 0);
  fPos = -1;
}

bool VectorRecordIter::Next() {
  if (fPos < NumRows()) ++fPos;
  if (fPos >= NumRows()) return false;
  const std::size_t begin = fRowStart[static_cast<std::size_t>(fPos)];
  const std::size_t end = fRowStart[static_cast<std::size_t>(fPos) + 1];
  fRecord.Assign(fValues.data() + begin, static_cast<int>(end - begin));
  return true;
}

const Record* VectorRecordIter::Current() {
  assert(fPos >= -1 && fPos <= NumRows() && "host/mccommon/MCCommonRecord: fPos in range");
  return (fPos >= 0 && fPos < NumRows()) ? &fRecord : nullptr;
}

bool VectorRecordIter::Reset() {
  fPos = -1;
  return true;
}

}  // namespace MCCommon
