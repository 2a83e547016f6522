#include "host/output/BpComposite.h"

#include <cassert>

#include "host/output/BpDocument.h"
#include "host/session/Session.h"
#include "host/syntax/ParserMessage.h"

BpComposite::BpComposite(const std::string& format, bool translate)
    : fpFormat(std::make_shared<const CompositeFormat>(translate ? ParserMessage::Translate(format)
                                                                 : format)) {}

BpComposite& BpComposite::Add(const BpCellText& text) {
  if (fOpenList) {
    assert(!fArgs.empty() && fArgs.back().isList && "host/output/BpComposite: open list");
    fArgs.back().elements.push_back(text.Text());
  } else {
    CompositeFormat::Argument a;
    a.text = text.Text();
    fArgs.push_back(std::move(a));
  }
  return *this;
}

BpComposite& BpComposite::Sublist() {
  EndSublist();
  CompositeFormat::Argument a;
  a.isList = true;
  fArgs.push_back(std::move(a));
  fOpenList = true;
  return *this;
}

BpComposite& BpComposite::EndSublist() {
  fOpenList = false;
  return *this;
}

BpComposite& BpComposite::SplitList() {
  bool ownList = !fOpenList;
  if (ownList) Sublist();
  Session* session = Session::Current();
  BpDocument* doc = session ? session->Output() : nullptr;
  if (doc) {
    for (const auto& [name, value] : doc->CurrentSplit()) {
      fArgs.back().elements.push_back(name);
      fArgs.back().elements.push_back(value);
    }
  }
  if (ownList) EndSublist();
  return *this;
}

BpComposite& BpComposite::Finish() { return EndSublist(); }

std::unique_ptr<BpCellText> BpComposite::Replicate() const {
  return std::make_unique<BpComposite>(*this);
}

BpCellContent BpComposite::Content() const {
  assert(fpFormat && "host/output/BpComposite: fpFormat != 0");
  BpCellContent c;
  c.text = fpFormat->Render(fArgs);
  return c;
}
