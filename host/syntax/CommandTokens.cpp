#include "host/syntax/CommandTokens.h"

#include <cassert>

#include "host/common/CommonBlocks.h"
#include "host/common/StringHelpers.h"
#include "host/syntax/Tokenizer.h"

CommandTokens::CommandTokens() : fpSource(std::make_shared<CommandSource>()) {}

CommandTokens::CommandTokens(std::vector<TokenInfoObj> tokens,
                             std::shared_ptr<const CommandSource> source)
    : fTokens(std::move(tokens)), fpSource(std::move(source)) {
  if (!fpSource) fpSource = std::make_shared<CommandSource>();
  for (auto& t : fTokens) t.SetSource(fpSource);
  assert(fpSource && "host/syntax/CommandTokens: fpSource != nullptr");
}

std::string CommandTokens::Name() const {
  return fTokens.empty() ? std::string() : GetUpperString(fTokens.front().getText());
}

bool CommandTokens::FromText(std::string_view text, CommandTokens* out, std::string* error,
                             const std::string& fileName) {
  std::vector<CommandTokens> cmds;
  if (!SplitCommands(text, fileName, &cmds, error)) return false;
  if (cmds.size() != 1) {
    *error = cmds.empty() ? "The text holds no command."
                          : "The text holds " + std::to_string(cmds.size()) +
                                " commands; give one command (a period at the end of a line "
                                "ends a command).";
    return false;
  }
  *out = std::move(cmds.front());
  return true;
}

namespace {

// Builds the command from its tokens and the lines it covers.
CommandTokens MakeCommand(const Tokenizer& tz, const std::string& fileName,
                          std::vector<TokenInfoObj> tokens, int lastLine) {
  auto src = std::make_shared<CommandSource>();
  src->fileName = fileName;
  src->firstLine = tokens.front().getLine();
  for (int l = src->firstLine; l <= lastLine; ++l) src->lines.emplace_back(tz.LineText(l));
  return CommandTokens(std::move(tokens), std::move(src));
}

}  // namespace

bool SplitCommands(std::string_view text, const std::string& fileName,
                   std::vector<CommandTokens>* out, std::string* error) {
  Tokenizer tz(text, true, pvGetCmnLoc()->decimal);
  tz.SetFileName(fileName);
  std::vector<TokenInfoObj> tokens;
  for (;;) {
    Tokenizer::Item item;
    TokenInfoObj tok;
    tz.SetBetweenCommands(tokens.empty());
    if (!tz.Next(&item, &tok, error)) return false;
    if (item == Tokenizer::Item::kToken) {
      tokens.push_back(std::move(tok));
      continue;
    }
    // A period on its own (no command before it) is ignored, like an empty line.
    if (!tokens.empty()) {
      int last = item == Tokenizer::Item::kEndCommand ? tz.Line() : tokens.back().getLine();
      out->push_back(MakeCommand(tz, fileName, std::move(tokens), last));
      tokens.clear();
    }
    if (item == Tokenizer::Item::kEndText) return true;
  }
}
