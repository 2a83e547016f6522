// zira run FILE... [--format text|html|json] [-o PATH]: runs command files in one session.
#include <memory>

#include "apps/zira/Commands.h"
#include "apps/zira/Report.h"
#include "host/commands/CommandRunner.h"
#include "host/session/Session.h"

ZiraCommand AddRunCommand(CLI::App& program) {
  struct Options {
    std::vector<std::string> files;
    ReportOptions report;
  };
  auto options = std::make_shared<Options>();
  CLI::App* sub = program.add_subcommand(
      "run",
      "Run command files, in order, in one session, and print the report. Exit status 0 when "
      "every command ran, 1 when a command failed, 130 when interrupted.");
  sub->add_option("FILE", options->files, "Command files")->required()->check(CLI::ExistingFile);
  AddReportOptions(sub, &options->report);
  return {sub, [options]() -> int {
            RunWithReport(options->report, [&](Session& session) {
              CommandRunner runner(session);
              return runner.RunFiles(options->files);
            });
          }};
}
