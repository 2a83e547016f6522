#include "host/syntax/CommandSpec.h"

#include <cassert>
#include <limits>

#include "host/common/StringHelpers.h"
#include "host/syntax/UPDescriptors.h"

ParamObj::ParamObj(const ParamDescriptor& desc, TokenInfoObj keyword)
    : fName(desc.getName()), fKind(desc.getKind()), fKeyword(std::move(keyword)) {}

bool ParamObj::isOperatorValue(int code) const {
  return fValue.size() == 1 && fValue[0].isOperator() && fValue[0].getOperatorCode() == code;
}

std::vector<int32_t> ParamObj::getIntegerList() const {
  std::vector<int32_t> out;
  out.reserve(fValue.size());
  for (const auto& t : fValue) {
    if (t.getOperatorCode() == kOpComma) continue;
    if (!t.isInteger() || t.getIntegerValue() < std::numeric_limits<int32_t>::min() ||
        t.getIntegerValue() > std::numeric_limits<int32_t>::max())
      return {};
    out.push_back(static_cast<int32_t>(t.getIntegerValue()));
  }
  return out;
}

bool ParamObj::isStringValueCase(std::string_view value) const {
  if (fValue.size() != 1) return false;
  return AreStringsEqualCase(fMatched.empty() ? fValue[0].getString() : fMatched, value);
}

std::string ParamObj::getStringValue() const {
  if (!fMatched.empty()) return fMatched;
  return fValue.empty() ? std::string() : fValue[0].getString();
}

double ParamObj::getNumberValue() const {
  return fValue.size() == 1 && fValue[0].isNumber() ? fValue[0].getNumberValue() : 0.0;
}

int32_t ParamObj::getIntegerValue() const {
  if (fValue.size() != 1 || !fValue[0].isInteger()) return 0;
  int64_t v = fValue[0].getIntegerValue();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

std::string ParamObj::getStringToken() const {
  return fValue.empty() ? std::string() : fValue[0].getText();
}

std::string ParamObj::getVarName() const {
  return fValue.size() == 1 ? fValue[0].getString() : std::string();
}

SubComObj::SubComObj(const SubComDescriptor& desc, TokenInfoObj nameToken)
    : fName(desc.getName()), fNameToken(std::move(nameToken)) {}

const ParamObj* SubComObj::getParamObj(std::string_view keyword) const {
  for (const auto& p : fParams)
    if (AreStringsEqualCase(p->getName(), keyword)) return p.get();
  return nullptr;
}

ParamObj* SubComObj::getParamObj(std::string_view keyword) {
  return const_cast<ParamObj*>(static_cast<const SubComObj*>(this)->getParamObj(keyword));
}

ParamObj* SubComObj::addParamObj(std::unique_ptr<ParamObj> param) {
  assert(!getParamObj(param->getName()) && "host/syntax/CommandSpec: keyword given once");
  fParams.push_back(std::move(param));
  return fParams.back().get();
}

const SubComObj* CommandSpec::getSubComObj(std::string_view name) const {
  for (const auto& s : fSubComs)
    if (AreStringsEqualCase(s->getName(), name)) return s.get();
  return nullptr;
}

SubComObj* CommandSpec::getSubComObj(std::string_view name) {
  return const_cast<SubComObj*>(static_cast<const CommandSpec*>(this)->getSubComObj(name));
}

SubComObj* CommandSpec::addSubComObj(std::unique_ptr<SubComObj> sub) {
  assert(!getSubComObj(sub->getName()) && "host/syntax/CommandSpec: subcommand given once");
  fSubComs.push_back(std::move(sub));
  return fSubComs.back().get();
}
