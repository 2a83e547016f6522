// The host's case iterator for a procedure pass: walks the active dataset split group by
// split group (runs of consecutive cases with equal split values), calls the adapter for
// every case, and offers the analysis record of each case to the screening engine.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "host/common/ProgressMeter.h"
#include "host/inputadapter/UAInputAdapter.h"
#include "host/mccommon/MCCommonRecord.h"

// Invariants:
//  1. fGroupStart <= fRow <= fGroupEnd <= case count;
//  2. fRecord has GetRecordSize() fields;
//  3. each of the two block buffers holds kBlockSize values per record field;
//  4. while fAheadPending, the second thread alone touches the iterator and the adapter,
//     except the coding of the fields the block's split gives the caller (EncodeField);
//     while fPrepareAhead, it only runs the adapter's PrepareCases and MapAhead; while the
//     adapter does a split group at once (ProcessSplitAtOnce, CodeGroups), it does its share
//     of that alone;
//  5. a field is coded by one thread at a time, block after block in order: fCallerCodes and
//     fShared change only while the second thread is idle, and the shared field of a block is
//     coded only once fSharedTurn holds that block's number.
class UAProcDataSourceIter {
 public:
  // Borrows the adapter for its lifetime. The flag is the host's (cases are read in file
  // order). A dataset without cases sets fail reason 1.
  UAProcDataSourceIter(UAInputAdapter* adapter, bool inOrder);
  virtual ~UAProcDataSourceIter();

  // This is the last pass over the data.
  void SetLastPass() { fLastPass = true; }
  bool IsLastPass() const { return fLastPass; }
  // Opens the next split group (skipping what is left of the current one); false when no
  // group follows. Calls the adapter's PrepareNewSplit.
  bool NewSplit();
  // Whether the current split group has a case left to read.
  bool HasMore() const { return fOpen && fRow < fGroupEnd; }
  // Reads one case and runs the adapter on it. Sets fail reason 3 when the adapter fails.
  void Next();
  // Reads the next cases of the split group, up to a block, and runs the adapter on them
  // (ProcessCases), while the second thread prepares the block after them (PrepareCases)
  // and then maps the adapter's memory for later (MapAhead) until this thread waits for it.
  // False when the group had no case left or the adapter failed (fail reason 3).
  bool NextCases();
  // 0 none, 1 no cases to read, 3 the pass failed.
  int GetFailReason() const { return fFailReason; }

  // The split variables and the current group's values as shown (value label after the
  // value where there is one); empty without split file.
  const std::vector<std::pair<std::string, std::string>>& CurrentSplitLabels() const {
    return fSplitLabels;
  }

  // Record face for the screening engine: moves to the next case of the split group (running
  // the adapter on it) and answers whether there is one; then Record() holds its analysis
  // values, categorical ones coded.
  bool NextRecord();
  const std::vector<double>& Record() const { return fRecord; }
  // Block face: runs the adapter on each of up to kBlockSize further cases of the split group,
  // in order, and gives their analysis records as columns; null when the group has no case
  // left or the pass failed. A case whose adapter work fails ends the block before it.
  // While the caller works on a block, a second thread already reads the next one (the
  // adapter's work on those cases and their records); the block stays valid until the
  // next call.
  const MCCommon::RecordBlock* NextBlock();
  // Waits until the block read ahead, if any, is done; the iterator's state (fail reason,
  // position) is then final. NewSplit and the destructor do this themselves.
  void FinishBlocks();
  static constexpr size_t kBlockSize = 4096;
  // Tests: every block moves one field's coding to the other thread, in turn, whatever the
  // measured times (for every iterator until switched off).
  static void MoveEveryBlockForTesting(bool on);

 private:
  // The row after the run of cases from `start` with equal split values (the case count
  // without split variables).
  size_t GroupEnd(size_t start) const;
  void MakeSplitLabels(size_t row);
  void PublishSplit(bool on);
  // Prepares the cases from fRow on, up to a block, unless they are prepared.
  void EnsurePrepared();
  // Waits until the cases NextCases prepares ahead are prepared.
  void WaitForPrepared();
  // Runs the adapter on the prepared cases fRow .. end-1; answers the row after the last case
  // done (fRow moves past a case that failed, and the fail reason is set).
  size_t RunCases(size_t end);
  // Runs the adapter on the next cases of the group (at most a block) and codes the fields
  // of their records that are not the caller's into block b.
  void ReadBlock(int b);
  // Codes field p of block b, timing it.
  void CodeField(int b, int p);
  // Moves at most one field's coding to the other thread, or has both threads code it on
  // alternate blocks, when that lessens the work of the busier thread per block; the second
  // thread is idle. Block b is the caller's next.
  void Rebalance(int b);
  // Where a field is coded: by the caller, by the second thread, or by both on alternate
  // blocks (the shared field).
  enum class Side { kCaller, kWorker, kShared };
  Side SideOf(int f) const;
  // Puts field f on side `to`; block b, the caller's next, is coded as its split said, except
  // that a field leaving the caller is coded here at once (the second thread will not code
  // it for block b).
  void MoveField(int b, int f, Side to);
  // Codes the shared field of block b once its turn has come, and passes the turn on;
  // answers the nanoseconds it waited for the turn.
  double CodeSharedField(int b);
  // Runs fn(0) here and fn(1) on the second thread, which must be idle; returns once both
  // returned (rethrowing what either threw, this thread's first).
  void OnBothThreads(const std::function<void(int)>& fn);

  // A second thread that runs one job at a time (reading the next block, or preparing the
  // next cases). A job lasts about a millisecond, and waking a sleeping thread can take a
  // tenth of that on a busy machine: both sides poll a short while before they sleep.
  class Worker {
   public:
    ~Worker();
    void Start(std::function<void()> job);
    void Wait();         // rethrows what the job threw
    void WaitQuietly();  // waits, dropping what the job threw
    // Whether the caller waits for the job: a job that has optional work left stops it.
    bool CallerWaits() const { return fCallerWaits.load(std::memory_order_relaxed); }

   private:
    void Loop();
    std::thread fThread;
    std::mutex fMutex;
    std::condition_variable fChanged;
    std::function<void()> fJob;
    // Written under fMutex; read without it while polling.
    std::atomic<bool> fBusy{false};
    std::atomic<bool> fStop{false};
    std::atomic<bool> fCallerWaits{false};
    std::exception_ptr fError;
  };

  UAInputAdapter* fpAdapter;
  std::vector<int> fSplitCols;
  size_t fNCases;
  size_t fGroupStart = 0;
  size_t fGroupEnd = 0;
  size_t fRow = 0;
  size_t fPreparedEnd = 0;  // the adapter has prepared the cases before this row
  // A progress bar on standard error for a long pass (a terminal only, after about a second).
  std::unique_ptr<ProgressMeter> fpProgress;
  bool fOpen = false;
  bool fLastPass = false;
  int fFailReason = 0;
  std::vector<double> fRecord;
  std::vector<double> fBlockValues[2];
  MCCommon::RecordBlock fBlock[2];
  std::vector<double*> fBlockColumns[2];  // each block's columns, writable
  size_t fBlockBegin[2] = {0, 0};         // each block's first row
  int fCurrentBlock = 0;
  bool fAheadPending = false;  // the second thread reads the next block (NextBlock)
  bool fPrepareAhead = false;  // the second thread prepares the next cases (NextCases)
  // The split of the coding between the threads: per field, whether the caller codes it (in
  // NextBlock) rather than the second thread (with the block's cases). String categories
  // start on the caller's side, the rest on the other; Rebalance moves fields by measured
  // times. Each block keeps the split it was read with.
  using Clock = std::chrono::steady_clock;
  std::vector<char> fCallerCodes;
  std::vector<char> fBlockCallerCodes[2];
  std::vector<double> fFieldNs;  // per field: coding time of a block, smoothed (ns)
  double fCallerNs = 0;          // the caller's coding and its own work since Rebalance last looked
  double fWorkerNs = 0;          // the second thread's work since Rebalance last looked
  Clock::time_point fReturned;   // when NextBlock last handed out a block
  bool fHandedOut = false;       // the caller holds a block (fReturned is set)
  int fBlocksSinceMove = 0;
  // A field whose coding alone costs more than the two threads' difference can move only as
  // a whole, block by block: both threads code it, on alternate blocks, so each carries half
  // of it. Its categories are met in row order: a block's coding waits for the block before
  // (fSharedTurn, the number of the block whose coding may start; kAbandoned once the caller
  // stopped coding). Blocks are numbered as they are read.
  static constexpr uint64_t kAbandoned = ~uint64_t{0};
  int fShared = -1;
  bool fWorkerSharesNext = false;  // the next block read has its shared field coded there
  uint64_t fBlocksRead = 0;
  uint64_t fBlockNumber[2] = {0, 0};
  std::atomic<uint64_t> fSharedTurn{0};
  Worker fWorker;
  std::vector<std::pair<std::string, std::string>> fSplitLabels;
};

// A value as shown to users: the number (shortest form) or the string without trailing
// blanks, followed by its value label in parentheses where there is one; "." for
// system-missing.
std::string ShowDataValue(const ZIRA_Variable& v, size_t row);
