// The work of COMPUTE: evaluate an expression for every case (or for the cases where a
// condition holds) and store it in a new or an existing variable, all or nothing.
#pragma once

#include <string>
#include <string_view>

#include "host/data/ZIRA_DataSource.h"

// The widest string variable COMPUTE creates; longer results are cut to it.
inline constexpr int kComputeMaxStringWidth = 32767;

// Computes `expression` into the variable `target` of `data` (borrowed for the call).
//  - A new target is created numeric (print format F8.2) or string, as the expression gives;
//    a string's width is the expression's widest result (at least 1, at most
//    kComputeMaxStringWidth). *created (when not null) is set to true.
//  - An existing target keeps its dictionary entry and gets new values; its type must match
//    the expression's. String results are cut to its width. *created is set to false.
//  - With a non-empty `condition` (a numeric expression), only the cases where it is exactly 1
//    get the new value; the others keep theirs (system-missing or blank in a new variable).
// The expressions are compiled and evaluated against the data as it is before the call, so
// `x = x + 1` reads the old x. On false (invalid or reserved target name, an expression that
// does not compile, a type mismatch), *error holds the reason and `data` is unchanged.
bool ComputeVariable(ZIRA_DataSource& data, const std::string& target, std::string_view expression,
                     std::string_view condition, std::string* error, bool* created);
