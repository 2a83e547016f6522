#include "host/syntax/UPDescriptors.h"

#include <cassert>

#include "host/common/StringHelpers.h"

namespace {
bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
// Caseless equality; two ASCII words of different lengths differ without folding them.
bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size() && IsAscii(a) && IsAscii(b)) return false;
  return AreStringsEqualCase(a, b);
}
}  // namespace

bool UPSpecTypes::IsParamSpec(int code) {
  return code == kParamNone || code == kParamTokenList || code == kParamStringList ||
         code == kParamNumber || code == kParamInteger || code == kParamKeywordOrVar;
}

ParamDescriptor::ParamDescriptor(std::string name, int kind, bool required, bool valueRequired,
                                 int bracket)
    : fName(std::move(name)),
      fKind(kind),
      fRequired(required),
      fValueRequired(valueRequired),
      fBracket(bracket) {
  assert(!fName.empty() && "host/syntax/UPDescriptors: keyword name is not empty");
  assert(UPSpecTypes::IsParamSpec(kind) && "host/syntax/UPDescriptors: known keyword kind");
}

void ParamDescriptor::addStringValue(std::string value) {
  assert(fKind == UPSpecTypes::kParamStringList &&
         "host/syntax/UPDescriptors: string values on a kind-3 keyword");
  fStringValues.push_back(std::move(value));
}

void ParamDescriptor::setLowerBoundary(double value, int option) {
  assert(option >= UPSpecTypes::kNoLower && option <= UPSpecTypes::kLowerMustExceed &&
         "host/syntax/UPDescriptors: lower bound option 0..2");
  fLower = value;
  fLowerOption = option;
}

void ParamDescriptor::setUpperBoundary(double value, int option) {
  assert(option >= UPSpecTypes::kNoUpper && option <= UPSpecTypes::kUpperMustBeBelow &&
         "host/syntax/UPDescriptors: upper bound option 0..2");
  fUpper = value;
  fUpperOption = option;
}

const std::string* ParamDescriptor::findStringValue(std::string_view value) const {
  for (const auto& v : fStringValues)
    if (SameWord(v, value)) return &v;
  return nullptr;
}

SubComDescriptor::SubComDescriptor(std::string name, int kind, bool leading, bool required)
    : fName(std::move(name)), fKind(kind), fLeading(leading), fRequired(required) {
  assert((kind == UPSpecTypes::kSubComPlain || kind == UPSpecTypes::kSubComNeedsKeyword) &&
         "host/syntax/UPDescriptors: subcommand kind 1 or 2");
}

ParamDescriptor& SubComDescriptor::addParamDesc(const ParamDescriptor& param) {
  assert(!findParam(param.getName()) && "host/syntax/UPDescriptors: keyword declared once");
  fParams.push_back(param);
  return fParams.back();
}

ParamDescriptor& SubComDescriptor::addParamDesc(std::string name, int kind, bool required,
                                                bool valueRequired, int bracket) {
  return addParamDesc(ParamDescriptor(std::move(name), kind, required, valueRequired, bracket));
}

const ParamDescriptor* SubComDescriptor::findParam(std::string_view name) const {
  for (const auto& p : fParams)
    if (SameWord(p.getName(), name)) return &p;
  return nullptr;
}

std::string SubComDescriptor::listParams() const {
  std::string out;
  for (const auto& p : fParams) out += (out.empty() ? "" : ", ") + p.getName();
  return out;
}

CommandDescriptor::CommandDescriptor(std::string name) : fName(std::move(name)) {
  std::string word;
  for (char c : fName + " ") {
    if (c == ' ') {
      if (!word.empty()) fNameWords.push_back(GetUpperString(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
}

SubComDescriptor& CommandDescriptor::addSubComDesc(const SubComDescriptor& sub) {
  assert(!findSubCom(sub.getName()) && "host/syntax/UPDescriptors: subcommand declared once");
  assert(!(sub.isLeading() && leadingSubCom()) &&
         "host/syntax/UPDescriptors: at most one leading subcommand");
  fSubComs.push_back(sub);
  return fSubComs.back();
}

const SubComDescriptor* CommandDescriptor::findSubCom(std::string_view name) const {
  for (const auto& s : fSubComs)
    if (SameWord(s.getName(), name)) return &s;
  return nullptr;
}

const SubComDescriptor* CommandDescriptor::leadingSubCom() const {
  for (const auto& s : fSubComs)
    if (s.isLeading()) return &s;
  return nullptr;
}

std::string CommandDescriptor::listSubComs() const {
  std::string out;
  for (const auto& s : fSubComs)
    if (!s.getName().empty()) out += (out.empty() ? "/" : ", /") + s.getName();
  return out;
}
