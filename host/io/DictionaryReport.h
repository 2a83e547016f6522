// A plain-text listing of a dataset's dictionary: every variable with its type, format, label,
// level, value labels, missing values and attributes, then the dataset's attributes.
#pragma once

#include <string>

#include "host/data/ZIRA_DataSource.h"

// The listing of a dataset (borrowed for the call). Values are shown as the variable's format
// shows them (dates in ISO form); an attribute element that is empty shows as (empty).
std::string DescribeDictionary(const ZIRA_DataSource& data);
