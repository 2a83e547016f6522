// Helpers shared by the command-language tests: the VALIDATEDATA grammar as a descriptor,
// a session that records every message, and parsing of a command text.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/session/Session.h"
#include "host/syntax/CommandSpec.h"
#include "host/syntax/CommandTokens.h"
#include "host/syntax/UPDescriptors.h"

// The VALIDATEDATA grammar, written out from its table.
CommandDescriptor MakeValidateDataDescriptor();

// A session installed as current for the test's lifetime, recording (level, text) of every
// message reported.
class RecordingSession {
 public:
  RecordingSession();
  Session& session() { return fSession; }
  const std::vector<std::pair<int, std::string>>& messages() const { return *fMessages; }
  std::string lastText() const { return fMessages->empty() ? "" : fMessages->back().second; }
  int lastLevel() const { return fMessages->empty() ? 0 : fMessages->back().first; }
  void clear() { fMessages->clear(); }
  // Makes the command the session's current command (kept alive here).
  void setCurrent(const CommandTokens& cmd);

 private:
  Session fSession;
  Session::Scope fScope;
  std::shared_ptr<std::vector<std::pair<int, std::string>>> fMessages;
  CommandTokens fCurrent;
};

// Splits `text` into one command and parses it with the descriptor; returns the parser's
// result (0 success) and leaves the error text in *error.
int ParseCommandText(const std::string& text, const CommandDescriptor& desc, CommandSpec* spec,
                     std::string* error);
