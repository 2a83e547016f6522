// The report of a zira run: every command writes into one output document, which is rendered
// at the end as text, HTML or JSON to standard output or a file. Errors also go to standard
// error as they happen.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

class Session;

struct ReportOptions {
  std::string format = "text";  // text, html or json
  std::string output;           // file; empty: standard output
  int width = 0;                // text width; 0: the terminal's, else 100
};

// Writes a file whole: the text goes to a temporary file beside the target, which is then
// renamed into place, so an interrupted write leaves any earlier file as it was.
bool WriteFileAtomically(const std::string& path, const std::string& text);
// The same with the text written by `write` into the temporary file as it is made.
bool WriteFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write);

// Adds --format and -o/--output to a subcommand.
void AddReportOptions(CLI::App* sub, ReportOptions* options);

// Runs `job` in a fresh session whose messages and output go into one document, with Ctrl-C
// setting the session's error word, then writes the report and ends the program with its
// exit status: 0 ok, 1 failed (or the report could not be written), 130 interrupted. It does
// not return: the session's dataset is let go on a thread of its own while the report is
// written, the rest is left for the system to reclaim with the process.
[[noreturn]] void RunWithReport(const ReportOptions& options,
                                const std::function<bool(Session&)>& job);
