// Sample output documents for the output tests, built through the public output API the way
// the procedure builds its tables. Each builder fills the given document.
#pragma once

#include <string>
#include <vector>

class BpDocument;

// Rule Descriptions and a Variable Summary: two row dimensions (Variable encloses Rule).
void BuildVariableSummaryDocument(BpDocument& doc);
// Duplicate Identifiers and a Case Report with footnotes on labels, a table note and notes.
void BuildCaseReportDocument(BpDocument& doc);
// Two split groups, each with its headings, tables and an output-not-displayed warning.
void BuildSplitRunDocument(BpDocument& doc);
// Messages outside and inside a procedure, plain text and the procedure's notes.
void BuildMessagesDocument(BpDocument& doc);

struct SampleDocument {
  std::string name;
  void (*build)(BpDocument&);
};
const std::vector<SampleDocument>& SampleDocuments();
