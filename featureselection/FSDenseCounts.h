// Flat tables of weighted counts indexed by small non-negative category codes (one code, or a
// predictor x target code pair): the fast path of the categorical accumulators while the codes
// stay small. A cell holds the running sum of the weights added to it, in arrival order, which
// is bit for bit what the count maps hold; the accumulators add only positive weights, so a
// cell is an entry of the map exactly when its count is > 0.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

// An array of doubles whose growth keeps what it holds in place where the system allows:
// the allocator moves a large block by remapping its pages instead of copying them, so a
// table that doubles a dozen times on its way to millions of cells neither copies its cells
// nor touches fresh memory for more than its final size. A large block given back is kept
// for the next array that grows large (FSRecycledCells): the screening of one split group
// after another builds tables of about the same size, and a block used before needs no new
// pages from the system, which would each be mapped and cleared again.
class FSGrowingCells {
 public:
  FSGrowingCells() = default;
  FSGrowingCells(const FSGrowingCells& o) { *this = o; }
  FSGrowingCells(FSGrowingCells&& o) noexcept
      : fData(std::exchange(o.fData, nullptr)),
        fSize(std::exchange(o.fSize, 0)),
        fCapacity(std::exchange(o.fCapacity, 0)) {}
  FSGrowingCells& operator=(const FSGrowingCells& o) {
    if (this != &o) {
      Resize(0);
      Resize(o.fSize);
      if (fSize) std::memcpy(fData, o.fData, fSize * sizeof(double));
    }
    return *this;
  }
  FSGrowingCells& operator=(FSGrowingCells&& o) noexcept {
    std::swap(fData, o.fData);
    std::swap(fSize, o.fSize);
    std::swap(fCapacity, o.fCapacity);
    return *this;
  }
  ~FSGrowingCells() { Release(); }

  // Sets the size to n; cells past the old size are 0. Size 0 gives the memory back.
  void Resize(std::size_t n);
  std::size_t size() const { return fSize; }
  bool empty() const { return fSize == 0; }
  double* data() { return fData; }
  const double* data() const { return fData; }
  double& operator[](std::size_t i) { return fData[i]; }
  double operator[](std::size_t i) const { return fData[i]; }

 private:
  void Release();

  double* fData = nullptr;
  std::size_t fSize = 0;
  std::size_t fCapacity = 0;  // cells the block holds
};

// Codes 0..size-1 -> weighted count. The table grows with the codes as long as it stays
// dense enough (so codes handed out 0, 1, 2, ... in order of first appearance always fit).
// Invariants: 1. fCells.size() is 0 or a power of two.
//             2. fNumPresent is the number of cells > 0.
class FSDenseCounts {
 public:
  using Entry = std::pair<std::int32_t, double>;
  // Any table up to this many cells is allowed; beyond it the table must be a quarter full.
  static constexpr std::size_t kMinCells = 4096;
  static constexpr std::size_t kMaxCells = std::size_t{1} << 30;

  // Adds w (> 0) to code k; false, changing nothing, when k is negative or the table would
  // become too sparse to hold it.
  bool Add(std::int32_t k, double w) {
    if (AddInPlace(k, w)) return true;
    if (!Grow(k)) return false;
    return AddInPlace(k, w);
  }

  // The same when the table already has a cell for k; false, changing nothing, otherwise.
  bool AddInPlace(std::int32_t k, double w) {
    assert(w > 0 && "featureselection/FSDenseCounts: w > 0");
    if (static_cast<std::uint32_t>(k) >= fCells.size()) return false;
    double& c = fCells[static_cast<std::size_t>(k)];
    fNumPresent += c == 0.0;
    c += w;
    return true;
  }

  // Asks the processor to fetch the cell of code k, when the table has it, so that adding to
  // it a few values later does not wait for memory (a table of a million codes lies beyond
  // the caches). Forced inline: g++ takes a function whose only effect is a prefetch for one
  // without effects and drops calls to it that are not inlined early.
  [[gnu::always_inline]] void Prefetch(std::int32_t k) const {
    if (static_cast<std::uint32_t>(k) < fCells.size())
      __builtin_prefetch(fCells.data() + static_cast<std::size_t>(k), 1);
  }

  // A run of AddInPlace in a tight loop. The table's cells and size are held in the run, and
  // so is the number of cells that became present, which goes to the table when the run ends:
  // counted in the table, every add would wait for the add before it to store that number.
  // While a run is open the table is used through it alone.
  class Run {
   public:
    explicit Run(FSDenseCounts& t) : fTable(t), fCells(t.fCells.data()), fSize(t.fCells.size()) {}
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    ~Run() { fTable.fNumPresent += fNew; }
    bool AddInPlace(std::int32_t k, double w) {
      assert(w > 0 && "featureselection/FSDenseCounts: w > 0");
      if (static_cast<std::uint32_t>(k) >= fSize) return false;
      double& c = fCells[static_cast<std::size_t>(k)];
      fNew += c == 0.0;
      c += w;
      return true;
    }
    [[gnu::always_inline]] void Prefetch(std::int32_t k) const {
      if (static_cast<std::uint32_t>(k) < fSize)
        __builtin_prefetch(fCells + static_cast<std::size_t>(k), 1);
    }
    std::size_t Size() const { return fSize; }

   private:
    FSDenseCounts& fTable;
    double* const fCells;
    const std::size_t fSize;
    std::size_t fNew = 0;
  };

  std::size_t Size() const { return fCells.size(); }

  // Calls fn(code, count) for the cells > 0 in ascending code order.
  template <typename Fn>
  void ForEachPresent(Fn fn) const {
    for (std::size_t k = 0; k < fCells.size(); ++k) {
      if (fCells[k] > 0.0) fn(static_cast<std::int32_t>(k), fCells[k]);
    }
  }

  // The cells > 0 as map entries in ascending code order.
  std::vector<Entry> Entries() const {
    std::vector<Entry> out;
    out.reserve(fNumPresent);
    ForEachPresent([&out](std::int32_t k, double count) { out.emplace_back(k, count); });
    assert(out.size() == fNumPresent && "featureselection/FSDenseCounts: fNumPresent exact");
    return out;
  }

  // A map is taken over only into a table this small: scattered codes that filled a larger
  // range are cheaper to count in the map (random adds into a table beyond the caches cost
  // more than the map's sorted batches), while codes handed out in order grow a table of any
  // size.
  static constexpr std::size_t kMaxAssignCells = std::size_t{1} << 18;

  // Takes over the entries of a map (ascending keys); false, leaving the table empty, when a
  // key is negative, a count is not > 0, the keys are too sparse or the table would be larger
  // than kMaxAssignCells.
  bool Assign(const std::vector<Entry>& entries) {
    Clear();
    if (entries.empty()) return true;
    if (entries.front().first < 0 ||
        static_cast<std::size_t>(entries.back().first) >= kMaxAssignCells ||
        !Grow(entries.back().first, entries.size())) {
      return false;
    }
    for (const Entry& e : entries) {
      if (!(e.second > 0.0)) {
        Clear();
        return false;
      }
      fCells[static_cast<std::size_t>(e.first)] = e.second;
    }
    fNumPresent = entries.size();
    return true;
  }

  void Clear() {
    fCells.Resize(0);
    fNumPresent = 0;
  }

 private:
  // Makes room for code k when the table stays dense enough for `present` cells (out of
  // line: the rare path).
  bool Grow(std::int32_t k, std::size_t present);
  bool Grow(std::int32_t k) { return Grow(k, fNumPresent + 1); }

  FSGrowingCells fCells;
  std::size_t fNumPresent = 0;
};

// (row code, column code) -> weighted count in a row-major table whose row length is a power
// of two, for the predictor x target pairs of a contingency table.
// Invariants: 1. fCells.size() == fRows << fColShift.
//             2. fNumPresent is the number of cells > 0.
class FSDensePairCounts {
 public:
  using Entry = std::pair<std::pair<std::int32_t, std::int32_t>, double>;
  static constexpr std::size_t kMinCells = 4096;
  static constexpr std::size_t kMaxCells = std::size_t{1} << 16;

  // Adds w (> 0) to cell (r, c); false, changing nothing, when a code is negative or the
  // table would become too large or too sparse to hold it.
  bool Add(std::int32_t r, std::int32_t c, double w) {
    assert(w > 0 && "featureselection/FSDensePairCounts: w > 0");
    if ((static_cast<std::uint32_t>(r) >= fRows ||
         static_cast<std::uint32_t>(c) >= (std::uint32_t{1} << fColShift)) &&
        !Grow(r, c)) {
      return false;
    }
    double& cell = fCells[(static_cast<std::size_t>(r) << fColShift) + static_cast<std::size_t>(c)];
    fNumPresent += cell == 0.0;
    cell += w;
    return true;
  }

  // The cells > 0 as map entries, row-major (ascending pairs, first code major).
  std::vector<Entry> Entries() const {
    std::vector<Entry> out;
    out.reserve(fNumPresent);
    const std::size_t cols = std::size_t{1} << fColShift;
    for (std::size_t r = 0; r < fRows; ++r) {
      for (std::size_t c = 0; c < cols; ++c) {
        const double v = fCells[(r << fColShift) + c];
        if (v > 0.0)
          out.push_back({{static_cast<std::int32_t>(r), static_cast<std::int32_t>(c)}, v});
      }
    }
    assert(out.size() == fNumPresent && "featureselection/FSDensePairCounts: fNumPresent exact");
    return out;
  }

  void Clear() {
    fCells.clear();
    fCells.shrink_to_fit();
    fRows = 0;
    fColShift = 0;
    fNumPresent = 0;
  }

 private:
  // Makes room for cell (r, c) when the table stays small and dense enough (out of line).
  bool Grow(std::int32_t r, std::int32_t c);

  std::vector<double> fCells;
  std::size_t fRows = 0;
  int fColShift = 0;
  std::size_t fNumPresent = 0;
};
