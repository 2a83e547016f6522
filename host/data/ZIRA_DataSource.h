// The dataset model: an in-memory, columnar dataset (variables, cases, attributes, the
// split-file and weight settings) and the handle through which every layer reaches it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/data/DatasourceAttributes.h"
#include "host/data/ZIRA_Variable.h"

// The storage behind one or more ZIRA_DataSource handles.
// Invariants:
//  1. every variable holds exactly fCaseCount values;
//  2. variable names are unique without regard to case;
//  3. split and weight variables are valid column indices.
class ZiraDataStore {
 public:
  std::vector<std::unique_ptr<ZIRA_Variable>> vars;
  DatasourceAttributes attributes;
  size_t caseCount = 0;
  std::vector<int> splitVars;  // columns of the split-file variables, in order
  int weightVar = -1;          // column of the weight variable, -1 for none
  std::string sourcePath;      // file the dataset was read from, for messages
  int maxObsAdded = 0;         // room asked for by the running procedure
  // Storage offered for numeric variables added later (ZIRA_DataSource::OfferColumnStorage).
  std::vector<std::vector<double>> offeredNumbers;

  void NameChanged() { indexDirty = true; }
  int Find(std::string_view name);

 private:
  bool indexDirty = true;
  std::unordered_map<std::string, int> nameIndex;  // case-folded name -> column
};

// A handle on a dataset. Copies share the same storage: a procedure's data source and
// the session's active dataset are the same data.
class ZIRA_DataSource {
 public:
  ZIRA_DataSource();  // a new, empty dataset
  explicit ZIRA_DataSource(std::shared_ptr<ZiraDataStore> store);
  ZIRA_DataSource(const ZIRA_DataSource&) = default;
  ZIRA_DataSource& operator=(const ZIRA_DataSource&) = default;
  virtual ~ZIRA_DataSource();

  // Number of variables (0: nothing to read).
  int ColumnCount() const { return static_cast<int>(fStore->vars.size()); }
  // Number of cases.
  size_t CaseCount() const { return fStore->caseCount; }
  // The variable at a column (borrowed; valid while the dataset lives), or null when out of range.
  ZIRA_Variable* GetVariable(int index) const;
  // The column of the named variable (caseless), -1 when there is none.
  int FindVarIndex(std::string_view name) const;
  DatasourceAttributes& GetAttributes() { return fStore->attributes; }
  const DatasourceAttributes& GetAttributes() const { return fStore->attributes; }

  // Appends a new variable of the given type (0 numeric, else string width) holding
  // system-missing or blank values, with a provisional unique name ("@new1", ...).
  // Sets *outIndex to its column; returns the variable.
  ZIRA_Variable* MakeVariable(int type, int* outIndex);
  // Appends a named variable; returns null when the name is in use.
  ZIRA_Variable* AddVariable(std::string name, int type, int* outIndex = nullptr);
  // A numeric variable added later takes this storage, when its capacity holds the case
  // count, instead of new memory: storage a procedure had mapped while it had nothing else
  // to do. Storage not taken stays offered until DropOfferedStorage.
  void OfferColumnStorage(std::vector<double> storage);
  void DropOfferedStorage() { fStore->offeredNumbers.clear(); }
  // Removes the variables at columns `column` and after (those appended since the dataset had
  // `column` variables): the rollback of a command that failed half-way. The split-file and
  // weight settings must not name a removed variable.
  void RemoveVariablesFrom(int column);
  // Sets the number of cases; new cases hold system-missing and blank values.
  void SetCaseCount(size_t n);
  // Reorders the cases: new case i is old case order[i]. order is a permutation.
  void PermuteCases(const std::vector<size_t>& order);

  // Split-file and weight settings of the dataset.
  const std::vector<int>& SplitVariables() const { return fStore->splitVars; }
  void SetSplitVariables(std::vector<int> cols) { fStore->splitVars = std::move(cols); }
  int WeightVariable() const { return fStore->weightVar; }
  void SetWeightVariable(int col) { fStore->weightVar = col; }
  const std::string& SourcePath() const { return fStore->sourcePath; }
  void SetSourcePath(std::string p) { fStore->sourcePath = std::move(p); }

  // Whether two handles refer to the same data.
  bool SameData(const ZIRA_DataSource& other) const { return fStore == other.fStore; }
  const std::shared_ptr<ZiraDataStore>& Store() const { return fStore; }

 protected:
  std::shared_ptr<ZiraDataStore> fStore;
};
