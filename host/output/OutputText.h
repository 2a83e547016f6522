// Text helpers shared by the output renderers: display width of UTF-8 text, repair of invalid
// UTF-8, word wrapping to a column width, and HTML escaping.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The text with every byte that is not part of valid UTF-8 replaced by U+FFFD.
std::string MakeValidUtf8(std::string_view s);
// Terminal columns the text takes (wide characters count 2, combining marks 0, invalid bytes 1).
int DisplayWidth(std::string_view s);
// The text split at line breaks, each line wrapped at blanks to at most `width` columns; a word
// wider than the column is cut. Always at least one line. width < 1 means no wrapping.
std::vector<std::string> WrapText(std::string_view s, int width);
// The text with & < > " ' written as HTML character references (invalid UTF-8 repaired).
std::string EscapeHtml(std::string_view s);
