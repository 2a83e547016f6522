#include "host/syntax/VarSpecObj.h"

#include <cassert>

#include "host/common/Messages.h"
#include "host/common/StringHelpers.h"
#include "host/data/ZIRA_DataSource.h"
#include "host/syntax/SyntaxMessageText.h"
#include "host/syntax/UPDescriptors.h"
#include "host/syntax/ZIRA_TokenSequence.h"

namespace {
constexpr size_t kMaxNameBytes = 64;

// The longest prefix of `s` of at most `n` bytes that does not cut a UTF-8 character.
std::string CutUtf8(const std::string& s, size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}
}  // namespace

VarSpecObj::VarSpecObj(std::string keyword, std::string subcommand,
                       const CommandDescriptor* descriptor, ZIRA_DataSource* data)
    : VarSpecObj(std::move(keyword), std::move(subcommand),
                 descriptor ? descriptor->getName() : std::string(), data) {}

VarSpecObj::VarSpecObj(std::string keyword, std::string subcommand, std::string command,
                       ZIRA_DataSource* data)
    : fKeyword(std::move(keyword)),
      fSubcommand(std::move(subcommand)),
      fCommand(std::move(command)),
      fpData(data) {
  assert(fpData && "host/syntax/VarSpecObj: data source is not null");
}

std::string VarSpecObj::Place() const { return KeywordPlace(fKeyword, fSubcommand); }

std::string VarSpecObj::RoleText() const {
  if (!fRoleText.empty()) return fRoleText;
  std::string place = Place();
  if (!place.empty()) return place;
  return fCommand.empty() ? "another role" : fCommand;
}

void VarSpecObj::Error(const std::string& text, const TokenInfoObj* at) const {
  std::string place = Place();
  HostReport(kMsgError, ComposeMessage(fCommand, (place.empty() ? "" : place + ": ") + text,
                                       at ? at->getLocationText() : std::string()));
}

void VarSpecObj::Warn(const std::string& text) const {
  std::string place = Place();
  HostReport(kMsgWarning, ComposeMessage(fCommand, (place.empty() ? "" : place + ": ") + text, {}));
}

std::string VarSpecObj::NameOf(int index) const {
  const ZIRA_Variable* v = fpData->GetVariable(index);
  return v ? v->GetName() : "#" + std::to_string(index);
}

bool VarSpecObj::IsValidVariable(int index) const {
  return index >= 0 && static_cast<size_t>(index) < fMember.size() &&
         fMember[static_cast<size_t>(index)] != 0;
}

void VarSpecObj::SetList(std::vector<int32_t> list) {
  fValid = std::move(list);
  fMember.assign(static_cast<size_t>(fpData->ColumnCount()), 0);
  for (int32_t i : fValid) {
    assert(i >= 0 && i < fpData->ColumnCount() && "host/syntax/VarSpecObj: index is a column");
    fMember[static_cast<size_t>(i)] = 1;
  }
}

bool VarSpecObj::Add(int32_t index, int repeatOption, const TokenInfoObj* at,
                     std::vector<int32_t>* out, std::vector<char>* seen) const {
  char& s = (*seen)[static_cast<size_t>(index)];
  if (s) {
    if (repeatOption == kVarRepeatError) {
      Error("The variable " + NameOf(index) + " is named more than once; name each variable once.",
            at);
      return false;
    }
    if (repeatOption == kVarRepeatDrop) return true;
  }
  s = 1;
  out->push_back(index);
  return true;
}

bool VarSpecObj::Resolve(const std::vector<TokenInfoObj>& tokens, int repeatOption,
                         std::vector<int32_t>* out) const {
  std::vector<char> seen(static_cast<size_t>(fpData->ColumnCount()), 0);
  auto find = [&](const TokenInfoObj& t, int* index) {
    *index = fpData->FindVarIndex(t.getString());
    if (*index >= 0) return true;
    Error(t.getText() + " is not a variable of the active dataset.", &t);
    return false;
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const TokenInfoObj& t = tokens[i];
    if (t.getOperatorCode() == kOpComma) continue;
    if (t.getOperatorCode() == kOpAll) {
      for (int32_t c = 0; c < fpData->ColumnCount(); ++c)
        if (!Add(c, repeatOption == kVarRepeatError ? kVarRepeatDrop : repeatOption, &t, out,
                 &seen))
          return false;
      continue;
    }
    if (!t.isName()) {
      Error("Expected a variable name; found " + t.getText() + ".", &t);
      return false;
    }
    if (AreStringsEqualCase(t.getText(), "TO")) {
      Error("TO must stand between two variable names (first TO last).", &t);
      return false;
    }
    int from = -1;
    if (!find(t, &from)) return false;
    const bool range = i + 1 < tokens.size() && tokens[i + 1].isName() &&
                       AreStringsEqualCase(tokens[i + 1].getText(), "TO");
    if (!range) {
      if (!Add(from, repeatOption, &t, out, &seen)) return false;
      continue;
    }
    if (i + 2 >= tokens.size() || !tokens[i + 2].isName()) {
      const TokenInfoObj& at = i + 2 < tokens.size() ? tokens[i + 2] : tokens[i + 1];
      Error("A variable name must follow TO.", &at);
      return false;
    }
    const TokenInfoObj& last = tokens[i + 2];
    int to = -1;
    if (!find(last, &to)) return false;
    if (to < from) {
      Error(t.getText() + " TO " + last.getText() + ": " + NameOf(to) + " comes before " +
                NameOf(from) + " in the dataset; name the earlier variable first.",
            &last);
      return false;
    }
    for (int c = from; c <= to; ++c)
      if (!Add(c, repeatOption, c == from ? &t : &last, out, &seen)) return false;
    i += 2;
  }
  return true;
}

bool VarSpecObj::ValidateVariables(const std::vector<TokenInfoObj>& tokens, int repeatOption) {
  std::vector<int32_t> list;
  fFailed = !Resolve(tokens, repeatOption, &list);
  SetList(fFailed ? std::vector<int32_t>() : std::move(list));
  return !fFailed;
}

bool VarSpecObj::SetVariables(const std::vector<int32_t>& indices, int repeatOption) {
  std::vector<char> seen(static_cast<size_t>(fpData->ColumnCount()), 0);
  std::vector<int32_t> list;
  fFailed = false;
  for (int32_t i : indices) {
    if (i < 0 || i >= fpData->ColumnCount()) {
      Error("Column " + std::to_string(i) + " is not a variable of the active dataset.", nullptr);
      fFailed = true;
      break;
    }
    if (!Add(i, repeatOption, nullptr, &list, &seen)) {
      fFailed = true;
      break;
    }
  }
  SetList(fFailed ? std::vector<int32_t>() : std::move(list));
  return !fFailed;
}

bool VarSpecObj::ExcludeCommonVars(const std::vector<VarSpecObj*>& exclusions, int messageLevel) {
  if (fFailed) return false;
  std::vector<int32_t> kept;
  for (int32_t i : fValid) {
    const VarSpecObj* by = nullptr;
    for (const VarSpecObj* other : exclusions)
      if (other && other != this && other->IsValidVariable(i)) {
        by = other;
        break;
      }
    if (!by) {
      kept.push_back(i);
    } else if (messageLevel >= kVarMsgWarn) {
      Warn("The variable " + NameOf(i) + " is left out because it is already used as " +
           by->RoleText() + ".");
    }
  }
  SetList(std::move(kept));
  return true;
}

bool VarSpecObj::ValidateAllVars(const std::vector<VarSpecObj*>& exclusions, int messageLevel) {
  std::vector<int32_t> kept;
  for (int32_t i = 0; i < fpData->ColumnCount(); ++i) {
    bool excluded = false;
    for (const VarSpecObj* other : exclusions)
      if (other && other != this && other->IsValidVariable(i)) excluded = true;
    if (!excluded) kept.push_back(i);
  }
  fFailed = false;
  SetList(std::move(kept));
  if (fValid.empty() && messageLevel >= kVarMsgWarn)
    Warn("No variable is left once the variables used in other roles are left out.");
  return !fValid.empty();
}

int VarSpecObj::CheckNewVariable(const std::string& name) const {
  const std::string loc = CurrentCommandLocation(fSubcommand, fKeyword, true);
  auto fail = [&](int code, const std::string& text) {
    HostReport(kMsgError,
               ComposeMessage(fCommand, (Place().empty() ? "" : Place() + ": ") + text, loc));
    return code;
  };
  if (IsReservedWord(name))
    return fail(kNewVarReserved,
                name + " is a reserved word and cannot name a variable; choose another name.");
  if (!IsValidVarName(name))
    return fail(kNewVarInvalidName,
                name +
                    " is not a valid variable name: a name has at most 64 bytes, starts with "
                    "a letter, @, # or $, holds letters, digits and _ . @ # $, and does not "
                    "end with a period.");
  if (fpData->FindVarIndex(name) >= 0)
    return fail(kNewVarInUse, "The dataset already has a variable named " + name +
                                  "; choose a name that is not in use.");
  return kNewVarOk;
}

std::string VarSpecObj::NewVarNameByRoot(const std::string& root) const {
  if (IsReservedWord(root) || !IsValidVarName(root)) {
    Error("The root " + root + " cannot start a variable name.", nullptr);
    return {};
  }
  if (fpData->FindVarIndex(root) < 0) return root;
  for (int k = 1; k < 1000000; ++k) {
    const std::string suffix = "_" + std::to_string(k);
    std::string name = CutUtf8(root, kMaxNameBytes - suffix.size()) + suffix;
    if (fpData->FindVarIndex(name) < 0) return name;
  }
  Error("No free variable name starts with " + root + ".", nullptr);
  return {};
}
