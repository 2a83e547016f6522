#include "syntax_support.h"

#include <gtest/gtest.h>

#include "host/syntax/UniversalParser.h"
#include "host/syntax/ZIRA_TokenSequence.h"

CommandDescriptor MakeValidateDataDescriptor() {
  using namespace UPSpecTypes;
  CommandDescriptor d("VALIDATEDATA");
  SubComDescriptor unnamed("", 1, true, false);
  unnamed.addParamDesc("VARIABLES", 2, false, true, 0);
  unnamed.addParamDesc("ID", 2, false, true, 0);
  unnamed.addParamDesc("CROSSVARRULES", 2, false, true, 0);
  d.addSubComDesc(unnamed);

  SubComDescriptor varchecks("VARCHECKS", 1, false, false);
  ParamDescriptor status("STATUS", 3, false, true, 0);
  status.addStringValue("ON");
  status.addStringValue("OFF");
  varchecks.addParamDesc(status);
  for (const char* pct : {"PCTMISSING", "PCTEQUAL", "PCTUNEQUAL"}) {
    ParamDescriptor p(pct, 7, false, true, 0);
    p.setLowerBoundary(0, 2);
    p.setUpperBoundary(100, 1);
    varchecks.addParamDesc(p);
  }
  for (const char* k : {"CV", "STDDEV"}) {
    ParamDescriptor p(k, 7, false, true, 0);
    p.setLowerBoundary(0, 1);
    varchecks.addParamDesc(p);
  }
  d.addSubComDesc(varchecks);

  SubComDescriptor idchecks("IDCHECKS", 1, false, false);
  for (const char* k : {"INCOMPLETE", "DUPLICATE", "NONE"})
    idchecks.addParamDesc(k, 1, false, true, 0);
  d.addSubComDesc(idchecks);

  SubComDescriptor casechecks("CASECHECKS", 1, false, false);
  ParamDescriptor report("REPORTEMPTY", 3, false, true, 0);
  report.addStringValue("YES");
  report.addStringValue("NO");
  casechecks.addParamDesc(report);
  ParamDescriptor scope("SCOPE", 3, false, true, 0);
  scope.addStringValue("ANALYSISVARS");
  scope.addStringValue("ALLVARS");
  casechecks.addParamDesc(scope);
  d.addSubComDesc(casechecks);

  SubComDescriptor summaries("RULESUMMARIES", 1, false, false);
  for (const char* k : {"BYVARIABLE", "BYRULE", "NONE"})
    summaries.addParamDesc(k, 1, false, true, 0);
  d.addSubComDesc(summaries);

  SubComDescriptor casereport("CASEREPORT", 1, false, false);
  ParamDescriptor display("DISPLAY", 3, false, true, 0);
  display.addStringValue("NO");
  display.addStringValue("YES");
  casereport.addParamDesc(display);
  ParamDescriptor minv("MINVIOLATIONS", 9, false, true, 0);
  minv.setLowerBoundary(0, 2);
  casereport.addParamDesc(minv);
  casereport.addParamDesc("CASELIMIT", 2, false, true, 0);
  d.addSubComDesc(casereport);

  SubComDescriptor save("SAVE", 2, false, false);
  for (const char* k : {"EMPTYCASE", "INCOMPLETEID", "DUPLICATEID", "RULEVIOLATIONS"})
    save.addParamDesc(k, 15, false, false, 0);
  d.addSubComDesc(save);
  return d;
}

RecordingSession::RecordingSession()
    : fScope(fSession), fMessages(std::make_shared<std::vector<std::pair<int, std::string>>>()) {
  auto store = fMessages;
  fSession.SetMessageSink(
      [store](int level, const std::string& text) { store->emplace_back(level, text); });
}

void RecordingSession::setCurrent(const CommandTokens& cmd) {
  fCurrent = cmd;
  fSession.SetCurrentTokens(&fCurrent);
}

int ParseCommandText(const std::string& text, const CommandDescriptor& desc, CommandSpec* spec,
                     std::string* error) {
  CommandTokens cmd;
  std::string err;
  if (!CommandTokens::FromText(text, &cmd, &err, "test.sps")) {
    ADD_FAILURE() << "command does not tokenize: " << err;
    return -1;
  }
  ZIRA_TokenSequence seq(cmd);
  UniversalParser parser(&seq, spec, &desc);
  int rc = parser.getCommandSpecifications();
  if (error) *error = parser.getErrorText();
  return rc;
}
