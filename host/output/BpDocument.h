// The output document: an ordered tree of items (headings holding items, pivot tables,
// warnings, errors, procedure notes, plain text) that commands write to and renderers read.
//
// Ownership: the document owns every item, table and heading handle made in it; pointers it
// hands out are borrowed and stay valid until the document is destroyed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/output/BpPivotTable.h"

class BpHeading;
class Session;

enum class BpItemKind { kHeading, kTable, kWarning, kError, kNotes, kText };

// One line of a procedure's notes.
struct BpNoteLine {
  int kind = 3;  // what the note is about (3: variables the procedure created)
  std::string label;
  std::string value;
};

// One item of the document, a plain record the renderers read.
struct BpDocItem {
  BpItemKind kind = BpItemKind::kText;
  BpSplit split;                                  // split group current when it was made
  std::string text;                               // heading title or message text
  int number = 0;                                 // a procedure heading's number, else 0
  std::vector<std::unique_ptr<BpDocItem>> items;  // a heading's items, in output order
  std::unique_ptr<BpPivotTable> table;            // a table item's table
  std::vector<BpNoteLine> notes;                  // a notes item's lines
};

// Invariants:
//  1. every open container in fOpen is a heading item of this document;
//  2. a table item has a table, no other item has one.
class BpDocument {
 public:
  BpDocument();
  ~BpDocument();
  BpDocument(const BpDocument&) = delete;
  BpDocument& operator=(const BpDocument&) = delete;

  // The top-level items in output order.
  const std::vector<std::unique_ptr<BpDocItem>>& Items() const { return fItems; }
  bool Empty() const { return fItems.empty(); }

  // A message at the end of the innermost open procedure (else at the top level):
  // level 3 error, 2 warning, anything else plain text.
  void AddMessage(int level, const std::string& text);
  // A heading at the end of the innermost open procedure (else at the top level).
  BpHeading* AddHeading(const std::string& title);

  // The split group being processed: (variable name, value text with its label). Every item
  // made while it is set carries it.
  void SetCurrentSplit(BpSplit varValuePairs) { fSplit = std::move(varValuePairs); }
  void ClearCurrentSplit() { fSplit.clear(); }
  const BpSplit& CurrentSplit() const { return fSplit; }

  // For BpHeading and BpProcedure. parent null: the innermost open procedure, else top level.
  BpDocItem* NewHeadingItem(BpDocItem* parent, std::string title, int number);
  BpPivotTable* NewTable(BpDocItem* parent, BpCellContent title, std::string identifier,
                         bool showWhenEmpty);
  // A handle for a heading item (owned by the document).
  BpHeading* HeadingHandle(BpDocItem* heading);
  // Procedures open and close: messages made meanwhile go under the innermost one.
  void OpenProcedure(BpDocItem* heading);
  void CloseProcedure(BpDocItem* heading);
  BpDocItem* OpenContainer() const { return fOpen.empty() ? nullptr : fOpen.back(); }
  // Takes back what a heading received after its first `keep` items (a procedure that
  // abandons a split group's output). Handles and tables inside the removed items become
  // invalid; the document drops its own handles to them.
  void DiscardItems(BpDocItem* heading, size_t keep);
  // Adds one line to the notes item of a heading (null: the innermost open procedure, else the
  // top level); the notes item is made at first use.
  void AddNote(BpDocItem* heading, BpNoteLine line);

 private:
  std::vector<std::unique_ptr<BpDocItem>>& ItemsOf(BpDocItem* parent);
  BpDocItem* Append(BpDocItem* parent, BpItemKind kind);

  std::vector<std::unique_ptr<BpDocItem>> fItems;
  std::vector<BpDocItem*> fOpen;                     // borrowed from the tree
  std::vector<std::unique_ptr<BpHeading>> fHandles;  // owned heading handles
  BpSplit fSplit;
};

// Points the session's messages (HostReport) at the document: level 3 becomes an error item,
// 2 a warning, 1 a text item, in order. The document must outlive the session's use of it.
void RouteMessages(Session& session, BpDocument& doc);
// RouteMessages, and makes the document the session's output (Session::SetOutput).
void AttachDocument(Session& session, BpDocument& doc);
