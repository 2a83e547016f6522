// Heap memory mapped ahead: once the program keeps the memory it frees, a block mapped and
// given back is what the next allocations take, so touching them maps no page.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

#include "host/common/MemoryAdvice.h"

// The address sanitizer has an allocator of its own (g++ and clang++ tell it differently).
#if defined(__SANITIZE_ADDRESS__)
#define ZIRA_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZIRA_OWN_ALLOCATOR 1
#endif
#endif

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
  // Two blocks in turn at the top of the heap: the second takes the first one's memory, so
  // the first one alone was new to the program. Then a block larger than any before, mapped
  // ahead first.
  EXPECT_GT(FaultsWritingNewBlock(kBlock), 1000);
  MapHeapAhead(3 * kBlock, 2);
  EXPECT_LT(FaultsWritingNewBlock(2 * kBlock), 100);
  EXPECT_LT(FaultsWritingNewBlock(3 * kBlock), 100);
#endif
}
