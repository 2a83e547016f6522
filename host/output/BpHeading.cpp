#include "host/output/BpHeading.h"

#include <cassert>

#include "host/output/BpDocument.h"

void BpHeading::Bind(BpDocument* doc, BpDocItem* item) {
  assert(doc && item && item->kind == BpItemKind::kHeading && "host/output/BpHeading: Bind");
  fpDoc = doc;
  fpItem = item;
}

BpHeading* BpHeading::Heading(const BpCellText& title) { return Heading(title.Text()); }

BpHeading* BpHeading::Heading(const std::string& title) {
  return fpDoc->HeadingHandle(fpDoc->NewHeadingItem(fpItem, title, 0));
}

BpPivotTable* BpHeading::PivotTable(const BpCellText& title, const BpCellText& identifier,
                                    bool showWhenEmpty) {
  return fpDoc->NewTable(fpItem, title.Content(), identifier.Text(), showWhenEmpty);
}
