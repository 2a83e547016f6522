#include "host/inputadapter/UAVarValidSpecs.h"

#include <cassert>

#include "host/common/CommonBlocks.h"

UAVarValidSpecs::UAVarValidSpecs(bool, bool, bool) {}
UAVarValidSpecs::~UAVarValidSpecs() = default;

void UAVarValidSpecs::AddVariables(const std::vector<int32_t>& columns,
                                   std::vector<int32_t>* recordPositions,
                                   const std::vector<bool>& catFlags) {
  assert(!fClosed && "host/inputadapter/UAVarValidSpecs: !fClosed");
  assert(columns.size() == catFlags.size() &&
         "host/inputadapter/UAVarValidSpecs: columns.size() == catFlags.size()");
  if (recordPositions) recordPositions->clear();
  for (size_t i = 0; i < columns.size(); ++i) {
    int col = columns[i];
    assert(col >= 0 && "host/inputadapter/UAVarValidSpecs: col >= 0");
    if (recordPositions) recordPositions->push_back(static_cast<int32_t>(fColumns.size()));
    fColumns.push_back(col);
    fCatFlags.push_back(catFlags[i]);
    if (fCatByColumn.size() <= static_cast<size_t>(col)) fCatByColumn.resize(col + 1, false);
    if (catFlags[i]) fCatByColumn[static_cast<size_t>(col)] = true;
  }
}

void UAVarValidSpecs::SetCaseCount() { fClosed = true; }

int UAVarValidSpecs::GetZIRAVarIndex(int recordPos) const {
  if (recordPos < 0 || recordPos >= GetRecordSize()) return -1;
  return fColumns[static_cast<size_t>(recordPos)];
}

bool UAVarValidSpecs::GetZIRACatVar(int column) const {
  return column >= 0 && static_cast<size_t>(column) < fCatByColumn.size() &&
         fCatByColumn[static_cast<size_t>(column)];
}

std::string UAVarValidSpecs::AdjustDecimalCharacter(const std::string& numberText) {
  char dec = pvGetCmnLoc()->decimal;
  if (dec == '.') return numberText;
  std::string out = numberText;
  for (char& c : out)
    if (c == '.') c = dec;
  return out;
}
