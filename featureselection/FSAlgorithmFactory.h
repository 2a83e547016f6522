// Creates screening algorithms on settings or restores them from stored forms, keeping the
// status of the last attempt; Abort cancels an attempt running on another thread.
#pragma once

#include <atomic>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>

#include "featureselection/IFSAlgorithm.h"

// Invariants: 1. fState is 0 (working or idle) or 1 (aborted).
class FSAlgorithmFactory {
 public:
  // An algorithm on borrowed settings (which must outlive it); null when its status is an
  // error. The caller owns the result.
  std::unique_ptr<IFSAlgorithm> Create(FSSettings* settings);
  // An algorithm restored from the binary form: null with status 80003 when the stream is not
  // good, 80004 when it holds no readable algorithm (reason in GetErrorText()).
  std::unique_ptr<IFSAlgorithm> Load(std::istream& is);
  // The same for the XML form (80003, 80005; 80004 for an unexpected exception).
  std::unique_ptr<IFSAlgorithm> LoadXML(std::istream& is);
  // Aborts the attempt in progress: state 1 and status 1; the algorithm under construction is
  // destroyed by the thread that builds it, which then returns null.
  void Abort();

  FSStatus GetStatus() const;
  int GetState() const { return fState.load(); }
  // Why the last load failed ("" when it did not).
  std::string GetErrorText() const;

 private:
  std::unique_ptr<IFSAlgorithm> Finish(std::unique_ptr<IFSAlgorithm> algorithm);
  std::unique_ptr<IFSAlgorithm> Restore(std::istream& is, bool xml);

  std::atomic<int> fState{0};
  mutable std::mutex fMutex;  // guards fStatus and fErrorText
  FSStatus fStatus;
  std::string fErrorText;
};
