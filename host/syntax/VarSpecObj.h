// A variable specification of a command: the variables one keyword names, resolved against
// the dataset (names, `a TO b`, ALL), kept apart from other roles, and the checks on names
// for new variables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/syntax/TokenInfoObj.h"

class CommandDescriptor;
class ZIRA_DataSource;

// Repeat options: what happens to a variable named more than once.
enum VarRepeatOption : int {
  kVarRepeatKeep = 0,   // kept every time, in order (lists parallel to other lists)
  kVarRepeatDrop = 1,   // later mentions dropped silently
  kVarRepeatError = 2,  // an error naming the variable
};
// Message levels of ExcludeCommonVars and ValidateAllVars.
enum VarMessageLevel : int {
  kVarMsgSilent = 0,  // no message
  kVarMsgWarn = 1,    // a warning for each variable left out (and when none is left)
};
// Results of CheckNewVariable: negative when the name can be used.
enum NewVarCheck : int {
  kNewVarOk = -1,
  kNewVarInvalidName = 0,  // not a valid variable name (syntax or length)
  kNewVarInUse = 1,        // a variable of the dataset already has that name
  kNewVarReserved = 2,     // a reserved word (ALL, AND, BY, TO, ...)
};

// Borrows the data source for its lifetime. Messages go through HostReport and name the
// command, the keyword and the subcommand; a message about a typed token shows its line
// with a caret.
// Invariants:
//  1. every index of fValid is a column of the data source as it was when the list was set;
//  2. fMember[i] is 1 exactly for the columns i in fValid.
class VarSpecObj {
 public:
  // For a keyword of a subcommand of the described command.
  VarSpecObj(std::string keyword, std::string subcommand, const CommandDescriptor* descriptor,
             ZIRA_DataSource* data);
  // Three-name form: keyword, subcommand and command name (the split-file specification is
  // ("", "", "SPLIT FILE")).
  VarSpecObj(std::string keyword, std::string subcommand, std::string command,
             ZIRA_DataSource* data);

  // A short text for this role in messages about variables left out ("a rule outcome
  // variable"); by default the keyword and subcommand.
  void SetRoleText(std::string text) { fRoleText = std::move(text); }

  // Resolves a typed list: names, `a TO b` (dataset order, a before b), ALL (operator 35),
  // commas between names allowed. On an unknown name, a malformed TO, a token that is not a
  // name, or (option 2) a repeat, reports an error and returns false with the list empty.
  bool ValidateVariables(const std::vector<TokenInfoObj>& tokens, int repeatOption);
  // Sets the list from column indices. An index outside the dataset is an error (false, list
  // empty); repeats as the option says.
  bool SetVariables(const std::vector<int32_t>& indices, int repeatOption);
  // Drops the variables that stand in any of the listed specifications (null entries and this
  // one are skipped); at level 1 warns about each. An empty result is allowed (the caller
  // tests GetNValidVars). False only when this specification failed to resolve before.
  bool ExcludeCommonVars(const std::vector<VarSpecObj*>& exclusions, int messageLevel);
  // Every variable of the dataset, in order, except those in the listed specifications.
  // False when none is left (at level 1 with a warning).
  bool ValidateAllVars(const std::vector<VarSpecObj*>& exclusions, int messageLevel);

  const std::vector<int32_t>& GetValidVarList() const { return fValid; }
  int GetNValidVars() const { return static_cast<int>(fValid.size()); }
  bool IsValidVariable(int index) const;

  // kNewVarOk (negative) when `name` can name a new variable; otherwise reports why as an
  // error and returns the reason code (0 or more).
  int CheckNewVariable(const std::string& name) const;
  // A name for a new variable: the root itself when it is free, else root_1, root_2, ...
  // (the root cut so that the name stays within 64 bytes). "" with an error when the root
  // is not a valid name or a reserved word.
  std::string NewVarNameByRoot(const std::string& root) const;

  const std::string& GetKeyword() const { return fKeyword; }
  const std::string& GetSubcommand() const { return fSubcommand; }
  const std::string& GetCommand() const { return fCommand; }

 private:
  bool Resolve(const std::vector<TokenInfoObj>& tokens, int repeatOption,
               std::vector<int32_t>* out) const;
  bool Add(int32_t index, int repeatOption, const TokenInfoObj* at, std::vector<int32_t>* out,
           std::vector<char>* seen) const;
  void SetList(std::vector<int32_t> list);
  std::string Place() const;
  std::string RoleText() const;
  void Error(const std::string& text, const TokenInfoObj* at) const;
  void Warn(const std::string& text) const;
  std::string NameOf(int index) const;

  std::string fKeyword;
  std::string fSubcommand;
  std::string fCommand;
  std::string fRoleText;
  ZIRA_DataSource* fpData;  // borrowed
  std::vector<int32_t> fValid;
  std::vector<char> fMember;
  bool fFailed = false;
};
