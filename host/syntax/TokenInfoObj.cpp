#include "host/syntax/TokenInfoObj.h"

#include <cassert>
#include <charconv>

#include "host/common/StringHelpers.h"

std::string_view CommandSource::Line(int line) const {
  const int k = line - firstLine;
  if (k < 0 || k >= static_cast<int>(lines.size())) return {};
  return lines[static_cast<size_t>(k)];
}

TokenInfoObj::TokenInfoObj(Kind kind, std::string text, int line, int column)
    : fKind(kind), fText(std::move(text)), fLine(line), fColumn(column) {}

TokenInfoObj TokenInfoObj::Name(std::string text) {
  return TokenInfoObj(kName, std::move(text), 0, 0);
}

TokenInfoObj TokenInfoObj::Number(std::string text) {
  TokenInfoObj t(kNumber, text, 0, 0);
  const char* b = text.data();
  const char* e = b + text.size();
  double v = 0.0;
  std::from_chars(b, e, v);
  int64_t iv = 0;
  auto r = std::from_chars(b, e, iv);
  t.SetNumber(v, r.ec == std::errc() && r.ptr == e, iv);
  return t;
}

TokenInfoObj TokenInfoObj::Operator(std::string text, int code) {
  TokenInfoObj t(kOperator, std::move(text), 0, 0);
  t.SetOperatorCode(code);
  return t;
}

std::string TokenInfoObj::getUpperString() const { return GetUpperString(getString()); }

void TokenInfoObj::SetNumber(double value, bool isInteger, int64_t integer) {
  assert(fKind == kNumber && "host/syntax/TokenInfoObj: SetNumber on a number token");
  fNumber = value;
  fIsInteger = isInteger;
  fInteger = isInteger ? integer : 0;
}

int TokenInfoObj::getWidth() const { return CountCharacters(fText); }

std::string TokenInfoObj::getLocationText() const {
  return FormatSourceLocation(fpSource.get(), fLine, fColumn, getWidth());
}

int CountCharacters(std::string_view text) {
  int n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string FormatSourceLocation(const CommandSource* source, int line, int column, int width) {
  if (line <= 0) return {};
  std::string out = "  at line " + std::to_string(line) + ", column " + std::to_string(column);
  if (source && !source->fileName.empty()) out += " in " + source->fileName;
  std::string_view text = source ? source->Line(line) : std::string_view();
  if (text.empty()) return out;
  out += ":\n    ";
  out += text;
  out += "\n    ";
  // The caret line copies tabs from the source so that the caret stays under the token.
  int col = 1;
  for (size_t i = 0; i < text.size() && col < column; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;
    out.push_back(c == '\t' ? '\t' : ' ');
    ++col;
  }
  out.append(static_cast<size_t>(width > 1 ? width : 1), '^');
  return out;
}
