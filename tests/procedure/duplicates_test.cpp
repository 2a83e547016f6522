// Duplicate identifiers end to end: which cases form a group, how groups are numbered across
// split groups, how a group's row reads, and the saved group numbers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "backend/validatedata/VDTRun.h"
#include "dataset_builder.h"
#include "procedure_support.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Group numbers worked out independently: per split group, ids met twice or more form a
// group; groups are numbered by their first case, split group after split group.
std::vector<double> ExpectedGroups(const std::vector<double>& split,
                                   const std::vector<double>& ids) {
  std::vector<double> out(ids.size(), 0);
  double next = 0;
  for (size_t start = 0; start < ids.size();) {
    size_t end = start;
    while (end < ids.size() && split[end] == split[start]) ++end;
    std::map<double, std::vector<size_t>> byId;
    for (size_t i = start; i < end; ++i)
      if (ids[i] != kMiss) byId[ids[i]].push_back(i);
    for (size_t i = start; i < end; ++i) {
      if (ids[i] == kMiss || out[i] != 0) continue;
      const auto& cases = byId[ids[i]];
      if (cases.size() < 2) continue;
      next += 1;
      for (size_t c : cases) out[c] = next;
    }
    start = end;
  }
  return out;
}

}  // namespace

TEST(Duplicates, GroupsAreNumberedInTheOrderOfTheirFirstCases) {
  // Group A holds cases 5 and 9, group B cases 2 and 12: B starts first, so it is 1.
  DatasetBuilder b(12);
  b.Num("id", {1, 100, 3, 4, 200, 6, 7, 8, 200, 10, 11, 100});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA ID=id /SAVE DUPLICATEID.");
  EXPECT_THAT(run.Lines("DuplicateIdentifiers"),
              ElementsAre("1/Number of Duplicates=2", "1/Cases with Duplicate Identifiers=2, 12",
                          "1/Identifier/id=100", "2/Number of Duplicates=2",
                          "2/Cases with Duplicate Identifiers=5, 9", "2/Identifier/id=200"));
  EXPECT_THAT(run.Column("DuplicateIDGroup"), ElementsAre(0, 1, 0, 0, 2, 0, 0, 0, 2, 0, 0, 1));
}

TEST(Duplicates, NumbersRunOnAcrossSplitGroupsAndOneIdInTwoSplitGroupsIsNoDuplicate) {
  DatasetBuilder b(12);
  const int s = b.Num("s", {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2});
  // Ids 5 and 6 appear once in each split group: not duplicates.
  b.Num("id", {7, 8, 7, 8, 5, 6, 7, 8, 8, 7, 5, 6});
  b.data.SetSplitVariables({s});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA ID=id /SAVE DUPLICATEID.");
  ASSERT_EQ(run.Tables("DuplicateIdentifiers").size(), 2u);
  EXPECT_THAT(run.Lines("DuplicateIdentifiers", 1),
              ElementsAre("3/Number of Duplicates=2", "3/Cases with Duplicate Identifiers=7, 10",
                          "3/Identifier/id=7", "4/Number of Duplicates=2",
                          "4/Cases with Duplicate Identifiers=8, 9", "4/Identifier/id=8"));
  EXPECT_THAT(run.Column("DuplicateIDGroup"), ElementsAre(1, 2, 1, 2, 0, 0, 3, 4, 4, 3, 0, 0));
}

TEST(Duplicates, SavedGroupNumbersAgreeWithAnIndependentCountOverManySplitGroups) {
  // Small split groups, and large ones that the passes read in several blocks, with and
  // without variable checks (which read the final pass in blocks on two threads). The last
  // file has split groups of very different sizes: ten small ones, a large one, then some of
  // a thousand cases, so that the first pass's table of first rows is sometimes emptied for
  // the next group and sometimes made anew, smaller or larger.
  for (size_t n : {90, 30000, 31000}) {
    std::vector<double> split(n), ids(n), x(n);
    for (size_t i = 0; i < n; ++i) {
      split[i] = n != 31000   ? static_cast<double>(i / (n / 3))
                 : i < 100    ? static_cast<double>(i / 10)
                 : i < 20000 ? 100.0
                              : static_cast<double>(101 + (i - 20000) / 997);
      ids[i] = (i % 11 == 4) ? kMiss : static_cast<double>((i * i * 7 + 3) % (n < 100 ? 13 : 6007));
      x[i] = static_cast<double>(i % 5);
    }
    const std::vector<double> expected = ExpectedGroups(split, ids);
    const double groups = *std::max_element(expected.begin(), expected.end());
    for (const char* command :
         {"VALIDATEDATA ID=id /IDCHECKS DUPLICATE /SAVE DUPLICATEID=grp.",
          "VALIDATEDATA VARIABLES=x ID=id /VARCHECKS STATUS=ON /IDCHECKS DUPLICATE "
          "/SAVE DUPLICATEID=grp."}) {
      SCOPED_TRACE(std::to_string(n) + " cases: " + command);
      DatasetBuilder b(n);
      const int s = b.Num("s", split);
      b.Num("id", ids);
      b.Num("x", x);
      b.data.SetSplitVariables({s});
      ProcedureRun run(b.data);
      run.Run(command);
      EXPECT_EQ(run.Column("grp"), expected);
      const ZIRA_Variable* grp = run.Data().GetVariable(run.Data().FindVarIndex("grp"));
      EXPECT_EQ(grp->GetValueLabels().Size(), static_cast<size_t>(groups) + 1);
    }
  }
}

TEST(Duplicates, AnIdentifierBackManyBlocksLaterNamesItsFirstCaseAndZeroIsMinusZero) {
  // The first pass keeps only the row where each identifier was first met and compares a
  // returning one against that row's values: the group must still start at that row, in
  // blocks and case by case alike.
  const size_t n = 20000;
  std::vector<double> ids(n), split(n, 1.0);
  for (size_t i = 0; i < n; ++i) ids[i] = static_cast<double>(i + 1000);
  ids[2] = 0.0;
  ids[14999] = -0.0;  // the same identifier as case 3
  ids[6] = 42;
  ids[19998] = 42;
  ids[9000] = 42;
  const std::vector<double> expected = ExpectedGroups(split, ids);
  ASSERT_EQ(expected[2], 1);
  ASSERT_EQ(expected[6], 2);
  for (const bool oneByOne : {false, true}) {
    SCOPED_TRACE(oneByOne ? "case by case" : "in blocks");
    DatasetBuilder b(n);
    b.Num("id", ids);
    if (oneByOne) vdt::SetCaseHookForTesting([](long) {});
    ProcedureRun run(b.data);
    run.Run("VALIDATEDATA ID=id /SAVE DUPLICATEID.");
    vdt::SetCaseHookForTesting(nullptr);
    EXPECT_EQ(run.Column("DuplicateIDGroup"), expected);
    EXPECT_THAT(
        run.Lines("DuplicateIdentifiers"),
        ElementsAre("1/Number of Duplicates=2", "1/Cases with Duplicate Identifiers=3, 15000",
                    "1/Identifier/id=0", "2/Number of Duplicates=3",
                    "2/Cases with Duplicate Identifiers=7, 9001, 19999", "2/Identifier/id=42"));
  }
}

TEST(Duplicates, StringIdentifiersLongerThanEightBytesAreComparedWhole) {
  DatasetBuilder b(4);
  b.Str("code", 12, {"ABCDEFGH-001", "ABCDEFGH-002", "ABCDEFGH-001", "ABCDEFGH-003"});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA ID=code /SAVE DUPLICATEID.");
  EXPECT_THAT(run.Lines("DuplicateIdentifiers"),
              ElementsAre("1/Number of Duplicates=2", "1/Cases with Duplicate Identifiers=1, 3",
                          "1/Identifier/code=ABCDEFGH-001"));
  EXPECT_THAT(run.Column("DuplicateIDGroup"), ElementsAre(1, 0, 1, 0));
}

TEST(Duplicates, ThreeCasesWithOneIdAreOneGroupAndMissingIdsNeverMatch) {
  DatasetBuilder b(6);
  b.Num("id", {5, kMiss, 5, kMiss, 5, 6});
  b.Str("part", 4, {"a", "", "a", "", "a", ""});
  ProcedureRun run(b.data);
  run.Run("VALIDATEDATA ID=id part /SAVE DUPLICATEID INCOMPLETEID.");
  EXPECT_THAT(run.Lines("DuplicateIdentifiers"),
              ElementsAre("1/Number of Duplicates=3", "1/Cases with Duplicate Identifiers=1, 3, 5",
                          "1/Identifier/id=5", "1/Identifier/part=a"));
  EXPECT_THAT(run.Column("DuplicateIDGroup"), ElementsAre(1, 0, 1, 0, 1, 0));
  EXPECT_THAT(run.Column("IncompleteID"), ElementsAre(0, 1, 0, 1, 0, 1));
}

TEST(Duplicates, AGroupOverTwentyFiveShowsItsSizeAndANoteAndOfTwentyFiveShowsEveryCase) {
  for (const size_t n : {size_t{30}, size_t{25}}) {
    DatasetBuilder b(n);
    b.Num("id", std::vector<double>(n, 9));
    ProcedureRun run(b.data);
    run.Run("VALIDATEDATA ID=id.");
    const auto tables = run.Tables("DuplicateIdentifiers");
    ASSERT_EQ(tables.size(), 1u);
    // Over 25 the list holds the first 25 case numbers; the format "[%1:, ^1:...]1" writes
    // its last item as "...", so 24 numbers show before it.
    std::string cases;
    for (size_t i = 1; i <= (n > 25 ? 24 : n); ++i)
      cases += (i > 1 ? ", " : "") + std::to_string(i);
    if (n > 25) cases += "...";
    EXPECT_THAT(ProcedureRun::CellLines(tables[0]),
                ElementsAre("1/Number of Duplicates=" + std::to_string(n),
                            "1/Cases with Duplicate Identifiers=" + cases, "1/Identifier/id=9"));
    if (n > 25) {
      EXPECT_THAT(ProcedureRun::Footnotes(tables[0]),
                  ElementsAre("Only first 25 cases displayed..."));
    } else {
      EXPECT_THAT(ProcedureRun::Footnotes(tables[0]), IsEmpty());
    }
  }
}
