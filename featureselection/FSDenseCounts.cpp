// Growth of the flat count tables: the rare path of an add, kept out of line so that the
// add itself stays small enough to inline into the accumulators.
#include "featureselection/FSDenseCounts.h"

#include <mutex>

namespace {
// Blocks of at least kRecycleCells cells given back by arrays that are gone, kept for the
// next array that grows past that size: at most kKept blocks, the smallest let go first.
constexpr std::size_t kRecycleCells = std::size_t{1} << 17;  // 1 MB
constexpr std::size_t kKept = 4;

class FSRecycledCells {
 public:
  // A kept block of at least n cells (the smallest such), or null.
  double* Take(std::size_t n, std::size_t* capacity) {
    std::lock_guard<std::mutex> lock(fMutex);
    std::size_t best = fBlocks.size();
    for (std::size_t i = 0; i < fBlocks.size(); ++i) {
      const bool smaller = best == fBlocks.size() || fBlocks[i].cells < fBlocks[best].cells;
      if (fBlocks[i].cells >= n && smaller) best = i;
    }
    if (best == fBlocks.size()) return nullptr;
    double* data = fBlocks[best].data;
    *capacity = fBlocks[best].cells;
    fBlocks.erase(fBlocks.begin() + static_cast<std::ptrdiff_t>(best));
    return data;
  }
  void Keep(double* data, std::size_t cells) {
    std::lock_guard<std::mutex> lock(fMutex);
    fBlocks.push_back({data, cells});
    if (fBlocks.size() <= kKept) return;
    std::size_t smallest = 0;
    for (std::size_t i = 1; i < fBlocks.size(); ++i)
      if (fBlocks[i].cells < fBlocks[smallest].cells) smallest = i;
    std::free(fBlocks[smallest].data);
    fBlocks.erase(fBlocks.begin() + static_cast<std::ptrdiff_t>(smallest));
  }

 private:
  struct Block {
    double* data;
    std::size_t cells;
  };
  std::mutex fMutex;
  std::vector<Block> fBlocks;
};

// Never destroyed: an array may be given back while the program ends.
FSRecycledCells& Recycled() {
  static FSRecycledCells* recycled = new FSRecycledCells;
  return *recycled;
}
}  // namespace

void FSGrowingCells::Resize(std::size_t n) {
  if (n == 0) {
    Release();
    return;
  }
  if (n > fCapacity) {
    std::size_t capacity = 0;
    double* kept = n >= kRecycleCells ? Recycled().Take(n, &capacity) : nullptr;
    if (kept) {
      const std::size_t size = fSize;
      if (size) std::memcpy(kept, fData, size * sizeof(double));
      Release();
      fData = kept;
      fSize = size;
      fCapacity = capacity;
    } else {
      void* p = std::realloc(fData, n * sizeof(double));
      if (!p) throw std::bad_alloc();
      fData = static_cast<double*>(p);
      fCapacity = n;
    }
  }
  for (std::size_t i = fSize; i < n; ++i) fData[i] = 0.0;
  fSize = n;
}

void FSGrowingCells::Release() {
  if (fData && fCapacity >= kRecycleCells) {
    Recycled().Keep(fData, fCapacity);
  } else {
    std::free(fData);
  }
  fData = nullptr;
  fSize = 0;
  fCapacity = 0;
}

bool FSDenseCounts::Grow(std::int32_t k, std::size_t present) {
  if (k < 0) return false;
  std::size_t size = fCells.empty() ? 16 : fCells.size();
  while (size <= static_cast<std::size_t>(k)) size *= 2;
  if (size > kMaxCells || (size > kMinCells && size > 4 * present)) return false;
  fCells.Resize(size);
  assert((fCells.size() & (fCells.size() - 1)) == 0 &&
         "featureselection/FSDenseCounts: fCells.size() is a power of two");
  return true;
}

bool FSDensePairCounts::Grow(std::int32_t r, std::int32_t c) {
  if (r < 0 || c < 0) return false;
  std::size_t rows = fRows == 0 ? 8 : fRows;
  while (rows <= static_cast<std::size_t>(r)) rows *= 2;
  int shift = fCells.empty() ? 2 : fColShift;
  while ((std::size_t{1} << shift) <= static_cast<std::size_t>(c)) ++shift;
  const std::size_t cells = rows << shift;
  // Past kMinCells the table must hold at least one present cell in eight.
  if (cells > kMaxCells || (cells > kMinCells && cells > 8 * (fNumPresent + 1))) return false;
  std::vector<double> grown(cells, 0.0);
  const std::size_t oldCols = std::size_t{1} << fColShift;
  for (std::size_t i = 0; i < fRows; ++i) {
    for (std::size_t j = 0; j < oldCols; ++j)
      grown[(i << shift) + j] = fCells[(i << fColShift) + j];
  }
  fCells.swap(grown);
  fRows = rows;
  fColShift = shift;
  assert(fCells.size() == (fRows << fColShift) &&
         "featureselection/FSDenseCounts: fCells.size() == fRows << fColShift");
  return true;
}
