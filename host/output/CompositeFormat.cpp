#include "host/output/CompositeFormat.h"

#include <algorithm>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the digits at f[*i] (at least one); numbers are capped well above any real use.
int ReadNumber(std::string_view f, size_t* i) {
  int n = 0;
  while (*i < f.size() && IsDigit(f[*i])) {
    if (n < 1000000) n = n * 10 + (f[*i] - '0');
    ++*i;
  }
  return n;
}

std::string JoinElements(const std::vector<std::string>& elements) {
  std::string out;
  for (size_t i = 0; i < elements.size(); ++i) {
    if (i) out += ", ";
    out += elements[i];
  }
  return out;
}

}  // namespace

CompositeFormat::CompositeFormat(std::string_view format) : fSource(format) {
  if (!Parse(format)) fPieces.clear();
}

bool CompositeFormat::Parse(std::string_view f) {
  std::vector<Piece>* out = &fPieces;
  Piece bracket;
  bool inBracket = false;
  int part = 0;
  size_t bracketAt = 0;
  std::string literal;
  auto fail = [&](size_t at, const char* what) {
    fError = std::string(what) + " at column " + std::to_string(at + 1);
    return false;
  };
  auto flush = [&] {
    if (literal.empty()) return;
    Piece p;
    p.text = std::move(literal);
    literal.clear();
    out->push_back(std::move(p));
  };
  auto mark = [&] {
    if (inBracket) bracket.partGiven[part] = true;
  };
  for (size_t i = 0; i < f.size();) {
    char c = f[i];
    if (c == '\\') {
      if (i + 1 < f.size()) {
        literal += f[i + 1] == 'n' ? '\n' : f[i + 1];
        i += 2;
      } else {
        literal += '\\';
        ++i;
      }
      mark();
      continue;
    }
    if ((c == '%' || c == '^' || c == '$') && i + 1 < f.size() && IsDigit(f[i + 1])) {
      size_t j = i + 1;
      int n = ReadNumber(f, &j);
      if (n >= 1) {
        flush();
        Piece p;
        p.kind = Kind::kReference;
        p.number = n;
        p.text = std::string(f.substr(i, j - i));
        out->push_back(std::move(p));
        if (inBracket) bracket.itemSize = std::max(bracket.itemSize, n);
        mark();
        i = j;
        continue;
      }
    }
    if (c == '[') {
      if (inBracket) return fail(i, "a list bracket inside a list bracket");
      flush();
      inBracket = true;
      bracket = Piece();
      bracket.kind = Kind::kBracket;
      part = 0;
      out = &bracket.parts[0];
      bracketAt = i;
      ++i;
      continue;
    }
    if (c == ':' && inBracket) {
      flush();
      if (part == 2) return fail(i, "a list bracket has more than three parts");
      out = &bracket.parts[++part];
      ++i;
      continue;
    }
    if (c == ']') {
      if (!inBracket) return fail(i, "']' without '['");
      flush();
      size_t j = i + 1;
      if (j >= f.size() || !IsDigit(f[j])) return fail(i, "list number missing after ']'");
      bracket.number = ReadNumber(f, &j);
      if (bracket.number < 1) return fail(i, "list number 0 after ']'");
      if (part == 0) {  // [B]k
        bracket.parts[1] = std::move(bracket.parts[0]);
        bracket.parts[0].clear();
        bracket.partGiven[1] = bracket.partGiven[0];
        bracket.partGiven[0] = false;
      }
      inBracket = false;
      out = &fPieces;
      fPieces.push_back(std::move(bracket));
      i = j;
      continue;
    }
    literal += c;
    mark();
    ++i;
  }
  if (inBracket) return fail(bracketAt, "'[' is not closed");
  flush();
  return true;
}

std::string CompositeFormat::RenderPieces(const std::vector<Piece>& pieces,
                                          const std::vector<std::string>* item) {
  std::string out;
  for (const Piece& p : pieces) {
    if (p.kind == Kind::kReference && item && static_cast<size_t>(p.number) <= item->size()) {
      out += (*item)[static_cast<size_t>(p.number) - 1];
    } else {
      out += p.text;
    }
  }
  return out;
}

std::string CompositeFormat::RenderBracket(const Piece& b,
                                           const std::vector<Argument>& args) const {
  if (static_cast<size_t>(b.number) > args.size()) return {};
  const Argument& arg = args[static_cast<size_t>(b.number) - 1];
  std::vector<std::string> single;
  if (!arg.isList) single.push_back(arg.text);
  const std::vector<std::string>& elements = arg.isList ? arg.elements : single;
  size_t size = static_cast<size_t>(b.itemSize);
  size_t nItems = (elements.size() + size - 1) / size;
  std::string out;
  std::vector<std::string> item;
  for (size_t i = 0; i < nItems; ++i) {
    auto first = elements.begin() + static_cast<std::ptrdiff_t>(i * size);
    auto last =
        elements.begin() + static_cast<std::ptrdiff_t>(std::min(elements.size(), (i + 1) * size));
    item.assign(first, last);
    int which = 1;
    if (i == 0 && b.partGiven[0])
      which = 0;
    else if (i > 0 && i + 1 == nItems && b.partGiven[2])
      which = 2;
    out += RenderPieces(b.parts[which], &item);
  }
  return out;
}

std::string CompositeFormat::Render(const std::vector<Argument>& args) const {
  if (!Ok()) {
    std::string out = fSource + " [format error: " + fError + "]";
    for (size_t i = 0; i < args.size(); ++i) {
      out += i ? "; " : ": ";
      out += args[i].isList ? JoinElements(args[i].elements) : args[i].text;
    }
    return out;
  }
  std::string out;
  for (const Piece& p : fPieces) {
    switch (p.kind) {
      case Kind::kLiteral:
        out += p.text;
        break;
      case Kind::kReference:
        if (static_cast<size_t>(p.number) <= args.size()) {
          const Argument& a = args[static_cast<size_t>(p.number) - 1];
          out += a.isList ? JoinElements(a.elements) : a.text;
        } else {
          out += p.text;
        }
        break;
      case Kind::kBracket:
        out += RenderBracket(p, args);
        break;
    }
  }
  return out;
}
