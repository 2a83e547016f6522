// Reading dataset files: descriptor features, where descriptors are found, name mending,
// CSV dialect details, type inference, and chunked parallel parsing.
#include <gtest/gtest.h>

#include "IoTestSupport.h"
#include "host/io/DatasetReader.h"
#include "host/io/ValueText.h"

namespace {

constexpr double kSys = MCMV::gMissingValue;

struct Loaded {
  bool ok = false;
  std::string error;
  std::vector<std::string> warnings;
  ZIRA_DataSource data;
  ZIRA_Variable* Var(std::string_view name) const {
    return data.GetVariable(data.FindVarIndex(name));
  }
};

Loaded Load(const std::string& path, DatasetReadOptions options = {}) {
  Loaded l;
  l.ok = ReadDataset(path, options, &l.data, &l.error, &l.warnings);
  return l;
}

Loaded LoadText(const TempDir& dir, std::string_view csv, std::string_view schema = {}) {
  WriteFile(dir.File("t.csv"), csv);
  if (!schema.empty()) WriteFile(dir.File("t.schema.json"), schema);
  return Load(dir.File("t.csv"));
}

double Day(int y, int m, int d) { return static_cast<double>(DaysFromCivil(y, m, d)) * 86400; }

}  // namespace

TEST(DatasetRead, DescriptorMissingValueCodesStayInTheDataFlaggedUserMissingWithLabels) {
  TempDir dir;
  Loaded l = LoadText(dir, "age,note\n-9,x\n30,NA\nNA,\n",
                      R"({"fields":[{"name":"age","type":"integer",
                           "missingValues":[{"value":"-9","label":"Refused"},"NA"]},
                          {"name":"note","type":"string","missingValues":["x"]}],
                          "missingValues":["","NA"]})");
  ASSERT_TRUE(l.ok) << l.error;
  ZIRA_Variable* age = l.Var("age");
  EXPECT_EQ(age->GetNumber(0), -9);
  EXPECT_FALSE(age->IsValidNumber(0));
  EXPECT_EQ(*age->GetValueLabels().Find(-9.0), "Refused");
  EXPECT_EQ(age->GetNumber(2), kSys);  // "NA" is no number: a system-missing marker
  EXPECT_EQ(age->GetMissingValues().values, std::vector<double>{-9});
  ZIRA_Variable* note = l.Var("note");
  EXPECT_TRUE(note->IsUserMissing(note->GetString(0)));
  EXPECT_TRUE(note->IsBlank(1));  // schema-level "NA": blank
}

TEST(DatasetRead, DescriptorTypesWidthsCategoriesAndLevelsBecomeTheDictionary) {
  TempDir dir;
  Loaded l = LoadText(dir,
                      "flag,ok,born,amount,code,kind,size\nyes,TRUE,31/12/"
                      "1999,\"1.234,5\",2,b,1\nno,0,01/01/2000,7,1,a,3\n",
                      R"({"fields":[
        {"name":"flag","type":"boolean","trueValues":["yes"],"falseValues":["no"]},
        {"name":"ok","type":"boolean"},
        {"name":"born","type":"date","format":"%d/%m/%Y","title":"Born"},
        {"name":"amount","type":"number","decimalChar":",","groupChar":"."},
        {"name":"code","type":"integer","categories":[1,2,3],"categoriesOrdered":true},
        {"name":"kind","type":"string","constraints":{"maxLength":3},
         "categories":[{"value":"a","label":"Alpha"},{"value":"b"}]},
        {"name":"size","type":"integer","zira.level":"scale","zira.format":"F4.1"}]})");
  ASSERT_TRUE(l.ok) << l.error;
  EXPECT_EQ(l.Var("flag")->GetNumber(0), 1);
  EXPECT_EQ(l.Var("flag")->GetNumber(1), 0);
  EXPECT_EQ(l.Var("ok")->GetNumber(0), 1);
  EXPECT_EQ(l.Var("born")->GetNumber(0), Day(1999, 12, 31));
  EXPECT_EQ(l.Var("born")->GetFormat().type, kFmtDate);
  EXPECT_EQ(l.Var("born")->GetLabel(), "Born");
  EXPECT_EQ(l.Var("amount")->GetNumber(0), 1234.5);
  EXPECT_EQ(l.Var("code")->GetUnlabeledCategories(), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(l.Var("code")->GetMeasurementLevel(), kLevelOrdinal);
  EXPECT_EQ(l.Var("kind")->GetType(), 3);
  EXPECT_EQ(*l.Var("kind")->GetValueLabels().Find("a"), "Alpha");
  EXPECT_EQ(l.Var("kind")->GetUnlabeledCategories(), std::vector<std::string>{"b"});
  EXPECT_EQ(l.Var("kind")->GetMeasurementLevel(), kLevelUnknown);
  EXPECT_EQ(l.Var("size")->GetMeasurementLevel(), kLevelScale);
  EXPECT_EQ(l.Var("size")->GetFormat(), (ZiraFormat{kFmtNumber, 4, 1}));
}

TEST(DatasetRead, FieldsAreMatchedByNameWhenTheirOrderDiffersFromTheColumns) {
  TempDir dir;
  Loaded l = LoadText(dir, "b,a\nx,1\n",
                      R"({"fields":[{"name":"a","type":"number"},{"name":"b","type":"string"}]})");
  ASSERT_TRUE(l.ok) << l.error;
  EXPECT_EQ(l.data.GetVariable(0)->GetName(), "b");
  EXPECT_TRUE(l.data.GetVariable(0)->IsString());
  EXPECT_EQ(l.data.GetVariable(1)->GetNumber(0), 1);
}

TEST(DatasetRead, DataPackageResourceOrExplicitSchemaPathSuppliesTheDescriptor) {
  TempDir dir;
  WriteFile(dir.File("d.csv"), "v\n007\n");
  WriteFile(dir.File("datapackage.json"),
            R"({"resources":[{"path":"other.csv","schema":{"fields":[]}},
                {"path":"d.csv","schema":"d-fields.json"}]})");
  WriteFile(dir.File("d-fields.json"), R"({"fields":[{"name":"v","type":"integer"}]})");
  Loaded viaPackage = Load(dir.File("d.csv"));
  ASSERT_TRUE(viaPackage.ok) << viaPackage.error;
  EXPECT_EQ(viaPackage.Var("v")->GetNumber(0), 7);

  WriteFile(dir.File("explicit.json"), R"({"fields":[{"name":"v","type":"string"}]})");
  DatasetReadOptions options;
  options.schemaPath = dir.File("explicit.json");
  Loaded explicitSchema = Load(dir.File("d.csv"), options);
  ASSERT_TRUE(explicitSchema.ok) << explicitSchema.error;
  EXPECT_EQ(explicitSchema.Var("v")->GetString(0), "007");
}

TEST(DatasetRead, InvalidAndDuplicateNamesAreMendedWithWarningsAndKeptAsLabels) {
  TempDir dir;
  Loaded l = LoadText(dir, "household id,1st,ALL,x,X,,ok.\n1,2,3,4,5,6,7\n");
  ASSERT_TRUE(l.ok) << l.error;
  std::vector<std::string> names;
  for (int i = 0; i < l.data.ColumnCount(); ++i) names.push_back(l.data.GetVariable(i)->GetName());
  EXPECT_EQ(names,
            (std::vector<std::string>{"household_id", "@1st", "@ALL", "x", "X_2", "@V6", "ok_"}));
  EXPECT_EQ(l.Var("household_id")->GetLabel(), "household id");
  EXPECT_EQ(l.Var("X_2")->GetLabel(), "X");
  EXPECT_EQ(l.Var("x")->GetLabel(), "");
  ASSERT_EQ(l.warnings.size(), 6u);
  EXPECT_NE(l.warnings[0].find("t.csv:1:1: column name \"household id\""), std::string::npos);
  EXPECT_NE(l.warnings[3].find(":1:24: column name \"X\" appears more than once"),
            std::string::npos);
}

TEST(DatasetRead, CrlfLinesByteOrderMarkQuotedLineBreaksAndEmptyLinesAreHandled) {
  TempDir dir;
  Loaded l =
      LoadText(dir, "\xEF\xBB\xBFname,n\r\n\"two\r\nlines\",1\r\n\r\n\"a \"\"q\"\"\",2\r\n\n");
  ASSERT_TRUE(l.ok) << l.error;
  ASSERT_EQ(l.data.CaseCount(), 2u);
  EXPECT_EQ(l.Var("name")->GetString(0), "two\r\nlines");
  EXPECT_EQ(l.Var("name")->GetString(1), "a \"q\"");
  EXPECT_EQ(l.Var("n")->GetNumber(1), 2);
}

TEST(DatasetRead, InferenceFindsNumbersIsoDatesTimesAndKeepsCodesWithLeadingZerosAsText) {
  TempDir dir;
  Loaded l = LoadText(dir,
                      "n,zip,d,dt,t,mixed,empty,word\n"
                      "1.25,007,2024-01-31,2024-01-31T10:00:00,10:30:00,1,,a\n"
                      "-3,12,,2024-02-01 00:00:01Z,23:59:59.5,x,,bb\n");
  ASSERT_TRUE(l.ok) << l.error;
  EXPECT_FALSE(l.Var("n")->IsString());
  EXPECT_EQ(l.Var("n")->GetFormat(), (ZiraFormat{kFmtNumber, 4, 2}));
  EXPECT_TRUE(l.Var("zip")->IsString());
  EXPECT_EQ(l.Var("zip")->GetString(0), "007");
  EXPECT_EQ(l.Var("d")->GetNumber(0), Day(2024, 1, 31));
  EXPECT_EQ(l.Var("d")->GetNumber(1), kSys);
  EXPECT_EQ(l.Var("d")->GetFormat().type, kFmtDate);
  EXPECT_EQ(l.Var("dt")->GetNumber(1), Day(2024, 2, 1) + 1);
  EXPECT_EQ(l.Var("dt")->GetFormat().type, kFmtDateTime);
  EXPECT_EQ(l.Var("t")->GetNumber(1), 86399.5);
  EXPECT_EQ(l.Var("t")->GetFormat(), (ZiraFormat{kFmtTime, 10, 1}));
  EXPECT_TRUE(l.Var("mixed")->IsString());
  EXPECT_FALSE(l.Var("empty")->IsString());
  EXPECT_EQ(l.Var("word")->GetType(), 2);
  for (int i = 0; i < l.data.ColumnCount(); ++i)
    EXPECT_EQ(l.data.GetVariable(i)->GetMeasurementLevel(), kLevelUnknown);
}

TEST(DatasetRead, ChunkedParallelParsingGivesTheSameDataAsOneChunk) {
  TempDir dir;
  std::string csv = "id,text,x\n";
  for (int i = 0; i < 3000; ++i) {
    csv += std::to_string(i) + ",";
    csv += (i % 7 == 0) ? "\"multi\nline, \"\"quoted\"\"\"" : "plain" + std::to_string(i % 13);
    csv += "," + std::to_string(i * 0.5) + "\n";
    if (i % 100 == 0) csv += "\n";
  }
  WriteFile(dir.File("big.csv"), csv);
  DatasetReadOptions one;
  one.threads = 1;
  DatasetReadOptions many;
  many.threads = 3;
  many.chunkBytes = 997;
  Loaded a = Load(dir.File("big.csv"), one);
  Loaded b = Load(dir.File("big.csv"), many);
  ASSERT_TRUE(a.ok) << a.error;
  ASSERT_TRUE(b.ok) << b.error;
  ASSERT_EQ(a.data.CaseCount(), 3000u);
  ASSERT_EQ(b.data.CaseCount(), 3000u);
  for (size_t r = 0; r < 3000; ++r) {
    ASSERT_EQ(b.Var("id")->GetNumber(r), static_cast<double>(r));
    ASSERT_EQ(a.Var("text")->GetString(r), b.Var("text")->GetString(r));
    ASSERT_EQ(a.Var("x")->GetNumber(r), b.Var("x")->GetNumber(r));
  }
  EXPECT_EQ(b.Var("text")->GetString(7), "multi\nline, \"quoted\"");
}

TEST(DatasetRead, FaultInALaterChunkIsReportedAtItsOwnLine) {
  TempDir dir;
  std::string csv = "a,b\n";
  for (int i = 0; i < 2000; ++i) csv += std::to_string(i) + ",\"q\nq\"\n";
  csv += "5\n";  // line 2 + 2 * 2000 = 4002
  WriteFile(dir.File("late.csv"), csv);
  DatasetReadOptions many;
  many.threads = 2;
  many.chunkBytes = 500;
  Loaded l = Load(dir.File("late.csv"), many);
  ASSERT_FALSE(l.ok);
  EXPECT_NE(l.error.find("late.csv:4002:2: the row has 1 field; the header has 2"),
            std::string::npos)
      << l.error;
}
