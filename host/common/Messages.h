// Where host and procedure messages go. Every warning and error, whoever raises it, passes
// through HostReport: the current session notes the highest level of the running command
// (a command fails when it reports an error) and hands the text to its sink, which the
// command runner points at the output document. Without a sink the text goes to stderr.
#pragma once

#include <functional>
#include <string>

enum HostMessageLevel : int { kMsgNote = 1, kMsgWarning = 2, kMsgError = 3 };

using HostMessageSink = std::function<void(int level, const std::string& text)>;

// Reports a message at a level (2 warning, 3 error; 1 a plain note).
void HostReport(int level, const std::string& text);
