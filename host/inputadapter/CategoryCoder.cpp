#include "host/inputadapter/CategoryCoder.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "host/common/Hashing.h"
#include "host/common/MemoryAdvice.h"
#include "host/data/ZIRA_Variable.h"

namespace {
// Hashes are never 0, so 0 can mark a row that needs no hash.
uint64_t NumberHash(uint64_t bits) { return hashing::Mix(bits ^ 0x9e3779b97f4a7c15ULL) | 1; }
}  // namespace

CategoryCoder::CategoryCoder(const ZIRA_Variable* v)
    : fpVar(v),
      fString(v->IsString()),
      fWidth(static_cast<size_t>(v->GetCellWidth())),
      fWords(fString && fWidth / 8 <= kMaxKeyWords ? fWidth / 8 : 0) {
  assert(fpVar && "host/inputadapter/CategoryCoder: fpVar != 0");
  if (!fString || fWords == 1) {
    fMemo.resize(kMemoSlots);
    ClearMemo();
  }
}

void CategoryCoder::ClearMemo() {
  // Two keys of different slots: each slot is left holding one that is not its own.
  uint64_t other = 1;
  while (MemoSlot(other) == MemoSlot(0)) ++other;
  for (size_t k = 0; k < fMemo.size(); ++k) fMemo[k] = MemoEntry{MemoSlot(0) == k ? other : 0, 0.0};
}

void CategoryCoder::Clear(size_t groupBegin, size_t groupEnd) {
  fGroupBegin = groupBegin;
  fGroupEnd = groupEnd;
  fCodes = 0;
  fWhole = false;
  std::fill(fDirect.begin(), fDirect.end(), kNotMet);
  MarkUserMissing(0);
  // The tables keep their size: the next split group tends to have as many categories, and
  // a table grown again from the start would be rebuilt at every doubling.
  fSlots.Clear();
  fHashed = 0;
  fNumberKey.clear();
  fKeyWords.clear();
  fFirstRow.clear();
  if (!fMemo.empty()) ClearMemo();
}

uint64_t CategoryCoder::HashRow(size_t row) const {
  if (!fString) return NumberHash(hashing::NumberBits(fpVar->GetNumber(row)));
  return HashCell(fpVar->GetStringCell(row));
}

uint64_t CategoryCoder::HashCell(const char* cell) const {
  uint64_t h = 0x9e3779b97f4a7c15ULL;
  for (size_t i = 0; i < fWidth; i += 8) {
    uint64_t u;
    std::memcpy(&u, cell + i, 8);
    h = hashing::Mix(h ^ u) + i;
  }
  return h | 1;
}

inline bool CategoryCoder::SameValue(uint32_t code, size_t row) const {
  if (!fString) return fNumberKey[code] == hashing::NumberBits(fpVar->GetNumber(row));
  const char* cell = fpVar->GetStringCell(row);
  if (fWords == 0) return std::memcmp(fpVar->GetStringCell(fFirstRow[code]), cell, fWidth) == 0;
  const uint64_t* key = &fKeyWords[static_cast<size_t>(code) * fWords];
  for (size_t w = 0; w < fWords; ++w) {
    uint64_t u;
    std::memcpy(&u, cell + 8 * w, 8);
    if (u != key[w]) return false;
  }
  return true;
}

void CategoryCoder::MarkUserMissing(size_t from) {
  const ZiraMissingValues& mv = fpVar->GetMissingValues();
  const size_t to = fDirect.size();
  for (double m : mv.values)
    if (IsDirect(m) && static_cast<size_t>(m) >= from && static_cast<size_t>(m) < to)
      fDirect[static_cast<size_t>(m)] = kUserMissing;
  if (!mv.hasRange || !(mv.low <= mv.high) || mv.high < static_cast<double>(from)) return;
  const double first = std::max(std::ceil(mv.low), static_cast<double>(from));
  const double last = std::min(std::floor(mv.high), static_cast<double>(to) - 1);
  for (double k = first; k <= last; ++k) fDirect[static_cast<size_t>(k)] = kUserMissing;
}

double CategoryCoder::DirectCode(double d) {
  size_t i = static_cast<size_t>(d);
  if (i >= fDirect.size()) {
    const size_t had = fDirect.size();
    size_t want = i < 32 ? 64 : 2 * i + 1;
    if (want > static_cast<size_t>(kDirectLimit)) want = static_cast<size_t>(kDirectLimit);
    fDirect.resize(want, kNotMet);
    MarkUserMissing(had);
  }
  int32_t& c = fDirect[i];
  assert(c != kUserMissing && "host/inputadapter/CategoryCoder: a coded value is valid");
  if (c == kNotMet) {
    c = static_cast<int32_t>(fCodes++);
    fNumberKey.push_back(hashing::NumberBits(d));
  }
  return static_cast<double>(c);
}

double CategoryCoder::Code(size_t row) {
  if (fWhole) {
    double code;
    CodeRowsOfGroup(row, row + 1, &code);
    return code;
  }
  if (!fString) {
    double d = fpVar->GetNumber(row);
    if (IsDirect(d)) return DirectCode(d);
  }
  return Lookup(HashRow(row), row);
}

void CategoryCoder::CodeRows(size_t begin, size_t end, double* out) {
  // First what needs no table: values met before while the memo is on, missing values, and
  // whole numbers already met, coded at once (a code once given never changes). Then the rest
  // in row order, so that new categories get their codes in order of first appearance: new
  // whole numbers through the direct table, other values through the hashed table, each
  // fetching the slot of a value a few rows ahead so that a large table does not stall.
  if (fWhole) return CodeRowsOfGroup(begin, end, out);
  constexpr size_t kAhead = 32;
  constexpr double kNewDirect = -1.0;  // a whole number not met before this block
  constexpr double kHashed = -2.0;     // a value for the hashed table, its hash in fHashes
  const size_t n = end - begin;
  if (fHashes.size() < n) fHashes.resize(n);
  size_t pending = 0;
  const bool memo = MemoOn();
  const bool userMissingStrings = fString && !fpVar->GetMissingValues().strings.empty();
  const bool userMissingNumbers = !fString && !fpVar->GetMissingValues().Empty();
  const double* x = fString ? nullptr : fpVar->Numbers().data();
  const int32_t* direct = fDirect.data();
  const double directEnd = static_cast<double>(fDirect.size());
  // What a value not found in the memo gives (the memo is on when `memo`; key is the value's
  // memo key then).
  auto classify = [&](size_t i, uint64_t key) __attribute__((always_inline)) {
    const size_t row = begin + i;
    if (fString) {
      if (userMissingStrings && fpVar->IsUserMissing(fpVar->GetString(row))) {
        out[i] = MCMV::gMissingValue;
        if (memo) Remember(key, out[i]);
        return;
      }
      fHashes[i] = HashCell(fpVar->GetStringCell(row));
      out[i] = kHashed;
      ++pending;
      return;
    }
    const double d = x[row];
    // Whole numbers within the direct table: its entry tells the code, a user-missing value,
    // or a value not met yet (0 and -0 share entry 0).
    if (d >= 0.0 && d < directEnd) {
      const size_t k = static_cast<size_t>(d);
      if (static_cast<double>(k) == d) {
        const int32_t c = direct[k];
        if (c == kNotMet) {
          out[i] = kNewDirect;
          ++pending;
          return;
        }
        out[i] = c >= 0 ? static_cast<double>(c) : MCMV::gMissingValue;
        if (memo) Remember(key, out[i]);
        return;
      }
    }
    if (d == MCMV::gMissingValue || (userMissingNumbers && fpVar->IsUserMissing(d))) {
      out[i] = MCMV::gMissingValue;
      if (memo) Remember(key, out[i]);
    } else if (IsDirect(d)) {
      out[i] = kNewDirect;  // beyond the direct table so far
      ++pending;
    } else {
      fHashes[i] = NumberHash(hashing::NumberBits(d));
      out[i] = kHashed;
      ++pending;
    }
  };
  if (memo) {
    // A value's memo key: its 8 bytes as they lie (-0 has an entry of its own).
    const char* bytes =
        fString ? fpVar->GetStringCell(begin) : reinterpret_cast<const char*>(x + begin);
    const size_t stride = fString ? fWidth : sizeof(double);
    for (size_t i = 0; i < n; ++i) {
      uint64_t key;
      std::memcpy(&key, bytes + i * stride, 8);
      const MemoEntry& m = fMemo[MemoSlot(key)];
      if (__builtin_expect(m.key == key, 1)) {
        out[i] = m.out;
      } else {
        classify(i, key);
      }
    }
  } else {
    for (size_t i = 0; i < n; ++i) classify(i, 0);
  }
  if (pending == 0) return;
  // A table within the processor's second-level cache needs no fetching ahead (a table that
  // grows past it during the block is fetched from the next block on).
  const bool far = fSlots.Size() * sizeof(SlotTable::Slot) > kNearBytes;
  for (size_t i = 0; i < n; ++i) {
    // Two steps ahead: the slot of a value 32 rows on, then the category value its slot
    // points to 16 rows on.
    if (far && i + kAhead < n && out[i + kAhead] == kHashed) Prefetch(fHashes[i + kAhead]);
    if (far && i + kAhead / 2 < n && out[i + kAhead / 2] == kHashed)
      PrefetchValue(fHashes[i + kAhead / 2]);
    const size_t row = begin + i;
    if (out[i] == kHashed) {
      out[i] = Lookup(fHashes[i], row);
    } else if (out[i] == kNewDirect) {
      out[i] = DirectCode(fpVar->GetNumber(row));
    } else {
      continue;
    }
    if (MemoOn()) {
      uint64_t key;
      std::memcpy(&key,
                  fString ? fpVar->GetStringCell(row) : reinterpret_cast<const char*>(&x[row]), 8);
      Remember(key, out[i]);
    }
  }
}

inline double CategoryCoder::Lookup(uint64_t h, size_t row) {
  if ((fHashed + 1) * 4 > fSlots.Size() * 3) Grow(row);
  const uint32_t tag = fSlots.Tag(h);
  SlotTable::Slot& slot = fSlots.Find(Home(h), [&](SlotTable::Slot s) {
    return fSlots.Holds(s, tag) && SameValue(fSlots.Entry(s), row);
  });
  if (slot != 0) return static_cast<double>(fSlots.Entry(slot));
  slot = fSlots.Make(fCodes, tag);
  ++fHashed;
  if (fWords > 0) {
    const char* cell = fpVar->GetStringCell(row);
    for (size_t w = 0; w < fWords; ++w) {
      uint64_t u;
      std::memcpy(&u, cell + 8 * w, 8);
      fKeyWords.push_back(u);
    }
  } else if (fString) {
    fFirstRow.push_back(row);
  } else {
    fNumberKey.push_back(hashing::NumberBits(fpVar->GetNumber(row)));
  }
  return static_cast<double>(fCodes++);
}

uint64_t CategoryCoder::KeptHash(uint32_t code) const {
  if (!fString) {
    double d;
    std::memcpy(&d, &fNumberKey[code], sizeof d);
    return IsDirect(d) ? 0 : NumberHash(fNumberKey[code]);  // 0: coded through fDirect
  }
  if (fWords > 0)
    return HashCell(reinterpret_cast<const char*>(&fKeyWords[static_cast<size_t>(code) * fWords]));
  return HashCell(fpVar->GetStringCell(fFirstRow[code]));
}

size_t CategoryCoder::ForeseenCategories(size_t row) const {
  // Judged once a few thousand values are in and at least half of them were new. n values
  // drawn evenly from k categories show about k (1 - e^(-n/k)) distinct ones; the k that
  // gives the categories met so far (found by halving an interval: the count grows with k)
  // then tells how many all the group's rows will show. Uneven draws make it foresee fewer
  // than come, and the table grows on from there. It is never more than the categories met
  // plus the rows left, so the table is never larger than the one every remaining value,
  // new, would grow it to.
  constexpr size_t kMinSeen = 4096;
  if (row < fGroupBegin || row >= fGroupEnd) return 0;
  const size_t seen = row - fGroupBegin + 1;
  if (seen < kMinSeen || 2 * static_cast<size_t>(fCodes) < seen) return 0;
  const size_t most = fCodes + (fGroupEnd - row - 1);
  return CategoriesFor(static_cast<double>(fCodes), static_cast<double>(seen),
                       static_cast<double>(fGroupEnd - fGroupBegin), most);
}

size_t CategoryCoder::CategoriesFor(double met, double draws, double rows, size_t most) {
  auto distinct = [](double k, double n) { return k * -std::expm1(-n / k); };
  if (distinct(static_cast<double>(most), draws) <= met) return most;
  double lo = met, hi = static_cast<double>(most);
  for (int step = 0; step < 60; ++step) {
    const double mid = 0.5 * (lo + hi);
    (distinct(mid, draws) < met ? lo : hi) = mid;
  }
  return std::min(most, static_cast<size_t>(distinct(hi, rows)) + 1);
}

size_t CategoryCoder::ForeseenGroupCategories(size_t begin, size_t end) const {
  // A few thousand values drawn evenly over the group; when fewer than one in sixteen of them
  // is new, or the categories foreseen are few, the tables are too small to matter.
  constexpr size_t kDraws = 4096;
  constexpr size_t kFewCategories = size_t{1} << 16;
  const size_t rows = end > begin ? end - begin : 0;
  if (rows < kFewCategories) return 0;
  std::vector<uint64_t> hashes;
  hashes.reserve(kDraws);
  for (size_t i = 0; i < kDraws; ++i) {
    const size_t row = begin + i * rows / kDraws;
    if (!fString && IsDirect(fpVar->GetNumber(row))) continue;  // coded without the table
    hashes.push_back(HashRow(row));
  }
  const size_t draws = hashes.size();
  std::sort(hashes.begin(), hashes.end());
  const size_t met =
      static_cast<size_t>(std::unique(hashes.begin(), hashes.end()) - hashes.begin());
  if (met * 16 < kDraws) return 0;
  const size_t foreseen = CategoriesFor(static_cast<double>(met), static_cast<double>(draws),
                                        static_cast<double>(rows), rows);
  return foreseen < kFewCategories ? 0 : foreseen;
}

size_t CategoryCoder::ForeseenBytes(size_t begin, size_t end) const {
  const size_t foreseen = ForeseenGroupCategories(begin, end);
  if (foreseen == 0) return 0;
  // Such a group is coded at once (CodeGroup): an entry for each row; and about two cells of
  // the count table (a power of two) for each category.
  return (end - begin) * RepeatFinder::kBytesPerRow + foreseen * 2 * sizeof(double);
}

bool CategoryCoder::IsMissingAt(size_t row) const {
  const ZiraMissingValues& mv = fpVar->GetMissingValues();
  if (fString) return !mv.strings.empty() && fpVar->IsUserMissing(fpVar->GetString(row));
  const double d = fpVar->GetNumber(row);
  return d == MCMV::gMissingValue || (!mv.Empty() && fpVar->IsUserMissing(d));
}

template <size_t kWords>
inline uint64_t CategoryCoder::GroupHash(size_t row) const {
  // Each word multiplied by an odd constant of its own, the products' sum mixed once.
  static constexpr uint64_t kFactors[] = {0x9e3779b97f4a7c15ULL, 0xc2b2ae3d27d4eb4fULL,
                                          0x165667b19e3779f9ULL, 0xd6e8feb86659fd93ULL};
  static_assert(kWords <= sizeof kFactors / sizeof kFactors[0], "a factor for each word");
  uint64_t h = 0;
  if (!fString) {
    h = hashing::NumberBits(fpVar->GetNumber(row)) * kFactors[0];
  } else {
    const char* cell = fpVar->GetStringCell(row);
    // A wider cell: word after word through the mixer.
    if (kWords == 0) return HashCell(cell);
    for (size_t i = 0; i < kWords; ++i) {
      uint64_t w;
      std::memcpy(&w, cell + 8 * i, 8);
      h += (w ^ (w >> 29)) * kFactors[i];
    }
  }
  return hashing::Mix(h) | 1;
}

bool CategoryCoder::SameCategory(size_t a, size_t b) const {
  if (!fString)
    return hashing::NumberBits(fpVar->GetNumber(a)) == hashing::NumberBits(fpVar->GetNumber(b));
  return std::memcmp(fpVar->GetStringCell(a), fpVar->GetStringCell(b), fWidth) == 0;
}

namespace {
bool gWeakGroupHash = false;
}  // namespace

void CategoryCoder::WeakenGroupHashForTesting(bool on) { gWeakGroupHash = on; }

bool CategoryCoder::CodeGroup(const RepeatFinder::OnTwoThreads& both) {
  if (fWhole || fCodes != 0 || ForeseenGroupCategories(fGroupBegin, fGroupEnd) == 0) return false;
  switch (fString ? (fWords > 0 ? fWords : 0) : 1) {
    case 1:
      return CodeGroupWith<1>(both);
    case 2:
      return CodeGroupWith<2>(both);
    case 3:
      return CodeGroupWith<3>(both);
    case 4:
      return CodeGroupWith<4>(both);
    default:
      return CodeGroupWith<0>(both);
  }
}

template <size_t kWords>
bool CategoryCoder::CodeGroupWith(const RepeatFinder::OnTwoThreads& both) {
  const bool someMissing = !fString || !fpVar->GetMissingValues().strings.empty();
  const bool weak = gWeakGroupHash;
  auto hash = [&](size_t r, int) -> uint64_t {
    const size_t row = fGroupBegin + r;
    if (someMissing && IsMissingAt(row)) return 0;
    const uint64_t h = GroupHash<kWords>(row);
    return weak ? (h >> 56) * 0x0101010101010101ULL | 1 : h;
  };
  auto same = [&](size_t a, size_t b, int) {
    return SameCategory(fGroupBegin + a, fGroupBegin + b);
  };
  auto fetch = [&](size_t r) {
    if (fString) {
      __builtin_prefetch(fpVar->GetStringCell(fGroupBegin + r));
    } else {
      __builtin_prefetch(fpVar->Numbers().data() + fGroupBegin + r);
    }
  };
  if (!fRepeats.Find(fGroupEnd - fGroupBegin, hash, same, fetch, both)) return false;
  fFirsts = fRepeats.FirstsByRow();
  fIdCodes.assign(fFirsts.size(), 0.0);
  fRepeatAt = fFirstAt = 0;
  fWholeMissing = someMissing;
  fWholeNext = fGroupBegin;
  fWhole = true;
  return true;
}

void CategoryCoder::CodeRowsOfGroup(size_t begin, size_t end, double* out) {
  assert(begin == fWholeNext && "host/inputadapter/CategoryCoder: a group coded at once in order");
  // Between a repeated row or a first row of a repeated category and the next, each valid
  // row is a new category.
  const std::vector<RepeatFinder::Ref>& repeats = fRepeats.Repeats();
  size_t row = begin;
  while (row < end) {
    size_t next = end;
    if (fRepeatAt < repeats.size()) next = std::min(next, fGroupBegin + repeats[fRepeatAt].row);
    if (fFirstAt < fFirsts.size()) next = std::min(next, fGroupBegin + fFirsts[fFirstAt].row);
    double code = static_cast<double>(fCodes);
    if (!fWholeMissing) {
      for (; row < next; ++row) out[row - begin] = code++;
    } else {
      for (; row < next; ++row) out[row - begin] = IsMissingAt(row) ? MCMV::gMissingValue : code++;
    }
    fCodes = static_cast<uint32_t>(code);
    if (row == end) break;
    // A row of a repeated category: its first (which no earlier row had) or a repeat.
    const size_t r = row - fGroupBegin;
    if (fRepeatAt < repeats.size() && repeats[fRepeatAt].row == r) {
      out[row - begin] = fIdCodes[repeats[fRepeatAt++].id];
    } else {
      fIdCodes[fFirsts[fFirstAt++].id] = out[row - begin] = static_cast<double>(fCodes++);
    }
    ++row;
  }
  fWholeNext = end;
}

void CategoryCoder::Grow(size_t row) {
  size_t slots = fSlots.Empty() ? 64 : fSlots.Size() * 2;
  if (const size_t foreseen = ForeseenCategories(row); foreseen > fHashed) {
    while (foreseen * 4 > slots * 3) slots *= 2;
    // The kept values get their room at once too, so they are not copied as they grow.
    if (!fString) {
      if (fNumberKey.capacity() < foreseen) ReserveAdvised(fNumberKey, foreseen);
    } else if (fWords > 0) {
      if (fKeyWords.capacity() < foreseen * fWords) ReserveAdvised(fKeyWords, foreseen * fWords);
    } else if (fFirstRow.capacity() < foreseen) {
      ReserveAdvised(fFirstRow, foreseen);
    }
  }
  // Rebuilt in code order from the kept values (the first rows of wide strings), a chunk of
  // codes at a time: their hashes first, then each slot fetched a few codes before it is
  // written, as in CodeRows.
  // A code is an entry: numbers coded through fDirect take codes without slots.
  fSlots.Assign(slots, fString ? slots : slots + static_cast<size_t>(kDirectLimit));
  constexpr uint32_t kChunk = 256;
  constexpr uint32_t kAhead = 32;
  uint64_t hashes[kChunk];
  for (uint32_t first = 0; first < fCodes; first += kChunk) {
    const uint32_t n = std::min(kChunk, fCodes - first);
    for (uint32_t i = 0; i < n; ++i) hashes[i] = KeptHash(first + i);
    for (uint32_t i = 0; i < n; ++i) {
      if (i + kAhead < n && hashes[i + kAhead] != 0) Prefetch(hashes[i + kAhead]);
      if (hashes[i] == 0) continue;
      fSlots.EmptySlot(Home(hashes[i])) = fSlots.Make(first + i, fSlots.Tag(hashes[i]));
    }
  }
}
