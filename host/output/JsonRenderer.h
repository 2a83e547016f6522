// The JSON renderer: the output document as data for pipelines (docs/report-json.md describes
// the shape, docs/report-schema.json is its JSON Schema).
#pragma once

#include <ostream>
#include <string>

class BpDocument;

// The document as JSON text, indented by two blanks, keys in a fixed order:
// {"format": "zira-report", "version": 1, "items": [...]}; invalid UTF-8 becomes U+FFFD.
std::string RenderJson(const BpDocument& doc);
// The same text written to `out` as it is made, a megabyte at a time, so a large report is
// never held whole in memory.
void RenderJson(const BpDocument& doc, std::ostream& out);
