// The descriptor-driven command parser: checks one command's tokens against a command
// descriptor and fills a CommandSpec with the subcommands and keyword values given.
//
// Syntax it accepts (keywords, subcommand and command names without regard to case):
//   NAME [leading keywords] [/SUBCOMMAND [keywords]]...
// The command name may be several words ("SPLIT FILE"). Keywords of the unnamed (leading)
// subcommand come right after the name; every other subcommand begins with /NAME; the
// subcommands may come in any order, each at most once, and so may the keywords of one
// subcommand. A keyword's value, by kind:
//   1  the keyword alone; KEYWORD=... is an error;
//   2  KEYWORD=tokens or KEYWORD tokens. The list ends before the next `/`, before a keyword
//      of the same subcommand that is followed by `=` (or by `(` when that keyword takes its
//      value in brackets), or at the end of the command. So a list may hold a word spelled
//      like a keyword, as long as no `=` follows it;
//   3  KEYWORD=word or KEYWORD='string', one of the keyword's listed values;
//   7  KEYWORD=number, within the keyword's bounds; 9 the same for an integer;
//   15 the keyword alone, or KEYWORD=name.
// With bracket code 1, the values of kinds 3, 7, 9 and 15 may also be written KEYWORD(value).
#pragma once

#include <string>

#include "host/syntax/CommandSpec.h"
#include "host/syntax/UPDescriptors.h"
#include "host/syntax/ZIRA_TokenSequence.h"

// Borrows the tokens, the CommandSpec and the descriptor for its lifetime.
// Invariants:
//  1. fpTokens, fpSpec and fpDesc are not null;
//  2. after a failed parse fError is not empty.
class UniversalParser {
 public:
  UniversalParser(const TokenSequenceBase* tokens, CommandSpec* spec,
                  const CommandDescriptor* descriptor);
  UniversalParser(const TokenSequenceBase& tokens, CommandSpec* spec,
                  const CommandDescriptor* descriptor);

  // Parses the command into the CommandSpec (cleared first). 0 on success; 1 on the first error,
  // which has been reported through HostReport(kMsgError, ...) and is kept in
  // getErrorText(). On failure the CommandSpec holds what was read before the error.
  int getCommandSpecifications();
  const std::string& getErrorText() const { return fError; }

 private:
  bool Parse();
  bool ParseKeyword(const SubComDescriptor& sub, SubComObj* subObj, size_t* pos);
  bool ParseSingleValue(const ParamDescriptor& pd, const std::string& place, ParamObj* obj,
                        size_t* pos);
  bool CheckValue(const ParamDescriptor& pd, const std::string& place, const TokenInfoObj& v,
                  ParamObj* obj);
  bool EndsList(size_t q, const SubComDescriptor& sub) const;
  bool CheckComplete();
  bool Fail(const TokenInfoObj* at, const std::string& text);
  const TokenInfoObj& Tok(size_t i) const { return fpTokens->At(i); }

  const TokenSequenceBase* fpTokens;
  CommandSpec* fpSpec;
  const CommandDescriptor* fpDesc;
  std::string fError;
};

// What a keyword accepts, for messages: "one of ON, OFF", "a number greater than 0", ...
std::string AcceptedValueText(const ParamDescriptor& pd);
