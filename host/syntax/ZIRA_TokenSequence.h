// The token sequence a command parser reads: the tokens of one command, taken from the
// current session (ZIRA_TokenSequence(true)) or given directly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/syntax/CommandTokens.h"

// Owns a copy of the command's tokens.
class TokenSequenceBase {
 public:
  virtual ~TokenSequenceBase() = default;

  size_t Size() const { return fCommand.Size(); }
  bool Empty() const { return fCommand.Empty(); }
  // The i-th token, i < Size().
  const TokenInfoObj& At(size_t i) const { return fCommand[i]; }
  const std::vector<TokenInfoObj>& Tokens() const { return fCommand.Tokens(); }
  const CommandTokens& Command() const { return fCommand; }

 protected:
  TokenSequenceBase() = default;
  explicit TokenSequenceBase(CommandTokens command) : fCommand(std::move(command)) {}
  CommandTokens fCommand;
};

class ZIRA_TokenSequence : public TokenSequenceBase {
 public:
  // With true: the tokens of the current session's command (empty without a session or a
  // command). With false: an empty sequence.
  explicit ZIRA_TokenSequence(bool current);
  // The tokens of a given command (tests, tools).
  explicit ZIRA_TokenSequence(CommandTokens command);
};

// Location text (line, column, source line, caret) of a keyword of the current session's
// command: the first token spelled `keyword` (caseless) after `/subcommand`, or after the
// command name for the unnamed subcommand ""; with `valueAfter` set, the token after that
// keyword's "=" instead. Empty when there is no current command or no such token.
std::string CurrentCommandLocation(std::string_view subcommand, std::string_view keyword,
                                   bool valueAfter = false);
