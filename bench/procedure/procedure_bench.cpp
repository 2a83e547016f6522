// VALIDATEDATA with every check on and two saved variables, on a standard dataset already in
// memory, beside a plain loop that reads every column the run uses once. The dataset is a
// file of bench/gen (zira_gen standard N FILE.csv) named by ZIRA_BENCH_DATA; it is read once,
// before the timing. Counters: the in-memory size of the dataset (for the peak-memory ratio,
// measured with /usr/bin/time -v around the whole program) and the cases.
//   ZIRA_BENCH_DATA=/tmp/std10m.csv bench_procedure --benchmark_filter=.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

#include "backend/validatedata/VDTRun.h"
#include "host/common/MemoryAdvice.h"
#include "host/io/DatasetReader.h"
#include "host/output/BpDocument.h"
#include "host/session/Session.h"
#include "host/syntax/CommandTokens.h"

namespace {

ZIRA_DataSource& Data() {
  static ZIRA_DataSource ds = [] {
    ZIRA_DataSource d;
    const char* path = std::getenv("ZIRA_BENCH_DATA");
    std::string error;
    std::vector<std::string> warnings;
    if (!path || !ReadDataset(path, {}, &d, &error, &warnings)) {
      std::cerr << "Set ZIRA_BENCH_DATA to a file of `zira_gen standard N FILE.csv`. " << error
                << '\n';
      std::exit(2);
    }
    // The standard file is split by region; a file without one is read as a single group.
    if (const int region = d.FindVarIndex("region"); region >= 0) d.SetSplitVariables({region});
    return d;
  }();
  return ds;
}

double DatasetBytes(const ZIRA_DataSource& d) {
  double bytes = 0;
  for (int c = 0; c < d.ColumnCount(); ++c) {
    const ZIRA_Variable* v = d.GetVariable(c);
    bytes += v->IsString() ? static_cast<double>(v->StringBuffer().size())
                           : static_cast<double>(v->Numbers().size() * sizeof(double));
  }
  return bytes;
}

// Reads every value of every column once: numbers summed, strings by their first byte.
void BM_PlainLoop(benchmark::State& state) {
  const ZIRA_DataSource& d = Data();
  for (auto _ : state) {
    double sum = 0;
    for (int c = 0; c < d.ColumnCount(); ++c) {
      const ZIRA_Variable* v = d.GetVariable(c);
      if (v->IsString()) {
        const auto& buf = v->StringBuffer();
        for (size_t i = 0; i < buf.size(); i += static_cast<size_t>(v->GetCellWidth()))
          sum += buf[i];
      } else {
        for (double x : v->Numbers()) sum += x;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["cases"] = static_cast<double>(d.CaseCount());
  state.counters["dataset_MB"] = DatasetBytes(d) / 1e6;
}

void BM_ValidateData(benchmark::State& state) {
  for (auto _ : state) {
    Session session;
    session.SetActive(Data());
    BpDocument doc;
    AttachDocument(session, doc);
    Session::Scope scope(session);
    CommandTokens tokens;
    std::string error;
    // ZIRA_BENCH_COMMAND replaces the command, to see what one part of it costs.
    const char* command = std::getenv("ZIRA_BENCH_COMMAND");
    CommandTokens::FromText(command ? command
                                    : "VALIDATEDATA VARIABLES=a01 TO a20 ID=hhid person "
                                      "CROSSVARRULES=ALL\n"
                                      "  /VARCHECKS STATUS=ON /RULESUMMARIES BYVARIABLE BYRULE\n"
                                      "  /SAVE DUPLICATEID RULEVIOLATIONS.\n",
                            &tokens, &error);
    session.SetCurrentTokens(&tokens);
    vdt::RunValidateData();
    session.SetCurrentTokens(nullptr);
    state.PauseTiming();
    // The saved variables are taken out again so every iteration sees the same dataset.
    const int firstSaved = Data().FindVarIndex("out_cust") + 1;
    if (firstSaved > 0 && firstSaved < Data().ColumnCount()) Data().RemoveVariablesFrom(firstSaved);
    state.ResumeTiming();
  }
  state.counters["cases"] = static_cast<double>(Data().CaseCount());
}

}  // namespace

// ZIRA_BENCH_RUNS repeats VALIDATEDATA (default once), so a profile of the program is mostly
// the procedure rather than the loading.
int main(int argc, char** argv) {
  KeepFreedMemory();  // as the zira program does
  const char* runs = std::getenv("ZIRA_BENCH_RUNS");
  const int n = runs ? std::max(1, std::atoi(runs)) : 1;
  Data();  // loaded here, outside every timing
  benchmark::RegisterBenchmark("BM_PlainLoop", BM_PlainLoop)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  // Time is wall time; CPU time counts both threads.
  benchmark::RegisterBenchmark("BM_ValidateData", BM_ValidateData)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(n)
      ->MeasureProcessCPUTime()
      ->UseRealTime();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
