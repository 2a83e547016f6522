#include "host/output/TextRenderer.h"

#include <utf8proc.h>

#include <algorithm>
#include <cassert>
#include <cstdint>

#include "host/output/BpDocument.h"
#include "host/output/OutputText.h"
#include "host/output/TableLayout.h"
#include "host/syntax/ParserMessage.h"

namespace {

constexpr int kNarrowest = 20;   // below this a width means "do not wrap"
constexpr int kLeastColumn = 6;  // columns are not squeezed below this (or their natural width)

// A drawing surface of code points; 0 marks the second half of a wide character.
class Canvas {
 public:
  Canvas(int w, int h) : fW(w), fCells(static_cast<size_t>(w) * static_cast<size_t>(h), U' ') {}
  void Line(int x, int y, char32_t ch) {
    char32_t& cur = At(x, y);
    if (cur == U' ' || cur == ch)
      cur = ch;
    else if (cur == U'-' || cur == U'|' || cur == U'+')
      cur = U'+';
    else
      cur = ch;
  }
  void Text(int x, int y, const std::string& s) {
    for (size_t i = 0; i < s.size();) {
      utf8proc_int32_t cp = 0;
      utf8proc_ssize_t n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + i),
                                            static_cast<utf8proc_ssize_t>(s.size() - i), &cp);
      if (n <= 0) {
        cp = 0xFFFD;
        n = 1;
      }
      i += static_cast<size_t>(n);
      int w = DisplayWidth(std::string(s.data() + i - n, static_cast<size_t>(n)));
      if (w == 0) continue;  // combining marks are dropped rather than misaligning the box
      At(x, y) = static_cast<char32_t>(cp);
      if (w == 2) At(x + 1, y) = 0;
      x += w;
    }
  }
  std::string Str() const {
    std::string out;
    size_t h = fCells.size() / static_cast<size_t>(fW);
    for (size_t y = 0; y < h; ++y) {
      std::string line;
      for (int x = 0; x < fW; ++x) {
        char32_t c = fCells[y * static_cast<size_t>(fW) + static_cast<size_t>(x)];
        if (c == 0) continue;
        utf8proc_uint8_t buf[4];
        utf8proc_ssize_t n = utf8proc_encode_char(static_cast<utf8proc_int32_t>(c), buf);
        line.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out += line + "\n";
    }
    return out;
  }

 private:
  char32_t& At(int x, int y) {
    return fCells[static_cast<size_t>(y) * static_cast<size_t>(fW) + static_cast<size_t>(x)];
  }
  int fW;
  std::vector<char32_t> fCells;
};

std::string Shown(const BpGridCell& c) {
  std::string s = MakeValidUtf8(c.text);
  if (!c.marks.empty()) {
    s += " [";
    for (size_t i = 0; i < c.marks.size(); ++i) s += (i ? "," : "") + c.marks[i];
    s += "]";
  }
  return s;
}

int NaturalWidth(const std::string& s) {
  int w = 0;
  for (const std::string& line : WrapText(s, 0)) w = std::max(w, DisplayWidth(line));
  return w;
}

// Appends `text` wrapped to width, each line after `indent` (the first after `first`).
void AppendWrapped(std::string& out, const std::string& text, int width, const std::string& first,
                   const std::string& indent) {
  int avail = width >= kNarrowest ? std::max(10, width - DisplayWidth(indent)) : 0;
  std::vector<std::string> lines = WrapText(MakeValidUtf8(text), avail);
  for (size_t i = 0; i < lines.size(); ++i) out += (i ? indent : first) + lines[i] + "\n";
}

std::string SplitLine(const BpSplit& split) {
  std::string s = ParserMessage::Translate("Split") + ": ";
  for (size_t i = 0; i < split.size(); ++i)
    s += (i ? ", " : "") + split[i].first + " = " + split[i].second;
  return s;
}

// A framed message: "+- Warning ---+" above the wrapped text.
std::string Framed(const std::string& label, const std::string& text, int width) {
  int inner = width >= kNarrowest ? width - 4 : 0;
  std::vector<std::string> lines = WrapText(MakeValidUtf8(text), inner);
  int w = DisplayWidth(label) + 3;
  for (const std::string& l : lines) w = std::max(w, DisplayWidth(l));
  std::string top = "+- " + label + " " +
                    std::string(static_cast<size_t>(w - DisplayWidth(label) - 1), '-') + "+\n";
  std::string out = top;
  for (const std::string& l : lines)
    out += "| " + l + std::string(static_cast<size_t>(w - DisplayWidth(l)), ' ') + " |\n";
  out += "+" + std::string(static_cast<size_t>(w + 2), '-') + "+\n";
  return out;
}

class TextWriter {
 public:
  explicit TextWriter(int width) : fWidth(width) {}
  void Items(const std::vector<std::unique_ptr<BpDocItem>>& items, int depth) {
    for (const auto& item : items) Item(*item, depth);
  }
  std::string Take() { return std::move(fOut); }

 private:
  void Item(const BpDocItem& item, int depth) {
    if (item.kind == BpItemKind::kTable && !item.table->ShowWhenEmpty() &&
        item.table->Cells().empty())
      return;
    if (item.split != fSplit) {
      fSplit = item.split;
      if (!fSplit.empty()) {
        std::string line = SplitLine(fSplit);
        AppendWrapped(fOut, line, fWidth, "", "  ");
        fOut += std::string(static_cast<size_t>(std::min(DisplayWidth(line), std::max(fWidth, 20))),
                            '#') +
                "\n\n";
      }
    }
    switch (item.kind) {
      case BpItemKind::kHeading: {
        std::string title = MakeValidUtf8(item.text);
        fOut += title + "\n";
        const char* rule = depth == 0 ? "=" : depth == 1 ? "-" : "~";
        fOut +=
            std::string(static_cast<size_t>(std::max(1, DisplayWidth(title))), rule[0]) + "\n\n";
        Items(item.items, depth + 1);
        break;
      }
      case BpItemKind::kTable:
        Table(*item.table);
        break;
      case BpItemKind::kWarning:
        fOut += Framed(ParserMessage::Translate("Warning"), item.text, fWidth) + "\n";
        break;
      case BpItemKind::kError:
        fOut += Framed(ParserMessage::Translate("Error"), item.text, fWidth) + "\n";
        break;
      case BpItemKind::kNotes:
        Notes(item);
        break;
      case BpItemKind::kText:
        AppendWrapped(fOut, item.text, fWidth, "", "");
        fOut += "\n";
        break;
    }
  }

  void Table(const BpPivotTable& t) {
    BpTableGrid grid = LayoutTable(t);
    std::string title = t.Title().text;
    if (!grid.titleMarks.empty()) {
      title += " [";
      for (size_t i = 0; i < grid.titleMarks.size(); ++i)
        title += (i ? "," : "") + grid.titleMarks[i];
      title += "]";
    }
    AppendWrapped(fOut, title, fWidth, "", "  ");
    if (grid.empty)
      fOut += "(" + ParserMessage::Translate("empty table") + ")\n";
    else
      fOut += RenderGridText(grid, fWidth);
    if (!t.CaptionText().empty()) AppendWrapped(fOut, t.CaptionText(), fWidth, "", "");
    for (const auto& [mark, text] : grid.footnotes) {
      std::string first = mark + ". ";
      AppendWrapped(fOut, text, fWidth, first, std::string(first.size(), ' '));
    }
    fOut += "\n";
  }

  void Notes(const BpDocItem& item) {
    BpTableGrid grid;
    grid.labelCols = 1;
    grid.cols = 2;
    grid.rows = static_cast<int>(item.notes.size());
    for (size_t i = 0; i < item.notes.size(); ++i) {
      BpGridCell label;
      label.role = BpGridCell::Role::kRowLabel;
      label.row = static_cast<int>(i);
      label.text = item.notes[i].label;
      BpGridCell value;
      value.row = static_cast<int>(i);
      value.col = 1;
      value.text = item.notes[i].value;
      grid.cells.push_back(std::move(label));
      grid.cells.push_back(std::move(value));
    }
    AppendWrapped(fOut, item.text, fWidth, "", "");
    if (grid.rows > 0) fOut += RenderGridText(grid, fWidth);
    fOut += "\n";
  }

  int fWidth;
  BpSplit fSplit;
  std::string fOut;
};

}  // namespace

std::string RenderGridText(const BpTableGrid& grid, int width) {
  const int n = grid.cols, m = grid.rows;
  if (n == 0 || m == 0) return {};
  std::vector<std::string> shown(grid.cells.size());
  for (size_t i = 0; i < grid.cells.size(); ++i) shown[i] = Shown(grid.cells[i]);

  // Column widths: natural widths of one-column cells, then room for spanning ones.
  std::vector<int> colW(static_cast<size_t>(n), 1);
  int minData = grid.minDataWidthPoints / 8;
  for (int c = grid.labelCols; c < n; ++c) colW[static_cast<size_t>(c)] = std::max(1, minData);
  std::vector<size_t> order(grid.cells.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return grid.cells[a].colSpan < grid.cells[b].colSpan;
  });
  std::vector<int> natural(static_cast<size_t>(n), 1);
  for (size_t i : order) {
    const BpGridCell& c = grid.cells[i];
    int need = NaturalWidth(shown[i]);
    if (c.colSpan == 1) {
      colW[static_cast<size_t>(c.col)] = std::max(colW[static_cast<size_t>(c.col)], need);
      natural[static_cast<size_t>(c.col)] = std::max(natural[static_cast<size_t>(c.col)], need);
      continue;
    }
    int have = 3 * (c.colSpan - 1);
    for (int k = 0; k < c.colSpan; ++k) have += colW[static_cast<size_t>(c.col + k)];
    for (int k = 0; have < need; k = (k + 1) % c.colSpan, ++have)
      ++colW[static_cast<size_t>(c.col + k)];
  }
  // Squeeze the widest columns until the table fits.
  if (width >= kNarrowest) {
    long total = 1;
    for (int w : colW) total += w + 3;
    while (total > width) {
      size_t widest = 0;
      for (size_t k = 1; k < colW.size(); ++k)
        if (colW[k] > colW[widest]) widest = k;
      if (colW[widest] <= kLeastColumn) break;
      --colW[widest];
      --total;
    }
  }
  std::vector<int> colX(static_cast<size_t>(n) + 1, 0);
  for (int c = 0; c < n; ++c)
    colX[static_cast<size_t>(c) + 1] =
        colX[static_cast<size_t>(c)] + colW[static_cast<size_t>(c)] + 3;

  // Wrapped cell texts and row heights.
  std::vector<std::vector<std::string>> lines(grid.cells.size());
  std::vector<int> rowH(static_cast<size_t>(m), 1);
  bool multiline = false;
  for (size_t i = 0; i < grid.cells.size(); ++i) {
    const BpGridCell& c = grid.cells[i];
    int inner = colX[static_cast<size_t>(c.col + c.colSpan)] - colX[static_cast<size_t>(c.col)] - 3;
    lines[i] = WrapText(shown[i], inner);
    if (c.rowSpan == 1) {
      rowH[static_cast<size_t>(c.row)] =
          std::max(rowH[static_cast<size_t>(c.row)], static_cast<int>(lines[i].size()));
      if (c.row >= grid.headerRows && lines[i].size() > 1) multiline = true;
    }
  }
  // Horizontal rules: around and inside the header; in the body where an outer label starts
  // (everywhere when some body cell takes several lines).
  std::vector<int> lineStart(static_cast<size_t>(m) + 1, n);
  for (int b = 0; b <= m; ++b)
    if (b == 0 || b == m || b <= grid.headerRows) lineStart[static_cast<size_t>(b)] = 0;
  for (const BpGridCell& c : grid.cells) {
    if (c.row < grid.headerRows || c.role != BpGridCell::Role::kRowLabel) continue;
    if (c.col < grid.labelCols - 1 || multiline) {
      for (int b : {c.row, c.row + c.rowSpan})
        lineStart[static_cast<size_t>(b)] = std::min(lineStart[static_cast<size_t>(b)], c.col);
    }
  }
  if (multiline && grid.labelCols == 0)
    for (int b = grid.headerRows; b <= m; ++b) lineStart[static_cast<size_t>(b)] = 0;
  for (const BpGridCell& c : grid.cells) {  // rows taller than their spanning labels allow
    if (c.rowSpan == 1) continue;
    int have = 0;
    for (int r = c.row; r < c.row + c.rowSpan; ++r) {
      have += rowH[static_cast<size_t>(r)];
      if (r > c.row && lineStart[static_cast<size_t>(r)] < n) ++have;
    }
    int need = static_cast<int>(lines[static_cast<size_t>(&c - grid.cells.data())].size());
    if (need > have) rowH[static_cast<size_t>(c.row + c.rowSpan - 1)] += need - have;
  }
  std::vector<int> lineY(static_cast<size_t>(m) + 1, -1), rowTop(static_cast<size_t>(m), 0);
  int y = 0;
  for (int b = 0; b <= m; ++b) {
    if (lineStart[static_cast<size_t>(b)] < n) lineY[static_cast<size_t>(b)] = y++;
    if (b < m) {
      rowTop[static_cast<size_t>(b)] = y;
      y += rowH[static_cast<size_t>(b)];
    }
  }
  Canvas canvas(colX[static_cast<size_t>(n)] + 1, y);
  for (size_t i = 0; i < grid.cells.size(); ++i) {
    const BpGridCell& c = grid.cells[i];
    int x0 = colX[static_cast<size_t>(c.col)], x1 = colX[static_cast<size_t>(c.col + c.colSpan)];
    int bottom = c.row + c.rowSpan;
    bool drawTop = lineStart[static_cast<size_t>(c.row)] <= c.col;
    bool drawBottom = lineStart[static_cast<size_t>(bottom)] <= c.col;
    int yTop = drawTop ? lineY[static_cast<size_t>(c.row)] : rowTop[static_cast<size_t>(c.row)];
    int yBottom = drawBottom ? lineY[static_cast<size_t>(bottom)]
                             : rowTop[static_cast<size_t>(bottom - 1)] +
                                   rowH[static_cast<size_t>(bottom - 1)] - 1;
    // Side edges run through rule rows at either end even where this cell draws no rule.
    int vTop = lineY[static_cast<size_t>(c.row)] >= 0 ? lineY[static_cast<size_t>(c.row)] : yTop;
    int vBottom =
        lineY[static_cast<size_t>(bottom)] >= 0 ? lineY[static_cast<size_t>(bottom)] : yBottom;
    for (int yy = vTop; yy <= vBottom; ++yy) {
      canvas.Line(x0, yy, U'|');
      canvas.Line(x1, yy, U'|');
    }
    for (int xx = x0; xx <= x1; ++xx) {
      if (drawTop) canvas.Line(xx, yTop, xx == x0 || xx == x1 ? U'+' : U'-');
      if (drawBottom) canvas.Line(xx, yBottom, xx == x0 || xx == x1 ? U'+' : U'-');
    }
    int inner = x1 - x0 - 3;
    int ty = rowTop[static_cast<size_t>(c.row)];
    for (const std::string& l : lines[i]) {
      int pad = c.numeric ? std::max(0, inner - DisplayWidth(l)) : 0;
      canvas.Text(x0 + 2 + pad, ty++, l);
    }
  }
  return canvas.Str();
}

std::string RenderText(const BpDocument& doc, int width) {
  TextWriter w(width);
  w.Items(doc.Items(), 0);
  return w.Take();
}
