// Golden tests: the sample documents rendered as text, HTML and JSON match the checked-in files
// under tests/output/golden/ (ZIRA_UPDATE_GOLDEN=1 rewrites them). The golden JSON is checked
// against docs/report-schema.json and the golden HTML is screenshot in headless Chromium, each
// skipped when its tool is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/output/BpDocument.h"
#include "host/output/HtmlRenderer.h"
#include "host/output/JsonRenderer.h"
#include "host/output/TextRenderer.h"
#include "tests/output/output_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kGolden = fs::path(ZIRA_SOURCE_DIR) / "tests/output/golden";

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool Updating() {
  const char* v = std::getenv("ZIRA_UPDATE_GOLDEN");
  return v && std::string(v) == "1";
}

void CheckGolden(const std::string& file, const std::string& actual) {
  fs::path p = kGolden / file;
  if (Updating()) {
    std::ofstream(p, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(fs::exists(p)) << p << " is missing; run with ZIRA_UPDATE_GOLDEN=1 to make it";
  std::string expected = ReadFile(p);
  if (expected == actual) return;
  std::istringstream e(expected), a(actual);
  std::string le, la;
  int line = 1;
  while (true) {
    bool moreE = static_cast<bool>(std::getline(e, le)),
         moreA = static_cast<bool>(std::getline(a, la));
    if (!moreE && !moreA) break;
    if (!moreE || !moreA || le != la) {
      ADD_FAILURE() << p << " differs at line " << line
                    << "\n  expected: " << (moreE ? le : "(end)")
                    << "\n  actual:   " << (moreA ? la : "(end)")
                    << "\n(ZIRA_UPDATE_GOLDEN=1 rewrites the file after review)";
      return;
    }
    ++line;
  }
  ADD_FAILURE() << p << " differs in its line ends";
}

bool HasCommand(const std::string& probe) {
  return std::system((probe + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

void PrintTo(const SampleDocument& s, std::ostream* os) { *os << s.name; }

namespace {

class GoldenRendering : public ::testing::TestWithParam<SampleDocument> {};

TEST_P(GoldenRendering, TextHtmlAndJsonMatchTheCheckedInFiles) {
  BpDocument doc;
  GetParam().build(doc);
  CheckGolden(GetParam().name + ".txt", RenderText(doc, 80));
  CheckGolden(GetParam().name + ".html", RenderHtml(doc));
  CheckGolden(GetParam().name + ".json", RenderJson(doc));
}

TEST_P(GoldenRendering, RenderingTheSameDocumentTwiceGivesTheSameBytes) {
  BpDocument a, b;
  GetParam().build(a);
  GetParam().build(b);
  EXPECT_EQ(RenderText(a, 72), RenderText(b, 72));
  EXPECT_EQ(RenderJson(a), RenderJson(b));
}

INSTANTIATE_TEST_SUITE_P(Samples, GoldenRendering, ::testing::ValuesIn(SampleDocuments()),
                         [](const auto& info) { return info.param.name; });

TEST(ReportSchema, GoldenJsonFilesValidateAgainstTheSchema) {
  if (!HasCommand("python3 -c 'import jsonschema'"))
    GTEST_SKIP() << "python3 with jsonschema is not installed (Debian: python3-jsonschema)";
  fs::path schema = fs::path(ZIRA_SOURCE_DIR) / "docs/report-schema.json";
  ASSERT_TRUE(fs::exists(schema));
  for (const SampleDocument& s : SampleDocuments()) {
    fs::path json = kGolden / (s.name + ".json");
    std::string cmd =
        "python3 -c 'import json,sys,jsonschema; "
        "jsonschema.validate(json.load(open(sys.argv[2])), json.load(open(sys.argv[1])), "
        "format_checker=None)' '" +
        schema.string() + "' '" + json.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << json << " does not validate against " << schema;
  }
}

TEST(ReportSchema, SchemaRejectsAnItemOfUnknownKind) {
  if (!HasCommand("python3 -c 'import jsonschema'"))
    GTEST_SKIP() << "python3 with jsonschema is not installed (Debian: python3-jsonschema)";
  fs::path schema = fs::path(ZIRA_SOURCE_DIR) / "docs/report-schema.json";
  fs::path bad = fs::temp_directory_path() / "zira_bad_report.json";
  std::ofstream(bad)
      << R"({"format":"zira-report","version":1,"items":[{"kind":"chart","split":[]}]})";
  std::string cmd =
      "python3 -c 'import json,sys,jsonschema; "
      "jsonschema.validate(json.load(open(sys.argv[2])), json.load(open(sys.argv[1])))' '" +
      schema.string() + "' '" + bad.string() + "' 2>/dev/null";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  fs::remove(bad);
}

TEST(HtmlScreenshot, GoldenPagesRenderInHeadlessChromium) {
  std::string browser;
  for (const char* b : {"chromium", "chromium-browser"})
    if (HasCommand(std::string("command -v ") + b)) browser = b;
  if (browser.empty()) GTEST_SKIP() << "chromium is not installed (Debian: chromium)";
  fs::path dir = fs::temp_directory_path() / "zira_html_shot";
  fs::create_directories(dir);
  for (const SampleDocument& s : SampleDocuments()) {
    fs::path png = dir / (s.name + ".png");
    fs::remove(png);
    std::string cmd = browser +
                      " --headless --no-sandbox --disable-gpu --disable-background-networking"
                      " --disable-component-update --disable-sync --no-first-run --user-data-dir=" +
                      (dir / "profile").string() +
                      " --window-size=1200,900 --screenshot=" + png.string() + " 'file://" +
                      (kGolden / (s.name + ".html")).string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    ASSERT_TRUE(fs::exists(png)) << "no screenshot of " << s.name;
    EXPECT_GT(fs::file_size(png), 5000u) << "the screenshot of " << s.name << " looks blank";
  }
}

}  // namespace
