// The host's command messages: message templates with numbered placeholders (^1 to ^5),
// translated and filled, and the standard messages of the command parser, which name the
// command set by SetCommandName and, when the current session's command shows the keyword,
// its line with a caret.
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

  // Standard messages. Each is reported through HostReport: the first two as warnings
  // (level 2), the rest as errors (level 3). A subcommand "" is the unnamed one. Each
  // returns the text it reported.
  // No table or check is requested: the command will show nothing.
  std::string NoTableRequested() const;
  // Case weighting is switched off for the command.
  std::string DisableWeight() const;
  // `keyword` must be the only keyword of its subcommand.
  std::string ParamExclAnyOther(const std::string& keyword, const std::string& subcommand) const;
  // `keyword` takes no value, but something follows it.
  std::string KeyWordNoValue(const std::string& keyword, const std::string& subcommand) const;
  // The value given for `keyword` has the wrong type or form.
  std::string WrongValueType(const std::string& keyword, const std::string& subcommand) const;
  // `value` is not one of the values `keyword` accepts.
  std::string InvalidParamOption(const std::string& value, const std::string& keyword,
                                 const std::string& subcommand) const;
  // `value` breaks a bound of `keyword` (bound options as in UPSpecTypes; 0 = no bound).
  std::string ParamValueBreakBdry(double value, double lower, int lowerOption, double upper,
                                  int upperOption, const std::string& keyword,
                                  const std::string& subcommand) const;
  // The variable `name` is given both for keyword1 and for keyword2.
  std::string VariableTwoVarList(const std::string& name, const std::string& keyword1,
                                 const std::string& subcommand1, const std::string& keyword2,
                                 const std::string& subcommand2) const;

 private:
  std::string Report(int level, const std::string& text, const std::string& location) const;

  std::string fCommandName;
  std::string fProcedureTitle;
};
