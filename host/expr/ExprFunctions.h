// The expression language's function library: the table of functions (names, argument counts
// and types, result type) that the type checker reads, and the scalar work of each function
// that the evaluator calls per value.
#pragma once

#include <string>
#include <string_view>

enum class ExprFn : unsigned char {
  kMissing,
  kSysmis,
  kValue,
  kAny,
  kRange,
  kAbs,
  kMod,
  kTrunc,
  kRnd,
  kLength,
  kUpcase,
  kLower,
  kTrim,
  kLtrim,
  kRtrim,
  kSubstr,
  kIndex,
  kConcat,
  kNumber,
  kString,
  kDateYmd,
  kDateDmy,
  kDateMdy,
  kTimeHms,
  kYear,
  kMonth,
  kDay,
};

// One function of the library. Argument letters: n a number, s a string, a either type,
// = the type of argument 1, f a format (F8.2, SDATE10, 'yyyy-mm-dd'); the last letter stands
// for every further argument. Result letters: n number, s string, 1 the type of argument 1.
struct ExprFnInfo {
  const char* name;
  ExprFn fn;
  int minArgs;
  int maxArgs;  // -1: no upper limit
  const char* args;
  char result;
  const char* usage;  // how to call it, for messages: "RND(number[, multiple])"
};

// The function of that name (caseless; aliases such as LOWCASE and XDATE.YEAR included), or
// null when there is none.
const ExprFnInfo* FindExprFunction(std::string_view name);
// The argument letter that applies to argument `index` (0-based) of a function.
char ExprFnArgLetter(const ExprFnInfo& info, int index);

// The numeric functions over numeric arguments: MISSING and SYSMIS of an expression (its value
// is system-missing), ANY, RANGE, ABS, MOD, TRUNC, RND, DATE.YMD, DATE.DMY, DATE.MDY,
// TIME.HMS, YEAR, MONTH, DAY. `args` holds n values; system-missing arguments give
// system-missing results except in MISSING and SYSMIS, and in ANY and RANGE where a match
// among the valid values gives 1 (three-valued OR).
double CallNumericFunction(ExprFn fn, const double* args, int n);

// String helpers. Strings in expressions are byte strings; trailing blanks do not count in
// comparisons and lengths.
std::string_view RightTrimBlanks(std::string_view s);
// <0, 0, >0 as a sorts before, equal to, or after b, byte-wise, trailing blanks ignored.
int CompareExprStrings(std::string_view a, std::string_view b);
// UPCASE and LOWER: letters beyond ASCII are mapped too (UTF-8). Writes into *out, which the
// caller keeps with enough capacity (twice the input) so that no allocation happens.
void ChangeLetterCase(std::string_view in, bool upper, std::string* out);
// SUBSTR: the part from 1-based `pos` (truncated to a whole number), `len` bytes or to the end
// when len is system-missing; empty when pos is before 1 or past the end or len is below 1.
std::string_view Substring(std::string_view s, double pos, double len);
// INDEX: 1-based byte position of the first occurrence of needle, 0 when there is none or
// needle is empty.
double IndexOf(std::string_view haystack, std::string_view needle);
// TRIM, LTRIM, RTRIM: the text without leading and/or trailing copies of `pad` (a blank
// unless given).
std::string_view TrimChar(std::string_view s, char pad, bool left, bool right);
