// Heap memory mapped ahead: once the program keeps the memory it frees, a block mapped and
// given back is what the next allocations take, so touching them maps no page.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

#include "host/common/MemoryAdvice.h"
#include "tests/own_allocator.h"

namespace {

[[maybe_unused]] long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Page faults while a new block of `bytes` is written whole.
[[maybe_unused]] long FaultsWritingNewBlock(size_t bytes) {
  const long before = MinorFaults();
  char* block = static_cast<char*>(std::malloc(bytes));
  std::memset(block, 7, bytes);
  asm volatile("" : : "r"(block) : "memory");  // the writes are not dropped as unread
  const long faults = MinorFaults() - before;
  std::free(block);
  return faults;
}

}  // namespace

TEST(MemoryAdvice, AllocationsAfterMappingTheHeapAheadTakeMappedMemory) {
#if defined(ZIRA_OWN_ALLOCATOR)
  GTEST_SKIP() << "the address sanitizer has an allocator of its own";
#else
  KeepFreedMemory();
  constexpr size_t kBlock = size_t{48} << 20;
  // A block new to the program faults a page at a time (or a huge page at a time, where the
  // system gives those unasked). Mapped ahead, the heap serves larger blocks, one after the
  // other, with hardly a fault.
  const long fresh = FaultsWritingNewBlock(kBlock);
  ASSERT_GT(fresh, 0);
  MapHeapAhead(3 * kBlock, 2);
  EXPECT_LT(4 * FaultsWritingNewBlock(2 * kBlock), fresh);
  EXPECT_LT(4 * FaultsWritingNewBlock(3 * kBlock), fresh);
#endif
}
