// Progress reports and cancellation of the screening engine: the report a listener receives,
// the listener and cancel-check interfaces a client implements, and the sticky cancel state.
#pragma once

#include <atomic>
#include <string>

// Seconds on a steady clock, for the elapsed times of the steps.
double FSClockSeconds();

// A progress report, queried by name.
class ProgressReport {
 public:
  virtual ~ProgressReport() = default;
  virtual int GetIntValue(const std::string& name) const = 0;
  virtual double GetDoubleValue(const std::string& name) const = 0;
};

// The engine's report: "records" and "predictors" (int; -1 for the one a report is not
// about) and "elapsedTime" (double, seconds). Other names answer -1 / system-missing.
class FSReporter : public ProgressReport {
 public:
  FSReporter(int records = 0, int predictors = -1, double elapsed = 0.0)
      : fRecords(records), fPredictors(predictors), fElapsed(elapsed) {}
  int GetIntValue(const std::string& name) const override;
  double GetDoubleValue(const std::string& name) const override;
  void Set(int records, int predictors, double elapsed) {
    fRecords = records;
    fPredictors = predictors;
    fElapsed = elapsed;
  }

 private:
  int fRecords;
  int fPredictors;
  double fElapsed;
};

// Implemented by a client that wants progress reports. The report is borrowed for the call.
class FSProgressListener {
 public:
  virtual ~FSProgressListener() = default;
  virtual void Progress(const ProgressReport* report) = 0;
};

// Implemented by a client that wants to cancel a running step from its own check.
class FSCancelCheck {
 public:
  virtual ~FSCancelCheck() = default;
  // True when cancellation has been requested.
  virtual bool IsCancelRequested() = 0;
};

// The cancel state of one algorithm: a sticky flag (once cancelled, always cancelled) and the
// client's check (borrowed, may be null). Cancel() may be called from another thread.
class FSCancelState {
 public:
  explicit FSCancelState(FSCancelCheck* check = nullptr) : fpCheck(check) {}
  // True when the flag is set, or the client's check answers yes (which sets the flag).
  bool IsCancelled();
  void Cancel() { fCancelled.store(true, std::memory_order_relaxed); }
  // Replaces the client's check; the flag is kept.
  void SetCancelCheck(FSCancelCheck* check) { fpCheck = check; }
  FSCancelCheck* GetCancelCheck() const { return fpCheck; }

 private:
  FSCancelCheck* fpCheck;
  std::atomic<bool> fCancelled{false};
};
