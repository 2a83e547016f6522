// Benchmarks of the screening and ranking engine: the screening pass over 1M records of 50
// predictors, a categorical predictor with a million categories against one with 100
// (scattered codes, and codes in order of first appearance as the host hands them out), and
// ranking 1,000 predictors over 100,000 records with a categorical target (mixed and all
// categorical predictor sets).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "featureselection/FSAlgorithmFactory.h"
#include "host/mccommon/MCCommonRecord.h"

namespace {

// Serves `count` records cycling through a pool of pre-generated rows, without copying, so
// that the engine's own work is what is timed.
class PoolIterator : public MCCommon::RecordIterator {
 public:
  PoolIterator(std::vector<MCCommon::Record> pool, long long count)
      : fPool(std::move(pool)), fCount(count) {}
  bool Next() override { return ++fPos < fCount; }
  const MCCommon::Record* Current() override {
    return fPos < fCount
               ? &fPool[static_cast<std::size_t>(fPos % static_cast<long long>(fPool.size()))]
               : nullptr;
  }

 private:
  std::vector<MCCommon::Record> fPool;
  long long fCount;
  long long fPos = -1;
};

// Rows of `numCont` continuous values then `numCat` category codes (0..levels-1), and an
// optional categorical target at the end.
std::vector<MCCommon::Record> MakePool(int rows, int numCont, int numCat, int levels,
                                       int targetLevels, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::vector<MCCommon::Record> pool;
  pool.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    std::vector<double> v;
    for (int j = 0; j < numCont; ++j) v.push_back(normal(rng) * (j + 1) + 10.0);
    for (int j = 0; j < numCat; ++j) v.push_back(static_cast<double>(rng() % levels));
    if (targetLevels > 0) v.push_back(static_cast<double>(rng() % targetLevels));
    pool.emplace_back(std::move(v));
  }
  return pool;
}

void BM_ScreeningPass(benchmark::State& state) {
  const long long records = 1000000;
  std::vector<bool> types(50, false);
  for (int j = 30; j < 50; ++j) types[j] = true;
  auto pool = MakePool(8192, 30, 20, 20, 0, 1);
  for (auto _ : state) {
    FSSettings settings(types, true);
    FSAlgorithmFactory factory;
    auto algorithm = factory.Create(&settings);
    PoolIterator it(pool, records);
    std::vector<int> inds;
    std::vector<std::vector<int>> reasons;
    const FSStatus st = algorithm->CheckPredictors(&it, inds, reasons, -1);
    if (st.IsError()) state.SkipWithError("screening failed");
    benchmark::DoNotOptimize(inds.data());
  }
  state.SetItemsProcessed(state.iterations() * records * 50);
}
BENCHMARK(BM_ScreeningPass)->Unit(benchmark::kMillisecond);

// One categorical predictor over 2M records with `state.range(0)` distinct categories,
// scattered (a multiplicative permutation), screened without a target.
void BM_ManyCategories(benchmark::State& state) {
  const int levels = static_cast<int>(state.range(0));
  const long long records = 2000000;
  class CategoryIterator : public MCCommon::RecordIterator {
   public:
    CategoryIterator(int levels, long long count) : fLevels(levels), fCount(count) {
      fRecord.Resize(1);
    }
    bool Next() override {
      if (++fPos >= fCount) return false;
      const std::uint64_t k =
          static_cast<std::uint64_t>(fPos) % static_cast<std::uint64_t>(fLevels);
      fRecord.Set(0, static_cast<double>((k * 2654435761u) % static_cast<std::uint64_t>(fLevels)));
      return true;
    }
    const MCCommon::Record* Current() override { return fPos < fCount ? &fRecord : nullptr; }

   private:
    int fLevels;
    long long fCount;
    long long fPos = -1;
    MCCommon::Record fRecord;
  };
  for (auto _ : state) {
    FSSettings settings(1, true, true);
    FSAlgorithmFactory factory;
    auto algorithm = factory.Create(&settings);
    CategoryIterator it(levels, records);
    std::vector<int> inds;
    std::vector<std::vector<int>> reasons;
    algorithm->CheckPredictors(&it, inds, reasons, -1);
    benchmark::DoNotOptimize(inds.data());
  }
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_ManyCategories)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same screening pass over codes as the host hands them out: 2M records drawn at random
// from `state.range(0)` values, each value coded 0, 1, 2, ... in order of first appearance.
void BM_FirstAppearanceCodes(benchmark::State& state) {
  const int levels = static_cast<int>(state.range(0));
  const std::size_t records = 2000000;
  std::vector<double> codes(records);
  {
    std::mt19937 rng(3);
    std::vector<int> codeOf(static_cast<std::size_t>(levels), -1);
    int next = 0;
    for (double& c : codes) {
      int& code = codeOf[rng() % static_cast<unsigned>(levels)];
      if (code < 0) code = next++;
      c = code;
    }
  }
  class CodeIterator : public MCCommon::RecordIterator {
   public:
    explicit CodeIterator(const std::vector<double>& codes) : fCodes(codes) { fRecord.Resize(1); }
    bool Next() override {
      if (++fPos >= fCodes.size()) return false;
      fRecord.Set(0, fCodes[fPos]);
      return true;
    }
    const MCCommon::Record* Current() override { return fPos < fCodes.size() ? &fRecord : nullptr; }

   private:
    const std::vector<double>& fCodes;
    std::size_t fPos = static_cast<std::size_t>(-1);
    MCCommon::Record fRecord;
  };
  for (auto _ : state) {
    FSSettings settings(1, true, true);
    FSAlgorithmFactory factory;
    auto algorithm = factory.Create(&settings);
    CodeIterator it(codes);
    std::vector<int> inds;
    std::vector<std::vector<int>> reasons;
    algorithm->CheckPredictors(&it, inds, reasons, -1);
    benchmark::DoNotOptimize(inds.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long long>(records));
}
BENCHMARK(BM_FirstAppearanceCodes)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

// 1,000 predictors (500 continuous, 500 categorical with 10 levels) over 100,000 records,
// target with 3 categories: accumulation and ranking with every criterion of a mixed set
// (Pearson, likelihood ratio, F), then an all-categorical set adding Cramer's V and lambda.
void RankRun(benchmark::State& state, int numCont, int numCat) {
  const long long records = 100000;
  const int n = numCont + numCat;
  std::vector<bool> types(static_cast<std::size_t>(n), false);
  for (int j = numCont; j < n; ++j) types[j] = true;
  auto pool = MakePool(2048, numCont, numCat, 10, 3, 2);
  for (auto _ : state) {
    FSSettings settings(types, true);
    settings.SetTargetPosition(n);
    FSAlgorithmFactory factory;
    auto algorithm = factory.Create(&settings);
    PoolIterator it(pool, records);
    const FSStatus st = algorithm->Run(&it, -1, false, 0);
    if (st.IsError()) state.SkipWithError("ranking failed");
  }
  state.SetItemsProcessed(state.iterations() * records * n);
}
void BM_RankMixed(benchmark::State& state) { RankRun(state, 500, 500); }
void BM_RankAllCategorical(benchmark::State& state) { RankRun(state, 0, 1000); }
BENCHMARK(BM_RankMixed)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RankAllCategorical)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
