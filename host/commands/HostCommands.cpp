// The table of host commands: each name with its handler.
#include "host/commands/HostCommands.h"

#include "host/commands/CommandRunner.h"

void RegisterHostCommands(CommandRunner& runner) {
  runner.RegisterHostCommand("LOAD", RunLoadCommand);
  runner.RegisterHostCommand("WRITE", RunWriteCommand);
  runner.RegisterHostCommand("SORT", RunSortCommand);
  runner.RegisterHostCommand("SPLIT FILE", RunSplitFileCommand);
  runner.RegisterHostCommand("WEIGHT", RunWeightCommand);
  runner.RegisterHostCommand("SET", RunSetCommand);
  runner.RegisterHostCommand("ATTRIBUTE", RunAttributeCommand);
  runner.RegisterHostCommand("VARIABLE LABELS", RunVariableLabelsCommand);
  runner.RegisterHostCommand("VALUE LABELS", RunValueLabelsCommand);
  runner.RegisterHostCommand("MISSING VALUES", RunMissingValuesCommand);
  runner.RegisterHostCommand("VARIABLE LEVEL", RunVariableLevelCommand);
  runner.RegisterHostCommand("SHOW", RunShowCommand);
  runner.RegisterHostCommand("COMPUTE", RunComputeCommand);
  runner.RegisterHostCommand("RULES", RunRulesCommand);
}
