#include "host/io/CsvScanner.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cassert>
#include <cerrno>

namespace {

// Bytes that end an unquoted field or are not allowed in one.
constexpr std::array<bool, 256> MakeStops() {
  std::array<bool, 256> t{};
  t[static_cast<unsigned char>(',')] = true;
  t[static_cast<unsigned char>('\n')] = true;
  t[static_cast<unsigned char>('\r')] = true;
  t[static_cast<unsigned char>('"')] = true;
  return t;
}
constexpr std::array<bool, 256> kStops = MakeStops();

size_t CountQuotes(const char* p, const char* end) {
  size_t n = 0;
  while ((p = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(end - p))))) {
    ++n;
    ++p;
  }
  return n;
}

}  // namespace

MappedFile::~MappedFile() {
  if (fData) munmap(const_cast<char*>(fData), fSize);
}

bool MappedFile::Open(const std::string& path, std::string* error) {
  assert(!fData && "host/io/CsvScanner: MappedFile opened twice");
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = path + ": cannot open the file: " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = path + ": not a regular file";
    ::close(fd);
    return false;
  }
  fSize = static_cast<size_t>(st.st_size);
  if (fSize > 0) {
    void* p = mmap(nullptr, fSize, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) {
      *error = path + ": cannot map the file: " + std::strerror(errno);
      fSize = 0;
      ::close(fd);
      return false;
    }
    madvise(p, fSize, MADV_SEQUENTIAL);
    fData = static_cast<const char*>(p);
  }
  ::close(fd);
  return true;
}

void MappedFile::Release(const char* begin, const char* end) const {
  if (!fData) return;
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t b = static_cast<size_t>(begin - fData), e = static_cast<size_t>(end - fData);
  b = (b + page - 1) / page * page;  // whole pages inside the range only
  e = e / page * page;
  if (e > b) madvise(const_cast<char*>(fData) + b, e - b, MADV_DONTNEED);
}

void CsvField::CopyTo(char* out) const {
  if (escapes == 0) {
    std::memcpy(out, begin, static_cast<size_t>(end - begin));
    return;
  }
  for (const char* p = begin; p < end; ++p) {
    *out++ = *p;
    if (*p == '"') ++p;  // a doubled quote is one
  }
}

std::string_view CsvField::Text(std::string* buf) const {
  if (escapes == 0) return Raw();
  buf->resize(Length());
  CopyTo(buf->data());
  return *buf;
}

bool CsvCursor::SkipEmptyLines() {
  for (;;) {
    if (fPos >= fEnd) return false;
    if (*fPos == '\n') {
      ++fPos;
    } else if (*fPos == '\r' && fPos + 1 < fEnd && fPos[1] == '\n') {
      fPos += 2;
    } else {
      return true;
    }
  }
}

CsvFieldEnd CsvCursor::Next(CsvField* f) {
  const char* p = fPos;
  f->escapes = 0;
  if (p < fEnd && *p == '"') {
    f->quoted = true;
    const char* open = p;
    f->begin = ++p;
    for (;;) {
      const char* q = static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(fEnd - p)));
      if (!q) {
        fErrorPos = open;
        fErrorText = "a quoted value is not closed (a quote character opens it here)";
        return CsvFieldEnd::kError;
      }
      if (q + 1 < fEnd && q[1] == '"') {
        ++f->escapes;
        p = q + 2;
        continue;
      }
      f->end = q;
      p = q + 1;
      break;
    }
    if (p == fEnd) {
      fPos = p;
      return CsvFieldEnd::kFileEnd;
    }
    if (*p == ',') {
      fPos = p + 1;
      return CsvFieldEnd::kComma;
    }
    if (*p == '\n') {
      fPos = p + 1;
      return CsvFieldEnd::kRowEnd;
    }
    if (*p == '\r' && p + 1 < fEnd && p[1] == '\n') {
      fPos = p + 2;
      return CsvFieldEnd::kRowEnd;
    }
    fErrorPos = p;
    fErrorText = "a closing quote must be followed by a comma or the end of the line";
    return CsvFieldEnd::kError;
  }
  f->quoted = false;
  f->begin = p;
  while (p < fEnd && !kStops[static_cast<unsigned char>(*p)]) ++p;
  f->end = p;
  if (p == fEnd) {
    fPos = p;
    return CsvFieldEnd::kFileEnd;
  }
  switch (*p) {
    case ',':
      fPos = p + 1;
      return CsvFieldEnd::kComma;
    case '\n':
      fPos = p + 1;
      return CsvFieldEnd::kRowEnd;
    case '\r':
      if (p + 1 < fEnd && p[1] == '\n') {
        fPos = p + 2;
        return CsvFieldEnd::kRowEnd;
      }
      fErrorText = "a carriage return must be followed by a line feed (or be inside quotes)";
      break;
    default:
      fErrorText =
          "a quote character inside an unquoted value (quote the whole value and double the quote)";
      break;
  }
  fErrorPos = p;
  return CsvFieldEnd::kError;
}

std::vector<CsvChunk> SplitRows(const char* begin, const char* end, size_t chunkBytes) {
  std::vector<CsvChunk> chunks;
  const char* chunkBegin = begin;
  size_t rows = 0, chunkFirst = 0;
  bool inQuotes = false;
  const char* p = begin;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* segEnd = nl ? nl : end;
    const char* next = nl ? nl + 1 : end;
    bool empty = segEnd == p || (nl && segEnd == p + 1 && *p == '\r');
    if (!inQuotes && empty) {
      // an empty line: not a row
    } else {
      if (CountQuotes(p, segEnd) % 2) inQuotes = !inQuotes;
      if (!inQuotes || !nl) {
        ++rows;
        if (static_cast<size_t>(next - chunkBegin) >= chunkBytes) {
          chunks.push_back({chunkBegin, next, chunkFirst, rows - chunkFirst});
          chunkBegin = next;
          chunkFirst = rows;
        }
      }
    }
    p = next;
  }
  if (chunkBegin < end) chunks.push_back({chunkBegin, end, chunkFirst, rows - chunkFirst});
  return chunks;
}

void LineAndColumn(std::string_view text, size_t offset, size_t* line, size_t* column) {
  if (offset > text.size()) offset = text.size();
  size_t ln = 1, lineStart = 0;
  const char* p = text.data();
  const char* stop = text.data() + offset;
  while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(stop - p))))) {
    ++ln;
    ++p;
    lineStart = static_cast<size_t>(p - text.data());
  }
  size_t col = 1;
  for (size_t i = lineStart; i < offset; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++col;
  *line = ln;
  *column = col;
}

size_t FindInvalidUtf8(const char* begin, const char* end) {
  const auto* s = reinterpret_cast<const unsigned char*>(begin);
  const auto* e = reinterpret_cast<const unsigned char*>(end);
  const auto* p = s;
  while (p < e) {
    // ASCII runs, eight bytes at a time.
    while (e - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if (w & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p >= e) break;
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int n;
    uint32_t cp, min;
    if ((c & 0xE0) == 0xC0) {
      n = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3, cp = c & 0x07, min = 0x10000;
    } else {
      return static_cast<size_t>(p - s);
    }
    if (e - p <= n) return static_cast<size_t>(p - s);
    for (int i = 1; i <= n; ++i) {
      if ((p[i] & 0xC0) != 0x80) return static_cast<size_t>(p - s);
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return static_cast<size_t>(p - s);
    p += n + 1;
  }
  return std::string_view::npos;
}
