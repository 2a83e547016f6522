#include "host/syntax/ParserMessage.h"

std::string ParserMessage::Translate(const std::string& templ) { return templ; }

std::string ParserMessage::GetTranslatedText(const std::string& templ,
                                             const std::vector<std::string>& texts) {
  const std::string t = Translate(templ);
  std::string out;
  out.reserve(t.size() + 32);
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '^' && i + 1 < t.size() && t[i + 1] >= '1' && t[i + 1] <= '5') {
      size_t k = static_cast<size_t>(t[i + 1] - '1');
      if (k < texts.size()) {
        out += texts[k];
        ++i;
        continue;
      }
    }
    out.push_back(t[i]);
  }
  return out;
}
