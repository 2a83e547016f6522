// Table Schema descriptors of dataset files: finding the descriptor of a CSV file (a sidecar
// NAME.schema.json, a datapackage.json naming it, or a given path) and reading it into field
// specifications that the CSV reader follows. Writing a descriptor is DatasetWriter's.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/common/ZiraTypes.h"

// How the cells of a field are read. Dates and times become numbers (seconds).
enum class FieldKind { kNumber, kInteger, kBoolean, kString, kDate, kTime, kDateTime, kYear };

// The descriptor's type name of a kind ("number", "integer", ...).
const char* FieldKindName(FieldKind kind);

using AttributeList = std::vector<std::pair<std::string, std::vector<std::string>>>;

// A value listed in missingValues or categories: its text as the CSV would hold it (a JSON
// number is given its shortest decimal text), whether it was a JSON number, and its label.
struct DescriptorValue {
  std::string text;
  bool isNumber = false;
  double number = 0;
  bool hasLabel = false;
  std::string label;
  std::string path;  // JSON pointer of the value, for messages
};

// One field of a descriptor, as read.
struct FieldSpec {
  std::string name;
  std::string path;  // JSON pointer of the field ("/fields/3"), for messages
  std::string title;
  std::string description;
  FieldKind kind = FieldKind::kString;
  std::string datePattern;  // "format" of a date/time field: "" for ISO, else a %-pattern
  bool hasFormat = false;   // zira.format given
  ZiraFormat format;
  bool hasWriteFormat = false;  // zira.writeFormat given
  ZiraFormat writeFormat;
  int width =
      0;  // declared string width (constraints.maxLength, else zira.width); 0: from the data
  std::vector<DescriptorValue> missingValues;  // field missingValues: user-missing
  bool hasMissingRange = false;                // zira.missingRange {"low", "high"}
  double missingLow = 0, missingHigh = 0;
  std::vector<DescriptorValue> categories;
  bool categoriesOrdered = false;
  int level = kLevelUnknown;  // zira.level
  AttributeList attributes;   // zira.attributes
  char decimalChar = '.';
  std::string groupChar;
  std::vector<std::string> trueValues{"true", "True", "TRUE", "1"};
  std::vector<std::string> falseValues{"false", "False", "FALSE", "0"};
};

// A whole descriptor.
struct TableSchemaSpec {
  std::string fileName;  // the descriptor file, for messages
  std::vector<FieldSpec> fields;
  std::vector<std::string> missingValues{""};  // cells read as system-missing / blank
  AttributeList attributes;                    // schema-level zira.attributes
};

// Finds and reads the descriptor of a CSV file: schemaPath when given, else NAME.schema.json
// beside NAME.csv, else a datapackage.json beside it with a resource whose path is the CSV.
// *found is false when there is none (not an error). False with a message (file and line,
// or JSON pointer) when a descriptor exists but cannot be read; *out is then unspecified.
bool LoadTableSchema(const std::string& csvPath, const std::string& schemaPath, bool* found,
                     TableSchemaSpec* out, std::string* error);

// Reads a descriptor's text: a table schema, or a data package (then the resource whose path
// names csvPath is used; its schema may be inline or a path relative to the package).
bool ParseTableSchema(std::string_view text, const std::string& fileName,
                      const std::string& csvPath, TableSchemaSpec* out, std::string* error);

// The sidecar descriptor path of a CSV path: "dir/NAME.csv" -> "dir/NAME.schema.json".
std::string SidecarSchemaPath(const std::string& csvPath);
