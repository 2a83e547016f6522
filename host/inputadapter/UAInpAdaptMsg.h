// The host's standard messages about a pass that has nothing to read.
#pragma once

class ZIRA_DataSource;

class UAInpAdaptMsg {
 public:
  // The active dataset has no cases to read (a warning).
  void NoValidCases(const ZIRA_DataSource* data) const;
  // The active dataset has no variables to select from (a warning).
  void NoValidCasesForSelect(const ZIRA_DataSource* data) const;
};
