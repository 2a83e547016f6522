#include "host/output/BpProcedure.h"

#include <cassert>

#include "host/common/Messages.h"
#include "host/output/BpDocument.h"
#include "host/session/Session.h"
#include "host/syntax/ParserMessage.h"

namespace {
BpDocument* SessionDocument() {
  Session* s = Session::Current();
  return s ? s->Output() : nullptr;
}
}  // namespace

BpProcedure::BpProcedure(const std::string& title, int number) : fNumber(number) {
  BpDocument* doc = SessionDocument();
  if (!doc) {
    fpPrivate = std::make_unique<BpDocument>();
    doc = fpPrivate.get();
  }
  BpDocItem* item = doc->NewHeadingItem(nullptr, ParserMessage::Translate(title), number);
  Bind(doc, item);
  doc->OpenProcedure(item);
}

BpProcedure::~BpProcedure() {
  assert(Item() && "host/output/BpProcedure: heading");
  Document().CloseProcedure(Item());
}

void BpProcedure::AddNotes(int kind, const BpCellText& label, const BpCellText& value) {
  Document().AddNote(Item(), {kind, label.Text(), value.Text()});
}

void BpError(const BpCellText& text, int show, int level) { BpError(text.Text(), show, level); }

void BpError(const std::string& text, int show, int level) {
  if (show == 0) {
    if (Session* s = Session::Current()) s->NoteMessageLevel(level);
    return;
  }
  HostReport(level, text);
}

void AddNotes(int kind, const BpCellText& label, const BpCellText& value) {
  BpDocument* doc = SessionDocument();
  if (!doc) return;
  doc->AddNote(nullptr, {kind, label.Text(), value.Text()});
}
