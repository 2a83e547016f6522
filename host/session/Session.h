// The host's state for one user: the active dataset, the global and locale blocks, the
// current command's tokens, the output document and the settings. A session is installed
// as current for the duration of a command (Session::Scope); host objects built without
// arguments (ProcedureDataSource, ZIRA_TokenSequence(true), BpProcedure) find it there.
#pragma once

#include <map>
#include <string>

#include "host/common/CommonBlocks.h"
#include "host/common/Messages.h"
#include "host/data/ZIRA_DataSource.h"

class CommandTokens;  // host/syntax: the tokens of one command, with their positions
class BpDocument;     // host/output: the output document

class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The active dataset (a handle; copies share the data).
  ZIRA_DataSource& Active() { return fActive; }
  void SetActive(ZIRA_DataSource data) { fActive = std::move(data); }

  CmnGlb& Glb() { return fGlb; }
  CmnLoc& Loc() { return fLoc; }

  // The tokens of the command being run (borrowed from the runner; null between commands).
  const CommandTokens* CurrentTokens() const { return fpTokens; }
  void SetCurrentTokens(const CommandTokens* tokens) { fpTokens = tokens; }
  // The output document commands write to (borrowed; null when output is discarded).
  BpDocument* Output() const { return fpOutput; }
  void SetOutput(BpDocument* doc) { fpOutput = doc; }

  // Messages of the running command (HostReport): where they go, and the highest level seen
  // since the last ResetMessageLevel.
  void SetMessageSink(HostMessageSink sink) { fSink = std::move(sink); }
  const HostMessageSink& MessageSink() const { return fSink; }
  int MaxMessageLevel() const { return fMaxLevel; }
  void NoteMessageLevel(int level) { fMaxLevel = level > fMaxLevel ? level : fMaxLevel; }
  void ResetMessageLevel() { fMaxLevel = 0; }

  // Named settings of SET (upper-case names), for example DEBUGDISPLAY=ON.
  std::string Setting(const std::string& name) const;
  void SetSetting(const std::string& name, std::string value);
  bool DebugDisplay() const { return Setting("DEBUGDISPLAY") == "ON"; }

  // The installed session, or null.
  static Session* Current();

  // Installs a session as current for its lifetime, restoring the previous one after.
  class Scope {
   public:
    explicit Scope(Session& s);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    Session* fPrevious;
  };

 private:
  ZIRA_DataSource fActive;
  CmnGlb fGlb;
  CmnLoc fLoc;
  const CommandTokens* fpTokens = nullptr;
  BpDocument* fpOutput = nullptr;
  std::map<std::string, std::string> fSettings;
  HostMessageSink fSink;
  int fMaxLevel = 0;
};
