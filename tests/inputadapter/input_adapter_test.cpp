// The host's pass machinery: split groups, the adapter's calls, categorical coding, the
// value readers and the identifier map.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/index/ObsVecMap.h"
#include "host/inputadapter/CategoryCoder.h"
#include "host/inputadapter/UACaseValueReader.h"
#include "host/inputadapter/UAProcDataSourceIter.h"

namespace {

// Records what the iterator asks of an adapter.
class RecordingAdapter : public UAInputAdapter {
 public:
  using UAInputAdapter::UAInputAdapter;
  bool ProcessCase() override {
    cases.push_back({GetSplitGroupNumber(), GetCaseNumber(), IsFirstCaseOfSplit()});
    return failAt != GetCaseNumber();
  }
  void PrepareNewSplit() override { ++splits; }
  struct Seen {
    int split;
    long caseNumber;
    bool first;
  };
  std::vector<Seen> cases;
  int splits = 0;
  long failAt = -1;
};

ZIRA_DataSource MakeData() {
  ZIRA_DataSource ds;
  ds.SetCaseCount(6);
  auto* region = ds.AddVariable("region", 0);
  auto* city = ds.AddVariable("city", 12);
  auto* x = ds.AddVariable("x", 0);
  double r[] = {1, 1, 2, 2, 2, 1};
  const char* c[] = {"Oslo", "Bergen", "Oslo", "", "Bergen", "Oslo"};
  double xv[] = {1.5, -9, 3, MCMV::gMissingValue, 0, -0.0};
  for (size_t i = 0; i < 6; ++i) {
    region->SetNumber(i, r[i]);
    city->SetString(i, c[i]);
    x->SetNumber(i, xv[i]);
  }
  ZiraMissingValues mv;
  mv.values = {-9};
  x->SetMissingValues(mv);
  region->GetValueLabels().AddPair(2.0, "South");
  return ds;
}

}  // namespace

TEST(ProcIterator, SplitGroupsAreRunsOfEqualValuesNumberedFromOne) {
  ZIRA_DataSource ds = MakeData();
  ds.SetSplitVariables({0});
  UAVarValidSpecs specs(true, true, true);
  RecordingAdapter adapter(&specs, &ds);
  UAProcDataSourceIter it(&adapter, true);
  std::vector<std::vector<long>> groups;
  std::vector<std::string> labels;
  while (it.NewSplit()) {
    groups.emplace_back();
    labels.push_back(it.CurrentSplitLabels().at(0).second);
    while (it.HasMore()) {
      it.Next();
      groups.back().push_back(adapter.GetCaseNumber());
    }
  }
  ASSERT_EQ(groups.size(), 3u);  // 1 1 | 2 2 2 | 1: the last 1 is a group of its own
  EXPECT_EQ(groups[0], (std::vector<long>{1, 2}));
  EXPECT_EQ(groups[1], (std::vector<long>{3, 4, 5}));
  EXPECT_EQ(groups[2], (std::vector<long>{6}));
  EXPECT_EQ(labels[1], "2 (South)");
  EXPECT_EQ(adapter.splits, 3);
  EXPECT_TRUE(adapter.cases[2].first);
  EXPECT_FALSE(adapter.cases[3].first);
  EXPECT_EQ(adapter.cases[5].split, 3);
}

TEST(ProcIterator, NoCasesAndAFailingAdapterSetTheFailReasons) {
  ZIRA_DataSource empty;
  empty.AddVariable("x", 0);
  UAVarValidSpecs specs(true, true, true);
  RecordingAdapter a0(&specs, &empty);
  UAProcDataSourceIter none(&a0, true);
  EXPECT_EQ(none.GetFailReason(), 1);
  EXPECT_FALSE(none.NewSplit());

  ZIRA_DataSource ds = MakeData();
  RecordingAdapter a1(&specs, &ds);
  a1.failAt = 2;
  UAProcDataSourceIter it(&a1, true);
  ASSERT_TRUE(it.NewSplit());
  it.Next();
  EXPECT_EQ(it.GetFailReason(), 0);
  it.Next();
  EXPECT_EQ(it.GetFailReason(), 3);
}

TEST(ProcIterator, RecordsCodeCategoriesInOrderOfFirstAppearanceAndMissingAsSysmis) {
  ZIRA_DataSource ds = MakeData();
  UAVarValidSpecs specs(true, true, true);
  std::vector<int32_t> pos;
  specs.AddVariables({1, 2}, &pos, {true, false});
  specs.SetCaseCount();
  RecordingAdapter adapter(&specs, &ds);
  UAProcDataSourceIter it(&adapter, true);
  ASSERT_TRUE(it.NewSplit());
  std::vector<double> cityCodes, xs;
  while (it.NextRecord()) {
    cityCodes.push_back(it.Record()[0]);
    xs.push_back(it.Record()[1]);
  }
  // Oslo 0, Bergen 1, a blank string is a category of its own (2).
  EXPECT_EQ(cityCodes, (std::vector<double>{0, 1, 0, 2, 1, 0}));
  EXPECT_EQ(xs[1], MCMV::gMissingValue);  // user-missing -9
  EXPECT_EQ(xs[3], MCMV::gMissingValue);
  EXPECT_EQ(xs[0], 1.5);
  EXPECT_EQ(adapter.cases.size(), 6u);  // every record ran the adapter
  EXPECT_EQ(specs.GetZIRAVarIndex(1), 2);
  EXPECT_TRUE(specs.GetZIRACatVar(1));
  EXPECT_FALSE(specs.GetZIRACatVar(2));
}

TEST(ProcIterator, ValueReadersFollowTheCurrentCaseAndMissingRules) {
  ZIRA_DataSource ds = MakeData();
  UAVarValidSpecs specs(true, true, true);
  RecordingAdapter adapter(&specs, &ds);
  UACaseValueReader x(adapter.GetCaseIterator(), 2, false);
  UACaseValueReader city(adapter.GetCaseIterator(), 1, false);
  adapter.GetCaseIterator()->SetRow(1);
  EXPECT_FALSE(x.IsValid());
  EXPECT_EQ(city.GetStringWidth(), 12);
  EXPECT_EQ(std::string(city.GetValue()->c, 6), "Bergen");
  adapter.GetCaseIterator()->SetRow(0);
  EXPECT_TRUE(x.IsValid());
  EXPECT_EQ(x.GetValue()->d, 1.5);
  adapter.GetCaseIterator()->SetColumnValue(2, 7.0);
  EXPECT_EQ(ds.GetVariable(2)->GetNumber(0), 7.0);
}

TEST(ObsVecMap, KeysOfWholeCellsFindTheirPayloads) {
  ZIRA_DataSource ds = MakeData();
  ObsKeySpec spec = ObsVecMap::MakeKeySpec(ds, {1, 2});
  spec.push_back({1, true});    // split-group number
  ASSERT_EQ(spec[0].cells, 2);  // a 12-byte string takes two cells
  ObsVecMap map(spec, 3);
  EXPECT_EQ(map.CellSize() - 3, 4);
  OBS key[4];
  auto fill = [&](const char* s, double x, double split) {
    std::memset(key, ' ', 16);
    std::memcpy(key[0].c, s, std::strlen(s));
    key[2].d = x;
    key[3].d = split;
  };
  fill("Amsterdam-Noord", 1, 1);
  EXPECT_EQ(map.Contains(key), nullptr);
  double* p = map.Insert(key);
  p[1] = 42;
  fill("Amsterdam-Noord", 1, 2);  // same ids, other split group: another key
  EXPECT_EQ(map.Contains(key), nullptr);
  fill("Amsterdam-Noorx", 1, 1);  // differs only in the second cell
  EXPECT_EQ(map.Contains(key), nullptr);
  fill("Amsterdam-Noord", 1, 1);
  ASSERT_NE(map.Contains(key), nullptr);
  EXPECT_EQ(map.Contains(key)[1], 42);
  // Numeric 0 and -0 are one key.
  fill("z", 0.0, 1);
  map.Insert(key)[0] = 5;
  fill("z", -0.0, 1);
  ASSERT_NE(map.Contains(key), nullptr);
  EXPECT_EQ(map.Contains(key)[0], 5);
}

TEST(ObsVecMap, KeysOfManyCellsCompareTheirNumericCellsAsNumbers) {
  // A string of 552 bytes (69 cells), then the split-group number: the numeric cell lies
  // past the first 64.
  ObsVecMap map({{69, false}, {1, true}}, 1);
  std::vector<OBS> key(70);
  for (int i = 0; i < 69; ++i) std::memset(key[static_cast<size_t>(i)].c, 'a' + i % 26, 8);
  key[69].d = 0.0;
  map.Insert(key.data())[0] = 7;
  key[69].d = -0.0;
  ASSERT_NE(map.Contains(key.data()), nullptr);
  EXPECT_EQ(map.Contains(key.data())[0], 7);
  key[68].c[7] = 'z';  // the last string byte differs
  EXPECT_EQ(map.Contains(key.data()), nullptr);
}

TEST(ObsVecMap, ManyKeysSurviveGrowth) {
  // Growing step by step, and with room reserved part of the way (then growing on past it).
  for (const bool reserve : {false, true}) {
    SCOPED_TRACE(reserve ? "reserved" : "step by step");
    ObsVecMap map({{1, true}}, 3);
    OBS key[1];
    for (int i = 0; i < 100000; ++i) {
      if (reserve && i == 1000) map.Reserve(60000);
      key[0].d = i;
      map.Insert(key)[1] = i * 2;
    }
    EXPECT_EQ(map.Size(), 100000u);
    for (int i = 0; i < 100000; i += 997) {
      key[0].d = i;
      ASSERT_NE(map.Contains(key), nullptr);
      EXPECT_EQ(map.Contains(key)[1], i * 2);
    }
    key[0].d = -1;
    EXPECT_EQ(map.Contains(key), nullptr);
  }
}

namespace {

// A dataset of n cases in three split groups (a third each) with a numeric category that
// mixes small whole numbers with other values, a string category with many values (about
// `names` of them), and a continuous variable, each with user-missing values, and a
// continuous variable without (whose blocks are handed over where its values lie).
ZIRA_DataSource MakeLargeData(size_t n, size_t names = 5003) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(n);
  auto* region = ds.AddVariable("region", 0);
  auto* code = ds.AddVariable("code", 0);
  auto* name = ds.AddVariable("name", 10);
  auto* x = ds.AddVariable("x", 0);
  auto* y = ds.AddVariable("y", 0);
  const double odd[] = {2.5, 70000.0, -3.0, -0.0, 1e300, 0.0};
  for (size_t i = 0; i < n; ++i) {
    region->SetNumber(i, static_cast<double>(3 * i / n));
    code->SetNumber(i, i % 9 == 0    ? odd[(i / 9) % 6]
                       : i % 13 == 0 ? MCMV::gMissingValue
                                     : static_cast<double>(i % 40));
    name->SetString(i, "n" + std::to_string(i * 7919 % 1000003 % names) + (i % 2 ? " " : ""));
    x->SetNumber(i, i % 17 == 0 ? -9.0 : 0.25 * static_cast<double>(i));
    y->SetNumber(i, i % 19 == 0 ? MCMV::gMissingValue : -0.5 * static_cast<double>(i));
  }
  ZiraMissingValues mv;
  mv.values = {-9};
  x->SetMissingValues(mv);
  ZiraMissingValues codeMissing;
  codeMissing.values = {39, 70000};  // one coded directly, one through the hashed table
  code->SetMissingValues(codeMissing);
  ZiraMissingValues nameMissing;
  nameMissing.strings = {"n12"};
  name->SetMissingValues(nameMissing);
  ds.SetSplitVariables({0});
  return ds;
}

// What a reference coder gives: per split group, codes 0, 1, 2, ... in order of first
// appearance of each valid value (0 and -0 alike; strings without trailing blanks).
std::vector<std::vector<double>> ReferenceRecords(const ZIRA_DataSource& ds) {
  std::vector<std::vector<double>> out;
  std::map<double, double> codes;
  std::map<std::string, double> names;
  for (size_t i = 0; i < ds.CaseCount(); ++i) {
    if (i > 0 && ds.GetVariable(0)->GetNumber(i) != ds.GetVariable(0)->GetNumber(i - 1)) {
      codes.clear();
      names.clear();
    }
    double c = ds.GetVariable(1)->GetNumber(i);
    double code = MCMV::gMissingValue;
    if (c != MCMV::gMissingValue && c != 39 && c != 70000)
      code = codes.emplace(c, codes.size()).first->second;
    std::string s(ds.GetVariable(2)->GetString(i));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    double nameCode = MCMV::gMissingValue;
    if (s != "n12") nameCode = names.emplace(s, names.size()).first->second;
    double x = ds.GetVariable(3)->GetNumber(i);
    out.push_back(
        {code, nameCode, x == -9.0 ? MCMV::gMissingValue : x, ds.GetVariable(4)->GetNumber(i)});
  }
  return out;
}

}  // namespace

// Each split group in several blocks, read record by record and block by block; groups of
// about `names` names.
void CheckBlocksAgainstReference(size_t n = 3 * 5 * UAProcDataSourceIter::kBlockSize + 777,
                                 size_t names = 5003) {
  ZIRA_DataSource ds = MakeLargeData(n, names);
  const auto expected = ReferenceRecords(ds);
  UAVarValidSpecs specs(true, true, true);
  std::vector<int32_t> pos;
  specs.AddVariables({1, 2, 3, 4}, &pos, {true, true, false, false});
  specs.SetCaseCount();

  // Record by record and block by block (the adapter's work for the next block runs on the
  // second thread meanwhile): the same records, every case through the adapter once, in order.
  RecordingAdapter byRecord(&specs, &ds);
  UAProcDataSourceIter records(&byRecord, true);
  RecordingAdapter byBlock(&specs, &ds);
  UAProcDataSourceIter blocks(&byBlock, true);
  std::vector<std::vector<double>> fromRecords, fromBlocks;
  while (records.NewSplit()) {
    while (records.NextRecord()) fromRecords.push_back(records.Record());
  }
  int groups = 0;
  while (blocks.NewSplit()) {
    ++groups;
    while (const MCCommon::RecordBlock* b = blocks.NextBlock()) {
      ASSERT_EQ(b->columns.size(), 4u);
      for (int i = 0; i < b->nRecords; ++i)
        fromBlocks.push_back(
            {b->columns[0][i], b->columns[1][i], b->columns[2][i], b->columns[3][i]});
    }
  }
  EXPECT_EQ(groups, 3);
  ASSERT_EQ(fromRecords.size(), n);
  EXPECT_TRUE(fromRecords == expected);
  EXPECT_TRUE(fromBlocks == expected);
  ASSERT_EQ(byBlock.cases.size(), n);
  for (size_t i = 0; i < n; ++i) ASSERT_EQ(byBlock.cases[i].caseNumber, static_cast<long>(i) + 1);
}

TEST(ProcIterator, BlocksCarryEveryCaseOnceWithTheRecordsOfAReferenceCoder) {
  CheckBlocksAgainstReference();
}

TEST(ProcIterator, GroupsOfManyNamesCodedAtOnceKeepTheRecordsOfAReferenceCoder) {
  // Groups of 140,000 cases with some 80,000 names: the first block of each has the names
  // of the whole group coded at once, on both threads.
  CheckBlocksAgainstReference(3 * 140000, 120001);
}

TEST(ProcIterator, FieldsChangingThreadsBetweenBlocksKeepTheirCodes) {
  UAProcDataSourceIter::MoveEveryBlockForTesting(true);
  CheckBlocksAgainstReference();
  UAProcDataSourceIter::MoveEveryBlockForTesting(false);
}

TEST(ProcIterator, GroupsLeftEarlyGiveTheNextGroupsTheirOwnCodes) {
  // The engine may stop reading a split group early: the block read ahead is then dropped,
  // and the next group starts its codes afresh in that block's buffer. Fields change threads
  // at every block. One to three blocks of each group are read.
  UAProcDataSourceIter::MoveEveryBlockForTesting(true);
  const size_t n = 3 * 5 * UAProcDataSourceIter::kBlockSize + 777;
  ZIRA_DataSource ds = MakeLargeData(n);
  const auto expected = ReferenceRecords(ds);
  UAVarValidSpecs specs(true, true, true);
  std::vector<int32_t> pos;
  specs.AddVariables({1, 2, 3, 4}, &pos, {true, true, false, false});
  specs.SetCaseCount();
  for (int read = 1; read <= 3; ++read) {
    RecordingAdapter adapter(&specs, &ds);
    UAProcDataSourceIter blocks(&adapter, true);
    for (int group = 0; group < 3; ++group) {
      ASSERT_TRUE(blocks.NewSplit());
      size_t row = static_cast<size_t>(group) * n / 3;
      for (int k = 0; k < read; ++k) {
        const MCCommon::RecordBlock* b = blocks.NextBlock();
        ASSERT_NE(b, nullptr);
        for (int i = 0; i < b->nRecords; ++i, ++row) {
          const std::vector<double> got = {b->columns[0][i], b->columns[1][i], b->columns[2][i],
                                           b->columns[3][i]};
          ASSERT_TRUE(got == expected[row]) << read << " blocks a group, row " << row;
        }
      }
    }
  }
  UAProcDataSourceIter::MoveEveryBlockForTesting(false);
}

TEST(ProcIterator, ACaseThatFailsInTheMiddleOfABlockEndsTheReadingBeforeIt) {
  // Case 5000 fails: it lies in the second block of the first split group.
  const size_t n = 3 * 5 * UAProcDataSourceIter::kBlockSize;
  ZIRA_DataSource ds = MakeLargeData(n);
  UAVarValidSpecs specs(true, true, true);
  std::vector<int32_t> pos;
  specs.AddVariables({1, 3}, &pos, {true, false});
  specs.SetCaseCount();

  RecordingAdapter byBlock(&specs, &ds);
  byBlock.failAt = 5000;
  UAProcDataSourceIter blocks(&byBlock, true);
  ASSERT_TRUE(blocks.NewSplit());
  size_t records = 0;
  while (const MCCommon::RecordBlock* b = blocks.NextBlock())
    records += static_cast<size_t>(b->nRecords);
  blocks.FinishBlocks();
  EXPECT_EQ(records, 4999u);
  EXPECT_EQ(blocks.GetFailReason(), 3);
  ASSERT_EQ(byBlock.cases.size(), 5000u);  // every case up to the one that failed, once
  EXPECT_EQ(byBlock.cases.back().caseNumber, 5000);

  RecordingAdapter byCases(&specs, &ds);
  byCases.failAt = 5000;
  UAProcDataSourceIter cases(&byCases, true);
  ASSERT_TRUE(cases.NewSplit());
  int calls = 0;
  while (cases.NextCases()) ++calls;
  cases.FinishBlocks();
  EXPECT_EQ(calls, 1);  // the first block; the second fails
  EXPECT_EQ(cases.GetFailReason(), 3);
  ASSERT_EQ(byCases.cases.size(), 5000u);
  for (size_t i = 0; i < byCases.cases.size(); ++i)
    ASSERT_EQ(byCases.cases[i].caseNumber, static_cast<long>(i) + 1);
  EXPECT_TRUE(byCases.cases[0].first);
  EXPECT_FALSE(byCases.cases[1].first);
}

TEST(ProcIterator, BlocksPreparedSlowlyOnTheSecondThreadKeepEveryCaseOnceAndInOrder) {
  // Preparing a block is slow here and happens off the processing thread: every case is
  // still processed once, in order, on the processing thread.
  class SlowPreparing : public RecordingAdapter {
   public:
    using RecordingAdapter::RecordingAdapter;
    void PrepareCases(size_t, size_t) override {
      if (std::this_thread::get_id() != processing)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    bool ProcessCase() override {
      if (std::this_thread::get_id() != processing) ++offThread;
      return RecordingAdapter::ProcessCase();
    }
    std::thread::id processing = std::this_thread::get_id();
    int offThread = 0;
  };
  const size_t n = 3 * 3 * UAProcDataSourceIter::kBlockSize + 5;  // three split groups
  ZIRA_DataSource ds = MakeLargeData(n);
  UAVarValidSpecs specs(true, true, true);
  SlowPreparing adapter(&specs, &ds);
  UAProcDataSourceIter it(&adapter, true);
  while (it.NewSplit()) {
    while (it.NextCases()) continue;
  }
  it.FinishBlocks();
  EXPECT_EQ(adapter.offThread, 0);
  ASSERT_EQ(adapter.cases.size(), n);
  for (size_t i = 0; i < n; ++i) ASSERT_EQ(adapter.cases[i].caseNumber, static_cast<long>(i) + 1);
}

TEST(ProcIterator, MemoryMappedAheadPieceByPieceEndsResidentWholePagesIncluded) {
  // Two regions of fresh memory, the second not starting on a page: pieces of any size map
  // every whole page of both, and a pass that maps during it still processes every case once.
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t bytes = 64 * page;
  void* region = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(region, MAP_FAILED);
  auto resident = [&](size_t from, size_t to) {
    std::vector<unsigned char> in(bytes / page);
    EXPECT_EQ(mincore(region, bytes, in.data()), 0);
    size_t n = 0;
    for (size_t i = from; i < to; ++i) n += in[i] & 1;
    return n;
  };
  ASSERT_EQ(resident(0, 64), 0u);
  ZIRA_DataSource ds = MakeData();
  UAVarValidSpecs specs(true, true, true);
  RecordingAdapter adapter(&specs, &ds);
  char* base = static_cast<char*>(region);
  adapter.MapDuringPass({{base, 20 * page}, {base + 24 * page + 100, 40 * page - 100}});
  int calls = 0;
  while (adapter.MapAhead(3 * page + 7)) ++calls;
  EXPECT_GE(calls, 10);
  EXPECT_EQ(resident(0, 20), 20u);
  EXPECT_EQ(resident(20, 25), 0u);  // between the regions, and the second's first part-page
  EXPECT_EQ(resident(25, 64), 39u);
  EXPECT_FALSE(adapter.MapAhead(page));
  munmap(region, bytes);

  // A few pieces, then the rest at once on two threads: the same pages.
  region = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(region, MAP_FAILED);
  base = static_cast<char*>(region);
  ASSERT_EQ(resident(0, 64), 0u);
  adapter.MapDuringPass({{base, 20 * page}, {base + 24 * page + 100, 40 * page - 100}});
  ASSERT_TRUE(adapter.MapAhead(5 * page));
  adapter.MapRest(2);
  EXPECT_EQ(resident(0, 20), 20u);
  EXPECT_EQ(resident(20, 25), 0u);
  EXPECT_EQ(resident(25, 64), 39u);
  EXPECT_FALSE(adapter.MapAhead(page));
  munmap(region, bytes);

  std::vector<double> later(4 * UAProcDataSourceIter::kBlockSize);
  const size_t n = 3 * UAProcDataSourceIter::kBlockSize + 5;
  ZIRA_DataSource large = MakeLargeData(n);
  RecordingAdapter mapping(&specs, &large);
  mapping.MapDuringPass({{later.data(), later.size() * sizeof(double)}});
  UAProcDataSourceIter it(&mapping, true);
  while (it.NewSplit()) {
    while (it.NextCases()) continue;
  }
  it.FinishBlocks();
  ASSERT_EQ(mapping.cases.size(), n);
  for (size_t i = 0; i < n; ++i) ASSERT_EQ(mapping.cases[i].caseNumber, static_cast<long>(i) + 1);
}

namespace {

// What a split group's codes came to.
struct GroupCodes {
  size_t categories = 0;
  size_t missing = 0;
};

// Starts a split group of rows from .. to-1 (Clear, told its rows), codes it block by block
// and checks every code against a reference: key(row) is the row's category (a std::optional,
// empty for a missing value), and a category gets the next code when first met. also(row,
// want) runs for each valid row, for checks of its own; afterClear right after the Clear.
template <typename Key, typename Also, typename AfterClear = void (*)()>
GroupCodes CheckGroupCodes(
    CategoryCoder& coder, size_t from, size_t to, size_t block, Key key, Also also,
    AfterClear afterClear = [] {}) {
  coder.Clear(from, to);
  afterClear();
  std::map<typename decltype(key(from))::value_type, double> reference;
  GroupCodes got;
  std::vector<double> out(block);
  for (size_t b = from; b < to; b += block) {
    const size_t e = std::min(to, b + block);
    coder.CodeRows(b, e, out.data());
    for (size_t r = b; r < e; ++r) {
      const auto k = key(r);
      double want = MCMV::gMissingValue;
      if (k) {
        want = reference.emplace(*k, static_cast<double>(reference.size())).first->second;
        also(r, want);
      } else {
        ++got.missing;
      }
      if (out[r - b] != want) {
        ADD_FAILURE() << "row " << r << ": code " << out[r - b] << ", want " << want;
        return got;
      }
    }
  }
  got.categories = reference.size();
  return got;
}

template <typename Key>
GroupCodes CheckGroupCodes(CategoryCoder& coder, size_t from, size_t to, size_t block, Key key) {
  return CheckGroupCodes(coder, from, to, block, key, [](size_t, double) {});
}

}  // namespace

TEST(CategoryCoder, LargeTablesGiveCodesInOrderOfFirstAppearanceBlockByBlock) {
  // Tens of thousands of categories, so the table outgrows the processor's second-level
  // cache and blocks fetch its slots ahead: a string variable with values that come back
  // within a block and across blocks, and a numeric one with fractional values (hashed, not
  // coded directly). Block by block, value by value and a reference map must agree, across
  // a Clear (a new split group) too. The block coder is told each group's rows, so its table
  // is sized ahead from the categories it foresees; the value coder's grows step by step.
  const size_t n = 150000;
  ZIRA_DataSource ds;
  ds.SetCaseCount(n);
  auto* tag = ds.AddVariable("tag", 12);
  auto* score = ds.AddVariable("score", 0);
  for (size_t i = 0; i < n; ++i) {
    const size_t k = (i * 2654435761u) % 70001;
    tag->SetString(i, "t" + std::to_string(k % 3 == 0 ? k / 3 : k));
    score->SetNumber(i, i % 11 == 0 ? MCMV::gMissingValue : 0.5 + static_cast<double>(k % 40000));
  }
  for (const ZIRA_Variable* v : std::vector<const ZIRA_Variable*>{tag, score}) {
    SCOPED_TRACE(v->GetName());
    CategoryCoder byBlock(v), byValue(v);
    for (size_t group = 0; group < 2; ++group) {
      const size_t from = group * n / 2, to = from + n / 2;
      const GroupCodes got = CheckGroupCodes(
          byBlock, from, to, 4096,
          [&](size_t r) -> std::optional<std::string> {
            if (v->IsString()) return std::string(v->GetString(r));
            if (v->GetNumber(r) == MCMV::gMissingValue) return std::nullopt;
            return std::to_string(v->GetNumber(r));
          },
          [&](size_t r, double want) { ASSERT_EQ(byValue.Code(r), want) << "row " << r; });
      EXPECT_GT(got.categories, 30000u);
      byValue.Clear();
    }
  }
}

TEST(CategoryCoder, ForeseenBytesAskRoomOnlyForAGroupOfManyCategories) {
  // A nearly unique string, a few colours, small whole numbers (coded without the table) and
  // fractions of 100,000 values, in one split group of 200,000 cases; a group too small for
  // its tables to matter.
  const size_t n = 200000;
  ZIRA_DataSource ds;
  ds.SetCaseCount(n);
  auto* unique = ds.AddVariable("u", 12);
  auto* colour = ds.AddVariable("colour", 6);
  auto* small = ds.AddVariable("small", 0);
  auto* fraction = ds.AddVariable("fraction", 0);
  const char* colours[] = {"red", "green", "blue"};
  for (size_t i = 0; i < n; ++i) {
    const size_t k = (i * 2654435761u) % 1000003;
    unique->SetString(i, "u" + std::to_string(k));
    colour->SetString(i, colours[k % 3]);
    small->SetNumber(i, static_cast<double>(k % 1000));
    fraction->SetNumber(i, 0.5 + static_cast<double>(k % 100000));
  }
  // A group of many categories is coded at once: an entry of 16 bytes a row, and about two
  // cells of the count table for each category.
  const size_t uniqueBytes = CategoryCoder(unique).ForeseenBytes(0, n);
  EXPECT_GE(uniqueBytes, n * 16 + n * 9 / 10 * 16);
  EXPECT_LE(uniqueBytes, n * 16 + n * 16);
  const size_t fractionBytes = CategoryCoder(fraction).ForeseenBytes(0, n);
  EXPECT_GE(fractionBytes, n * 16 + 75000u * 16);
  EXPECT_LE(fractionBytes, n * 16 + n * 16);
  EXPECT_EQ(CategoryCoder(colour).ForeseenBytes(0, n), 0u);
  EXPECT_EQ(CategoryCoder(small).ForeseenBytes(0, n), 0u);
  EXPECT_EQ(CategoryCoder(unique).ForeseenBytes(0, 60000), 0u);
}

TEST(CategoryCoder, GroupsCodedAtOnceOnTwoThreadsGiveTheCodesOfTheTable) {
  // Split groups of many categories coded at once, the work shared with a second thread,
  // against the table coding value by value: strings of one to four words and wider, with a
  // user-missing value and values that come back near and far; numbers with fractions, small
  // whole numbers (which the table codes directly), 0 and -0, system-missing and user-missing
  // values. Blocks of several sizes and single values after the group was coded; a group of
  // few categories and a small group are left to the table.
  const size_t n = 2 * 130001;
  ZIRA_DataSource ds;
  ds.SetCaseCount(n);
  std::vector<ZIRA_Variable*> strings;
  for (int width : {6, 12, 20, 32, 44})
    strings.push_back(ds.AddVariable("s" + std::to_string(width), width));
  auto* number = ds.AddVariable("number", 0);
  ZiraMissingValues noneMissing;
  noneMissing.strings = {"none"};
  ZiraMissingValues numberMissing;
  numberMissing.values = {7.0, 2.25};
  numberMissing.hasRange = true;
  numberMissing.low = 100.0;
  numberMissing.high = 120.5;
  number->SetMissingValues(numberMissing);
  std::mt19937 draw(7);
  for (size_t i = 0; i < n; ++i) {
    const size_t k = draw() % 1000003;
    const std::string value = k % 97 == 0 ? "none" : std::to_string(k % 3 == 0 ? k / 3 : k);
    for (ZIRA_Variable* v : strings) {
      const size_t width = static_cast<size_t>(v->GetCellWidth());
      v->SetString(i, std::string(width > 16 ? width - 12 : 0, 'x') + value);
    }
    number->SetNumber(i, k % 89 == 0   ? MCMV::gMissingValue
                         : k % 83 == 0 ? -0.0
                         : k % 5 == 0  ? static_cast<double>(k % 400)
                                       : static_cast<double>(k % 3 == 0 ? k / 3 : k) / 4 + 0.125);
  }
  strings[1]->SetMissingValues(noneMissing);
  strings[4]->SetMissingValues(noneMissing);
  const RepeatFinder::OnTwoThreads both = [](const std::function<void(int)>& fn) {
    std::thread second([&fn] { fn(1); });
    fn(0);
    second.join();
  };
  std::vector<ZIRA_Variable*> all = strings;
  all.push_back(number);
  for (const ZIRA_Variable* v : all) {
    SCOPED_TRACE(v->GetName());
    CategoryCoder atOnce(v), byValue(v);
    for (size_t group = 0; group < 2; ++group) {
      const size_t from = group * n / 2, to = from + n / 2;
      atOnce.Clear(from, to);
      byValue.Clear();
      ASSERT_TRUE(atOnce.CodeGroup(both));
      EXPECT_FALSE(atOnce.CodeGroup(both));  // once a group
      std::vector<double> out(5000);
      size_t missing = 0;
      auto want = [&](size_t r) {
        const bool isMissing =
            v == number ? !v->IsValidNumber(r) : v->IsUserMissing(v->GetString(r));
        missing += isMissing;
        return isMissing ? MCMV::gMissingValue : byValue.Code(r);
      };
      // Blocks of 1 to 4999 values, each followed by a single value.
      for (size_t b = from, size = 1; b < to; b += size + 1, size = size * 7 % 4999 + 1) {
        const size_t e = std::min(to, b + size);
        atOnce.CodeRows(b, e, out.data());
        for (size_t r = b; r < e; ++r) {
          ASSERT_EQ(out[r - b], want(r)) << "row " << r;
        }
        if (e < to) {
          ASSERT_EQ(atOnce.Code(e), want(e)) << "row " << e;
        }
      }
      if (v == number || v == strings[1]) {
        EXPECT_GT(missing, 500u);
      }
    }
  }
  // Values of one hash that differ leave the group to the table, which gives the codes.
  CategoryCoder::WeakenGroupHashForTesting(true);
  CategoryCoder weak(strings[1]);
  const GroupCodes got = CheckGroupCodes(
      weak, 0, n / 2, 4096,
      [&](size_t r) {
        const std::string value(strings[1]->GetString(r));
        return value == "none" ? std::nullopt : std::optional<std::string>(value);
      },
      [&](size_t, double) {}, [&] { EXPECT_FALSE(weak.CodeGroup(both)); });
  CategoryCoder::WeakenGroupHashForTesting(false);
  EXPECT_GT(got.categories, 65536u);
  // Few categories, and a group too small for its table to matter.
  CategoryCoder colours(strings[0]);
  colours.Clear(0, 60000);
  EXPECT_FALSE(colours.CodeGroup(both));
  ZIRA_DataSource few;
  few.SetCaseCount(100000);
  auto* colour = few.AddVariable("colour", 6);
  for (size_t i = 0; i < 100000; ++i) colour->SetString(i, i % 3 ? "red" : "blue");
  CategoryCoder fewCoder(colour);
  fewCoder.Clear(0, 100000);
  EXPECT_FALSE(fewCoder.CodeGroup(both));
}

TEST(CategoryCoder, ShortStringsOfFewCategoriesRestartTheirCodesInEachGroup) {
  // Strings of one 8-byte cell are coded from the words met before while the variable has
  // few categories. A new split group gives codes from 0 again in its own order, a
  // user-missing string stays missing, and a variable that goes on to hundreds of categories
  // keeps exact codes. Block by block against a reference map, over three groups.
  const size_t n = 30000;
  ZIRA_DataSource ds;
  ds.SetCaseCount(n);
  auto* v = ds.AddVariable("colour", 6);
  ZiraMissingValues mv;
  mv.strings = {"none"};
  v->SetMissingValues(mv);
  const char* colours[] = {"red", "green", "blue", "none", "", "ochre"};
  for (size_t i = 0; i < n; ++i) {
    const size_t k = (i * 2654435761u) % 1013;
    // Groups one and two: a few colours, group two in another order; group three: past the
    // first half of it, hundreds of categories.
    const size_t group = i * 3 / n;
    std::string value = colours[(group == 1 ? 5 - k % 6 : k % 6)];
    if (group == 2 && i % (n / 3) > n / 6) value = "c" + std::to_string(k % 600);
    v->SetString(i, value);
  }
  CategoryCoder coder(v);
  for (size_t group = 0; group < 3; ++group) {
    SCOPED_TRACE("group " + std::to_string(group));
    const GroupCodes got =
        CheckGroupCodes(coder, group * n / 3, (group + 1) * n / 3, 1024, [&](size_t r) {
          const std::string value(v->GetString(r));
          return value == "none" ? std::nullopt : std::optional<std::string>(value);
        });
    EXPECT_EQ(got.categories, group < 2 ? 5u : 605u);
  }
}

TEST(CategoryCoder, UserMissingWholeNumbersAreMissingBlockByBlockAcrossGroups) {
  // Small whole numbers are coded through a direct table that also knows the user-missing
  // ones (a discrete value, one beyond the first table size, and a range), so they must come
  // out missing wherever the table stands: before it has grown to them, after, and after a
  // Clear. Fractions and -0 take their own ways.
  const size_t n = 40000;
  ZIRA_DataSource ds;
  ds.SetCaseCount(n);
  auto* v = ds.AddVariable("code", 0);
  ZiraMissingValues mv;
  mv.values = {7.0, 300.0};
  mv.hasRange = true;
  mv.low = 19.5;
  mv.high = 23.0;
  v->SetMissingValues(mv);
  for (size_t i = 0; i < n; ++i) {
    const size_t k = (i * 2654435761u) % 1009;
    // Rows past the first few hundred reach ever larger whole numbers, so the table grows
    // while user-missing entries are met.
    const double whole = static_cast<double>(k % (50 + i / 40));
    v->SetNumber(i, k % 97 == 0   ? MCMV::gMissingValue
                    : k % 89 == 0 ? 2.5
                    : k % 83 == 0 ? -0.0
                                  : whole);
  }
  CategoryCoder coder(v);
  for (size_t group = 0; group < 2; ++group) {
    SCOPED_TRACE("group " + std::to_string(group));
    const GroupCodes got =
        CheckGroupCodes(coder, group * n / 2, (group + 1) * n / 2, 1000, [&](size_t r) {
          const double x = v->GetNumber(r);
          const bool isMissing =
              x == MCMV::gMissingValue || x == 7.0 || x == 300.0 || (x >= 19.5 && x <= 23.0);
          // -0 and 0 are one key.
          return isMissing ? std::nullopt : std::optional<double>(x == 0.0 ? 0.0 : x);
        });
    EXPECT_GT(got.missing, 300u);
    EXPECT_GT(got.categories, 280u);
  }
}
