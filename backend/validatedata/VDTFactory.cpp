#include "backend/validatedata/VDTFactory.h"

#include <array>
#include <cassert>

#include "backend/validatedata/VDTOutput.h"
#include "backend/validatedata/VDTProcAdapter.h"
#include "backend/validatedata/VDTValidSpecs.h"
#include "featureselection/FSAlgorithmFactory.h"
#include "featureselection/IFSAlgorithm.h"
#include "host/common/MemoryAdvice.h"
#include "host/common/Parallel.h"
#include "host/data/ProcedureDataSource.h"
#include "host/inputadapter/UAVarValidSpecs.h"
#include "host/syntax/UPDescriptors.h"
#include "host/syntax/VarSpecObj.h"

#define VDT_ASSERT(expr) assert((expr) && "backend/validatedata/VDTFactory: " #expr)

namespace {
// The screening engine reads the analysis records of the current split group through the
// host's iterator; every record it reads has run the adapter's per-case work.
class SplitRecords : public MCCommon::RecordIterator {
 public:
  explicit SplitRecords(UAProcDataSourceIter* it) : fpIt(it) {}
  bool Next() override {
    if (!fpIt->NextRecord()) return false;
    fRecord.Assign(fpIt->Record().data(), static_cast<int>(fpIt->Record().size()));
    return true;
  }
  const MCCommon::Record* Current() override { return &fRecord; }
  bool OffersBlocks() const override { return true; }
  const MCCommon::RecordBlock* NextBlock() override { return fpIt->NextBlock(); }

 private:
  UAProcDataSourceIter* fpIt;
  MCCommon::Record fRecord;
};
}  // namespace

VDTFactory::VDTFactory(const VDTValidSpecs* specs, ProcedureDataSource* data,
                       BpProcedure* procedure)
    : fpVDTValidSpecs(specs),
      fpVarValidSpecs(specs->GetVarValidSpecs()),
      fpDataSource(data),
      fpProcedure(procedure) {
  fParserMessage.SetCommandName("VALIDATEDATA");
  fParserMessage.SetProcedureTitle("ValidateData");

  const VDTValidSpecs& s = *fpVDTValidSpecs;
  if (s.GetCaseIdVarList() && (s.GetDuplicIdCheck() || !s.GetDuplicIdVarName().empty())) {
    ObsKeySpec spec = ObsVecMap::MakeKeySpec(*fpDataSource, *s.GetCaseIdVarList());
    spec.push_back({1, true});  // the split-group number
    // Sized by the first pass, split group by split group.
    fpDuplicIdMap = std::make_unique<ObsVecMap>(std::move(spec), 3);
  }
  if (!fpDuplicIdMap && !CreateNewVariables()) {
    fStatus = FSStatus(kVDTNewVarsFailed, false);
    return;
  }
  if (fpDuplicIdMap) {
    fpAdapter = std::make_unique<VDTProcAdapter>(fpVDTValidSpecs, fpDataSource, fpDuplicIdMap.get(),
                                                 &fDuplicIdVec);
    // The saved variables are made after the first pass (their labels name the duplicate
    // groups it finds); that pass maps their memory meanwhile.
    std::vector<std::pair<void*, size_t>> ranges;
    fSavedColumns.resize(static_cast<size_t>(CountNewVariables()));
    for (auto& column : fSavedColumns) {
      column.reserve(fpDataSource->CaseCount());
      ranges.emplace_back(column.data(), column.capacity() * sizeof(double));
    }
    fpAdapter->MapDuringPass(std::move(ranges));
  } else {
    fpAdapter = std::make_unique<VDTProcAdapter>(fpVDTValidSpecs, fpDataSource, nullptr,
                                                 &fDuplicIdVec, fNewVarInds[0], fNewVarInds[1],
                                                 fNewVarInds[2], fNewVarInds[3]);
  }
  fpAdapter->SetSplitFile(fpProcedure, true, true, false);
  fpOutput = std::make_unique<VDTOutput>(fpVDTValidSpecs, this, fpDataSource, fpProcedure);
  if (!fpDuplicIdMap) fpAdapter->SetOutput(fpOutput.get());
  BuildIterator(!fpDuplicIdMap);
  if (fpIterator->GetFailReason() == 1) {
    fStatus = FSStatus(kVDTNoCases, false);
    fInpAdaptMsg.NoValidCases(fpDataSource);
  }
}

VDTFactory::~VDTFactory() {
  fpAlgorithm.reset();
  fpIterator.reset();
  fpAdapter.reset();
  fpOutput.reset();
  fpDuplicIdMap.reset();
}

void VDTFactory::BuildIterator(bool lastPass) {
  fpIterator = std::make_unique<UAProcDataSourceIter>(fpAdapter.get(), true);
  if (lastPass) fpIterator->SetLastPass();
}

bool VDTFactory::NextSplit() {
  if (!fpIterator) return false;
  return fpIterator->NewSplit();
}

bool VDTFactory::ReadSplit() {
  if (fStatus.IsError()) return false;
  if (!fpIterator->HasMore()) {
    fStatus = FSStatus(kVDTNoCases, false);
    return false;
  }
  // Up to a block of cases a call, the next block prepared meanwhile on the second thread.
  while (fpIterator->NextCases()) continue;
  fpIterator->FinishBlocks();
  if (fpIterator->GetFailReason() == 3) {
    fStatus = FSStatus(kVDTPassFailed, false);
    return false;
  }
  return true;
}

void VDTFactory::ClearScreeningResults() {
  fDeleteInds.clear();
  fDeleteRecordPos.clear();
  fDeleteVarInds.clear();
  fDeleteCatVarInds.clear();
  fDeleteContVarInds.clear();
  fDeleteCatVarNames.clear();
  fDeleteContVarNames.clear();
  fDeleteReasons.clear();
  fDeleteCatReasons.clear();
  fDeleteContReasons.clear();
}

bool VDTFactory::ScreenSplit() {
  if (fStatus.IsError() || !fpAdapter || !fpIterator) return false;
  FSSettings* settings = fpVDTValidSpecs->GetFSSettings();
  if (!settings) return false;
  if (fpAlgorithm) {
    fpAlgorithm.reset();
    ClearScreeningResults();
  }
  FSAlgorithmFactory factory;
  fpAlgorithm = factory.Create(settings);
  if (!fpAlgorithm) return false;
  fStatus = fpAlgorithm->GetStatus();
  if (fStatus.IsError()) return false;

  SplitRecords records(fpIterator.get());
  fStatus = fpAlgorithm->CheckPredictors(&records, fDeleteInds, fDeleteReasons, -1);
  fpIterator->FinishBlocks();
  bool ok = !fStatus.IsError();
  if (fpIterator->GetFailReason() == 3) {
    fStatus = FSStatus(kVDTPassFailed, false);
    return false;
  }
  if (ok) {
    VDT_ASSERT(fDeleteInds.size() == fDeleteReasons.size());
    for (size_t i = 0; i < fDeleteInds.size(); ++i) {
      int p = fDeleteInds[i];
      int ziraInd = fpVarValidSpecs->GetZIRAVarIndex(p);
      VDT_ASSERT(ziraInd >= 0);
      fDeleteRecordPos.push_back(p);
      fDeleteVarInds.push_back(ziraInd);
      std::string name = fpDataSource->GetVariable(ziraInd)->GetName();
      if (fpVarValidSpecs->GetZIRACatVar(ziraInd)) {
        fDeleteCatVarInds.push_back(ziraInd);
        fDeleteCatVarNames.push_back(name);
        fDeleteCatReasons.push_back(fDeleteReasons[i]);
      } else {
        fDeleteContVarInds.push_back(ziraInd);
        fDeleteContVarNames.push_back(name);
        fDeleteContReasons.push_back(fDeleteReasons[i]);
      }
    }
  }
  if (!fStatus.IsError()) fStatus = fpAlgorithm->GetStatus();
  return ok;
}

bool VDTFactory::PrepareFinalPass() {
  if (!fpDuplicIdMap) return false;
  // What the first pass had no time to map of the saved variables' memory is mapped on both
  // cores before they are made.
  fpAdapter->MapRest(WorkerThreads());
  for (auto& column : fSavedColumns) fpDataSource->OfferColumnStorage(std::move(column));
  fSavedColumns.clear();
  const bool made = CreateNewVariables();
  fpDataSource->DropOfferedStorage();
  if (!made) {
    fStatus = FSStatus(kVDTNewVarsFailed, false);
    return false;
  }
  fpAlgorithm.reset();
  fpIterator.reset();
  // The first pass's adapter goes before the final pass's is made: the final pass's tables
  // can then reuse the memory of its table of first rows.
  const auto [largestBegin, largestEnd] = fpAdapter->GetLargestSplit();
  fpAdapter.reset();
  fpAdapter = std::make_unique<VDTProcAdapter>(fpVDTValidSpecs, fpDataSource, fpDuplicIdMap.get(),
                                               &fDuplicIdVec, fNewVarInds[0], fNewVarInds[1],
                                               fNewVarInds[2], fNewVarInds[3]);
  // The variable checks code the categories of every split group in tables that grow with the
  // group, and the duplicate groups found each take a row of a table. Mapped page by page
  // while both threads of the pass are busy, such memory costs several times what it costs
  // mapped at once on both cores before the pass.
  size_t ahead = fpOutput->ForeseenBytes(fDuplicIdVec.size());
  if (fpVDTValidSpecs->GetVarCheckStatus())
    ahead += fpAdapter->ForeseenTableBytes(largestBegin, largestEnd);
  MapHeapAhead(ahead, WorkerThreads());
  fpAdapter->SetSplitFile(fpProcedure, true, true, false);
  fpOutput->RefreshAdapter();
  fpAdapter->SetOutput(fpOutput.get());
  BuildIterator(true);
  return true;
}

std::string VDTFactory::GetNewVarName(int i) const {
  int col = fNewVarInds[static_cast<size_t>(i)];
  if (col < 0) return std::string();
  return fpDataSource->GetVariable(col)->GetName();
}

int VDTFactory::CreateNewVariable(const ZiraVarName& root, const std::string& keyword,
                                  const std::string& label, bool scale, const char* text0,
                                  const char* text1) {
  CommandDescriptor descriptor("VALIDATEDATA");
  VarSpecObj spec(keyword, "SAVE", &descriptor, fpDataSource);
  ZiraVarName name = spec.NewVarNameByRoot(root);
  if (name.empty()) return -1;
  int col = -1;
  ZIRA_Variable* v = fpDataSource->MakeVariable(0, &col);
  if (!v) return -1;
  v->SetName(name);
  v->SetFormat({kFmtNumber, 8, 0});
  v->SetWriteFormat({kFmtNumber, 8, 0});
  v->SetMeasurementLevel(scale ? kLevelScale : kLevelNominal);
  v->SetLabel(ParserMessage::GetTranslatedText(label));
  if (text0) {
    ZIRA_ValueLabelMap labels(0);
    labels.AddPair(0.0, ParserMessage::GetTranslatedText(text0));
    if (text1) labels.AddPair(1.0, ParserMessage::GetTranslatedText(text1));
    v->SetValueLabels(std::move(labels));
  }
  return col;
}

namespace {
struct Wanted {
  const ZiraVarName* name;
  bool isDefault;
  bool condition;
  const char* keyword;
  const char* label;
  bool scale;
  const char* text0;
  const char* text1;
};

// The four saved variables in their table's order: empty cases, incomplete identifiers,
// duplicate groups, rule violations. One is made when it has a name and its condition holds.
std::array<Wanted, 4> WantedVariables(const VDTValidSpecs& s) {
  const bool haveIds = s.GetNCaseIdVars() >= 1;
  const bool haveRules = s.GetNStandRules() >= 1 || s.GetNCustRules() >= 1;
  return {{
      {&s.GetEmptyCaseVarName(), s.IsEmptyCaseVarDefault(), true, "EMPTYCASE",
       "Empty Case Indicator ...", false, "Non-empty ...", "Empty ..."},
      {&s.GetIncomplIdVarName(), s.IsIncomplIdVarDefault(), haveIds, "INCOMPLETEID",
       "Incomplete Identifiers Indicator ...", false, "Complete ...", "Incomplete ..."},
      {&s.GetDuplicIdVarName(), s.IsDuplicIdVarDefault(), haveIds, "DUPLICATEID",
       "Duplicate Identifiers Group ...", false, "Unique ...", nullptr},
      {&s.GetRuleViolVarName(), s.IsRuleViolVarDefault(), haveRules, "RULEVIOLATIONS",
       "Total Count of Validation Rule Violations ...", true, nullptr, nullptr},
  }};
}
}  // namespace

int VDTFactory::CountNewVariables() const {
  int n = 0;
  for (const Wanted& w : WantedVariables(*fpVDTValidSpecs))
    if (!w.name->empty() && w.condition) ++n;
  return n;
}

bool VDTFactory::CreateNewVariables() {
  const std::array<Wanted, 4> wanted = WantedVariables(*fpVDTValidSpecs);
  // User-named variables first, then those with a default root, each in the table's order.
  for (int stage = 0; stage < 2; ++stage) {
    bool defaults = stage == 1;
    for (int i = 0; i < 4; ++i) {
      const Wanted& w = wanted[i];
      if (w.name->empty() || w.isDefault != defaults || !w.condition) continue;
      if (fNewVarInds[static_cast<size_t>(i)] >= 0) continue;
      int col = CreateNewVariable(*w.name, w.keyword, w.label, w.scale, w.text0, w.text1);
      if (col < 0) return false;
      fNewVarInds[static_cast<size_t>(i)] = col;
    }
  }
  if (fNewVarInds[2] >= 0) {
    ZIRA_Variable* v = fpDataSource->GetVariable(fNewVarInds[2]);
    ZIRA_ValueLabelMap labels = v->GetValueLabels();
    // Group numbers are new values: appended without a search, so many groups stay linear.
    for (size_t g = 1; g <= fDuplicIdVec.size(); ++g)
      labels.AddNewPair(static_cast<double>(g),
                        ParserMessage::GetTranslatedText("Group ^1 ...", {std::to_string(g)}));
    v->SetValueLabels(std::move(labels));
  }
  return true;
}
