#include "host/data/ZIRA_ValueLabelMap.h"

namespace {
std::string_view RTrim(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}
}  // namespace

void ZIRA_ValueLabelMap::AddPair(double value, std::string label) {
  for (auto& p : fNumeric) {
    if (p.first == value) {
      p.second = std::move(label);
      return;
    }
  }
  fNumeric.emplace_back(value, std::move(label));
}

void ZIRA_ValueLabelMap::AddPair(std::string_view value, std::string label) {
  std::string key(RTrim(value));
  for (auto& p : fString) {
    if (p.first == key) {
      p.second = std::move(label);
      return;
    }
  }
  fString.emplace_back(std::move(key), std::move(label));
}

const std::string* ZIRA_ValueLabelMap::Find(double value) const {
  for (const auto& p : fNumeric)
    if (p.first == value) return &p.second;
  return nullptr;
}

const std::string* ZIRA_ValueLabelMap::Find(std::string_view value) const {
  std::string_view key = RTrim(value);
  for (const auto& p : fString)
    if (p.first == key) return &p.second;
  return nullptr;
}
