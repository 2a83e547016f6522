// Zira and the pandas peer of the benchmark (bench/peers/validate_pandas.py) must find the same
// problems in the same generated data: the counts that bench/peers/zira_counts.py reads from
// Zira's JSON report equal those the peer computes, table by table and split group by split
// group. Small data, not timed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kSource = ZIRA_SOURCE_DIR;
const std::string kGenerator = ZIRA_BINARY_DIR "/bench/gen/zira_gen";
const std::string kZira = ZIRA_BINARY_DIR "/apps/zira/zira";
const std::string kPython = "/usr/bin/python3";

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Runs a shell command; answers its exit status and, in *out, what it printed.
int Shell(const std::string& command, std::string* out = nullptr) {
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
  const int status = pclose(pipe);
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class PeerAgreement : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kGenerator))
      GTEST_SKIP() << "the dataset generator " << kGenerator
                   << " is not built (it is built with -DZIRA_BENCH=ON)";
    if (!fs::exists(kZira)) GTEST_SKIP() << kZira << " is not built";
    if (Shell(kPython + " -c 'import pandas'") != 0)
      GTEST_SKIP() << "python3-pandas is not installed";
    fDir = fs::temp_directory_path() /
           ("zira-peer-test-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(fDir);
  }
  void TearDown() override {
    if (!fDir.empty()) fs::remove_all(fDir);
  }

  // Generates `kind` with `args`, runs the benchmark job of that kind with Zira and the peer
  // with the job's "* peer:" settings; fills the two canonical texts.
  void RunBoth(const std::string& kind, const std::string& args) {
    const std::string csv = (fDir / (kind + ".csv")).string();
    std::string out;
    ASSERT_EQ(Shell(Quote(kGenerator) + " " + kind + " " + args + " " + Quote(csv), &out), 0)
        << out;
    const std::string tmpl = ReadFile(kSource + "/bench/jobs/" + kind + ".zsx");
    ASSERT_FALSE(tmpl.empty()) << "no job bench/jobs/" << kind << ".zsx";
    std::string job = tmpl;
    for (size_t at = job.find("@DATA@"); at != std::string::npos; at = job.find("@DATA@", at))
      job.replace(at, 6, csv);
    const fs::path jobPath = fDir / (kind + ".zsx");
    std::ofstream(jobPath) << job;
    const std::string marker = "* peer: ";
    const size_t at = tmpl.find(marker);
    ASSERT_NE(at, std::string::npos) << "the job has no '* peer:' line";
    const std::string peerArgs =
        tmpl.substr(at + marker.size(), tmpl.find('\n', at) - at - marker.size());

    const std::string report = (fDir / "report.json").string();
    ASSERT_EQ(Shell(Quote(kZira) + " run " + Quote(jobPath.string()) + " --format json -o " +
                        Quote(report),
                    &out),
              0)
        << out;
    const std::string peers = kSource + "/bench/peers/";
    const std::string ziraCounts = (fDir / "zira.json").string();
    const std::string peerCounts = (fDir / "peer.json").string();
    ASSERT_EQ(Shell(kPython + " " + Quote(peers + "zira_counts.py") + " " + Quote(report) +
                        " --lists -o " + Quote(ziraCounts),
                    &out),
              0)
        << out;
    ASSERT_EQ(Shell(kPython + " " + Quote(peers + "validate_pandas.py") + " " + Quote(csv) + " " +
                        peerArgs + " --lists -o " + Quote(peerCounts),
                    &out),
              0)
        << out;
    fZira = ReadFile(ziraCounts);
    fPeer = ReadFile(peerCounts);
    if (fZira != fPeer) {
      Shell("diff -u " + Quote(ziraCounts) + " " + Quote(peerCounts) + " | head -60", &out);
      ADD_FAILURE() << "Zira (-) and the pandas peer (+) disagree:\n" << out;
    }
  }

  fs::path fDir;
  std::string fZira, fPeer;
};

// The sum over split groups of one count of the canonical JSON.
long Total(const nlohmann::json& doc, const std::string& table, const std::string& count) {
  long total = 0;
  for (const auto& [split, tables] : doc["splits"].items())
    if (tables.contains(table)) total += tables[table].value(count, 0L);
  return total;
}

TEST_F(PeerAgreement, ZiraAndThePeerFindTheSameProblemsInTheStandardDataset) {
  RunBoth("standard", "20000");
  if (HasFailure() || IsSkipped()) return;
  // The comparison means something only when every kind of problem occurs in the data.
  const auto doc = nlohmann::json::parse(fPeer);
  ASSERT_EQ(doc["splits"].size(), 4u);
  EXPECT_GT(Total(doc, "incomplete_ids", "count"), 0);
  EXPECT_GT(Total(doc, "duplicate_ids", "groups"), 0);
  EXPECT_GT(Total(doc, "empty_cases", "count"), 0);
  EXPECT_GT(Total(doc, "case_report", "rows"), 0);
  const auto& first = doc["splits"].begin().value();
  EXPECT_TRUE(first["case_report"]["more_note"].get<bool>());
  EXPECT_EQ(first["cross_rules"].size(), 1u);
  EXPECT_EQ(first["rule_summary"].size(), 2u);
  for (const char* kind : {"cat_constant", "cat_onecase", "scale_missing", "scale_cv"})
    EXPECT_TRUE(first["variable_checks"].contains(kind)) << kind;
}

TEST_F(PeerAgreement, ZiraAndThePeerAgreeOnAHighCardinalityVariable) {
  RunBoth("highcard", "3000");
  if (HasFailure() || IsSkipped()) return;
  // `code` takes a value of its own in every case that is not empty: all one-case categories.
  const auto doc = nlohmann::json::parse(fPeer);
  const auto& oneCase = doc["splits"].begin().value()["variable_checks"]["cat_onecase"];
  EXPECT_NE(std::find(oneCase.begin(), oneCase.end(), "code"), oneCase.end()) << oneCase;
}

TEST_F(PeerAgreement, ZiraAndThePeerAgreeOnAThreeColumnHighCardinalityFile) {
  RunBoth("highcard3", "3000");
}

TEST_F(PeerAgreement, ZiraAndThePeerAgreeOnAWideDataset) { RunBoth("wide", "300 2000"); }

}  // namespace
