// A parsed command as the universal parser hands it over: the subcommands given, each with
// the keywords given and their values, read back through ParamObj.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/syntax/TokenInfoObj.h"

class ParamDescriptor;
class SubComDescriptor;

// One keyword as given. Owns copies of its tokens and of its descriptor's name and kind, so
// it does not depend on the descriptor living on.
class ParamObj {
 public:
  ParamObj(const ParamDescriptor& desc, TokenInfoObj keyword);

  // The keyword's declared name and kind.
  const std::string& getName() const { return fName; }
  int getKind() const { return fKind; }
  // The keyword's own token (for messages).
  const TokenInfoObj& getKeywordToken() const { return fKeyword; }

  // True when the keyword stands alone: no value was given.
  bool isLeadingToken() const { return fValue.empty(); }
  // The value's tokens: the whole list of a kind-2 keyword, the one value token otherwise.
  const std::vector<TokenInfoObj>& getTokenList() const { return fValue; }
  // Whether the value is exactly one operator token with that code (ALL is code 35).
  bool isOperatorValue(int code) const;
  // The value tokens as integers, when every token is an integer within 32 bits (commas
  // between them are skipped); else empty.
  std::vector<int32_t> getIntegerList() const;
  // Kind 3: whether the value equals `value` without regard to case.
  bool isStringValueCase(std::string_view value) const;
  // Kind 3: the listed value matched (as declared), or the typed word when the list is empty.
  std::string getStringValue() const;
  // Kinds 7 and 9: the number (0 when none was given).
  double getNumberValue() const;
  int32_t getIntegerValue() const;
  // The first value token's text as typed ("" when none): a number as the user wrote it.
  std::string getStringToken() const;
  // Kind 15: the name given, "" when the keyword stands alone.
  std::string getVarName() const;

  // Parser side: sets the value tokens.
  void setValue(std::vector<TokenInfoObj> tokens) { fValue = std::move(tokens); }
  void setMatchedString(std::string s) { fMatched = std::move(s); }

 private:
  std::string fName;
  int fKind;
  TokenInfoObj fKeyword;
  std::vector<TokenInfoObj> fValue;
  std::string fMatched;
};

// One subcommand as given, with its keywords in the order typed.
class SubComObj {
 public:
  SubComObj(const SubComDescriptor& desc, TokenInfoObj nameToken);

  // The declared name ("" for the unnamed subcommand).
  const std::string& getName() const { return fName; }
  const TokenInfoObj& getNameToken() const { return fNameToken; }
  // The keyword given under that name (caseless), or null. Owned by this object.
  const ParamObj* getParamObj(std::string_view keyword) const;
  ParamObj* getParamObj(std::string_view keyword);
  // Number of keywords given.
  int getParamListSize() const { return static_cast<int>(fParams.size()); }
  const std::vector<std::unique_ptr<ParamObj>>& getParamList() const { return fParams; }

  ParamObj* addParamObj(std::unique_ptr<ParamObj> param);

 private:
  std::string fName;
  TokenInfoObj fNameToken;
  std::vector<std::unique_ptr<ParamObj>> fParams;
};

// The subcommands given, in the order typed. Filled by UniversalParser.
class CommandSpec {
 public:
  CommandSpec() = default;
  CommandSpec(const CommandSpec&) = delete;
  CommandSpec& operator=(const CommandSpec&) = delete;

  // The subcommand given under that name (caseless; "" the unnamed one), or null. Owned here;
  // valid while this object lives and is not cleared.
  const SubComObj* getSubComObj(std::string_view name) const;
  SubComObj* getSubComObj(std::string_view name);
  int getSubComListSize() const { return static_cast<int>(fSubComs.size()); }
  const std::vector<std::unique_ptr<SubComObj>>& getSubComList() const { return fSubComs; }

  SubComObj* addSubComObj(std::unique_ptr<SubComObj> sub);
  void clear() { fSubComs.clear(); }

 private:
  std::vector<std::unique_ptr<SubComObj>> fSubComs;
};
