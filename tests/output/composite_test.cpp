// The composite formatter: every format the procedure uses, list brackets with first, middle
// and last parts, split lists, and malformed formats that must show an error, not crash.
#include <gtest/gtest.h>

#include "host/output/BpComposite.h"
#include "host/output/BpDocument.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"

namespace {

BpString U(const std::string& s) { return BpString(s, false); }
BpNumber Count(double v) { return BpNumber(v, BpProcedure::Count); }

std::string ListOf(const std::string& format, const std::vector<std::string>& elements) {
  BpComposite c(format, false);
  c.Sublist();
  for (const auto& e : elements) c.Add(U(e));
  return c.Finish().Text();
}

TEST(CompositeFormat, CaseNumberListsAreCommaSeparated) {
  EXPECT_EQ(ListOf("[%1:, ^1:]1", {"4", "9", "12"}), "4, 9, 12");
  EXPECT_EQ(ListOf("[%1:, ^1:]1", {"4"}), "4");
  EXPECT_EQ(ListOf("[%1:, ^1:]1", {}), "");
}

TEST(CompositeFormat, TruncatedCaseListEndsInAnEllipsisInsteadOfItsLastItem) {
  EXPECT_EQ(ListOf("[%1:, ^1:...]1", {"1", "2", "3"}), "1, 2...");
}

TEST(CompositeFormat, OneVariablePerLine) {
  EXPECT_EQ(ListOf("[%1:\\n^1:]1", {"q1", "q7", "age"}), "q1\nq7\nage");
}

TEST(CompositeFormat, RuleAndCountPairsTakeTwoElementsPerItem) {
  BpComposite c("[%1 (%2):\\n^1 (^2):]1", false);
  c.Sublist().Add(U("Age 0 to 120")).Add(Count(1)).Add(U("Known region")).Add(Count(2));
  EXPECT_EQ(c.Finish().Text(), "Age 0 to 120 (1)\nKnown region (2)");
}

TEST(CompositeFormat, RuleDescriptionLinesHaveNoTrailingLineBreak) {
  BpComposite c("[:^1\\: ^2\\n:$1\\: $2]1", false);
  c.Sublist().Add(U("Type")).Add(U("Numeric")).Add(U("Domain")).Add(U("Range"));
  c.Add(U("Rule")).Add(U("$VD.SRule[1]"));
  EXPECT_EQ(c.Finish().Text(), "Type: Numeric\nDomain: Range\nRule: $VD.SRule[1]");
}

TEST(CompositeFormat, PlainPlaceholdersTakeTheAddedTextsInOrder) {
  BpComposite c("More than ^1 cases with violations. ^2 displayed...", true);
  c.Add(Count(3)).Add(Count(3));
  EXPECT_EQ(c.Finish().Text(), "More than 3 cases with violations. 3 displayed...");
  BpComposite d("Case Report not displayed violations less than ^1 ...", true);
  EXPECT_EQ(d.Add(Count(2)).Finish().Text(),
            "Case Report not displayed violations less than 2 ...");
  BpComposite e("Cases Missing > ^1", true);
  EXPECT_EQ(e.Add(BpNumber(70, BpProcedure::Percent)).Finish().Text(), "Cases Missing > 70.0%");
}

TEST(CompositeFormat, ListArgumentAndTextArgumentShareOneNumbering) {
  BpDocument doc;
  Session s;
  s.SetOutput(&doc);
  Session::Scope scope(s);
  doc.SetCurrentSplit({{"region", "1 (North)"}, {"sex", "2 (Female)"}});
  BpComposite c("Split [%1 = %2:,^1 = ^2:]1 violations less ^2 ...", true);
  c.Sublist().SplitList().EndSublist().Add(Count(2));
  EXPECT_EQ(c.Finish().Text(), "Split region = 1 (North),sex = 2 (Female) violations less 2 ...");
  BpComposite w("Split [%1 = %2:,^1 = ^2:]1 output not displayed ...", true);
  EXPECT_EQ(w.SplitList().Finish().Text(),
            "Split region = 1 (North),sex = 2 (Female) output not displayed ...");
}

TEST(CompositeFormat, SplitListWithoutSessionIsAnEmptyList) {
  BpComposite w("Split [%1 = %2:,^1 = ^2:]1 output", false);
  EXPECT_EQ(w.SplitList().Finish().Text(), "Split  output");
}

TEST(CompositeFormat, FirstMiddleAndLastPartsApplyToTheirItems) {
  EXPECT_EQ(ListOf("[<%1>:, %1:; and %1]1", {"a", "b", "c", "d"}), "<a>, b, c; and d");
  EXPECT_EQ(ListOf("[<%1>:, %1:; and %1]1", {"a", "b"}), "<a>; and b");
  EXPECT_EQ(ListOf("[<%1>:, %1:; and %1]1", {"a"}), "<a>");
  EXPECT_EQ(ListOf("[%1,]1", {"a", "b"}), "a,b,");  // one part: every item alike
}

TEST(CompositeFormat, EscapesGiveLiteralColonsBracketsAndLineBreaks) {
  BpComposite c("a\\:b \\[x\\] c\\nd \\\\ ^1", false);
  EXPECT_EQ(c.Add(U("z")).Finish().Text(), "a:b [x] c\nd \\ z");
  EXPECT_EQ(BpComposite("ratio 3:4", false).Text(), "ratio 3:4");
}

TEST(CompositeFormat, ArgumentTextsAreNotReadAsFormat) {
  BpComposite c("^1 and ^2", false);
  EXPECT_EQ(c.Add(U("^2 [%1]1")).Add(U("x")).Finish().Text(), "^2 [%1]1 and x");
}

TEST(CompositeFormat, MissingArgumentsAndElementsStayAsWritten) {
  BpComposite c("^1 of ^3", false);
  EXPECT_EQ(c.Add(U("one")).Finish().Text(), "one of ^3");
  EXPECT_EQ(ListOf("[%1=%2:, %1=%2:]1", {"a", "1", "b"}), "a=1, b=%2");
  EXPECT_EQ(BpComposite("list: [%1:, %1:]2", false).Add(U("x")).Text(), "list: ");
}

TEST(CompositeFormat, MalformedFormatsShowTheErrorAndKeepTheArguments) {
  struct Case {
    const char* format;
    const char* error;
  };
  const Case cases[] = {
      {"[%1:, ^1:", "'[' is not closed at column 1"},
      {"a ]1", "']' without '[' at column 3"},
      {"[%1:, ^1:]", "list number missing after ']' at column 10"},
      {"[%1:[x]1:]1", "a list bracket inside a list bracket at column 5"},
      {"[a:b:c:d]1", "a list bracket has more than three parts at column 7"},
      {"[a]0", "list number 0 after ']' at column 3"},
  };
  for (const Case& k : cases) {
    BpComposite c(k.format, false);
    EXPECT_FALSE(c.Format().Ok()) << k.format;
    EXPECT_EQ(c.Format().Error(), k.error) << k.format;
    c.Sublist().Add(U("4")).Add(U("9")).EndSublist().Add(U("t"));
    std::string shown = c.Finish().Text();
    EXPECT_NE(shown.find(k.format), std::string::npos) << shown;
    EXPECT_NE(shown.find("format error"), std::string::npos) << shown;
    EXPECT_NE(shown.find("4, 9; t"), std::string::npos) << shown;
  }
}

TEST(CompositeFormat, ACopyKeepsItsArgumentsAfterTheOriginalChanges) {
  BpComposite c("^1 ^2", false);
  c.Add(U("a"));
  auto copy = c.Replicate();
  c.Add(U("b"));
  EXPECT_EQ(copy->Text(), "a ^2");
  EXPECT_EQ(c.Text(), "a b");
}

TEST(CompositeFormat, CompositesNestAsArguments) {
  BpComposite inner("[%1:+%1:]1", false);
  inner.Sublist().Add(Count(1)).Add(Count(2));
  BpComposite outer("sum ^1", false);
  EXPECT_EQ(outer.Add(inner.Finish()).Finish().Text(), "sum 1+2");
}

TEST(CompositeFormat, RandomFormatsNeverCrashAndAlwaysShowSomething) {
  const std::string alphabet = "[]:%^$\\n12 a";
  unsigned state = 12345;
  for (int i = 0; i < 20000; ++i) {
    std::string f;
    int len = static_cast<int>((state >> 8) % 16);
    for (int k = 0; k < len; ++k) {
      state = state * 1103515245u + 12345u;
      f += alphabet[(state >> 16) % alphabet.size()];
    }
    state = state * 1103515245u + 12345u;
    BpComposite c(f, false);
    c.Add(U("x")).Sublist().Add(U("p")).Add(U("q")).Add(U("r"));
    std::string shown = c.Finish().Text();
    if (!c.Format().Ok()) {
      EXPECT_NE(shown.find("format error"), std::string::npos) << f;
    }
  }
}

}  // namespace
