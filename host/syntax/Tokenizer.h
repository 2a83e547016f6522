// The lexer of the host's command language: turns text into names, numbers, quoted strings
// and operators, skips comments, and (in command mode) marks where a command ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/syntax/TokenInfoObj.h"

// Reads tokens from a text it borrows (the text must outlive the tokenizer).
//
// Command mode: a period that is the last thing on its line (only blanks or a closed /* */
// comment may follow) ends the command; a line whose first non-blank character is `*` is a
// comment when it stands between commands, and so is a line with `*` in its first column
// inside a command. Expression mode: no command ends and no comment lines, only /* */.
//
// Invariants:
//  1. fPos <= fText.size();
//  2. fLineStart <= fPos and fLineStart is the start of line fLine.
class Tokenizer {
 public:
  enum class Item { kToken, kEndCommand, kEndText };

  // `decimal` is the locale's decimal character; a period is always a decimal point too.
  Tokenizer(std::string_view text, bool commandMode, char decimal);

  // Reads the next item. On a lexical error returns false with a message (place, what is
  // wrong, the line with a caret) in *error; *token is then unspecified.
  bool Next(Item* item, TokenInfoObj* token, std::string* error);

  // Whether the tokenizer stands between commands (set by the command splitter; decides
  // whether a `*` line is a comment).
  void SetBetweenCommands(bool between) { fBetweenCommands = between; }
  // The file name shown in error messages.
  void SetFileName(std::string name) { fFileName = std::move(name); }
  // The current 1-based line.
  int Line() const { return fLine; }
  // Start offsets of every line read so far (index 0 is line 1).
  const std::vector<size_t>& LineStarts() const { return fLineStarts; }
  // The text of a 1-based line without its line end.
  std::string_view LineText(int line) const;

 private:
  bool SkipBlanksAndComments(std::string* error);
  bool PeriodEndsCommand(size_t periodPos) const;
  bool ReadNumber(TokenInfoObj* token, std::string* error);
  bool ReadString(TokenInfoObj* token, std::string* error);
  void ReadName(TokenInfoObj* token);
  bool ReadOperator(TokenInfoObj* token, std::string* error);
  void NewLine(size_t nextLineStart);
  int ColumnOf(size_t pos) const;
  std::string ErrorAt(size_t pos, size_t length, const std::string& what) const;

  std::string_view fText;
  std::string fFileName;
  bool fCommandMode;
  char fDecimal;
  size_t fPos = 0;
  int fLine = 1;
  size_t fLineStart = 0;
  std::vector<size_t> fLineStarts{0};
  bool fBetweenCommands = true;
  // Kind and code of the previous token of the command, to tell a sign from a minus.
  bool fPrevAllowsSign = true;
};

// Tokens of an expression text (no command ends, no `*` comment lines), for rule and
// transformation expressions. False with a message on a lexical error.
bool TokenizeExpression(std::string_view text, std::vector<TokenInfoObj>* out, std::string* error);
