// The dataset reader's per-column work on chunks of CSV rows: the plan of each column (how its
// cells are read and where the values go), statistics gathered on the way (types and widths
// for inference, decimals for formats), and the two passes over a chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/io/CsvScanner.h"
#include "host/io/TableSchema.h"

// Kinds a column of unknown type may still be, for inference.
enum KindBits : uint8_t {
  kMayNumber = 1,
  kMayDate = 2,
  kMayDateTime = 4,
  kMayTime = 8,
  kMayAnyKind = 15
};

// How one CSV column is read.
struct ColumnPlan {
  const FieldSpec* spec = nullptr;  // borrowed: the descriptor's field or the reader's default
  std::string name;                 // the variable name, for messages
  bool infer = false;               // the kind comes from the data
  bool needsWidth = false;          // the string width comes from the data
  FieldKind kind = FieldKind::kString;
  int width = 0;                            // string width once known
  std::vector<std::string> missingMarkers;  // cells read as system-missing or blank
  bool onlyEmptyMarker = true;              // missingMarkers is exactly {""}
  // Where the store pass puts values: borrowed from the dataset's column, rows from 0.
  double* numbers = nullptr;
  char* strings = nullptr;
  size_t cellWidth = 0;

  bool IsMissing(std::string_view text) const {
    return onlyEmptyMarker ? text.empty() : IsMissingMarker(text);
  }
  bool IsMissingMarker(std::string_view text) const;
};

// What one pass learnt about a column in one chunk; chunks merge.
struct ColumnStats {
  size_t maxLength = 0;  // longest non-missing value, bytes
  bool any = false;      // a non-missing value was seen
  uint8_t kinds = kMayAnyKind;
  int maxDecimals = 0;       // digits after the decimal point
  size_t maxNumberText = 0;  // longest number text
  void Merge(const ColumnStats& other);
};

// The result of parsing one chunk: the first fault (offset from the start of the text) and the
// statistics per column.
struct ChunkOutcome {
  static constexpr size_t kNoError = static_cast<size_t>(-1);
  size_t errorOffset = kNoError;
  std::string errorText;
  std::vector<ColumnStats> stats;
  void Fail(size_t offset, std::string text);
};

enum class ChunkPass {
  kStats,  // structure, UTF-8, types and widths of the columns that need them
  kStore,  // structure and conversion of every cell into the dataset's columns
};

// Parses the rows of one chunk. base is the start of the whole text. With checkUtf8 the chunk's
// bytes are validated first. out->stats must hold one entry per plan.
void ParseChunk(ChunkPass pass, const CsvChunk& chunk, const char* base,
                const std::vector<ColumnPlan>& plans, bool checkUtf8, ChunkOutcome* out);

// Reads the text of a cell (missing markers already handled) as a value of a numeric kind
// (every kind but string). False when it does not fit.
bool ReadNumericCell(const FieldSpec& spec, FieldKind kind, std::string_view text, double* out);
// What a numeric kind expects, for messages ("a number", "a date (YYYY-MM-DD)", ...).
std::string ExpectedText(const FieldSpec& spec, FieldKind kind);
// Quotes a value for a message, shortened when long.
std::string QuoteValue(std::string_view text);
