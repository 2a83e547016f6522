// A progress bar on standard error for long reads and writes: shown only when asked for,
// when standard error is a terminal, and once the work has taken more than about a second.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>

// Counts units of work done out of a known total; any thread may call Add.
// Invariants:
//  1. fDone never exceeds fTotal once Add has clamped it;
//  2. the bar is drawn only when fEnabled.
class ProgressMeter {
 public:
  // label names the work ("Reading survey.csv"); enabled false makes every call a no-op.
  ProgressMeter(std::string label, size_t total, bool enabled);
  ~ProgressMeter();
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;
  void Add(size_t units);
  // Clears the bar's line if one was drawn.
  void Finish();

 private:
  void Draw(size_t done);
  std::string fLabel;
  size_t fTotal;
  bool fEnabled;
  bool fDrawn = false;
  std::atomic<size_t> fDone{0};
  std::mutex fDrawMutex;
  std::chrono::steady_clock::time_point fStart;
  std::chrono::steady_clock::time_point fLastDraw;
};
