// The XML writer and reader of the modelling-common layer: an object writer and a matching
// cursor reader for stored state, and an element tree for result documents. Built on pugixml;
// the reader never loads external entities or DTDs (a DOCTYPE is skipped, not processed).
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace MCCommonXML {

// Writes nested objects of named int and double values as one XML document:
//   <MCXMLRoot><Object name="FSSettings"><Long name="n">3</Long><Double name="x">0.7</Double>
// The document is written to the stream when the outermost object ends. Doubles are written
// in their shortest exact form, so a value reads back bit for bit ("nan", "inf", "-inf" too).
// Borrows the stream for its lifetime.
// Invariants: 1. the open-object depth is never negative.
class XMLObj {
 public:
  explicit XMLObj(std::ostream& out);
  ~XMLObj();
  XMLObj(const XMLObj&) = delete;
  XMLObj& operator=(const XMLObj&) = delete;

  void StartObj(const std::string& name);
  void WriteSubElement(const std::string& name, int value);
  void WriteSubElement(const std::string& name, double value);
  // Ends the innermost open object; ending the outermost writes the document.
  void EndObj();
  // Bytes of the document written so far (0 until the outermost object ends).
  long long BytesWritten() const { return fBytes; }

 private:
  struct Impl;
  std::unique_ptr<Impl> fpImpl;
  long long fBytes = 0;
};

// Reads what XMLObj wrote, in the order it was written. Every operation answers false on a
// mismatch and leaves the reason, with the element and byte offset, in GetError().
// Invariants: 1. the cursor is inside the document once ParseStartXML has succeeded.
class XMLReader {
 public:
  XMLReader();
  ~XMLReader();
  XMLReader(const XMLReader&) = delete;
  XMLReader& operator=(const XMLReader&) = delete;

  // Reads and parses the whole stream; the cursor stands before the first object.
  bool ParseStartXML(std::istream& in);
  // The next element must be the object `name`; the cursor moves into it.
  bool ParseStartObj(const std::string& name);
  // The next element must be the value `name` of that kind; it is read and passed.
  bool ParseValue(const std::string& name, int& value);
  bool ParseValue(const std::string& name, double& value);
  // The current object must have no element left; the cursor moves behind it.
  bool ParseEndObj();
  const std::string& GetError() const { return fError; }

 private:
  bool Fail(const std::string& what);
  struct Impl;
  std::unique_ptr<Impl> fpImpl;
  std::string fError;
};

// The reading steps as free functions, for readers written in that style.
inline bool ParseStartXML(XMLReader& r, std::istream& in) { return r.ParseStartXML(in); }
inline bool ParseStartObj(XMLReader& r, const std::string& name) { return r.ParseStartObj(name); }
inline bool ParseValue(XMLReader& r, const std::string& name, int& v) {
  return r.ParseValue(name, v);
}
inline bool ParseValue(XMLReader& r, const std::string& name, double& v) {
  return r.ParseValue(name, v);
}
inline bool ParseEndObj(XMLReader& r) { return r.ParseEndObj(); }

// ---- Element trees for result documents ----

class XMLNode {
 public:
  virtual ~XMLNode() = default;
};

// A text node.
class XMLString : public XMLNode {
 public:
  explicit XMLString(std::string text) : fText(std::move(text)) {}
  const std::string& GetText() const { return fText; }

 private:
  std::string fText;
};

// An element with ordered attributes and owned children (elements and texts).
class XMLElement : public XMLNode {
 public:
  explicit XMLElement(std::string name) : fName(std::move(name)) {}
  // Sets an attribute; a new name goes after the existing ones.
  void SetAttribute(const std::string& name, const std::string& value);
  void SetAttribute(const std::string& name, int value);
  void SetAttribute(const std::string& name, double value);  // shortest exact form
  // Appends a child element and answers it (owned by this element).
  XMLElement& AddElement(const std::string& name);
  void AddString(const std::string& text);

  const std::string& GetName() const { return fName; }
  const std::vector<std::pair<std::string, std::string>>& GetAttributes() const { return fAttrs; }
  // The attribute's value, or null.
  const std::string* FindAttribute(const std::string& name) const;
  const std::vector<std::unique_ptr<XMLNode>>& GetChildren() const { return fChildren; }

 private:
  std::string fName;
  std::vector<std::pair<std::string, std::string>> fAttrs;
  std::vector<std::unique_ptr<XMLNode>> fChildren;
};

// The document type line: <!DOCTYPE rootName SYSTEM "systemId">.
struct XMLDocType {
  std::string rootName;
  std::string systemId;
};

// Writes the declaration, the document type and the tree; indented with two blanks when
// `indent`. Answers whether the stream is still good.
bool WriteTree(std::ostream& out, const XMLDocType& docType, const XMLElement& root, bool indent);

// The shortest text that reads back as exactly `value` ("nan", "inf", "-inf" for those).
std::string DoubleToText(double value);
// Reads such a text (surrounding blanks allowed); false when it is not one whole number.
bool TextToDouble(const std::string& text, double& value);
bool TextToInt(const std::string& text, int& value);

}  // namespace MCCommonXML
