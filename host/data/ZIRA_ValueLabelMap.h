// Value labels of one variable: numeric values or string values, each with a label text.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ZIRA_ValueLabelMap {
 public:
  // type 0: numeric values; a positive type: string values of that width.
  explicit ZIRA_ValueLabelMap(int type = 0) : fType(type) {}
  int GetType() const { return fType; }
  // Adds or replaces the label of a value.
  void AddPair(double value, std::string label);
  // Adds the label of a value the caller knows is not in the map yet (no search: for building
  // long label lists, such as one label per duplicate group).
  void AddNewPair(double value, std::string label) { fNumeric.emplace_back(value, std::move(label)); }
  void AddPair(std::string_view value, std::string label);
  // The label of a value, or null. String values compare with trailing blanks ignored.
  const std::string* Find(double value) const;
  const std::string* Find(std::string_view value) const;
  bool Empty() const { return fNumeric.empty() && fString.empty(); }
  size_t Size() const { return fNumeric.size() + fString.size(); }
  // Pairs in the order they were added.
  const std::vector<std::pair<double, std::string>>& NumericPairs() const { return fNumeric; }
  const std::vector<std::pair<std::string, std::string>>& StringPairs() const { return fString; }
  bool operator==(const ZIRA_ValueLabelMap&) const = default;

 private:
  int fType;
  std::vector<std::pair<double, std::string>> fNumeric;
  std::vector<std::pair<std::string, std::string>> fString;
};
