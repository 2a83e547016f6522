// A cell text made from a format and arguments: BpComposite. Texts added with Add are the
// arguments ^1, ^2, ... in order; Sublist ... EndSublist gathers one list argument whose
// elements are the texts added in between; SplitList fills a list with the current split
// group's variable/value pairs. The format language is CompositeFormat's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/output/BpCellText.h"
#include "host/output/CompositeFormat.h"

// Invariants:
//  1. fpFormat is never null (the parsed format, shared by copies);
//  2. when fOpenList is true, the last argument is a list.
class BpComposite : public BpCellText {
 public:
  // translate: pass the format through the host's message translation first.
  BpComposite(const std::string& format, bool translate);

  // Appends a text: an element of the open list, else the next argument. The text is copied.
  BpComposite& Add(const BpCellText& text);
  // Opens a list argument. A list still open is closed first.
  BpComposite& Sublist();
  // Closes the open list (nothing happens when none is open).
  BpComposite& EndSublist();
  // Adds the current split group's pairs (variable name, value text) as elements of the open
  // list, or, with no list open, as a list argument of its own. No split: an empty list.
  // The split is the current session's output document's (BpDocument::CurrentSplit).
  BpComposite& SplitList();
  // Ends the composite: closes an open list. Content() may be read before, too.
  BpComposite& Finish();

  std::unique_ptr<BpCellText> Replicate() const override;
  BpCellContent Content() const override;

  // The parsed format (to test it is well formed).
  const CompositeFormat& Format() const { return *fpFormat; }

 private:
  std::shared_ptr<const CompositeFormat> fpFormat;
  std::vector<CompositeFormat::Argument> fArgs;
  bool fOpenList = false;
};
