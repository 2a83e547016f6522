// The property syntax of rule texts: quote character, property specifications split at
// commas outside quotes, name/value split, unquoting, list items and element indices.
// Pure functions over text; the rule record turns their failures into messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "backend/validatedata/VDTSpecTypes.h"

namespace VDTRuleText {

// The quote character of a whole text: the first apostrophe or double quote character met
// from the left, NUL when the text holds neither.
char ChooseQuoteChar(std::string_view text);

// Cuts a text into property specifications at commas outside quotes; each occurrence of the
// quote character toggles the inside-quotes state. Empty specifications (two commas in a row,
// a leading or trailing comma) are dropped. The views borrow from `text`. Returns false when
// the text ends inside quotes; `specs` then holds what was cut so far.
bool SplitPropertySpecs(std::string_view text, char quote, std::vector<std::string_view>* specs);

enum class SplitStatus {
  kOk,
  kQuoteInName,  // a quote character stands before the equals sign
  kEmptyName,    // the name is empty once trimmed
};

// Cuts one specification at its first equals sign into a trimmed name and a trimmed value;
// later equals signs belong to the value; without one the whole is the name. On failure the
// out-parameters hold what was cut so far.
SplitStatus SplitProperty(std::string_view spec, char quote, std::string* name, std::string* value);

// Removes the quotes around a value: without a quote character it is taken as it is; with
// an even number of them it must begin and end with one, and a doubled quote character
// inside stands for one. Returns false (quotes unbalanced) otherwise; `out` is then unspecified.
bool UnquoteValue(std::string_view value, char quote, std::string* out);

// The items of a `List` value: cut at spaces (U+0020 only) outside quotes, each trimmed and
// unquoted on its own; items that come out empty are dropped. Returns false when an item's
// quotes are unbalanced.
bool SplitListItems(std::string_view value, char quote, std::vector<std::string>* items);

// The element number written in an element name such as "$VD.SRule[12]" for the prefix
// "$VD.SRule": the prefix in any letter case, then digits only between square brackets, at
// least 1. Returns 0 for anything else (and for numbers too large for an int).
int ParseAttribIndex(std::string_view value, std::string_view prefix);

// The class of a print format type code: 1 String; 20 to 30, 38, 39, 85 and 86 (the date and
// time formats) Date; every other code Numeric.
VDTSpecTypes::ValueType ClassifyFormatType(int formatType);

// The printf forms of element names, %d being the element number.
inline constexpr const char* kSRuleNameFormat = "$VD.SRule[%d]";
inline constexpr const char* kCRuleNameFormat = "$VD.CRule[%d]";
inline constexpr const char* kSRuleRefNameFormat = "$VD.SRuleRef[%d]";

// An element name made from one of the printf forms above ("$VD.SRule[3]").
std::string MakeElementName(const char* printfFormat, int index);

}  // namespace VDTRuleText
