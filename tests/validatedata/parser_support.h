// Runs one VALIDATEDATA command through the command parser against a small dataset built in
// code, keeps the filled settings record for reading, and records every message reported.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backend/validatedata/VDTParser.h"
#include "backend/validatedata/VDTValidSpecs.h"
#include "host/data/ProcedureDataSource.h"
#include "host/output/BpDocument.h"
#include "host/session/Session.h"
#include "host/syntax/CommandTokens.h"
#include "host/syntax/ParserMessage.h"
#include "host/syntax/ZIRA_TokenSequence.h"

// The dataset: age, height (scale), sex (string, nominal), region (nominal), id, code (scale).
// Rules are added on request. Owns a session installed as current for its lifetime.
class ParserRun {
 public:
  ParserRun();

  ZIRA_DataSource& Data() { return fSession.Active(); }
  int Col(const std::string& name) { return Data().FindVarIndex(name); }
  // A numeric variable marked as a rule outcome variable.
  int AddOutcome(const std::string& name);
  // A standard rule referenced by age (outcome ageOK) and three custom rules (outcomes c1..c3).
  void AddRules();

  // Parses the command (text ending with a period) with VDTParser; the record and the
  // parser stay readable until the next call.
  bool Parse(const std::string& command);
  // Runs the whole procedure on the command (parse, passes, output) the way VALIDATE does.
  void Run(const std::string& command);

  const VDTValidSpecs& Specs() const { return *fpSpecs; }
  // The record for the driver's step after a parse (CreateVarValidSpecs).
  VDTValidSpecs& MutableSpecs() { return *fpSpecs; }
  Session& GetSession() { return fSession; }

  const std::vector<std::pair<int, std::string>>& Messages() const { return *fpMessages; }
  // Whether a message of that level and exact text was reported.
  bool Reported(int level, const std::string& text) const;
  // The message texts that contain `part`.
  std::vector<std::string> Containing(const std::string& part) const;
  int CountAtLevel(int level) const;
  // Whether the host's standard message that `say` raises for the current command (named
  // VALIDATEDATA) was reported at that level; the call itself is not recorded.
  bool ReportedByHost(int level, const std::function<std::string(const ParserMessage&)>& say);

  // Variable names of a list of columns ("(null)" for a null list).
  std::string Names(const std::vector<int32_t>* list);

 private:
  bool SetCommand(const std::string& command);

  Session fSession;
  Session::Scope fScope;
  std::shared_ptr<std::vector<std::pair<int, std::string>>> fpMessages;
  BpDocument fDoc;
  CommandTokens fTokens;
  std::unique_ptr<ZIRA_TokenSequence> fpSequence;
  std::unique_ptr<ProcedureDataSource> fpData;
  std::unique_ptr<VDTValidSpecs> fpSpecs;
  std::unique_ptr<VDTParser> fpParser;
};

// Texts of the procedure's own messages.
inline const std::string kNoRuleTables = "No rule tables displayed...";
inline const std::string kNoEmptyCaseVars = "No variables for empty case check...";
