// Low-level CSV reading: a read-only memory map of a file, a cursor that cuts RFC 4180 fields
// out of the bytes without copying, and the split of a file into chunks of whole rows that
// can be parsed independently.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// A file mapped read-only into memory. Owns the mapping until destroyed.
// Invariants:
//  1. fData is null exactly when fSize is 0 (an empty file maps nothing).
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  // Maps the file; false with the reason in *error (the path named in it).
  bool Open(const std::string& path, std::string* error);
  std::string_view View() const { return {fData, fSize}; }
  // Lets the kernel drop the pages of [begin, end) from this process; they are read again
  // from the page cache if touched. Keeps the resident size of a large read low.
  void Release(const char* begin, const char* end) const;

 private:
  const char* fData = nullptr;
  size_t fSize = 0;
};


// One field as found in the bytes: the value's bytes (without the surrounding quotes) and the
// number of doubled quotes inside it, which unescaping removes.
struct CsvField {
  const char* begin = nullptr;
  const char* end = nullptr;
  uint32_t escapes = 0;
  bool quoted = false;
  size_t Length() const { return static_cast<size_t>(end - begin) - escapes; }
  std::string_view Raw() const { return {begin, static_cast<size_t>(end - begin)}; }
  // Copies the unescaped value to out (Length() bytes).
  void CopyTo(char* out) const;
  // The unescaped value: the raw bytes when there is nothing to unescape, else a copy in *buf.
  std::string_view Text(std::string* buf) const;
};

enum class CsvFieldEnd { kComma, kRowEnd, kFileEnd, kError };

// Bytes that end an unquoted field or are not allowed in one.
inline constexpr std::array<bool, 256> kCsvStops = [] {
  std::array<bool, 256> t{};
  t[static_cast<unsigned char>(',')] = true;
  t[static_cast<unsigned char>('\n')] = true;
  t[static_cast<unsigned char>('\r')] = true;
  t[static_cast<unsigned char>('"')] = true;
  return t;
}();

// Cuts fields out of [begin, end). Borrows the bytes.
class CsvCursor {
 public:
  CsvCursor(const char* begin, const char* end) : fPos(begin), fEnd(end) {}
  // Skips lines that hold nothing (an empty line is not a row). False at the end.
  bool SkipEmptyLines();
  // Reads the field at the cursor. On kError, ErrorPos() and ErrorText() say what is wrong.
  CsvFieldEnd Next(CsvField* field);
  // The same, with the common case (an unquoted field ended by a comma or a line feed) inline.
  CsvFieldEnd NextFast(CsvField* field) {
    const char* p = fPos;
    if (p < fEnd && *p != '"') {
#if defined(__SSE2__)
      // Sixteen bytes at a time while they are all inside the text.
      for (; fEnd - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned comma = Mask(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')));
        const unsigned feed = Mask(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
        const unsigned other = Mask(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                                                 _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
        const unsigned stops = comma | feed | other;
        if (stops) {
          const unsigned first = stops & (0u - stops);
          if (first & other) return Next(field);
          return Cut(field, p + __builtin_ctz(stops), first & comma);
        }
      }
#endif
      while (p < fEnd && !kCsvStops[static_cast<unsigned char>(*p)]) ++p;
      if (p < fEnd && (*p == ',' || *p == '\n')) return Cut(field, p, *p == ',');
    }
    return Next(field);
  }
  const char* Pos() const { return fPos; }
  const char* ErrorPos() const { return fErrorPos; }
  const char* ErrorText() const { return fErrorText; }

 private:
#if defined(__SSE2__)
  static unsigned Mask(__m128i v) { return static_cast<unsigned>(_mm_movemask_epi8(v)); }
#endif
  // Ends the unquoted field at the cursor at stop, a comma or a line feed.
  CsvFieldEnd Cut(CsvField* field, const char* stop, bool comma) {
    field->begin = fPos;
    field->end = stop;
    field->escapes = 0;
    field->quoted = false;
    fPos = stop + 1;
    return comma ? CsvFieldEnd::kComma : CsvFieldEnd::kRowEnd;
  }
  const char* fPos;
  const char* fEnd;
  const char* fErrorPos = nullptr;
  const char* fErrorText = "";
};

// A run of whole rows: bytes [begin, end) holding rows firstRow .. firstRow + rows - 1.
struct CsvChunk {
  const char* begin;
  const char* end;
  size_t firstRow;
  size_t rows;
};

// What one piece of the data (any byte range, not necessarily whole rows) holds, for splitting
// the data into rows with the pieces scanned in parallel. A row ends at a line feed outside
// quotes; empty lines are not rows. Whether the piece starts inside quotes is not known while
// it is scanned, so both cases are counted: index 0 for a piece that starts outside quotes,
// 1 for one that starts inside.
struct RowEndScan {
  bool quotesOdd = false;   // the piece holds an odd number of quote characters
  bool ascii = true;        // every byte is below 0x80
  size_t rows[2] = {0, 0};  // rows ending in the piece (empty lines not counted)
  const char* lastEnd[2] = {nullptr, nullptr};  // just past the piece's last row end, or null
};

// Scans [pieceBegin, pieceEnd), a piece of the data [dataBegin, ...) that starts at a row.
RowEndScan ScanRowEnds(const char* dataBegin, const char* pieceBegin, const char* pieceEnd);

// Joins the scans of consecutive pieces that cover [dataBegin, end) into chunks of whole rows,
// one chunk per piece that ends a row (a chunk holds the rows ending in its piece; a last row
// without a line feed joins the last chunk). Quote state is tracked by parity, which is exact
// for well-formed input; on malformed input the row parser reports the first fault before any
// chunk boundary that the fault could have misplaced.
std::vector<CsvChunk> JoinRowScans(const char* dataBegin, const char* end,
                                   const std::vector<RowEndScan>& scans);

// Line (from 1) and column (from 1, in characters) of a byte position in a text.
void LineAndColumn(std::string_view text, size_t offset, size_t* line, size_t* column);
// Offset of the first byte in [begin, end) that is not valid UTF-8, or npos.
size_t FindInvalidUtf8(const char* begin, const char* end);
