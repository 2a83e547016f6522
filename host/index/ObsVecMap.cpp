#include "host/index/ObsVecMap.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "host/common/Hashing.h"
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
    for (int i = 0; i < e.cells; ++i) {
      if (e.numeric && fNumericCell.size() < 64) fNumericMask |= uint64_t{1} << fNumericCell.size();
      fNumericCell.push_back(e.numeric);
    }
    fKeyCells += e.cells;
  }
  assert(fKeyCells > 0 && "host/index/ObsVecMap: fKeyCells > 0");
  fSlots.Assign(1024);
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

SlotTable::Slot& ObsVecMap::FindSlot(const OBS* key, uint64_t h) {
  const uint32_t tag = fSlots.Tag(h);
  return fSlots.Find(static_cast<size_t>(h), [&](SlotTable::Slot slot) {
    return fSlots.Holds(slot, tag) && Equal(EntryAt(fSlots.Entry(slot)), key);
  });
}

double* ObsVecMap::Contains(const OBS* key) { return Contains(key, Hash(key)); }

double* ObsVecMap::Contains(const OBS* key, uint64_t hash) {
  const SlotTable::Slot slot = FindSlot(key, hash);
  if (slot == 0) return nullptr;
  return &EntryAt(fSlots.Entry(slot))[fKeyCells].d;
}

double* ObsVecMap::Insert(const OBS* key, bool* added) { return Insert(key, Hash(key), added); }

double* ObsVecMap::Insert(const OBS* key, uint64_t h, bool* added) {
  if ((fNEntries + 1) * 4 > fSlots.Size() * 3) Grow();
  SlotTable::Slot& slot = FindSlot(key, h);
  if (added) *added = slot == 0;
  if (slot == 0) {
    if (fNEntries == fEntryRoom) ReserveEntries(std::max<size_t>(64, 2 * fEntryRoom));
    OBS* entry = fEntries.get() + fNEntries * static_cast<size_t>(CellSize());
    ObsCopyCells(entry, key, static_cast<size_t>(fKeyCells));
    for (int p = 0; p < fNPayload; ++p) entry[fKeyCells + p].d = 0.0;
    assert(fNEntries < UINT32_MAX && "host/index/ObsVecMap: fNEntries < UINT32_MAX");
    slot = fSlots.Make(static_cast<uint32_t>(fNEntries), fSlots.Tag(h));
    ++fNEntries;
  }
  return &EntryAt(fSlots.Entry(slot))[fKeyCells].d;
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

void ObsVecMap::Reserve(size_t more) {
  // Room at least doubles, as it does key by key: a map reserved for each split group's new
  // keys in turn copies its entries a few times, not at every group.
  const size_t keys = fNEntries + more;
  if (keys > fEntryRoom) ReserveEntries(std::max(keys, 2 * fEntryRoom));
  size_t slots = fSlots.Size();
  while ((keys + 1) * 4 > slots * 3) slots *= 2;
  if (slots > fSlots.Size()) Grow(slots);
}

void ObsVecMap::Grow(size_t slots) {
  SlotTable old = std::move(fSlots);
  fSlots.Assign(slots ? slots : old.Size() * 2);
  old.ForEachEntry([&](uint32_t entry) {
    const uint64_t h = Hash(EntryAt(entry));
    fSlots.EmptySlot(static_cast<size_t>(h)) = fSlots.Make(entry, fSlots.Tag(h));
  });
}
