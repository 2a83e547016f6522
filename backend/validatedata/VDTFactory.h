// The VALIDATEDATA driver: owns the case adapter, the output object, the case iterator, the
// duplicate-identifier map and the screening algorithm of the current split group; runs
// the passes split group by split group and creates the saved indicator variables.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "featureselection/FSStatus.h"
#include "host/index/ObsVecMap.h"
#include "host/inputadapter/UAInpAdaptMsg.h"
#include "host/inputadapter/UAProcDataSourceIter.h"
#include "host/syntax/ParserMessage.h"

class VDTValidSpecs;
class VDTProcAdapter;
class VDTOutput;
class ProcedureDataSource;
class BpProcedure;
class IFSAlgorithm;
class UAVarValidSpecs;

// Status codes the driver sets (all errors).
enum VDTStatusCode : int {
  kVDTNewVarsFailed = 2,
  kVDTPassFailed = 80000,
  kVDTNoCases = 80002,
};

// Invariants:
//  1. fDeleteInds and fDeleteReasons have one length;
//  2. without a duplicate map the adapter has the output object and the iterator is the
//     last pass's;
//  3. members are destroyed in the order algorithm, iterator, adapter, output, map.
class VDTFactory {
 public:
  // Borrows the settings, the data source and the procedure context for its lifetime.
  VDTFactory(const VDTValidSpecs* specs, ProcedureDataSource* data, BpProcedure* procedure);
  ~VDTFactory();
  VDTFactory(const VDTFactory&) = delete;
  VDTFactory& operator=(const VDTFactory&) = delete;

  bool NextSplit();
  bool ReadSplit();
  bool ScreenSplit();
  bool PrepareFinalPass();

  VDTOutput* GetOutput() const { return fpOutput.get(); }
  VDTProcAdapter* GetAdapter() const { return fpAdapter.get(); }
  FSStatus GetStatus() const { return fStatus; }
  bool HasDuplicateMap() const { return fpDuplicIdMap != nullptr; }

  // Screening results of the current split group, for the output object.
  const std::vector<int>& GetDeleteCatVarInds() const { return fDeleteCatVarInds; }
  const std::vector<int>& GetDeleteContVarInds() const { return fDeleteContVarInds; }
  const std::vector<std::string>& GetDeleteCatVarNames() const { return fDeleteCatVarNames; }
  const std::vector<std::string>& GetDeleteContVarNames() const { return fDeleteContVarNames; }
  const std::vector<std::vector<int>>& GetDeleteCatReasons() const { return fDeleteCatReasons; }
  const std::vector<std::vector<int>>& GetDeleteContReasons() const { return fDeleteContReasons; }
  const std::vector<std::vector<int>>& GetDeleteReasons() const { return fDeleteReasons; }
  const std::vector<int>& GetDeleteVarInds() const { return fDeleteVarInds; }
  IFSAlgorithm* GetAlgorithm() const { return fpAlgorithm.get(); }

  // Saved variables: the column of each (empty case, incomplete id, duplicate group,
  // violation count), -1 when not created; and the name of each, empty when not created.
  int GetNewVarInd(int i) const { return fNewVarInds[static_cast<size_t>(i)]; }
  std::string GetNewVarName(int i) const;
  const std::vector<std::vector<long>>& GetDuplicGroups() const { return fDuplicIdVec; }

  bool CreateNewVariables();
  // How many saved variables CreateNewVariables makes.
  int CountNewVariables() const;
  int CreateNewVariable(const ZiraVarName& root, const std::string& keyword,
                        const std::string& label, bool scale, const char* text0, const char* text1);

 private:
  void ClearScreeningResults();
  void BuildIterator(bool lastPass);

  const VDTValidSpecs* fpVDTValidSpecs;
  const UAVarValidSpecs* fpVarValidSpecs;
  ProcedureDataSource* fpDataSource;
  std::unique_ptr<ObsVecMap> fpDuplicIdMap;
  std::unique_ptr<VDTOutput> fpOutput;
  std::unique_ptr<VDTProcAdapter> fpAdapter;
  std::vector<std::vector<long>> fDuplicIdVec;
  UAInpAdaptMsg fInpAdaptMsg;
  // Storage for the saved variables, mapped during the first pass, until they are made.
  std::vector<std::vector<double>> fSavedColumns;
  std::unique_ptr<UAProcDataSourceIter> fpIterator;
  std::unique_ptr<IFSAlgorithm> fpAlgorithm;
  std::vector<int> fDeleteInds;
  std::vector<int> fDeleteRecordPos;
  std::vector<int> fDeleteVarInds;
  std::vector<int> fDeleteCatVarInds;
  std::vector<int> fDeleteContVarInds;
  std::vector<std::string> fDeleteCatVarNames;
  std::vector<std::string> fDeleteContVarNames;
  std::vector<std::vector<int>> fDeleteReasons;
  std::vector<std::vector<int>> fDeleteCatReasons;
  std::vector<std::vector<int>> fDeleteContReasons;
  std::vector<int> fNewVarInds{-1, -1, -1, -1};
  ParserMessage fParserMessage;
  BpProcedure* fpProcedure;
  FSStatus fStatus;
};
