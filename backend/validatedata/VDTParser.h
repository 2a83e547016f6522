// The VALIDATEDATA command parser: declares the grammar to the host's universal parser,
// interprets the parsed subcommands in a fixed order, resolves the variable roles, has the
// rules loaded and fills the settings record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "host/syntax/CommandSpec.h"
#include "host/syntax/ParserMessage.h"
#include "host/syntax/UPDescriptors.h"
#include "host/syntax/VarSpecObj.h"

class TokenSequenceBase;
class VDTValidSpecs;
class ProcedureDataSource;
class BpCellText;

// The parser's own messages: templates with ^1..^3 filled from texts or a count, reported
// as warnings (level 2) or errors (level 3). No state.
class VDTMessages {
 public:
  void Report(const std::string& templ, int level) const;
  void Report(const std::string& templ, int level, const std::vector<std::string>& texts) const;
  void ReportNumber(const std::string& templ, int level, double number) const;
};

// Invariants:
//  1. the subcommand pointers are valid only inside Parse;
//  2. the lists the settings record refers to live as long as this parser.
class VDTParser {
 public:
  // Borrows the tokens, the settings record and the data source for its lifetime.
  VDTParser(const TokenSequenceBase* tokens, VDTValidSpecs* specs, ProcedureDataSource* data);
  ~VDTParser();

  // True when the run may go on. May switch the host's case weighting off.
  bool Parse();

  // The grammar of VALIDATEDATA, declared on a descriptor.
  static void DefineCommand(CommandDescriptor* descriptor);

 private:
  bool ExtractSpecs(const CommandSpec& spec);
  bool ParseVariablesAndRules();
  // The split-file variables and the variables marked as rule outcomes: roles that no other
  // list may take.
  void SetSplitFileVars();
  void SetMarkedOutcomeVars(const VDTRuleSpecs& rules);
  bool ParseCustomRuleList(const ParamObj& param);
  int ParseCustomRuleRef(const std::vector<TokenInfoObj>& tokens, size_t* pos);
  bool ParseVarChecks();
  bool ParseIdChecks();
  bool ParseCaseChecks();
  bool MakeAllVarList();
  bool ParseRuleSummaries();
  bool ParseCaseReport();
  bool ParseSave();

  CommandDescriptor fDescriptor;
  const TokenSequenceBase* fpTokens;
  VDTValidSpecs* fpSpecs;
  ProcedureDataSource* fpDataSource;
  ParserMessage fHostMessages;
  VDTMessages fMessages;
  const SubComObj* fpUnnamed = nullptr;
  const SubComObj* fpVarChecks = nullptr;
  const SubComObj* fpIdChecks = nullptr;
  const SubComObj* fpCaseChecks = nullptr;
  const SubComObj* fpRuleSummaries = nullptr;
  const SubComObj* fpCaseReport = nullptr;
  const SubComObj* fpSave = nullptr;
  VarSpecObj fSplitVars;
  VarSpecObj fAnalysVars;
  std::vector<bool> fAnalysCatFlags;
  VarSpecObj fAllVars;
  VarSpecObj fCaseIdVars;
  std::vector<VDTRuleSpecs> fLinkedRefs;
  VarSpecObj fLinkedOutcomeVars;
  std::vector<std::string> fLinkedLabels;
  std::vector<VDTRuleSpecs> fAllStandRules;
  std::vector<VDTRuleSpecs> fCustRules;
  VarSpecObj fCustOutcomeVars;
  VarSpecObj fMarkedOutcomeVars;
  std::vector<std::string> fCustLabels;
  std::vector<int32_t> fRequestedCustRules;
  // Specifications whose variables may not take a later role (split file, marked outcome,
  // reference outcome, custom outcome and identifier variables, those that exist).
  std::vector<VarSpecObj*> fExclusion;
  std::unique_ptr<VarSpecObj> fRefOutcomeVars;
};
