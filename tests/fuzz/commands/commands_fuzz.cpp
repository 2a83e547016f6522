// Runs any text as a command file against a small dataset: the host commands must reject what
// they cannot run with a message, never crash. Commands that touch files or load libraries
// are replaced by ones that do nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/commands/CommandRunner.h"
#include "host/session/Session.h"

namespace {

ZIRA_DataSource SmallDataset() {
  ZIRA_DataSource data;
  data.AddVariable("id", 0);
  data.AddVariable("grp", 0);
  data.AddVariable("name", 5);
  data.AddVariable("score", 0);
  data.SetCaseCount(6);
  for (size_t r = 0; r < 6; ++r) {
    data.GetVariable(0)->SetNumber(r, static_cast<double>(r + 1));
    data.GetVariable(1)->SetNumber(r, static_cast<double>(r % 3));
    data.GetVariable(2)->SetString(r, r % 2 ? "ab" : "cde");
    data.GetVariable(3)->SetNumber(r, r == 2 ? MCMV::gMissingValue : 1.5 * static_cast<double>(r));
  }
  return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  Session session;
  session.SetMessageSink([](int, const std::string&) {});
  session.SetActive(SmallDataset());
  CommandRunner runner(session);
  auto nothing = [](Session&, const CommandTokens&) { return true; };
  runner.RegisterHostCommand("LOAD", nothing);
  runner.RegisterHostCommand("WRITE", nothing);
  runner.RegisterProcedure("VALIDATEDATA", "/nonexistent/libvalidatedata.so", "VALIDATE");
  runner.RunText(std::string(reinterpret_cast<const char*>(bytes), size), "fuzz.sps");
  return 0;
}
