// Custom attributes of a dataset or a variable: named arrays of strings. Element n of an
// array (counted from 1) is its n-th string; an empty string keeps its place.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class DatasourceAttributes {
 public:
  // The values of the named attribute (caseless name), or an empty list when there is none.
  // The reference lives until the attribute set is next changed.
  const std::vector<std::string>& Values(std::string_view name) const;
  bool Has(std::string_view name) const;
  // Replaces (or creates) the whole array.
  void Set(std::string_view name, std::vector<std::string> values);
  // Sets element `index` (from 1), growing the array with empty strings as needed.
  void SetElement(std::string_view name, size_t index, std::string value);
  // Appends one element, creating the array when needed.
  void Append(std::string_view name, std::string value);
  // Deletes the whole array; false when there was none.
  bool Delete(std::string_view name);
  // Deletes element `index` (from 1); later elements move down. False when out of range.
  bool DeleteElement(std::string_view name, size_t index);
  // Attribute names in the order they were first set, as first spelled.
  std::vector<std::string> Names() const;
  size_t Size() const { return fEntries.size(); }
  bool Empty() const { return fEntries.empty(); }
  bool operator==(const DatasourceAttributes& other) const = default;

 private:
  std::pair<std::string, std::vector<std::string>>* Find(std::string_view name);
  const std::pair<std::string, std::vector<std::string>>* Find(std::string_view name) const;
  std::vector<std::pair<std::string, std::vector<std::string>>> fEntries;
};
