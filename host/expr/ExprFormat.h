// Value formats of the expression language (NUMBER reads text with one, STRING writes a number
// with one) and the calendar behind date values: seconds since 1970-01-01T00:00:00 in the
// proleptic Gregorian calendar. The rules command reads dated bounds through the same code.
#pragma once

#include "host/common/Calendar.h"

#include <string>
#include <string_view>

enum class ExprFmtKind {
  kF,      // Fw.d: plain number
  kN,      // Nw: digits only, written with leading zeros
  kComma,  // COMMAw.d: number with thousands separators (commas ignored when reading)
  kE,      // Ew.d: scientific notation
  kA,      // Aw: string (accepted by the parser; not a numeric format)
  kDate,   // a date: SDATE, ADATE, EDATE, DATE, or a pattern such as yyyy-mm-dd
};

struct ExprFormat {
  ExprFmtKind kind = ExprFmtKind::kF;
  int width = 8;
  int decimals = 2;
  // kDate: the order of the fields ('y', 'm', 'd'), whether the month is a three-letter name
  // and the separator written between fields.
  char order[3] = {'y', 'm', 'd'};
  bool monthName = false;
  char separator = '-';

  bool IsNumeric() const { return kind != ExprFmtKind::kA; }
};

// Parses a format: F8.2, N5, COMMA10.1, E12.4, A20, SDATE10 (yyyy/mm/dd), ADATE10
// (mm/dd/yyyy), EDATE10 (dd.mm.yyyy), DATE11 (dd-mmm-yyyy), or a date pattern of yyyy, mm or
// mmm and dd separated by one of - / . or a blank (yyyy-mm-dd, dd/mm/yyyy, dd-mmm-yyyy).
// Letters are matched without regard to case. On failure returns false with *error naming the
// problem and *out untouched.
bool ParseExprFormat(std::string_view spec, ExprFormat* out, std::string* error);

// Reads a value written in a numeric format. Blanks around the text are ignored; the width
// does not cut the text and the decimals do not scale it (NUMBER('123', F8.2) is 123). Dates
// accept any of - / . , and blanks between fields, and month names or numbers. Returns false
// (and leaves *value alone) when the text is empty or is not a value of the format.
bool ReadFormatted(std::string_view text, const ExprFormat& format, double* value);

// Writes a number in a numeric format into *out (replacing its content): exactly `width`
// characters for F, N, COMMA and E, right-aligned; a number too wide even without decimals
// gives asterisks; system-missing gives a period at the right. Dates are written in the
// pattern's length. Allocates only when *out's capacity is below the result's length.
void WriteFormatted(double value, const ExprFormat& format, std::string* out);
// The number of characters WriteFormatted writes with this format.
int FormattedWidth(const ExprFormat& format);

// The calendar. Years run from 1 to 9999.
bool IsValidCivilDate(double year, double month, double day);
// The date value (seconds since 1970-01-01) of a date, or system-missing when the year, month
// or day is missing, not a whole number, or out of range (February 30, month 13).
double DateValue(double year, double month, double day);
