#include "host/output/TableLayout.h"

#include <algorithm>
#include <cassert>
#include <set>

#include "host/output/BpPivotTable.h"

namespace {

struct LeafInfo {
  const BpCategory* category;
  std::vector<const BpGroup*> groups;  // groups with a shown label, outer first
};

// One dimension on an axis with its leaves in tree order.
struct AxisDim {
  const BpDimension* dim;
  std::vector<LeafInfo> leaves;
  std::vector<int> byIndex;  // category index -> position in leaves
  int depth = 1;             // label levels: shown groups + the category
};

using Tuple = std::vector<int>;

void CollectLeaves(const BpGroup* g, std::vector<const BpGroup*>& path,
                   std::vector<LeafInfo>& out) {
  for (const BpGroup::Child& c : g->Children()) {
    if (c.category) {
      out.push_back({c.category, path});
    } else {
      bool shown = c.group->ShowLabel();
      if (shown) path.push_back(c.group);
      CollectLeaves(c.group, path, out);
      if (shown) path.pop_back();
    }
  }
}

std::vector<AxisDim> AxisOf(const BpPivotTable& t, int place) {
  std::vector<const BpDimension*> dims;
  for (const auto& d : t.Dimensions())
    if (d->Place() == place) dims.push_back(d.get());
  std::stable_sort(dims.begin(), dims.end(), [](const BpDimension* a, const BpDimension* b) {
    return a->Order() > b->Order();
  });
  std::vector<AxisDim> axis;
  for (const BpDimension* d : dims) {
    AxisDim a{d, {}, {}, 1};
    std::vector<const BpGroup*> path;
    CollectLeaves(d, path, a.leaves);
    a.byIndex.assign(d->Leaves().size(), -1);
    for (size_t i = 0; i < a.leaves.size(); ++i) {
      a.byIndex[static_cast<size_t>(a.leaves[i].category->Index())] = static_cast<int>(i);
      a.depth = std::max(a.depth, static_cast<int>(a.leaves[i].groups.size()) + 1);
    }
    axis.push_back(std::move(a));
  }
  return axis;
}

// The axis combinations to show (see LayoutTable).
class Expander {
 public:
  Expander(const BpPivotTable& t, const std::vector<AxisDim>& axis) : fAxis(axis) {
    for (const auto& [key, content] : t.Cells()) {
      Tuple p;
      for (const AxisDim& a : axis) {
        p.push_back(key[static_cast<size_t>(a.dim->Index())]);
        fPrefixes.insert(p);
      }
    }
  }
  std::vector<Tuple> Run() {
    std::vector<Tuple> out;
    if (fAxis.empty()) {
      out.emplace_back();
      return out;
    }
    Tuple prefix;
    Expand(0, prefix, out);
    return out;
  }

 private:
  void Expand(size_t level, Tuple& prefix, std::vector<Tuple>& out) {
    const AxisDim& a = fAxis[level];
    bool last = level + 1 == fAxis.size();
    for (const LeafInfo& leaf : a.leaves) {
      prefix.push_back(leaf.category->Index());
      bool occupied = fPrefixes.count(prefix) > 0;
      if (last) {
        bool single = fAxis.size() == 1;
        if (single ? (!a.dim->HideEmpty() || occupied) : occupied) out.push_back(prefix);
      } else {
        size_t before = out.size();
        Expand(level + 1, prefix, out);
        if (out.size() == before && level == 0 && (!a.dim->HideEmpty() || occupied)) {
          Tuple blank = prefix;
          blank.resize(fAxis.size(), -1);
          out.push_back(std::move(blank));
        }
      }
      prefix.pop_back();
    }
  }
  const std::vector<AxisDim>& fAxis;
  std::set<Tuple> fPrefixes;
};

std::vector<std::string> Marks(const std::vector<int>& notes) {
  std::vector<std::string> out;
  for (int n : notes) out.push_back(FootnoteMark(n));
  return out;
}

bool SamePrefix(const Tuple& a, const Tuple& b, size_t n) {
  return std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin());
}

// The node shown at label level `level` of axis dimension `di` for a combination: a group or a
// category pointer, with how many levels it spans; null when the position is covered or blank.
const void* NodeAt(const AxisDim& a, const Tuple& t, size_t di, int level, int* span,
                   const LeafInfo** leafOut, const BpGroup** groupOut) {
  *leafOut = nullptr;
  *groupOut = nullptr;
  int ci = t[di];
  if (ci < 0) return nullptr;
  const LeafInfo& leaf = a.leaves[static_cast<size_t>(a.byIndex[static_cast<size_t>(ci)])];
  int g = static_cast<int>(leaf.groups.size());
  if (level < g) {
    *span = 1;
    *groupOut = leaf.groups[static_cast<size_t>(level)];
    return *groupOut;
  }
  if (level == g) {
    *span = a.depth - g;
    *leafOut = &leaf;
    return leaf.category;
  }
  return nullptr;
}

// Emits the labels of one axis. Along: the positions of the combinations (rows for the row
// axis); across: the label levels (columns for the row axis).
void EmitLabels(const std::vector<AxisDim>& axis, const std::vector<Tuple>& tuples, bool rows,
                int alongStart, int acrossStart, BpTableGrid& grid) {
  int across = acrossStart;
  auto place = [&](BpGridCell c, int along, int alongSpan, int acr, int acrSpan) {
    c.row = rows ? along : acr;
    c.col = rows ? acr : along;
    c.rowSpan = rows ? alongSpan : acrSpan;
    c.colSpan = rows ? acrSpan : alongSpan;
    grid.cells.push_back(std::move(c));
  };
  const int n = static_cast<int>(tuples.size());
  for (size_t di = 0; di < axis.size(); ++di) {
    const AxisDim& a = axis[di];
    if (!rows && !a.dim->HideTitle()) {  // a column dimension's title spans its run
      for (int i = 0; i < n;) {
        int j = i + 1;
        while (j < n &&
               SamePrefix(tuples[static_cast<size_t>(i)], tuples[static_cast<size_t>(j)], di))
          ++j;
        BpGridCell c;
        c.role = BpGridCell::Role::kDimensionTitle;
        c.text = a.dim->Label().text;
        c.tooltip = a.dim->Label().tooltip;
        place(std::move(c), alongStart + i, j - i, across, 1);
        i = j;
      }
      ++across;
    }
    for (int level = 0; level < a.depth; ++level) {
      for (int i = 0; i < n;) {
        const Tuple& t = tuples[static_cast<size_t>(i)];
        int span = 1;
        const LeafInfo* leaf;
        const BpGroup* group;
        const void* node = NodeAt(a, t, di, level, &span, &leaf, &group);
        if (!node) {
          if (t[di] < 0 && level == 0) {  // blank inner labels
            BpGridCell c;
            c.role = rows ? BpGridCell::Role::kRowLabel : BpGridCell::Role::kColumnLabel;
            place(std::move(c), alongStart + i, 1, across, a.depth);
          }
          ++i;
          continue;
        }
        int j = i + 1;
        while (j < n) {
          const Tuple& u = tuples[static_cast<size_t>(j)];
          int s2;
          const LeafInfo* l2;
          const BpGroup* g2;
          if (!SamePrefix(t, u, di) || NodeAt(a, u, di, level, &s2, &l2, &g2) != node) break;
          ++j;
        }
        BpGridCell c;
        c.role = rows ? BpGridCell::Role::kRowLabel : BpGridCell::Role::kColumnLabel;
        if (group) {
          c.text = group->Label().text;
          c.tooltip = group->Label().tooltip;
          c.group = true;
        } else {
          c.text = leaf->category->Label().text;
          c.tooltip = leaf->category->Label().tooltip;
          c.marks = Marks(leaf->category->Notes());
        }
        place(std::move(c), alongStart + i, j - i, across + level, span);
        i = j;
      }
    }
    across += a.depth;
  }
}

}  // namespace

std::string FootnoteMark(int n) {
  std::string s;
  for (int k = n + 1; k > 0; k = (k - 1) / 26)
    s.insert(s.begin(), static_cast<char>('a' + (k - 1) % 26));
  return s;
}

BpTableGrid LayoutTable(const BpPivotTable& t) {
  BpTableGrid grid;
  grid.minDataWidthPoints = t.MinDataColumnWidthPoints();
  grid.titleMarks = Marks(t.Notes());
  for (size_t i = 0; i < t.Footnotes().size(); ++i)
    grid.footnotes.emplace_back(FootnoteMark(static_cast<int>(i)), t.Footnotes()[i]);

  std::vector<AxisDim> rowAxis = AxisOf(t, 0), colAxis = AxisOf(t, 1);
  std::vector<Tuple> rowTuples = Expander(t, rowAxis).Run();
  std::vector<Tuple> colTuples = Expander(t, colAxis).Run();
  if (t.Dimensions().empty() || rowTuples.empty() || colTuples.empty()) {
    grid.empty = true;
    return grid;
  }
  bool rowTitles = false;
  for (const AxisDim& a : rowAxis) {
    grid.labelCols += a.depth;
    rowTitles = rowTitles || !a.dim->HideTitle();
  }
  for (const AxisDim& a : colAxis) grid.headerRows += a.depth + (a.dim->HideTitle() ? 0 : 1);
  if (colAxis.empty() && rowTitles) grid.headerRows = 1;
  grid.rows = grid.headerRows + static_cast<int>(rowTuples.size());
  grid.cols = grid.labelCols + static_cast<int>(colTuples.size());

  // The corner: row dimension titles in its bottom row, one blank cell above.
  if (grid.headerRows > 0) {
    int titleRow = rowTitles ? grid.headerRows - 1 : grid.headerRows;
    if (titleRow > 0 && grid.labelCols > 0) {
      BpGridCell c;
      c.role = BpGridCell::Role::kCorner;
      c.rowSpan = titleRow;
      c.colSpan = grid.labelCols;
      grid.cells.push_back(c);
    }
    if (rowTitles) {
      int col = 0;
      for (const AxisDim& a : rowAxis) {
        BpGridCell c;
        c.role = BpGridCell::Role::kDimensionTitle;
        c.row = titleRow;
        c.col = col;
        c.colSpan = a.depth;
        if (!a.dim->HideTitle()) {
          c.text = a.dim->Label().text;
          c.tooltip = a.dim->Label().tooltip;
        }
        grid.cells.push_back(std::move(c));
        col += a.depth;
      }
    }
    if (colAxis.empty()) {  // a header row with no column labels: one blank cell above the data
      BpGridCell c;
      c.role = BpGridCell::Role::kColumnLabel;
      c.col = grid.labelCols;
      c.rowSpan = grid.headerRows;
      grid.cells.push_back(c);
    }
  }
  EmitLabels(colAxis, colTuples, false, grid.labelCols, 0, grid);
  EmitLabels(rowAxis, rowTuples, true, grid.headerRows, 0, grid);

  const size_t nDims = t.Dimensions().size();
  for (size_t r = 0; r < rowTuples.size(); ++r) {
    for (size_t c = 0; c < colTuples.size(); ++c) {
      std::vector<int> key(nDims, -1);
      for (size_t k = 0; k < rowAxis.size(); ++k)
        key[static_cast<size_t>(rowAxis[k].dim->Index())] = rowTuples[r][k];
      for (size_t k = 0; k < colAxis.size(); ++k)
        key[static_cast<size_t>(colAxis[k].dim->Index())] = colTuples[c][k];
      BpGridCell cell;
      cell.row = grid.headerRows + static_cast<int>(r);
      cell.col = grid.labelCols + static_cast<int>(c);
      if (const BpCellContent* content = t.Cells().Find(key)) {
        cell.text = content->text;
        cell.tooltip = content->tooltip;
        cell.numeric = content->numeric;
      }
      grid.cells.push_back(std::move(cell));
    }
  }
  std::sort(grid.cells.begin(), grid.cells.end(), [](const BpGridCell& a, const BpGridCell& b) {
    return a.row != b.row ? a.row < b.row : a.col < b.col;
  });
  return grid;
}
