// The tokens of one command with where they came from, and the splitter that cuts a command
// file into commands: a command starts at the beginning of a line with its name and ends with
// a period at the end of a line, or at the end of the file.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/syntax/TokenInfoObj.h"

// Owns its tokens and shares its source text with them.
// Invariants:
//  1. fpSource is never null;
//  2. every token's source is fpSource.
class CommandTokens {
 public:
  CommandTokens();
  CommandTokens(std::vector<TokenInfoObj> tokens, std::shared_ptr<const CommandSource> source);

  // One command from a text (for `zira validate --command` and tests). False with a message
  // when the text does not tokenize or holds no command or more than one.
  static bool FromText(std::string_view text, CommandTokens* out, std::string* error,
                       const std::string& fileName = std::string());

  const std::vector<TokenInfoObj>& Tokens() const { return fTokens; }
  size_t Size() const { return fTokens.size(); }
  bool Empty() const { return fTokens.empty(); }
  const TokenInfoObj& operator[](size_t i) const { return fTokens[i]; }

  const std::string& FileName() const { return fpSource->fileName; }
  // Line of the command's first token (1-based), 0 for a command made without a file.
  int FirstLine() const { return fTokens.empty() ? 0 : fTokens.front().getLine(); }
  // The source lines the command covers, from its first line to the line of its end.
  const std::vector<std::string>& SourceLines() const { return fpSource->lines; }
  const std::shared_ptr<const CommandSource>& Source() const { return fpSource; }
  // The command's name: the first token's text, upper-cased ("" for an empty command).
  std::string Name() const;

 private:
  std::vector<TokenInfoObj> fTokens;
  std::shared_ptr<const CommandSource> fpSource;
};

// Cuts a command file into commands and tokenizes them. The decimal character is the current
// locale's (pvGetCmnLoc()). On success *out holds every command in order (appended). On a
// lexical error returns false with file, line, column, the line and a caret in *error; *out
// then holds the commands that ended before the faulty one.
bool SplitCommands(std::string_view text, const std::string& fileName,
                   std::vector<CommandTokens>* out, std::string* error);
