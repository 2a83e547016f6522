// Helpers of the command runner's tests: a session with a runner that records every message,
// a temporary folder holding a small dataset, and a fingerprint of the active dataset.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/commands/CommandRunner.h"
#include "host/session/Session.h"

// The small dataset every test starts from, as data.csv (types inferred):
//   id grp score name when        (score of case 2 is empty: system-missing)
extern const char* const kSmallCsv;

class CommandsTest : public ::testing::Test {
 protected:
  CommandsTest();
  ~CommandsTest() override;

  // A path in the test's temporary folder.
  std::string File(const std::string& name) const { return fDir + "/" + name; }
  void WriteText(const std::string& name, const std::string& text) const;
  // Runs a command text as the file run.sps of the temporary folder (so relative paths are
  // read from that folder).
  bool Run(const std::string& text);

  // Every message of a level, joined by blank lines.
  std::string Messages(int level) const;
  std::string Errors() const { return Messages(3); }
  ZIRA_DataSource& Data() { return fSession.Active(); }
  // The numbers of a numeric variable, or the texts of a string one, in case order.
  std::vector<double> Numbers(const std::string& var);
  std::vector<std::string> Texts(const std::string& var);
  // Everything a command could change: dictionary, values, split and weight settings, the
  // global and locale blocks.
  std::string Fingerprint();

  std::string fDir;
  Session fSession;
  std::shared_ptr<std::vector<std::pair<int, std::string>>> fMessages;
  std::unique_ptr<CommandRunner> fRunner;
};

// The folder of the test procedure library libziratestproc.so.
std::string TestProcedureFolder();
