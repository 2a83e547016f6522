#include "host/syntax/ParserMessage.h"

#include "host/common/Messages.h"
#include "host/syntax/SyntaxMessageText.h"
#include "host/syntax/ZIRA_TokenSequence.h"

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

std::string ParserMessage::Report(int level, const std::string& text,
                                  const std::string& location) const {
  std::string msg = ComposeMessage(fCommandName, text, location);
  HostReport(level, msg);
  return msg;
}

std::string ParserMessage::NoTableRequested() const {
  return Report(kMsgWarning,
                GetTranslatedText("Every check and table is switched off, so the command "
                                  "displays nothing. Switch on at least one check or table."),
                {});
}

std::string ParserMessage::DisableWeight() const {
  return Report(kMsgWarning,
                GetTranslatedText("Case weighting is ignored by this command: every case "
                                  "counts once."),
                {});
}

std::string ParserMessage::ParamExclAnyOther(const std::string& keyword,
                                             const std::string& subcommand) const {
  return Report(kMsgError,
                GetTranslatedText("^1 must be the only keyword of its subcommand; remove it or "
                                  "the other keywords.",
                                  {KeywordPlace(keyword, subcommand)}),
                CurrentCommandLocation(subcommand, keyword));
}

std::string ParserMessage::KeyWordNoValue(const std::string& keyword,
                                          const std::string& subcommand) const {
  return Report(kMsgError,
                GetTranslatedText("^1 takes no value; nothing may follow it.",
                                  {KeywordPlace(keyword, subcommand)}),
                CurrentCommandLocation(subcommand, keyword));
}

std::string ParserMessage::WrongValueType(const std::string& keyword,
                                          const std::string& subcommand) const {
  return Report(kMsgError,
                GetTranslatedText("The value of ^1 is of the wrong type or form.",
                                  {KeywordPlace(keyword, subcommand)}),
                CurrentCommandLocation(subcommand, keyword));
}

std::string ParserMessage::InvalidParamOption(const std::string& value, const std::string& keyword,
                                              const std::string& subcommand) const {
  return Report(kMsgError,
                GetTranslatedText("^1 is not a valid value for ^2.",
                                  {value, KeywordPlace(keyword, subcommand)}),
                CurrentCommandLocation(subcommand, keyword, true));
}

std::string ParserMessage::ParamValueBreakBdry(double value, double lower, int lowerOption,
                                               double upper, int upperOption,
                                               const std::string& keyword,
                                               const std::string& subcommand) const {
  std::string bounds = BoundsText(lower, lowerOption, upper, upperOption);
  return Report(
      kMsgError,
      GetTranslatedText("^1 must be ^2; found ^3.",
                        {KeywordPlace(keyword, subcommand),
                         bounds.empty() ? "within its bounds" : bounds, FormatNumberText(value)}),
      CurrentCommandLocation(subcommand, keyword));
}

std::string ParserMessage::VariableTwoVarList(const std::string& name, const std::string& keyword1,
                                              const std::string& subcommand1,
                                              const std::string& keyword2,
                                              const std::string& subcommand2) const {
  return Report(kMsgError,
                GetTranslatedText("The variable ^1 is given both for ^2 and for ^3; a variable "
                                  "may stand in only one of them.",
                                  {name, KeywordPlace(keyword1, subcommand1),
                                   KeywordPlace(keyword2, subcommand2)}),
                CurrentCommandLocation(subcommand1, keyword1, true));
}
