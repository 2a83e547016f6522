// The proleptic Gregorian calendar in days since 1970-01-01, shared by the dataset files and
// the expression language (dates are seconds since 1970-01-01T00:00:00).
#pragma once

// Days since 1970-01-01 of a civil date (month 1-12, day 1-31; not range-checked).
long long DaysFromCivil(long long year, int month, int day);
// The civil date of a day count.
void CivilFromDays(long long days, long long* year, int* month, int* day);
