// A pivot table of the output document: a title, an identifier, dimensions placed on rows or
// columns, each a tree of groups and categories, and cells addressed by one category per
// dimension. Footnotes hang on categories and on the table; a caption goes below it.
//
// Ownership: a table owns its dimensions, groups and categories; every pointer it hands out
// is borrowed and stays valid as long as the table (that is, as long as its document).
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/output/BpCellText.h"

class BpPivotTable;
class BpDimension;
class BpGroup;

// Finds an entry of a group (a sub-group or a category) by its label text. Open addressing
// over (hash, entry) pairs; the text is the entry's own label, so nothing is copied. A table
// with hundreds of thousands of rows adds a category per row: one hash and a probe or two
// each, and no allocation but the table's doubling.
template <class T>
class BpLabelIndex {
 public:
  static std::size_t HashOf(std::string_view label) { return std::hash<std::string_view>{}(label); }
  // The entry labelled `label` (hash h), or null.
  T* Find(std::string_view label, std::size_t h) const {
    if (fSlots.empty()) return nullptr;
    const std::size_t mask = fSlots.size() - 1;
    for (std::size_t s = h & mask;; s = (s + 1) & mask) {
      const Slot& slot = fSlots[s];
      if (!slot.entry) return nullptr;
      if (slot.hash == h && slot.entry->Label().text == label) return slot.entry;
    }
  }
  // Adds an entry whose label (hash h) is not in the index yet.
  void Insert(T* entry, std::size_t h) {
    if (2 * (fCount + 1) > fSlots.size()) Grow();
    Place(Slot{h, entry});
    ++fCount;
  }

 private:
  struct Slot {
    std::size_t hash = 0;
    T* entry = nullptr;  // null: an empty slot
  };
  void Place(const Slot& slot) {
    const std::size_t mask = fSlots.size() - 1;
    std::size_t s = slot.hash & mask;
    while (fSlots[s].entry) s = (s + 1) & mask;
    fSlots[s] = slot;
  }
  void Grow() {
    std::vector<Slot> old(fSlots.empty() ? 8 : 2 * fSlots.size());
    old.swap(fSlots);
    for (const Slot& slot : old)
      if (slot.entry) Place(slot);
  }
  std::vector<Slot> fSlots;  // a power of two, at most half full
  std::size_t fCount = 0;
};

// The split group a piece of output belongs to: (variable name, value text) pairs.
using BpSplit = std::vector<std::pair<std::string, std::string>>;

// The cells of a table in key order. A key holds one category index per dimension (-1: no
// category in that dimension). The keys lie in one array, the contents in a deque, both in
// key order: tables are filled row by row, so a new cell nearly always goes at the end, and a
// table of a hundred thousand rows is two sequences rather than a node and a key per cell.
// The contents (a hundred bytes each) grow in small pieces: a growing array would copy them
// into fresh memory again and again.
// Invariants:
//  1. fKeys.size() == fContents.size() * fWidth;
//  2. the keys are strictly increasing (compared element by element).
class BpCellMap {
 public:
  struct Entry {
    std::span<const int> key;
    const BpCellContent& content;
  };
  class Iterator {
   public:
    Iterator(const BpCellMap* map, std::size_t i) : fpMap(map), fI(i) {}
    Entry operator*() const { return {fpMap->KeyAt(fI), fpMap->fContents[fI]}; }
    Iterator& operator++() {
      ++fI;
      return *this;
    }
    bool operator==(const Iterator& o) const { return fI == o.fI; }

   private:
    const BpCellMap* fpMap;
    std::size_t fI;
  };

  std::size_t size() const { return fContents.size(); }
  bool empty() const { return fContents.empty(); }
  Iterator begin() const { return {this, 0}; }
  Iterator end() const { return {this, fContents.size()}; }
  // The content at a key of Width() elements, or null.
  const BpCellContent* Find(std::span<const int> key) const;

  // Elements of every key (the number of dimensions).
  std::size_t Width() const { return fWidth; }
  // Sets the content at a key of Width() elements; a cell set twice keeps the last content.
  void Set(std::span<const int> key, BpCellContent content);
  // One more dimension: every key so far gets -1 at its end (the order stays).
  void Widen();

 private:
  std::span<const int> KeyAt(std::size_t i) const { return {fKeys.data() + i * fWidth, fWidth}; }
  // The first cell whose key is not below `key`.
  std::size_t LowerBound(std::span<const int> key) const;

  std::size_t fWidth = 0;
  std::vector<int> fKeys;
  std::deque<BpCellContent> fContents;
};

// A category: a leaf of a dimension's tree.
class BpCategory {
 public:
  // Sets the cell at this category and, in every other dimension, the category met last.
  // A cell written twice keeps the last text.
  void Cell(const BpCellText& text);
  // Hangs a footnote on this category's label (the same text twice is one footnote).
  void Note(const BpAnnotation& note);

  const BpCellContent& Label() const { return fLabel; }
  BpDimension* Dimension() const { return fpDimension; }
  BpGroup* Parent() const { return fpParent; }
  // Position of the category in its dimension's creation order (the cell coordinate).
  int Index() const { return fIndex; }
  // Footnote numbers (positions in BpPivotTable::Footnotes), in the order they were hung.
  const std::vector<int>& Notes() const { return fNotes; }

  // Only a group makes categories (BpGroup::Category).
  class Key {
    friend class BpGroup;
    Key() = default;
  };
  BpCategory(Key, BpCellContent label, BpDimension* dim, BpGroup* parent, int index)
      : fLabel(std::move(label)), fpDimension(dim), fpParent(parent), fIndex(index) {}

 private:
  BpCellContent fLabel;
  BpDimension* fpDimension;  // borrowed: the owning dimension
  BpGroup* fpParent;         // borrowed: the group holding it
  int fIndex;
  std::vector<int> fNotes;
};

// A labelled group of categories and groups. A dimension is a group too.
class BpGroup {
 public:
  virtual ~BpGroup();
  BpGroup(const BpGroup&) = delete;
  BpGroup& operator=(const BpGroup&) = delete;

  // A sub-group at the end of this group; a group with the same label here is reused.
  // showLabel: whether renderers show the group's label; sort: 2 (and every other value)
  // keeps the categories in the order they were added.
  BpGroup* Group(const BpCellText& label, bool showLabel, int sort);
  // A category at the end of this group; a category with the same label here is the same one.
  // Either way it becomes the dimension's current category.
  BpCategory* Category(const BpCellText& label);

  // One entry of the tree, in the order added: exactly one of the two is set.
  struct Child {
    BpGroup* group = nullptr;
    BpCategory* category = nullptr;
  };
  const std::vector<Child>& Children() const { return fChildren; }
  const BpCellContent& Label() const { return fLabel; }
  bool ShowLabel() const { return fShowLabel; }
  BpGroup* Parent() const { return fpParent; }
  BpDimension* Dimension() const { return fpDimension; }

 protected:
  BpGroup(BpCellContent label, bool showLabel, BpDimension* dim, BpGroup* parent)
      : fLabel(std::move(label)), fShowLabel(showLabel), fpDimension(dim), fpParent(parent) {}

 private:
  BpCellContent fLabel;
  bool fShowLabel;
  BpDimension* fpDimension;                       // borrowed (this object itself for a dimension)
  BpGroup* fpParent;                              // borrowed; null for a dimension
  std::vector<std::unique_ptr<BpGroup>> fGroups;  // owned
  std::vector<Child> fChildren;
  BpLabelIndex<BpGroup> fGroupByLabel;        // finds a group met again
  BpLabelIndex<BpCategory> fCategoryByLabel;  // finds a category met again
};

// A dimension: the root group of a tree, placed on rows (0) or columns (1).
// Invariants:
//  1. fLeaves[i]->Index() == i, every leaf belongs to this dimension;
//  2. fpCurrent is null or one of fLeaves.
class BpDimension : public BpGroup {
 public:
  // place 0 rows (any value but 1), 1 columns; on one axis order 2 encloses order 1 (equal
  // orders: the dimension made first encloses). hideTitle: the title is not shown.
  // hideEmpty: categories (of the outermost dimension of an axis) without cells are left out.
  void Position(int place, int order, bool hideTitle, bool hideEmpty);

  BpPivotTable* Table() const { return fpTable; }
  int Place() const { return fPlace; }
  int Order() const { return fOrder; }
  bool HideTitle() const { return fHideTitle; }
  bool HideEmpty() const { return fHideEmpty; }
  // Position among the table's dimensions (in the order they were made).
  int Index() const { return fIndex; }
  // Every category of the tree in creation order.
  const std::vector<BpCategory*>& Leaves() const { return fLeaves; }
  // The category met last (made or found again by Category), or null.
  BpCategory* Current() const { return fpCurrent; }

 private:
  friend class BpGroup;
  friend class BpPivotTable;
  BpDimension(BpCellContent title, BpPivotTable* table, int index);
  BpPivotTable* fpTable;  // borrowed: the owning table
  int fIndex;
  int fPlace = 0;
  int fOrder = 1;
  bool fHideTitle = false;
  bool fHideEmpty = false;
  // The categories, in runs that never move (each run a few times its predecessors, up to
  // kCategoryRun): a table of a hundred thousand rows makes and frees its categories a few
  // hundred at a time rather than one by one.
  static constexpr std::size_t kCategoryRun = 256;
  std::vector<std::vector<BpCategory>> fCategories;
  std::vector<BpCategory*> fLeaves;
  BpCategory* fpCurrent = nullptr;
};

// Invariants:
//  1. every key of fCells has one entry per dimension (-1: no category in that dimension);
//  2. every footnote number held by the table or a category is a position in fFootnotes.
class BpPivotTable {
 public:
  // Made by a heading (BpHeading::PivotTable). showWhenEmpty: renderers show the table even
  // when it has no cells (false: an empty table is left out of the rendering).
  BpPivotTable(BpCellContent title, std::string identifier, bool showWhenEmpty, BpSplit split);
  BpPivotTable(const BpPivotTable&) = delete;
  BpPivotTable& operator=(const BpPivotTable&) = delete;

  // A new dimension titled `title`; sort as for BpGroup::Group. Placed on rows until Position.
  BpDimension* Dimension(const BpCellText& title, int sort);
  // The bytes a row of a table of `dimensions` dimensions is likely to take in memory: its
  // category and `cells` cells, with their keys and their share of the lists and indexes that
  // grow by doubling with the rows (for memory mapped before a pass that adds many rows).
  static std::size_t RowBytes(std::size_t cells, std::size_t dimensions);
  // A footnote on the table itself.
  void Note(const BpAnnotation& note);
  // The caption below the table (a second call replaces it).
  void Caption(const BpCellText& text);
  void Caption(const std::string& text);
  // The least width of a data column, in points (renderers take 8 points a character).
  void MinDataColumnWidth(int points) { fMinDataColumnWidth = points < 0 ? 0 : points; }

  const BpCellContent& Title() const { return fTitle; }
  const std::string& Identifier() const { return fIdentifier; }
  bool ShowWhenEmpty() const { return fShowWhenEmpty; }
  const BpSplit& Split() const { return fSplit; }
  const std::string& CaptionText() const { return fCaption; }
  int MinDataColumnWidthPoints() const { return fMinDataColumnWidth; }
  const std::vector<std::unique_ptr<BpDimension>>& Dimensions() const { return fDimensions; }
  // Cells by their key: one category index per dimension, in dimension order.
  const BpCellMap& Cells() const { return fCells; }
  // Footnote texts, each once, in the order first hung.
  const std::vector<std::string>& Footnotes() const { return fFootnotes; }
  // Footnote numbers on the table itself.
  const std::vector<int>& Notes() const { return fNotes; }

 private:
  friend class BpCategory;
  void SetCell(const BpCategory* at, BpCellContent content);
  int FootnoteNumber(const std::string& text);

  BpCellContent fTitle;
  std::string fIdentifier;
  bool fShowWhenEmpty;
  BpSplit fSplit;
  std::string fCaption;
  int fMinDataColumnWidth = 0;
  std::vector<std::unique_ptr<BpDimension>> fDimensions;
  BpCellMap fCells;
  std::vector<int> fKey;  // the key SetCell builds, kept to save an allocation a cell
  std::vector<std::string> fFootnotes;
  std::vector<int> fNotes;
};
