// Building blocks of the host's hash tables: a 64-bit mixer and the bits of a number with 0
// and -0 folded together, so that equal numbers hash alike.
#pragma once

#include <cstdint>
#include <cstring>

namespace hashing {

// The finaliser of SplitMix64: every input bit affects every output bit.
inline uint64_t Mix(uint64_t h) {
  h ^= h >> 30;
  h *= 0xbf58476d1ce4e5b9ULL;
  h ^= h >> 27;
  h *= 0x94d049bb133111ebULL;
  h ^= h >> 31;
  return h;
}

inline uint64_t NumberBits(double d) {
  if (d == 0.0) d = 0.0;
  uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

}  // namespace hashing
