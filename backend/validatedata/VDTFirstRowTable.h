// The first pass's table of first rows: for each identifier key of a split group, the row
// where the key was first met. A slot is 4 bytes: the row (from the group's first, + 1; 0
// marks an empty slot) in its low bits and, above them, as many bits of the key's hash as the
// group's size leaves, compared before the key itself. Half the bytes of a slot that would
// hold both whole: a table of millions of keys lies half as far beyond the caches.
//
// A search starts at a home slot and looks at the other slots of the home slot's cache line
// before it goes on to the next line; keys are never removed, so the first empty slot ends it.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/common/MemoryAdvice.h"

// Invariants:
//  1. fLines.size() is 0 or a power of two; at most three slots in four are used;
//  2. fRowBits bits hold a row + 1 of the current group; fRowBits < 32.
class VDTFirstRowTable {
 public:
  static constexpr size_t kNone = SIZE_MAX;

  // Empty, with room for a split group of `rows` keys (rows < 2^31); a table far larger than
  // it needs is made anew, mapped on up to `threads` threads. It does not ask for huge pages:
  // where free memory is scattered the system first gathers it to make them, and for a table
  // of tens of megabytes that took several times what it saves on the lookups (a pass over
  // 10 million keys: 34-54 ms to make against 7-9, lookups 10 ms quicker).
  void Reset(size_t rows, int threads) {
    assert(rows < (size_t{1} << 31) && "backend/validatedata/VDTFirstRowTable: rows < 2^31");
    fRowBits = 1;
    while ((size_t{1} << fRowBits) <= rows) ++fRowBits;
    size_t slots = kLineSlots;
    while (slots * 3 < 4 * rows + 4) slots *= 2;
    const size_t lines = slots / kLineSlots;
    if (lines > fLines.size() || 8 * lines < fLines.size()) {
      std::vector<Line> fresh;
      fresh.reserve(lines);
      if (threads > 1) PrefaultForWrite({{fresh.data(), lines * sizeof(Line)}}, threads);
      fresh.assign(lines, Line{});
      fLines.swap(fresh);
    } else {
      std::fill(fLines.begin(), fLines.end(), Line{});
    }
  }

  // Asks the processor for the line where the search for hash h starts, a few keys ahead.
  // Forced inline: g++ takes a function whose only effect is a prefetch for one without
  // effects and drops calls to it that are not inlined early.
  [[gnu::always_inline]] void Prefetch(uint64_t h) const {
    if (!fLines.empty()) __builtin_prefetch(&fLines[LineOf(h)]);
  }

  // The row (from the group's first) of a key of hash h met before, the one for which
  // same(row) is true; kNone when none was, and `row` is then kept for the key.
  template <typename Same>
  [[gnu::always_inline]] size_t FindOrAdd(uint64_t h, size_t row, Same same) {
    assert(!fLines.empty() && "backend/validatedata/VDTFirstRowTable: Reset first");
    const uint32_t tag = static_cast<uint32_t>(h >> (32 + fRowBits)) << fRowBits;
    const uint32_t rowMask = (uint32_t{1} << fRowBits) - 1;
    size_t line = LineOf(h);
    size_t j = Home(h) % kLineSlots;
    for (size_t seen = 0;; ++seen) {
      uint32_t& slot = fLines[line].slot[j];
      if (slot == 0) {
        slot = tag | static_cast<uint32_t>(row + 1);
        return kNone;
      }
      if ((slot & ~rowMask) == tag && same((slot & rowMask) - 1)) return (slot & rowMask) - 1;
      // The rest of the line, then the lines after it.
      j = (j + 1) % kLineSlots;
      if (seen % kLineSlots == kLineSlots - 1) line = (line + 1) & (fLines.size() - 1);
    }
  }

 private:
  static constexpr size_t kLineSlots = 16;
  struct alignas(64) Line {
    uint32_t slot[kLineSlots] = {};
  };
  static size_t Home(uint64_t h) { return static_cast<size_t>(h >> 1); }
  size_t LineOf(uint64_t h) const { return (Home(h) / kLineSlots) & (fLines.size() - 1); }

  std::vector<Line> fLines;
  int fRowBits = 1;
};
