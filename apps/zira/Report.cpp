#include "apps/zira/Report.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>
#include <thread>
#include <utility>

#include "apps/zira/Commands.h"
#include "host/output/BpDocument.h"
#include "host/output/HtmlRenderer.h"
#include "host/output/JsonRenderer.h"
#include "host/output/TextRenderer.h"
#include "host/session/Session.h"

namespace {

// The error word of the running session, written by the SIGINT handler. A running procedure
// polls it before each split group and stops; the runner then starts no further command.
volatile int* gErrorWord = nullptr;

extern "C" void OnInterrupt(int) {
  if (gErrorWord) *gErrorWord = 1;
}

int TerminalWidth() {
  struct winsize ws = {};
  if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col >= 40)
    return ws.ws_col;
  return 100;
}

// Lets go of a dataset no longer read on a thread of its own, while the report is written:
// the system would otherwise take it back as the program ends, with nothing left to do beside
// it (a fifth of a second for gigabytes of columns).
void ReleaseAside(ZIRA_DataSource&& data) {
  try {
    std::thread([data = std::move(data)]() mutable { data = ZIRA_DataSource(); }).detach();
  } catch (const std::system_error&) {
    // No thread: the system takes the dataset back at the end.
  }
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  return WriteFileAtomically(path, [&text](std::ostream& out) { out << text; });
}

bool WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write) {
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    write(out);
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
}

void AddReportOptions(CLI::App* sub, ReportOptions* options) {
  sub->add_option("--format", options->format, "Report format: text (default), html or json")
      ->check(CLI::IsMember({"text", "html", "json"}));
  sub->add_option("-o,--output", options->output, "Write the report to this file");
  sub->add_option("--width", options->width, "Text report width (default: the terminal's)");
}

namespace {

// Ends the program once everything it writes is out, without tearing the session down:
// freeing a large job's columns, duplicate map and report one object at a time takes longer
// (a third of a second for ten million cases) than the system takes to reclaim them whole.
[[noreturn]] void EndProgram(int status) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace

void RunWithReport(const ReportOptions& options, const std::function<bool(Session&)>& job) {
  Session session;
  BpDocument doc;
  AttachDocument(session, doc);
  // Errors reach standard error at once as well as the report.
  HostMessageSink toDocument = session.MessageSink();
  session.SetMessageSink([toDocument](int level, const std::string& text) {
    toDocument(level, text);
    if (level >= kMsgError) std::cerr << "Error: " << text << '\n';
  });

  gErrorWord = &session.Glb().errorWord;
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the program at once
  struct sigaction previous = {};
  sigaction(SIGINT, &action, &previous);
  const bool ok = job(session);
  sigaction(SIGINT, &previous, nullptr);
  gErrorWord = nullptr;
  const bool interrupted = session.Glb().errorWord != 0;
  ReleaseAside(std::exchange(session.Active(), ZIRA_DataSource()));

  // JSON, the format of pipelines and of the largest reports, is written as it is made.
  std::function<void(std::ostream&)> write;
  if (options.format == "json") {
    write = [&doc](std::ostream& out) { RenderJson(doc, out); };
  } else {
    std::string report = options.format == "html"
                             ? RenderHtml(doc)
                             : RenderText(doc, options.width > 0 ? options.width : TerminalWidth());
    if (options.output.empty() && !report.empty() && report.back() != '\n') report += '\n';
    write = [report = std::move(report)](std::ostream& out) { out << report; };
  }
  if (options.output.empty()) {
    write(std::cout);
    std::cout.flush();
  } else if (!WriteFileAtomically(options.output, write)) {
    std::cerr << "Error: cannot write the report to " << options.output << ".\n";
    EndProgram(kExitFailed);
  }
  EndProgram(interrupted ? kExitInterrupted : ok ? kExitOk : kExitFailed);
}
