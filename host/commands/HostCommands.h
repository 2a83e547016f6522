// The host commands: the grammar of each (a CommandDescriptor for the universal parser, the
// same way VALIDATEDATA declares its own) and its handler. RegisterHostCommands (declared in
// CommandRunner.h) adds them all to a runner.
#pragma once

#include "host/syntax/CommandTokens.h"
#include "host/syntax/UPDescriptors.h"

class CommandRunner;
class Session;

// Grammars, built afresh on each call.
CommandDescriptor MakeLoadDescriptor();            // LOAD FILE='x.csv' [SCHEMA='x.schema.json']
CommandDescriptor MakeWriteDescriptor();           // WRITE FILE='y.csv'
CommandDescriptor MakeSortDescriptor();            // SORT BY vars [(A)|(D)] ...
CommandDescriptor MakeSplitFileDescriptor();       // SPLIT FILE BY vars | OFF
CommandDescriptor MakeWeightDescriptor();          // WEIGHT BY var | OFF
CommandDescriptor MakeSetDescriptor();             // SET DECIMAL=DOT|COMMA DEBUGDISPLAY=ON|OFF
CommandDescriptor MakeAttributeDescriptor();       // ATTRIBUTE ... (see HostCommandsAttribute.cpp)
CommandDescriptor MakeVariableLabelsDescriptor();  // VARIABLE LABELS VARIABLES=... LABEL='...'
CommandDescriptor MakeValueLabelsDescriptor();     // VALUE LABELS VARIABLES=... LABELS=v 'l' ...
CommandDescriptor MakeMissingValuesDescriptor();   // MISSING VALUES VARIABLES=... VALUES=...
CommandDescriptor MakeVariableLevelDescriptor();   // VARIABLE LEVEL VARIABLES=... LEVEL=...
CommandDescriptor MakeShowDescriptor();            // SHOW VARIABLES[=vars]

// Handlers: each parses the command, checks everything, and only then changes the session.
// False (with the error reported) when the command failed; the session is then unchanged.
bool RunLoadCommand(Session& session, const CommandTokens& command);
bool RunWriteCommand(Session& session, const CommandTokens& command);
bool RunSortCommand(Session& session, const CommandTokens& command);
bool RunSplitFileCommand(Session& session, const CommandTokens& command);
bool RunWeightCommand(Session& session, const CommandTokens& command);
bool RunSetCommand(Session& session, const CommandTokens& command);
bool RunAttributeCommand(Session& session, const CommandTokens& command);
bool RunVariableLabelsCommand(Session& session, const CommandTokens& command);
bool RunValueLabelsCommand(Session& session, const CommandTokens& command);
bool RunMissingValuesCommand(Session& session, const CommandTokens& command);
bool RunVariableLevelCommand(Session& session, const CommandTokens& command);
bool RunShowCommand(Session& session, const CommandTokens& command);
// COMPUTE target = expression [IF condition]
bool RunComputeCommand(Session& session, const CommandTokens& command);
// RULES COMPUTE
bool RunRulesCommand(Session& session, const CommandTokens& command);
