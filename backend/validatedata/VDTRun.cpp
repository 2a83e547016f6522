#include "backend/validatedata/VDTRun.h"

#include <iostream>
#include <memory>

#include "backend/validatedata/VDTFactory.h"
#include "backend/validatedata/VDTOutput.h"
#include "backend/validatedata/VDTParser.h"
#include "backend/validatedata/VDTValidSpecs.h"
#include "host/common/CommonBlocks.h"
#include "host/data/ProcedureDataSource.h"
#include "host/inputadapter/UAInpAdaptMsg.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"
#include "host/syntax/ZIRA_TokenSequence.h"

namespace vdt {

namespace {
CaseHook gCaseHook = nullptr;
}

void SetCaseHookForTesting(CaseHook hook) { gCaseHook = hook; }
CaseHook GetCaseHook() { return gCaseHook; }

void RunValidateData() {
  CmnGlb* glb = pvGetCmnGlb();
  // 1. Save the two global words this procedure may change.
  const int savedWeight = glb->weightWord;
  const int savedSetting = glb->settingWord;

  // 2. The procedure context, the tokens, the data source and a default settings record.
  auto procedure = std::make_unique<BpProcedure>("ValidateData", 10);
  auto tokens = std::make_unique<ZIRA_TokenSequence>(true);
  auto data = std::make_unique<ProcedureDataSource>();
  auto specs = std::make_unique<VDTValidSpecs>();

  // 3, 4. Room for the saved variables; measurement levels settled.
  if (data->ColumnCount() == 0) {
    UAInpAdaptMsg().NoValidCasesForSelect(data.get());
  } else {
    data->SetMaxObsAdded(4);
  }
  AdjustMeasurementLevels(data.get());

  // 5, 6. Parse.
  auto parser = std::make_unique<VDTParser>(tokens.get(), specs.get(), data.get());
  const bool parsed = parser->Parse();
  const bool varChecks = specs->GetVarCheckStatus();

  bool goOn = parsed;
  // 8. Complete the settings.
  if (goOn && glb->errorWord == 0) {
    specs->CreateVarValidSpecs();
    if (varChecks) goOn = specs->GetFSSettings() != nullptr;
    Session* session = Session::Current();
    if (session && session->DebugDisplay()) specs->Display(std::cerr);
  }
  // 9 - 13. The passes.
  if (goOn && glb->errorWord == 0) {
    auto factory = std::make_unique<VDTFactory>(specs.get(), data.get(), procedure.get());
    VDTOutput* output = factory->GetOutput();
    bool run = !factory->GetStatus().IsError();
    const auto* ids = specs->GetCaseIdVarList();
    if (run && ids && (specs->GetDuplicIdCheck() || !specs->GetDuplicIdVarName().empty())) {
      while (run && glb->errorWord == 0 && factory->NextSplit()) run = factory->ReadSplit();
      if (run && glb->errorWord == 0) run = factory->PrepareFinalPass();
    }
    if (run) {
      while (glb->errorWord == 0 && factory->NextSplit()) {
        bool ok = varChecks ? factory->ScreenSplit() : factory->ReadSplit();
        // A group that was interrupted or failed gets no output: what it opened goes.
        if (!ok || glb->errorWord != 0) {
          if (output) output->DiscardSplit();
          break;
        }
        if (output) {
          output->WriteSplitTables();
          output->EndSplit();
        }
      }
    }
    if (output) output->AddCreatedVarNotes();
    factory.reset();
  }

  // 14. Restore the global words; tear down in order.
  glb->weightWord = savedWeight;
  glb->settingWord = savedSetting;
  parser.reset();
  specs.reset();
  data.reset();
  tokens.reset();
  procedure.reset();
}

}  // namespace vdt
