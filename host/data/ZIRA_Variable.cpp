#include "host/data/ZIRA_Variable.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "host/data/ZIRA_DataSource.h"

ZIRA_Variable::ZIRA_Variable(std::string name, int type, size_t nCases)
    : fName(std::move(name)),
      fType(type < 0 ? 0 : type),
      fCellWidth(CellWidth(type)),
      fValueLabels(type) {
  if (fType > 0) {
    fFormat = {kFmtString, fType, 0};
  } else {
    fFormat = {kFmtNumber, 8, 2};
  }
  fWriteFormat = fFormat;
  Resize(nCases);
}

void ZIRA_Variable::SetName(std::string name) {
  fName = std::move(name);
  if (fOwner) fOwner->NameChanged();
}

void ZIRA_Variable::SetMissingValues(ZiraMissingValues mv) {
  for (auto& s : mv.strings) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
  }
  fMissing = std::move(mv);
}

size_t ZIRA_Variable::Size() const {
  return fType > 0 ? fStrings.size() / static_cast<size_t>(fCellWidth) : fNumbers.size();
}

std::string_view ZIRA_Variable::GetString(size_t row) const {
  std::string_view v(GetStringCell(row), static_cast<size_t>(fType));
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}

void ZIRA_Variable::SetString(size_t row, std::string_view value) {
  assert(fType > 0 && "host/data/ZIRA_Variable: SetString on a numeric variable");
  char* cell = fStrings.data() + row * fCellWidth;
  size_t n = std::min(value.size(), static_cast<size_t>(fType));
  std::memcpy(cell, value.data(), n);
  std::memset(cell + n, ' ', static_cast<size_t>(fCellWidth) - n);
}

bool ZIRA_Variable::IsUserMissing(std::string_view v) const {
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  for (const auto& m : fMissing.strings)
    if (m == v) return true;
  return false;
}

bool ZIRA_Variable::IsBlank(size_t row) const {
  const char* cell = GetStringCell(row);
  for (int i = 0; i < fType; ++i)
    if (cell[i] != ' ') return false;
  return true;
}

void ZIRA_Variable::Resize(size_t n) {
  if (fType > 0) {
    fStrings.resize(n * static_cast<size_t>(fCellWidth), ' ');
  } else {
    fNumbers.resize(n, MCMV::gMissingValue);
  }
}

std::pair<void*, size_t> ZIRA_Variable::Reserve(size_t n) {
  if (fType > 0) {
    fStrings.reserve(n * static_cast<size_t>(fCellWidth));
    return {fStrings.data(), fStrings.capacity()};
  }
  fNumbers.reserve(n);
  return {fNumbers.data(), fNumbers.capacity() * sizeof(double)};
}

void ZIRA_Variable::Permute(const std::vector<size_t>& order) {
  if (fType > 0) {
    std::vector<char> out(fStrings.size());
    size_t w = static_cast<size_t>(fCellWidth);
    for (size_t i = 0; i < order.size(); ++i)
      std::memcpy(out.data() + i * w, fStrings.data() + order[i] * w, w);
    fStrings.swap(out);
  } else {
    std::vector<double> out(fNumbers.size());
    for (size_t i = 0; i < order.size(); ++i) out[i] = fNumbers[order[i]];
    fNumbers.swap(out);
  }
}
