// The data passes and screening through the algorithm: CheckPredictors end to end, record
// layout, weights, missing values, transactions, progress, cancellation and sticky errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <sstream>

#include "featureselection/FSAlgorithm.h"
#include "featureselection/FSCatAccums.h"
#include "featureselection/FSContAccums.h"
#include "fs_test_data.h"

TEST(CheckPredictorsTest, ListsEveryFailingPredictorOnceWithAllItsReasons) {
  // 0: categorical, 8 of 10 missing and constant -> 3, 4; 1: categorical, fine;
  // 2: continuous constant -> 8; 3: continuous, fine.
  FSSettings s(std::vector<bool>{true, true, false, false}, true);
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 10; ++i) {
    it.AddRow({i < 2 ? 1.0 : kSysmis, static_cast<double>(i % 3), 5.0, static_cast<double>(i)});
  }
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  const FSStatus st = a->CheckPredictors(&it, inds, reasons, -1);
  EXPECT_TRUE(st.IsOK()) << st.GetText();
  EXPECT_EQ(inds, (std::vector<int>{0, 2}));
  EXPECT_EQ(reasons, (std::vector<std::vector<int>>{{3, 4}, {8}}));
  EXPECT_EQ(s.GetTargetPosition(), -1);
  EXPECT_EQ(a->GetNumDeleted(), 0);
  EXPECT_TRUE(a->IsDataAccumulated());
  double wv, we;
  int v, e;
  a->GetRecordCounts(wv, we, v, e);
  EXPECT_EQ(v, 10);
  EXPECT_EQ(e, 0);
}

TEST(CheckPredictorsTest, WarnsWhenNoValueIsValidOrEveryPredictorFails) {
  FSSettings s(2, false, true);
  auto empty = Rows({{kSysmis, kSysmis}});
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  FSStatus st = a->CheckPredictors(&empty, inds, reasons, -1);
  EXPECT_EQ(st.code, kFSNoPredictorsLeft);  // both fail rule 3; listing overrides 80009
  EXPECT_TRUE(st.IsWarning());

  FSSettings s2(1, false, true);
  s2.SetDeleteManyMissing(false);
  auto b = MakeAlgorithm(s2);
  auto missing = Rows({{kSysmis}});
  st = b->CheckPredictors(&missing, inds, reasons, -1);
  EXPECT_EQ(st.code, kFSNoValidData);
  EXPECT_TRUE(st.IsWarning());
  EXPECT_TRUE(inds.empty());
}

TEST(CheckPredictorsTest, CategoricalValuesTruncatingToMinusOneAreMissing) {
  FSSettings s(std::vector<bool>{true, false}, true);
  s.SetMaxPctMissing(30);
  auto it = Rows({{-1.7, -1.7}, {1, 1}, {2, 2}});
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  a->CheckPredictors(&it, inds, reasons, -1);
  ASSERT_EQ(inds, (std::vector<int>{0}));  // 1 of 3 missing only for the categorical one
  EXPECT_EQ(reasons[0][0], 3);
}

TEST(DataPassTest, SpecialColumnsAreSkippedWhereverTheyLie) {
  FSSettings s(3, false, false);
  s.SetTargetPosition(0);
  s.SetCaseIdPosition(1);
  s.SetFrequencyWeightPosition(2);
  // Predictors read columns 3, 4, 5. Predictor 0 gets 10, 20, 30.
  auto it = Rows({{1, 1, 1, 10, 1, 1}, {2, 2, 1, 20, 2, 1}, {3, 3, 1, 30, 4, 1}});
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->AccumulateData(&it, -1).IsOK());
  auto* fa = dynamic_cast<FSAlgorithm*>(a.get());
  const auto* acc = dynamic_cast<const FSContPContTAccum*>(fa->GetPredictorSet().GetAccumulator(0));
  ASSERT_TRUE(acc);
  EXPECT_EQ(acc->GetMean(), 20.0);

  FSSettings t(3, false, false);
  t.SetTargetPosition(0);
  t.SetFrequencyWeightPosition(2);
  t.SetCaseIdPosition(3);
  // Columns: 0 target, 1 p0, 2 weight, 3 case id, 4 p1, 5 p2.
  auto it2 = Rows({{1, 0, 1, 1, 0, 7}, {2, 0, 1, 2, 0, 9}});
  auto b = MakeAlgorithm(t);
  ASSERT_TRUE(b->AccumulateData(&it2, -1).IsOK());
  const auto* acc2 = dynamic_cast<const FSContPContTAccum*>(
      dynamic_cast<FSAlgorithm*>(b.get())->GetPredictorSet().GetAccumulator(2));
  EXPECT_EQ(acc2->GetMean(), 8.0);
}

TEST(DataPassTest, WeightsAreRoundedOrTruncatedAndNonPositiveOrInvalidOnesSkipTheRecord) {
  FSSettings s(1, true, true);
  s.SetFrequencyWeightPosition(1);
  s.SetTargetPosition(-1);
  auto it = Rows({{1, 2.4},
                  {1, 0.4},
                  {1, kSysmis},
                  {1, std::nan("")},
                  {1, -3},
                  {1, std::numeric_limits<double>::infinity()},
                  {2, 1.0}});
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  a->CheckPredictors(&it, inds, reasons, 2);  // the skipped records do not count
  double wv, we;
  int v, e;
  a->GetRecordCounts(wv, we, v, e);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(wv, 3.0);

  FSSettings t(1, true, true);
  t.SetFrequencyWeightPosition(1);
  t.SetWeightConversion(kFSWeightTruncate);
  t.SetTargetPosition(-1);
  auto it2 = Rows({{1, 2.9}});
  auto b = MakeAlgorithm(t);
  b->CheckPredictors(&it2, inds, reasons, -1);
  b->GetRecordCounts(wv, we, v, e);
  EXPECT_EQ(wv, 2.0);
}

TEST(DataPassTest, NoPositiveWeightIsAWarningWhenScreeningAndAnErrorWhenRanking) {
  FSSettings s(1, true, true);
  s.SetFrequencyWeightPosition(1);
  auto it = Rows({{1, 0.0}, {2, -1.0}});
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  EXPECT_EQ(a->CheckPredictors(&it, inds, reasons, -1), FSStatus(kFSNoValidWeight, true));

  FSSettings t(1, true, true);
  t.SetFrequencyWeightPosition(2);
  t.SetTargetPosition(1);
  auto it2 = Rows({{1, 1, 0.0}});
  auto b = MakeAlgorithm(t);
  EXPECT_EQ(b->AccumulateData(&it2, -1), FSStatus(kFSNoValidWeight, false));
  // Errors are sticky: ranking returns the same error without work.
  EXPECT_EQ(b->RankPredictors(0), FSStatus(kFSNoValidWeight, false));
  EXPECT_FALSE(b->IsRanked());
}

TEST(DataPassTest, MissingTargetOrAllMissingPredictorsExcludeTheRecord) {
  FSSettings s(2, true, true);
  s.SetTargetPosition(2);
  auto it = Rows({{1, 2, kSysmis}, {kSysmis, kSysmis, 1}, {1, 2, 1}, {2, 1, 0}});
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->AccumulateData(&it, -1).IsOK());
  double wv, we;
  int v, e;
  a->GetRecordCounts(wv, we, v, e);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(e, 2);
  const auto* acc = dynamic_cast<const FSCatPCatTAccum*>(
      dynamic_cast<FSAlgorithm*>(a.get())->GetPredictorSet().GetAccumulator(0));
  EXPECT_EQ(acc->GetTotal(), 3.0);  // the missing-target record touched nothing
  EXPECT_EQ(acc->GetMissing(), 1.0);
  EXPECT_EQ(a->GetNumTargetCategories(), 2);
  EXPECT_EQ(a->GetTargetCategoryCount(1).count, 1);
  EXPECT_EQ(a->GetTargetCategoryCount(7).count, -1);
  int cat;
  FSCategoryCounts counts;
  ASSERT_TRUE(a->GetTargetCategoryAt(0, cat, counts));
  EXPECT_EQ(cat, 0);
  EXPECT_FALSE(a->GetTargetCategoryAt(2, cat, counts));
  EXPECT_EQ(cat, -1);
}

TEST(DataPassTest, OnePassGivesTheSameAccumulatorsAsTwoPassesOverTheHalves) {
  auto build = [](int from, int to) {
    MCCommon::VectorRecordIter it;
    for (int i = from; i < to; ++i) {
      const double t = i % 4;
      it.AddRow({t, static_cast<double>(i % 7), i * 0.37 - 3.0, (i % 5 == 0) ? kSysmis : i * 1.5,
                 static_cast<double>((i * 13) % 11)});
    }
    return it;
  };
  FSSettings s1(std::vector<bool>{true, false, false, true}, true);
  FSSettings s2 = s1;
  auto whole = build(0, 400);
  auto first = build(0, 200);
  auto second = build(200, 400);
  auto a = MakeAlgorithm(s1);
  auto b = MakeAlgorithm(s2);
  ASSERT_TRUE(a->AccumulateData(&whole, -1).IsOK());
  ASSERT_TRUE(b->AccumulateData(&first, -1).IsOK());
  ASSERT_TRUE(b->AccumulateData(&second, -1).IsOK());
  const auto& pa = dynamic_cast<FSAlgorithm*>(a.get())->GetPredictorSet();
  const auto& pb = dynamic_cast<FSAlgorithm*>(b.get())->GetPredictorSet();
  for (int i = 0; i < 4; ++i) {
    std::ostringstream x, y;
    pa.GetAccumulator(i)->Save(x);
    pb.GetAccumulator(i)->Save(y);
    EXPECT_EQ(x.str(), y.str()) << "predictor " << i;
  }
}

TEST(TransactionsTest, GapsAndTheEndOfACaseGiveMissingValues) {
  FSSettings s(5, false, true);
  s.SetTransactions(true);
  auto it = Rows({{7, 0, 1.5, 1}, {7, 3, 2.5, 1}, {8, 4, 3.0, 0}});
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->AccumulateData(&it, -1).IsOK());
  const auto& ps = dynamic_cast<FSAlgorithm*>(a.get())->GetPredictorSet();
  const auto* p1 = dynamic_cast<const FSContPCatTAccum*>(ps.GetAccumulator(1));
  const auto* p4 = dynamic_cast<const FSContPCatTAccum*>(ps.GetAccumulator(4));
  EXPECT_EQ(p1->GetMissing(), 2.0);  // case 7 (gap) and case 8 (before index 4)
  EXPECT_EQ(p4->GetMissing(), 1.0);  // case 7 closing
  EXPECT_EQ(p4->GetTotal(), 2.0);
  double wv, we;
  int v, e;
  a->GetRecordCounts(wv, we, v, e);
  EXPECT_EQ(v, 2);
}

TEST(TransactionsTest, IndicesOutOfOrderOrOutOfRangeStopThePassWithTheirParameters) {
  FSSettings s(5, false, true);
  s.SetTransactions(true);
  auto repeated = Rows({{7, 2, 1, 1}, {7, 2, 1, 1}});
  auto a = MakeAlgorithm(s);
  EXPECT_EQ(a->AccumulateData(&repeated, -1), FSStatus(kFSTransactionOrder, false, 2, 2, 7));
  auto outside = Rows({{9, 5, 1, 1}});
  auto b = MakeAlgorithm(s);
  EXPECT_EQ(b->AccumulateData(&outside, -1), FSStatus(kFSTransactionIndex, false, 5, 5, 9));
  auto nan = Rows({{9, std::nan(""), 1, 1}});
  auto c = MakeAlgorithm(s);
  EXPECT_EQ(c->AccumulateData(&nan, -1).code, kFSTransactionIndex);
}

namespace {
struct Recorder : FSProgressListener {
  std::vector<int> records;
  std::vector<int> predictors;
  void Progress(const ProgressReport* r) override {
    records.push_back(r->GetIntValue("records"));
    predictors.push_back(r->GetIntValue("predictors"));
    EXPECT_GE(r->GetDoubleValue("elapsedTime"), 0.0);
    EXPECT_EQ(r->GetIntValue("other"), -1);
  }
};
struct CancelAfter : FSCancelCheck {
  int calls = 0;
  int limit;
  explicit CancelAfter(int n) : limit(n) {}
  bool IsCancelRequested() override { return ++calls > limit; }
};
}  // namespace

TEST(ProgressTest, ReportsComeEveryRecordsToSkipPlusOneRecords) {
  FSSettings s(1, false, true);
  Recorder rec;
  s.SetProgressListener(&rec);
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 250; ++i) it.AddRow({static_cast<double>(i)});
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  a->CheckPredictors(&it, inds, reasons, -1);
  EXPECT_EQ(rec.records, (std::vector<int>{100, 200}));
  EXPECT_EQ(rec.predictors, (std::vector<int>{-1, -1}));

  s.SetRecordsToSkip(0);
  Recorder every;
  s.SetProgressListener(&every);
  auto b = MakeAlgorithm(s);
  auto three = Rows({{1}, {2}, {3}});
  b->CheckPredictors(&three, inds, reasons, -1);
  EXPECT_EQ(every.records, (std::vector<int>{1, 2, 3}));
}

TEST(CancelTest, ACancelledPassReleasesTheMemoryAndStaysCancelled) {
  FSSettings s(2, false, true);
  CancelAfter check(5);
  s.SetCancelCheck(&check);
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 50; ++i) it.AddRow({static_cast<double>(i), 1.0 * (i % 3)});
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  EXPECT_EQ(a->CheckPredictors(&it, inds, reasons, -1), FSStatus(kFSCancelled, false));
  const auto& ps = dynamic_cast<FSAlgorithm*>(a.get())->GetPredictorSet();
  EXPECT_EQ(ps.GetNumPredictors(), 0);
  EXPECT_EQ(ps.GetStatus(), kFSSetReleased);
  EXPECT_FALSE(ps.IsAllocated());
  EXPECT_EQ(a->RankPredictors(0).code, kFSCancelled);

  FSSettings t(1, false, true);
  auto b = MakeAlgorithm(t);
  b->Cancel();
  std::ostringstream os;
  EXPECT_EQ(b->Save(os).code, kFSCancelled);
  EXPECT_TRUE(os.str().empty());
}

TEST(DeletionTest, CheckForDeletionRemovesAllMissingAndConstantPredictors) {
  FSSettings s(4, false, true);
  s.SetTargetPosition(4);
  auto it = Rows({{kSysmis, 3, 1, 2, 0}, {kSysmis, 3, 2, 3, 1}, {kSysmis, 3, 3, 1, 1}});
  auto a = MakeAlgorithm(s);
  ASSERT_TRUE(a->AccumulateData(&it, -1).IsOK());
  EXPECT_TRUE(a->CheckForDeletion().IsOK());
  EXPECT_EQ(a->GetDeletedIndices(), (std::vector<int>{0, 1}));
  EXPECT_EQ(a->GetDeletionReasons(), (std::vector<int>{1, 2}));
  double v, x, y, z;
  EXPECT_FALSE(a->GetCriterionValues(4, 0, v, x, y, z));
  EXPECT_EQ(v, kSysmis);

  FSSettings t(1, false, true);
  t.SetTargetPosition(1);
  auto one = Rows({{5, 0}, {5, 1}});
  auto b = MakeAlgorithm(t);
  b->AccumulateData(&one, -1);
  EXPECT_EQ(b->CheckForDeletion(), FSStatus(kFSAllDeleted, true));
  EXPECT_EQ(b->ScreenPredictors(), FSStatus(kFSNoPredictorsLeft, true));
}

namespace {

// Gives rows as blocks of `size` records in columns, the way the host hands over its data;
// a reader of such a source must not ask for records one by one.
class BlockRows : public MCCommon::RecordIterator {
 public:
  BlockRows(std::vector<std::vector<double>> rows, size_t size)
      : fRows(std::move(rows)), fSize(size) {}
  bool Next() override {
    ADD_FAILURE() << "a record was asked of a source that offers blocks";
    return false;
  }
  const MCCommon::Record* Current() override { return nullptr; }
  bool OffersBlocks() const override { return true; }
  const MCCommon::RecordBlock* NextBlock() override {
    if (fPos >= fRows.size()) return nullptr;
    const size_t n = std::min(fSize, fRows.size() - fPos);
    fColumns.assign(fRows[0].size(), std::vector<double>(n));
    fBlock.columns.clear();
    for (size_t f = 0; f < fColumns.size(); ++f) {
      for (size_t i = 0; i < n; ++i) fColumns[f][i] = fRows[fPos + i][f];
      fBlock.columns.push_back(fColumns[f].data());
    }
    fBlock.nRecords = static_cast<int>(n);
    fPos += n;
    return &fBlock;
  }

 private:
  std::vector<std::vector<double>> fRows;
  size_t fSize;
  size_t fPos = 0;
  std::vector<std::vector<double>> fColumns;
  MCCommon::RecordBlock fBlock;
};

// Everything the algorithm holds after CheckPredictors, as text, with its answer.
std::string ScreenAndShow(MCCommon::RecordIterator* it, int maxRecords) {
  FSSettings s(std::vector<bool>{true, false, true, false}, true);
  s.SetFrequencyWeightPosition(2);
  s.SetTargetPosition(-1);
  auto a = MakeAlgorithm(s);
  std::vector<int> inds;
  std::vector<std::vector<int>> reasons;
  const FSStatus st = a->CheckPredictors(it, inds, reasons, maxRecords);
  std::ostringstream os;
  os << st.GetText() << "|";
  for (int i : inds) os << i << " ";
  double wv, we;
  int v, e;
  a->GetRecordCounts(wv, we, v, e);
  os << std::setprecision(17) << "|" << wv << " " << we << " " << v << " " << e << "|";
  a->Display(os);
  // Everything but the time the pass took.
  std::string text = os.str();
  const size_t at = text.find("Total elapsed time");
  if (at != std::string::npos) text.erase(at, text.find('\n', at) - at);
  return text;
}

}  // namespace

TEST(DataPassTest, BlocksOfAnySizeGiveWhatRecordByRecordGives) {
  // Two categorical and two continuous predictors around a weight column, with missing
  // values, invalid weights and a record limit that ends inside a block.
  std::vector<std::vector<double>> rows;
  for (int i = 0; i < 40; ++i) {
    const double weight = i % 7 == 3 ? kSysmis : i % 11 == 5 ? -1.0 : 1.0 + i % 3;
    rows.push_back({static_cast<double>(i % 4), i % 5 == 0 ? kSysmis : 0.5 * i, weight,
                    i % 6 == 1 ? kSysmis : static_cast<double>(i * 7 % 13), 100.0 / (i + 1)});
  }
  for (int limit : {-1, 17}) {
    MCCommon::VectorRecordIter records;
    for (const auto& r : rows) records.AddRow(r);
    const std::string expected = ScreenAndShow(&records, limit);
    for (size_t size : {1u, 3u, 16u, 64u}) {
      BlockRows blocks(rows, size);
      EXPECT_EQ(ScreenAndShow(&blocks, limit), expected) << "blocks of " << size;
    }
  }
}

TEST(DataPassTest, RecordsWithoutWeightsCountAsWeightsOfOneInBlocksOfAnySize) {
  // No weight column: valid and excluded records, weighted and not, block by block (whole
  // blocks, and a record limit that ends inside one), then as a weight column of ones counts
  // them.
  std::vector<std::vector<double>> rows, weighted;
  int validWithin17 = 0, validAll = 0;
  for (int i = 0; i < 40; ++i) {
    const bool none = i % 4 == 1;  // every predictor missing
    rows.push_back({none ? kSysmis : static_cast<double>(i % 3), none ? kSysmis : 0.25 * i});
    weighted.push_back({rows.back()[0], rows.back()[1], 1.0});
    validAll += none ? 0 : 1;
    if (i < 17) validWithin17 += none ? 0 : 1;
  }
  for (int limit : {-1, 17}) {
    const int records = limit < 0 ? 40 : limit;
    const int valid = limit < 0 ? validAll : validWithin17;
    for (size_t size : {1u, 16u, 64u}) {
      for (bool withWeights : {false, true}) {
        FSSettings s(std::vector<bool>{true, false}, true);
        if (withWeights) s.SetFrequencyWeightPosition(2);
        auto a = MakeAlgorithm(s);
        BlockRows blocks(withWeights ? weighted : rows, size);
        std::vector<int> inds;
        std::vector<std::vector<int>> reasons;
        a->CheckPredictors(&blocks, inds, reasons, limit);
        double wv, we;
        int v, e;
        a->GetRecordCounts(wv, we, v, e);
        SCOPED_TRACE(testing::Message() << "limit " << limit << ", blocks of " << size
                                        << (withWeights ? ", weights of 1" : ""));
        EXPECT_EQ(v, valid);
        EXPECT_EQ(e, records - valid);
        EXPECT_EQ(wv, valid);
        EXPECT_EQ(we, records - valid);
      }
    }
  }
}

TEST(DataPassTest, ContinuousMomentsWithoutTargetAreThoseOfOneValueAtATime) {
  // Five continuous predictors (an odd one out of the pairs the pass takes together) with
  // missing, infinite and NaN values at different records, so that their valid weights
  // differ, values whose running means round at every step, one constant after a run of
  // missing values and one that stops being constant late; unit weights, then a weight
  // column. The screening pass must give what FSContAccum gives fed value by value, whether
  // the records come one at a time or in blocks of any size.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (bool weighted : {false, true}) {
    const int nPreds = 5;
    std::vector<std::vector<double>> rows;
    std::vector<FSContAccum> expected(nPreds);
    for (int i = 0; i < 1500; ++i) {
      std::vector<double> row = {i % 7 == 2 ? kSysmis : 100.0 / (i + 3), 0.1 * i * i - 3.3,
                                 i % 3 == 0 ? kSysmis : i % 11 == 4 ? nan : std::sqrt(i + 0.5),
                                 i < 40 || i % 5 == 1 ? kSysmis : 2.5,
                                 i % 13 == 6 ? (i % 2 ? inf : -inf) : i < 1234 ? 7.0 : -i / 3.0};
      const double w = weighted ? 1.0 + i % 4 : 1.0;
      if (weighted) row.push_back(w);
      rows.push_back(row);
      for (int q = 0; q < nPreds; ++q) {
        const double v = row[static_cast<size_t>(q)];
        if (FSIsContMissing(v)) {
          expected[static_cast<size_t>(q)].AddMissing(w);
        } else {
          expected[static_cast<size_t>(q)].AddValue(v, w, true);
        }
      }
    }
    for (size_t size : {0u, 1u, 3u, 1500u}) {  // 0: record by record
      FSSettings s(nPreds, false, false);
      if (weighted) s.SetFrequencyWeightPosition(nPreds);
      MCCommon::VectorRecordIter records;
      for (const auto& r : rows) records.AddRow(r);
      BlockRows blocks(rows, size);
      MCCommon::RecordIterator* it = size == 0 ? static_cast<MCCommon::RecordIterator*>(&records)
                                               : &blocks;
      auto a = MakeAlgorithm(s);
      std::vector<int> inds;
      std::vector<std::vector<int>> reasons;
      ASSERT_TRUE(a->CheckPredictors(it, inds, reasons, -1).IsOK());
      const FSPredictorSet& set = dynamic_cast<FSAlgorithm*>(a.get())->GetPredictorSet();
      for (int q = 0; q < nPreds; ++q) {
        const auto* got = dynamic_cast<const FSContAccum*>(set.GetAccumulator(q));
        const FSContAccum& want = expected[static_cast<size_t>(q)];
        ASSERT_TRUE(got) << q;
        const std::string where = "predictor " + std::to_string(q) + " weighted " +
                                  std::to_string(weighted) + " blocks of " + std::to_string(size);
        EXPECT_EQ(got->GetMean(), want.GetMean()) << where;
        EXPECT_EQ(got->GetM2(), want.GetM2()) << where;
        EXPECT_EQ(got->GetMissing(), want.GetMissing()) << where;
        EXPECT_EQ(got->GetTotal(), want.GetTotal()) << where;
        EXPECT_EQ(got->IsConstant(), want.IsConstant()) << where;
        EXPECT_EQ(got->GetFirstValue(), want.GetFirstValue()) << where;
      }
    }
  }
}
