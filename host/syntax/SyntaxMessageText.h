// Pieces of the command parser's message texts, shared by the universal parser, VarSpecObj
// and ParserMessage so that every message names places and bounds the same way.
#pragma once

#include <string>
#include <string_view>

// "PCTMISSING on /VARCHECKS"; "VARIABLES" for the unnamed subcommand; "/SAVE" without a
// keyword; "" when both are empty.
std::string KeywordPlace(std::string_view keyword, std::string_view subcommand);
// "greater than 0 and at most 100"; "" when neither bound is in force. Options are the
// UPSpecTypes bound options.
std::string BoundsText(double lower, int lowerOption, double upper, int upperOption);
// Whether a value keeps both bounds.
bool WithinBounds(double value, double lower, int lowerOption, double upper, int upperOption);
// A number as short as shows it exactly enough: 100, 0.001, 1e+20.
std::string FormatNumberText(double value);
// "COMMAND: text" followed, when given, by a line break and the location text.
std::string ComposeMessage(std::string_view command, std::string_view text,
                           std::string_view location);
