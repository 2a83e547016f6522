#include "host/output/BpComposite.h"

#include <cassert>
#include <cstddef>
#include <memory>
#include <vector>

#include "host/output/BpDocument.h"
#include "host/session/Session.h"
#include "host/syntax/ParserMessage.h"

namespace {
// The parsed form of a format text. A table repeats a handful of formats on every row (a list
// of case numbers per duplicate group, say), so each thread keeps the last few it parsed;
// a parsed format never changes, so composites share it.
std::shared_ptr<const CompositeFormat> ParsedFormat(const std::string& text) {
  constexpr std::size_t kKept = 16;
  thread_local std::vector<std::shared_ptr<const CompositeFormat>> recent;
  for (const auto& f : recent)
    if (f->Source() == text) return f;
  auto f = std::make_shared<const CompositeFormat>(text);
  if (recent.size() == kKept) recent.erase(recent.begin());
  recent.push_back(f);
  return f;
}
}  // namespace

BpComposite::BpComposite(const std::string& format, bool translate)
    : fpFormat(ParsedFormat(translate ? ParserMessage::Translate(format) : format)) {}

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
