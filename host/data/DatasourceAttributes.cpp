#include "host/data/DatasourceAttributes.h"

#include "host/common/StringHelpers.h"

const std::pair<std::string, std::vector<std::string>>* DatasourceAttributes::Find(
    std::string_view name) const {
  for (const auto& e : fEntries)
    if (AreStringsEqualCase(e.first, name)) return &e;
  return nullptr;
}

std::pair<std::string, std::vector<std::string>>* DatasourceAttributes::Find(std::string_view name) {
  return const_cast<std::pair<std::string, std::vector<std::string>>*>(
      static_cast<const DatasourceAttributes*>(this)->Find(name));
}

const std::vector<std::string>& DatasourceAttributes::Values(std::string_view name) const {
  static const std::vector<std::string> kNone;
  const auto* e = Find(name);
  return e ? e->second : kNone;
}

bool DatasourceAttributes::Has(std::string_view name) const { return Find(name) != nullptr; }

void DatasourceAttributes::Set(std::string_view name, std::vector<std::string> values) {
  if (auto* e = Find(name)) {
    e->second = std::move(values);
  } else {
    fEntries.emplace_back(std::string(name), std::move(values));
  }
}

void DatasourceAttributes::SetElement(std::string_view name, size_t index, std::string value) {
  if (index == 0) return;
  auto* e = Find(name);
  if (!e) {
    fEntries.emplace_back(std::string(name), std::vector<std::string>{});
    e = &fEntries.back();
  }
  if (e->second.size() < index) e->second.resize(index);
  e->second[index - 1] = std::move(value);
}

void DatasourceAttributes::Append(std::string_view name, std::string value) {
  if (auto* e = Find(name)) {
    e->second.push_back(std::move(value));
  } else {
    fEntries.emplace_back(std::string(name), std::vector<std::string>{std::move(value)});
  }
}

bool DatasourceAttributes::Delete(std::string_view name) {
  for (auto it = fEntries.begin(); it != fEntries.end(); ++it) {
    if (AreStringsEqualCase(it->first, name)) {
      fEntries.erase(it);
      return true;
    }
  }
  return false;
}

bool DatasourceAttributes::DeleteElement(std::string_view name, size_t index) {
  auto* e = Find(name);
  if (!e || index == 0 || index > e->second.size()) return false;
  e->second.erase(e->second.begin() + static_cast<long>(index - 1));
  return true;
}

std::vector<std::string> DatasourceAttributes::Names() const {
  std::vector<std::string> names;
  names.reserve(fEntries.size());
  for (const auto& e : fEntries) names.push_back(e.first);
  return names;
}
