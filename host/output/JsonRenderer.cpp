#include "host/output/JsonRenderer.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <vector>

#include "host/output/BpDocument.h"
#include "host/output/TableLayout.h"

namespace {

// Writes JSON text straight into a string, indented by two blanks per level, with the layout
// and number forms of nlohmann::json's dump(2): a report of millions of cells is written
// without building a tree of values first. With a sink, the text goes out to it a megabyte
// at a time instead of growing one string of the whole report.
class JsonWriter {
 public:
  explicit JsonWriter(std::string* out, std::ostream* sink = nullptr) : fOut(*out), fSink(sink) {}
  // Hands what is written so far to the sink, if any.
  void Flush() {
    if (!fSink) return;
    fSink->write(fOut.data(), static_cast<std::streamsize>(fOut.size()));
    fOut.clear();
  }

  void BeginObject() { Open('{', true); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('[', false); }
  void EndArray() { Close(']'); }
  // The next member's name (inside an object).
  void Key(std::string_view key) {
    Separator();
    Quoted(key);
    fOut += ": ";
  }
  void String(std::string_view s) {
    Prefix();
    Quoted(s);
  }
  void Int(long long v) {
    Prefix();
    char buf[24];
    fOut.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
  }
  void Double(double v) {
    Prefix();
    // A whole number below 1e15 (counts, case numbers: most values of a report) is written
    // as nlohmann writes such a floating-point value, its digits and ".0"; any other through
    // nlohmann itself.
    if (v > -1e15 && v < 1e15 && v == std::trunc(v) && !(v == 0 && std::signbit(v))) {
      char buf[24];
      fOut.append(buf, std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v)).ptr);
      fOut += ".0";
      return;
    }
    fOut += nlohmann::json(v).dump();
  }
  void Bool(bool v) {
    Prefix();
    fOut += v ? "true" : "false";
  }
  // Text as it stands, outside the structure (the final line feed).
  void Raw(std::string_view text) { fOut += text; }
  void Null() {
    Prefix();
    fOut += "null";
  }
  // Shorthands for a member with a scalar value.
  void Member(std::string_view key, std::string_view s) {
    Key(key);
    Quoted(s);
  }
  void Member(std::string_view key, const char* s) { Member(key, std::string_view(s)); }
  void Member(std::string_view key, const std::string& s) { Member(key, std::string_view(s)); }

 private:
  struct Level {
    bool object;
    int count;
  };
  void Open(char bracket, bool object) {
    Prefix();
    fOut += bracket;
    fLevels.push_back({object, 0});
  }
  void Close(char bracket) {
    const bool empty = fLevels.back().count == 0;
    fLevels.pop_back();
    if (!empty) {
      fOut += '\n';
      fOut.append(2 * fLevels.size(), ' ');
    }
    fOut += bracket;
  }
  // Before an element of the enclosing level: a comma after the previous one, a new line and
  // the indentation.
  void Separator() {
    if (fSink && fOut.size() >= kFlushBytes) Flush();
    Level& level = fLevels.back();
    fOut += level.count++ == 0 ? "\n" : ",\n";
    fOut.append(2 * fLevels.size(), ' ');
  }
  // Before a value: array elements take a separator; an object member's value follows its key.
  void Prefix() {
    if (!fLevels.empty() && !fLevels.back().object) Separator();
  }
  void Quoted(std::string_view s) {
    bool plain = true;
    for (unsigned char c : s) {
      if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') {
        plain = false;
        break;
      }
    }
    if (plain) {
      fOut += '"';
      fOut += s;
      fOut += '"';
    } else {  // escapes, UTF-8 checked, invalid bytes replaced by U+FFFD
      fOut += nlohmann::json(std::string(s))
                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
  }

  static constexpr size_t kFlushBytes = size_t{1} << 20;
  std::string& fOut;
  std::ostream* fSink;
  std::vector<Level> fLevels;
};

void WriteSplit(JsonWriter& w, const BpSplit& split) {
  w.Key("split");
  w.BeginArray();
  for (const auto& [variable, value] : split) {
    w.BeginObject();
    w.Member("variable", variable);
    w.Member("value", value);
    w.EndObject();
  }
  w.EndArray();
}

void WriteMarks(JsonWriter& w, const std::vector<int>& notes) {
  w.BeginArray();
  for (int n : notes) w.String(FootnoteMark(n));
  w.EndArray();
}

void WriteTree(JsonWriter& w, const BpGroup& g) {
  w.BeginArray();
  for (const BpGroup::Child& c : g.Children()) {
    w.BeginObject();
    if (c.category) {
      const BpCellContent& label = c.category->Label();
      w.Member("kind", "category");
      w.Member("label", label.text);
      if (label.value) {
        w.Key("value");
        w.Double(*label.value);
      }
      if (!label.tooltip.empty()) w.Member("tooltip", label.tooltip);
      if (!c.category->Notes().empty()) {
        w.Key("notes");
        WriteMarks(w, c.category->Notes());
      }
    } else {
      w.Member("kind", "group");
      w.Member("label", c.group->Label().text);
      w.Key("showLabel");
      w.Bool(c.group->ShowLabel());
      w.Key("children");
      WriteTree(w, *c.group);
    }
    w.EndObject();
  }
  w.EndArray();
}

// The labels of a group and the groups around it, outermost first; the dimension itself (the
// group without a parent) has none in a path.
void WriteGroupLabels(JsonWriter& w, const BpGroup* g) {
  if (!g || !g->Parent()) return;
  WriteGroupLabels(w, g->Parent());
  w.String(g->Label().text);
}

// Labels from the outermost group below the dimension down to the category.
void WritePath(JsonWriter& w, const BpCategory* c) {
  w.BeginArray();
  WriteGroupLabels(w, c->Parent());
  w.String(c->Label().text);
  w.EndArray();
}

void WriteTable(JsonWriter& w, const BpPivotTable& t) {
  w.BeginObject();
  w.Member("kind", "table");
  w.Member("title", t.Title().text);
  w.Member("id", t.Identifier());
  WriteSplit(w, t.Split());
  w.Key("notes");
  WriteMarks(w, t.Notes());
  w.Key("caption");
  if (t.CaptionText().empty()) {
    w.Null();
  } else {
    w.String(t.CaptionText());
  }
  w.Key("dimensions");
  w.BeginArray();
  for (const auto& d : t.Dimensions()) {
    w.BeginObject();
    w.Member("title", d->Label().text);
    w.Member("axis", d->Place() == 1 ? "columns" : "rows");
    w.Key("order");
    w.Int(d->Order());
    w.Key("hideTitle");
    w.Bool(d->HideTitle());
    w.Key("categories");
    WriteTree(w, *d);
    w.EndObject();
  }
  w.EndArray();
  w.Key("cells");
  w.BeginArray();
  for (const auto& [key, content] : t.Cells()) {
    w.BeginObject();
    w.Key("path");
    w.BeginArray();
    for (size_t k = 0; k < key.size(); ++k) {
      if (key[k] < 0) {
        w.BeginArray();
        w.EndArray();
      } else {
        WritePath(w, t.Dimensions()[k]->Leaves()[static_cast<size_t>(key[k])]);
      }
    }
    w.EndArray();
    w.Member("text", content.text);
    if (content.value) {
      w.Key("value");
      w.Double(*content.value);
    }
    if (!content.tooltip.empty()) w.Member("tooltip", content.tooltip);
    w.EndObject();
  }
  w.EndArray();
  w.Key("footnotes");
  w.BeginArray();
  for (size_t i = 0; i < t.Footnotes().size(); ++i) {
    w.BeginObject();
    w.Member("mark", FootnoteMark(static_cast<int>(i)));
    w.Member("text", t.Footnotes()[i]);
    w.EndObject();
  }
  w.EndArray();
  w.Key("showWhenEmpty");
  w.Bool(t.ShowWhenEmpty());
  w.EndObject();
}

void WriteItem(JsonWriter& w, const BpDocItem& item) {
  if (item.kind == BpItemKind::kTable) {
    WriteTable(w, *item.table);
    return;
  }
  w.BeginObject();
  switch (item.kind) {
    case BpItemKind::kHeading:
      w.Member("kind", "heading");
      w.Member("title", item.text);
      if (item.number != 0) {
        w.Key("number");
        w.Int(item.number);
      }
      w.Key("items");
      w.BeginArray();
      for (const auto& child : item.items) WriteItem(w, *child);
      w.EndArray();
      break;
    case BpItemKind::kWarning:
    case BpItemKind::kError:
    case BpItemKind::kText:
      w.Member("kind", item.kind == BpItemKind::kWarning ? "warning"
                       : item.kind == BpItemKind::kError ? "error"
                                                         : "text");
      w.Member("text", item.text);
      break;
    case BpItemKind::kNotes:
      w.Member("kind", "notes");
      w.Member("title", item.text);
      w.Key("lines");
      w.BeginArray();
      for (const BpNoteLine& l : item.notes) {
        w.BeginObject();
        w.Key("kind");
        w.Int(l.kind);
        w.Member("label", l.label);
        w.Member("value", l.value);
        w.EndObject();
      }
      w.EndArray();
      break;
    case BpItemKind::kTable:
      break;
  }
  WriteSplit(w, item.split);
  w.EndObject();
}

void WriteDocument(JsonWriter& w, const BpDocument& doc) {
  w.BeginObject();
  w.Member("format", "zira-report");
  w.Key("version");
  w.Int(1);
  w.Key("items");
  w.BeginArray();
  for (const auto& item : doc.Items()) WriteItem(w, *item);
  w.EndArray();
  w.EndObject();
  w.Raw("\n");
}

}  // namespace

std::string RenderJson(const BpDocument& doc) {
  std::string out;
  JsonWriter w(&out);
  WriteDocument(w, doc);
  return out;
}

void RenderJson(const BpDocument& doc, std::ostream& out) {
  std::string buffer;
  JsonWriter w(&buffer, &out);
  WriteDocument(w, doc);
  w.Flush();
}
