// Host value cells, variable names and the system-missing value shared by every layer.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

// One 8-byte value cell: a numeric value, or 8 bytes of a string value. A string value of
// width w occupies ceil(w / 8) whole cells, blank-padded.
union OBS {
  double d;
  char c[8];
};
static_assert(sizeof(OBS) == 8, "OBS must be one 8-byte cell");

// A variable name as the host spells it (at most 64 bytes, compared without regard to case).
using ZiraVarName = std::string;

namespace MCMV {
// The system-missing value: the lowest double.
inline constexpr double gMissingValue = std::numeric_limits<double>::lowest();
}  // namespace MCMV

// Measurement levels of a variable.
enum ZiraLevel : int { kLevelUnknown = 0, kLevelNominal = 1, kLevelOrdinal = 2, kLevelScale = 3 };

// Print and write format type codes.
enum ZiraFormatType : int {
  kFmtString = 1,
  kFmtNumber = 5,
  kFmtDate = 20,
  kFmtTime = 21,
  kFmtDateTime = 22,
};

// A print or write format: type code, width and decimals.
struct ZiraFormat {
  int type = kFmtNumber;
  int width = 8;
  int decimals = 2;
  bool operator==(const ZiraFormat&) const = default;
};

// The string cell width for a declared string width: rounded up to a multiple of 8.
inline int CellWidth(int width) { return width <= 0 ? 0 : (width + 7) / 8 * 8; }
