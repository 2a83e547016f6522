// The layout of a pivot table as a grid of spanning cells, shared by the text and HTML
// renderers: column headers on top (outer dimensions above inner ones), row labels on the left
// (outer dimensions left of inner ones), data cells, and footnote marks.
#pragma once

#include <string>
#include <utility>
#include <vector>

class BpPivotTable;

struct BpGridCell {
  enum class Role { kCorner, kDimensionTitle, kColumnLabel, kRowLabel, kData };
  Role role = Role::kData;
  int row = 0;  // top-left position in the grid
  int col = 0;
  int rowSpan = 1;
  int colSpan = 1;
  std::string text;
  std::string tooltip;             // a variable's label, for example
  std::vector<std::string> marks;  // footnote marks ("a", "b", ...)
  bool numeric = false;            // a data cell holding a number (aligned right)
  bool group = false;              // the label of a group of categories
};

// A laid-out table. The grid has headerRows + body rows and labelCols + data columns; every
// grid position is covered by exactly one cell.
struct BpTableGrid {
  int headerRows = 0;
  int labelCols = 0;
  int rows = 0;
  int cols = 0;
  bool empty = false;  // no dimensions, body rows or data columns: shown as an empty table
  std::vector<BpGridCell> cells;
  std::vector<std::string> titleMarks;                         // footnotes on the table
  std::vector<std::pair<std::string, std::string>> footnotes;  // (mark, text) in mark order
  int minDataWidthPoints = 0;
};

// The mark of footnote number n: a, b, ..., z, aa, ab, ...
std::string FootnoteMark(int n);

// Lays the table out. Rows: every category of a single row dimension (less the empty ones
// when the dimension hides them); with nested row dimensions, for each outer category the inner
// combinations that hold a cell, or one row with blank inner labels when none does. Columns
// likewise.
BpTableGrid LayoutTable(const BpPivotTable& table);
