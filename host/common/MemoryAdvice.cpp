#include "host/common/MemoryAdvice.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "host/common/Parallel.h"

#if defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {
bool gKeepsFreedMemory = false;
}  // namespace

void KeepFreedMemory() {
#if defined(__linux__) && defined(M_MMAP_MAX)
  gKeepsFreedMemory = true;
  mallopt(M_MMAP_MAX, 0);  // large blocks too come from the heap, and go back to it
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());  // the heap never shrinks
  mallopt(M_ARENA_MAX, 1);  // every thread's blocks from the one heap
#endif
}

void MapHeapAhead(size_t bytes, int threads) {
  if (!gKeepsFreedMemory || bytes == 0) return;
  void* block = std::malloc(bytes);
  if (!block) return;  // the work that follows maps its memory itself
  PrefaultForWrite({{block, bytes}}, threads);
  std::free(block);
}

size_t PageBytes() {
#if defined(__linux__)
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return page;
#else
  return 4096;
#endif
}

void AdviseHugePages(const void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  if (bytes < 2 * kHuge) return;
  // Only whole huge pages inside the buffer can be advised.
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void PrefaultForWrite(void* p, size_t bytes) {
#if defined(__linux__)
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif
  const uintptr_t page = PageBytes();
  uintptr_t b = (reinterpret_cast<uintptr_t>(p) + page - 1) & ~(page - 1);
  uintptr_t e = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(page - 1);
  if (e > b) madvise(reinterpret_cast<void*>(b), e - b, MADV_POPULATE_WRITE);  // a hint only
#else
  (void)p;
  (void)bytes;
#endif
}

void PrefaultForWrite(const std::vector<std::pair<void*, size_t>>& ranges, int threads) {
  constexpr size_t kPiece = size_t{8} << 20;
  std::vector<std::pair<char*, size_t>> pieces;
  for (const auto& [p, bytes] : ranges) {
    char* b = static_cast<char*>(p);
    for (size_t done = 0; done < bytes; done += kPiece)
      pieces.emplace_back(b + done, std::min(kPiece, bytes - done));
  }
  ParallelFor(pieces.size(), threads,
              [&](size_t i) { PrefaultForWrite(pieces[i].first, pieces[i].second); });
}
