// A heading of the output document: a handle through which sub-headings and pivot tables are
// made under it. BpProcedure is the heading at the top of a procedure's output.
#pragma once

#include <string>

#include "host/output/BpCellText.h"

class BpDocument;
struct BpDocItem;
class BpPivotTable;

class BpHeading {
 public:
  virtual ~BpHeading() = default;
  BpHeading(const BpHeading&) = delete;
  BpHeading& operator=(const BpHeading&) = delete;

  // A sub-heading at the end of this heading (owned by the document).
  BpHeading* Heading(const BpCellText& title);
  BpHeading* Heading(const std::string& title);  // an untranslated title
  // An empty table at the end of this heading (owned by the document). It carries the
  // document's current split. showWhenEmpty: see BpPivotTable.
  BpPivotTable* PivotTable(const BpCellText& title, const BpCellText& identifier,
                           bool showWhenEmpty);

  BpDocument& Document() const { return *fpDoc; }
  BpDocItem* Item() const { return fpItem; }

 protected:
  friend class BpDocument;
  BpHeading() = default;
  BpHeading(BpDocument* doc, BpDocItem* item) { Bind(doc, item); }
  void Bind(BpDocument* doc, BpDocItem* item);

 private:
  BpDocument* fpDoc = nullptr;  // borrowed
  BpDocItem* fpItem = nullptr;  // borrowed from the document
};
