#include "tests/validatedata/parser_support.h"

#include <gtest/gtest.h>

#include "backend/validatedata/VDTRun.h"

ParserRun::ParserRun()
    : fScope(fSession), fpMessages(std::make_shared<std::vector<std::pair<int, std::string>>>()) {
  auto store = fpMessages;
  fSession.SetMessageSink(
      [store](int level, const std::string& text) { store->emplace_back(level, text); });
  fSession.SetOutput(&fDoc);
  ZIRA_DataSource& ds = Data();
  ds.AddVariable("age", 0)->SetMeasurementLevel(3);
  ds.AddVariable("height", 0)->SetMeasurementLevel(3);
  ds.AddVariable("sex", 8)->SetMeasurementLevel(1);
  ds.AddVariable("region", 0)->SetMeasurementLevel(1);
  ds.AddVariable("id", 0)->SetMeasurementLevel(3);
  ds.AddVariable("code", 0)->SetMeasurementLevel(3);
  ds.SetCaseCount(4);
  for (size_t row = 0; row < 4; ++row) {
    ds.GetVariable(0)->SetNumber(row, 20.0 + static_cast<double>(row));
    ds.GetVariable(1)->SetNumber(row, 150.0 + 10.0 * static_cast<double>(row));
    ds.GetVariable(2)->SetString(row, row % 2 ? "f" : "m");
    ds.GetVariable(3)->SetNumber(row, static_cast<double>(row % 2));
    ds.GetVariable(4)->SetNumber(row, static_cast<double>(row + 1));
    ds.GetVariable(5)->SetNumber(row, 1000.0 + static_cast<double>(row));
  }
}

int ParserRun::AddOutcome(const std::string& name) {
  int index = -1;
  ZIRA_Variable* v = Data().AddVariable(name, 0, &index);
  v->SetMeasurementLevel(1);
  v->GetAttributes().Set("$VD.RuleOutcomeVar", {"Yes"});
  for (size_t row = 0; row < Data().CaseCount(); ++row) v->SetNumber(row, 0.0);
  return index;
}

void ParserRun::AddRules() {
  for (const char* o : {"ageOK", "c1", "c2", "c3"}) AddOutcome(o);
  Data().GetAttributes().Set("$VD.SRule",
                             {"Label='Age range',Type=Numeric,Domain=Range,FlagUserMissing=Yes,"
                              "FlagSystemMissing=No,FlagBlank=No,Minimum=0,Maximum=120"});
  Data()
      .GetVariable(Col("age"))
      ->GetAttributes()
      .Set("$VD.SRuleRef", {"Rule=$VD.SRule[1],OutcomeVar=ageOK"});
  Data().GetAttributes().Set("$VD.CRule", {"Label=First,Expression=age>height,OutcomeVar=c1",
                                           "Label=Second,Expression=age<0,OutcomeVar=c2",
                                           "Label=Third,Expression=height<0,OutcomeVar=c3"});
}

bool ParserRun::SetCommand(const std::string& command) {
  std::string error;
  fTokens = CommandTokens();
  if (!CommandTokens::FromText(command, &fTokens, &error)) {
    ADD_FAILURE() << "command does not tokenize: " << error;
    return false;
  }
  fSession.SetCurrentTokens(&fTokens);
  fpMessages->clear();
  return true;
}

bool ParserRun::Parse(const std::string& command) {
  fpParser.reset();
  fpSpecs.reset();
  if (!SetCommand(command)) return false;
  fpSequence = std::make_unique<ZIRA_TokenSequence>(true);
  fpData = std::make_unique<ProcedureDataSource>(Data());
  fpData->SetMaxObsAdded(4);
  AdjustMeasurementLevels(fpData.get());
  fpSpecs = std::make_unique<VDTValidSpecs>();
  fpParser = std::make_unique<VDTParser>(fpSequence.get(), fpSpecs.get(), fpData.get());
  return fpParser->Parse();
}

void ParserRun::Run(const std::string& command) {
  if (SetCommand(command)) vdt::RunValidateData();
}

bool ParserRun::Reported(int level, const std::string& text) const {
  for (const auto& [l, t] : *fpMessages)
    if (l == level && t == text) return true;
  return false;
}

std::vector<std::string> ParserRun::Containing(const std::string& part) const {
  std::vector<std::string> out;
  for (const auto& m : *fpMessages)
    if (m.second.find(part) != std::string::npos) out.push_back(m.second);
  return out;
}

int ParserRun::CountAtLevel(int level) const {
  int n = 0;
  for (const auto& m : *fpMessages) n += m.first == level;
  return n;
}

bool ParserRun::ReportedByHost(int level,
                               const std::function<std::string(const ParserMessage&)>& say) {
  const size_t before = fpMessages->size();
  ParserMessage m;
  m.SetCommandName("VALIDATEDATA");
  const std::string text = say(m);
  fpMessages->resize(before);
  return Reported(level, text);
}

std::string ParserRun::Names(const std::vector<int32_t>* list) {
  if (!list) return "(null)";
  std::string out;
  for (int32_t c : *list) {
    if (!out.empty()) out += ' ';
    const ZIRA_Variable* v = Data().GetVariable(c);
    out += v ? std::string(v->GetName()) : "?";
  }
  return out;
}
