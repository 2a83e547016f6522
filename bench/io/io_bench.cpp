// Reading and writing dataset files: a seeded 1M-row x 24-column dataset (numbers, codes,
// dates, short and quoted texts, missing cells) is written once to a temporary folder, then
// read with its descriptor (all threads, one thread) and without (types inferred).
//   bench_io [benchmark options]          run the benchmarks (ZIRA_BENCH_ROWS overrides 1M)
//   ZIRA_BENCH_FILE=DATA.csv bench_io --benchmark_filter=GivenFile
//                                         read an existing file (zira_gen standard ...) instead
//   bench_io --generate FOLDER            only write FOLDER/bench.csv and its descriptor
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>

#include "host/io/DatasetReader.h"
#include "host/io/DatasetWriter.h"
#include "host/io/ValueText.h"

namespace fs = std::filesystem;

namespace {

size_t Rows() {
  const char* env = std::getenv("ZIRA_BENCH_ROWS");
  return env ? std::strtoull(env, nullptr, 10) : 1000000;
}

// 24 columns: 8 measurements with decimals, 6 integer codes, 4 dates, 6 texts.
ZIRA_DataSource MakeDataset(size_t rows) {
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> unit(0, 1);
  ZIRA_DataSource ds;
  ds.SetCaseCount(rows);
  for (int k = 0; k < 8; ++k) {
    ZIRA_Variable* v = ds.AddVariable("m" + std::to_string(k), 0);
    v->SetFormat({kFmtNumber, 10, 3});
    v->SetWriteFormat({kFmtNumber, 10, 3});
    for (size_t r = 0; r < rows; ++r)
      if (unit(rng) > 0.02) v->SetNumber(r, std::round(unit(rng) * 1e6 * (k + 1)) / 1000);
  }
  for (int k = 0; k < 6; ++k) {
    ZIRA_Variable* v = ds.AddVariable("c" + std::to_string(k), 0);
    v->SetFormat({kFmtNumber, 5, 0});
    v->SetWriteFormat({kFmtNumber, 5, 0});
    for (size_t r = 0; r < rows; ++r)
      v->SetNumber(r, static_cast<double>(rng() % (k == 0 ? 100000 : 9)) - (k == 1));
  }
  for (int k = 0; k < 4; ++k) {
    ZIRA_Variable* v = ds.AddVariable("d" + std::to_string(k), 0);
    v->SetFormat({kFmtDate, 10, 0});
    v->SetWriteFormat({kFmtDate, 10, 0});
    for (size_t r = 0; r < rows; ++r)
      v->SetNumber(r, static_cast<double>(DaysFromCivil(1950, 1, 1) +
                                          static_cast<long long>(rng() % 27000)) *
                          86400);
  }
  static const char* kWords[] = {"Amsterdam",  "Den Haag",    "Utrecht", "Zwolle, Overijssel",
                                 "Maastricht", "say \"yes\"", "",        "Groningen"};
  for (int k = 0; k < 6; ++k) {
    ZIRA_Variable* v = ds.AddVariable("s" + std::to_string(k), k < 3 ? 20 : 4);
    char code[5];
    for (size_t r = 0; r < rows; ++r) {
      if (k < 3) {
        v->SetString(r, kWords[rng() % 8]);
      } else {
        for (char& c : code) c = static_cast<char>('A' + rng() % 26);
        v->SetString(r, std::string_view(code, 4));
      }
    }
  }
  return ds;
}

struct Files {
  fs::path dir;
  std::string withSchema;  // dir/bench.csv + bench.schema.json
  std::string inferred;    // dir/plain/bench.csv, no descriptor
  size_t bytes = 0;
  ZIRA_DataSource data;
  ~Files() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

bool Generate(const fs::path& dir, ZIRA_DataSource* data) {
  *data = MakeDataset(Rows());
  std::string error;
  if (!WriteDataset(*data, (dir / "bench.csv").string(), &error)) {
    std::cerr << error << "\n";
    return false;
  }
  return true;
}

Files& TheFiles() {
  static Files files = [] {
    Files f;
    std::string templ = (fs::temp_directory_path() / "zira-bench-io-XXXXXX").string();
    f.dir = mkdtemp(templ.data());
    if (!Generate(f.dir, &f.data)) std::exit(1);
    f.withSchema = (f.dir / "bench.csv").string();
    fs::create_directory(f.dir / "plain");
    fs::create_hard_link(f.withSchema, f.dir / "plain" / "bench.csv");
    f.inferred = (f.dir / "plain" / "bench.csv").string();
    f.bytes = fs::file_size(f.withSchema);
    return f;
  }();
  return files;
}

void Read(benchmark::State& state, bool inferred, int threads) {
  Files& f = TheFiles();
  DatasetReadOptions options;
  options.threads = threads;
  for (auto _ : state) {
    ZIRA_DataSource ds;
    std::string error;
    if (!ReadDataset(inferred ? f.inferred : f.withSchema, options, &ds, &error, nullptr)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(ds.CaseCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes));
  state.counters["MB"] = static_cast<double>(f.bytes) / 1e6;
}

void BM_ReadWithDescriptor(benchmark::State& s) { Read(s, false, 0); }
void BM_ReadWithDescriptorOneThread(benchmark::State& s) { Read(s, false, 1); }
void BM_ReadInferred(benchmark::State& s) { Read(s, true, 0); }
void BM_ReadInferredOneThread(benchmark::State& s) { Read(s, true, 1); }

// Reads the file named by ZIRA_BENCH_FILE (with its descriptor, if it has one), as LOAD does.
void ReadGivenFile(benchmark::State& state, int threads) {
  const char* path = std::getenv("ZIRA_BENCH_FILE");
  if (!path) {
    state.SkipWithError("ZIRA_BENCH_FILE is not set");
    return;
  }
  DatasetReadOptions options;
  options.threads = threads;
  for (auto _ : state) {
    ZIRA_DataSource ds;
    std::string error;
    if (!ReadDataset(path, options, &ds, &error, nullptr)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(ds.CaseCount());
  }
  const auto bytes = static_cast<int64_t>(fs::file_size(path));
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ReadGivenFile(benchmark::State& s) { ReadGivenFile(s, 0); }
void BM_ReadGivenFileOneThread(benchmark::State& s) { ReadGivenFile(s, 1); }

void BM_Write(benchmark::State& state) {
  Files& f = TheFiles();
  std::string out = (f.dir / "out.csv").string();
  for (auto _ : state) {
    std::string error;
    if (!WriteDataset(f.data, out, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes));
}

BENCHMARK(BM_ReadWithDescriptor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWithDescriptorOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadInferred)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadInferredOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadGivenFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadGivenFileOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--generate") == 0) {
    ZIRA_DataSource data;
    return Generate(argv[2], &data) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
