// Text helpers of the host: trimming, upper-casing, caseless comparison and name checks.
// Case folding goes beyond ASCII (UTF-8 through utf8proc).
#pragma once

#include <string>
#include <string_view>

// The text without leading and trailing blanks (spaces, tabs, line ends).
std::string TrimString(std::string_view s);
// The upper-case form of a UTF-8 text. Invalid UTF-8 bytes are kept as they are.
std::string GetUpperString(std::string_view s);
// Case-folded form used for caseless comparison and hashing.
std::string FoldCase(std::string_view s);
// Equality without regard to letter case.
bool AreStringsEqualCase(std::string_view a, std::string_view b);
// Whether two variable names name the same variable (caseless, trailing blanks ignored).
bool AreVarNamesEqualCase(std::string_view a, std::string_view b);
// The decimal text of an int.
std::string IntegerToString(long long n);
// Whether a text is a valid variable name: at most 64 bytes; letters, digits and _ . @ # $;
// starting with a letter, @, # or $; not ending with a period. Non-ASCII letters are letters.
bool IsValidVarName(std::string_view name);
// Reserved words that may not name a variable (ALL, AND, BY, EQ, GE, GT, LE, LT, NE, NOT, OR, TO, WITH).
bool IsReservedWord(std::string_view name);
// Whether the text is valid UTF-8.
bool IsValidUtf8(std::string_view s);
