#include "host/session/Session.h"

#include <iostream>

#include "host/data/ProcedureDataSource.h"

namespace {
Session* gCurrent = nullptr;
CmnGlb gFallbackGlb;
CmnLoc gFallbackLoc;
}  // namespace

Session::Session() = default;
Session::~Session() {
  if (gCurrent == this) gCurrent = nullptr;
}

std::string Session::Setting(const std::string& name) const {
  auto it = fSettings.find(name);
  return it == fSettings.end() ? std::string() : it->second;
}

void Session::SetSetting(const std::string& name, std::string value) {
  fSettings[name] = std::move(value);
}

Session* Session::Current() { return gCurrent; }

Session::Scope::Scope(Session& s) : fPrevious(gCurrent) { gCurrent = &s; }
Session::Scope::~Scope() { gCurrent = fPrevious; }

CmnGlb* pvGetCmnGlb() { return gCurrent ? &gCurrent->Glb() : &gFallbackGlb; }
CmnLoc* pvGetCmnLoc() { return gCurrent ? &gCurrent->Loc() : &gFallbackLoc; }

ProcedureDataSource::ProcedureDataSource()
    : ZIRA_DataSource(gCurrent ? gCurrent->Active() : ZIRA_DataSource()) {}

void HostReport(int level, const std::string& text) {
  if (gCurrent) {
    gCurrent->NoteMessageLevel(level);
    if (gCurrent->MessageSink()) {
      gCurrent->MessageSink()(level, text);
      return;
    }
  }
  const char* prefix = level >= kMsgError ? "Error: " : level == kMsgWarning ? "Warning: " : "";
  std::cerr << prefix << text << '\n';
}
