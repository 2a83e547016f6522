#include "host/output/HtmlRenderer.h"

#include "host/output/BpDocument.h"
#include "host/output/OutputText.h"
#include "host/output/TableLayout.h"
#include "host/syntax/ParserMessage.h"

namespace {

const char* kStyle = R"(
*{box-sizing:border-box}
body{margin:0;font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;color:#1d2330;background:#fff}
.page{display:flex;align-items:flex-start}
nav.outline{position:sticky;top:0;flex:0 0 16rem;height:100vh;overflow:auto;padding:1rem;
  border-right:1px solid #d5d9e0;background:#f5f6f8;font-size:13px}
nav.outline h2{font-size:13px;text-transform:uppercase;letter-spacing:.05em;color:#5a6272;margin:0 0 .5rem}
nav.outline ul{list-style:none;margin:0;padding-left:.9rem}
nav.outline>ul{padding-left:0}
nav.outline li{margin:.15rem 0;overflow-wrap:anywhere}
nav.outline a{color:#1f4e9a;text-decoration:none}
nav.outline a:hover{text-decoration:underline}
nav.outline li.split{color:#7a4a00;font-weight:600;margin-top:.5rem}
main{flex:1 1 auto;min-width:0;padding:1rem 2rem 3rem}
h1,h2,h3,h4,h5,h6{margin:1.4rem 0 .6rem;overflow-wrap:anywhere}
h1{font-size:1.5rem;border-bottom:2px solid #1d2330;padding-bottom:.2rem}
h2{font-size:1.25rem}h3{font-size:1.1rem}h4,h5,h6{font-size:1rem}
.split{margin:1.6rem 0 .4rem;padding:.3rem .6rem;background:#fff4e0;border-left:4px solid #d08a00;
  font-weight:600;overflow-wrap:anywhere}
.pivot{margin:0 0 1.5rem;max-width:100%;overflow-x:auto}
table{border-collapse:collapse;margin:.2rem 0}
div.ttitle{font-weight:600;padding:.2rem 0;overflow-wrap:anywhere}
th,td{border:1px solid #b9bfca;padding:.2rem .5rem;vertical-align:top;text-align:left;
  max-width:40rem;overflow-wrap:break-word}
thead th{background:#e9ecf1}
tbody th{background:#f5f6f8;font-weight:normal}
th.group{font-weight:600}
td.num{text-align:right;font-variant-numeric:tabular-nums}
sup{font-size:.75em;color:#7a4a00}
.tcaption{margin:.2rem 0;color:#3c4350;overflow-wrap:anywhere}
ol.footnotes{list-style:none;margin:.2rem 0;padding:0;font-size:.9em}
.empty{color:#5a6272;font-style:italic}
.msg{margin:.8rem 0;padding:.5rem .8rem;border-left:4px solid;white-space:pre-wrap;overflow-wrap:anywhere}
.msg.warning{background:#fff8e1;border-color:#e0a800}
.msg.error{background:#fdecea;border-color:#c62828}
.msg strong{display:block}
p.text{white-space:pre-wrap;overflow-wrap:anywhere}
@media print{nav.outline{display:none}main{padding:0}.pivot{overflow:visible}
  tr,.msg{break-inside:avoid}h1,h2,h3,.split{break-after:avoid}}
)";

// Escaped text with line breaks as <br>.
std::string Html(const std::string& s) {
  std::string e = EscapeHtml(s), out;
  for (char c : e) {
    if (c == '\n')
      out += "<br>";
    else
      out += c;
  }
  return out;
}

std::string Sup(const std::vector<std::string>& marks) {
  std::string out;
  for (size_t i = 0; i < marks.size(); ++i) out += "<sup>" + EscapeHtml(marks[i]) + "</sup>";
  return out;
}

std::string SplitText(const BpSplit& split) {
  std::string s = ParserMessage::Translate("Split") + ": ";
  for (size_t i = 0; i < split.size(); ++i)
    s += (i ? ", " : "") + split[i].first + " = " + split[i].second;
  return s;
}

std::string GridHtml(const BpTableGrid& grid) {
  std::string out = "<table>\n";
  int minPx = grid.minDataWidthPoints * 4 / 3;  // points to CSS pixels
  size_t i = 0;
  for (int r = 0; r < grid.rows; ++r) {
    if (r == 0 && grid.headerRows > 0) out += "<thead>\n";
    if (r == grid.headerRows) out += "<tbody>\n";
    out += "<tr>";
    for (; i < grid.cells.size() && grid.cells[i].row == r; ++i) {
      const BpGridCell& c = grid.cells[i];
      bool data = c.role == BpGridCell::Role::kData;
      std::string tag = data ? "td" : "th";
      out += "<" + tag;
      if (c.rowSpan > 1) out += " rowspan=\"" + std::to_string(c.rowSpan) + "\"";
      if (c.colSpan > 1) out += " colspan=\"" + std::to_string(c.colSpan) + "\"";
      if (c.numeric)
        out += " class=\"num\"";
      else if (c.group)
        out += " class=\"group\"";
      if (!c.tooltip.empty()) out += " title=\"" + EscapeHtml(c.tooltip) + "\"";
      if (data && minPx > 0) out += " style=\"min-width:" + std::to_string(minPx) + "px\"";
      out += ">" + Html(c.text) + Sup(c.marks) + "</" + tag + ">";
    }
    out += "</tr>\n";
    if (r + 1 == grid.headerRows) out += "</thead>\n";
  }
  if (grid.rows > grid.headerRows) out += "</tbody>\n";
  return out + "</table>\n";
}

class HtmlWriter {
 public:
  void Items(const std::vector<std::unique_ptr<BpDocItem>>& items, int depth) {
    for (const auto& item : items) Item(*item, depth);
  }
  std::string fBody;
  std::string fOutline;

 private:
  void Item(const BpDocItem& item, int depth) {
    if (item.kind == BpItemKind::kTable && !item.table->ShowWhenEmpty() &&
        item.table->Cells().empty())
      return;
    if (item.split != fSplit) {
      fSplit = item.split;
      if (!fSplit.empty()) {
        std::string text = Html(SplitText(fSplit));
        fBody += "<div class=\"split\">" + text + "</div>\n";
        fOutline += "<li class=\"split\">" + text + "</li>\n";
      }
    }
    switch (item.kind) {
      case BpItemKind::kHeading: {
        std::string id = "h" + std::to_string(++fHeadings);
        int level = depth + 1 > 6 ? 6 : depth + 1;
        std::string h = "h" + std::to_string(level);
        fBody += "<section>\n<" + h + " id=\"" + id + "\">" + Html(item.text) + "</" + h + ">\n";
        fOutline += "<li><a href=\"#" + id + "\">" + Html(item.text) + "</a>\n<ul>\n";
        Items(item.items, depth + 1);
        fBody += "</section>\n";
        fOutline += "</ul></li>\n";
        break;
      }
      case BpItemKind::kTable:
        Table(*item.table);
        break;
      case BpItemKind::kWarning:
      case BpItemKind::kError: {
        bool error = item.kind == BpItemKind::kError;
        std::string label = ParserMessage::Translate(error ? "Error" : "Warning");
        fBody += std::string("<div class=\"msg ") + (error ? "error" : "warning") + "\"><strong>" +
                 Html(label) + "</strong>" + Html(item.text) + "</div>\n";
        break;
      }
      case BpItemKind::kNotes: {
        std::string id = "t" + std::to_string(++fTables);
        fBody += "<div class=\"pivot\" id=\"" + id + "\">\n<div class=\"ttitle\">" +
                 Html(item.text) + "</div>\n<table class=\"notes\">\n<tbody>\n";
        for (const BpNoteLine& line : item.notes)
          fBody += "<tr><th>" + Html(line.label) + "</th><td>" + Html(line.value) + "</td></tr>\n";
        fBody += "</tbody>\n</table></div>\n";
        fOutline += "<li><a href=\"#" + id + "\">" + Html(item.text) + "</a></li>\n";
        break;
      }
      case BpItemKind::kText:
        fBody += "<p class=\"text\">" + Html(item.text) + "</p>\n";
        break;
    }
  }

  void Table(const BpPivotTable& t) {
    std::string id = "t" + std::to_string(++fTables);
    BpTableGrid grid = LayoutTable(t);
    fBody += "<div class=\"pivot\" id=\"" + id + "\" data-table=\"" + EscapeHtml(t.Identifier()) +
             "\">\n<div class=\"ttitle\">" + Html(t.Title().text) + Sup(grid.titleMarks) +
             "</div>\n";
    if (grid.empty) {
      fBody += "<p class=\"empty\">" + Html(ParserMessage::Translate("empty table")) + "</p>\n";
    } else {
      fBody += GridHtml(grid);
    }
    if (!t.CaptionText().empty())
      fBody += "<p class=\"tcaption\">" + Html(t.CaptionText()) + "</p>\n";
    if (!grid.footnotes.empty()) {
      fBody += "<ol class=\"footnotes\">\n";
      for (const auto& [mark, text] : grid.footnotes)
        fBody += "<li><sup>" + EscapeHtml(mark) + "</sup> " + Html(text) + "</li>\n";
      fBody += "</ol>\n";
    }
    fBody += "</div>\n";
    fOutline += "<li><a href=\"#" + id + "\">" + Html(t.Title().text) + "</a></li>\n";
  }

  BpSplit fSplit;
  int fHeadings = 0;
  int fTables = 0;
};

}  // namespace

std::string RenderHtml(const BpDocument& doc, const std::string& title) {
  HtmlWriter w;
  w.Items(doc.Items(), 0);
  std::string out;
  out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  out += "<title>" + Html(title) + "</title>\n<style>" + std::string(kStyle) + "</style>\n";
  out += "</head>\n<body>\n<div class=\"page\">\n<nav class=\"outline\">\n<h2>" +
         Html(ParserMessage::Translate("Outline")) + "</h2>\n<ul>\n" + w.fOutline +
         "</ul>\n</nav>\n";
  out += "<main>\n" + w.fBody + "</main>\n</div>\n</body>\n</html>\n";
  return out;
}
