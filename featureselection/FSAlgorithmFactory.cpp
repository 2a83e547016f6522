// The algorithm factory: creation, restoring and abort.
#include "featureselection/FSAlgorithmFactory.h"

#include <cassert>
#include <istream>

#include "featureselection/FSAlgorithm.h"

std::unique_ptr<IFSAlgorithm> FSAlgorithmFactory::Finish(std::unique_ptr<IFSAlgorithm> a) {
  std::lock_guard<std::mutex> lock(fMutex);
  if (fState.load() == 1) {
    fStatus = FSStatus(kFSCancelled, false);
    return nullptr;
  }
  fStatus = a->GetStatus();
  if (fStatus.IsError()) {
    if (const auto* fa = dynamic_cast<const FSAlgorithm*>(a.get())) fErrorText = fa->GetLoadError();
    return nullptr;
  }
  return a;
}

std::unique_ptr<IFSAlgorithm> FSAlgorithmFactory::Create(FSSettings* settings) {
  assert(settings && "featureselection/FSAlgorithmFactory: settings");
  fState.store(0);
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fStatus = FSStatus();
    fErrorText.clear();
  }
  return Finish(std::make_unique<FSAlgorithm>(settings));
}

std::unique_ptr<IFSAlgorithm> FSAlgorithmFactory::Restore(std::istream& is, bool xml) {
  fState.store(0);
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fStatus = FSStatus();
    fErrorText.clear();
    if (!is.good()) {
      fStatus = FSStatus(kFSStreamNotGood, false);
      fErrorText = "The input stream is not in a good state.";
      return nullptr;
    }
  }
  std::unique_ptr<IFSAlgorithm> a;
  try {
    a = std::make_unique<FSAlgorithm>(is, xml ? FSStoredForm::kXML : FSStoredForm::kBinary);
  } catch (const std::exception& e) {
    std::lock_guard<std::mutex> lock(fMutex);
    fStatus = FSStatus(kFSLoadFailed, false);
    fErrorText = std::string("An exception occurred while loading: ") + e.what();
    return nullptr;
  }
  return Finish(std::move(a));
}

std::unique_ptr<IFSAlgorithm> FSAlgorithmFactory::Load(std::istream& is) {
  return Restore(is, false);
}

std::unique_ptr<IFSAlgorithm> FSAlgorithmFactory::LoadXML(std::istream& is) {
  return Restore(is, true);
}

void FSAlgorithmFactory::Abort() {
  std::lock_guard<std::mutex> lock(fMutex);
  fState.store(1);
  fStatus = FSStatus(kFSCancelled, false);
}

FSStatus FSAlgorithmFactory::GetStatus() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fStatus;
}

std::string FSAlgorithmFactory::GetErrorText() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fErrorText;
}
