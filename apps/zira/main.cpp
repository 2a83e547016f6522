// The zira program: reads the command line and runs one subcommand. Exit status 0 when it
// ran, 1 when it failed (the reason on standard error), 2 for bad usage, 130 when Ctrl-C
// stopped it.
#include <memory>
#include <vector>

#include "apps/zira/Commands.h"
#include "host/common/MemoryAdvice.h"

int main(int argc, char** argv) {
  KeepFreedMemory();
  CLI::App program{"Zira: finds what is wrong with a dataset and ranks predictors.", "zira"};
  program.require_subcommand(1);
  std::vector<ZiraCommand> commands;
  commands.push_back(AddDictionaryCommand(program));
  commands.push_back(AddRunCommand(program));
  commands.push_back(AddValidateCommand(program));
  commands.push_back(AddScreenCommand(program));
  try {
    program.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return program.exit(e) == 0 ? kExitOk : kExitUsage;
  }
  for (const auto& command : commands)
    if (command.app->parsed()) return command.run();
  return kExitUsage;
}
