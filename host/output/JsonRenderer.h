// The JSON renderer: the output document as data for pipelines (docs/report-json.md describes
// the shape, docs/report-schema.json is its JSON Schema).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

class BpDocument;
class BpPivotTable;

// The document as a JSON value (keys in a fixed order): {"format": "zira-report", "version": 1,
// "items": [...]}.
nlohmann::ordered_json DocumentToJson(const BpDocument& doc);
// One table as a JSON value (an item of kind "table").
nlohmann::ordered_json TableToJson(const BpPivotTable& table);
// The document as JSON text, indented by two blanks; invalid UTF-8 becomes U+FFFD.
std::string RenderJson(const BpDocument& doc);
