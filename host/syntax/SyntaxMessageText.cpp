#include "host/syntax/SyntaxMessageText.h"

#include <cstdio>

#include "host/syntax/UPDescriptors.h"

std::string KeywordPlace(std::string_view keyword, std::string_view subcommand) {
  std::string out(keyword);
  if (!subcommand.empty()) {
    if (!out.empty()) out += " on ";
    out += "/";
    out += subcommand;
  }
  return out;
}

std::string FormatNumberText(double value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

std::string BoundsText(double lower, int lowerOption, double upper, int upperOption) {
  std::string lo, hi;
  if (lowerOption == UPSpecTypes::kLowerMayEqual) lo = "at least " + FormatNumberText(lower);
  if (lowerOption == UPSpecTypes::kLowerMustExceed) lo = "greater than " + FormatNumberText(lower);
  if (upperOption == UPSpecTypes::kUpperMayEqual) hi = "at most " + FormatNumberText(upper);
  if (upperOption == UPSpecTypes::kUpperMustBeBelow) hi = "less than " + FormatNumberText(upper);
  if (!lo.empty() && !hi.empty()) return lo + " and " + hi;
  return lo.empty() ? hi : lo;
}

bool WithinBounds(double value, double lower, int lowerOption, double upper, int upperOption) {
  if (lowerOption == UPSpecTypes::kLowerMayEqual && !(value >= lower)) return false;
  if (lowerOption == UPSpecTypes::kLowerMustExceed && !(value > lower)) return false;
  if (upperOption == UPSpecTypes::kUpperMayEqual && !(value <= upper)) return false;
  if (upperOption == UPSpecTypes::kUpperMustBeBelow && !(value < upper)) return false;
  return true;
}

std::string ComposeMessage(std::string_view command, std::string_view text,
                           std::string_view location) {
  std::string out;
  if (!command.empty()) {
    out += command;
    out += ": ";
  }
  out += text;
  if (!location.empty()) {
    out += "\n";
    out += location;
  }
  return out;
}
