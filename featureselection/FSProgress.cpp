// Progress reports and the sticky cancel state of the screening engine.
#include "featureselection/FSProgress.h"

#include <chrono>

#include "host/mccommon/MCCommonRecord.h"

double FSClockSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int FSReporter::GetIntValue(const std::string& name) const {
  if (name == "records") return fRecords;
  if (name == "predictors") return fPredictors;
  return -1;
}

double FSReporter::GetDoubleValue(const std::string& name) const {
  return name == "elapsedTime" ? fElapsed : MCMV::gMissingValue;
}

bool FSCancelState::IsCancelled() {
  if (fCancelled.load(std::memory_order_relaxed)) return true;
  if (fpCheck == nullptr) return false;
  if (fpCheck->IsCancelRequested()) {
    Cancel();
    return true;
  }
  return false;
}
