// The three renderers on awkward input: labels that look like markup, invalid UTF-8, very long
// labels and narrow terminals, tables without cells, and tables hidden when empty.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "host/output/BpDocument.h"
#include "host/output/BpProcedure.h"
#include "host/output/HtmlRenderer.h"
#include "host/output/JsonRenderer.h"
#include "host/output/OutputText.h"
#include "host/output/TextRenderer.h"

namespace {

BpString U(const std::string& s) { return BpString(s, false); }

// One table "Data" whose single category and cell hold the given texts.
void OneCell(BpDocument& doc, const std::string& label, const std::string& cell,
             const std::string& tooltip = "") {
  BpPivotTable* t = doc.AddHeading("Heading")->PivotTable(U("Data"), U("Data"), true);
  BpDimension* d = t->Dimension(U("Variable"), 2);
  BpDimension* c = t->Dimension(U("Summary"), 2);
  c->Position(1, 1, false, false);
  BpCategory* n = c->Category(U("Value"));
  d->Category(BpVariable(label, tooltip, 2));
  n->Cell(U(cell));
}

TEST(Renderers, MarkupInDataLabelsShowsAsText) {
  BpDocument doc;
  OneCell(doc, "<script>alert(1)</script>", "a & b", "\"quoted\" <label>");
  std::string html = RenderHtml(doc);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find("title=\"&quot;quoted&quot; &lt;label&gt;\""), std::string::npos);
  EXPECT_NE(html.find("a &amp; b"), std::string::npos);
  nlohmann::json j = nlohmann::json::parse(RenderJson(doc));
  EXPECT_EQ(j["items"][0]["items"][0]["cells"][0]["path"][0][0], "<script>alert(1)</script>");
}

TEST(Renderers, InvalidUtf8IsReplacedNotPassedOn) {
  BpDocument doc;
  OneCell(doc, "caf\xE9", "\xFF\xFE");
  std::string json = RenderJson(doc);
  EXPECT_TRUE(nlohmann::json::accept(json));
  EXPECT_NE(json.find("caf\xEF\xBF\xBD"), std::string::npos);
  EXPECT_NE(RenderHtml(doc).find("caf\xEF\xBF\xBD"), std::string::npos);
  EXPECT_NE(RenderText(doc, 80).find("caf\xEF\xBF\xBD"), std::string::npos);
}

TEST(Renderers, VeryLongLabelsWrapWithinTheTerminalWidth) {
  BpDocument doc;
  std::string longLabel;
  for (int i = 0; i < 60; ++i) longLabel += "word" + std::to_string(i) + " ";
  OneCell(doc, std::string(300, 'x'), longLabel);
  doc.AddMessage(2, longLabel);
  for (int width : {40, 80, 132}) {
    std::string text = RenderText(doc, width);
    size_t start = 0, lines = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      EXPECT_LE(DisplayWidth(text.substr(start, end - start)), width)
          << text.substr(start, end - start);
      start = end + 1;
      ++lines;
    }
    EXPECT_GT(lines, 10u);
    EXPECT_NE(text.find("word59"), std::string::npos);  // nothing is cut off
  }
}

TEST(Renderers, WideCharactersKeepTheBoxAligned) {
  BpDocument doc;
  OneCell(doc, "年齢", "東京");
  std::string text = RenderText(doc, 80);
  std::vector<int> widths;
  for (size_t s = text.find("+-"); s != std::string::npos && s < text.size();) {
    size_t e = text.find('\n', s);
    std::string line = text.substr(s, e - s);
    if (line.empty() || (line[0] != '+' && line[0] != '|')) break;
    widths.push_back(DisplayWidth(line));
    s = e + 1;
  }
  ASSERT_GE(widths.size(), 5u);
  for (int w : widths) EXPECT_EQ(w, widths[0]);
}

TEST(Renderers, ATableWithoutCellsShowsItsTitleAsAnEmptyTable) {
  BpDocument doc;
  BpPivotTable* t = doc.AddHeading("H")->PivotTable(U("Incomplete Identifiers"),
                                                    U("IncompleteIdentifiers"), true);
  t->Dimension(U("Case"), 2);
  t->Dimension(U("Identifier"), 2)->Position(1, 1, false, false);
  std::string text = RenderText(doc, 80);
  EXPECT_NE(text.find("Incomplete Identifiers\n(empty table)"), std::string::npos) << text;
  EXPECT_NE(RenderHtml(doc).find("<div class=\"ttitle\">Incomplete Identifiers</div>"),
            std::string::npos);
  nlohmann::json j = nlohmann::json::parse(RenderJson(doc));
  EXPECT_TRUE(j["items"][0]["items"][0]["cells"].empty());
  EXPECT_EQ(j["items"][0]["items"][0]["dimensions"].size(), 2u);
}

TEST(Renderers, TablesHiddenWhenEmptyAreLeftOutOfTextAndHtmlOnly) {
  BpDocument doc;
  doc.AddHeading("H")->PivotTable(U("Quiet Table"), U("Quiet"), false);
  EXPECT_EQ(RenderText(doc, 80).find("Quiet Table"), std::string::npos);
  EXPECT_EQ(RenderHtml(doc).find("Quiet Table"), std::string::npos);
  EXPECT_NE(RenderJson(doc).find("Quiet Table"), std::string::npos);
}

TEST(Renderers, NumericCellsCarryTheirValueInJsonAndAlignRight) {
  BpDocument doc;
  BpPivotTable* t = doc.AddHeading("H")->PivotTable(U("T"), U("T"), true);
  BpDimension* d = t->Dimension(U("Rule"), 2);
  d->Category(U("a rule"))->Cell(BpNumber(1234, BpProcedure::Count));
  d->Category(U("b"))->Cell(BpNumber(MCMV::gMissingValue, BpProcedure::GeneralStat));
  nlohmann::json cells = nlohmann::json::parse(RenderJson(doc))["items"][0]["items"][0]["cells"];
  EXPECT_EQ(cells[0]["value"], 1234);
  EXPECT_EQ(cells[1]["text"], ".");
  EXPECT_FALSE(cells[1].contains("value"));
  EXPECT_NE(RenderText(doc, 80).find("| a rule | 1234 |"), std::string::npos)
      << RenderText(doc, 80);
  EXPECT_NE(RenderText(doc, 80).find("| b      |    . |"), std::string::npos);
  EXPECT_NE(RenderHtml(doc).find("<td class=\"num\">1234</td>"), std::string::npos);
}

TEST(Renderers, TheHtmlOutlineLinksEveryHeadingAndTable) {
  BpDocument doc;
  OneCell(doc, "v", "x");
  std::string html = RenderHtml(doc);
  EXPECT_NE(html.find("<a href=\"#h1\">Heading</a>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"#t1\">Data</a>"), std::string::npos);
  EXPECT_NE(html.find("id=\"t1\""), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("http"), std::string::npos);  // nothing external
}

TEST(TextWrapping, BreaksAtBlanksAndCutsWordsLongerThanTheColumn) {
  EXPECT_EQ(WrapText("one two three", 7), (std::vector<std::string>{"one two", "three"}));
  EXPECT_EQ(WrapText("abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
  EXPECT_EQ(WrapText("a\n\nb", 10), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(WrapText("", 10), std::vector<std::string>{""});
  EXPECT_EQ(WrapText("東京都", 3), (std::vector<std::string>{"東", "京", "都"}));
}

}  // namespace

namespace {

// The JSON text is written straight out, not through a tree of values; its layout must still
// be exactly the two-blank pretty print of the value it holds, whatever the content.
TEST(Renderers, JsonTextIsTheCanonicalPrettyPrintOfItsValue) {
  BpDocument doc;
  OneCell(doc, "tab\there \"q\" back\\slash \x01 caf\xC3\xA9", "line\nbreak");
  BpPivotTable* t = doc.AddHeading("Numbers")->PivotTable(U("Numbers"), U("Numbers"), false);
  BpDimension* rows = t->Dimension(U("Row"), 2);
  BpDimension* cols = t->Dimension(U("Column"), 2);
  cols->Position(1, 1, false, false);
  BpCategory* col = cols->Group(U("Group"), true, 2)->Category(U("Value"));
  col->Note(BpAnnotation(U("A footnote")));
  for (double v : {3.0, 0.1, -2.5, 1e20, 1.0 / 3.0, 123456789.0}) {
    rows->Category(BpNumber(v, BpProcedure::GeneralStat));
    col->Cell(BpNumber(v, BpProcedure::Count));
  }
  t->Caption(std::string("A caption"));
  doc.AddMessage(2, "a warning \xFF with a bad byte");
  doc.AddHeading("Empty");
  const std::string text = RenderJson(doc);
  const nlohmann::ordered_json value = nlohmann::ordered_json::parse(text);
  EXPECT_EQ(text, value.dump(2) + "\n");
  EXPECT_EQ(value["items"][1]["items"][0]["cells"].size(), 6u);
}

// Values are written as nlohmann writes a floating-point value, whatever path the writer takes
// for them (whole numbers have their own).
TEST(Renderers, JsonValuesAreWrittenAsNlohmannWritesADouble) {
  BpDocument doc;
  BpPivotTable* t = doc.AddHeading("Numbers")->PivotTable(U("Numbers"), U("Numbers"), false);
  BpDimension* rows = t->Dimension(U("Row"), 2);
  const std::vector<double> values = {0.0,  -0.0, 1.0,   -7.0, 12345678.0, 999999999999999.0,
                                      1e15, 1e16, -1e15, 2.5,  5e-5,       -123.25};
  for (size_t i = 0; i < values.size(); ++i)
    rows->Category(U("r" + std::to_string(i)))->Cell(BpNumber(values[i], BpProcedure::Count));
  const std::string text = RenderJson(doc);
  for (double v : values) {
    SCOPED_TRACE(v);
    EXPECT_NE(text.find("\"value\": " + nlohmann::json(v).dump() + "\n"), std::string::npos);
  }
}

}  // namespace

TEST(Renderers, JsonWrittenAsItIsMadeEqualsTheWholeText) {
  // A report of several megabytes reaches the stream in pieces, cut anywhere in its text.
  BpDocument doc;
  BpPivotTable* t = doc.AddHeading("H")->PivotTable(U("Big"), U("Big"), true);
  BpDimension* d = t->Dimension(U("Case"), 2);
  for (int i = 0; i < 40000; ++i)
    d->Category(U("case " + std::to_string(i) + (i % 7 ? "" : " caf\xE9")))
        ->Cell(BpNumber(i * 0.5, BpProcedure::GeneralStat));
  const std::string whole = RenderJson(doc);
  ASSERT_GT(whole.size(), size_t{3} << 20);
  std::ostringstream streamed;
  RenderJson(doc, streamed);
  EXPECT_TRUE(streamed.str() == whole);
  EXPECT_EQ(whole.back(), '\n');
}
