// The grammar of a command as the universal parser reads it: a command descriptor holds
// subcommand descriptors, each holding keyword (parameter) descriptors with the kind of
// value, the accepted strings and the numeric bounds.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace UPSpecTypes {
// Kinds of keyword value.
enum ParamSpec : int {
  kParamNone = 1,          // a bare keyword
  kParamTokenList = 2,     // a list of tokens (variable names, references, nested keywords)
  kParamStringList = 3,    // one string out of the keyword's list (any word or string when
                           // the list is empty)
  kParamNumber = 7,        // a number
  kParamInteger = 9,       // an integer
  kParamKeywordOrVar = 15  // the keyword alone, or KEYWORD=name
};
// Kinds of subcommand.
enum SubComSpec : int {
  kSubComPlain = 1,        // may stand without keywords
  kSubComNeedsKeyword = 2  // needs at least one of its keywords
};
// Whether a single value may also be written in parentheses, KEYWORD(value).
enum BracketOptions : int { kNoBrackets = 0, kBracketsAllowed = 1 };
enum LowerBdryOptions : int { kNoLower = 0, kLowerMayEqual = 1, kLowerMustExceed = 2 };
enum UpperBdryOptions : int { kNoUpper = 0, kUpperMayEqual = 1, kUpperMustBeBelow = 2 };
// Whether a code is one of the kinds above.
bool IsParamSpec(int code);
}  // namespace UPSpecTypes

// One keyword: name, kind, flags, bracket code, string values and bounds.
//  first flag  (required): the keyword must be given whenever its subcommand is;
//  second flag (valueRequired): a keyword of kind 2, 3, 7 or 9 must have its value; when
//              false it may also stand alone (ParamObj::isLeadingToken). Kinds 1 and 15
//              ignore it: kind 1 never takes a value, kind 15 may always stand alone.
class ParamDescriptor {
 public:
  ParamDescriptor(std::string name, int kind, bool required = false, bool valueRequired = true,
                  int bracket = UPSpecTypes::kNoBrackets);

  // Adds an accepted string of a kind-3 keyword (compared without regard to case).
  void addStringValue(std::string value);
  // Bounds of a kind-7 or kind-9 keyword; option codes from UPSpecTypes.
  void setLowerBoundary(double value, int option);
  void setUpperBoundary(double value, int option);

  const std::string& getName() const { return fName; }
  int getKind() const { return fKind; }
  bool isRequired() const { return fRequired; }
  bool isValueRequired() const { return fValueRequired; }
  int getBracket() const { return fBracket; }
  const std::vector<std::string>& getStringValues() const { return fStringValues; }
  double getLowerBoundary() const { return fLower; }
  int getLowerOption() const { return fLowerOption; }
  double getUpperBoundary() const { return fUpper; }
  int getUpperOption() const { return fUpperOption; }
  // The listed string that equals `value` without regard to case, or null.
  const std::string* findStringValue(std::string_view value) const;

 private:
  std::string fName;
  int fKind;
  bool fRequired;
  bool fValueRequired;
  int fBracket;
  std::vector<std::string> fStringValues;
  double fLower = 0.0;
  int fLowerOption = UPSpecTypes::kNoLower;
  double fUpper = 0.0;
  int fUpperOption = UPSpecTypes::kNoUpper;
};

// One subcommand: name ("" for the unnamed one), kind and flags, and its keywords.
//  first flag  (leading): its keywords may come right after the command name, without
//              /NAME (the unnamed subcommand always leads; at most one subcommand leads);
//  second flag (required): the command must include the subcommand.
class SubComDescriptor {
 public:
  SubComDescriptor(std::string name, int kind = UPSpecTypes::kSubComPlain, bool leading = false,
                   bool required = false);

  // Adds a keyword (a copy); returns the stored descriptor, valid while this one lives.
  ParamDescriptor& addParamDesc(const ParamDescriptor& param);
  ParamDescriptor& addParamDesc(std::string name, int kind, bool required, bool valueRequired,
                                int bracket);

  const std::string& getName() const { return fName; }
  int getKind() const { return fKind; }
  bool isLeading() const { return fLeading || fName.empty(); }
  bool isRequired() const { return fRequired; }
  const std::deque<ParamDescriptor>& getParams() const { return fParams; }
  // The keyword of that name (caseless), or null.
  const ParamDescriptor* findParam(std::string_view name) const;
  // The keyword names, comma separated, for messages.
  std::string listParams() const;

 private:
  std::string fName;
  int fKind;
  bool fLeading;
  bool fRequired;
  std::deque<ParamDescriptor> fParams;  // deque: references stay valid as keywords are added
};

// A command: its name (one or more words, such as "SPLIT FILE") and subcommands.
class CommandDescriptor {
 public:
  explicit CommandDescriptor(std::string name);

  SubComDescriptor& addSubComDesc(const SubComDescriptor& sub);

  const std::string& getName() const { return fName; }
  // The name's words, upper-cased.
  const std::vector<std::string>& getNameWords() const { return fNameWords; }
  const std::deque<SubComDescriptor>& getSubComs() const { return fSubComs; }
  // The subcommand of that name (caseless; "" the unnamed one), or null.
  const SubComDescriptor* findSubCom(std::string_view name) const;
  // The subcommand whose keywords may follow the command name, or null.
  const SubComDescriptor* leadingSubCom() const;
  // The named subcommands as "/A, /B", for messages.
  std::string listSubComs() const;
  // Removes every subcommand (a parser defines the grammar afresh for each parse).
  void clear() { fSubComs.clear(); }

 private:
  std::string fName;
  std::vector<std::string> fNameWords;
  std::deque<SubComDescriptor> fSubComs;
};
