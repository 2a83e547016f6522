// Fuzzes the CSV reader: any bytes, read with types inferred and then with a fixed
// descriptor, in one chunk and in many small chunks on several threads. A read either
// fails with a message naming a line and column or gives a dataset with the header's columns;
// both chunkings agree.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/io/DatasetReader.h"
#include "host/io/TableSchema.h"

namespace {

bool Read(std::string_view bytes, const TableSchemaSpec* schema, int threads, size_t chunk,
          ZIRA_DataSource* out, std::string* error) {
  DatasetReadOptions options;
  options.threads = threads;
  options.chunkBytes = chunk;
  std::vector<std::string> warnings;
  return ReadDatasetBytes(bytes, "fuzz.csv", schema, options, out, error, &warnings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  static TableSchemaSpec schema = [] {
    TableSchemaSpec s;
    std::string error;
    bool ok = ParseTableSchema(
        R"({"fields":[{"name":"a","type":"number"},{"name":"b","type":"string"},
            {"name":"c","type":"date"}],"missingValues":["","NA"]})",
        "fuzz.schema.json", "fuzz.csv", &s, &error);
    assert(ok && "tests/fuzz/io: the fixed descriptor reads");
    return s;
  }();
  const TableSchemaSpec* kSchemas[] = {nullptr, &schema};
  for (const TableSchemaSpec* s : kSchemas) {
    ZIRA_DataSource one, many;
    std::string e1, e2;
    bool ok1 = Read(bytes, s, 1, 0, &one, &e1);
    bool ok2 = Read(bytes, s, 3, 7, &many, &e2);
    assert(ok1 == ok2 && "tests/fuzz/io: chunking does not change the outcome");
    if (!ok1) {
      assert(e1 == e2 && "tests/fuzz/io: chunking does not change the message");
      assert(e1.rfind("fuzz", 0) == 0 && "tests/fuzz/io: the message names the file");
      continue;
    }
    assert(one.CaseCount() == many.CaseCount() && one.ColumnCount() == many.ColumnCount());
    for (int c = 0; c < one.ColumnCount(); ++c) {
      const ZIRA_Variable* x = one.GetVariable(c);
      const ZIRA_Variable* y = many.GetVariable(c);
      assert(x->GetType() == y->GetType());
      for (size_t r = 0; r < one.CaseCount(); ++r) {
        if (x->IsString()) {
          assert(x->GetString(r) == y->GetString(r));
        } else {
          double a = x->GetNumber(r), b = y->GetNumber(r);
          assert((a == b || (a != a && b != b)) && "tests/fuzz/io: same values");
        }
      }
    }
  }
  return 0;
}
