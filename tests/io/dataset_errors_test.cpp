// Broken dataset files: every fault is reported with its file and line and column (or the
// descriptor's JSON pointer), and nothing is loaded.
#include <gtest/gtest.h>

#include "IoTestSupport.h"
#include "host/io/DatasetReader.h"

namespace {

struct BrokenCase {
  const char* what;
  std::string csv;
  std::string schema;    // empty: no descriptor
  std::string expected;  // a part of the message
};

// Reads into a dataset that already holds a variable, which must still be there after.
std::string ReadBroken(const TempDir& dir, const BrokenCase& c) {
  WriteFile(dir.File("bad.csv"), c.csv);
  std::remove(dir.File("bad.schema.json").c_str());
  if (!c.schema.empty()) WriteFile(dir.File("bad.schema.json"), c.schema);
  ZIRA_DataSource data;
  data.AddVariable("previous", 0);
  std::string error;
  bool ok = ReadDataset(dir.File("bad.csv"), DatasetReadOptions{}, &data, &error, nullptr);
  EXPECT_FALSE(ok) << c.what;
  EXPECT_EQ(data.ColumnCount(), 1) << c.what << ": the old dataset was replaced";
  EXPECT_EQ(data.FindVarIndex("previous"), 0) << c.what;
  return error;
}

void ExpectFaults(const std::vector<BrokenCase>& cases) {
  TempDir dir;
  for (const auto& c : cases) {
    std::string error = ReadBroken(dir, c);
    EXPECT_NE(error.find(c.expected), std::string::npos)
        << c.what << "\n  expected: " << c.expected << "\n  got:      " << error;
  }
}

const char* kNumberSchema =
    R"({"fields":[{"name":"a","type":"number"},{"name":"b","type":"string"}]})";

}  // namespace

TEST(DatasetErrors, MalformedCsvIsReportedAtItsLineAndColumn) {
  ExpectFaults({
      {"fewer fields", "a,b\n1,x\n2\n", "", "bad.csv:3:2: the row has 1 field; the header has 2"},
      {"more fields", "a,b\n1,x,y\n", "",
       "bad.csv:2:4: the row has more fields than the header's 2"},
      {"quote inside an unquoted value", "a,b\n1,ab\"c\n", "",
       "bad.csv:2:5: a quote character inside an unquoted value"},
      {"text after a closing quote", "a,b\n1,\"ab\"c\n", "",
       "bad.csv:2:7: a closing quote must be followed"},
      {"unclosed quote", "a,b\n1,x\n2,\"never closed\n3,y\n", "",
       "bad.csv:3:3: a quoted value is not closed"},
      {"lone carriage return", "a,b\n1,x\r2,y\n", "",
       "bad.csv:2:4: a carriage return must be followed by a line feed"},
      {"invalid UTF-8 in a value", "a,b\n1,ok\n2,caf\xC3\n", "", "bad.csv:3:6: invalid UTF-8"},
      {"overlong UTF-8", "a,b\n1,\xC0\xAF\n", "", "bad.csv:2:3: invalid UTF-8"},
      {"invalid UTF-8 in the header", "a,\xFF\n1,2\n", "", "bad.csv:1:3: invalid UTF-8"},
      {"empty file", "", "", "bad.csv:1:1: the file is empty"},
      {"header quote fault", "a,\"b\n", "", "bad.csv:1:3: a quoted value is not closed"},
  });
}

TEST(DatasetErrors, ValuesThatDoNotFitTheirDeclaredTypeAreReportedWithTheColumn) {
  ExpectFaults({
      {"not a number", "a,b\n1,x\n1.5.2,y\n", kNumberSchema,
       "bad.csv:3:1: column a: \"1.5.2\" is not a number"},
      {"not a whole number", "n\n2.5\n", R"({"fields":[{"name":"n","type":"integer"}]})",
       "bad.csv:2:1: column n: \"2.5\" is not a whole number"},
      {"not a date", "d\n2024-02-30\n", R"({"fields":[{"name":"d","type":"date"}]})",
       "bad.csv:2:1: column d: \"2024-02-30\" is not a date (YYYY-MM-DD)"},
      {"not a boolean", "f\nmaybe\n", R"({"fields":[{"name":"f","type":"boolean"}]})",
       "bad.csv:2:1: column f: \"maybe\" is not true or false"},
      {"longer than maxLength", "s\nabcd\n",
       R"({"fields":[{"name":"s","type":"string","constraints":{"maxLength":3}}]})",
       "bad.csv:2:1: column s: \"abcd\" is longer than the declared width of 3 bytes"},
  });
}

TEST(DatasetErrors, BrokenDescriptorsAreReportedWithLineColumnOrJsonPointer) {
  ExpectFaults({
      {"not JSON", "a,b\n1,x\n", "{\"fields\": [\n  {\"name\": \"a\",}\n]}",
       "bad.schema.json:2:16: the descriptor is not valid JSON"},
      {"unknown type", "a,b\n1,x\n", R"({"fields":[{"name":"a","type":"numbr"},{"name":"b"}]})",
       "bad.schema.json: at /fields/0/type: unknown type 'numbr'"},
      {"field not in the file", "a,b\n1,x\n",
       R"({"fields":[{"name":"a","type":"number"},{"name":"b"},{"name":"c"}]})",
       "bad.schema.json: at /fields/2: field \"c\" is not in the header"},
      {"column without a field", "a,b,z\n1,x,2\n", kNumberSchema,
       "bad.csv:1:5: column \"z\" has no field"},
      {"bad format code", "a,b\n1,x\n",
       R"({"fields":[{"name":"a","type":"number","zira.format":"G8"},{"name":"b"}]})",
       "bad.schema.json: at /fields/0/zira.format: 'G8' is not a format code"},
      {"format of the wrong kind", "a,b\n1,x\n",
       R"({"fields":[{"name":"a","type":"number","zira.format":"A8"},{"name":"b"}]})",
       "format A8 does not fit a field of type number"},
      {"attribute values not texts", "a,b\n1,x\n",
       R"({"fields":[{"name":"a"},{"name":"b"}],"zira.attributes":{"$VD.SRule":["ok",3]}})",
       "bad.schema.json: at /zira.attributes/$VD.SRule/1: a text is expected"},
      {"category value of the wrong type", "a,b\n1,x\n",
       R"({"fields":[{"name":"a","type":"date","categories":[{"value":"soon","label":"S"}]},{"name":"b"}]})",
       "bad.schema.json: at /fields/0/categories/0/value: \"soon\" is not a date"},
      {"bad level", "a,b\n1,x\n",
       R"({"fields":[{"name":"a","zira.level":"interval"},{"name":"b"}]})",
       "at /fields/0/zira.level: 'interval' is not a level"},
      {"no fields", "a,b\n1,x\n", R"({"name":"x"})",
       "bad.schema.json: at /: the schema has no list of \"fields\""},
  });
}

TEST(DatasetErrors, MissingFileIsReportedWithItsPath) {
  TempDir dir;
  ZIRA_DataSource data;
  std::string error;
  EXPECT_FALSE(ReadDataset(dir.File("absent.csv"), DatasetReadOptions{}, &data, &error, nullptr));
  EXPECT_NE(error.find("absent.csv: cannot open the file"), std::string::npos) << error;
  DatasetReadOptions options;
  options.schemaPath = dir.File("absent.json");
  WriteFile(dir.File("present.csv"), "a\n1\n");
  EXPECT_FALSE(ReadDataset(dir.File("present.csv"), options, &data, &error, nullptr));
  EXPECT_NE(error.find("absent.json: cannot open the descriptor"), std::string::npos) << error;
}
