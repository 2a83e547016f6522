// Low-level CSV reading: a read-only memory map of a file, a cursor that cuts RFC 4180 fields
// out of the bytes without copying, and the split of a file into chunks of whole rows that
// can be parsed independently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

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

// Cuts fields out of [begin, end). Borrows the bytes.
class CsvCursor {
 public:
  CsvCursor(const char* begin, const char* end) : fPos(begin), fEnd(end) {}
  // Skips lines that hold nothing (an empty line is not a row). False at the end.
  bool SkipEmptyLines();
  // Reads the field at the cursor. On kError, ErrorPos() and ErrorText() say what is wrong.
  CsvFieldEnd Next(CsvField* field);
  const char* Pos() const { return fPos; }
  const char* ErrorPos() const { return fErrorPos; }
  const char* ErrorText() const { return fErrorText; }

 private:
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

// Splits the data rows in [begin, end) into chunks of about chunkBytes. A row ends at a line
// feed outside quotes; empty lines are not rows. Quote state is tracked by parity, which is
// exact for well-formed input; on malformed input the row parser reports the first fault
// before any chunk boundary that the fault could have misplaced.
std::vector<CsvChunk> SplitRows(const char* begin, const char* end, size_t chunkBytes);

// Line (from 1) and column (from 1, in characters) of a byte position in a text.
void LineAndColumn(std::string_view text, size_t offset, size_t* line, size_t* column);
// Offset of the first byte in [begin, end) that is not valid UTF-8, or npos.
size_t FindInvalidUtf8(const char* begin, const char* end);
