// The active dataset as a running procedure sees it: the current session's data, with the
// host's split-file setting and room for the variables the procedure adds.
#pragma once

#include "host/data/ZIRA_DataSource.h"

class ProcedureDataSource : public ZIRA_DataSource {
 public:
  // The current session's active dataset (an empty one outside a session).
  ProcedureDataSource();
  // A procedure view of a given dataset (tests).
  explicit ProcedureDataSource(const ZIRA_DataSource& data);
  ~ProcedureDataSource() override;

  // Split-file queries: the number of split-file variables, the column of the i-th one
  // (from 0), and whether output must be labelled by split group.
  virtual int NumSplitVariables() const;
  virtual int SplitVariable(int i) const;
  virtual bool IsSplitFile() const;

  // Room for n new variables during this procedure.
  void SetMaxObsAdded(int n) { fStore->maxObsAdded = n; }
  int GetMaxObsAdded() const { return fStore->maxObsAdded; }
};

// Settles unknown measurement levels: string variables and variables with value labels
// become nominal; numeric variables with fewer than 24 distinct valid values nominal; the
// rest scale.
void AdjustMeasurementLevels(ZIRA_DataSource* data);
// Whether the variable at a column is categorical (nominal or ordinal).
bool IsCatVar(int index, const ZIRA_DataSource* data);
