// A test procedure: reads its command through ZIRA_TokenSequence(true) and the active dataset
// through ProcedureDataSource, as a real procedure does, and reports what it saw.
//   TESTPROC [FAIL] [WARN] [INTERRUPT] [ADDVAR].
// FAIL reports an error; WARN a warning; INTERRUPT sets the error word as Ctrl-C would;
// ADDVAR appends a numeric variable "testproc_var" to the active dataset.
#include <string>

#include "host/common/CommonBlocks.h"
#include "host/common/Messages.h"
#include "host/data/ProcedureDataSource.h"
#include "host/syntax/ZIRA_TokenSequence.h"

extern "C" __attribute__((visibility("default"))) void TESTPROC() {
  ZIRA_TokenSequence tokens(true);
  ProcedureDataSource data;
  bool fail = false, warn = false, interrupt = false, addVar = false;
  for (size_t i = 1; i < tokens.Size(); ++i) {
    const std::string word = tokens.At(i).getUpperString();
    fail = fail || word == "FAIL";
    warn = warn || word == "WARN";
    interrupt = interrupt || word == "INTERRUPT";
    addVar = addVar || word == "ADDVAR";
  }
  if (addVar) {
    int column = -1;
    ZIRA_Variable* v = data.MakeVariable(0, &column);
    v->SetName("testproc_var");
  }
  std::string splits;
  for (int i = 0; i < data.NumSplitVariables(); ++i)
    splits += (i ? "," : "") + data.GetVariable(data.SplitVariable(i))->GetName();
  HostReport(kMsgNote, "TESTPROC saw " + std::to_string(tokens.Size()) + " tokens, " +
                           std::to_string(data.ColumnCount()) + " variables, " +
                           std::to_string(data.CaseCount()) + " cases, split by [" + splits +
                           "], weight word " + std::to_string(pvGetCmnGlb()->weightWord) +
                           ", line " + std::to_string(tokens.Empty() ? 0 : tokens.At(0).getLine()));
  if (warn) HostReport(kMsgWarning, "TESTPROC: a warning.");
  if (interrupt) pvGetCmnGlb()->errorWord = 1;
  if (fail) HostReport(kMsgError, "TESTPROC: the procedure failed.");
}
