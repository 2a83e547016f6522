// Codes the categorical values of one analysis variable as 0, 1, 2, ... in order of first
// appearance. Built for millions of values and categories: small whole numbers are coded
// through a direct table, other numbers and strings through an open-addressing table that
// keeps no copy of a string (it compares against the row where the category first appeared).
// A large split group of many categories can instead be coded at once, on two threads, before
// its blocks are asked for (CodeGroup).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/common/RepeatFinder.h"
#include "host/common/SlotTable.h"

class ZIRA_Variable;

// Invariants:
//  1. fCodes counts the categories met since the last Clear; codes are 0 .. fCodes - 1;
//  2. fSlots.Size() is 0 or a power of two, at least 4/3 of the number of hashed categories;
//  3. for strings up to kMaxKeyWords words wide, fKeyWords holds each category's cell bytes
//     (fWords words per code); for wider strings fFirstRow[k] is the row of its first value.
//  4. an fMemo entry whose key lies in its own slot holds a value met since the last Clear
//     (a number's bits, or a string of one word) and what CodeRows gives for it;
//  5. while fWhole, the group's rows from fGroupBegin were coded at once: fRepeats found the
//     rows whose category an earlier row has, fFirsts holds the first rows of those
//     categories by row; CodeRows goes on at row fWholeNext, fRepeats.Repeats()[fRepeatAt]
//     and fFirsts[fFirstAt].
// Cache-line aligned: the two threads of a pass code different variables side by side, and a
// coder writes its counts as it goes.
class alignas(64) CategoryCoder {
 public:
  // Borrows the variable; its values must not change while the coder is in use.
  explicit CategoryCoder(const ZIRA_Variable* v);

  // The code of the valid value at `row` (0 and -0 are one category; a string is its
  // cell bytes, so trailing blanks do not matter).
  double Code(size_t row);
  // The codes of rows begin .. end-1 into out[0 .. end-begin-1], the system-missing value
  // for a value that is not valid (missing number, user-missing number or string). Codes
  // come out as Code would give them row by row.
  void CodeRows(size_t begin, size_t end, double* out);
  // Forgets every category: a new split group starts, made of rows groupBegin .. groupEnd-1
  // when they are given. They let a table that grows while nearly every value is new be
  // sized at once for the categories the group is likely to have.
  void Clear(size_t groupBegin = 0, size_t groupEnd = 0);
  // Right after Clear was given the group's rows: codes the whole group at once when it is
  // large and likely has many categories, and answers whether it did. A table of millions of
  // categories lies beyond the processor's caches, and looking each value up in it, in row
  // order, waits on memory at nearly every value; the rows whose value came earlier are found
  // by pieces of their hashes instead, both threads at it (RepeatFinder). CodeRows (and Code)
  // then give the same codes, for the group's rows in order from its first.
  bool CodeGroup(const RepeatFinder::OnTwoThreads& both);
  // Tests: CodeGroup hashes values into a few hundred hashes only, so that values of one hash
  // differ (for every coder until switched off).
  static void WeakenGroupHashForTesting(bool on);
  // The bytes this coder's table and a count for each category are likely to take for the
  // split group of rows begin .. end-1, judged from values spread evenly over it; 0 when the
  // group would have too few categories for the memory to matter.
  size_t ForeseenBytes(size_t begin, size_t end) const;

 private:
  static constexpr int64_t kDirectLimit = 1 << 16;  // whole numbers 0 .. limit-1 go direct
  static constexpr size_t kMaxKeyWords = 4;         // strings up to 32 bytes keep a copy
  static constexpr size_t kNearBytes = 256 * 1024;  // a slot table this small is not fetched ahead
  uint64_t HashRow(size_t row) const;
  uint64_t HashCell(const char* cell) const;  // a string cell's fWidth bytes
  uint64_t KeptHash(uint32_t code) const;     // the hash of a kept category, 0 for direct ones
  [[gnu::always_inline]] bool SameValue(uint32_t code, size_t row) const;
  // Whole numbers 0 .. kDirectLimit-1 are coded through fDirect.
  static bool IsDirect(double d) {
    return d >= 0.0 && d < static_cast<double>(kDirectLimit) &&
           d == static_cast<double>(static_cast<int64_t>(d));
  }
  double DirectCode(double d);
  // fDirect's entries: a code, or one of these.
  static constexpr int32_t kNotMet = -1;
  static constexpr int32_t kUserMissing = -2;
  // Marks the user-missing whole numbers from entry `from` on.
  void MarkUserMissing(size_t from);
  [[gnu::always_inline]] double Lookup(uint64_t h, size_t row);
  // Where a hash's search starts (the table takes it modulo its size). Hashes have their
  // lowest bit set (0 marks a row without one), so that bit would leave every even slot
  // without a category of its own.
  static size_t Home(uint64_t h) { return static_cast<size_t>(h >> 1); }
  // The fetching helpers are forced inline: g++ takes a function whose only effect is a
  // prefetch for one without effects and drops the call when it is not inlined early.
  [[gnu::always_inline]] void Prefetch(uint64_t h) const { fSlots.Prefetch(Home(h)); }
  // Once the slot is at hand: fetches the stored value of the category it points to.
  [[gnu::always_inline]] void PrefetchValue(uint64_t h) const {
    if (fSlots.Empty()) return;
    const SlotTable::Slot slot = fSlots.HomeSlot(Home(h));
    if (!fSlots.Holds(slot, fSlots.Tag(h))) return;
    const size_t code = fSlots.Entry(slot);
    if (!fString) {
      __builtin_prefetch(&fNumberKey[code]);
    } else if (fWords > 0) {
      __builtin_prefetch(&fKeyWords[code * fWords]);
    }
  }
  // A table with room for twice as many categories, or for as many as ForeseenCategories
  // expects when that is more.
  void Grow(size_t row);
  // The categories the split group will likely have, judged at `row` from the categories met
  // so far; 0 when too few of its values have been seen or most of them came back.
  size_t ForeseenCategories(size_t row) const;
  // The categories the split group of rows begin .. end-1 will likely have, judged from
  // values drawn evenly over it; 0 when they are too few for the memory to matter.
  size_t ForeseenGroupCategories(size_t begin, size_t end) const;
  // CodeGroup for strings of kWords words (0: another width) or numbers.
  template <size_t kWords>
  bool CodeGroupWith(const RepeatFinder::OnTwoThreads& both);
  // A hash of the valid value at `row` (never 0): a number's bits, or a string's cell.
  template <size_t kWords>
  [[gnu::always_inline]] uint64_t GroupHash(size_t row) const;
  // Whether the valid values at two rows are one category.
  bool SameCategory(size_t a, size_t b) const;
  // Whether the value at `row` is missing (system-missing, or user-missing).
  bool IsMissingAt(size_t row) const;
  // CodeRows while fWhole.
  void CodeRowsOfGroup(size_t begin, size_t end, double* out);
  // The categories `rows` values drawn evenly from as many as `draws` values showed (`met`)
  // suggest, at most `most`.
  static size_t CategoriesFor(double met, double draws, double rows, size_t most);

  const ZIRA_Variable* fpVar;
  bool fString;
  size_t fWidth;  // bytes per string cell
  size_t fWords;  // 8-byte words of a kept copy of each category, 0: none kept
  uint32_t fCodes = 0;
  size_t fGroupBegin = 0, fGroupEnd = 0;  // the split group's rows, when Clear was given them
  std::vector<int32_t> fDirect;           // whole number -> code, kNotMet or kUserMissing
  SlotTable fSlots;                       // code + 1 of each hashed category
  size_t fHashed = 0;                     // categories in fSlots
  std::vector<uint64_t> fNumberKey;       // per code: the number's bits (numeric variables)
  std::vector<uint64_t> fKeyWords;        // per code: the cell bytes (narrow string variables)
  std::vector<size_t> fFirstRow;          // per code: first row (wide string variables)
  std::vector<uint64_t> fHashes;          // CodeRows' scratch: hashes of the rows for the table
  // Values of 8 bytes (numbers, strings of one word) while the variable has at most
  // kMemoSlots categories: what CodeRows gave for values met before, by a few bits of the
  // value, so that most values of a variable of a few categories take neither a hash nor a
  // search of the table, nor a conversion of a number. An entry left empty holds a key that
  // belongs in another slot, which no value of its own slot equals.
  static constexpr size_t kMemoSlots = 256;
  struct MemoEntry {
    uint64_t key;
    double out;
  };
  static size_t MemoSlot(uint64_t key) {
    return static_cast<size_t>(((key >> 32 ^ key) * 0x9e3779b97f4a7c15ULL) >> 56);
  }
  bool MemoOn() const { return !fMemo.empty() && fCodes <= kMemoSlots; }
  void ClearMemo();
  void Remember(uint64_t key, double out) { fMemo[MemoSlot(key)] = MemoEntry{key, out}; }
  std::vector<MemoEntry> fMemo;  // kMemoSlots entries for values of 8 bytes

  // A group coded at once: its rows whose category an earlier row has, and the first rows
  // of those categories in row order (rows as offsets from fGroupBegin).
  bool fWhole = false;
  bool fWholeMissing = false;  // whether a value of the variable can be missing
  size_t fWholeNext = 0;
  RepeatFinder fRepeats;
  std::vector<RepeatFinder::Ref> fFirsts;
  std::vector<double> fIdCodes;  // per category met again: its code, once its first row is coded
  size_t fRepeatAt = 0, fFirstAt = 0;
};
