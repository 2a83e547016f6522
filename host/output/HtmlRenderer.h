// The HTML renderer: the output document as one self-contained page (inline CSS, no scripts,
// no external files) with an outline of headings and tables on the left, split groups
// labelled, and a print style without the outline.
#pragma once

#include <string>

class BpDocument;

// The whole document as an HTML page. title: the page title.
std::string RenderHtml(const BpDocument& doc, const std::string& title = "Zira report");
