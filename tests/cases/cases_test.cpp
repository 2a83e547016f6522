// Golden end-to-end cases: every folder under tests/cases/ that holds a job.zsx is one test.
// The folder is copied to a temporary folder, the job runs there with the command runner in a
// fresh session whose output document is attached, and the JSON report is compared with the
// folder's expected.json. A job that writes out.csv has it compared with expected_data.csv
// (and out.schema.json with expected_data.schema.json). ZIRA_UPDATE_GOLDEN=1 rewrites the
// expected files from the run instead of comparing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "host/commands/CommandRunner.h"
#include "host/output/BpDocument.h"
#include "host/output/JsonRenderer.h"
#include "host/session/Session.h"

namespace fs = std::filesystem;

namespace {

const char* const kJob = "job.zsx";
const char* const kExpectedReport = "expected.json";
const char* const kWrittenData = "out.csv";
const char* const kWrittenSchema = "out.schema.json";
const char* const kExpectedData = "expected_data.csv";
const char* const kExpectedSchema = "expected_data.schema.json";

fs::path CasesFolder() { return fs::path(ZIRA_SOURCE_DIR) / "tests" / "cases"; }

bool UpdateGolden() {
  const char* v = std::getenv("ZIRA_UPDATE_GOLDEN");
  return v != nullptr && std::string(v) == "1";
}

// The names of the case folders, sorted.
std::vector<std::string> FindCases() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(CasesFolder(), ec))
    if (entry.is_directory() && fs::exists(entry.path() / kJob))
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadFile(const fs::path& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  *text = out.str();
  return true;
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

// A label for a step into an object in a difference path: its id, else its title.
std::string Tag(const nlohmann::json& object) {
  for (const char* key : {"id", "title"})
    if (object.contains(key) && object[key].is_string())
      return "[" + object[key].get<std::string>() + "]";
  return "";
}

// The first place where `actual` differs from `expected`, as a path from the root with the two
// values; empty when they are equal. Object keys are compared as sets; arrays element by element.
std::string FirstDifference(const nlohmann::json& expected, const nlohmann::json& actual,
                            const std::string& path) {
  const std::string where = path.empty() ? "/" : path;
  if (expected.type() != actual.type() || (!expected.is_object() && !expected.is_array())) {
    if (expected == actual) return "";
    return where + ": expected " + expected.dump() + ", found " + actual.dump();
  }
  if (expected.is_object()) {
    const std::string tag = Tag(expected);
    for (const auto& [key, value] : expected.items()) {
      if (!actual.contains(key)) return where + tag + ": the key \"" + key + "\" is missing";
      std::string d = FirstDifference(value, actual[key], path + tag + "/" + key);
      if (!d.empty()) return d;
    }
    for (const auto& [key, value] : actual.items())
      if (!expected.contains(key))
        return where + tag + ": an unexpected key \"" + key + "\" = " + value.dump();
    return "";
  }
  const size_t n = std::min(expected.size(), actual.size());
  for (size_t i = 0; i < n; ++i) {
    std::string d = FirstDifference(expected[i], actual[i], path + "/" + std::to_string(i));
    if (!d.empty()) return d;
  }
  if (expected.size() > n)
    return where + ": " + std::to_string(expected.size() - n) + " element(s) missing, first " +
           expected[n].dump().substr(0, 300);
  if (actual.size() > n)
    return where + ": " + std::to_string(actual.size() - n) + " unexpected element(s), first " +
           actual[n].dump().substr(0, 300);
  return "";
}

// The first line where two texts differ, or empty.
std::string FirstDifferentLine(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected), a(actual);
  std::string le, la;
  for (int line = 1;; ++line) {
    const bool he = static_cast<bool>(std::getline(e, le));
    const bool ha = static_cast<bool>(std::getline(a, la));
    if (!he && !ha) return "";
    if (he != ha || le != la)
      return "line " + std::to_string(line) + ": expected \"" + (he ? le : "<end>") +
             "\", found \"" + (ha ? la : "<end>") + "\"";
  }
}

// Runs with the process's working directory set to a folder, restoring it after: the runner
// names the job file as given in its messages, so the job is run as plain "job.zsx".
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const fs::path& dir) : fPrevious(fs::current_path()) {
    fs::current_path(dir);
  }
  ~WorkingDirectory() { fs::current_path(fPrevious); }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  fs::path fPrevious;
};

class GoldenCase : public testing::TestWithParam<std::string> {
 protected:
  // A copy of the case folder without its expected files, in a fresh temporary folder.
  fs::path CopyCase(const fs::path& source) {
    const fs::path dir =
        fs::temp_directory_path() / ("zira-golden-" + std::to_string(getpid())) / GetParam();
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(source)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("expected", 0) == 0) continue;
      fs::copy(entry.path(), dir / name, fs::copy_options::recursive);
    }
    return dir;
  }

  // Compares a written file with its expected copy, or rewrites the copy in update mode.
  void CheckWritten(const fs::path& written, const fs::path& expected, bool asJson) {
    std::string actualText, expectedText;
    const bool wrote = ReadFile(written, &actualText);
    if (UpdateGolden()) {
      if (wrote) WriteFile(expected, actualText);
      return;
    }
    const bool have = ReadFile(expected, &expectedText);
    if (!wrote && !have) return;
    ASSERT_TRUE(have) << "the job wrote " << written.filename() << " but the case has no "
                      << expected.filename() << "; run with ZIRA_UPDATE_GOLDEN=1 to make it";
    ASSERT_TRUE(wrote) << "the job did not write " << written.filename() << ", which "
                       << expected.filename() << " expects";
    if (asJson) {
      const nlohmann::json e = nlohmann::json::parse(expectedText, nullptr, false);
      const nlohmann::json a = nlohmann::json::parse(actualText, nullptr, false);
      ASSERT_FALSE(e.is_discarded()) << expected.filename() << " is not valid JSON";
      ASSERT_FALSE(a.is_discarded()) << written.filename() << " is not valid JSON";
      const std::string d = FirstDifference(e, a, "");
      EXPECT_TRUE(d.empty()) << written.filename() << " differs from " << expected.filename()
                             << " at " << d;
    } else {
      const std::string d = FirstDifferentLine(expectedText, actualText);
      EXPECT_TRUE(d.empty()) << written.filename() << " differs from " << expected.filename()
                             << " at " << d;
    }
  }
};

TEST_P(GoldenCase, ReportAndWrittenDataMatchTheExpectedFiles) {
  const fs::path source = CasesFolder() / GetParam();
  const fs::path dir = CopyCase(source);

  Session session;
  BpDocument doc;
  AttachDocument(session, doc);
  {
    WorkingDirectory cwd(dir);
    CommandRunner runner(session);
    runner.RunFile(kJob);  // a failing job is a case too: its report shows the failure
  }
  const std::string report = RenderJson(doc);

  if (UpdateGolden()) {
    WriteFile(source / kExpectedReport, report + (report.back() == '\n' ? "" : "\n"));
  } else {
    std::string expectedText;
    ASSERT_TRUE(ReadFile(source / kExpectedReport, &expectedText))
        << "no " << kExpectedReport << " in " << source
        << "; run with ZIRA_UPDATE_GOLDEN=1 to make it";
    const nlohmann::json expected = nlohmann::json::parse(expectedText, nullptr, false);
    ASSERT_FALSE(expected.is_discarded()) << kExpectedReport << " is not valid JSON";
    const std::string d = FirstDifference(expected, nlohmann::json::parse(report), "");
    EXPECT_TRUE(d.empty()) << "the report differs from " << kExpectedReport << " at " << d
                           << "\nthe run's files are in " << dir;
  }
  CheckWritten(dir / kWrittenData, source / kExpectedData, false);
  CheckWritten(dir / kWrittenSchema, source / kExpectedSchema, true);
  if (!HasFailure()) {
    fs::remove_all(dir);
    std::error_code ec;
    fs::remove(dir.parent_path(), ec);  // the run's folder, once no other case is left in it
  }
}

std::string CaseName(const testing::TestParamInfo<std::string>& info) { return info.param; }

INSTANTIATE_TEST_SUITE_P(Cases, GoldenCase, testing::ValuesIn(FindCases()), CaseName);

}  // namespace
