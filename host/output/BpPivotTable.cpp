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
  const std::size_t made = dim->fLeaves.size();
  auto& runs = dim->fCategories;
  if (runs.empty() || runs.back().size() == runs.back().capacity()) {
    runs.emplace_back();
    runs.back().reserve(std::clamp<std::size_t>(made, 4, BpDimension::kCategoryRun));
  }
  BpCategory* cat = &runs.back().emplace_back(BpCategory::Key(), std::move(content), dim, this,
                                              static_cast<int>(made));
  dim->fLeaves.push_back(cat);
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
  fCells.Widen();  // cells written before this dimension have no category in it
  return fDimensions.back().get();
}

void BpPivotTable::Note(const BpAnnotation& note) {
  int n = FootnoteNumber(note.Text());
  if (std::find(fNotes.begin(), fNotes.end(), n) == fNotes.end()) fNotes.push_back(n);
}

void BpPivotTable::Caption(const BpCellText& text) { fCaption = text.Text(); }
void BpPivotTable::Caption(const std::string& text) { fCaption = text; }

std::size_t BpPivotTable::RowBytes(std::size_t cells, std::size_t dimensions) {
  // A category lies in a run of its dimension; a list that grows by doubling holds up to
  // twice its entries, and the copies it leaves behind as much again; a label index is at
  // most half full.
  const std::size_t category = sizeof(BpCategory) +
                               2 * (sizeof(BpCategory*) + sizeof(BpGroup::Child)) +
                               4 * 2 * sizeof(std::size_t);
  const std::size_t cell = sizeof(BpCellContent) + 2 * dimensions * sizeof(int);
  return category + cells * cell;
}

void BpPivotTable::SetCell(const BpCategory* at, BpCellContent content) {
  fKey.assign(fDimensions.size(), -1);
  for (const auto& dim : fDimensions) {
    const BpCategory* c = dim.get() == at->Dimension() ? at : dim->Current();
    fKey[static_cast<size_t>(dim->Index())] = c ? c->Index() : -1;
  }
  fCells.Set(fKey, std::move(content));
}

std::size_t BpCellMap::LowerBound(std::span<const int> key) const {
  std::size_t lo = 0, hi = fContents.size();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    const auto k = KeyAt(mid);
    if (std::lexicographical_compare(k.begin(), k.end(), key.begin(), key.end()))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

const BpCellContent* BpCellMap::Find(std::span<const int> key) const {
  assert(key.size() == fWidth && "host/output/BpPivotTable: key.size() == fWidth");
  const std::size_t i = LowerBound(key);
  if (i == fContents.size() || !std::equal(key.begin(), key.end(), KeyAt(i).begin()))
    return nullptr;
  return &fContents[i];
}

void BpCellMap::Set(std::span<const int> key, BpCellContent content) {
  assert(key.size() == fWidth && "host/output/BpPivotTable: key.size() == fWidth");
  // Most cells come after every cell so far.
  std::size_t i = fContents.size();
  if (!fContents.empty()) {
    const auto last = KeyAt(fContents.size() - 1);
    if (!std::lexicographical_compare(last.begin(), last.end(), key.begin(), key.end()))
      i = LowerBound(key);
  }
  if (i < fContents.size() && std::equal(key.begin(), key.end(), KeyAt(i).begin())) {
    fContents[i] = std::move(content);
    return;
  }
  if (i == fContents.size()) {
    fKeys.insert(fKeys.end(), key.begin(), key.end());
    fContents.push_back(std::move(content));
    return;
  }
  const auto at = static_cast<std::ptrdiff_t>(i);
  fKeys.insert(fKeys.begin() + at * static_cast<std::ptrdiff_t>(fWidth), key.begin(), key.end());
  fContents.insert(fContents.begin() + at, std::move(content));
}

void BpCellMap::Widen() {
  std::vector<int> wider;
  wider.reserve(fContents.size() * (fWidth + 1));
  for (std::size_t i = 0; i < fContents.size(); ++i) {
    const auto k = KeyAt(i);
    wider.insert(wider.end(), k.begin(), k.end());
    wider.push_back(-1);
  }
  fKeys.swap(wider);
  ++fWidth;
}

int BpPivotTable::FootnoteNumber(const std::string& text) {
  auto it = std::find(fFootnotes.begin(), fFootnotes.end(), text);
  if (it != fFootnotes.end()) return static_cast<int>(it - fFootnotes.begin());
  fFootnotes.push_back(text);
  return static_cast<int>(fFootnotes.size()) - 1;
}
