#include "procedure_support.h"

#include <gtest/gtest.h>

#include "backend/validatedata/VDTRun.h"
#include "host/io/DatasetReader.h"
#include "host/output/JsonRenderer.h"
#include "host/output/TextRenderer.h"
#include "host/syntax/CommandTokens.h"

ProcedureRun::ProcedureRun(ZIRA_DataSource data) : fpDoc(std::make_unique<BpDocument>()) {
  fSession.SetActive(std::move(data));
  AttachDocument(fSession, *fpDoc);
}

int ProcedureRun::Run(const std::string& command) {
  fpDoc = std::make_unique<BpDocument>();
  AttachDocument(fSession, *fpDoc);
  Session::Scope scope(fSession);
  CommandTokens tokens;
  std::string error;
  if (!CommandTokens::FromText(command, &tokens, &error)) {
    ADD_FAILURE() << error;
    return 3;
  }
  fSession.ResetMessageLevel();
  fSession.SetCurrentTokens(&tokens);
  vdt::RunValidateData();
  fSession.SetCurrentTokens(nullptr);
  return fSession.MaxMessageLevel();
}

nlohmann::json ProcedureRun::Json() const { return nlohmann::json::parse(RenderJson(*fpDoc)); }

std::string ProcedureRun::Text() const { return RenderText(*fpDoc, 120); }

namespace {
void Walk(const nlohmann::json& items, const std::function<void(const nlohmann::json&)>& f) {
  for (const auto& item : items) {
    f(item);
    if (item.contains("items")) Walk(item["items"], f);
  }
}
}  // namespace

std::vector<std::string> ProcedureRun::Messages(const std::string& kind) const {
  std::vector<std::string> out;
  Walk(Json()["items"], [&](const nlohmann::json& item) {
    if (item.value("kind", "") == kind) out.push_back(item.value("text", ""));
  });
  return out;
}

std::vector<nlohmann::json> ProcedureRun::Tables(const std::string& id) const {
  std::vector<nlohmann::json> out;
  Walk(Json()["items"], [&](const nlohmann::json& item) {
    if (item.value("kind", "") == "table" && item.value("id", "") == id) out.push_back(item);
  });
  return out;
}

std::vector<std::string> ProcedureRun::CellLines(const nlohmann::json& table) {
  std::vector<std::string> out;
  for (const auto& cell : table["cells"]) {
    std::string line;
    for (const auto& path : cell["path"]) {
      for (const auto& label : path) line += label.get<std::string>() + "/";
    }
    if (!line.empty()) line.pop_back();
    out.push_back(line + "=" + cell.value("text", ""));
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ProcedureRun::Notes() const {
  std::vector<std::pair<std::string, std::string>> out;
  Walk(Json()["items"], [&](const nlohmann::json& item) {
    if (item.value("kind", "") != "notes") return;
    for (const auto& line : item["lines"])
      out.emplace_back(line.value("label", ""), line.value("value", ""));
  });
  return out;
}

std::vector<std::string> ProcedureRun::Lines(const std::string& id, size_t k) const {
  const auto tables = Tables(id);
  return k < tables.size() ? CellLines(tables[k]) : std::vector<std::string>{};
}

std::vector<std::string> ProcedureRun::Footnotes(const nlohmann::json& table) {
  std::vector<std::string> out;
  for (const auto& note : table["footnotes"]) out.push_back(note.value("text", ""));
  return out;
}

std::vector<std::string> ProcedureRun::Leaves(const nlohmann::json& table,
                                              const std::string& title) {
  std::vector<std::string> out;
  std::function<void(const nlohmann::json&)> walk = [&](const nlohmann::json& nodes) {
    for (const auto& node : nodes) {
      if (node.value("kind", "") == "category") out.push_back(node.value("label", ""));
      if (node.contains("children")) walk(node["children"]);
    }
  };
  for (const auto& dim : table["dimensions"])
    if (dim.value("title", "") == title) walk(dim["categories"]);
  return out;
}

std::vector<double> ProcedureRun::Column(const std::string& name) {
  const ZIRA_Variable* v = Data().GetVariable(Data().FindVarIndex(name));
  if (!v || v->IsString()) return {};
  return v->Numbers();
}

ZIRA_DataSource LoadExample() {
  ZIRA_DataSource ds;
  std::string error;
  std::vector<std::string> warnings;
  if (!ReadDataset(std::string(ZIRA_SOURCE_DIR) + "/examples/first/survey.csv", {}, &ds, &error,
                   &warnings))
    ADD_FAILURE() << error;
  return ds;
}
