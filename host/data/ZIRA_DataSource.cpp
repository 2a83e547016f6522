#include "host/data/ZIRA_DataSource.h"

#include <algorithm>
#include <cassert>

#include "host/common/MemoryAdvice.h"
#include "host/common/Parallel.h"
#include "host/common/StringHelpers.h"

int ZiraDataStore::Find(std::string_view name) {
  if (indexDirty) {
    nameIndex.clear();
    nameIndex.reserve(vars.size() * 2);
    for (size_t i = 0; i < vars.size(); ++i) nameIndex.emplace(FoldCase(vars[i]->GetName()), static_cast<int>(i));
    indexDirty = false;
  }
  std::string_view key = name;
  while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
  auto it = nameIndex.find(FoldCase(key));
  return it == nameIndex.end() ? -1 : it->second;
}

ZIRA_DataSource::ZIRA_DataSource() : fStore(std::make_shared<ZiraDataStore>()) {}

ZIRA_DataSource::ZIRA_DataSource(std::shared_ptr<ZiraDataStore> store) : fStore(std::move(store)) {
  assert(fStore && "host/data/ZIRA_DataSource: fStore != nullptr");
}

ZIRA_DataSource::~ZIRA_DataSource() = default;

ZIRA_Variable* ZIRA_DataSource::GetVariable(int index) const {
  if (index < 0 || index >= ColumnCount()) return nullptr;
  return fStore->vars[static_cast<size_t>(index)].get();
}

int ZIRA_DataSource::FindVarIndex(std::string_view name) const { return fStore->Find(name); }

ZIRA_Variable* ZIRA_DataSource::MakeVariable(int type, int* outIndex) {
  std::string name;
  for (int k = 1;; ++k) {
    name = "@new" + std::to_string(k);
    if (FindVarIndex(name) < 0) break;
  }
  return AddVariable(std::move(name), type, outIndex);
}

ZIRA_Variable* ZIRA_DataSource::AddVariable(std::string name, int type, int* outIndex) {
  if (FindVarIndex(name) >= 0) {
    if (outIndex) *outIndex = -1;
    return nullptr;
  }
  // A column for millions of cases is a hundred megabytes and more of new memory: mapped in
  // pieces on the machine's cores before it is filled, not page by page on this thread.
  auto var = std::make_unique<ZIRA_Variable>(std::move(name), type, 0);
  std::vector<std::vector<double>>& offered = fStore->offeredNumbers;
  if (type == 0 && !offered.empty() && offered.back().capacity() >= fStore->caseCount) {
    offered.back().clear();
    var->Numbers().swap(offered.back());
    offered.pop_back();
  }
  if (fStore->caseCount > 0) {
    PrefaultForWrite({var->Reserve(fStore->caseCount)}, WorkerThreads());
    var->Resize(fStore->caseCount);
  }
  var->fOwner = fStore.get();
  fStore->vars.push_back(std::move(var));
  fStore->NameChanged();
  if (outIndex) *outIndex = ColumnCount() - 1;
  return fStore->vars.back().get();
}

void ZIRA_DataSource::OfferColumnStorage(std::vector<double> storage) {
  fStore->offeredNumbers.push_back(std::move(storage));
}

void ZIRA_DataSource::RemoveVariablesFrom(int column) {
  assert(column >= 0 && column <= ColumnCount() &&
         "host/data/ZIRA_DataSource: column <= ColumnCount()");
  assert(std::all_of(fStore->splitVars.begin(), fStore->splitVars.end(),
                     [column](int s) { return s < column; }) &&
         "host/data/ZIRA_DataSource: split variables are not removed");
  assert(fStore->weightVar < column && "host/data/ZIRA_DataSource: weight variable is not removed");
  fStore->vars.erase(fStore->vars.begin() + column, fStore->vars.end());
  fStore->NameChanged();
}

void ZIRA_DataSource::SetCaseCount(size_t n) {
  for (auto& v : fStore->vars) v->Resize(n);
  fStore->caseCount = n;
}

void ZIRA_DataSource::PermuteCases(const std::vector<size_t>& order) {
  assert(order.size() == fStore->caseCount && "host/data/ZIRA_DataSource: order.size() == caseCount");
  for (auto& v : fStore->vars) v->Permute(order);
}
