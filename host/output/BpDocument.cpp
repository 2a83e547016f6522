#include "host/output/BpDocument.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <unordered_set>

#include "host/output/BpHeading.h"
#include "host/session/Session.h"
#include "host/syntax/ParserMessage.h"

BpDocument::BpDocument() = default;
BpDocument::~BpDocument() = default;

std::vector<std::unique_ptr<BpDocItem>>& BpDocument::ItemsOf(BpDocItem* parent) {
  if (!parent) parent = OpenContainer();
  return parent ? parent->items : fItems;
}

BpDocItem* BpDocument::Append(BpDocItem* parent, BpItemKind kind) {
  assert((!parent || parent->kind == BpItemKind::kHeading) &&
         "host/output/BpDocument: parent is a heading");
  auto item = std::make_unique<BpDocItem>();
  item->kind = kind;
  item->split = fSplit;
  auto& list = ItemsOf(parent);
  list.push_back(std::move(item));
  return list.back().get();
}

void BpDocument::AddMessage(int level, const std::string& text) {
  BpItemKind kind = level >= 3   ? BpItemKind::kError
                    : level == 2 ? BpItemKind::kWarning
                                 : BpItemKind::kText;
  Append(nullptr, kind)->text = text;
}

BpHeading* BpDocument::AddHeading(const std::string& title) {
  return HeadingHandle(NewHeadingItem(nullptr, title, 0));
}

BpDocItem* BpDocument::NewHeadingItem(BpDocItem* parent, std::string title, int number) {
  BpDocItem* item = Append(parent, BpItemKind::kHeading);
  item->text = std::move(title);
  item->number = number;
  return item;
}

BpPivotTable* BpDocument::NewTable(BpDocItem* parent, BpCellContent title, std::string identifier,
                                   bool showWhenEmpty) {
  BpDocItem* item = Append(parent, BpItemKind::kTable);
  item->text = title.text;
  item->table = std::make_unique<BpPivotTable>(std::move(title), std::move(identifier),
                                               showWhenEmpty, fSplit);
  return item->table.get();
}

void BpDocument::DiscardItems(BpDocItem* heading, size_t keep) {
  auto& items = ItemsOf(heading);
  if (keep >= items.size()) return;
  std::unordered_set<const BpDocItem*> removed;
  std::function<void(const BpDocItem&)> collect = [&](const BpDocItem& item) {
    removed.insert(&item);
    for (const auto& child : item.items) collect(*child);
  };
  for (size_t i = keep; i < items.size(); ++i) collect(*items[i]);
  std::erase_if(fHandles, [&](const std::unique_ptr<BpHeading>& h) {
    return removed.count(h->Item()) > 0;
  });
  std::erase_if(fOpen, [&](BpDocItem* open) { return removed.count(open) > 0; });
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(keep), items.end());
}

BpHeading* BpDocument::HeadingHandle(BpDocItem* heading) {
  fHandles.push_back(std::unique_ptr<BpHeading>(new BpHeading(this, heading)));
  return fHandles.back().get();
}

void BpDocument::OpenProcedure(BpDocItem* heading) {
  assert(heading && heading->kind == BpItemKind::kHeading &&
         "host/output/BpDocument: an open procedure is a heading");
  fOpen.push_back(heading);
}

void BpDocument::CloseProcedure(BpDocItem* heading) {
  auto it = std::find(fOpen.begin(), fOpen.end(), heading);
  if (it != fOpen.end()) fOpen.erase(it);
}

void BpDocument::AddNote(BpDocItem* heading, BpNoteLine line) {
  if (!heading) heading = OpenContainer();
  auto& list = heading ? heading->items : fItems;
  for (auto& item : list) {
    if (item->kind == BpItemKind::kNotes) {
      item->notes.push_back(std::move(line));
      return;
    }
  }
  BpDocItem* notes = Append(heading, BpItemKind::kNotes);
  notes->text = ParserMessage::Translate("Notes");
  notes->notes.push_back(std::move(line));
}

void RouteMessages(Session& session, BpDocument& doc) {
  BpDocument* target = &doc;
  session.SetMessageSink(
      [target](int level, const std::string& text) { target->AddMessage(level, text); });
}

void AttachDocument(Session& session, BpDocument& doc) {
  RouteMessages(session, doc);
  session.SetOutput(&doc);
}
