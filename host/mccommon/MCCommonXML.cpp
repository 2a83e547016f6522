// The XML object writer, cursor reader and element-tree writer of the modelling-common layer.
#include "host/mccommon/MCCommonXML.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <istream>
#include <iterator>
#include <ostream>
#include <pugixml.hpp>
#include <sstream>

namespace MCCommonXML {

namespace {

constexpr const char* kRootName = "MCXMLRoot";
constexpr const char* kObjectName = "Object";
constexpr const char* kIntName = "Long";
constexpr const char* kDoubleName = "Double";

pugi::xml_node NextElement(pugi::xml_node n) {
  while (n && n.type() != pugi::node_element) n = n.next_sibling();
  return n;
}

pugi::xml_node FirstElementChild(pugi::xml_node n) { return NextElement(n.first_child()); }

std::string Describe(pugi::xml_node n) {
  std::string s = "<";
  s += n.name();
  if (pugi::xml_attribute a = n.attribute("name")) {
    s += " name=\"";
    s += a.value();
    s += "\"";
  }
  s += "> at byte " + std::to_string(n.offset_debug());
  return s;
}

}  // namespace

std::string DoubleToText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  assert(res.ec == std::errc() && "host/mccommon/MCCommonXML: to_chars fits");
  return std::string(buf, res.ptr);
}

static std::string_view TrimView(const std::string& text) {
  std::string_view v(text);
  while (!v.empty() && std::strchr(" \t\r\n", v.front())) v.remove_prefix(1);
  while (!v.empty() && std::strchr(" \t\r\n", v.back())) v.remove_suffix(1);
  return v;
}

bool TextToDouble(const std::string& text, double& value) {
  std::string_view v = TrimView(text);
  if (v == "nan" || v == "-nan") {
    value = std::nan("");
    return true;
  }
  if (v.empty()) return false;
  auto res = std::from_chars(v.data(), v.data() + v.size(), value);
  return res.ec == std::errc() && res.ptr == v.data() + v.size();
}

bool TextToInt(const std::string& text, int& value) {
  std::string_view v = TrimView(text);
  if (v.empty()) return false;
  auto res = std::from_chars(v.data(), v.data() + v.size(), value);
  return res.ec == std::errc() && res.ptr == v.data() + v.size();
}

// ---- XMLObj ----

struct XMLObj::Impl {
  std::ostream& out;
  pugi::xml_document doc;
  pugi::xml_node current;
  int depth = 0;
  explicit Impl(std::ostream& o) : out(o) {}
};

XMLObj::XMLObj(std::ostream& out) : fpImpl(std::make_unique<Impl>(out)) {}
XMLObj::~XMLObj() = default;

void XMLObj::StartObj(const std::string& name) {
  Impl& m = *fpImpl;
  if (m.depth == 0) {
    m.doc.reset();
    pugi::xml_node decl = m.doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    m.doc.append_child(pugi::node_doctype).set_value("MCXMLRoot SYSTEM \"savexml.dtd\"");
    m.current = m.doc.append_child(kRootName);
  }
  m.current = m.current.append_child(kObjectName);
  m.current.append_attribute("name") = name.c_str();
  ++m.depth;
}

void XMLObj::WriteSubElement(const std::string& name, int value) {
  assert(fpImpl->depth > 0 && "host/mccommon/MCCommonXML: depth > 0");
  pugi::xml_node n = fpImpl->current.append_child(kIntName);
  n.append_attribute("name") = name.c_str();
  n.text().set(std::to_string(value).c_str());
}

void XMLObj::WriteSubElement(const std::string& name, double value) {
  assert(fpImpl->depth > 0 && "host/mccommon/MCCommonXML: depth > 0");
  pugi::xml_node n = fpImpl->current.append_child(kDoubleName);
  n.append_attribute("name") = name.c_str();
  n.text().set(DoubleToText(value).c_str());
}

void XMLObj::EndObj() {
  Impl& m = *fpImpl;
  assert(m.depth > 0 && "host/mccommon/MCCommonXML: depth > 0");
  m.current = m.current.parent();
  if (--m.depth == 0) {
    std::ostringstream text;
    m.doc.save(text, "  ", pugi::format_indent, pugi::encoding_utf8);
    const std::string s = text.str();
    m.out.write(s.data(), static_cast<std::streamsize>(s.size()));
    fBytes += static_cast<long long>(s.size());
    m.doc.reset();
  }
}

// ---- XMLReader ----

struct XMLReader::Impl {
  pugi::xml_document doc;
  pugi::xml_node parent;  // the object the cursor is in
  pugi::xml_node next;    // the next element to read in it (null at its end)
  bool started = false;
};

XMLReader::XMLReader() : fpImpl(std::make_unique<Impl>()) {}
XMLReader::~XMLReader() = default;

bool XMLReader::Fail(const std::string& what) {
  fError = what;
  return false;
}

bool XMLReader::ParseStartXML(std::istream& in) {
  Impl& m = *fpImpl;
  m.started = false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Default flags: character and predefined entities only; a DOCTYPE is skipped unread.
  pugi::xml_parse_result res =
      m.doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!res) {
    return Fail(std::string("XML is not well formed at byte ") + std::to_string(res.offset) + ": " +
                res.description());
  }
  pugi::xml_node root = m.doc.document_element();
  if (!root || std::strcmp(root.name(), kRootName) != 0) {
    return Fail(std::string("the document element is not <") + kRootName + ">");
  }
  m.parent = root;
  m.next = FirstElementChild(root);
  m.started = true;
  return true;
}

bool XMLReader::ParseStartObj(const std::string& name) {
  Impl& m = *fpImpl;
  if (!m.started) return Fail("no document has been read");
  if (!m.next) return Fail("object \"" + name + "\" expected at the end of " + Describe(m.parent));
  if (std::strcmp(m.next.name(), kObjectName) != 0 || name != m.next.attribute("name").value()) {
    return Fail("object \"" + name + "\" expected, found " + Describe(m.next));
  }
  m.parent = m.next;
  m.next = FirstElementChild(m.parent);
  return true;
}

bool XMLReader::ParseValue(const std::string& name, int& value) {
  Impl& m = *fpImpl;
  if (!m.started) return Fail("no document has been read");
  if (!m.next) return Fail("value \"" + name + "\" expected at the end of " + Describe(m.parent));
  if (std::strcmp(m.next.name(), kIntName) != 0 || name != m.next.attribute("name").value()) {
    return Fail("integer \"" + name + "\" expected, found " + Describe(m.next));
  }
  if (!TextToInt(m.next.text().get(), value)) {
    return Fail("not an integer in " + Describe(m.next) + ": \"" + m.next.text().get() + "\"");
  }
  m.next = NextElement(m.next.next_sibling());
  return true;
}

bool XMLReader::ParseValue(const std::string& name, double& value) {
  Impl& m = *fpImpl;
  if (!m.started) return Fail("no document has been read");
  if (!m.next) return Fail("value \"" + name + "\" expected at the end of " + Describe(m.parent));
  if (std::strcmp(m.next.name(), kDoubleName) != 0 || name != m.next.attribute("name").value()) {
    return Fail("number \"" + name + "\" expected, found " + Describe(m.next));
  }
  if (!TextToDouble(m.next.text().get(), value)) {
    return Fail("not a number in " + Describe(m.next) + ": \"" + m.next.text().get() + "\"");
  }
  m.next = NextElement(m.next.next_sibling());
  return true;
}

bool XMLReader::ParseEndObj() {
  Impl& m = *fpImpl;
  if (!m.started) return Fail("no document has been read");
  if (m.next) return Fail("unexpected " + Describe(m.next) + " in " + Describe(m.parent));
  if (m.parent == m.doc.document_element()) return Fail("no object is open");
  m.next = NextElement(m.parent.next_sibling());
  m.parent = m.parent.parent();
  return true;
}

// ---- Element trees ----

void XMLElement::SetAttribute(const std::string& name, const std::string& value) {
  for (auto& a : fAttrs) {
    if (a.first == name) {
      a.second = value;
      return;
    }
  }
  fAttrs.emplace_back(name, value);
}

void XMLElement::SetAttribute(const std::string& name, int value) {
  SetAttribute(name, std::to_string(value));
}

void XMLElement::SetAttribute(const std::string& name, double value) {
  SetAttribute(name, DoubleToText(value));
}

XMLElement& XMLElement::AddElement(const std::string& name) {
  auto child = std::make_unique<XMLElement>(name);
  XMLElement& ref = *child;
  fChildren.push_back(std::move(child));
  return ref;
}

void XMLElement::AddString(const std::string& text) {
  fChildren.push_back(std::make_unique<XMLString>(text));
}

const std::string* XMLElement::FindAttribute(const std::string& name) const {
  for (const auto& a : fAttrs) {
    if (a.first == name) return &a.second;
  }
  return nullptr;
}

static void BuildNode(pugi::xml_node parent, const XMLElement& e) {
  pugi::xml_node n = parent.append_child(e.GetName().c_str());
  for (const auto& a : e.GetAttributes()) n.append_attribute(a.first.c_str()) = a.second.c_str();
  for (const auto& c : e.GetChildren()) {
    if (const auto* ce = dynamic_cast<const XMLElement*>(c.get())) {
      BuildNode(n, *ce);
    } else if (const auto* cs = dynamic_cast<const XMLString*>(c.get())) {
      n.append_child(pugi::node_pcdata).set_value(cs->GetText().c_str());
    }
  }
}

bool WriteTree(std::ostream& out, const XMLDocType& docType, const XMLElement& root, bool indent) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  doc.append_child(pugi::node_doctype)
      .set_value((docType.rootName + " SYSTEM \"" + docType.systemId + "\"").c_str());
  BuildNode(doc, root);
  doc.save(out, "  ", indent ? pugi::format_indent : pugi::format_raw, pugi::encoding_utf8);
  return static_cast<bool>(out);
}

}  // namespace MCCommonXML
