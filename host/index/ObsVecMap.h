// A hash map from a key of whole 8-byte OBS cells (identifier values and the split-group
// number) to a few double payload values. Used to find cases that share identifiers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "host/common/Hashing.h"
#include "host/common/SlotTable.h"
#include "host/common/ZiraTypes.h"

class ZIRA_DataSource;

// The layout of a key: one element per variable, each a number of cells and whether it is
// numeric (numeric elements compare as numbers, so 0 and -0 are one key).
struct ObsKeyElement {
  int cells = 1;
  bool numeric = true;
};
using ObsKeySpec = std::vector<ObsKeyElement>;

// Copies n whole cells; keys of one to four cells, the usual ones, without a call.
inline void ObsCopyCells(OBS* to, const void* from, size_t n) {
  switch (n) {
    case 1: std::memcpy(to, from, 8); return;
    case 2: std::memcpy(to, from, 16); return;
    case 3: std::memcpy(to, from, 24); return;
    case 4: std::memcpy(to, from, 32); return;
    default: std::memcpy(to, from, n * sizeof(OBS));
  }
}

// Invariants:
//  1. every stored entry occupies fKeyCells + fNPayload cells of fEntries;
//  2. fSlots.Size() is a power of two and at least 4/3 of the number of entries (slots
//     hold a tag of the hash, so a fuller table still probes little);
//  3. no two entries have equal keys;
//  4. an occupied slot's tag is the high half of its key's hash (compared before the key).
class ObsVecMap {
 public:
  // The key specification for the given columns of a dataset: a numeric variable takes one
  // cell, a string variable of width w takes (w + 7) / 8 cells.
  static ObsKeySpec MakeKeySpec(const ZIRA_DataSource& data, const std::vector<int>& columns);

  ObsVecMap(ObsKeySpec spec, int nPayload);

  // Cells of one entry: the key cells plus the payload values.
  int CellSize() const { return fKeyCells + fNPayload; }
  int KeyCells() const { return fKeyCells; }
  const ObsKeySpec& GetKeySpec() const { return fSpec; }
  size_t Size() const { return fNEntries; }

  // The payload of a key (KeyCells() cells), or null when the key is absent. The pointer is
  // borrowed and stays valid until the next Insert. `hash`, when given, is Hash(key).
  double* Contains(const OBS* key);
  double* Contains(const OBS* key, uint64_t hash);
  // Adds a key that is not yet in the map and returns its payload (all 0) to fill; for a
  // key already present, returns its payload. Valid until the next Insert. `added`, when
  // given, tells which of the two happened.
  double* Insert(const OBS* key, bool* added = nullptr);
  double* Insert(const OBS* key, uint64_t hash, bool* added);
  // Room for `more` keys beyond those held, made at once (the table rebuilt once at most).
  void Reserve(size_t more);
  // The hash of a key, as the map uses it. Inline: a pass hashes every case's key.
  uint64_t Hash(const OBS* key) const {
    uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (int i = 0; i < fKeyCells; ++i) {
      uint64_t u;
      std::memcpy(&u, key[i].c, 8);
      // A numeric cell's 0 and -0 are one number: both hash as the bits of 0.
      if (IsNumericCell(i) && (u << 1) == 0) u = 0;
      h = hashing::Mix(h ^ u) + static_cast<uint64_t>(i);
    }
    return h;
  }
  // Whether two keys are one key (numeric cells compare as numbers, so 0 and -0 are one).
  bool Equal(const OBS* a, const OBS* b) const;
  // Asks the processor to fetch the slot where a key of this hash would be looked up; a pass
  // that knows its next keys calls this a few keys ahead, so lookups do not wait for memory.
  // Both fetching helpers are forced inline: g++ takes a function whose only effect is a
  // prefetch for one without effects and drops calls to it that are not inlined early.
  [[gnu::always_inline]] void Prefetch(uint64_t hash) const {
    fSlots.Prefetch(static_cast<size_t>(hash));
  }
  // Once the slot is at hand (a few keys after Prefetch): fetches the entry it points to
  // when its tag matches, so the comparison of the keys does not wait either.
  [[gnu::always_inline]] void PrefetchEntry(uint64_t hash) const {
    const SlotTable::Slot slot = fSlots.HomeSlot(static_cast<size_t>(hash));
    if (fSlots.Holds(slot, fSlots.Tag(hash))) __builtin_prefetch(EntryAt(fSlots.Entry(slot)));
  }

 private:
  bool IsNumericCell(int i) const {
    return i < 64 ? (fNumericMask >> i) & 1 : fNumericCell[static_cast<size_t>(i)];
  }
  SlotTable::Slot& FindSlot(const OBS* key, uint64_t h);  // slot holding key, or the empty slot
  OBS* EntryAt(uint32_t entry) const {
    return fEntries.get() + static_cast<size_t>(entry) * static_cast<size_t>(CellSize());
  }
  void Grow(size_t slots = 0);  // `slots` slots (twice as many when 0), every entry indexed again

  // Set at construction. A thread that prepares keys (Hash) reads these while another
  // inserts, so they keep off the cache line of the fields each insert writes.
  ObsKeySpec fSpec;
  std::vector<bool> fNumericCell;  // per key cell: part of a numeric element
  uint64_t fNumericMask = 0;       // the same for the first 64 cells, a bit each
  int fKeyCells = 0;
  int fNPayload = 0;
  alignas(64) size_t fNEntries = 0;
  // Entry i at i * CellSize(), room for fEntryRoom entries. Cells past the stored entries are
  // not initialised: an insert writes its entry whole, without a call to grow a vector.
  std::unique_ptr<OBS[]> fEntries;
  size_t fEntryRoom = 0;
  void ReserveEntries(size_t n);
  SlotTable fSlots;  // entry index + 1 and the high half of the key's hash
};
