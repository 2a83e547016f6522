// Rule outcome variables: what breaks each kind of standard rule and a custom rule, replacing
// existing outcome variables, the errors (with the dataset left untouched), and a count made
// independently on a generated dataset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "host/commands/RuleOutcomes.h"
#include "host/expr/ExprFormat.h"

namespace {

constexpr double kSys = MCMV::gMissingValue;

// Everything about a dataset that the computation could change.
struct Snapshot {
  struct Var {
    std::string name, label;
    int type, level;
    ZiraFormat format;
    std::vector<double> numbers;
    std::vector<char> strings;
    DatasourceAttributes attributes;
    bool operator==(const Var&) const = default;
  };
  explicit Snapshot(const ZIRA_DataSource& d) : attributes(d.GetAttributes()) {
    for (int c = 0; c < d.ColumnCount(); ++c) {
      const ZIRA_Variable* v = d.GetVariable(c);
      vars.push_back({v->GetName(), v->GetLabel(), v->GetType(), v->GetMeasurementLevel(),
                      v->GetFormat(), v->Numbers(), v->StringBuffer(), v->GetAttributes()});
    }
  }
  bool operator==(const Snapshot&) const = default;
  DatasourceAttributes attributes;
  std::vector<Var> vars;
};

class RuleOutcomes : public ::testing::Test {
 protected:
  ZIRA_Variable* Num(const std::string& name, std::vector<double> values) {
    Grow(values.size());
    ZIRA_Variable* v = data.AddVariable(name, 0);
    for (size_t r = 0; r < values.size(); ++r) v->SetNumber(r, values[r]);
    return v;
  }
  ZIRA_Variable* Str(const std::string& name, std::vector<std::string> values, int width = 8) {
    Grow(values.size());
    ZIRA_Variable* v = data.AddVariable(name, width);
    for (size_t r = 0; r < values.size(); ++r) v->SetString(r, values[r]);
    return v;
  }
  void Grow(size_t n) {
    if (data.CaseCount() < n) data.SetCaseCount(n);
  }
  // One standard rule (element 1) referenced by `var` with outcome variable `out`.
  void OneRule(const std::string& var, const std::string& rule, const std::string& out) {
    Rules({rule});
    Refs(var, {"Rule=$VD.SRule[1],OutcomeVar=" + out});
  }
  void Rules(std::vector<std::string> texts) { data.GetAttributes().Set("$VD.SRule", texts); }
  void Custom(std::vector<std::string> texts) { data.GetAttributes().Set("$VD.CRule", texts); }
  void Refs(const std::string& var, std::vector<std::string> texts) {
    data.GetVariable(data.FindVarIndex(var))->GetAttributes().Set("$VD.SRuleRef", texts);
  }
  bool Run() {
    error.clear();
    return ComputeRuleOutcomes(data, &summary, &error);
  }
  std::vector<double> Col(const std::string& name) const {
    const ZIRA_Variable* v = data.GetVariable(data.FindVarIndex(name));
    return v ? v->Numbers() : std::vector<double>{};
  }
  // Runs expecting failure; the dataset must be exactly as before.
  void ExpectFailureLeavesDataAlone() {
    const Snapshot before(data);
    EXPECT_FALSE(Run());
    EXPECT_TRUE(Snapshot(data) == before) << error;
    EXPECT_TRUE(summary.rules.empty());
  }

  ZIRA_DataSource data;
  RuleOutcomeSummary summary;
  std::string error;
};

const std::string kFlags = "Type=Numeric,Domain=Range,FlagBlank=No,";

TEST_F(RuleOutcomes, RangeRuleBreaksOutsideBoundsAndWhereItsFlagsCatchMissingValues) {
  ZIRA_Variable* age = Num("age", {-1, 0, 50, 120, 120.5, kSys, 99});
  ZiraMissingValues mv;
  mv.values = {99};
  age->SetMissingValues(mv);
  Rules(
      {"Label=Sys," + kFlags + "FlagUserMissing=No,FlagSystemMissing=Yes,Minimum=0,Maximum=120",
       "Label=User," + kFlags + "FlagUserMissing=Yes,FlagSystemMissing=No,Minimum=0,Maximum=120"});
  Refs("age", {"Rule=$VD.SRule[1],OutcomeVar=o_sys", "Rule=$VD.SRule[2],OutcomeVar=o_user"});
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(Col("o_sys"), (std::vector<double>{1, 0, 0, 0, 1, 1, 0}));
  EXPECT_EQ(Col("o_user"), (std::vector<double>{1, 0, 0, 0, 1, 0, 1}));

  ASSERT_EQ(summary.rules.size(), 2u);
  const RuleOutcome& first = summary.rules[0];
  EXPECT_EQ(first.ruleName, "$VD.SRule[1]");
  EXPECT_EQ(first.referenceName, "$VD.SRuleRef[1]");
  EXPECT_EQ(first.analysisVariable, "age");
  EXPECT_EQ(first.label, "Sys");
  EXPECT_EQ(first.outcomeVariable, "o_sys");
  EXPECT_TRUE(first.created);
  EXPECT_EQ(first.violations, 3u);
  const ZIRA_Variable* out = data.GetVariable(data.FindVarIndex("o_sys"));
  EXPECT_EQ(out->GetFormat(), (ZiraFormat{kFmtNumber, 8, 0}));
  EXPECT_EQ(out->GetMeasurementLevel(), kLevelNominal);
  EXPECT_EQ(out->GetAttributes().Values("$VD.RuleOutcomeVar"), std::vector<std::string>{"Yes"});
  EXPECT_NE(out->GetLabel().find("Outcome of rule Sys"), std::string::npos);
}

TEST_F(RuleOutcomes, UnlabeledAndNonintegerFlagsCatchValidValuesInsideTheRange) {
  ZIRA_Variable* v = Num("v", {1, 2, 2.5, 3, 10});
  for (double x : {1.0, 2.0, 2.5}) v->GetValueLabels().AddPair(x, "l");
  Rules({"Label=Labelled," + kFlags + "FlagUserMissing=No,FlagSystemMissing=No,FlagUnlabeled=Yes",
         "Label=Whole," + kFlags +
             "FlagUserMissing=No,FlagSystemMissing=No,Maximum=5,"
             "FlagNoninteger=Yes"});
  Refs("v", {"Rule=$VD.SRule[1],OutcomeVar=o1", "Rule=$VD.SRule[2],OutcomeVar=o2"});
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(Col("o1"), (std::vector<double>{0, 0, 0, 1, 1}));
  EXPECT_EQ(Col("o2"), (std::vector<double>{0, 0, 1, 0, 1}));
}

TEST_F(RuleOutcomes, DateBoundsAreReadWithTheRuleFormat) {
  ZIRA_Variable* d = Num("visit", {DateValue(2024, 1, 31), DateValue(2024, 2, 1),
                                   DateValue(2024, 12, 31), DateValue(2025, 1, 1)});
  d->SetFormat({kFmtDate, 10, 0});
  OneRule("visit",
          "Label=In 2024,Type=Date,Format=dd/mm/yyyy,Domain=Range,FlagUserMissing=No,"
          "FlagSystemMissing=No,FlagBlank=No,Minimum=01/02/2024,Maximum=31/12/2024",
          "o");
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(Col("o"), (std::vector<double>{1, 0, 0, 1}));
}

TEST_F(RuleOutcomes, ListRulesCompareNumbersNumericallyAndStringsWithCaseSensitive) {
  Num("n", {1, 2.5, 4, 3});
  Str("s", {"a", "A", "b", "\xC3\xA9", "\xC3\x89", "c"});
  Rules(
      {"Label=Codes,Type=Numeric,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
       "FlagBlank=No,List=1 2.50 '3.0',CaseSensitive=No",
       "Label=Exact,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
       "FlagBlank=No,List=a b \xC3\xA9,CaseSensitive=Yes",
       "Label=Any case,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
       "FlagBlank=No,List=a b \xC3\xA9,CaseSensitive=No"});
  Refs("n", {"Rule=$VD.SRule[1],OutcomeVar=o_n"});
  Refs("s", {"Rule=$VD.SRule[2],OutcomeVar=o_exact", "Rule=$VD.SRule[3],OutcomeVar=o_any"});
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(Col("o_n"), (std::vector<double>{0, 0, 1, 0, 0, 0}));  // cases 5, 6 system-missing
  EXPECT_EQ(Col("o_exact"), (std::vector<double>{0, 1, 0, 0, 1, 1}));
  EXPECT_EQ(Col("o_any"), (std::vector<double>{0, 0, 0, 0, 0, 1}));
}

TEST_F(RuleOutcomes, StringRangeIsByteWiseAndMissingStringsBreakOnlyThroughTheirFlags) {
  ZIRA_Variable* s = Str("s", {"apple", "banana", "yak", "zoo", "", "NA"});
  ZiraMissingValues mv;
  mv.strings = {"NA"};
  s->SetMissingValues(mv);
  Rules(
      {"Label=Blank,Type=String,Domain=Range,FlagUserMissing=No,FlagSystemMissing=Yes,"
       "FlagBlank=Yes,Minimum=b,Maximum=y",
       "Label=User,Type=String,Domain=Range,FlagUserMissing=Yes,FlagSystemMissing=No,"
       "FlagBlank=No,Minimum=b,Maximum=y"});
  Refs("s", {"Rule=$VD.SRule[1],OutcomeVar=o1", "Rule=$VD.SRule[2],OutcomeVar=o2"});
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(Col("o1"), (std::vector<double>{1, 0, 1, 1, 1, 0}));
  EXPECT_EQ(Col("o2"), (std::vector<double>{1, 0, 1, 1, 0, 1}));
}

TEST_F(RuleOutcomes, PatternMustMatchTheWholeValue) {
  Str("code", {"AB123", "AB1234", "ab123", ""});
  OneRule("code",
          "Label=Code form,Type=String,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,"
          "FlagBlank=No,Minimum=A,Pattern=\"[A-Z]{2}[0-9]{3}\"",
          "o");
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(Col("o"), (std::vector<double>{0, 1, 1, 0}));
}

TEST_F(RuleOutcomes, CustomRuleIsBrokenOnlyWhereItsExpressionIsTrueNotWhereItIsUnknown) {
  Num("age", {10, 10, kSys, 20, 12});
  Num("children", {1, kSys, 2, 3, 0});
  Custom({"", "Label=Young parent,Expression='age < 16 and children > 0',OutcomeVar=young"});
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(Col("young"), (std::vector<double>{1, 0, 0, 0, 0}));
  ASSERT_EQ(summary.rules.size(), 1u);
  EXPECT_EQ(summary.rules[0].ruleName, "$VD.CRule[2]");
  EXPECT_TRUE(summary.rules[0].referenceName.empty());
  EXPECT_EQ(summary.rules[0].violations, 1u);
}

TEST_F(RuleOutcomes, ExistingOutcomeVariablesAreReplacedInPlace) {
  Num("age", {-5, 30});
  ZIRA_Variable* old = Num("AGE_OUT", {7, 7});
  old->GetAttributes().Set("$VD.RuleOutcomeVar", {"yes"});
  OneRule("age", "Label=Adults," + kFlags + "FlagUserMissing=No,FlagSystemMissing=No,Minimum=18",
          "age_out");
  const int columns = data.ColumnCount();
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(data.ColumnCount(), columns);
  EXPECT_EQ(Col("age_out"), (std::vector<double>{1, 0}));
  ASSERT_EQ(summary.rules.size(), 1u);
  EXPECT_FALSE(summary.rules[0].created);
  EXPECT_EQ(summary.rules[0].outcomeVariable, "AGE_OUT");  // as the dictionary spells it

  data.GetVariable(0)->SetNumber(1, 10);  // a second run replaces what the first made
  ASSERT_TRUE(Run()) << error;
  EXPECT_EQ(data.ColumnCount(), columns);
  EXPECT_EQ(Col("age_out"), (std::vector<double>{1, 1}));
}

TEST_F(RuleOutcomes, ErrorsNameTheRuleAndLeaveTheDatasetAlone) {
  Num("age", {1, 2});
  Num("income", {3, 4});
  Str("name", {"x", "y"});
  const std::string good = "Label=Ok," + kFlags + "FlagUserMissing=No,FlagSystemMissing=Yes";
  Custom({"Label=Fine,Expression=age > 1,OutcomeVar=c1"});  // would be created

  // A rule text error: the procedure's own message, even though the outcome variable it
  // names does not exist yet.
  Rules({good});
  Refs("age", {"Rule=$VD.SRule[9],OutcomeVar=new_out"});
  ExpectFailureLeavesDataAlone();
  EXPECT_EQ(error, "Invalid link $VD.SRule[9], rule reference $VD.SRuleRef[1], variable age ...");

  Rules({"Label='Ok," + kFlags});
  Refs("age", {"Rule=$VD.SRule[1],OutcomeVar=new_out"});
  ExpectFailureLeavesDataAlone();
  EXPECT_EQ(error, "Unbalanced quotes for standard rule $VD.SRule[1] ...");

  // An existing variable that is not marked is not taken over.
  Rules({good});
  Refs("age", {"Rule=$VD.SRule[1],OutcomeVar=income"});
  ExpectFailureLeavesDataAlone();
  EXPECT_EQ(error,
            "Invalid outcome variable income, rule reference $VD.SRuleRef[1], variable age ...");

  // A string outcome variable.
  Refs("age", {"Rule=$VD.SRule[1],OutcomeVar=name"});
  ExpectFailureLeavesDataAlone();
  EXPECT_NE(error.find("name"), std::string::npos) << error;
  EXPECT_NE(error.find("$VD.SRuleRef[1]"), std::string::npos) << error;
  EXPECT_NE(error.find("string"), std::string::npos) << error;

  // An outcome variable that holds rule references itself.
  data.GetVariable(1)->GetAttributes().Set("$VD.RuleOutcomeVar", {"Yes"});
  Refs("age", {"Rule=$VD.SRule[1],OutcomeVar=income"});
  Refs("income", {"", "Rule=$VD.SRule[1],OutcomeVar=o_income"});
  ExpectFailureLeavesDataAlone();
  EXPECT_NE(error.find("income"), std::string::npos) << error;
  EXPECT_NE(error.find("$VD.SRuleRef[2]"), std::string::npos) << error;
  Refs("income", {});

  // Bounds, list items, formats and patterns that cannot be read.
  const std::string lead =
      "Label=Bad,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,"
      "FlagBlank=No,";
  Refs("age", {"Rule=$VD.SRule[1],OutcomeVar=o_age"});
  Refs("name", {"Rule=$VD.SRule[2],OutcomeVar=o_name"});
  for (const std::string& rule :
       {lead + "Type=Numeric,Minimum=ten", lead + "Type=Numeric,Maximum=1e",
        std::string("Label=Bad,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=No,"
                    "Type=Numeric,List=1 two,CaseSensitive=No")}) {
    Rules({rule,
           "Label=S,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
           "FlagBlank=No,List=x,CaseSensitive=No"});
    ExpectFailureLeavesDataAlone();
    EXPECT_NE(error.find("$VD.SRule[1] (Bad)"), std::string::npos) << error;
  }
  data.GetVariable(0)->SetFormat({kFmtDate, 10, 0});
  for (const std::string& dated : {lead + "Type=Date,Format=dd/mm/yyyy,Minimum=31/02/2024",
                                   lead + "Type=Date,Format=bogus,Minimum=1"}) {
    Rules({dated,
           "Label=S,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
           "FlagBlank=No,List=x,CaseSensitive=No"});
    ExpectFailureLeavesDataAlone();
    EXPECT_NE(error.find("$VD.SRule[1] (Bad)"), std::string::npos) << error;
  }
  data.GetVariable(0)->SetFormat({kFmtNumber, 8, 2});
  Rules({good, lead + "Type=String,Minimum=a,Pattern=\"[a-\""});
  ExpectFailureLeavesDataAlone();
  EXPECT_NE(error.find("$VD.SRule[2] (Bad)"), std::string::npos) << error;
  EXPECT_NE(error.find("Pattern"), std::string::npos) << error;

  // A custom rule whose expression does not compile, after rules that would succeed.
  Rules({good,
         "Label=S,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
         "FlagBlank=No,List=x,CaseSensitive=No"});
  Custom({"Label=Fine,Expression=age > 1,OutcomeVar=c1",
          "Label=Typo,Expression=age + agee > 1,OutcomeVar=c2"});
  ExpectFailureLeavesDataAlone();
  EXPECT_NE(error.find("$VD.CRule[2] (Typo)"), std::string::npos) << error;
  EXPECT_NE(error.find("column 7"), std::string::npos) << error;
  EXPECT_NE(error.find("agee"), std::string::npos) << error;

  Custom({"Label=Fine,Expression=age > 1,OutcomeVar=c1"});  // the same setting now succeeds
  EXPECT_TRUE(Run()) << error;
}

// The outcome columns against a count made here with plain loops, on seeded data.
TEST_F(RuleOutcomes, OutcomeColumnsMatchAnIndependentCountOnGeneratedData) {
  constexpr size_t kN = 20000;
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> pick(0, 99);
  std::vector<double> x(kN), y(kN);
  std::vector<std::string> s(kN);
  const char* words[] = {"red", "Red", "green", "blue", "", "NA"};
  for (size_t r = 0; r < kN; ++r) {
    const int p = pick(rng);
    x[r] = p < 5 ? kSys : p < 8 ? -9 : (pick(rng) - 10) * 1.5;
    y[r] = p % 7 == 0 ? kSys : pick(rng);
    s[r] = words[pick(rng) % 6];
  }
  ZIRA_Variable* xv = Num("x", x);
  Num("y", y);
  ZIRA_Variable* sv = Str("s", s);
  ZiraMissingValues mx, ms;
  mx.values = {-9};
  ms.strings = {"NA"};
  xv->SetMissingValues(mx);
  sv->SetMissingValues(ms);
  Rules({"Label=R1," + kFlags +
             "FlagUserMissing=Yes,FlagSystemMissing=No,Minimum=0,Maximum=100,"
             "FlagNoninteger=Yes",
         "Label=R2,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=Yes,"
         "List=red green,CaseSensitive=Yes"});
  Refs("x", {"Rule=$VD.SRule[1],OutcomeVar=ox"});
  Refs("s", {"Rule=$VD.SRule[2],OutcomeVar=os"});
  Custom({"Label=C1,Expression=x > y OR y = 50,OutcomeVar=oc"});
  ASSERT_TRUE(Run()) << error;

  std::vector<double> ex(kN), es(kN), ec(kN);
  for (size_t r = 0; r < kN; ++r) {
    if (x[r] == kSys)
      ex[r] = 0;
    else if (x[r] == -9)
      ex[r] = 1;
    else
      ex[r] = (x[r] < 0 || x[r] > 100 || x[r] != std::floor(x[r])) ? 1 : 0;
    if (s[r] == "NA")
      es[r] = 0;
    else if (s[r].empty())
      es[r] = 1;
    else
      es[r] = (s[r] == "red" || s[r] == "green") ? 0 : 1;
    const bool xOk = x[r] != kSys && x[r] != -9, yOk = y[r] != kSys;
    const bool gt = xOk && yOk && x[r] > y[r], fifty = yOk && y[r] == 50;
    ec[r] = (gt || fifty) ? 1 : 0;
  }
  EXPECT_EQ(Col("ox"), ex);
  EXPECT_EQ(Col("os"), es);
  EXPECT_EQ(Col("oc"), ec);
  ASSERT_EQ(summary.rules.size(), 3u);
  auto ones = [](const std::vector<double>& v) {
    return size_t(std::count(v.begin(), v.end(), 1));
  };
  EXPECT_EQ(summary.rules[0].violations, ones(ex));
  EXPECT_EQ(summary.rules[1].violations, ones(es));
  EXPECT_EQ(summary.rules[2].violations, ones(ec));
  EXPECT_GT(ones(ex), 0u);
  EXPECT_GT(ones(ec), 0u);
}

}  // namespace

namespace {

// The rollback the rules command relies on when creating its variables fails half-way.
TEST(RemoveVariablesFrom, DropsTheAppendedVariablesAndFreesTheirNames) {
  ZIRA_DataSource data;
  data.SetCaseCount(3);
  data.AddVariable("keep", 0);
  data.AddVariable("new1", 0);
  data.AddVariable("new2", 4);
  data.RemoveVariablesFrom(1);
  EXPECT_EQ(data.ColumnCount(), 1);
  EXPECT_EQ(data.FindVarIndex("keep"), 0);
  EXPECT_EQ(data.FindVarIndex("NEW1"), -1);
  EXPECT_NE(data.AddVariable("new1", 0), nullptr);
}

}  // namespace
