#include "host/syntax/UniversalParser.h"

#include <cassert>
#include <limits>

#include "host/common/Messages.h"
#include "host/common/StringHelpers.h"
#include "host/syntax/SyntaxMessageText.h"

using namespace UPSpecTypes;

std::string AcceptedValueText(const ParamDescriptor& pd) {
  std::string bounds = BoundsText(pd.getLowerBoundary(), pd.getLowerOption(), pd.getUpperBoundary(),
                                  pd.getUpperOption());
  switch (pd.getKind()) {
    case kParamNone:
      return "no value";
    case kParamTokenList:
      return "a list of values";
    case kParamStringList: {
      if (pd.getStringValues().empty()) return "a word or a quoted string";
      std::string out = "one of ";
      for (size_t i = 0; i < pd.getStringValues().size(); ++i)
        out += (i ? ", " : "") + pd.getStringValues()[i];
      return out;
    }
    case kParamNumber:
      return bounds.empty() ? "a number" : "a number " + bounds;
    case kParamInteger:
      return bounds.empty() ? "an integer" : "an integer " + bounds;
    default:
      return "a variable name";
  }
}

UniversalParser::UniversalParser(const TokenSequenceBase* tokens, CommandSpec* spec,
                                 const CommandDescriptor* descriptor)
    : fpTokens(tokens), fpSpec(spec), fpDesc(descriptor) {
  assert(fpTokens && fpSpec && fpDesc && "host/syntax/UniversalParser: tokens, spec, descriptor");
}

UniversalParser::UniversalParser(const TokenSequenceBase& tokens, CommandSpec* spec,
                                 const CommandDescriptor* descriptor)
    : UniversalParser(&tokens, spec, descriptor) {}

bool UniversalParser::Fail(const TokenInfoObj* at, const std::string& text) {
  std::string msg = text;
  // A name in the first column of a later line is most often the next command, run into
  // this one because the period at the end of the line before was left out.
  if (at && at->isName() && at->getColumn() == 1 && fpTokens->Size() > 0 &&
      at->getLine() > Tok(0).getLine())
    msg += " Is the period missing at the end of the line before?";
  fError = ComposeMessage(fpDesc->getName(), msg, at ? at->getLocationText() : std::string());
  HostReport(kMsgError, fError);
  assert(!fError.empty() && "host/syntax/UniversalParser: a failure has a message");
  return false;
}

int UniversalParser::getCommandSpecifications() {
  fpSpec->clear();
  fError.clear();
  return Parse() ? 0 : 1;
}

bool UniversalParser::Parse() {
  const size_t n = fpTokens->Size();
  const auto& words = fpDesc->getNameWords();
  if (n == 0) return Fail(nullptr, "No command was given.");
  for (size_t i = 0; i < words.size(); ++i) {
    if (i >= n)
      return Fail(&Tok(n - 1), "The command name " + fpDesc->getName() + " is cut short.");
    if (!(Tok(i).isName() || Tok(i).isOperator()) || Tok(i).getUpperString() != words[i])
      return Fail(&Tok(i), "Expected the command name " + fpDesc->getName() + "; found " +
                               Tok(i).getText() + ".");
  }
  const SubComDescriptor* cur = fpDesc->leadingSubCom();
  SubComObj* curObj = nullptr;
  size_t pos = words.size();
  while (pos < n) {
    const TokenInfoObj& t = Tok(pos);
    if (t.getOperatorCode() == kOpSlash) {
      if (pos + 1 >= n || !Tok(pos + 1).isName())
        return Fail(
            pos + 1 < n ? &Tok(pos + 1) : &t,
            "A subcommand name must follow /; expected one of " + fpDesc->listSubComs() + ".");
      const TokenInfoObj& nt = Tok(pos + 1);
      const SubComDescriptor* sd = fpDesc->findSubCom(nt.getText());
      if (!sd || sd->getName().empty())
        return Fail(&nt, "/" + nt.getText() + " is not a subcommand of " + fpDesc->getName() +
                             "; expected one of " + fpDesc->listSubComs() + ".");
      if (fpSpec->getSubComObj(sd->getName()))
        return Fail(&nt, "/" + sd->getName() + " is given twice; give each subcommand once.");
      cur = sd;
      curObj = fpSpec->addSubComObj(std::make_unique<SubComObj>(*sd, nt));
      pos += 2;
      continue;
    }
    if (!cur)
      return Fail(&t, "Unexpected " + t.getText() + " after " + fpDesc->getName() +
                          "; a subcommand is expected: " + fpDesc->listSubComs() + ".");
    if (!curObj) curObj = fpSpec->addSubComObj(std::make_unique<SubComObj>(*cur, Tok(0)));
    if (!ParseKeyword(*cur, curObj, &pos)) return false;
  }
  return CheckComplete();
}

bool UniversalParser::CheckComplete() {
  const TokenInfoObj* cmd = fpTokens->Size() ? &Tok(0) : nullptr;
  for (const auto& sd : fpDesc->getSubComs()) {
    const SubComObj* obj = fpSpec->getSubComObj(sd.getName());
    if (!obj) {
      if (sd.isRequired()) {
        return Fail(cmd, sd.getName().empty()
                             ? "The command needs one of its keywords " + sd.listParams() + "."
                             : "The command needs the subcommand /" + sd.getName() + ".");
      }
      continue;
    }
    if (sd.getKind() == kSubComNeedsKeyword && obj->getParamListSize() == 0)
      return Fail(&obj->getNameToken(),
                  KeywordPlace("", sd.getName()) +
                      " needs at least one of its keywords: " + sd.listParams() + ".");
    for (const auto& pd : sd.getParams())
      if (pd.isRequired() && !obj->getParamObj(pd.getName()))
        return Fail(&obj->getNameToken(),
                    KeywordPlace(pd.getName(), sd.getName()) + " is required.");
  }
  return true;
}

bool UniversalParser::EndsList(size_t q, const SubComDescriptor& sub) const {
  const TokenInfoObj& t = Tok(q);
  if (t.getOperatorCode() == kOpSlash) return true;
  const ParamDescriptor* pd = t.isName() ? sub.findParam(t.getText()) : nullptr;
  if (!pd || q + 1 >= fpTokens->Size()) return false;
  const int next = Tok(q + 1).getOperatorCode();
  return next == kOpEqual || (next == kOpLeftParen && pd->getBracket() == kBracketsAllowed &&
                              pd->getKind() != kParamTokenList && pd->getKind() != kParamNone);
}

bool UniversalParser::ParseKeyword(const SubComDescriptor& sub, SubComObj* subObj, size_t* pos) {
  const size_t n = fpTokens->Size();
  const TokenInfoObj& t = Tok(*pos);
  const ParamDescriptor* pd = t.isName() ? sub.findParam(t.getText()) : nullptr;
  if (!pd) {
    const std::string where = sub.getName().empty() ? fpDesc->getName() : "/" + sub.getName();
    std::string expected = "one of " + sub.listParams();
    if (sub.isLeading()) expected += ", or a subcommand: " + fpDesc->listSubComs();
    if (sub.getParams().empty()) expected = "a subcommand: " + fpDesc->listSubComs();
    std::string what = t.isName() ? t.getText() + " is not a keyword of " + where
                                  : "Expected a keyword of " + where + "; found " + t.getText();
    return Fail(&t, what + "; expected " + expected + ".");
  }
  const std::string place = KeywordPlace(pd->getName(), sub.getName());
  if (subObj->getParamObj(pd->getName()))
    return Fail(&t, place + " is given twice; give each keyword once.");
  auto obj = std::make_unique<ParamObj>(*pd, t);
  size_t p = *pos + 1;
  const bool hasEq = p < n && Tok(p).getOperatorCode() == kOpEqual;
  if (pd->getKind() == kParamNone) {
    if (hasEq) return Fail(&Tok(p), place + " takes no value; write the keyword alone.");
    *pos = p;
  } else if (pd->getKind() == kParamTokenList) {
    const size_t start = hasEq ? p + 1 : p;
    size_t q = start;
    while (q < n && !EndsList(q, sub)) ++q;
    if (q == start && (hasEq || pd->isValueRequired()))
      return Fail(hasEq ? &Tok(p) : &t, place + " needs a list of values after =.");
    obj->setValue(std::vector<TokenInfoObj>(fpTokens->Tokens().begin() + static_cast<long>(start),
                                            fpTokens->Tokens().begin() + static_cast<long>(q)));
    *pos = q;
  } else if (!ParseSingleValue(*pd, place, obj.get(), pos)) {
    return false;
  }
  subObj->addParamObj(std::move(obj));
  return true;
}

bool UniversalParser::ParseSingleValue(const ParamDescriptor& pd, const std::string& place,
                                       ParamObj* obj, size_t* pos) {
  const size_t n = fpTokens->Size();
  const TokenInfoObj& kw = Tok(*pos);
  const size_t p = *pos + 1;
  const bool hasEq = p < n && Tok(p).getOperatorCode() == kOpEqual;
  const bool hasParen = !hasEq && pd.getBracket() == kBracketsAllowed && p < n &&
                        Tok(p).getOperatorCode() == kOpLeftParen;
  if (!hasEq && !hasParen) {
    if (pd.getKind() == kParamKeywordOrVar || !pd.isValueRequired()) {
      *pos = p;
      return true;
    }
    return Fail(&kw, place + " needs a value: " + pd.getName() + "=" + AcceptedValueText(pd) + ".");
  }
  const size_t vi = p + 1;
  if (vi >= n || Tok(vi).getOperatorCode() == kOpSlash)
    return Fail(&Tok(p), place + " needs a value after " + Tok(p).getText() + ": " +
                             AcceptedValueText(pd) + ".");
  if (!CheckValue(pd, place, Tok(vi), obj)) return false;
  if (hasParen) {
    if (vi + 1 >= n || Tok(vi + 1).getOperatorCode() != kOpRightParen)
      return Fail(&Tok(vi), "A ) must follow the value of " + place + ".");
    *pos = vi + 2;
  } else {
    *pos = vi + 1;
  }
  obj->setValue({Tok(vi)});
  return true;
}

bool UniversalParser::CheckValue(const ParamDescriptor& pd, const std::string& place,
                                 const TokenInfoObj& v, ParamObj* obj) {
  auto found = [&] { return "; found " + v.getText() + "."; };
  auto wrong = [&] { return place + " must be " + AcceptedValueText(pd) + found(); };
  switch (pd.getKind()) {
    case kParamStringList: {
      if (!(v.isName() || v.isString() || v.getOperatorCode() == kOpAll)) return Fail(&v, wrong());
      if (pd.getStringValues().empty()) return true;
      const std::string* match = pd.findStringValue(v.getString());
      if (!match) return Fail(&v, wrong());
      obj->setMatchedString(*match);
      return true;
    }
    case kParamNumber:
    case kParamInteger: {
      const bool integer = pd.getKind() == kParamInteger;
      if (!v.isNumber()) return Fail(&v, wrong());
      if (integer && (!v.isInteger() || v.getIntegerValue() < std::numeric_limits<int32_t>::min() ||
                      v.getIntegerValue() > std::numeric_limits<int32_t>::max()))
        return Fail(&v, wrong());
      if (!WithinBounds(v.getNumberValue(), pd.getLowerBoundary(), pd.getLowerOption(),
                        pd.getUpperBoundary(), pd.getUpperOption()))
        return Fail(&v, place + " must be " +
                            BoundsText(pd.getLowerBoundary(), pd.getLowerOption(),
                                       pd.getUpperBoundary(), pd.getUpperOption()) +
                            found());
      return true;
    }
    default:  // kind 15
      if (!v.isName()) return Fail(&v, wrong());
      return true;
  }
}
