// Finds, among the rows of a split group, those whose value an earlier row has: the work of a
// table of first rows, for millions of rows and values. Looked up one by one in row order, each
// row's value waits for a line of a table far beyond the processor's caches. Here two threads
// put the rows into a few hundred pieces by the top bits of a 64-bit hash of their values, then
// match the hashes of each piece in a table that stays in the second-level cache (a piece holds
// the first thread's rows, then the second's, so its rows stay in row order: the first row of
// a hash in its piece is its first in the group). Every row matched by its hash is then
// compared with its first row by value, so the result is exact; should two values of one hash
// ever differ, nothing is found and the caller does the work another way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Invariants, after a Find that answered true:
//  1. fRepeats holds each row whose value an earlier row has, in row order, with its value's
//     id; ids are 0 .. fFirstRows.size()-1, and fFirstRows[id] is the first row of the value;
//  2. each id has at least one repeat, and its first row comes before its repeats.
class RepeatFinder {
 public:
  struct Ref {
    uint32_t row;
    uint32_t id;
  };
  // Runs fn(0) on the calling thread and fn(1) on a second one; returns once both returned.
  using OnTwoThreads = std::function<void(const std::function<void(int)>&)>;
  // The bytes Find takes for each row (what it keeps of the repeats aside).
  static constexpr size_t kBytesPerRow = 16;

  // Rows 0 .. rows-1. hash(row, part): a 64-bit hash of the row's value, or 0 for a row left
  // out (it matches no row); same(a, b, part): whether rows a and b, of one hash, have one
  // value; fetch(row): asks the processor for what `same` reads of a row. part (0 or 1) tells
  // the thread calling. False when two rows of one hash have different values, or for 2^31
  // rows and more.
  template <typename Hash, typename Same, typename Fetch>
  bool Find(size_t rows, Hash hash, Same same, Fetch fetch, const OnTwoThreads& both);

  const std::vector<Ref>& Repeats() const { return fRepeats; }
  const std::vector<uint32_t>& FirstRows() const { return fFirstRows; }
  // The first rows with their ids, in row order.
  std::vector<Ref> FirstsByRow() const;

 private:
  // A row and its hash (never 0); in a piece's table, a hash's first row and its id + 1 once
  // a later row has it (0 before).
  struct Entry {
    uint64_t hash;
    uint32_t row;
    uint32_t id;
  };
  static_assert(sizeof(Entry) == kBytesPerRow, "an entry a row");
  // What each thread builds: its rows in chunks of kChunkEntries, the chunks of a piece
  // chained in row order; then the repeats of its pieces, ids its own.
  static constexpr uint32_t kChunkEntries = 128;
  static constexpr uint32_t kNoChunk = ~uint32_t{0};
  // A table slot tells an entry's part by its top bit: each part's entries stay below 2^31.
  static constexpr size_t kMostRows = (size_t{1} << 31) - (size_t{1} << 24);
  struct Part {
    std::vector<Entry> chunks;
    std::vector<uint32_t> nextChunk;           // per chunk: the next of its piece, or kNoChunk
    std::vector<uint32_t> head, tail, filled;  // per piece: first, last chunk; entries in last
    std::vector<uint32_t> table;               // the piece being matched: where its entries lie
    std::vector<Ref> repeats;
    std::vector<uint32_t> firstRows;  // by id
  };
  // Part `part`'s half of the rows into the pieces.
  void Prepare(int part, size_t from, size_t to);
  // Starts a chunk of piece p.
  void NewChunk(Part& g, size_t p);
  // Matches the hashes of part `part`'s half of the pieces.
  void Match(int part);
  // The parts' repeats and first rows together, ids of the second part after the first's.
  void Merge();
  static void SortByRow(std::vector<Ref>& refs, std::vector<Ref>& scratch);

  int fBits = 1;  // 2^fBits pieces
  uint32_t fChunksUsed[2] = {0, 0};
  Part fParts[2];
  std::vector<Ref> fRepeats, fScratch;
  std::vector<uint32_t> fFirstRows;
};

template <typename Hash, typename Same, typename Fetch>
bool RepeatFinder::Find(size_t rows, Hash hash, Same same, Fetch fetch, const OnTwoThreads& both) {
  if (rows >= kMostRows) return false;
  fBits = 1;
  while (fBits < 12 && (rows >> (fBits + 1)) >= 4096) ++fBits;
  bool agree[2] = {true, true};
  both([&](int part) {
    const size_t from = part == 0 ? 0 : rows / 2, to = part == 0 ? rows / 2 : rows;
    Prepare(part, from, to);
    Part& g = fParts[part];
    Entry* const chunks = g.chunks.data();
    uint32_t* const filled = g.filled.data();
    const uint32_t* const tail = g.tail.data();
    const int shift = 64 - fBits;
    for (size_t r = from; r < to; ++r) {
      const uint64_t h = hash(r, part);
      if (h == 0) continue;
      const size_t p = static_cast<size_t>(h >> shift);
      if (filled[p] == kChunkEntries) NewChunk(g, p);
      chunks[size_t{tail[p]} * kChunkEntries + filled[p]++] = {h, static_cast<uint32_t>(r), 0};
    }
  });
  both([&](int part) {
    Match(part);
    // Each repeat against its first row, both fetched a few repeats ahead (the first rows lie
    // anywhere in the group, the repeats far apart).
    constexpr size_t kAhead = 8;
    const Part& g = fParts[part];
    const size_t n = g.repeats.size();
    for (size_t i = 0; i < n && agree[part]; ++i) {
      if (i + kAhead < n) {
        fetch(g.firstRows[g.repeats[i + kAhead].id]);
        fetch(g.repeats[i + kAhead].row);
      }
      agree[part] = same(g.firstRows[g.repeats[i].id], g.repeats[i].row, part);
    }
  });
  if (!agree[0] || !agree[1]) return false;
  Merge();
  return true;
}
