#include "apps/zira/NameLists.h"

#include <filesystem>

namespace {

bool IsNameByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '@' || c == '#' || c == '$' || c >= 0x80;
}

bool IsPlausibleName(const std::string& w) {
  if (w.empty()) return false;
  const unsigned char first = static_cast<unsigned char>(w.front());
  if ((first >= '0' && first <= '9') || first == '.' || w.back() == '.') return false;
  for (unsigned char c : w)
    if (!IsNameByte(c)) return false;
  return true;
}

}  // namespace

bool SplitNameList(const std::vector<std::string>& values, const std::string& option,
                   std::vector<std::string>* words, std::string* error) {
  words->clear();
  for (const std::string& value : values) {
    std::string word;
    auto flush = [&]() {
      if (word.empty()) return true;
      if (!IsPlausibleName(word)) {
        *error = option + ": '" + word + "' is not a variable name.";
        return false;
      }
      words->push_back(word);
      word.clear();
      return true;
    };
    for (char c : value) {
      if (c == ',' || c == ' ' || c == '\t') {
        if (!flush()) return false;
      } else {
        word += c;
      }
    }
    if (!flush()) return false;
  }
  if (words->empty() && !values.empty()) {
    *error = option + ": no variable named.";
    return false;
  }
  return true;
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) {
    if (!out.empty()) out += ' ';
    out += w;
  }
  return out;
}

std::string QuoteFileName(const std::string& path) {
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(path, ec);
  const std::string text = ec ? path : abs.lexically_normal().string();
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += '\'';
  return quoted;
}
