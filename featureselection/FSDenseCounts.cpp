// Growth of the flat count tables: the rare path of an add, kept out of line so that the
// add itself stays small enough to inline into the accumulators.
#include "featureselection/FSDenseCounts.h"

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
