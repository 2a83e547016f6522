#include "host/inputadapter/UAProcDataSourceIter.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>

#include "host/output/BpDocument.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"

std::string ShowDataValue(const ZIRA_Variable& v, size_t row) {
  std::string text;
  const std::string* label = nullptr;
  if (v.IsString()) {
    text.assign(v.GetString(row));
    label = v.GetValueLabels().Find(text);
  } else {
    double d = v.GetNumber(row);
    if (d == MCMV::gMissingValue) return ".";
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, d);
    text.assign(buf, res.ptr);
    label = v.GetValueLabels().Find(d);
  }
  if (label && !label->empty()) text += " (" + *label + ")";
  return text;
}

UAProcDataSourceIter::UAProcDataSourceIter(UAInputAdapter* adapter, bool)
    : fpAdapter(adapter),
      fSplitCols(adapter->Data().SplitVariables()),
      fNCases(adapter->Data().CaseCount()) {
  assert(fpAdapter && "host/inputadapter/UAProcDataSourceIter: fpAdapter != 0");
  fRecord.assign(static_cast<size_t>(fpAdapter->GetRecordSize()), MCMV::gMissingValue);
  if (fNCases == 0) fFailReason = 1;
  const BpProcedure* procedure = fpAdapter->GetSplitProcedure();
  const std::string title = procedure && procedure->Item()
                                ? procedure->Item()->text + ": reading cases"
                                : "Reading cases";
  fpProgress = std::make_unique<ProgressMeter>(title, fNCases, true);
  fpAdapter->PrepareNewPass();
}

UAProcDataSourceIter::~UAProcDataSourceIter() {
  try {
    FinishBlocks();
  } catch (...) {
    // The pass is being abandoned; what its last block threw no longer matters.
  }
  PublishSplit(false);
}

void UAProcDataSourceIter::PublishSplit(bool on) {
  // Output made while a split group is read carries its split values.
  if (fSplitCols.empty()) return;
  Session* session = Session::Current();
  BpDocument* doc = session ? session->Output() : nullptr;
  if (!doc) return;
  if (on) {
    doc->SetCurrentSplit(fSplitLabels);
  } else {
    doc->ClearCurrentSplit();
  }
}

size_t UAProcDataSourceIter::GroupEnd(size_t start) const {
  // Column by column: the group ends where the first split variable changes.
  const ZIRA_DataSource& data = fpAdapter->Data();
  size_t end = fNCases;
  for (int c : fSplitCols) {
    const ZIRA_Variable* v = data.GetVariable(c);
    size_t r = start + 1;
    if (v->IsString()) {
      const size_t width = static_cast<size_t>(v->GetCellWidth());
      const char* first = v->GetStringCell(start);
      while (r < end && std::memcmp(v->GetStringCell(r), first, width) == 0) ++r;
    } else {
      const double* x = v->Numbers().data();
      while (r < end && x[r] == x[start]) ++r;
    }
    end = r;
  }
  return end;
}

void UAProcDataSourceIter::MakeSplitLabels(size_t row) {
  fSplitLabels.clear();
  const ZIRA_DataSource& data = fpAdapter->Data();
  for (int c : fSplitCols) {
    const ZIRA_Variable* v = data.GetVariable(c);
    fSplitLabels.emplace_back(v->GetName(), ShowDataValue(*v, row));
  }
}

bool UAProcDataSourceIter::NewSplit() {
  FinishBlocks();
  size_t start = fGroupEnd;  // the first case after the previous group
  if (start >= fNCases) {
    PublishSplit(false);
    fOpen = false;
    fGroupStart = fGroupEnd = fRow = fNCases;
    return false;
  }
  const size_t end = GroupEnd(start);
  // A block read ahead and dropped with the group before had no turn: the turns start again.
  fSharedTurn.store(fBlocksRead, std::memory_order_release);
  fWorkerSharesNext = false;
  fGroupStart = fRow = fPreparedEnd = start;
  fGroupEnd = end;
  fOpen = true;
  if (!fSplitCols.empty()) {
    MakeSplitLabels(start);
    PublishSplit(true);
  }
  fpAdapter->BeginSplit(start, end);
  fpAdapter->PrepareNewSplit();
  return true;
}

void UAProcDataSourceIter::EnsurePrepared() {
  if (fRow < fPreparedEnd) return;
  fPreparedEnd = std::min(fGroupEnd, fRow + kBlockSize);
  fpAdapter->PrepareCases(fRow, fPreparedEnd);
  fpProgress->Add(fPreparedEnd - fRow);
}

size_t UAProcDataSourceIter::RunCases(size_t end) {
  const size_t begin = fRow;
  fpAdapter->SetCurrentCase(begin, begin == fGroupStart);
  const size_t done = fpAdapter->ProcessCases(begin, end);
  if (done < end - begin) {
    // The case that failed has been read, but ends what was read before it.
    fFailReason = 3;
    fRow = begin + done + 1;
    return begin + done;
  }
  fRow = end;
  return end;
}

void UAProcDataSourceIter::WaitForPrepared() {
  if (!fPrepareAhead) return;
  fWorker.Wait();
  fPrepareAhead = false;
}

void UAProcDataSourceIter::Next() {
  if (!HasMore()) return;
  WaitForPrepared();
  EnsurePrepared();
  RunCases(fRow + 1);
}

void UAProcDataSourceIter::OnBothThreads(const std::function<void(int)>& fn) {
  fWorker.Start([&fn] { fn(1); });
  try {
    fn(0);
  } catch (...) {
    fWorker.WaitQuietly();
    throw;
  }
  fWorker.Wait();
}

bool UAProcDataSourceIter::NextCases() {
  if (!HasMore() || fFailReason == 3) return false;
  WaitForPrepared();
  // At a group's start the adapter may do the whole group at once, on both threads.
  if (fRow == fGroupStart && fPreparedEnd == fRow &&
      fpAdapter->ProcessSplitAtOnce(fGroupStart, fGroupEnd,
                                    [this](const auto& fn) { OnBothThreads(fn); })) {
    fpProgress->Add(fGroupEnd - fRow);
    fRow = fPreparedEnd = fGroupEnd;
    return true;
  }
  EnsurePrepared();
  const size_t end = fPreparedEnd;
  // The next block is prepared on the second thread while these cases are processed.
  if (end < fGroupEnd) {
    const size_t next = std::min(fGroupEnd, end + kBlockSize);
    fPrepareAhead = true;
    fWorker.Start([this, end, next] {
      fpAdapter->PrepareCases(end, next);
      // Then memory for later, a few pages at a time, until this thread is waited for.
      constexpr size_t kMapPiece = 32 * 1024;
      while (!fWorker.CallerWaits() && fpAdapter->MapAhead(kMapPiece)) continue;
    });
    fpProgress->Add(next - end);
    fPreparedEnd = next;
  }
  RunCases(end);
  return fFailReason != 3;
}

bool UAProcDataSourceIter::NextRecord() {
  if (!HasMore() || fFailReason == 3) return false;
  Next();
  double* rec = fRecord.data();
  fpAdapter->EncodeCatVars(rec);
  fpAdapter->GetContVars(rec);
  fpAdapter->FillFreeVars(rec);
  return fFailReason != 3;
}

namespace {
// Exponential smoothing of per-block times: a quarter of each new figure.
void Smooth(double& average, double ns) {
  average = average == 0 ? ns : average + (ns - average) / 4;
}
double NsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t).count();
}
// Polls `done` for up to about 50 microseconds; true when it turned true meanwhile.
template <class Done>
bool PollBriefly(Done done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
  for (;;) {
    for (int i = 0; i < 64; ++i) {
      if (done()) return true;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    if (std::chrono::steady_clock::now() >= until) return false;
  }
}
}  // namespace

void UAProcDataSourceIter::CodeField(int b, int p) {
  const Clock::time_point start = Clock::now();
  const size_t begin = fBlockBegin[b];
  const size_t f = static_cast<size_t>(p);
  // Values that need no coding are handed over where they lie in the dataset.
  if (const double* direct = fpAdapter->DirectField(p, begin)) {
    fBlock[b].columns[f] = direct;
  } else {
    fBlock[b].columns[f] = fBlockColumns[b][f];
    fpAdapter->EncodeField(p, begin, begin + static_cast<size_t>(fBlock[b].nRecords),
                           fBlockColumns[b][f]);
  }
  Smooth(fFieldNs[f], NsSince(start));
}

void UAProcDataSourceIter::ReadBlock(int b) {
  const Clock::time_point start = Clock::now();
  const size_t nFields = fRecord.size();
  std::vector<double>& values = fBlockValues[b];
  MCCommon::RecordBlock& block = fBlock[b];
  if (values.empty()) {
    values.assign(nFields * kBlockSize, MCMV::gMissingValue);
    block.columns.resize(nFields);
    fBlockColumns[b].resize(nFields);
    for (size_t f = 0; f < nFields; ++f) {
      fBlockColumns[b][f] = values.data() + f * kBlockSize;
      block.columns[f] = fBlockColumns[b][f];
    }
  }
  if (fCallerCodes.empty()) {
    fCallerCodes.resize(nFields);
    for (size_t f = 0; f < nFields; ++f)
      fCallerCodes[f] = fpAdapter->IsStringCategoryField(static_cast<int>(f));
    fFieldNs.assign(nFields, 0.0);
  }
  block.nRecords = 0;
  if (!HasMore() || fFailReason == 3) return;
  const size_t begin = fRow;
  EnsurePrepared();
  const size_t end = RunCases(std::min(fPreparedEnd, begin + kBlockSize));
  if (end == begin) return;
  fBlockBegin[b] = begin;
  block.nRecords = static_cast<int>(end - begin);
  fBlockNumber[b] = fBlocksRead++;
  fBlockCallerCodes[b] = fCallerCodes;
  if (fShared >= 0) {
    fBlockCallerCodes[b][static_cast<size_t>(fShared)] = fWorkerSharesNext ? 0 : 1;
    fWorkerSharesNext = !fWorkerSharesNext;
  }
  double waited = 0;
  for (size_t f = 0; f < nFields; ++f)
    if (!fBlockCallerCodes[b][f] && static_cast<int>(f) != fShared)
      CodeField(b, static_cast<int>(f));
  // The shared field last: the caller has most likely coded it for the block before by then.
  if (fShared >= 0 && !fBlockCallerCodes[b][static_cast<size_t>(fShared)])
    waited = CodeSharedField(b);
  fWorkerNs += NsSince(start) - waited;
}

double UAProcDataSourceIter::CodeSharedField(int b) {
  const uint64_t mine = fBlockNumber[b];
  const Clock::time_point start = Clock::now();
  uint64_t turn = 0;
  auto ready = [&] {
    turn = fSharedTurn.load(std::memory_order_acquire);
    return turn == mine || turn == kAbandoned;
  };
  while (!PollBriefly(ready)) std::this_thread::yield();
  if (turn == kAbandoned) return 0;  // the caller stopped coding: this block goes unused
  const double waited = NsSince(start);
  CodeField(b, fShared);
  fSharedTurn.store(mine + 1, std::memory_order_release);
  return waited;
}

namespace {
bool gMoveEveryBlock = false;
}  // namespace

void UAProcDataSourceIter::MoveEveryBlockForTesting(bool on) { gMoveEveryBlock = on; }

UAProcDataSourceIter::Side UAProcDataSourceIter::SideOf(int f) const {
  if (f == fShared) return Side::kShared;
  return fCallerCodes[static_cast<size_t>(f)] ? Side::kCaller : Side::kWorker;
}

void UAProcDataSourceIter::Rebalance(int b) {
  const int nFields = static_cast<int>(fCallerCodes.size());
  if (gMoveEveryBlock) {
    // Each block moves the next field on: from the caller to both threads, to the second
    // thread, back to the caller.
    const int f = static_cast<int>(fBlocksSinceMove++ % nFields);
    const Side from = SideOf(f);
    if (from == Side::kCaller && fShared >= 0) MoveField(b, fShared, Side::kCaller);
    MoveField(b, f,
              from == Side::kCaller   ? Side::kShared
              : from == Side::kShared ? Side::kWorker
                                      : Side::kCaller);
    return;
  }
  // Each thread's work per block over the last few blocks (with a shared field, as many of
  // them coded on one side as on the other).
  constexpr int kWindow = 8;
  if (++fBlocksSinceMove < kWindow) return;
  const double caller = fCallerNs / kWindow, worker = fWorkerNs / kWindow;
  fBlocksSinceMove = 0;
  fCallerNs = fWorkerNs = 0;
  if (caller == 0 || worker == 0) return;
  // The move that leaves the busier thread least to do per block, by more than the times
  // vary from one window to the next; a shared field is half a block's coding on each
  // thread. One field at a time is shared, and only the costliest: the others move whole.
  auto callerPart = [](Side s) {
    return s == Side::kCaller ? 1.0 : s == Side::kShared ? 0.5 : 0.0;
  };
  const int costliest =
      static_cast<int>(std::max_element(fFieldNs.begin(), fFieldNs.end()) - fFieldNs.begin());
  double least = 0.98 * std::max(caller, worker);
  int best = -1;
  Side to = Side::kCaller;
  for (int f = 0; f < nFields; ++f) {
    const Side from = SideOf(f);
    for (Side side : {Side::kCaller, Side::kWorker, Side::kShared}) {
      if (side == from || (side == Side::kShared && (fShared >= 0 || f != costliest))) continue;
      const double moved = (callerPart(side) - callerPart(from)) * fFieldNs[static_cast<size_t>(f)];
      const double busier = std::max(caller + moved, worker - moved);
      if (busier < least) {
        least = busier;
        best = f;
        to = side;
      }
    }
  }
  if (best >= 0) MoveField(b, best, to);
}

void UAProcDataSourceIter::MoveField(int b, int f, Side to) {
  const Side from = SideOf(f);
  if (from == to) return;
  const size_t i = static_cast<size_t>(f);
  // A field handed to the second thread is first coded here for block b, which that thread
  // will not code, so its rows stay in order.
  if (to == Side::kWorker && fBlockCallerCodes[b][i]) {
    if (from == Side::kShared) {
      CodeSharedField(b);
    } else {
      CodeField(b, f);
    }
    fBlockCallerCodes[b][i] = 0;
  }
  if (from == Side::kShared) fShared = -1;
  if (to == Side::kShared) {
    // Block b has the turn unless its field is coded already; the block after it is coded on
    // the other thread.
    const bool here = fBlockCallerCodes[b][i] != 0;
    fShared = f;
    fSharedTurn.store(fBlockNumber[b] + (here ? 0 : 1), std::memory_order_release);
    fWorkerSharesNext = here;
  } else {
    fCallerCodes[i] = to == Side::kCaller ? 1 : 0;
  }
}

const MCCommon::RecordBlock* UAProcDataSourceIter::NextBlock() {
  // The adapter's work on the cases of a block and the coding of part of their records run
  // on the second thread, one block ahead of the caller; the rest of the coding runs here,
  // beside it. Rebalance keeps the two threads' work per block about even.
  WaitForPrepared();
  const Clock::time_point entry = Clock::now();
  const double callerWork =
      fHandedOut ? std::chrono::duration<double, std::nano>(entry - fReturned).count() : 0;
  if (fAheadPending) {
    fWorker.Wait();
    fAheadPending = false;
    fCurrentBlock = 1 - fCurrentBlock;
  } else {
    // A group's first block: the second thread is idle, and helps code the fields that are
    // coded a group at once.
    if (fRow == fGroupStart && HasMore())
      fpAdapter->CodeGroups([this](const auto& fn) { OnBothThreads(fn); });
    ReadBlock(fCurrentBlock);
  }
  const int b = fCurrentBlock;
  const MCCommon::RecordBlock* block = &fBlock[b];
  fHandedOut = false;
  if (block->nRecords == 0) return nullptr;
  Rebalance(b);
  if (HasMore() && fFailReason != 3) {
    const int next = 1 - b;
    fAheadPending = true;
    fWorker.Start([this, next] { ReadBlock(next); });
  }
  const Clock::time_point coding = Clock::now();
  try {
    // The shared field first: the second thread may wait for it.
    if (fShared >= 0 && fBlockCallerCodes[b][static_cast<size_t>(fShared)]) CodeSharedField(b);
    for (size_t f = 0; f < fBlockCallerCodes[b].size(); ++f)
      if (fBlockCallerCodes[b][f] && static_cast<int>(f) != fShared)
        CodeField(b, static_cast<int>(f));
  } catch (...) {
    // The block read ahead must not wait for a turn this thread will not pass on.
    fSharedTurn.store(kAbandoned, std::memory_order_release);
    throw;
  }
  fReturned = Clock::now();
  fHandedOut = true;
  fCallerNs += callerWork + std::chrono::duration<double, std::nano>(fReturned - coding).count();
  return block;
}

void UAProcDataSourceIter::FinishBlocks() {
  WaitForPrepared();
  if (!fAheadPending) return;
  fWorker.Wait();
  fAheadPending = false;
  fCurrentBlock = 1 - fCurrentBlock;
}

UAProcDataSourceIter::Worker::~Worker() {
  if (!fThread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fStop = true;
  }
  fChanged.notify_all();
  fThread.join();
}

void UAProcDataSourceIter::Worker::Start(std::function<void()> job) {
  if (!fThread.joinable()) fThread = std::thread([this] { Loop(); });
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fJob = std::move(job);
    fCallerWaits.store(false, std::memory_order_relaxed);
    fBusy = true;
  }
  fChanged.notify_all();
}

void UAProcDataSourceIter::Worker::Wait() {
  fCallerWaits.store(true, std::memory_order_relaxed);
  PollBriefly([this] { return !fBusy.load(std::memory_order_acquire); });
  std::unique_lock<std::mutex> lock(fMutex);
  fChanged.wait(lock, [this] { return !fBusy; });
  if (fError) std::rethrow_exception(std::exchange(fError, nullptr));
}

void UAProcDataSourceIter::Worker::WaitQuietly() {
  try {
    Wait();
  } catch (...) {
    // The caller's own exception is the one that goes on.
  }
}

void UAProcDataSourceIter::Worker::Loop() {
  std::unique_lock<std::mutex> lock(fMutex);
  for (;;) {
    if (!fBusy && !fStop) {
      // The next job usually comes within microseconds of the last one's end.
      lock.unlock();
      PollBriefly([this] {
        return fBusy.load(std::memory_order_acquire) || fStop.load(std::memory_order_acquire);
      });
      lock.lock();
    }
    fChanged.wait(lock, [this] { return fBusy || fStop; });
    if (fStop) return;
    std::function<void()> job = std::move(fJob);
    lock.unlock();
    std::exception_ptr error;
    try {
      job();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    fError = error;
    fBusy = false;
    fChanged.notify_all();
  }
}
