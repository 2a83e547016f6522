// The storage behind the engine's count maps: entries read in ascending key order. While a
// map is small, adds go through a hash index (one probe) and the entries are put in order
// lazily. Past kHashLimit keys the index would no longer fit in cache, so the map switches to
// batched merging: adds are appended to a log, which is radix-sorted (stable, so each key's
// adds keep their arrival order) and merged into the sorted entries when it is twice as
// long as the entries. Each key's value is therefore updated in exactly the order of its
// adds, bit for bit as with immediate updates, and a map of a million categories costs O(1)
// per add.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/common/MemoryAdvice.h"

// Ops::Init(delta) -> Value for a new key; Ops::Apply(Value&, delta) for an existing one.
// Invariants: 1. every key occurs once in fEntries.
//             2. in hash mode the index has a slot for every entry, pointing at its position;
//                in log mode there is no index and fEntries is always in key order.
//             3. when fSortedCount == fEntries.size() the entries are in ascending key order.
template <typename Key, typename Value, typename Delta, typename Ops>
class FSSortedHashMap {
 public:
  using Entry = std::pair<Key, Value>;
  static constexpr std::size_t kHashLimit = std::size_t{1} << 16;

  int Size() const {
    Flush();
    return static_cast<int>(fEntries.size());
  }

  // The value of `key`, or null.
  const Value* Find(const Key& key) const {
    if (!fLogMode) {
      const std::int32_t i = Lookup(key);
      return i < 0 ? nullptr : &fEntries[static_cast<std::size_t>(i)].second;
    }
    Flush();
    auto it = std::lower_bound(fEntries.begin(), fEntries.end(), key,
                               [](const Entry& e, const Key& k) { return e.first < k; });
    return (it != fEntries.end() && it->first == key) ? &it->second : nullptr;
  }

  // Adds `delta` to `key` (a new key starts from Init(delta)); answers whether it existed.
  bool Add(const Key& key, const Delta& delta) {
    if (fLogMode) {
      const bool existed = Find(key) != nullptr;
      Accumulate(key, delta);
      return existed;
    }
    return AddHashed(key, delta);
  }

  // The same without the answer: the fast path of the data pass.
  void Accumulate(const Key& key, const Delta& delta) {
    if (!fLogMode) {
      AddHashed(key, delta);
      return;
    }
    const std::size_t limit = std::max(kHashLimit, 2 * fEntries.size());
    if (fLog.capacity() < limit) ReserveAdvised(fLog, limit);
    fLog.push_back({key, delta});
    if (fLog.size() >= limit) Flush();
  }

  // The entry at position i (0 <= i < Size()) in ascending key order.
  const Entry& At(int i) const {
    Order();
    assert(i >= 0 && static_cast<std::size_t>(i) < fEntries.size() &&
           "featureselection/FSSortedHashMap: i in range");
    return fEntries[static_cast<std::size_t>(i)];
  }
  const std::vector<Entry>& Entries() const {
    Order();
    return fEntries;
  }
  // Mutable access in key order (values only may change).
  std::vector<Entry>& MutableEntries() {
    Order();
    return fEntries;
  }

  // Appends an entry read from a stored form; false unless its key is above the last one.
  bool AppendSorted(const Key& key, const Value& value) {
    Order();
    if (!fEntries.empty() && !(fEntries.back().first < key)) return false;
    if (fLogMode) {
      fEntries.emplace_back(key, value);
    } else {
      InsertHashed(key, value);
    }
    fSortedCount = fEntries.size();
    MaybeEnterLogMode();
    return true;
  }

  // Replaces the content with entries in strictly ascending key order (built elsewhere, for
  // example from a dense count table), without inserting them one by one.
  void AssignSorted(std::vector<Entry>&& entries) {
    Clear();
    fEntries = std::move(entries);
    fSortedCount = fEntries.size();
    assert(std::adjacent_find(fEntries.begin(), fEntries.end(),
                              [](const Entry& a, const Entry& b) {
                                return !(a.first < b.first);
                              }) == fEntries.end() &&
           "featureselection/FSSortedHashMap: assigned keys ascending");
    if (fEntries.size() > kHashLimit) {
      fLogMode = true;
      return;
    }
    std::size_t capacity = 16;
    while (capacity < 2 * (fEntries.size() + 1)) capacity *= 2;
    Rehash(capacity);
  }

  void Clear() {
    fEntries.clear();
    fSlots.clear();
    fDense.clear();
    fLog.clear();
    fLogScratch.clear();
    fEntryScratch.clear();
    fSortedCount = 0;
    fLogMode = false;
  }

 private:
  struct Slot {
    Key key{};
    std::int32_t index = -1;
  };
  struct Pending {
    Key key;
    Delta delta;
  };

  static std::uint64_t Bits(std::int32_t k) {
    return static_cast<std::uint32_t>(k) ^ 0x80000000u;  // order-preserving
  }
  static std::uint64_t Bits(const std::pair<std::int32_t, std::int32_t>& k) {
    return (Bits(k.first) << 32) | Bits(k.second);
  }
  // Small non-negative category codes (the usual case) also get a direct index: no hashing.
  static constexpr int kDenseSize = 1024;
  static int DenseIndex(std::int32_t k) { return k >= 0 && k < kDenseSize ? k : -1; }
  static int DenseIndex(const std::pair<std::int32_t, std::int32_t>& k) {
    return k.first >= 0 && k.first < 64 && k.second >= 0 && k.second < 16 ? k.first * 16 + k.second
                                                                          : -1;
  }
  void SetDense(const Key& key, std::int32_t index) const {
    const int d = DenseIndex(key);
    if (d < 0) return;
    if (static_cast<std::size_t>(d) >= fDense.size())
      fDense.resize(static_cast<std::size_t>(d) + 1, -1);
    fDense[static_cast<std::size_t>(d)] = index;
  }

  static std::size_t Hash(const Key& key) {
    const std::uint64_t h = Bits(key) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }

  bool AddHashed(const Key& key, const Delta& delta) {
    const std::int32_t i = Lookup(key);
    if (i >= 0) {
      Ops::Apply(fEntries[static_cast<std::size_t>(i)].second, delta);
      return true;
    }
    InsertHashed(key, Ops::Init(delta));
    MaybeEnterLogMode();
    return false;
  }

  void InsertHashed(const Key& key, const Value& value) {
    if (2 * (fEntries.size() + 1) > fSlots.size()) Rehash(fSlots.empty() ? 16 : fSlots.size() * 2);
    const std::size_t mask = fSlots.size() - 1;
    std::size_t s = Hash(key) & mask;
    while (fSlots[s].index >= 0) s = (s + 1) & mask;
    fSlots[s].key = key;
    fSlots[s].index = static_cast<std::int32_t>(fEntries.size());
    SetDense(key, fSlots[s].index);
    fEntries.emplace_back(key, value);
  }

  std::int32_t Lookup(const Key& key) const {
    const int d = DenseIndex(key);
    if (d >= 0)
      return static_cast<std::size_t>(d) < fDense.size() ? fDense[static_cast<std::size_t>(d)] : -1;
    if (fSlots.empty()) return -1;
    const std::size_t mask = fSlots.size() - 1;
    std::size_t s = Hash(key) & mask;
    while (fSlots[s].index >= 0) {
      if (fSlots[s].key == key) return fSlots[s].index;
      s = (s + 1) & mask;
    }
    return -1;
  }

  void Rehash(std::size_t capacity) const {
    fSlots.assign(capacity, Slot{});
    std::fill(fDense.begin(), fDense.end(), -1);
    const std::size_t mask = capacity - 1;
    for (std::size_t i = 0; i < fEntries.size(); ++i) {
      SetDense(fEntries[i].first, static_cast<std::int32_t>(i));
      std::size_t s = Hash(fEntries[i].first) & mask;
      while (fSlots[s].index >= 0) s = (s + 1) & mask;
      fSlots[s].key = fEntries[i].first;
      fSlots[s].index = static_cast<std::int32_t>(i);
    }
  }

  void MaybeEnterLogMode() {
    if (fLogMode || fEntries.size() <= kHashLimit) return;
    Order();
    fSlots.clear();
    fSlots.shrink_to_fit();
    fDense.clear();
    fDense.shrink_to_fit();
    fLogMode = true;
  }

  // Hash mode: sorts the unsorted tail and merges it with the sorted head. Log mode: flushes.
  void Order() const {
    if (fLogMode) {
      Flush();
      return;
    }
    if (fSortedCount == fEntries.size()) return;
    auto byKey = [](const Entry& a, const Entry& b) { return a.first < b.first; };
    const auto mid = fEntries.begin() + static_cast<std::ptrdiff_t>(fSortedCount);
    std::sort(mid, fEntries.end(), byKey);
    std::inplace_merge(fEntries.begin(), mid, fEntries.end(), byKey);
    fSortedCount = fEntries.size();
    Rehash(fSlots.size());
  }

  // Stable LSD radix sort of the log by key, 11 bits per pass (2048 buckets keep the
  // scattered writes within cache).
  void SortLog() const {
    constexpr int kBits = 11;
    constexpr int kPasses = (8 * static_cast<int>(sizeof(Key)) + kBits - 1) / kBits;
    constexpr std::uint64_t kMask = (std::uint64_t{1} << kBits) - 1;
    std::vector<Pending>& tmp = fLogScratch;  // kept between flushes: no fresh pages
    if (tmp.capacity() < fLog.size()) ReserveAdvised(tmp, fLog.capacity());
    tmp.resize(fLog.size());
    std::vector<std::uint32_t> count((std::size_t{1} << kBits) + 1);
    for (int pass = 0; pass < kPasses; ++pass) {
      const int shift = kBits * pass;
      std::fill(count.begin(), count.end(), 0u);
      for (const Pending& p : fLog) ++count[((Bits(p.key) >> shift) & kMask) + 1];
      if (count[((Bits(fLog[0].key) >> shift) & kMask) + 1] == fLog.size()) continue;
      for (std::size_t d = 1; d < count.size(); ++d) count[d] += count[d - 1];
      for (const Pending& p : fLog) tmp[count[(Bits(p.key) >> shift) & kMask]++] = p;
      fLog.swap(tmp);
    }
  }

  // Merges the sorted log into the entries, applying each key's adds in arrival order.
  void Flush() const {
    if (fLog.empty()) return;
    SortLog();
    std::vector<Entry>& merged = fEntryScratch;
    merged.clear();
    if (merged.capacity() < fEntries.size() + fLog.size())
      ReserveAdvised(merged, 2 * (fEntries.size() + fLog.size()));
    std::size_t e = 0, l = 0;
    while (l < fLog.size()) {
      const Key& key = fLog[l].key;
      while (e < fEntries.size() && fEntries[e].first < key) merged.push_back(fEntries[e++]);
      if (e < fEntries.size() && fEntries[e].first == key) {
        merged.push_back(fEntries[e++]);
      } else {
        merged.emplace_back(key, Ops::Init(fLog[l++].delta));
      }
      Value& v = merged.back().second;
      for (; l < fLog.size() && fLog[l].key == key; ++l) Ops::Apply(v, fLog[l].delta);
    }
    merged.insert(merged.end(), fEntries.begin() + static_cast<std::ptrdiff_t>(e), fEntries.end());
    fEntries.swap(merged);
    fSortedCount = fEntries.size();
    fLog.clear();
  }

  mutable std::vector<Entry> fEntries;
  mutable std::vector<Slot> fSlots;  // hash mode: capacity a power of two, at most half full
  mutable std::vector<std::int32_t> fDense;  // hash mode: DenseIndex(key) -> position, or -1
  mutable std::vector<Pending> fLog;         // log mode: adds not merged yet, in arrival order
  mutable std::vector<Pending> fLogScratch;  // log mode: buffers reused by every flush
  mutable std::vector<Entry> fEntryScratch;
  mutable std::size_t fSortedCount = 0;
  bool fLogMode = false;
};
