// Feeds arbitrary texts to the rule text parser as a standard rule, a rule reference, a
// custom rule and a standard rule reached through a reference. Every text must either parse
// or fail with a message that names the element it came from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "backend/validatedata/VDTRuleSpecs.h"
#include "host/data/ZIRA_DataSource.h"

namespace {

struct FuzzData {
  FuzzData() {
    data.AddVariable("age", 0, nullptr);
    data.AddVariable("name", 12, nullptr);
    ZIRA_Variable* dob = data.AddVariable("dob", 0, nullptr);
    dob->SetFormat({20, 10, 0});
    for (const char* o : {"o1", "o2"}) {
      data.AddVariable(o, 0, nullptr)->GetAttributes().Set("$VD.RuleOutcomeVar", {"Yes"});
    }
  }
  ZIRA_DataSource data;
};

void Require(bool ok, const VDTRuleSpecs& record, const char* element, const char* other) {
  if (ok) return;
  const std::string& error = record.GetErrorString();
  if (error.empty() || (error.find(element) == std::string::npos &&
                        (!other || error.find(other) == std::string::npos))) {
    std::abort();  // a failure that does not say where it is
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static FuzzData fuzz;
  if (size == 0) return 0;
  const int mode = bytes[0] % 4;
  const int column = (size > 1 ? bytes[1] : 0) % 3;  // age, name or dob
  const std::string text(reinterpret_cast<const char*>(bytes) + 1, size - 1);
  fuzz.data.GetAttributes().Set(
      "$VD.SRule",
      {"Label=Numbers,Type=Numeric,Domain=Range,FlagUserMissing=Yes,FlagSystemMissing=No,"
       "FlagBlank=No",
       "Label=Texts,Type=String,Domain=List,FlagUserMissing=No,FlagSystemMissing=No,"
       "FlagBlank=Yes,List='a b' c,CaseSensitive=No"});
  switch (mode) {
    case 0: {
      VDTRuleSpecs record(fuzz.data, true, -1);
      Require(record.LoadRule(text, 1), record, "$VD.SRule[1]", nullptr);
      break;
    }
    case 1: {
      VDTRuleSpecs record(fuzz.data, true, column);
      // A reference names itself, or the standard rule it linked when that rule does not fit.
      Require(record.LoadRule(text, 1), record, "$VD.SRuleRef[1]", "$VD.SRule[");
      break;
    }
    case 2: {
      VDTRuleSpecs record(fuzz.data, false, -1);
      Require(record.LoadRule(text, 1), record, "$VD.CRule[1]", nullptr);
      break;
    }
    default: {
      fuzz.data.GetAttributes().SetElement("$VD.SRule", 1, text);
      VDTRuleSpecs record(fuzz.data, true, column);
      Require(record.LoadRule("Rule=$VD.SRule[1],OutcomeVar=o1", 1), record, "$VD.SRule[1]",
              "$VD.SRuleRef[1]");
      break;
    }
  }
  return 0;
}
