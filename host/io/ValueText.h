// Text forms of values and formats in dataset files: plain numbers, ISO dates and times, and
// the format codes of the descriptor's "zira.format" ("F8.2", "A20", "DATE10", "TIME8").
#pragma once

#include "host/common/Calendar.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "host/common/ZiraTypes.h"

// Format codes. A code is a name, a width and optionally a period and decimals:
//   Fw.d        plain number (type 5), w 1..40, d 0..16, d < w
//   Aw          string (type 1), w 1..32767
//   DATEw       date (type 20), YYYY-MM-DD, w 10..40
//   TIMEw[.d]   time of day (type 21), hh:mm:ss with d decimals of a second, w 8..40, d 0..9
//   DATETIMEw[.d]  date and time (type 22), YYYY-MM-DD hh:mm:ss, w 19..40, d 0..9
// Names are matched without regard to case. Returns false (and leaves *out) on anything else.
bool ParseFormatCode(std::string_view text, ZiraFormat* out);
// The code of a format; formats of other type codes are written as plain numbers (F).
std::string FormatCodeText(const ZiraFormat& format);

// Reads a whole text as a decimal number: optional sign, digits with an optional fraction and
// exponent ("12", "-0.5", "+3", "1e-3", ".5"). No blanks, no "inf"/"nan". False otherwise,
// also when the number is too large for a double.
bool ParseNumber(std::string_view text, double* out);
// Writes the shortest text that reads back as the same double (std::to_chars), "INF", "-INF"
// or "NaN" for those. buf must hold at least kNumberTextMax bytes; returns the length.
inline constexpr size_t kNumberTextMax = 32;
size_t WriteNumber(double value, char* buf);
std::string NumberText(double value);

// ISO dates and times as seconds: a date or date-time counts from 1970-01-01T00:00:00, a time
// of day from midnight. Years run from 0001 to 9999.
//   date:      YYYY-MM-DD
//   time:      hh:mm:ss[.fraction]   (hh 00..23; ss 00..59, 60 read as a leap second into 59)
//   datetime:  date "T" or " " time, then optionally "Z" or an offset "+hh:mm" / "-hh:mm"
//              (an offset is applied, giving UTC).
bool ParseIsoDate(std::string_view text, double* seconds);
bool ParseIsoTime(std::string_view text, double* seconds);
bool ParseIsoDateTime(std::string_view text, double* seconds);
// Reads a date, time or date-time with a strftime-style pattern made of %Y %m %d %H %M %S %%
// and literal characters (%S may carry a fraction). False when the text does not match.
bool ParsePatternDateTime(std::string_view text, std::string_view pattern, double* seconds);

// Writes a value in ISO form (date: "YYYY-MM-DD", time: "hh:mm:ss[.fff]", datetime:
// "YYYY-MM-DDThh:mm:ss[.fff]"). Returns 0 when the value cannot be written in that form so
// that it reads back exactly (a date that is not a whole day, a time outside one day, a year
// outside 1..9999, a fraction that does not survive); buf holds at least kIsoTextMax bytes.
inline constexpr size_t kIsoTextMax = 40;
size_t WriteIsoDate(double seconds, char* buf);
size_t WriteIsoTime(double seconds, char* buf);
size_t WriteIsoDateTime(double seconds, char* buf);

