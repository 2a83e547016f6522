// The text renderer: the output document for a terminal. Headings are underlined, tables are
// boxed with nested row and column labels, footnote marks in brackets with the footnotes and
// the caption below, warnings and errors framed apart, everything wrapped at the given width.
#pragma once

#include <string>

class BpDocument;
struct BpTableGrid;

// The whole document as text. width: the terminal width (columns); below 20 means no wrapping.
std::string RenderText(const BpDocument& doc, int width);
// One laid-out grid as boxed text lines (each ending in a line break), fitted to width.
std::string RenderGridText(const BpTableGrid& grid, int width);
