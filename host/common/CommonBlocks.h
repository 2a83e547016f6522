// The host's global block (error, weight and one setting word) and locale block. Both
// belong to the current session; outside a session they are process-wide fallbacks.
#pragma once

struct CmnGlb {
  int errorWord = 0;    // non-zero: an error or interrupt is pending
  int weightWord = 0;   // 1 or more while case weighting is on
  int settingWord = 0;  // one further setting word, saved and restored by procedures
};

struct CmnLoc {
  char decimal = '.';        // decimal character
  char listSeparator = ',';  // list separator (';' when the decimal character is ',')
};

CmnGlb* pvGetCmnGlb();
CmnLoc* pvGetCmnLoc();
