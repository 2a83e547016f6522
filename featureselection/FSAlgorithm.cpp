// The screening algorithm: the status pattern around every step, screening, ranking, the
// result queries and the stored forms.
#include "featureselection/FSAlgorithm.h"

#include <cassert>
#include <iostream>
#include <sstream>

namespace {
constexpr const char* kAlgorithmTag = "FSAlgorithm 1.00";
constexpr const char* kCls = "FSAlgorithm";
}  // namespace

FSAlgorithm::FSAlgorithm(FSSettings* settings)
    : fpSettings(settings),
      fCancel(settings ? settings->GetCancelCheck() : nullptr),
      fSet(settings, &fCancel) {
  assert(settings && "featureselection/FSAlgorithm: settings");
}

FSAlgorithm::FSAlgorithm(std::istream& is, FSStoredForm form)
    : fpOwnedSettings(std::make_unique<FSSettings>()),
      fpSettings(fpOwnedSettings.get()),
      fCancel(nullptr),
      fSet(fpSettings, &fCancel) {
  const FSStatus failed(form == FSStoredForm::kBinary ? kFSLoadFailed : kFSLoadXMLFailed, false);
  try {
    if (form == FSStoredForm::kBinary) {
      FSBinarySource in(is);
      ReadFields(in);
    } else {
      MCCommonXML::XMLReader reader;
      if (!reader.ParseStartXML(is)) FSIO::Fail(kCls, reader.GetError());
      FSXMLSource in(reader);
      ReadFields(in);
    }
  } catch (const MCFeature::IOException& e) {
    fStatus = failed;
    fLoadError = e.what();
  } catch (const std::exception& e) {
    if (form == FSStoredForm::kBinary) std::cerr << "Error restoring from binary.\n";
    fStatus = failed;
    fLoadError = std::string("Error restoring the algorithm: ") + e.what();
  }
}

FSAlgorithm::~FSAlgorithm() = default;

void FSAlgorithm::WriteFields(FSFieldSink& out) const {
  out.Begin(kAlgorithmTag, kAlgorithmTag);
  fpSettings->Write(out);
  fSet.Write(out);
  out.Bool("dataAccumulated", fDataAccumulated);
  out.Bool("predictorsRanked", fRanked);
  out.End();
}

void FSAlgorithm::ReadFields(FSFieldSource& in) {
  in.Begin(kAlgorithmTag, kAlgorithmTag, kCls);
  fpSettings->Read(in);
  fSet.Read(in);
  fDataAccumulated = in.Bool("dataAccumulated", kCls);
  fRanked = in.Bool("predictorsRanked", kCls);
  in.End(kCls);
}

std::string FSAlgorithm::GetNotice() const {
  return "Zira Feature Selection: predictor screening and ranking engine, version 1.0";
}

template <typename Step>
FSStatus FSAlgorithm::Guarded(Step step) {
  FSStatus st = fStatus;
  if (!st.IsError() && !fCancel.IsCancelled()) st = step();
  if (fCancel.IsCancelled()) {
    fSet.Release();
    st = FSStatus(kFSCancelled, false);
  }
  fStatus = st;
  return st;
}

FSStatus FSAlgorithm::AccumulateData(MCCommon::RecordIterator* it, int maxRecords) {
  return Guarded([&] {
    const FSStatus st = fpSettings->IsTransactions() ? fSet.TransactionPass(it)
                                                     : fSet.PassWithTarget(it, maxRecords);
    fDataAccumulated = true;
    return st;
  });
}

void FSAlgorithm::GetRecordCounts(double& weightedValid, double& weightedExcluded, int& valid,
                                  int& excluded) const {
  fSet.GetRecordCounts(weightedValid, weightedExcluded, valid, excluded);
}

FSStatus FSAlgorithm::CheckForDeletion() {
  return Guarded([&] { return fSet.CheckForDeletion(); });
}

FSStatus FSAlgorithm::ScreenPredictors() {
  return Guarded([&] { return fSet.ScreenPredictors(); });
}

FSStatus FSAlgorithm::RankPredictors(int numberOfBest) {
  return Guarded([&] {
    FSStatus st = fSet.ComputeCriteria();
    if (!st.IsError() && !fCancel.IsCancelled()) {
      st = numberOfBest == 0 ? fSet.SortAll() : fSet.SortBest(numberOfBest);
    }
    if (!st.IsError() && !fCancel.IsCancelled()) st = fSet.Rank();
    fRanked = true;
    if (st.IsOK() && numberOfBest >= 1 && fSet.GetNumLeft() < numberOfBest) {
      st = FSStatus(kFSTooFewPredictors, false, fSet.GetNumLeft());
    }
    return st;
  });
}

FSStatus FSAlgorithm::Run(MCCommon::RecordIterator* it, int maxRecords, bool screen,
                          int numberOfBest) {
  return Guarded([&] {
    IFSAlgorithm& self = *this;
    FSStatus st = self.AccumulateData(it, maxRecords);
    if (st.IsOK() && !fCancel.IsCancelled()) st = self.CheckForDeletion();
    if (screen && st.IsOK() && !fCancel.IsCancelled()) st = self.ScreenPredictors();
    if (st.IsOK() && !fCancel.IsCancelled()) st = self.RankPredictors(numberOfBest);
    return st;
  });
}

FSStatus FSAlgorithm::CheckPredictors(MCCommon::RecordIterator* it, std::vector<int>& indices,
                                      std::vector<std::vector<int>>& reasons, int maxRecords) {
  indices.clear();
  reasons.clear();
  fpSettings->SetTargetPosition(-1);
  return Guarded([&] {
    FSStatus st = fSet.PassWithoutTarget(it, maxRecords);
    fDataAccumulated = true;
    if (!st.IsError() && !fCancel.IsCancelled()) {
      const FSStatus listed = fSet.ListFailing(indices, reasons);
      if (!listed.IsOK()) st = listed;
    }
    return st;
  });
}

FSStatus FSAlgorithm::CheckOutputState(int criterion) const {
  if (fStatus.IsError()) return fStatus;
  if (!fRanked || fSet.GetStatus() != kFSSetRanked) return FSStatus(kFSNotRanked, false);
  if (!fpSettings->IsCriterionComputed(criterion)) {
    return FSStatus(kFSCriterionNotComputed, false);
  }
  if (const_cast<FSCancelState&>(fCancel).IsCancelled()) return FSStatus(kFSCancelled, false);
  return fStatus;
}

bool FSAlgorithm::GetCriterionValues(int criterion, int predictor, double& value, double& second,
                                     double& third, double& fourth) const {
  value = second = third = fourth = MCMV::gMissingValue;
  if (predictor < 0 || predictor >= fSet.GetNumPredictors() || criterion < 0 ||
      criterion >= kFSNumCriteria || fSet.IsDeleted(predictor)) {
    return false;
  }
  const IFSPredTargetAccum* a = fSet.GetAccumulator(predictor);
  return a && a->GetCriterion(criterion, value, second, third, fourth);
}

FSStatus FSAlgorithm::GetBestPredictors(int criterion, std::vector<int>& indices,
                                        std::vector<double>& values, int numberOfBest) {
  FSStatus st = CheckOutputState(criterion);
  if (st.IsError()) return st;
  const int left = fSet.GetNumLeft();
  const int stored = std::max(fSet.GetNumberOfBest(), 0);
  int n = numberOfBest == 0 ? stored : numberOfBest;
  if (stored > 0) n = std::min(n, stored);
  if (n > left || n <= 0) n = left;
  indices.clear();
  values.clear();
  const std::vector<FSPredSort>& list = fSet.GetSortList(criterion);
  for (int k = 0; k < n && static_cast<std::size_t>(k) < list.size(); ++k) {
    indices.push_back(list[static_cast<std::size_t>(k)].index);
    values.push_back(list[static_cast<std::size_t>(k)].value);
  }
  if (st.IsOK() && numberOfBest >= 1 && left < numberOfBest) {
    st = FSStatus(kFSTooFewPredictors, true, left);
  }
  return st;
}

FSStatus FSAlgorithm::Save(std::ostream& os) {
  const FSStatus st = fStatus;
  if (st.IsError()) return st;
  if (fCancel.IsCancelled()) return FSStatus(kFSCancelled, false);
  // Built completely first, then written at once: a failure leaves nothing half-written.
  std::ostringstream buf;
  FSBinarySink out(buf);
  WriteFields(out);
  const std::string bytes = buf.str();
  os.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return os ? st : FSStatus(kFSStreamNotGood, false);
}

FSStatus FSAlgorithm::SaveXML(std::ostream& os) {
  const FSStatus st = fStatus;
  if (st.IsError()) return st;
  if (fCancel.IsCancelled()) return FSStatus(kFSCancelled, false);
  std::ostringstream buf;
  {
    MCCommonXML::XMLObj xml(buf);
    FSXMLSink out(xml);
    WriteFields(out);
  }
  const std::string text = buf.str();
  os.write(text.data(), static_cast<std::streamsize>(text.size()));
  return os ? st : FSStatus(kFSStreamNotGood, false);
}

void FSAlgorithm::SetProgressListener(FSProgressListener* listener) {
  fpSettings->SetProgressListener(listener);
}

void FSAlgorithm::SetCancelCheck(FSCancelCheck* check) {
  fpSettings->SetCancelCheck(check);
  fCancel.SetCancelCheck(check);
}

void FSAlgorithm::Display(std::ostream& os) const {
  os << "Start of FSAlgorithm display\n";
  os << "Data accumulated? " << (fDataAccumulated ? "Yes." : "No.") << "\n";
  os << "Predictors ranked? " << (fRanked ? "Yes." : "No.") << "\n";
  os << "Last status: ";
  fStatus.Display(os);
  fpSettings->Display(os);
  fSet.Display(os);
  os << "End of FSAlgorithm display\n";
}
