// Runs VALIDATEDATA commands inside a test session and reads the report back as JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/data/ZIRA_DataSource.h"
#include "host/output/BpDocument.h"
#include "host/session/Session.h"

class ProcedureRun {
 public:
  explicit ProcedureRun(ZIRA_DataSource data);
  // Runs one command text (a VALIDATEDATA command ending with a period) through the procedure.
  // Returns the highest message level the run reported (0 none, 2 warning, 3 error).
  int Run(const std::string& command);

  Session& GetSession() { return fSession; }
  ZIRA_DataSource& Data() { return fSession.Active(); }
  const BpDocument& Document() const { return *fpDoc; }
  nlohmann::json Json() const;
  std::string Text() const;
  // Message texts of the given kind ("warning", "error") in output order.
  std::vector<std::string> Messages(const std::string& kind) const;
  // Tables with the given identifier, in output order (one per split group).
  std::vector<nlohmann::json> Tables(const std::string& id) const;
  // The cells of a table as "label/label/...=text" lines, in the JSON's order.
  static std::vector<std::string> CellLines(const nlohmann::json& table);
  std::vector<std::pair<std::string, std::string>> Notes() const;
  // CellLines of the k-th table with the identifier; empty when there is no such table.
  std::vector<std::string> Lines(const std::string& id, size_t k = 0) const;
  // The footnote texts of a table, in order.
  static std::vector<std::string> Footnotes(const nlohmann::json& table);
  // The category labels of a table's dimension with the given title, in tree order.
  static std::vector<std::string> Leaves(const nlohmann::json& table, const std::string& title);
  // The values of a numeric variable of the active dataset; empty when there is none.
  std::vector<double> Column(const std::string& name);

 private:
  Session fSession;
  std::unique_ptr<BpDocument> fpDoc;
};

// A dataset read from the examples folder (examples/first/survey.csv).
ZIRA_DataSource LoadExample();
