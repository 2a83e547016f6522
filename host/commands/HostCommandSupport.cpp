#include "host/commands/HostCommandSupport.h"

#include "host/common/Messages.h"
#include "host/common/StringHelpers.h"
#include "host/io/ValueText.h"
#include "host/session/Session.h"
#include "host/syntax/SyntaxMessageText.h"
#include "host/syntax/UniversalParser.h"
#include "host/syntax/VarSpecObj.h"

namespace {

std::string PlacedText(const CommandPlace& place, const std::string& text) {
  const std::string where = KeywordPlace(place.keyword, place.subcommand);
  return where.empty() ? text : where + ": " + text;
}

}  // namespace

bool CommandError(const CommandPlace& place, const std::string& text, const TokenInfoObj* at) {
  HostReport(kMsgError, ComposeMessage(place.command, PlacedText(place, text),
                                       at ? at->getLocationText() : std::string()));
  return false;
}

void CommandWarning(const CommandPlace& place, const std::string& text, const TokenInfoObj* at) {
  HostReport(kMsgWarning, ComposeMessage(place.command, PlacedText(place, text),
                                         at ? at->getLocationText() : std::string()));
}

void CommandNote(const std::string& command, const std::string& text) {
  HostReport(kMsgNote, ComposeMessage(command, text, {}));
}

bool ParseHostCommand(const CommandDescriptor& desc, const CommandTokens& command,
                      CommandSpec* spec) {
  ZIRA_TokenSequence tokens(command);
  UniversalParser parser(tokens, spec, &desc);
  return parser.getCommandSpecifications() == 0;
}

const ParamObj* FindParam(const CommandSpec& spec, std::string_view subcommand,
                          std::string_view keyword) {
  const SubComObj* sub = spec.getSubComObj(subcommand);
  return sub ? sub->getParamObj(keyword) : nullptr;
}

const TokenInfoObj* ValueToken(const ParamObj& param) {
  return param.getTokenList().empty() ? &param.getKeywordToken() : &param.getTokenList()[0];
}

std::vector<TokenInfoObj> WithoutCommas(const std::vector<TokenInfoObj>& tokens) {
  std::vector<TokenInfoObj> out;
  out.reserve(tokens.size());
  for (const TokenInfoObj& t : tokens)
    if (t.getOperatorCode() != kOpComma) out.push_back(t);
  return out;
}

bool RequireDataset(Session& session, const CommandTokens& command, const std::string& name) {
  if (session.Active().ColumnCount() > 0) return true;
  return CommandError({name, "", ""},
                      "There is no active dataset, or it has no variables; "
                      "run LOAD FILE='...' first.",
                      command.Empty() ? nullptr : &command[0]);
}

bool ResolveVariableList(const ParamObj& param, const std::string& subcommand,
                         const CommandDescriptor& desc, ZIRA_DataSource* data, int repeatOption,
                         std::vector<int>* out) {
  VarSpecObj spec(param.getName(), subcommand, &desc, data);
  if (!spec.ValidateVariables(param.getTokenList(), repeatOption)) return false;
  out->assign(spec.GetValidVarList().begin(), spec.GetValidVarList().end());
  if (out->empty())
    return CommandError({desc.getName(), param.getName(), subcommand},
                        "At least one variable must be named.", &param.getKeywordToken());
  return true;
}

bool ReadValueFor(const ZIRA_Variable& var, const std::vector<TokenInfoObj>& tokens, size_t* pos,
                  TypedValue* out, std::string* why) {
  const size_t i = *pos;
  if (i >= tokens.size()) {
    *why = "a value is missing at the end";
    return false;
  }
  const TokenInfoObj& t = tokens[i];
  if (var.IsString()) {
    if (!t.isString()) {
      *why =
          var.GetName() + " is a string variable: expected a value in quotes; found " + t.getText();
      return false;
    }
    std::string value = t.getString();
    while (!value.empty() && value.back() == ' ') value.pop_back();
    if (static_cast<int>(value.size()) > var.GetType()) {
      *why = "the value " + t.getText() + " is longer than the width " +
             std::to_string(var.GetType()) + " of " + var.GetName();
      return false;
    }
    out->text = std::move(value);
    *pos = i + 1;
    return true;
  }
  // A minus written right before a number after a string or a number comes as an operator.
  if (t.getOperatorCode() == kOpMinus && i + 1 < tokens.size() && tokens[i + 1].isNumber() &&
      tokens[i + 1].getLine() == t.getLine() && tokens[i + 1].getColumn() == t.getColumn() + 1) {
    out->number = -tokens[i + 1].getNumberValue();
    *pos = i + 2;
    return true;
  }
  if (t.isNumber()) {
    out->number = t.getNumberValue();
    *pos = i + 1;
    return true;
  }
  const int fmt = var.GetFormat().type;
  if (t.isString() && (fmt == kFmtDate || fmt == kFmtTime || fmt == kFmtDateTime)) {
    const std::string text = TrimString(t.getString());
    bool ok = fmt == kFmtDate   ? ParseIsoDate(text, &out->number)
              : fmt == kFmtTime ? ParseIsoTime(text, &out->number)
                                : ParseIsoDateTime(text, &out->number);
    if (ok) {
      *pos = i + 1;
      return true;
    }
    *why = t.getText() + " is not a " +
           std::string(fmt == kFmtDate   ? "date (YYYY-MM-DD)"
                       : fmt == kFmtTime ? "time (hh:mm:ss)"
                                         : "date and time (YYYY-MM-DD hh:mm:ss)") +
           " for " + var.GetName();
    return false;
  }
  *why = var.GetName() + " is numeric: expected a number" +
         std::string(fmt == kFmtDate || fmt == kFmtTime || fmt == kFmtDateTime
                         ? " or its ISO date or time in quotes"
                         : "") +
         "; found " + t.getText();
  return false;
}

std::string ResolveCommandPath(const CommandTokens& command, const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  const std::string& file = command.FileName();
  const size_t slash = file.find_last_of('/');
  if (file.empty() || slash == std::string::npos) return path;
  return file.substr(0, slash + 1) + path;
}

std::string VariableNames(const ZIRA_DataSource& data, const std::vector<int>& columns) {
  std::string out;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ZIRA_Variable* v = data.GetVariable(columns[i]);
    out += (i ? ", " : "") + (v ? v->GetName() : std::string("?"));
  }
  return out;
}
