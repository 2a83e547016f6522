#include "tests/output/output_support.h"

#include "host/output/BpComposite.h"
#include "host/output/BpDocument.h"
#include "host/output/BpPivotTable.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"

namespace {

BpString T(const std::string& s) { return BpString(s, true); }
BpString U(const std::string& s) { return BpString(s, false); }
BpNumber Count(double v) { return BpNumber(v, BpProcedure::Count); }

// The generated description of a rule: one "name: value" line per pair.
BpComposite Description(const std::vector<std::pair<std::string, std::string>>& pairs) {
  BpComposite c("[:^1\\: ^2\\n:$1\\: $2]1", false);
  c.Sublist();
  for (const auto& [name, value] : pairs) c.Add(T(name)).Add(T(value));
  c.EndSublist();
  c.Finish();
  return c;
}

}  // namespace

void BuildVariableSummaryDocument(BpDocument& doc) {
  Session session;
  AttachDocument(session, doc);
  Session::Scope scope(session);
  BpProcedure proc("ValidateData", 10);
  BpHeading* rules = proc.Heading(T("Single-Variable Rules"));

  BpPivotTable* desc = rules->PivotTable(T("Rule Descriptions"), U("RuleDescriptions"), true);
  desc->Caption(T("Rules violated at least once are displayed."));
  desc->MinDataColumnWidth(151);
  BpDimension* column = desc->Dimension(U("DescriptionColumn"), 2);
  column->Position(1, 1, true, false);
  BpCategory* description = column->Category(T("Description"));
  BpDimension* ruleDim = desc->Dimension(T("Rule"), 2);
  ruleDim->Position(0, 1, false, false);
  ruleDim->Category(U("Age 0 to 120"));
  description->Cell(Description({{"Type", "Numeric"},
                                 {"Domain", "Range"},
                                 {"Flag user-missing values", "No"},
                                 {"Flag system-missing values", "Yes"},
                                 {"Minimum", "0"},
                                 {"Maximum", "120"},
                                 {"Rule", "$VD.SRule[1]"}}));
  ruleDim->Category(U("Known region"));
  description->Cell(U("Region must be one of the four sales regions."));

  BpPivotTable* sum = rules->PivotTable(T("Variable Summary"), U("VariableSummary"), true);
  BpDimension* rule = sum->Dimension(T("Rule"), 2);
  rule->Position(0, 1, false, false);
  BpDimension* variable = sum->Dimension(T("Variable"), 2);
  variable->Position(0, 2, true, false);
  BpDimension* summary = sum->Dimension(T("Summary"), 2);
  summary->Position(1, 1, true, false);
  summary->Category(T("Number of Violations"));
  struct Row {
    const char* name;
    const char* label;
    std::vector<std::pair<const char*, int>> counts;
  };
  const Row rows[] = {{"age", "Age in years", {{"Age 0 to 120", 3}}},
                      {"income", "Income <USD>", {}},
                      {"region", "", {{"Age 0 to 120", 1}, {"Known region", 2}}}};
  for (const Row& r : rows) {
    variable->Category(BpVariable(r.name, r.label, 2));
    BpGroup* group = rule->Group(U("Rule"), false, 2);
    int total = 0;
    for (const auto& [label, n] : r.counts) {
      group->Category(U(label))->Cell(Count(n));
      total += n;
    }
    if (total > 0) rule->Category(T("Total"))->Cell(Count(total));
  }
}

void BuildCaseReportDocument(BpDocument& doc) {
  Session session;
  AttachDocument(session, doc);
  Session::Scope scope(session);
  BpProcedure proc("ValidateData", 10);
  BpHeading* ids = proc.Heading(T("Identifier Checks"));
  BpPivotTable* dup = ids->PivotTable(T("Duplicate Identifiers"), U("DuplicateIdentifiers"), true);
  BpDimension* groupDim = dup->Dimension(T("Duplicate Identifiers Group"), 2);
  groupDim->Position(0, 1, false, false);
  BpDimension* idDim = dup->Dimension(T("Identifier"), 2);
  idDim->Position(1, 1, true, false);
  for (int g = 1; g <= 2; ++g) {
    int n = g == 1 ? 3 : 30;
    groupDim->Category(Count(g));
    idDim->Category(T("Number of Duplicates"))->Cell(Count(n));
    BpCategory* cases = idDim->Category(T("Cases with Duplicate Identifiers"));
    BpComposite list(n > 25 ? "[%1:, ^1:...]1" : "[%1:, ^1:]1", false);
    list.Sublist();
    for (int i = 0; i < n && i < 25; ++i) list.Add(Count(100 * g + i));
    list.EndSublist();
    list.Finish();
    if (n > 25) cases->Note(BpAnnotation(T("Only first 25 cases displayed...")));
    cases->Cell(list);
    idDim->Group(T("Identifier"), true, 2)
        ->Category(BpVariable("id", "Respondent", 2))
        ->Cell(BpDataValue(nullptr, 1000.0 + g, 2));
  }

  BpPivotTable* report = proc.PivotTable(T("Case Report"), U("CaseReport"), true);
  report->MinDataColumnWidth(100);
  BpDimension* caseDim = report->Dimension(T("Case"), 2);
  caseDim->Position(0, 1, false, false);
  BpDimension* info = report->Dimension(T("Information"), 2);
  info->Position(1, 1, true, false);
  report->MinDataColumnWidth(120);
  BpComposite limit("More than ^1 cases with violations. ^2 displayed...", true);
  limit.Add(Count(2)).Add(Count(2)).Finish();
  struct Case {
    int number;
    std::vector<std::pair<const char*, int>> single;
    std::vector<const char*> cross;
    const char* id;
  };
  const Case cases[] = {{4, {{"Age 0 to 120", 1}, {"Known region", 2}}, {}, "A-17"},
                        {9, {}, {"Income above zero"}, "   "},
                        {12, {{"Age 0 to 120", 1}}, {"Income above zero"}, "B-02"}};
  int rows = 0;
  for (const Case& c : cases) {
    if (rows == 2) {
      report->Note(BpAnnotation(limit));
      ++rows;
    }
    if (rows >= 2) break;
    caseDim->Category(Count(c.number));
    BpGroup* viol = info->Group(T("Validation Rule Violations"), true, 2);
    BpCategory* single = viol->Category(T("Single-Variable"));
    single->Note(BpAnnotation(T("The number of variables follows...")));
    if (!c.single.empty()) {
      BpComposite s("[%1 (%2):\\n^1 (^2):]1", false);
      s.Sublist();
      for (const auto& [label, n] : c.single) s.Add(U(label)).Add(Count(n));
      s.EndSublist();
      single->Cell(s.Finish());
    }
    BpCategory* cross = viol->Category(T("Cross-Variable"));
    if (!c.cross.empty()) {
      BpComposite s("[%1:\\n^1:]1", false);
      s.Sublist();
      for (const char* label : c.cross) s.Add(U(label));
      cross->Cell(s.Finish());
    }
    info->Group(T("Identifier"), true, 2)
        ->Category(BpVariable("code", "Case code", 2))
        ->Cell(std::string(c.id) == "   " ? U(" ") : U(c.id));
    ++rows;
  }
  proc.AddNotes(3, T("Empty Case Indicator"), U("EmptyCase"));
  proc.AddNotes(3, T("Total Count of Validation Rule Violations"), U("ValidationRuleViolations"));
}

void BuildSplitRunDocument(BpDocument& doc) {
  Session session;
  AttachDocument(session, doc);
  Session::Scope scope(session);
  BpProcedure proc("ValidateData", 10);
  const char* regions[] = {"1 (North)", "2 (South)"};
  for (int g = 0; g < 2; ++g) {
    doc.SetCurrentSplit({{"region", regions[g]}});
    BpPivotTable* checks = proc.PivotTable(T("Variable Checks"), U("VariableChecks"), true);
    checks->Caption(T("Each variable is reported with every check it fails."));
    checks->MinDataColumnWidth(150);
    BpDimension* contents = checks->Dimension(T("Contents"), 2);
    contents->Position(0, 1, true, false);
    BpGroup* cat = contents->Group(T("Categorical"), true, 2);
    BpComposite missing("Cases Missing > ^1", true);
    missing.Add(BpNumber(70, BpProcedure::Percent)).Finish();
    BpComposite constant("Cases Constant > ^1", true);
    constant.Add(U("95.0")).Finish();
    BpCategory* catMissing = cat->Category(missing);
    cat->Category(constant);
    BpGroup* scale = contents->Group(T("Scale"), true, 2);
    scale->Category(missing);
    BpComposite sd("Standard Deviation < ^1", true);
    sd.Add(BpNumber(0.001, BpProcedure::Coefficient)).Finish();
    BpCategory* scaleSd = scale->Category(sd);
    BpComposite vars("[%1:\\n^1:]1", false);
    vars.Sublist().Add(BpVariable("q1", "Question 1", 2)).Add(BpVariable("q7", "", 2));
    catMissing->Cell(vars.Finish());
    if (g == 1)
      scaleSd->Cell(BpComposite("[%1:\\n^1:]1", false)
                        .Sublist()
                        .Add(BpVariable("weight", "Weight (kg)", 2))
                        .Finish());

    BpHeading* ids = proc.Heading(T("Identifier Checks"));
    BpPivotTable* incompl =
        ids->PivotTable(T("Incomplete Identifiers"), U("IncompleteIdentifiers"), true);
    BpDimension* caseDim = incompl->Dimension(T("Case"), 2);
    caseDim->Position(0, 1, false, false);
    BpDimension* idDim = incompl->Dimension(T("Identifier"), 2);
    idDim->Position(1, 1, false, false);
    if (g == 0) {
      caseDim->Category(Count(3));
      idDim->Category(BpVariable("id", "Respondent", 2))
          ->Cell(BpNumber(-1.7976931348623157e308, BpProcedure::GeneralStat));
      idDim->Category(BpVariable("wave", "", 2))->Cell(BpDataValue(nullptr, 2.0, 2));
    } else {
      BpComposite w("Split [%1 = %2:,^1 = ^2:]1 output not displayed ...", true);
      w.SplitList().Finish();
      BpError(w, 2, 2);
    }
  }
  doc.ClearCurrentSplit();
}

void BuildMessagesDocument(BpDocument& doc) {
  Session session;
  AttachDocument(session, doc);
  Session::Scope scope(session);
  HostReport(3, "LOAD: the file 'missing.csv' cannot be opened: No such file or directory.");
  HostReport(1, "The active dataset has 120 cases and 14 variables.");
  {
    BpProcedure proc("ValidateData", 10);
    BpError(BpString("Some output not displayed ...", true), 2, 2);
    BpComposite c("Case Report not displayed violations less than ^1 ...", true);
    c.Add(Count(2)).Finish();
    BpError(c, 2, 2);
    AddNotes(3, T("DuplicateId Group ..."), U("DuplicateIDGroup"));
    AddNotes(3, T("Incomplete Identifiers Indicator"), U("IncompleteID"));
  }
  HostReport(2, "SORT: the dataset was already sorted by region.");
}

const std::vector<SampleDocument>& SampleDocuments() {
  static const std::vector<SampleDocument> docs = {
      {"variable_summary", BuildVariableSummaryDocument},
      {"case_report", BuildCaseReportDocument},
      {"split_run", BuildSplitRunDocument},
      {"messages", BuildMessagesDocument},
  };
  return docs;
}
