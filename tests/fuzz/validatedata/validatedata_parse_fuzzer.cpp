// Feeds arbitrary text as one VALIDATEDATA command through VDTParser on a small dataset with
// split-file variables, rule attributes and outcome variables. Parse may answer true or false;
// a crash, a hang, a failed assertion or undefined behaviour is a finding. After a successful
// parse the settings record completes itself as the driver would have it do.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "backend/validatedata/VDTParser.h"
#include "backend/validatedata/VDTValidSpecs.h"
#include "host/data/ProcedureDataSource.h"
#include "host/session/Session.h"
#include "host/syntax/CommandTokens.h"
#include "host/syntax/ZIRA_TokenSequence.h"

namespace {

ZIRA_DataSource MakeDataset() {
  ZIRA_DataSource ds;
  for (const char* n : {"age", "height", "id", "region", "EmptyCase"}) ds.AddVariable(n, 0);
  ds.AddVariable("name", 8);
  for (const char* o : {"ageOK", "c1", "c2"})
    ds.AddVariable(o, 0)->GetAttributes().Set("$VD.RuleOutcomeVar", {"Yes"});
  ds.SetCaseCount(3);
  ds.GetAttributes().Set("$VD.SRule", {"Label='Age',Type=Numeric,Domain=Range,FlagUserMissing=No,"
                                       "FlagSystemMissing=No,FlagBlank=No,Minimum=0,Maximum=120"});
  ds.GetVariable(0)->GetAttributes().Set("$VD.SRuleRef", {"Rule=$VD.SRule[1],OutcomeVar=ageOK"});
  ds.GetAttributes().Set("$VD.CRule", {"Label=One,Expression=age>height,OutcomeVar=c1", "",
                                       "Label=Three,Expression=age<0,OutcomeVar=c2"});
  return ds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Session session;
  session.SetMessageSink([](int, const std::string&) {});
  // The first byte picks the host settings: decimal comma, split file, weighting.
  const uint8_t flags = size > 0 ? data[0] : 0;
  session.Loc().decimal = (flags & 1) ? ',' : '.';
  session.Loc().listSeparator = (flags & 1) ? ';' : ',';
  session.Glb().weightWord = (flags & 4) ? 1 : 0;
  session.SetActive(MakeDataset());
  if (flags & 2) session.Active().SetSplitVariables({3});
  Session::Scope scope(session);

  CommandTokens command;
  std::string error;
  const std::string full = "VALIDATEDATA " + std::string(text.substr(size > 0 ? 1 : 0));
  if (!CommandTokens::FromText(full, &command, &error)) return 0;
  session.SetCurrentTokens(&command);
  ZIRA_TokenSequence tokens(true);
  ProcedureDataSource procData;
  procData.SetMaxObsAdded(4);
  AdjustMeasurementLevels(&procData);
  VDTValidSpecs specs;
  VDTParser parser(&tokens, &specs, &procData);
  if (parser.Parse()) specs.CreateVarValidSpecs();
  session.SetCurrentTokens(nullptr);
  return 0;
}
