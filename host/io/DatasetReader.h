// Reading a dataset file: a CSV file (RFC 4180, UTF-8) with its Table Schema descriptor, or
// with types inferred from the data when there is none, into the in-memory dataset model.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/data/ZIRA_DataSource.h"

struct TableSchemaSpec;

struct DatasetReadOptions {
  std::string schemaPath;  // the descriptor to use; "" looks for NAME.schema.json, datapackage.json
  bool progress = false;   // a progress bar on stderr (when a terminal) for reads over ~1 s
  int threads = 0;         // parsing threads; 0 chooses (one for small files)
  size_t chunkBytes = 0;   // bytes of rows parsed as one unit of work; 0 chooses
};

// Reads NAME.csv and its descriptor into *out, replacing what *out held. On failure returns
// false, *error holds the reason with the file and line and column (CSV) or JSON pointer
// (descriptor), and *out is left as it was. Warnings (mended names) are appended to *warnings
// when it is not null. Types without a descriptor: numbers (F format from the data), ISO dates,
// date-times and times, else strings; every level is then left unknown.
bool ReadDataset(const std::string& csvPath, const DatasetReadOptions& options,
                 ZIRA_DataSource* out, std::string* error, std::vector<std::string>* warnings);

// The same from CSV bytes in memory (borrowed for the call) with a descriptor already read, or
// none (schema null). fileName names the bytes in messages. For tests and fuzzers.
bool ReadDatasetBytes(std::string_view bytes, const std::string& fileName,
                      const TableSchemaSpec* schema, const DatasetReadOptions& options,
                      ZIRA_DataSource* out, std::string* error, std::vector<std::string>* warnings);
