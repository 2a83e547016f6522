#include "host/syntax/ZIRA_TokenSequence.h"

#include "host/common/StringHelpers.h"
#include "host/session/Session.h"

namespace {
CommandTokens CurrentCommand() {
  Session* s = Session::Current();
  if (s && s->CurrentTokens()) return *s->CurrentTokens();
  return CommandTokens();
}
}  // namespace

ZIRA_TokenSequence::ZIRA_TokenSequence(bool current)
    : TokenSequenceBase(current ? CurrentCommand() : CommandTokens()) {}

ZIRA_TokenSequence::ZIRA_TokenSequence(CommandTokens command)
    : TokenSequenceBase(std::move(command)) {}

std::string CurrentCommandLocation(std::string_view subcommand, std::string_view keyword,
                                   bool valueAfter) {
  Session* s = Session::Current();
  if (!s || !s->CurrentTokens() || keyword.empty()) return {};
  const auto& toks = s->CurrentTokens()->Tokens();
  bool inSub = subcommand.empty();
  for (size_t i = 1; i < toks.size(); ++i) {
    const TokenInfoObj& t = toks[i];
    if (t.getOperatorCode() == kOpSlash) {
      inSub = i + 1 < toks.size() && AreStringsEqualCase(toks[i + 1].getText(), subcommand);
      ++i;
      continue;
    }
    if (!inSub || !AreStringsEqualCase(t.getText(), keyword)) continue;
    if (valueAfter && i + 2 < toks.size() && toks[i + 1].getOperatorCode() == kOpEqual)
      return toks[i + 2].getLocationText();
    return t.getLocationText();
  }
  return {};
}
