// The output document and the procedure context: where procedures, tables and messages land,
// the current split, notes, and output with no session or no document.
#include <gtest/gtest.h>

#include "host/output/BpDocument.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"

namespace {

BpString U(const std::string& s) { return BpString(s, false); }

std::vector<BpItemKind> Kinds(const std::vector<std::unique_ptr<BpDocItem>>& items) {
  std::vector<BpItemKind> k;
  for (const auto& i : items) k.push_back(i->kind);
  return k;
}

class DocumentTest : public ::testing::Test {
 protected:
  DocumentTest() : fScope(fSession) { AttachDocument(fSession, fDoc); }
  BpDocument fDoc;
  Session fSession;
  Session::Scope fScope;
};

TEST_F(DocumentTest, MessagesDuringAProcedureGoUnderItsHeadingInOrder) {
  HostReport(3, "before");
  {
    BpProcedure proc("ValidateData", 10);
    proc.PivotTable(U("Variable Checks"), U("VariableChecks"), true);
    BpError(U("warned"), 2, 2);
    HostReport(1, "noted");
  }
  HostReport(2, "after");
  ASSERT_EQ(Kinds(fDoc.Items()), (std::vector<BpItemKind>{BpItemKind::kError, BpItemKind::kHeading,
                                                          BpItemKind::kWarning}));
  const BpDocItem& proc = *fDoc.Items()[1];
  EXPECT_EQ(proc.text, "ValidateData");
  EXPECT_EQ(proc.number, 10);
  EXPECT_EQ(Kinds(proc.items),
            (std::vector<BpItemKind>{BpItemKind::kTable, BpItemKind::kWarning, BpItemKind::kText}));
  EXPECT_EQ(proc.items[1]->text, "warned");
}

TEST_F(DocumentTest, BpErrorNotesTheCommandsLevel) {
  BpError(U("a warning"), 2, 2);
  EXPECT_EQ(fSession.MaxMessageLevel(), 2);
  BpError(U("a hidden error"), 0, 3);
  EXPECT_EQ(fSession.MaxMessageLevel(), 3);
  EXPECT_EQ(fDoc.Items().size(), 1u);  // show 0: nothing shown
}

TEST_F(DocumentTest, TablesAndMessagesCarryTheSplitCurrentWhenMade) {
  BpProcedure proc("ValidateData", 10);
  fDoc.SetCurrentSplit({{"region", "1 (North)"}});
  BpPivotTable* t = proc.Heading(U("Identifier Checks"))->PivotTable(U("T"), U("T"), true);
  BpError(U("w"), 2, 2);
  fDoc.ClearCurrentSplit();
  BpError(U("after"), 2, 2);
  EXPECT_EQ(t->Split(), (BpSplit{{"region", "1 (North)"}}));
  const auto& items = fDoc.Items()[0]->items;
  EXPECT_EQ(items[0]->split, (BpSplit{{"region", "1 (North)"}}));
  EXPECT_EQ(items[1]->split, (BpSplit{{"region", "1 (North)"}}));
  EXPECT_TRUE(items[2]->split.empty());
}

TEST_F(DocumentTest, NotesLinesGatherInOneNotesItemOfTheProcedure) {
  {
    BpProcedure proc("ValidateData", 10);
    proc.AddNotes(3, U("Empty Case Indicator"), U("EmptyCase"));
    AddNotes(3, U("Incomplete Identifiers Indicator"), U("IncompleteID"));
  }
  const auto& items = fDoc.Items()[0]->items;
  ASSERT_EQ(items.size(), 1u);
  ASSERT_EQ(items[0]->kind, BpItemKind::kNotes);
  ASSERT_EQ(items[0]->notes.size(), 2u);
  EXPECT_EQ(items[0]->notes[1].value, "IncompleteID");
}

TEST_F(DocumentTest, SubHeadingsNestUnderTheirHeading) {
  BpProcedure proc("ValidateData", 10);
  BpHeading* rules = proc.Heading(U("Single-Variable Rules"));
  rules->PivotTable(U("Rule Summary"), U("RuleSummary"), true);
  proc.PivotTable(U("Case Report"), U("CaseReport"), true);
  const auto& items = fDoc.Items()[0]->items;
  ASSERT_EQ(Kinds(items), (std::vector<BpItemKind>{BpItemKind::kHeading, BpItemKind::kTable}));
  EXPECT_EQ(items[0]->items[0]->table->Identifier(), "RuleSummary");
}

TEST(ProcedureWithoutDocument, WritesIntoAPrivateDocumentThatIsDiscarded) {
  {
    BpProcedure proc("ValidateData", 10);  // no session at all
    EXPECT_TRUE(proc.Discarded());
    BpPivotTable* t = proc.PivotTable(U("T"), U("T"), true);
    t->Dimension(U("D"), 2)->Category(U("c"))->Cell(U("x"));
    proc.AddNotes(3, U("a"), U("b"));
    AddNotes(3, U("dropped"), U("quietly"));
  }
  Session s;  // a session without a document
  Session::Scope scope(s);
  BpProcedure proc("ValidateData", 10);
  EXPECT_TRUE(proc.Discarded());
  EXPECT_EQ(proc.Document().Items().size(), 1u);
}

TEST(RoutedMessages, ReachTheDocumentAlsoWithoutAProcedure) {
  BpDocument doc;
  Session s;
  RouteMessages(s, doc);
  Session::Scope scope(s);
  HostReport(2, "w");
  HostReport(3, "e");
  ASSERT_EQ(Kinds(doc.Items()),
            (std::vector<BpItemKind>{BpItemKind::kWarning, BpItemKind::kError}));
  EXPECT_EQ(s.Output(), nullptr);  // RouteMessages leaves the session's output alone
}

}  // namespace
