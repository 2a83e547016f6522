// The slots of the host's open-addressing hash tables (the identifier map, the category coder
// and the first pass's table of first rows). A slot is 4 bytes: an entry's index + 1 in its
// low bits (0 marks an empty slot) and, above them, as many bits of the entry's hash as the
// table's entries leave (its tag), compared before the entry itself. Half the bytes of a slot
// that held both whole: a table of millions of entries lies half as far beyond the caches,
// and its lookups wait less (10.5 against 12.5 ns a key, 2.5 million keys in 4 million slots).
// Entries are never removed, so the first empty slot of a search ends it.
//
// A search starts at a home slot and looks at the other slots of the home slot's cache line
// (16 slots) before it goes on to the next line. Slot by slot, a search in a table three
// fifths full would often run past the end of its line, into a line nobody fetched ahead;
// a whole line of a table that full is seldom full, so a search rarely leaves it.
//
// A table does not ask for huge pages: where free memory is scattered the system first
// gathers it to make them, and for a table of tens of megabytes that took several times what
// they save on the lookups (10 million keys: 34-54 ms to make the table against 7-9, the
// lookups 10 ms quicker).
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/common/MemoryAdvice.h"

// Invariants:
//  1. fLines.size() is 0 or a power of two;
//  2. a used slot's low fEntryBits bits hold its entry + 1, and every entry Assign was told
//     of fits in them; fEntryBits <= 32.
class SlotTable {
 public:
  using Slot = uint32_t;
  static constexpr size_t kLineSlots = 16;

  // Number of slots (0 or a power of two, at least kLineSlots).
  size_t Size() const { return fLines.size() * kLineSlots; }
  bool Empty() const { return fLines.empty(); }
  // n empty slots, n a power of two, for entries 0 .. entries-1 (n of them when not given);
  // with threads > 1 the table is mapped on that many threads.
  void Assign(size_t n, size_t entries = 0, int threads = 1) {
    const size_t lines = n < kLineSlots ? 1 : n / kLineSlots;
    fEntryBits = 1;
    while (fEntryBits < 32 && (uint64_t{1} << fEntryBits) <= (entries ? entries : n)) ++fEntryBits;
    std::vector<Line> fresh;
    fresh.reserve(lines);
    if (threads > 1) PrefaultForWrite({{fresh.data(), lines * sizeof(Line)}}, threads);
    fresh.assign(lines, Line{});
    fLines.swap(fresh);
  }
  // Every slot empty again; the size is kept.
  void Clear() { std::fill(fLines.begin(), fLines.end(), Line{}); }

  // The tag of a hash in this table's slots.
  uint32_t Tag(uint64_t hash) const {
    return fEntryBits == 32 ? 0 : static_cast<uint32_t>(hash >> (32 + fEntryBits)) << fEntryBits;
  }
  // Whether slot s is used and has tag `tag`.
  bool Holds(Slot s, uint32_t tag) const { return s != 0 && (s & ~EntryMask()) == tag; }
  // The entry of a used slot.
  uint32_t Entry(Slot s) const { return (s & EntryMask()) - 1; }
  // The slot of an entry (below the table's entries) with a tag of this table.
  Slot Make(uint32_t entry, uint32_t tag) const {
    assert(entry + uint64_t{1} <= EntryMask() && "host/common/SlotTable: entry fits");
    return tag | (entry + 1);
  }

  // The slot where the search from `home` starts (any number: it is taken modulo Size()).
  const Slot& HomeSlot(size_t home) const { return fLines[LineOf(home)].slot[home % kLineSlots]; }
  // Asks the processor for the line of a search from `home`, a few searches ahead. Forced
  // inline: g++ takes a function whose only effect is a prefetch for one without effects
  // and drops calls to it that are not inlined early.
  [[gnu::always_inline]] void Prefetch(size_t home) const {
    if (!fLines.empty()) __builtin_prefetch(&fLines[LineOf(home)]);
  }

  // The first slot of the search from `home` that is empty or for which found(slot) is true
  // (found sees used slots only). The table must have an empty slot.
  template <typename Found>
  [[gnu::always_inline]] Slot& Find(size_t home, Found found) {
    size_t line = LineOf(home);
    const size_t start = home % kLineSlots;
    Slot& first = fLines[line].slot[start];
    if (first == 0 || found(first)) return first;
    for (size_t j = 1; j < kLineSlots; ++j) {
      Slot& s = fLines[line].slot[(start + j) % kLineSlots];
      if (s == 0 || found(s)) return s;
    }
    for (;;) {
      line = (line + 1) & (fLines.size() - 1);
      for (Slot& s : fLines[line].slot)
        if (s == 0 || found(s)) return s;
    }
  }
  // The empty slot where a new entry with this home goes.
  Slot& EmptySlot(size_t home) {
    return Find(home, [](Slot) { return false; });
  }

  // The entries of the used slots in table order, for a rebuild.
  template <typename Fn>
  void ForEachEntry(Fn fn) const {
    for (const Line& line : fLines)
      for (Slot s : line.slot)
        if (s != 0) fn(Entry(s));
  }

 private:
  struct alignas(64) Line {
    Slot slot[kLineSlots] = {};
  };
  size_t LineOf(size_t home) const { return (home / kLineSlots) & (fLines.size() - 1); }
  uint32_t EntryMask() const {
    return fEntryBits == 32 ? UINT32_MAX : (uint32_t{1} << fEntryBits) - 1;
  }

  std::vector<Line> fLines;
  int fEntryBits = 1;
};
