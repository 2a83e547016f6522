// End-to-end tests of the zira program's validate and screen subcommands: they run the built
// binary on datasets and read its JSON report, the files it writes and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "featureselection/FSDistributions.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kZira = ZIRA_BINARY_DIR "/apps/zira/zira";
const std::string kSurvey = ZIRA_SOURCE_DIR "/examples/first/survey.csv";

struct Result {
  int status = -1;
  std::string out, err;
};

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class AppsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fDir = fs::temp_directory_path() /
           ("zira_apps_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(fDir);
    fs::create_directories(fDir);
  }
  void TearDown() override { fs::remove_all(fDir); }

  Result Zira(const std::vector<std::string>& args) {
    std::string cmd = ShellQuote(kZira);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    const fs::path out = fDir / "stdout.txt", err = fDir / "stderr.txt";
    cmd += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
    Result r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
  }

  // Every table of a JSON report by its identifier (the last one of an identifier wins).
  static void CollectTables(const json& items, std::map<std::string, json>* tables) {
    for (const auto& item : items) {
      if (item["kind"] == "table") (*tables)[item["id"].get<std::string>()] = item;
      if (item.contains("items")) CollectTables(item["items"], tables);
    }
  }
  static std::map<std::string, json> Tables(const std::string& reportText) {
    std::map<std::string, json> tables;
    CollectTables(json::parse(reportText)["items"], &tables);
    return tables;
  }

  fs::path fDir;
};

// ---- zira validate ----

TEST_F(AppsTest, ValidateReportsTheChecksAndWritesTheSavedIndicators) {
  const fs::path report = fDir / "report.json", checked = fDir / "checked.csv";
  Result r =
      Zira({"validate", kSurvey, "--id", "hhid,persnr", "--split", "region", "--save", "all",
            "--by-rule", "--write", checked.string(), "--format", "json", "-o", report.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  auto tables = Tables(ReadFile(report));
  for (const char* id : {"VariableChecks", "CaseChecks", "RuleSummary", "VariableSummary"})
    EXPECT_TRUE(tables.count(id)) << id;
  // The tables are labelled by their split group.
  EXPECT_FALSE(tables["CaseChecks"]["split"].empty());

  std::istringstream csv(ReadFile(checked));
  std::string header;
  std::getline(csv, header);
  for (const char* name :
       {"EmptyCase", "IncompleteID", "DuplicateIDGroup", "ValidationRuleViolations"})
    EXPECT_NE(header.find(name), std::string::npos) << header;
  EXPECT_TRUE(fs::exists(fDir / "checked.schema.json"));
}

TEST_F(AppsTest, ValidateLoadsAFileWhoseNameHoldsAQuote) {
  const fs::path data = fDir / "it's here.csv";
  fs::copy_file(kSurvey, data);
  fs::copy_file(ZIRA_SOURCE_DIR "/examples/first/survey.schema.json",
                fDir / "it's here.schema.json");
  Result r = Zira({"validate", data.string(), "--variables", "age", "income", "--no-rules-compute",
                   "--format", "json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Tables(r.out).count("VariableChecks"));
}

TEST_F(AppsTest, ValidateRejectsBadUsageWithStatus2) {
  EXPECT_EQ(Zira({"validate"}).status, 2);
  EXPECT_EQ(Zira({"validate", kSurvey, "--save", "emptycase,bogus"}).status, 2);
  EXPECT_EQ(Zira({"validate", kSurvey, "--case-limit", "0"}).status, 2);
  EXPECT_EQ(Zira({"validate", kSurvey, "--variables", "age.\nWRITE"}).status, 2);
  EXPECT_EQ(
      Zira({"validate", kSurvey, "--command", "VALIDATEDATA VARIABLES=age.", "--variables", "age"})
          .status,
      2);
}

TEST_F(AppsTest, ValidateOfAMissingFileFailsWithStatus1AndNamesIt) {
  Result r = Zira({"validate", (fDir / "absent.csv").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("absent.csv"), std::string::npos) << r.err;
}

// ---- zira screen ----

// A seeded dataset: the target y (3 categories); x1 (categorical) and x2 (continuous) carry
// information about y; n1, n3 (categorical) and n2 (continuous) are noise; sparse is mostly
// missing and held (constant) is one value throughout.
class ScreenTest : public AppsTest {
 protected:
  void SetUp() override {
    AppsTest::SetUp();
    std::mt19937 gen(20240611);
    auto unit = [&] { return (gen() + 0.5) / 4294967296.0; };
    auto normal = [&] {
      return std::sqrt(-2 * std::log(unit())) * std::cos(6.283185307179586 * unit());
    };
    std::ofstream csv(fDir / "screen.csv");
    csv << "y,x1,x2,n1,n2,n3,sparse,held\n";
    for (int i = 0; i < 400; ++i) {
      const int y = static_cast<int>(gen() % 3);
      const int x1 = unit() < 0.6 ? y : static_cast<int>(gen() % 3);
      const double x2 = y + normal();
      const int n1 = static_cast<int>(gen() % 4), n3 = static_cast<int>(gen() % 5);
      const double n2 = normal();
      csv << y << ',' << x1 << ',' << x2 << ',' << n1 << ',' << n2 << ',' << n3 << ',';
      if (unit() < 0.2) csv << normal();
      csv << ",7\n";
      fY.push_back(y);
      fX1.push_back(x1);
    }
    std::ofstream schema(fDir / "screen.schema.json");
    schema << R"({"fields": [
      {"name": "y", "type": "integer", "zira.level": "nominal"},
      {"name": "x1", "type": "integer", "zira.level": "nominal"},
      {"name": "x2", "type": "number", "zira.level": "scale"},
      {"name": "n1", "type": "integer", "zira.level": "nominal"},
      {"name": "n2", "type": "number", "zira.level": "scale"},
      {"name": "n3", "type": "integer", "zira.level": "nominal"},
      {"name": "sparse", "type": "number", "zira.level": "scale"},
      {"name": "held", "type": "integer", "zira.level": "nominal"}]})";
    fData = (fDir / "screen.csv").string();
  }

  // Pearson's chi-square of x1 by y and its degrees of freedom, from the crosstab.
  void PearsonOfX1(double* chi2, double* df) const {
    double n[3][3] = {}, rows[3] = {}, cols[3] = {}, total = 0;
    for (size_t i = 0; i < fY.size(); ++i) {
      n[fX1[i]][fY[i]] += 1;
      rows[fX1[i]] += 1;
      cols[fY[i]] += 1;
      total += 1;
    }
    *chi2 = 0;
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) {
        const double e = rows[a] * cols[b] / total;
        *chi2 += (n[a][b] - e) * (n[a][b] - e) / e;
      }
    *df = 4;
  }

  std::string fData;
  std::vector<int> fY, fX1;
};

std::vector<std::string> RowLabels(const json& table) {
  std::vector<std::string> labels;
  for (const auto& c : table["dimensions"][0]["categories"]) labels.push_back(c["label"]);
  return labels;
}

TEST_F(ScreenTest, InformativePredictorsRankFirstAndThePearsonPValueMatchesTheCrosstab) {
  Result r = Zira({"screen", fData, "--target", "y", "--format", "json"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto tables = Tables(r.out);
  ASSERT_TRUE(tables.count("PredictorRanking"));
  const json& ranking = tables["PredictorRanking"];
  std::vector<std::string> rows = RowLabels(ranking);
  ASSERT_GE(rows.size(), 4u);
  EXPECT_TRUE((rows[0] == "x1" && rows[1] == "x2") || (rows[0] == "x2" && rows[1] == "x1"))
      << rows[0] << " " << rows[1];

  double chi2 = 0, df = 0;
  PearsonOfX1(&chi2, &df);
  const double expected = FSDist::ChiSquareUpper(chi2, df);
  bool found = false;
  for (const auto& cell : ranking["cells"]) {
    if (cell["path"][0][0] != "x1" || cell["path"][1].size() != 2) continue;
    if (cell["path"][1][0] != "Pearson chi-square p-value" || cell["path"][1][1] != "Value")
      continue;
    found = true;
    EXPECT_NEAR(cell["value"].get<double>() / expected, 1.0, 1e-9);
  }
  EXPECT_TRUE(found);
  // The mostly missing and the constant predictor are excluded, not ranked.
  ASSERT_TRUE(tables.count("ExcludedPredictors"));
  std::vector<std::string> excluded = RowLabels(tables["ExcludedPredictors"]);
  EXPECT_EQ(excluded, (std::vector<std::string>{"sparse", "held"}));
}

TEST_F(ScreenTest, BestAndCriterionKeepTheTopPredictorsOfThatCriterion) {
  Result r = Zira(
      {"screen", fData, "--target", "y", "--criterion", "f", "--best", "1", "--format", "json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(RowLabels(Tables(r.out)["PredictorRanking"]), std::vector<std::string>{"x2"});
}

TEST_F(ScreenTest, ScreenOnlyListsEveryFailingPredictorWithReadableReasons) {
  Result r = Zira({"screen", fData, "--target", "y", "--screen-only", "--format", "json"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto tables = Tables(r.out);
  EXPECT_FALSE(tables.count("PredictorRanking"));
  const json& failing = tables["FailingPredictors"];
  EXPECT_EQ(RowLabels(failing), (std::vector<std::string>{"sparse", "held"}));
  std::string reasons;
  for (const auto& cell : failing["cells"]) reasons += cell["text"].get<std::string>() + "|";
  EXPECT_NE(reasons.find("manyMissing"), std::string::npos) << reasons;
  EXPECT_NE(reasons.find("of the values are missing"), std::string::npos) << reasons;
}

TEST_F(ScreenTest, XmlOptionWritesTheDocumentOfTheRightKind) {
  const fs::path all = fDir / "all.xml", one = fDir / "one.xml";
  ASSERT_EQ(Zira({"screen", fData, "--target", "y", "--xml", all.string()}).status, 0);
  ASSERT_EQ(Zira({"screen", fData, "--target", "y", "--criterion", "pearson", "--best", "2",
                  "--xml", one.string()})
                .status,
            0);
  pugi::xml_document a, b;
  ASSERT_TRUE(a.load_file(all.c_str()));
  ASSERT_TRUE(b.load_file(one.c_str()));
  EXPECT_STREQ(a.document_element().name(), "FSOutputAll");
  EXPECT_STREQ(b.document_element().name(), "FSOutputOne");
  EXPECT_EQ(b.document_element().select_nodes("Predictor").size(), 2u);
}

TEST_F(ScreenTest, BadTargetCriterionOrPredictorFailsWithStatus1AndWritesNoXml) {
  const fs::path xml = fDir / "out.xml";
  const std::vector<std::vector<std::string>> cases = {
      {"--target", "nosuch"},
      {"--target", "y", "--predictors", "x1", "ghost"},
      {"--target", "y", "--criterion", "gini"},
      {"--target", "y", "--criterion", "cramersv"},  // not for a mixed set
  };
  for (const auto& extra : cases) {
    std::vector<std::string> args = {"screen", fData, "--xml", xml.string()};
    args.insert(args.end(), extra.begin(), extra.end());
    Result r = Zira(args);
    EXPECT_EQ(r.status, 1) << extra[1];
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(fs::exists(xml)) << extra[1];
  }
}

}  // namespace
