#include "commands_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "host/io/DatasetWriter.h"

const char* const kSmallCsv =
    "id,grp,score,name,when\n"
    "1,2,10.5,ann,2020-01-05\n"
    "2,1,,bob,2019-12-31\n"
    "3,2,7,cy,2021-03-01\n"
    "4,1,3,dee,2020-01-05\n"
    "5,3,7,eve,2018-07-14\n";

CommandsTest::CommandsTest()
    : fMessages(std::make_shared<std::vector<std::pair<int, std::string>>>()) {
  std::string templ = (std::filesystem::temp_directory_path() / "zira-cmd-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("cannot make a temporary folder");
  fDir = templ;
  auto messages = fMessages;
  fSession.SetMessageSink(
      [messages](int level, const std::string& text) { messages->emplace_back(level, text); });
  fRunner = std::make_unique<CommandRunner>(fSession);
  WriteText("data.csv", kSmallCsv);
}

CommandsTest::~CommandsTest() {
  fRunner.reset();
  std::error_code ec;
  std::filesystem::remove_all(fDir, ec);
}

void CommandsTest::WriteText(const std::string& name, const std::string& text) const {
  std::ofstream out(File(name), std::ios::binary);
  out << text;
}

bool CommandsTest::Run(const std::string& text) { return fRunner->RunText(text, File("run.sps")); }

std::string CommandsTest::Messages(int level) const {
  std::string out;
  for (const auto& [l, text] : *fMessages)
    if (l == level) out += (out.empty() ? "" : "\n\n") + text;
  return out;
}

std::vector<double> CommandsTest::Numbers(const std::string& var) {
  std::vector<double> out;
  const ZIRA_Variable* v = Data().GetVariable(Data().FindVarIndex(var));
  if (!v) return out;
  for (size_t r = 0; r < Data().CaseCount(); ++r) out.push_back(v->GetNumber(r));
  return out;
}

std::vector<std::string> CommandsTest::Texts(const std::string& var) {
  std::vector<std::string> out;
  const ZIRA_Variable* v = Data().GetVariable(Data().FindVarIndex(var));
  if (!v) return out;
  for (size_t r = 0; r < Data().CaseCount(); ++r) out.emplace_back(v->GetString(r));
  return out;
}

std::string CommandsTest::Fingerprint() {
  std::string out = MakeTableSchemaText(Data());
  for (int c = 0; c < Data().ColumnCount(); ++c) {
    const ZIRA_Variable* v = Data().GetVariable(c);
    for (size_t r = 0; r < Data().CaseCount(); ++r)
      out += v->IsString() ? std::string(v->GetString(r)) : std::to_string(v->GetNumber(r));
    out += "|";
  }
  for (int s : Data().SplitVariables()) out += "split" + std::to_string(s);
  out += " weight" + std::to_string(Data().WeightVariable());
  out += " words" + std::to_string(fSession.Glb().weightWord) +
         std::to_string(fSession.Glb().errorWord);
  out += std::string(" locale") + fSession.Loc().decimal + fSession.Loc().listSeparator;
  out += " debug" + fSession.Setting("DEBUGDISPLAY");
  return out;
}

std::string TestProcedureFolder() {
  return std::string(ZIRA_BINARY_DIR) + "/tests/commands/testproc";
}
