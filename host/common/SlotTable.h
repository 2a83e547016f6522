// The slots of the host's open-addressing hash tables (the identifier map and the category
// coder): each slot holds an entry's index + 1 (0 marks an empty slot) and a tag, bits of the
// entry's hash compared before the entry itself. Entries are never removed, so the first
// empty slot of a search ends it.
//
// A search starts at a home slot and looks at the other slots of the home slot's cache line
// before it goes on to the next line. Slot by slot, a search in a table three fifths full
// runs past the end of its line about every third time, into a line nobody fetched ahead;
// within the line it rarely has to leave it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/common/MemoryAdvice.h"

class SlotTable {
 public:
  struct Slot {
    uint32_t index1 = 0;  // entry index + 1; 0: empty
    uint32_t tag = 0;
  };
  static constexpr size_t kLineSlots = 8;

  // Number of slots (0 or a power of two, at least kLineSlots).
  size_t Size() const { return fLines.size() * kLineSlots; }
  bool Empty() const { return fLines.empty(); }
  // n empty slots, n a power of two; a large table asks for huge pages, and with threads > 1
  // is mapped on that many threads.
  void Assign(size_t n, int threads = 1) {
    AssignAdvised(fLines, n < kLineSlots ? 1 : n / kLineSlots, Line{}, threads);
  }
  // Every slot empty again; the size is kept.
  void Clear() { std::fill(fLines.begin(), fLines.end(), Line{}); }

  // The slot where the search from `home` starts (any number: it is taken modulo Size()).
  const Slot& HomeSlot(size_t home) const {
    return fLines[LineOf(home)].slot[home % kLineSlots];
  }
  // Asks the processor for the line of a search from `home`, a few searches ahead. Forced
  // inline: g++ takes a function whose only effect is a prefetch for one without effects
  // and drops calls to it that are not inlined early.
  [[gnu::always_inline]] void Prefetch(size_t home) const {
    if (!fLines.empty()) __builtin_prefetch(&fLines[LineOf(home)]);
  }

  // The first slot of the search from `home` that is empty or for which found(slot) is true.
  // The table must have an empty slot.
  template <typename Found>
  [[gnu::always_inline]] Slot& Find(size_t home, Found found) {
    size_t line = LineOf(home);
    const size_t start = home % kLineSlots;
    Slot& first = fLines[line].slot[start];
    if (first.index1 == 0 || found(first)) return first;
    for (size_t j = 1; j < kLineSlots; ++j) {
      Slot& s = fLines[line].slot[(start + j) % kLineSlots];
      if (s.index1 == 0 || found(s)) return s;
    }
    for (;;) {
      line = (line + 1) & (fLines.size() - 1);
      for (Slot& s : fLines[line].slot)
        if (s.index1 == 0 || found(s)) return s;
    }
  }
  // The empty slot where a new entry with this home goes.
  Slot& EmptySlot(size_t home) {
    return Find(home, [](const Slot&) { return false; });
  }

  // The slots in table order, for a rebuild.
  template <typename Fn>
  void ForEachUsed(Fn fn) const {
    for (const Line& line : fLines)
      for (const Slot& s : line.slot)
        if (s.index1 != 0) fn(s);
  }

 private:
  struct alignas(64) Line {
    Slot slot[kLineSlots];
  };
  size_t LineOf(size_t home) const { return (home / kLineSlots) & (fLines.size() - 1); }

  std::vector<Line> fLines;
};
