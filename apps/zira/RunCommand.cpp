// zira run: runs command files in one session. Messages go to standard error as plain lines
// for now; --format and -o are accepted for the report renderers and not used yet.
#include <csignal>
#include <iostream>
#include <memory>

#include "apps/zira/Commands.h"
#include "host/commands/CommandRunner.h"
#include "host/session/Session.h"

namespace {

// The error word of the running session, written by the SIGINT handler. A running procedure
// polls it before each split group and stops; the runner then starts no further command.
volatile int* gErrorWord = nullptr;

extern "C" void OnInterrupt(int) {
  if (gErrorWord) *gErrorWord = 1;
}

}  // namespace

ZiraCommand AddRunCommand(CLI::App& program) {
  struct Options {
    std::vector<std::string> files;
    std::string format = "text";
    std::string output;
  };
  auto options = std::make_shared<Options>();
  CLI::App* sub = program.add_subcommand(
      "run",
      "Run command files, in order, in one session. Exit status 0 when every command "
      "ran, 1 when a command failed, 130 when interrupted.");
  sub->add_option("FILE", options->files, "Command files")->required()->check(CLI::ExistingFile);
  sub->add_option("--format", options->format, "Report format (text, html or json)")
      ->check(CLI::IsMember({"text", "html", "json"}));
  sub->add_option("-o,--output", options->output, "Report file (default: standard output)");
  return {sub, [options] {
            Session session;
            CommandRunner runner(session);
            gErrorWord = &session.Glb().errorWord;
            struct sigaction action = {};
            action.sa_handler = OnInterrupt;
            sigemptyset(&action.sa_mask);
            // A second Ctrl-C ends the program at once.
            action.sa_flags = SA_RESETHAND;
            struct sigaction previous = {};
            sigaction(SIGINT, &action, &previous);
            const bool ok = runner.RunFiles(options->files);
            sigaction(SIGINT, &previous, nullptr);
            gErrorWord = nullptr;
            if (runner.Interrupted()) return static_cast<int>(kExitInterrupted);
            return static_cast<int>(ok ? kExitOk : kExitFailed);
          }};
}
