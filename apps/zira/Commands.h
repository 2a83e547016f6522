// The subcommands of the zira program. Each adds itself to the program's command line and
// hands back the function that runs it once the command line has been read.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

// Exit statuses of the program.
enum ZiraExit : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitInterrupted = 130 };

// A subcommand: its CLI11 sub-app (owned by the program's app) and its runner, which returns
// the exit status. The runner may keep pointers to option values bound at registration.
struct ZiraCommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

// zira dictionary DATA.csv [--schema PATH]: prints the dataset's dictionary.
ZiraCommand AddDictionaryCommand(CLI::App& program);
// zira run FILE... [--format text|html|json] [-o PATH]: runs command files in one session.
ZiraCommand AddRunCommand(CLI::App& program);
// zira validate DATA.csv [options]: checks a dataset with VALIDATEDATA built from the options.
ZiraCommand AddValidateCommand(CLI::App& program);
// zira screen DATA.csv --target VAR [options]: screens and ranks predictors of a target.
ZiraCommand AddScreenCommand(CLI::App& program);
