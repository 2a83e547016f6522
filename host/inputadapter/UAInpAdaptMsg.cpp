#include "host/inputadapter/UAInpAdaptMsg.h"

#include <string>

#include "host/common/Messages.h"
#include "host/data/ZIRA_DataSource.h"

namespace {
std::string Where(const ZIRA_DataSource* data) {
  if (data && !data->SourcePath().empty()) return " (" + data->SourcePath() + ")";
  return "";
}
}  // namespace

void UAInpAdaptMsg::NoValidCases(const ZIRA_DataSource* data) const {
  HostReport(kMsgWarning, "There are no cases to read in the active dataset" + Where(data) +
                              ". Nothing was checked.");
}

void UAInpAdaptMsg::NoValidCasesForSelect(const ZIRA_DataSource* data) const {
  HostReport(kMsgWarning, "The active dataset" + Where(data) +
                              " has no variables. Load a dataset first (LOAD FILE='...').");
}
