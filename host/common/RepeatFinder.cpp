#include "host/common/RepeatFinder.h"

#include <algorithm>

void RepeatFinder::Prepare(int part, size_t from, size_t to) {
  const size_t pieces = size_t{1} << fBits;
  Part& g = fParts[part];
  // Room for every row and a chunk begun in each piece, so the chunks never move.
  const size_t most = (to - from) / kChunkEntries + pieces + 1;
  if (g.chunks.size() < most * kChunkEntries) g.chunks.resize(most * kChunkEntries);
  g.nextChunk.assign(most, kNoChunk);
  g.head.assign(pieces, kNoChunk);
  g.tail.assign(pieces, kNoChunk);
  g.filled.assign(pieces, kChunkEntries);
  fChunksUsed[part] = 0;
}

void RepeatFinder::NewChunk(Part& g, size_t p) {
  const uint32_t c = fChunksUsed[&g - fParts]++;
  if (g.tail[p] == kNoChunk) {
    g.head[p] = c;
  } else {
    g.nextChunk[g.tail[p]] = c;
  }
  g.tail[p] = c;
  g.filled[p] = 0;
}

void RepeatFinder::Match(int part) {
  const size_t pieces = size_t{1} << fBits;
  Part& g = fParts[part];
  g.repeats.clear();
  g.firstRows.clear();
  Entry* const chunks[2] = {fParts[0].chunks.data(), fParts[1].chunks.data()};
  for (size_t p = part == 0 ? 0 : pieces / 2; p < (part == 0 ? pieces / 2 : pieces); ++p) {
    size_t n = 0;
    for (const Part& from : fParts)
      for (uint32_t c = from.head[p]; c != kNoChunk; c = from.nextChunk[c])
        n += c == from.tail[p] ? from.filled[p] : kChunkEntries;
    if (n == 0) continue;
    // At most half full; a slot holds where an entry lies, + 1: the part whose chunks hold
    // it (the top bit) and its place in them. The piece's hashes share their top bits; their
    // lowest choose the slot.
    size_t size = 16;
    while (size < 2 * n) size *= 2;
    const size_t mask = size - 1;
    g.table.assign(size, 0);
    uint32_t* const table = g.table.data();
    for (uint32_t from = 0; from < 2; ++from) {
      const Part& f = fParts[from];
      for (uint32_t c = f.head[p]; c != kNoChunk; c = f.nextChunk[c]) {
        const uint32_t begin = c * kChunkEntries;
        const uint32_t end = begin + (c == f.tail[p] ? f.filled[p] : kChunkEntries);
        for (uint32_t i = begin; i < end; ++i) {
          const Entry& e = chunks[from][i];
          for (size_t s = static_cast<size_t>(e.hash) & mask;; s = (s + 1) & mask) {
            const uint32_t slot = table[s];
            if (slot == 0) {
              table[s] = (from << 31 | i) + 1;
              break;
            }
            Entry& first = chunks[(slot - 1) >> 31][(slot - 1) & 0x7fffffffu];
            if (first.hash != e.hash) continue;
            if (first.id == 0) {
              g.firstRows.push_back(first.row);
              first.id = static_cast<uint32_t>(g.firstRows.size());
            }
            g.repeats.push_back({e.row, first.id - 1});
            break;
          }
        }
      }
    }
  }
}

void RepeatFinder::Merge() {
  const uint32_t firstIds = static_cast<uint32_t>(fParts[0].firstRows.size());
  fFirstRows.assign(fParts[0].firstRows.begin(), fParts[0].firstRows.end());
  fFirstRows.insert(fFirstRows.end(), fParts[1].firstRows.begin(), fParts[1].firstRows.end());
  fRepeats.assign(fParts[0].repeats.begin(), fParts[0].repeats.end());
  for (const Ref& r : fParts[1].repeats) fRepeats.push_back({r.row, r.id + firstIds});
  SortByRow(fRepeats, fScratch);
}

std::vector<RepeatFinder::Ref> RepeatFinder::FirstsByRow() const {
  std::vector<Ref> firsts(fFirstRows.size()), scratch;
  for (size_t id = 0; id < firsts.size(); ++id)
    firsts[id] = {fFirstRows[id], static_cast<uint32_t>(id)};
  SortByRow(firsts, scratch);
  return firsts;
}

void RepeatFinder::SortByRow(std::vector<Ref>& refs, std::vector<Ref>& scratch) {
  // A byte and a half of the row at a time from the lowest (each pass keeps the order of
  // equal digits), as many passes as the largest row needs.
  constexpr int kDigitBits = 11;
  constexpr size_t kDigits = size_t{1} << kDigitBits;
  uint32_t most = 0;
  for (const Ref& r : refs) most = std::max(most, r.row);
  scratch.resize(refs.size());
  std::vector<size_t> at(kDigits + 1);
  for (int shift = 0; shift < 32 && (most >> shift) != 0; shift += kDigitBits) {
    std::fill(at.begin(), at.end(), 0);
    for (const Ref& r : refs) ++at[((r.row >> shift) & (kDigits - 1)) + 1];
    for (size_t d = 0; d < kDigits; ++d) at[d + 1] += at[d];
    for (const Ref& r : refs) scratch[at[(r.row >> shift) & (kDigits - 1)]++] = r;
    refs.swap(scratch);
  }
}
