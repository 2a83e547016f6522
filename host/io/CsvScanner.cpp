#include "host/io/CsvScanner.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Bit masks of the quote, line feed and carriage return bytes of 16 bytes at p (bit i for p[i]),
// and of the bytes at or above 0x80.
struct BlockMasks {
  uint32_t quotes, feeds, returns, high;
};

BlockMasks MasksOf(const char* p) {
#if defined(__SSE2__)
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  auto eq = [&](char c) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
  };
  return {eq('"'), eq('\n'), eq('\r'), static_cast<uint32_t>(_mm_movemask_epi8(v))};
#else
  BlockMasks m{0, 0, 0, 0};
  for (uint32_t i = 0; i < 16; ++i) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    m.quotes |= uint32_t{c == '"'} << i;
    m.feeds |= uint32_t{c == '\n'} << i;
    m.returns |= uint32_t{c == '\r'} << i;
    m.high |= uint32_t{c >= 0x80} << i;
  }
  return m;
#endif
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
  while (p < fEnd && !kCsvStops[static_cast<unsigned char>(*p)]) ++p;
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

RowEndScan ScanRowEnds(const char* dataBegin, const char* pieceBegin, const char* pieceEnd) {
  assert(dataBegin <= pieceBegin && pieceBegin <= pieceEnd && "host/io/CsvScanner: piece order");
  RowEndScan scan;
  // Line feeds and carriage returns of the two bytes before the piece (bits 0 and 1): a line
  // feed ends an empty line when the line before it is empty or a lone carriage return. The
  // byte before the data counts as a line feed: the data starts a line.
  uint32_t feedsBefore = 0, returnsBefore = 0;
  const size_t into = static_cast<size_t>(pieceBegin - dataBegin);
  for (size_t k = 1; k <= 2; ++k) {
    const uint32_t bit = uint32_t{1} << (2 - k);
    if (k == into + 1 || (k <= into && pieceBegin[-static_cast<ptrdiff_t>(k)] == '\n'))
      feedsBefore |= bit;
    if (k <= into && pieceBegin[-static_cast<ptrdiff_t>(k)] == '\r') returnsBefore |= bit;
  }
  int parity = 0;  // of the quotes seen so far in the piece
  uint32_t high = 0;
  for (const char* p = pieceBegin; p < pieceEnd; p += 16) {
    const size_t n = static_cast<size_t>(pieceEnd - p);
    BlockMasks m;
    if (n >= 16) {
      m = MasksOf(p);
    } else {
      char tail[16] = {};
      std::memcpy(tail, p, n);
      m = MasksOf(tail);
    }
    high |= m.high;
    // Line feeds ending empty lines: a line feed right after one, or after "\n\r".
    const uint32_t feeds = (m.feeds << 2) | feedsBefore;
    const uint32_t returns = (m.returns << 2) | returnsBefore;
    const uint32_t emptyEnds = (feeds & ((feeds << 1) | ((returns << 1) & (feeds << 2)))) >> 2;
    feedsBefore = (m.feeds >> 14) & 3;
    returnsBefore = (m.returns >> 14) & 3;
    const uint32_t rowEnds = m.feeds & ~emptyEnds & 0xFFFF;
    if (m.quotes == 0) {
      for (uint32_t r = rowEnds; r; r &= r - 1) ++scan.rows[parity];  // rarely more than one
      if (m.feeds) scan.lastEnd[parity] = p + (32 - __builtin_clz(m.feeds));
      continue;
    }
    for (uint32_t bits = m.quotes | m.feeds; bits; bits &= bits - 1) {
      const int i = __builtin_ctz(bits);
      const uint32_t bit = uint32_t{1} << i;
      if (m.quotes & bit) {
        parity ^= 1;
      } else {
        scan.rows[parity] += (rowEnds & bit) ? 1 : 0;
        scan.lastEnd[parity] = p + i + 1;
      }
    }
  }
  scan.quotesOdd = parity != 0;
  scan.ascii = high == 0;
  return scan;
}

std::vector<CsvChunk> JoinRowScans(const char* dataBegin, const char* end,
                                   const std::vector<RowEndScan>& scans) {
  std::vector<CsvChunk> chunks;
  const char* chunkBegin = dataBegin;
  const char* lastEnd = dataBegin;  // just past the last row end (or empty line) so far
  size_t rows = 0;
  int inQuotes = 0;
  for (const RowEndScan& s : scans) {
    if (s.lastEnd[inQuotes]) {
      lastEnd = s.lastEnd[inQuotes];
      if (s.rows[inQuotes] > 0) {
        chunks.push_back({chunkBegin, lastEnd, rows, s.rows[inQuotes]});
        rows += s.rows[inQuotes];
        chunkBegin = lastEnd;
      }
    }
    inQuotes ^= s.quotesOdd ? 1 : 0;
  }
  if (lastEnd < end) {
    // A last row without a line feed (or one whose quote is never closed).
    if (!chunks.empty()) {
      assert(chunks.back().end == chunkBegin && "host/io/CsvScanner: chunks are contiguous");
      chunks.back().end = end;
      ++chunks.back().rows;
    } else {
      chunks.push_back({chunkBegin, end, rows, 1});
    }
  }
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
