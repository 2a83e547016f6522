#include "host/expr/ExprError.h"

#include <algorithm>

namespace {

// Whether a byte starts a UTF-8 character (is not a continuation byte).
bool StartsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

size_t CountCharacters(std::string_view s) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), StartsCharacter));
}

}  // namespace

size_t ExprError::Column(std::string_view text) const {
  return CountCharacters(text.substr(0, std::min(offset, text.size()))) + 1;
}

std::string ExprError::Format(std::string_view text) const {
  size_t begin = std::min(offset, text.size());
  size_t end = std::min(begin + length, text.size());
  std::string out = "Error at column " + std::to_string(Column(text)) + ": " + message + ".\n  ";
  // Line ends and tabs would break the caret alignment: they are shown as blanks.
  for (char c : text) out.push_back(c == '\n' || c == '\r' || c == '\t' ? ' ' : c);
  out += "\n  ";
  out.append(CountCharacters(text.substr(0, begin)), ' ');
  out.append(std::max<size_t>(1, CountCharacters(text.substr(begin, end - begin))), '^');
  return out;
}

bool ExprFail(ExprError* error, size_t offset, size_t length, std::string message) {
  if (error) {
    error->offset = offset;
    error->length = length;
    error->message = std::move(message);
  }
  return false;
}
