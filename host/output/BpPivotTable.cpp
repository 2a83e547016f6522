#include "host/output/BpPivotTable.h"

#include <algorithm>
#include <cassert>
#include <iterator>

void BpCategory::Cell(const BpCellText& text) {
  assert(fpDimension && "host/output/BpPivotTable: fpDimension != 0");
  fpDimension->Table()->SetCell(this, text.Content());
}

void BpCategory::Note(const BpAnnotation& note) {
  int n = fpDimension->Table()->FootnoteNumber(note.Text());
  if (std::find(fNotes.begin(), fNotes.end(), n) == fNotes.end()) fNotes.push_back(n);
}

BpGroup::~BpGroup() = default;

BpGroup* BpGroup::Group(const BpCellText& label, bool showLabel, int /*sort*/) {
  BpCellContent content = label.Content();
  const std::size_t h = BpLabelIndex<BpGroup>::HashOf(content.text);
  if (BpGroup* found = fGroupByLabel.Find(content.text, h)) return found;
  fGroups.push_back(
      std::unique_ptr<BpGroup>(new BpGroup(std::move(content), showLabel, fpDimension, this)));
  fChildren.push_back({fGroups.back().get(), nullptr});
  fGroupByLabel.Insert(fGroups.back().get(), h);
  return fGroups.back().get();
}

BpCategory* BpGroup::Category(const BpCellText& label) {
  BpCellContent content = label.Content();
  BpDimension* dim = fpDimension;
  const std::size_t h = BpLabelIndex<BpCategory>::HashOf(content.text);
  if (BpCategory* found = fCategoryByLabel.Find(content.text, h)) {
    dim->fpCurrent = found;
    return found;
  }
  int index = static_cast<int>(dim->fLeaves.size());
  dim->fLeaves.push_back(
      std::unique_ptr<BpCategory>(new BpCategory(std::move(content), dim, this, index)));
  BpCategory* cat = dim->fLeaves.back().get();
  fChildren.push_back({nullptr, cat});
  fCategoryByLabel.Insert(cat, h);
  dim->fpCurrent = cat;
  assert(cat->Index() + 1 == static_cast<int>(dim->fLeaves.size()) &&
         "host/output/BpPivotTable: leaf index");
  return cat;
}

BpDimension::BpDimension(BpCellContent title, BpPivotTable* table, int index)
    : BpGroup(std::move(title), true, this, nullptr), fpTable(table), fIndex(index) {}

void BpDimension::Position(int place, int order, bool hideTitle, bool hideEmpty) {
  fPlace = place == 1 ? 1 : 0;
  fOrder = order;
  fHideTitle = hideTitle;
  fHideEmpty = hideEmpty;
}

BpPivotTable::BpPivotTable(BpCellContent title, std::string identifier, bool showWhenEmpty,
                           BpSplit split)
    : fTitle(std::move(title)),
      fIdentifier(std::move(identifier)),
      fShowWhenEmpty(showWhenEmpty),
      fSplit(std::move(split)) {}

BpDimension* BpPivotTable::Dimension(const BpCellText& title, int /*sort*/) {
  int index = static_cast<int>(fDimensions.size());
  fDimensions.push_back(
      std::unique_ptr<BpDimension>(new BpDimension(title.Content(), this, index)));
  if (!fCells.empty()) {  // cells written before this dimension have no category in it
    std::map<std::vector<int>, BpCellContent> widened;
    for (auto& [key, content] : fCells) {
      std::vector<int> k = key;
      k.push_back(-1);
      widened.emplace(std::move(k), std::move(content));
    }
    fCells.swap(widened);
  }
  return fDimensions.back().get();
}

void BpPivotTable::Note(const BpAnnotation& note) {
  int n = FootnoteNumber(note.Text());
  if (std::find(fNotes.begin(), fNotes.end(), n) == fNotes.end()) fNotes.push_back(n);
}

void BpPivotTable::Caption(const BpCellText& text) { fCaption = text.Text(); }
void BpPivotTable::Caption(const std::string& text) { fCaption = text; }

void BpPivotTable::SetCell(const BpCategory* at, BpCellContent content) {
  std::vector<int> key(fDimensions.size(), -1);
  for (const auto& dim : fDimensions) {
    const BpCategory* c = dim.get() == at->Dimension() ? at : dim->Current();
    key[static_cast<size_t>(dim->Index())] = c ? c->Index() : -1;
  }
  // Tables are mostly filled row by row, so a new key usually comes after every other one.
  if (fCells.empty() || std::prev(fCells.end())->first < key) {
    fCells.emplace_hint(fCells.end(), std::move(key), std::move(content));
  } else {
    fCells[std::move(key)] = std::move(content);
  }
}

int BpPivotTable::FootnoteNumber(const std::string& text) {
  auto it = std::find(fFootnotes.begin(), fFootnotes.end(), text);
  if (it != fFootnotes.end()) return static_cast<int>(it - fFootnotes.begin());
  fFootnotes.push_back(text);
  return static_cast<int>(fFootnotes.size()) - 1;
}
