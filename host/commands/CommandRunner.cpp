#include "host/commands/CommandRunner.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "host/common/Messages.h"
#include "host/common/StringHelpers.h"
#include "host/syntax/CommandTokens.h"
#include "host/syntax/SyntaxMessageText.h"

#ifndef ZIRA_PROCEDURE_DIR
#define ZIRA_PROCEDURE_DIR ""
#endif

CommandRunner::CommandRunner(Session& session) : fSession(session) {
  RegisterHostCommands(*this);
  RegisterProcedure("VALIDATEDATA", "libvalidatedata.so", "VALIDATE");
}

CommandRunner::~CommandRunner() {
  for (auto& [name, proc] : fProcedures)
    if (proc.handle) dlclose(proc.handle);
}

namespace {
bool IsCommandName(const std::string& name) {
  if (name.empty() || name.front() == ' ' || name.back() == ' ') return false;
  return name.find("  ") == std::string::npos;
}
}  // namespace

void CommandRunner::RegisterHostCommand(const std::string& name, HostCommandHandler handler) {
  assert(IsCommandName(name) && "host/commands/CommandRunner: IsCommandName(name)");
  const std::string key = GetUpperString(name);
  DropProcedure(key);
  fHostCommands[key] = std::move(handler);
}

void CommandRunner::RegisterProcedure(const std::string& name, const std::string& library,
                                      const std::string& entry) {
  assert(IsCommandName(name) && "host/commands/CommandRunner: IsCommandName(name)");
  const std::string key = GetUpperString(name);
  DropProcedure(key);
  fHostCommands.erase(key);
  Procedure p;
  p.library = library;
  p.entry = entry;
  fProcedures[key] = std::move(p);
}

void CommandRunner::DropProcedure(const std::string& key) {
  auto it = fProcedures.find(key);
  if (it == fProcedures.end()) return;
  if (it->second.handle) dlclose(it->second.handle);
  fProcedures.erase(it);
}

std::vector<std::string> CommandRunner::ProcedureFolders() {
  std::vector<std::string> folders;
  if (const char* env = std::getenv("ZIRA_PROCEDURE_PATH")) {
    std::stringstream ss(env);
    std::string part;
    while (std::getline(ss, part, ':'))
      if (!part.empty()) folders.push_back(part);
  }
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    std::string path(exe, static_cast<size_t>(n));
    folders.push_back(path.substr(0, path.find_last_of('/')));
  }
  if (*ZIRA_PROCEDURE_DIR) folders.push_back(ZIRA_PROCEDURE_DIR);
  return folders;
}

bool CommandRunner::LoadProcedure(Procedure& proc, const std::string& commandName,
                                  std::string* error) {
  if (proc.function) return true;
  std::vector<std::string> candidates;
  if (proc.library.find('/') != std::string::npos) {
    candidates.push_back(proc.library);
  } else {
    for (const auto& folder : ProcedureFolders()) candidates.push_back(folder + "/" + proc.library);
  }
  std::string reasons;
  for (const auto& path : candidates) {
    if (access(path.c_str(), R_OK) != 0) continue;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      reasons += "\n  " + path + ": " + (why ? why : "cannot be loaded");
      continue;
    }
    void* sym = dlsym(handle, proc.entry.c_str());
    if (!sym) {
      reasons += "\n  " + path + ": no entry point " + proc.entry;
      dlclose(handle);
      continue;
    }
    proc.handle = handle;
    proc.function = reinterpret_cast<void (*)()>(sym);
    return true;
  }
  *error = "The procedure library " + proc.library + " could not be loaded.";
  if (reasons.empty()) {
    *error += " It was not found in:";
    for (const auto& path : candidates) *error += "\n  " + path;
    *error += "\nSet ZIRA_PROCEDURE_PATH to the folder that holds it.";
  } else {
    *error += reasons;
  }
  return false;
}

std::string CommandRunner::KnownNames() const {
  std::vector<std::string> names;
  for (const auto& [name, handler] : fHostCommands) names.push_back(name);
  for (const auto& [name, proc] : fProcedures) names.push_back(name);
  std::sort(names.begin(), names.end());
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) out += (i ? ", " : "") + names[i];
  return out;
}

std::string CommandRunner::MatchName(const CommandTokens& command) const {
  std::string best;
  std::string words;
  for (size_t i = 0; i < command.Size() && i < 3; ++i) {
    if (!command[i].isName() && !command[i].isOperator()) break;
    words += (i ? " " : "") + command[i].getUpperString();
    if (fHostCommands.count(words) || fProcedures.count(words)) best = words;
  }
  return best;
}

bool CommandRunner::RunProcedure(Procedure& proc, const CommandTokens& command) {
  std::string error;
  if (!LoadProcedure(proc, command.Name(), &error)) {
    HostReport(kMsgError, ComposeMessage(command.Name(), error, command[0].getLocationText()));
    return false;
  }
  proc.function();
  return true;
}

bool CommandRunner::RunCommand(const CommandTokens& command) {
  if (command.Empty()) return true;
  Session::Scope scope(fSession);
  fSession.ResetMessageLevel();
  fSession.SetCurrentTokens(&command);
  const std::string name = MatchName(command);
  assert(!(fHostCommands.count(name) && fProcedures.count(name)) &&
         "host/commands/CommandRunner: a name is a host command or a procedure");
  bool ok = true;
  try {
    if (name.empty()) {
      const TokenInfoObj& first = command[0];
      HostReport(
          kMsgError,
          ComposeMessage(first.getText(), "Unknown command; the commands are " + KnownNames() + ".",
                         first.getLocationText()));
      ok = false;
    } else if (auto h = fHostCommands.find(name); h != fHostCommands.end()) {
      ok = h->second(fSession, command);
    } else {
      ok = RunProcedure(fProcedures.at(name), command);
    }
  } catch (const std::exception& e) {
    HostReport(kMsgError,
               ComposeMessage(name.empty() ? command.Name() : name,
                              std::string("The command stopped: ") + e.what() + ".", {}));
    ok = false;
  } catch (...) {
    HostReport(kMsgError, ComposeMessage(name.empty() ? command.Name() : name,
                                         "The command stopped on an unexpected error.", {}));
    ok = false;
  }
  fSession.SetCurrentTokens(nullptr);
  if (fSession.MaxMessageLevel() >= kMsgError) ok = false;
  return ok;
}

bool CommandRunner::Split(const std::string& text, const std::string& fileName, int skipLines,
                          std::vector<CommandTokens>* out, std::string* error) {
  Session::Scope scope(fSession);
  if (skipLines <= 0) return SplitCommands(text, fileName, out, error);
  // The skipped lines become empty lines, so that lines and columns stay those of the file.
  std::string rest;
  rest.reserve(text.size());
  int line = 0;
  size_t i = 0;
  for (; i < text.size() && line < skipLines; ++i)
    if (text[i] == '\n') {
      rest += '\n';
      ++line;
    }
  rest.append(text, i, std::string::npos);
  return SplitCommands(rest, fileName, out, error);
}

void CommandRunner::ReportNotRun(const std::vector<CommandTokens>& commands, size_t from) {
  std::string notRun;
  for (size_t j = from; j < commands.size(); ++j) {
    if (commands[j].Empty()) continue;
    const std::string name = MatchName(commands[j]);
    notRun += "\n  " + (name.empty() ? commands[j].Name() : name);
    if (commands[j].FirstLine() > 0)
      notRun += " (line " + std::to_string(commands[j].FirstLine()) + ")";
  }
  if (notRun.empty()) return;
  Session::Scope scope(fSession);
  HostReport(kMsgNote, "These commands were not run:" + notRun);
}

bool CommandRunner::RunText(const std::string& text, const std::string& fileName) {
  fInterrupted = false;
  std::vector<CommandTokens> commands;
  std::string error;
  bool split = Split(text, fileName, 0, &commands, &error);
  // Commands before a lexical error still run; the faulty one fails the file.
  for (size_t i = 0; i < commands.size(); ++i) {
    if (commands[i].Empty()) continue;
    if (fSession.Glb().errorWord != 0) {
      fInterrupted = true;
      ReportNotRun(commands, i);
      return false;
    }
    const char decimal = fSession.Loc().decimal;
    bool ok = RunCommand(commands[i]);
    if (fSession.Glb().errorWord != 0) {
      fInterrupted = true;
      ok = false;
    }
    if (!ok) {
      ReportNotRun(commands, i + 1);
      return false;
    }
    if (fSession.Loc().decimal != decimal) {
      // The rest of the file is read again with the new decimal character.
      commands.resize(i + 1);
      std::vector<CommandTokens> rest;
      error.clear();
      split = Split(text, fileName, commands[i].Tokens().back().getLine(), &rest, &error);
      for (auto& c : rest) commands.push_back(std::move(c));
    }
  }
  if (!split) {
    Session::Scope scope(fSession);
    HostReport(kMsgError, error);
    return false;
  }
  return true;
}

bool CommandRunner::RunFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Session::Scope scope(fSession);
    HostReport(kMsgError, "Cannot read the command file " + path + ".");
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  return RunText(ss.str(), path);
}

bool CommandRunner::RunFiles(const std::vector<std::string>& paths) {
  for (size_t i = 0; i < paths.size(); ++i) {
    if (RunFile(paths[i])) continue;
    if (i + 1 < paths.size()) {
      std::string notRun = "These command files were not run:";
      for (size_t j = i + 1; j < paths.size(); ++j) notRun += "\n  " + paths[j];
      Session::Scope scope(fSession);
      HostReport(kMsgNote, notRun);
    }
    return false;
  }
  return true;
}
