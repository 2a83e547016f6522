// The base of a procedure's case adapter: the host's case iterator calls it for every case
// of a pass. It owns the per-pass state every procedure needs: the current case and split
// group, and the coding of categorical analysis values into 0, 1, 2, ... in order of first
// appearance within the split group.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "host/data/ZIRA_DataSource.h"
#include "host/common/RepeatFinder.h"
#include "host/inputadapter/CategoryCoder.h"
#include "host/inputadapter/UAVarValidSpecs.h"
#include "host/inputadapter/ZIRA_InputCaseIterator.h"

class BpProcedure;

// Invariants:
//  1. fpSpecs and the dataset outlive the adapter;
//  2. fCoders has one coder per categorical record position, in fCatPositions' order;
//  3. fCatPositions and fContPositions together hold every record position once.
class UAInputAdapter {
 public:
  // Borrows the variable settings; shares the dataset.
  UAInputAdapter(const UAVarValidSpecs* specs, const ZIRA_DataSource* data);

  // The virtual slots, in their fixed order.
  virtual ~UAInputAdapter();
  // Number of fields of the analysis record.
  virtual int GetRecordSize();
  // Writes the codes of the categorical analysis values of the current case into record.
  virtual void EncodeCatVars(double* record);
  // Writes the continuous analysis values of the current case into record.
  virtual void GetContVars(double* record);
  // Matrix input is not supported by this host: these two do nothing.
  virtual void RecodeMatrixSpecs();
  virtual void HandleBadMatrixSpec();
  // Fills fields that come from no variable (none in this host).
  virtual void FillFreeVars(double* record);
  // Called before ProcessCase; false skips the case.
  virtual bool PreprocessCase();
  // The procedure's per-case work; false fails the pass.
  virtual bool ProcessCase();
  // Called before a pass starts.
  virtual void PrepareNewPass();
  // Called before the first case of each split group.
  virtual void PrepareNewSplit();
  // Called before the cases of rows begin .. end-1 (consecutive, of one split group) are
  // processed, so that an adapter can look at them all first. The iterator may call it on a
  // second thread while it processes the cases prepared before: it may read the data and
  // keep what it finds for those rows, and touch nothing the processing touches.
  virtual void PrepareCases(size_t begin, size_t end);
  // The work on the prepared cases of rows begin .. end-1 of the current split group, in
  // order, the current case set to each in turn: PreprocessCase (false skips the case) and
  // ProcessCase. Answers how many cases were done before one failed, end - begin when none
  // did. The first case's first-of-split flag is set by the caller.
  virtual size_t ProcessCases(size_t begin, size_t end);
  // The work on every case of the split group of rows begin .. end-1 at once, before any of
  // them is prepared or processed, with the calling thread and a second one (`both`): for an
  // adapter whose work is better done for a whole group than case by case. False when the
  // adapter does not do so: the cases are then prepared and processed block by block.
  virtual bool ProcessSplitAtOnce(size_t begin, size_t end, const RepeatFinder::OnTwoThreads& both);

  // EncodeCatVars and GetContVars for one record field p and the rows begin .. end-1 at once:
  // the value of row r goes to out[r - begin]. Fields share no state, so two threads may code
  // different fields at the same time; the rows of one field must come in order.
  void EncodeField(int p, size_t begin, size_t end, double* out);
  // Where EncodeField would only copy (a numeric continuous field without user-missing
  // values): field p's values from row `begin` on, as they lie in the dataset. Else null.
  const double* DirectField(int p, size_t begin) const;
  // Whether field p holds the categories of a string variable (the costliest to code).
  bool IsStringCategoryField(int p) const;

  // Memory a later step will fill, to be mapped during this adapter's pass by the thread
  // that prepares cases, while it would otherwise wait for the thread that processes them
  // (MapAhead). New memory can cost the system more than the work that fills it; mapped
  // here, it is ready when that step comes. What is left is mapped where it is used.
  void MapDuringPass(std::vector<std::pair<void*, size_t>> ranges);
  // Maps the next `bytes` (whole pages) of that memory; false once all of it is mapped.
  bool MapAhead(size_t bytes);
  // Maps what the pass left of that memory at once, on up to `threads` threads.
  void MapRest(int threads);

  // Split groups: the procedure context whose output is labelled by split group, and three
  // flags of the host's signature (split groups honoured; always true in this host).
  void SetSplitFile(BpProcedure* procedure, bool honour, bool label, bool sorted);
  BpProcedure* GetSplitProcedure() const { return fpSplitProcedure; }

  // ProcessCases for the cases begin + i with marked[i] != 0 alone (every case when marked is
  // null); for the others nothing runs and the current case does not move. Answers as
  // ProcessCases, counting the cases not marked as done.
  size_t ProcessMarkedCases(size_t begin, size_t end, const char* marked);

  // Host-side state the iterator maintains.
  ZIRA_InputCaseIterator* GetCaseIterator() { return &fCaseIterator; }
  const ZIRA_InputCaseIterator* GetCaseIterator() const { return &fCaseIterator; }
  long GetCaseNumber() const { return fCaseIterator.GetCaseNumber(); }
  int GetSplitGroupNumber() const { return fSplitGroup; }  // from 1; 0 before the first
  // The number of cases of the current split group (known from its first case on).
  size_t GetSplitGroupSize() const { return fSplitEnd - fSplitBegin; }
  size_t GetSplitBegin() const { return fSplitBegin; }  // the group's first row
  // The rows of the largest split group opened so far (the first of equal ones).
  std::pair<size_t, size_t> GetLargestSplit() const { return fLargestSplit; }
  // The bytes the category tables of the split group of rows begin .. end-1 are likely to
  // take (CategoryCoder::ForeseenBytes).
  size_t ForeseenTableBytes(size_t begin, size_t end) const;
  bool IsFirstCaseOfSplit() const { return fFirstOfSplit; }
  const ZIRA_DataSource& Data() const { return fData; }
  const UAVarValidSpecs* GetVarValidSpecs() const { return fpSpecs; }

 private:
  friend class UAProcDataSourceIter;
  void BeginSplit(size_t begin, size_t end);  // the iterator opens the split group of these rows
  // Before the first block of a split group: codes at once the categorical fields whose
  // coders take a group at once (CategoryCoder::CodeGroup).
  void CodeGroups(const RepeatFinder::OnTwoThreads& both);
  void SetCurrentCase(size_t row, bool first);

  // The code of the categorical value of record position fCatPositions[k] at `row`.
  double Encode(size_t k, size_t row);

  const UAVarValidSpecs* fpSpecs;
  ZIRA_DataSource fData;
  ZIRA_InputCaseIterator fCaseIterator;
  BpProcedure* fpSplitProcedure = nullptr;
  int fSplitGroup = 0;
  size_t fSplitBegin = 0, fSplitEnd = 0;  // rows of the current split group
  std::pair<size_t, size_t> fLargestSplit{0, 0};
  bool fFirstOfSplit = false;
  std::vector<const ZIRA_Variable*> fRecordVars;
  std::vector<int> fCatPositions;   // categorical record positions, ascending
  std::vector<int> fContPositions;  // continuous record positions, ascending
  std::vector<int> fCoderOfField;   // per record position: its coder, -1 when continuous
  std::vector<CategoryCoder> fCoders;
  // MapDuringPass: what is left to map, the next range at the back.
  std::vector<std::pair<void*, size_t>> fToMap;
  size_t fMapped = 0;  // bytes of fToMap.back() mapped
};
