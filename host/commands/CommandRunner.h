// The command runner: cuts a command file into commands, runs each against the session
// (host commands directly, procedures through their shared libraries) and stops at the
// first command that fails. A command fails when it reports an error (level 3).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/session/Session.h"

class CommandTokens;

// A host command: runs one command's tokens against the session. Errors are reported through
// HostReport; a handler returns false when it failed (it must then have changed nothing).
using HostCommandHandler = std::function<bool(Session&, const CommandTokens&)>;

// Invariants:
//  1. every registered name is upper-case words separated by one blank;
//  2. a loaded library stays loaded until the runner is destroyed or its command is
//     registered again;
//  3. a name is either a host command or a procedure, never both (the later registration wins).
class CommandRunner {
 public:
  // Borrows the session for its lifetime. Registers the host commands and the procedure table.
  explicit CommandRunner(Session& session);
  ~CommandRunner();
  CommandRunner(const CommandRunner&) = delete;
  CommandRunner& operator=(const CommandRunner&) = delete;

  // A host command under a name of one or more words ("SPLIT FILE").
  void RegisterHostCommand(const std::string& name, HostCommandHandler handler);
  // A procedure: its command name, its shared library (a file name, searched in the
  // procedure folders, or a path) and its entry point.
  void RegisterProcedure(const std::string& name, const std::string& library,
                         const std::string& entry);

  // Runs a command file or text. True when every command ran; false at the first failure
  // (the commands after it are listed as not run) or when the file cannot be read. After a
  // command that changes the decimal character (SET DECIMAL) the rest of the text is
  // tokenized again with the new one.
  bool RunFile(const std::string& path);
  bool RunText(const std::string& text, const std::string& fileName);
  // Runs command files in order in the one session; stops at the first file that fails
  // (the files after it are listed as not run).
  bool RunFiles(const std::vector<std::string>& paths);
  // Runs one command. True when it did not fail.
  bool RunCommand(const CommandTokens& command);

  // Whether the last run stopped because the host's error word was set (an interrupt: the
  // program's SIGINT handler sets it). A command does not start while it is set.
  bool Interrupted() const { return fInterrupted; }

  // Folders searched for procedure libraries: $ZIRA_PROCEDURE_PATH (colon-separated), the
  // program's own folder, and the build's procedure folder.
  static std::vector<std::string> ProcedureFolders();

 private:
  struct Procedure {
    std::string library;
    std::string entry;
    void* handle = nullptr;
    void (*function)() = nullptr;
  };
  bool RunProcedure(Procedure& proc, const CommandTokens& command);
  // Forgets a procedure (closing its library when loaded).
  void DropProcedure(const std::string& key);
  bool LoadProcedure(Procedure& proc, const std::string& commandName, std::string* error);
  // The registered command a command's first tokens name (longest match), "" when none.
  std::string MatchName(const CommandTokens& command) const;
  // Every registered command name, comma separated, for messages.
  std::string KnownNames() const;
  // Splits text into commands as SplitCommands does, ignoring its first `skipLines` lines.
  bool Split(const std::string& text, const std::string& fileName, int skipLines,
             std::vector<CommandTokens>* out, std::string* error);
  // Lists commands[from..] as not run.
  void ReportNotRun(const std::vector<CommandTokens>& commands, size_t from);

  Session& fSession;
  std::map<std::string, HostCommandHandler> fHostCommands;
  std::map<std::string, Procedure> fProcedures;
  bool fInterrupted = false;
};

// Registers every host command of this host on a runner (host/commands/HostCommands*.cpp).
void RegisterHostCommands(CommandRunner& runner);
