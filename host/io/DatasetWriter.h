// Writing a dataset file: the data as NAME.csv and its dictionary as the Table Schema
// descriptor NAME.schema.json, each written to a temporary file in the target folder and
// renamed into place, so that a failed or interrupted save leaves the old files whole.
#pragma once

#include <string>

#include "host/data/ZIRA_DataSource.h"

// Writes csvPath and its sidecar descriptor (see SidecarSchemaPath). Borrows data for the
// call. False with the reason in *error when either file cannot be written; the old files
// are then as they were. Numbers are written in their shortest exact form, system-missing
// and blank values as empty cells; dates and times in ISO form when every value reads back
// exactly, else as numbers of seconds (the format in the descriptor keeps them dates).
bool WriteDataset(const ZIRA_DataSource& data, const std::string& csvPath, std::string* error);

// The descriptor text that WriteDataset writes for a dataset.
std::string MakeTableSchemaText(const ZIRA_DataSource& data);
