// Feeds arbitrary text to the command splitter, then every command to the universal parser
// with a grammar shaped like VALIDATEDATA's, and the variable lists to VarSpecObj. Any
// outcome is fine except a crash, a hang or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/data/ZIRA_DataSource.h"
#include "host/session/Session.h"
#include "host/syntax/CommandTokens.h"
#include "host/syntax/ParserMessage.h"
#include "host/syntax/UniversalParser.h"
#include "host/syntax/VarSpecObj.h"
#include "host/syntax/ZIRA_TokenSequence.h"

namespace {

CommandDescriptor MakeGrammar() {
  CommandDescriptor d("VALIDATEDATA");
  SubComDescriptor unnamed("", 1, true, false);
  for (const char* k : {"VARIABLES", "ID", "CROSSVARRULES"})
    unnamed.addParamDesc(k, 2, false, true, 0);
  d.addSubComDesc(unnamed);
  SubComDescriptor vc("VARCHECKS", 1, false, false);
  ParamDescriptor& st = vc.addParamDesc("STATUS", 3, false, true, 0);
  st.addStringValue("ON");
  st.addStringValue("OFF");
  for (const char* k : {"PCTMISSING", "PCTEQUAL", "PCTUNEQUAL"}) {
    ParamDescriptor& p = vc.addParamDesc(k, 7, false, true, 0);
    p.setLowerBoundary(0, 2);
    p.setUpperBoundary(100, 1);
  }
  vc.addParamDesc("CV", 7, false, true, 1).setLowerBoundary(0, 1);
  d.addSubComDesc(vc);
  SubComDescriptor ic("IDCHECKS", 1, false, false);
  for (const char* k : {"INCOMPLETE", "DUPLICATE", "NONE"}) ic.addParamDesc(k, 1, false, true, 0);
  d.addSubComDesc(ic);
  SubComDescriptor cr("CASEREPORT", 1, false, false);
  cr.addParamDesc("MINVIOLATIONS", 9, false, true, 0).setLowerBoundary(0, 2);
  cr.addParamDesc("CASELIMIT", 2, false, true, 0);
  d.addSubComDesc(cr);
  SubComDescriptor sv("SAVE", 2, false, false);
  for (const char* k : {"EMPTYCASE", "DUPLICATEID"}) sv.addParamDesc(k, 15, false, false, 0);
  d.addSubComDesc(sv);
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const CommandDescriptor grammar = MakeGrammar();
  Session session;
  session.SetMessageSink([](int, const std::string&) {});
  session.Loc().decimal = (size > 0 && (data[0] & 1)) ? ',' : '.';
  Session::Scope scope(session);
  ZIRA_DataSource ds;
  for (const char* n : {"a", "b", "id", "x.y", "EmptyCase"}) ds.AddVariable(n, 0);

  std::vector<CommandTokens> cmds;
  std::string error;
  SplitCommands(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.sps", &cmds,
                &error);
  for (const CommandTokens& cmd : cmds) {
    session.SetCurrentTokens(&cmd);
    ZIRA_TokenSequence seq(true);
    CommandSpec spec;
    UniversalParser parser(&seq, &spec, &grammar);
    if (parser.getCommandSpecifications() != 0) continue;
    if (const SubComObj* sub = spec.getSubComObj("")) {
      VarSpecObj vars("VARIABLES", "", &grammar, &ds);
      VarSpecObj ids("ID", "", &grammar, &ds);
      if (const ParamObj* p = sub->getParamObj("VARIABLES"))
        vars.ValidateVariables(p->getTokenList(), 2);
      if (const ParamObj* p = sub->getParamObj("ID")) ids.ValidateVariables(p->getTokenList(), 1);
      vars.ExcludeCommonVars({&ids}, 1);
      VarSpecObj all("", "", &grammar, &ds);
      all.ValidateAllVars({&vars, &ids}, 1);
      if (const ParamObj* p = sub->getParamObj("CROSSVARRULES")) p->getIntegerList();
    }
    if (const SubComObj* save = spec.getSubComObj("SAVE")) {
      VarSpecObj s("EMPTYCASE", "SAVE", &grammar, &ds);
      for (const auto& p : save->getParamList()) {
        if (p->isLeadingToken())
          s.NewVarNameByRoot(p->getName());
        else
          s.CheckNewVariable(p->getVarName());
      }
    }
    ParserMessage pm;
    pm.SetCommandName(grammar.getName());
    pm.InvalidParamOption("x", "CASELIMIT", "CASEREPORT");
  }
  session.SetCurrentTokens(nullptr);
  return 0;
}
