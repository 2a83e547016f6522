#include "host/output/JsonRenderer.h"

#include "host/output/BpDocument.h"
#include "host/output/TableLayout.h"

using json = nlohmann::ordered_json;

namespace {

json SplitJson(const BpSplit& split) {
  json a = json::array();
  for (const auto& [variable, value] : split)
    a.push_back({{"variable", variable}, {"value", value}});
  return a;
}

json MarksJson(const std::vector<int>& notes) {
  json a = json::array();
  for (int n : notes) a.push_back(FootnoteMark(n));
  return a;
}

json TreeJson(const BpGroup& g) {
  json children = json::array();
  for (const BpGroup::Child& c : g.Children()) {
    if (c.category) {
      json node = {{"kind", "category"}, {"label", c.category->Label().text}};
      if (c.category->Label().value) node["value"] = *c.category->Label().value;
      if (!c.category->Label().tooltip.empty()) node["tooltip"] = c.category->Label().tooltip;
      if (!c.category->Notes().empty()) node["notes"] = MarksJson(c.category->Notes());
      children.push_back(std::move(node));
    } else {
      children.push_back({{"kind", "group"},
                          {"label", c.group->Label().text},
                          {"showLabel", c.group->ShowLabel()},
                          {"children", TreeJson(*c.group)}});
    }
  }
  return children;
}

// Labels from the outermost group below the dimension down to the category.
json PathJson(const BpCategory* c) {
  std::vector<std::string> labels{c->Label().text};
  for (const BpGroup* g = c->Parent(); g && g->Parent(); g = g->Parent())
    labels.insert(labels.begin(), g->Label().text);
  return labels;
}

json ItemJson(const BpDocItem& item) {
  json j;
  switch (item.kind) {
    case BpItemKind::kHeading: {
      j = {{"kind", "heading"}, {"title", item.text}};
      if (item.number != 0) j["number"] = item.number;
      json items = json::array();
      for (const auto& child : item.items) items.push_back(ItemJson(*child));
      j["items"] = std::move(items);
      break;
    }
    case BpItemKind::kTable:
      j = TableToJson(*item.table);
      break;
    case BpItemKind::kWarning:
      j = {{"kind", "warning"}, {"text", item.text}};
      break;
    case BpItemKind::kError:
      j = {{"kind", "error"}, {"text", item.text}};
      break;
    case BpItemKind::kText:
      j = {{"kind", "text"}, {"text", item.text}};
      break;
    case BpItemKind::kNotes: {
      json lines = json::array();
      for (const BpNoteLine& l : item.notes)
        lines.push_back({{"kind", l.kind}, {"label", l.label}, {"value", l.value}});
      j = {{"kind", "notes"}, {"title", item.text}, {"lines", std::move(lines)}};
      break;
    }
  }
  if (item.kind != BpItemKind::kTable) j["split"] = SplitJson(item.split);
  return j;
}

}  // namespace

json TableToJson(const BpPivotTable& t) {
  json j = {{"kind", "table"},
            {"title", t.Title().text},
            {"id", t.Identifier()},
            {"split", SplitJson(t.Split())},
            {"notes", MarksJson(t.Notes())}};
  j["caption"] = t.CaptionText().empty() ? json(nullptr) : json(t.CaptionText());
  json dims = json::array();
  for (const auto& d : t.Dimensions()) {
    dims.push_back({{"title", d->Label().text},
                    {"axis", d->Place() == 1 ? "columns" : "rows"},
                    {"order", d->Order()},
                    {"hideTitle", d->HideTitle()},
                    {"categories", TreeJson(*d)}});
  }
  j["dimensions"] = std::move(dims);
  json cells = json::array();
  for (const auto& [key, content] : t.Cells()) {
    json path = json::array();
    for (size_t k = 0; k < key.size(); ++k) {
      if (key[k] < 0) {
        path.push_back(json::array());
      } else {
        path.push_back(PathJson(t.Dimensions()[k]->Leaves()[static_cast<size_t>(key[k])].get()));
      }
    }
    json cell = {{"path", std::move(path)}, {"text", content.text}};
    if (content.value) cell["value"] = *content.value;
    if (!content.tooltip.empty()) cell["tooltip"] = content.tooltip;
    cells.push_back(std::move(cell));
  }
  j["cells"] = std::move(cells);
  json notes = json::array();
  for (size_t i = 0; i < t.Footnotes().size(); ++i)
    notes.push_back({{"mark", FootnoteMark(static_cast<int>(i))}, {"text", t.Footnotes()[i]}});
  j["footnotes"] = std::move(notes);
  j["showWhenEmpty"] = t.ShowWhenEmpty();
  return j;
}

json DocumentToJson(const BpDocument& doc) {
  json items = json::array();
  for (const auto& item : doc.Items()) items.push_back(ItemJson(*item));
  return {{"format", "zira-report"}, {"version", 1}, {"items", std::move(items)}};
}

std::string RenderJson(const BpDocument& doc) {
  return DocumentToJson(doc).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}
