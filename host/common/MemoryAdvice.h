// Hints to the operating system about large buffers. Random access into a table of millions
// of entries misses the processor's address cache at nearly every step unless the table lies
// in huge pages; these calls ask for them and change nothing else.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// Tells the allocator to keep the memory the program frees for its next allocations, large
// ones included, rather than give it back to the system: a job's second pass then builds its
// tables in the memory its first pass freed. Memory the system hands out anew must be
// cleared first, and a virtual machine may take the memory back from the program's host as
// soon as it is free, so new memory can cost several times what reusing memory costs. A
// program calls this first thing, before it starts threads; the memory it holds then only
// grows to its peak, which it reaches anyway.
void KeepFreedMemory();
// Maps `bytes` of heap memory now, on up to `threads` threads, and gives it back to the heap,
// so that the allocations of the work that follows take memory already mapped, without a page
// fault each, while that work keeps both cores busy. Does nothing unless KeepFreedMemory was
// called: the memory would otherwise go back to the system when freed.
void MapHeapAhead(size_t bytes, int threads);
// The bytes of a page of memory (4,096 where the system does not say).
size_t PageBytes();
// Asks for huge pages behind [data, data + bytes). Effective only for memory not yet touched.
void AdviseHugePages(const void* data, size_t bytes);

// Asks the kernel to map [p, p + bytes) for writing now, in one call, instead of one page
// fault per page when it is first written. Nothing happens where it is not supported.
void PrefaultForWrite(void* p, size_t bytes);

// The same for several ranges on up to `threads` threads. Memory the machine has not used
// lately can take many times longer to map than memory it has, and such memory often lies
// together, so the ranges are mapped in pieces of a few megabytes that the threads share out.
// An allocation on another thread waits while this runs (both need the lock on the address
// space): allocate first, then map.
void PrefaultForWrite(const std::vector<std::pair<void*, size_t>>& ranges, int threads);

// Gives `v` room for n elements in a new buffer, keeping its content, and asks for huge pages
// for it when it is large.
template <typename T>
void ReserveAdvised(std::vector<T>& v, size_t n) {
  std::vector<T> fresh;
  fresh.reserve(n);
  AdviseHugePages(fresh.data(), n * sizeof(T));
  fresh.insert(fresh.end(), v.begin(), v.end());
  v.swap(fresh);
}

