// Loading rules at scale: 1,000 standard rules, 5,000 references (one per analysis variable
// of a 5,000-variable analysis set) and 1,000 custom rules, each reference and custom rule
// with its own outcome variable; and parsing one rule text as it grows (linear time).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "host/data/ZIRA_DataSource.h"

namespace {

constexpr int kStandardRules = 1000;
constexpr int kAnalysisVars = 5000;
constexpr int kCustomRules = 1000;

struct LargeRuleSet {
  LargeRuleSet() {
    std::vector<std::string> standard, custom;
    for (int n = 1; n <= kStandardRules; ++n) {
      standard.push_back("Label='Rule " + std::to_string(n) +
                         ", numeric',Description='Values of rule " + std::to_string(n) +
                         "',Type=Numeric,Domain=Range,FlagUserMissing=Yes,FlagSystemMissing=No,"
                         "FlagBlank=No,Minimum=0,Maximum=" +
                         std::to_string(n * 10) + ",FlagNoninteger=Yes");
    }
    for (int v = 0; v < kAnalysisVars; ++v) {
      ZIRA_Variable* var = data.AddVariable("v" + std::to_string(v), 0, nullptr);
      var->GetAttributes().Set("$VD.SRuleRef",
                               {"Rule=$VD.SRule[" + std::to_string(v % kStandardRules + 1) +
                                "],OutcomeVar=o" + std::to_string(v)});
      analysis.push_back(v);
    }
    for (int v = 0; v < kAnalysisVars; ++v) {
      data.AddVariable("o" + std::to_string(v), 0, nullptr)
          ->GetAttributes()
          .Set("$VD.RuleOutcomeVar", {"Yes"});
    }
    for (int c = 1; c <= kCustomRules; ++c) {
      custom.push_back("Label=\"Custom " + std::to_string(c) + "\",Expression=\"v" +
                       std::to_string(c) + " > v" + std::to_string(c + 1) +
                       " and v0 <> 'x'\",OutcomeVar=c" + std::to_string(c));
      data.AddVariable("c" + std::to_string(c), 0, nullptr)
          ->GetAttributes()
          .Set("$VD.RuleOutcomeVar", {"Yes"});
      customNumbers.push_back(c);
    }
    data.GetAttributes().Set("$VD.SRule", std::move(standard));
    data.GetAttributes().Set("$VD.CRule", std::move(custom));
  }
  ZIRA_DataSource data;
  std::vector<int> analysis, customNumbers;
};

void BM_LoadAllRules(benchmark::State& state) {
  static LargeRuleSet set;
  std::vector<VDTRuleSpecs> refs, standard, custom;
  for (auto _ : state) {
    VDTRuleSpecs loader(set.data, true, -1);
    if (!loader.LoadAllRules(&refs, &standard, &custom, set.analysis, set.customNumbers)) {
      state.SkipWithError(loader.GetErrorString().c_str());
      break;
    }
    benchmark::DoNotOptimize(refs.data());
  }
  state.counters["refs"] = static_cast<double>(refs.size());
  state.counters["standard"] = static_cast<double>(standard.size());
  state.counters["custom"] = static_cast<double>(custom.size());
  state.counters["columns"] = static_cast<double>(set.data.ColumnCount());
}
BENCHMARK(BM_LoadAllRules)->Unit(benchmark::kMillisecond);

// One standard rule text of about `bytes` bytes: the required properties, then a List of
// quoted items holding doubled quotes, then unknown properties.
void BM_ParseLongText(benchmark::State& state) {
  static ZIRA_DataSource data;
  const size_t bytes = static_cast<size_t>(state.range(0));
  std::string text =
      "Label='x',Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=Yes,"
      "CaseSensitive=No,List=";
  while (text.size() < bytes / 2) text += "'a''b' c ";
  text += ",";
  while (text.size() < bytes) text += "Foo='1,2',";
  for (auto _ : state) {
    VDTRuleSpecs record(data, true, -1);
    if (!record.LoadRule(text, 1)) {
      state.SkipWithError(record.GetErrorString().c_str());
      break;
    }
    benchmark::DoNotOptimize(record.GetListValues().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.SetComplexityN(static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseLongText)->RangeMultiplier(4)->Range(1 << 12, 1 << 20)->Complexity();

}  // namespace

BENCHMARK_MAIN();
