// Helpers the subcommands share for turning command-line values into command text: variable
// lists given as words (commas or blanks between them) and file names quoted for a command.
#pragma once

#include <string>
#include <vector>

// Splits the values of a list option ("a,b c" "d") into words. Every word must be a variable
// name or a list keyword (TO, ALL): letters, digits and _ . @ # $ (and any non-ASCII byte),
// not starting with a digit or a period and not ending with a period. On failure returns false
// with the offending word named in *error (*words then holds the words read before it).
bool SplitNameList(const std::vector<std::string>& values, const std::string& option,
                   std::vector<std::string>* words, std::string* error);

// The words joined by single blanks.
std::string JoinWords(const std::vector<std::string>& words);

// A file name as a command's string: the absolute path in single quotes, a quote inside doubled.
std::string QuoteFileName(const std::string& path);
