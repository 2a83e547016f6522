// Fuzzes the descriptor reader: any text as a table schema, then, when it reads, a small CSV
// file read with it. Either step may fail with a message; neither may crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/io/DatasetReader.h"
#include "host/io/TableSchema.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  TableSchemaSpec schema;
  std::string error;
  if (!ParseTableSchema(text, "fuzz.schema.json", "fuzz.csv", &schema, &error)) return 0;
  static const char* kCsv = "a,b,c\n1,x,2024-01-31\n-9,\"y,z\",\nNA,,1999-12-31\n";
  ZIRA_DataSource out;
  std::vector<std::string> warnings;
  ReadDatasetBytes(kCsv, "fuzz.csv", &schema, DatasetReadOptions{}, &out, &error, &warnings);
  return 0;
}
