#include "host/common/Calendar.h"

// Days from civil and back: the era-based algorithms of H. Hinnant ("chrono-Compatible
// Low-Level Date Algorithms"), exact for every proleptic Gregorian date.
long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  long long era = (y >= 0 ? y : y - 399) / 400;
  long long yoe = y - era * 400;                                    // [0, 399]
  long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
  long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, long long* year, int* month, int* day) {
  z += 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;                                       // [0, 146096]
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
  long long mp = (5 * doy + 2) / 153;                                     // [0, 11]
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = yoe + era * 400 + (*month <= 2);
}
