// The host's command messages: message templates with numbered placeholders (^1 to ^5),
// translated and filled, and the standard messages of the command parser.
#pragma once

#include <string>
#include <vector>

class ParserMessage {
 public:
  ParserMessage() = default;
  void SetCommandName(std::string name) { fCommandName = std::move(name); }
  void SetProcedureTitle(std::string title) { fProcedureTitle = std::move(title); }
  const std::string& GetCommandName() const { return fCommandName; }
  const std::string& GetProcedureTitle() const { return fProcedureTitle; }

  // The template translated into the user's language (the identity for now: a catalogue
  // plugs in behind Translate) with ^1..^5 replaced by the texts in order. A placeholder
  // without a text stays as it is.
  static std::string GetTranslatedText(const std::string& templ,
                                       const std::vector<std::string>& texts = {});
  static std::string Translate(const std::string& templ);

 private:
  std::string fCommandName;
  std::string fProcedureTitle;
};
