#include "host/output/OutputText.h"

#include <utf8proc.h>

namespace {

// Decodes one code point at s[i]; returns its byte length, or 0 for an invalid sequence.
int DecodeAt(std::string_view s, size_t i, int* cp) {
  utf8proc_int32_t c = 0;
  utf8proc_ssize_t n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + i),
                                        static_cast<utf8proc_ssize_t>(s.size() - i), &c);
  if (n <= 0) return 0;
  *cp = c;
  return static_cast<int>(n);
}

int CodePointWidth(int cp) {
  if (cp < 0x80) return cp < 0x20 ? 0 : 1;
  int w = utf8proc_charwidth(cp);
  return w < 0 ? 1 : w;
}

// One code point (or invalid byte) of a text with its byte range and width.
struct Glyph {
  size_t begin;
  size_t end;
  int width;
};

std::vector<Glyph> Glyphs(std::string_view s) {
  std::vector<Glyph> out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    int cp = 0;
    int n = DecodeAt(s, i, &cp);
    if (n == 0) {
      out.push_back({i, i + 1, 1});
      ++i;
    } else {
      out.push_back({i, i + static_cast<size_t>(n), CodePointWidth(cp)});
      i += static_cast<size_t>(n);
    }
  }
  return out;
}

// Wraps one line (no line breaks inside) into `out`.
void WrapLine(std::string_view line, int width, std::vector<std::string>& out) {
  if (width < 1 || DisplayWidth(line) <= width) {
    out.emplace_back(line);
    return;
  }
  std::vector<Glyph> g = Glyphs(line);
  size_t start = 0;  // glyph index where the current output line starts
  while (start < g.size()) {
    while (start < g.size() && line[g[start].begin] == ' ') ++start;  // no leading blanks
    if (start >= g.size()) break;
    int used = 0;
    size_t end = start;    // first glyph not taken
    size_t lastBlank = 0;  // glyph index of the last blank seen, 0 when none
    bool sawBlank = false;
    while (end < g.size() && used + g[end].width <= width) {
      if (line[g[end].begin] == ' ') {
        lastBlank = end;
        sawBlank = true;
      }
      used += g[end].width;
      ++end;
    }
    if (end < g.size() && line[g[end].begin] != ' ' && sawBlank && lastBlank > start) {
      end = lastBlank;  // break at the last blank rather than inside a word
    }
    if (end == start) end = start + 1;  // a glyph wider than the column still moves on
    size_t b = g[start].begin, e = g[end - 1].end;
    std::string piece(line.substr(b, e - b));
    while (!piece.empty() && piece.back() == ' ') piece.pop_back();
    out.push_back(std::move(piece));
    start = end;
  }
}

}  // namespace

std::string MakeValidUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    int cp = 0;
    int n = DecodeAt(s, i, &cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(s.substr(i, static_cast<size_t>(n)));
      i += static_cast<size_t>(n);
    }
  }
  return out;
}

int DisplayWidth(std::string_view s) {
  int w = 0;
  for (size_t i = 0; i < s.size();) {
    int cp = 0;
    int n = DecodeAt(s, i, &cp);
    if (n == 0) {
      ++w;
      ++i;
    } else {
      w += CodePointWidth(cp);
      i += static_cast<size_t>(n);
    }
  }
  return w;
}

std::vector<std::string> WrapText(std::string_view s, int width) {
  std::vector<std::string> out;
  size_t b = 0;
  while (true) {
    size_t e = s.find('\n', b);
    std::string_view line = s.substr(b, e == std::string_view::npos ? s.size() - b : e - b);
    size_t before = out.size();
    WrapLine(line, width, out);
    if (out.size() == before) out.emplace_back();
    if (e == std::string_view::npos) break;
    b = e + 1;
  }
  return out;
}

std::string EscapeHtml(std::string_view s) {
  std::string valid = MakeValidUtf8(s);
  std::string out;
  out.reserve(valid.size() + 16);
  for (char c : valid) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}
