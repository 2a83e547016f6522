// Pieces every host command shares: parsing a command with its descriptor, messages that name
// the command, subcommand and keyword and show the offending text with a caret, variable
// lists, values typed for a variable, and file paths relative to the command file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/data/ZIRA_DataSource.h"
#include "host/syntax/CommandSpec.h"
#include "host/syntax/CommandTokens.h"
#include "host/syntax/UPDescriptors.h"

class Session;

// Where a message of a host command points: the command's name, the keyword and the
// subcommand ("" for the unnamed one).
struct CommandPlace {
  std::string command;
  std::string keyword;
  std::string subcommand;
};

// Reports "COMMAND: KEYWORD on /SUB: text" with the location of `at` (when not null) at level
// 3 (error) or 2 (warning). Returns false so that a handler can `return CommandError(...)`.
bool CommandError(const CommandPlace& place, const std::string& text, const TokenInfoObj* at);
void CommandWarning(const CommandPlace& place, const std::string& text, const TokenInfoObj* at);
void CommandNote(const std::string& command, const std::string& text);

// Parses one command with its descriptor into *spec. False when the universal parser
// rejected it (it has reported why).
bool ParseHostCommand(const CommandDescriptor& desc, const CommandTokens& command,
                      CommandSpec* spec);

// The kind-1 or other keyword of a parsed subcommand, or null (helpers over CommandSpec).
const ParamObj* FindParam(const CommandSpec& spec, std::string_view subcommand,
                          std::string_view keyword);

// The first value token of a keyword, or the keyword itself when it has no value (for carets).
const TokenInfoObj* ValueToken(const ParamObj& param);

// A list's tokens without the commas that may separate its items.
std::vector<TokenInfoObj> WithoutCommas(const std::vector<TokenInfoObj>& tokens);

// True when the session's active dataset has variables; otherwise reports that the command
// needs one (pointing at the command name) and returns false.
bool RequireDataset(Session& session, const CommandTokens& command, const std::string& name);

// Resolves a variable list given for a keyword (names, a TO b, ALL) against the dataset.
// Repeats follow `repeatOption` (VarRepeatOption). False (reported) on any bad name.
bool ResolveVariableList(const ParamObj& param, const std::string& subcommand,
                         const CommandDescriptor& desc, ZIRA_DataSource* data, int repeatOption,
                         std::vector<int>* out);

// One value typed for a variable, read from tokens[*pos] (advancing *pos): for a numeric
// variable a number (a minus sign before it allowed) or, for a date or time format, its ISO
// text in quotes; for a string variable a quoted string that fits the width. False with the
// reason (what would be accepted) in *why, *pos unchanged.
struct TypedValue {
  double number = 0.0;
  std::string text;  // string variables: the value without trailing blanks
};
bool ReadValueFor(const ZIRA_Variable& var, const std::vector<TokenInfoObj>& tokens, size_t* pos,
                  TypedValue* out, std::string* why);

// A path typed in a command: absolute paths as they are; relative ones against the folder of
// the command file the command came from, or the working folder for a command without a file.
std::string ResolveCommandPath(const CommandTokens& command, const std::string& path);

// Names of variables, comma separated, for messages.
std::string VariableNames(const ZIRA_DataSource& data, const std::vector<int>& columns);
