// Seeded generator of realistic benchmark datasets (CSV + Table Schema descriptor).
//   zira_gen standard N OUT.csv   N cases: split variable (4 groups), 2 identifiers with 1 %
//                                 duplicates and a few incomplete, 20 analysis variables of
//                                 mixed kinds (about 0.05 % of cases have them all empty),
//                                 3 rule outcome variables with their rules
//   zira_gen wide N V OUT.csv     N cases x V numeric and categorical variables
//   zira_gen highcard N OUT.csv   the standard dataset and one more analysis variable, a
//                                 nominal `code` with min(N, 1,000,000) distinct values
//   zira_gen highcard3 N OUT.csv  three columns: an identifier, a string with about N/2
//                                 distinct values, a count
// The same arguments and seed always give the same bytes.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

class Writer {
 public:
  explicit Writer(const std::string& path) : fFile(std::fopen(path.c_str(), "wb")) {
    if (!fFile) {
      std::perror(path.c_str());
      std::exit(1);
    }
    fBuf.reserve(1 << 20);
  }
  ~Writer() {
    Flush();
    std::fclose(fFile);
  }
  void Put(const char* s, size_t n) {
    fBuf.append(s, n);
    if (fBuf.size() > (1 << 20) && !fHold) Flush();
  }
  // Mark() starts a part of the output that Rewind() can take back (nothing is flushed in
  // between); Release() keeps it.
  size_t Mark() {
    fHold = true;
    return fBuf.size();
  }
  void Rewind(size_t mark) {
    fBuf.resize(mark);
    fHold = false;
  }
  void Release() { fHold = false; }
  void Put(const std::string& s) { Put(s.data(), s.size()); }
  void Put(char c) { Put(&c, 1); }
  void Num(double d) {
    char b[32];
    auto r = std::to_chars(b, b + 32, d);
    Put(b, static_cast<size_t>(r.ptr - b));
  }
  void Fixed(double d, int decimals) {
    char b[48];
    auto r = std::to_chars(b, b + 48, d, std::chars_format::fixed, decimals);
    Put(b, static_cast<size_t>(r.ptr - b));
  }
  void Int(long long v) {
    char b[24];
    auto r = std::to_chars(b, b + 24, v);
    Put(b, static_cast<size_t>(r.ptr - b));
  }
  void Flush() {
    std::fwrite(fBuf.data(), 1, fBuf.size(), fFile);
    fBuf.clear();
  }

 private:
  std::FILE* fFile;
  std::string fBuf;
  bool fHold = false;
};

std::string SchemaPath(const std::string& csv) {
  std::string base = csv.size() > 4 && csv.substr(csv.size() - 4) == ".csv"
                         ? csv.substr(0, csv.size() - 4) : csv;
  return base + ".schema.json";
}

void WriteText(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

const char* kColors[] = {"red", "green", "blue", "yellow", "black", "white", "grey", "purple"};

// Distinct values of the high-cardinality variable `code`.
constexpr long kCodes = 1000000;

// withCode: one more column, `code`, an analysis variable whose value for case c is one of
// kCodes seven-digit numbers, the first kCodes cases each their own and in no order (every
// other column is as without it).
void Standard(long n, const std::string& out, bool withCode) {
  std::mt19937_64 rng(20261206);
  std::normal_distribution<double> normal(0.0, 1.0);
  std::uniform_real_distribution<double> unif(0.0, 1.0);
  // Empty cases come from a stream of their own, so every other value stays as it was.
  std::mt19937_64 rngEmpty(4242);
  Writer w(out);
  w.Put("region,hhid,person");
  for (int i = 1; i <= 20; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, ",a%02d", i);
    w.Put(name);
  }
  w.Put(withCode ? ",out_range,out_list,out_cust,code\n" : ",out_range,out_list,out_cust\n");
  // 611953 is prime to kCodes, so k -> k * 611953 mod kCodes takes each value once.
  auto endCase = [&](long c, bool empty) {
    if (withCode) {
      w.Put(',');
      if (!empty) w.Int(1000000 + (c % kCodes) * 611953 % kCodes);
    }
    w.Put('\n');
  };
  long hh = 0;
  int personInHh = 0;
  double prevHh = 1;
  char prevPerson[8] = "P1";
  for (long c = 0; c < n; ++c) {
    int region = static_cast<int>(c * 4 / n) + 1;
    double u = unif(rng);
    double hhid;
    char person[8];
    if (u < 0.01 && c > 0) {  // a duplicate of the previous case's identifier
      hhid = prevHh;
      std::memcpy(person, prevPerson, sizeof person);
    } else {
      if (unif(rng) < 0.4) {  // a new household
        ++hh;
        personInHh = 0;
      }
      hhid = static_cast<double>(hh + 1);
      // Persons are numbered within their household, so identifiers repeat only where a
      // duplicate is made on purpose (the draw is kept so that the other values stay as
      // they were).
      unif(rng);
      std::snprintf(person, sizeof person, "P%d", ++personInHh % 1000);
    }
    prevHh = hhid;
    std::memcpy(prevPerson, person, sizeof person);
    bool hhMissing = unif(rng) < 0.001, personBlank = unif(rng) < 0.001;
    w.Int(region);
    w.Put(',');
    if (!hhMissing) w.Int(static_cast<long long>(hhid));
    w.Put(',');
    if (!personBlank) w.Put(person, std::strlen(person));
    const bool emptyCase = unif(rngEmpty) < 0.0005;
    const size_t mark = w.Mark();
    // a01..a06 continuous, a01 standard normal (range rule -3..3), a06 mostly missing
    double a[7];
    for (int i = 1; i <= 6; ++i) {
      a[i] = normal(rng) * i + 10 * (i - 1);
      bool missing = unif(rng) < (i == 6 ? 0.8 : 0.03);
      w.Put(',');
      if (!missing) w.Fixed(a[i], 3);
      if (missing) a[i] = NAN;
    }
    // a07 nearly constant
    w.Put(',');
    w.Num(unif(rng) < 0.999 ? 100.0 : 100.5);
    // a08..a12 coded categories 1..5 with -9 refused
    int code8 = 0;
    for (int i = 8; i <= 12; ++i) {
      int code = static_cast<int>(unif(rng) * 5) + 1;
      if (unif(rng) < 0.02) code = -9;
      if (i == 12 && unif(rng) < 0.97) code = 1;  // one category too large
      if (i == 8) code8 = code;
      w.Put(',');
      w.Int(code);
    }
    // a13..a15 strings: colours, a blank-heavy one, a nearly unique one
    w.Put(',');
    w.Put(kColors[static_cast<int>(unif(rng) * 8)]);
    w.Put(',');
    if (unif(rng) > 0.5) w.Put(kColors[static_cast<int>(unif(rng) * 3)]);
    w.Put(',');
    w.Put('u');
    w.Int(static_cast<long long>(rng() % static_cast<unsigned long long>(n * 4 + 1)));
    // a16 a date in ISO form
    {
      int day = static_cast<int>(unif(rng) * 3650);
      int y = 2015 + day / 365, d = day % 365, m = d / 31 + 1, dd = d % 28 + 1;
      char b[32];
      std::snprintf(b, sizeof b, ",%04d-%02d-%02d", y, m > 12 ? 12 : m, dd);
      w.Put(b, std::strlen(b));
    }
    // a17..a20 counts
    for (int i = 17; i <= 20; ++i) {
      w.Put(',');
      w.Int(static_cast<long long>(unif(rng) * (i == 20 ? 1000 : 20)));
    }
    if (emptyCase) {  // every analysis variable empty: no rule is broken
      w.Rewind(mark);
      w.Put(",,,,,,,,,,,,,,,,,,,,,0,0,0", 26);
      endCase(c, true);
      continue;
    }
    w.Release();
    // outcomes of the three rules
    bool outRange = !std::isnan(a[1]) && (a[1] < -3 || a[1] > 3);
    bool outList = code8 != -9 && (code8 < 1 || code8 > 4);
    bool outCust = !std::isnan(a[2]) && !std::isnan(a[3]) && a[2] > a[3];
    w.Put(outRange ? ",1" : ",0");
    w.Put(outList ? ",1" : ",0");
    w.Put(outCust ? ",1" : ",0");
    endCase(c, false);
  }
  std::string schema = R"({
  "fields": [
    {"name": "region", "type": "integer", "title": "Region",
     "categories": [{"value": 1, "label": "North"}, {"value": 2, "label": "East"},
                    {"value": 3, "label": "South"}, {"value": 4, "label": "West"}]},
    {"name": "hhid", "type": "integer", "title": "Household"},
    {"name": "person", "type": "string", "title": "Person in household", "constraints": {"maxLength": 4}},
)";
  for (int i = 1; i <= 6; ++i) {
    schema += "    {\"name\": \"a0" + std::to_string(i) + "\", \"type\": \"number\", \"zira.level\": \"scale\"";
    if (i == 1)
      schema += ", \"zira.attributes\": {\"$VD.SRuleRef\": [\"Rule=$VD.SRule[1],OutcomeVar=out_range\"]}";
    schema += "},\n";
  }
  schema += "    {\"name\": \"a07\", \"type\": \"number\", \"zira.level\": \"scale\"},\n";
  for (int i = 8; i <= 12; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "a%02d", i);
    schema += std::string("    {\"name\": \"") + name +
              "\", \"type\": \"integer\", \"zira.level\": \"nominal\", \"categories\": "
              "[{\"value\": 1, \"label\": \"one\"}, {\"value\": 2, \"label\": \"two\"}, "
              "{\"value\": 3, \"label\": \"three\"}, {\"value\": 4, \"label\": \"four\"}], "
              "\"missingValues\": [{\"value\": \"-9\", \"label\": \"Refused\"}]";
    if (i == 8)
      schema += ", \"zira.attributes\": {\"$VD.SRuleRef\": [\"Rule=$VD.SRule[2],OutcomeVar=out_list\"]}";
    schema += "},\n";
  }
  schema += R"(    {"name": "a13", "type": "string", "constraints": {"maxLength": 8}},
    {"name": "a14", "type": "string", "constraints": {"maxLength": 8}},
    {"name": "a15", "type": "string", "constraints": {"maxLength": 12}},
    {"name": "a16", "type": "date"},
    {"name": "a17", "type": "integer", "zira.level": "scale"},
    {"name": "a18", "type": "integer", "zira.level": "scale"},
    {"name": "a19", "type": "integer", "zira.level": "scale"},
    {"name": "a20", "type": "integer", "zira.level": "scale"},
    {"name": "out_range", "type": "integer", "zira.attributes": {"$VD.RuleOutcomeVar": ["Yes"]}},
    {"name": "out_list", "type": "integer", "zira.attributes": {"$VD.RuleOutcomeVar": ["Yes"]}},
    {"name": "out_cust", "type": "integer", "zira.attributes": {"$VD.RuleOutcomeVar": ["Yes"]}}@CODE@
  ],
  "zira.attributes": {
    "$VD.SRule": [
      "Label='Score within 3 SD',Type=Numeric,Domain=Range,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=No,Minimum=-3,Maximum=3",
      "Label='Known code',Type=Numeric,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,FlagBlank=No,List=1 2 3 4,CaseSensitive=No"
    ],
    "$VD.CRule": [
      "Label='a02 above a03',Expression='a02 > a03',OutcomeVar=out_cust"
    ]
  }
}
)";
  const std::string code = ",\n    {\"name\": \"code\", \"type\": \"integer\", \"title\": \"Area code\", "
                           "\"zira.level\": \"nominal\"}";
  schema.replace(schema.find("@CODE@"), 6, withCode ? code : "");
  WriteText(SchemaPath(out), schema);
}

void Wide(long n, int nVars, const std::string& out) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> unif(0.0, 1.0);
  Writer w(out);
  w.Put("id");
  for (int v = 1; v <= nVars; ++v) {
    w.Put(",v");
    w.Int(v);
  }
  w.Put('\n');
  for (long c = 0; c < n; ++c) {
    w.Int(c + 1);
    for (int v = 1; v <= nVars; ++v) {
      w.Put(',');
      if (unif(rng) < 0.05) continue;
      if (v % 2 == 0) {
        w.Int(static_cast<long long>(unif(rng) * 7));
      } else {
        w.Fixed(unif(rng) * 100, 2);
      }
    }
    w.Put('\n');
  }
  std::string schema = "{\n  \"fields\": [\n    {\"name\": \"id\", \"type\": \"integer\"}";
  for (int v = 1; v <= nVars; ++v) {
    schema += ",\n    {\"name\": \"v" + std::to_string(v) + "\", \"type\": \"" +
              (v % 2 == 0 ? "integer\", \"zira.level\": \"nominal\"}" : "number\", \"zira.level\": \"scale\"}");
  }
  schema += "\n  ]\n}\n";
  WriteText(SchemaPath(out), schema);
}

void HighCard3(long n, const std::string& out) {
  std::mt19937_64 rng(11);
  Writer w(out);
  w.Put("id,code,x\n");
  for (long c = 0; c < n; ++c) {
    w.Int(c + 1);
    w.Put(",c");
    w.Int(static_cast<long long>(rng() % static_cast<unsigned long long>(n / 2 + 1)));
    w.Put(',');
    w.Int(static_cast<long long>(rng() % 100));
    w.Put('\n');
  }
  WriteText(SchemaPath(out), R"({
  "fields": [
    {"name": "id", "type": "integer"},
    {"name": "code", "type": "string", "constraints": {"maxLength": 12}, "zira.level": "nominal"},
    {"name": "x", "type": "integer", "zira.level": "scale"}
  ]
}
)");
}

int Usage() {
  std::fprintf(stderr,
               "usage: zira_gen standard N OUT.csv | wide N V OUT.csv | highcard N OUT.csv |\n"
               "       zira_gen highcard3 N OUT.csv\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  std::string kind = argv[1];
  long n = std::atol(argv[2]);
  if (n <= 0) return Usage();
  if (kind == "standard" && argc == 4) {
    Standard(n, argv[3], false);
  } else if (kind == "wide" && argc == 5) {
    Wide(n, std::atoi(argv[3]), argv[4]);
  } else if (kind == "highcard" && argc == 4) {
    Standard(n, argv[3], true);
  } else if (kind == "highcard3" && argc == 4) {
    HighCard3(n, argv[3]);
  } else {
    return Usage();
  }
  return 0;
}
