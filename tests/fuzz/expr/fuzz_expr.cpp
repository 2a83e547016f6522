// Fuzzes the expression language: any text either compiles or gives an error with a place in
// the text; a compiled expression evaluates for every case, column-wise and case by case,
// to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/data/ZIRA_DataSource.h"
#include "host/expr/Expression.h"

namespace {

const ZIRA_DataSource& Data() {
  static ZIRA_DataSource ds = [] {
    ZIRA_DataSource d;
    d.SetCaseCount(5);
    ZIRA_Variable* x = d.AddVariable("x", 0);
    ZIRA_Variable* y = d.AddVariable("y", 0);
    ZIRA_Variable* s = d.AddVariable("s", 6);
    ZiraMissingValues mv;
    mv.values = {-1};
    y->SetMissingValues(mv);
    const double xs[] = {0, 1.5, -3, MCMV::gMissingValue, 1e300};
    const char* ss[] = {"", "a", "NA", "abc de", "\xC3\xA9"};
    for (size_t r = 0; r < 5; ++r) {
      x->SetNumber(r, xs[r]);
      y->SetNumber(r, r % 2 ? -1 : static_cast<double>(r));
      s->SetString(r, ss[r]);
    }
    return d;
  }();
  return ds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ExprError error;
  auto e = Expression::Compile(text, Data(), &error);
  if (!e) {
    if (error.message.empty() || error.offset > text.size()) std::abort();
    (void)error.Format(text);
    return 0;
  }
  size_t cases = Data().CaseCount();
  if (e->IsString()) {
    std::vector<char> cells;
    e->EvaluateStringColumn(8, &cells);
    for (size_t r = 0; r < cases; ++r) (void)e->EvaluateString(r);
    return 0;
  }
  std::vector<double> column;
  e->EvaluateNumeric(&column);
  for (size_t r = 0; r < cases; ++r) {
    double v = e->EvaluateNumeric(r);
    if (!(v == column[r])) std::abort();  // also catches NaN, which no expression gives
  }
  return 0;
}
