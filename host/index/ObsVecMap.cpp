#include "host/index/ObsVecMap.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "host/common/Hashing.h"
#include "host/common/MemoryAdvice.h"
#include "host/common/Parallel.h"
#include "host/data/ZIRA_DataSource.h"

ObsKeySpec ObsVecMap::MakeKeySpec(const ZIRA_DataSource& data, const std::vector<int>& columns) {
  ObsKeySpec spec;
  spec.reserve(columns.size() + 1);
  for (int c : columns) {
    const ZIRA_Variable* v = data.GetVariable(c);
    assert(v && "host/index/ObsVecMap: key column exists");
    int w = v->GetType();
    spec.push_back(w == 0 ? ObsKeyElement{1, true} : ObsKeyElement{(w + 7) / 8, false});
  }
  return spec;
}

ObsVecMap::ObsVecMap(ObsKeySpec spec, int nPayload) : fSpec(std::move(spec)), fNPayload(nPayload) {
  for (const auto& e : fSpec) {
    for (int i = 0; i < e.cells; ++i) fNumericCell.push_back(e.numeric);
    fKeyCells += e.cells;
  }
  assert(fKeyCells > 0 && "host/index/ObsVecMap: fKeyCells > 0");
  fSlots.assign(1024, Slot{});
}

uint64_t ObsVecMap::Hash(const OBS* key) const {
  uint64_t h = 0x9e3779b97f4a7c15ULL;
  for (int i = 0; i < fKeyCells; ++i) {
    uint64_t u;
    if (fNumericCell[static_cast<size_t>(i)]) {
      u = hashing::NumberBits(key[i].d);
    } else {
      std::memcpy(&u, key[i].c, 8);
    }
    h = hashing::Mix(h ^ u) + static_cast<uint64_t>(i);
  }
  return h;
}

bool ObsVecMap::Equal(const OBS* a, const OBS* b) const {
  for (int i = 0; i < fKeyCells; ++i) {
    if (fNumericCell[static_cast<size_t>(i)]) {
      if (!(a[i].d == b[i].d) && hashing::NumberBits(a[i].d) != hashing::NumberBits(b[i].d))
        return false;
    } else if (std::memcmp(a[i].c, b[i].c, 8) != 0) {
      return false;
    }
  }
  return true;
}

size_t ObsVecMap::FindSlot(const OBS* key, uint64_t h) const {
  const size_t mask = fSlots.size() - 1;
  const uint32_t tag = static_cast<uint32_t>(h >> 32);
  for (size_t s = static_cast<size_t>(h) & mask;; s = (s + 1) & mask) {
    const Slot& slot = fSlots[s];
    if (slot.entry1 == 0) return s;
    if (slot.tag != tag) continue;
    const OBS* stored = fEntries.get() + static_cast<size_t>(slot.entry1 - 1) * CellSize();
    if (Equal(stored, key)) return s;
  }
}

double* ObsVecMap::Contains(const OBS* key) { return Contains(key, Hash(key)); }

double* ObsVecMap::Contains(const OBS* key, uint64_t hash) {
  size_t s = FindSlot(key, hash);
  if (fSlots[s].entry1 == 0) return nullptr;
  return &fEntries[static_cast<size_t>(fSlots[s].entry1 - 1) * CellSize() + fKeyCells].d;
}

double* ObsVecMap::Insert(const OBS* key, bool* added) { return Insert(key, Hash(key), added); }

double* ObsVecMap::Insert(const OBS* key, uint64_t h, bool* added) {
  if ((fNEntries + 1) * 4 > fSlots.size() * 3) Grow();
  size_t s = FindSlot(key, h);
  if (added) *added = fSlots[s].entry1 == 0;
  if (fSlots[s].entry1 == 0) {
    if (fNEntries == fEntryRoom) ReserveEntries(std::max<size_t>(64, 2 * fEntryRoom));
    OBS* entry = fEntries.get() + fNEntries * static_cast<size_t>(CellSize());
    std::memcpy(entry, key, sizeof(OBS) * static_cast<size_t>(fKeyCells));
    for (int p = 0; p < fNPayload; ++p) entry[fKeyCells + p].d = 0.0;
    ++fNEntries;
    assert(fNEntries < UINT32_MAX && "host/index/ObsVecMap: fNEntries < UINT32_MAX");
    fSlots[s] = Slot{static_cast<uint32_t>(fNEntries), static_cast<uint32_t>(h >> 32)};
  }
  return &fEntries[static_cast<size_t>(fSlots[s].entry1 - 1) * CellSize() + fKeyCells].d;
}

void ObsVecMap::ReserveEntries(size_t n) {
  if (n <= fEntryRoom) return;
  const size_t cell = static_cast<size_t>(CellSize());
  // Not initialised: no page is touched. Entries are written in order and read only for keys
  // whose tag matches, so small pages serve them as well as huge ones, and they are quicker
  // to back with memory the machine has not used lately.
  std::unique_ptr<OBS[]> fresh(new OBS[n * cell]);
  if (fNEntries > 0) std::memcpy(fresh.get(), fEntries.get(), fNEntries * cell * sizeof(OBS));
  fEntries = std::move(fresh);
  fEntryRoom = n;
}

void ObsVecMap::Reserve(size_t n) {
  const size_t room = fEntryRoom;
  ReserveEntries(n);
  if (fEntryRoom > room) {
    PrefaultForWrite({{fEntries.get(), fEntryRoom * static_cast<size_t>(CellSize()) * sizeof(OBS)}},
                     WorkerThreads());
  }
  size_t slots = fSlots.size();
  while (slots * 3 < 4 * n + 4) slots *= 2;
  if (slots > fSlots.size()) Rehash(slots, WorkerThreads());
}

void ObsVecMap::Grow() { Rehash(fSlots.size() * 2, 1); }

void ObsVecMap::Rehash(size_t slots, int threads) {
  std::vector<Slot> old;
  old.swap(fSlots);
  // A table for millions of keys is a hundred megabytes and more of new memory.
  AssignAdvised(fSlots, slots, Slot{}, threads);
  size_t mask = fSlots.size() - 1;
  for (const Slot& o : old) {
    if (o.entry1 == 0) continue;
    const OBS* key = fEntries.get() + static_cast<size_t>(o.entry1 - 1) * CellSize();
    size_t s = static_cast<size_t>(Hash(key)) & mask;
    while (fSlots[s].entry1 != 0) s = (s + 1) & mask;
    fSlots[s] = o;
  }
}
