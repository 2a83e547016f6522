#include "host/io/TableSchema.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/common/StringHelpers.h"
#include "host/io/CsvScanner.h"
#include "host/io/ValueText.h"

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot open the descriptor";
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  *text = ss.str();
  return true;
}

// A JSON pointer one step further.
std::string Ptr(const std::string& base, std::string_view key) {
  std::string out = base + "/";
  for (char c : key) {
    if (c == '~') {
      out += "~0";
    } else if (c == '/') {
      out += "~1";
    } else {
      out += c;
    }
  }
  return out;
}
std::string Ptr(const std::string& base, size_t index) {
  return base + "/" + std::to_string(index);
}

// Reads one descriptor document; every failure names the file and the JSON pointer.
class DescriptorReader {
 public:
  DescriptorReader(std::string fileName, std::string* error)
      : fFile(std::move(fileName)), fError(error) {}

  bool Fail(const std::string& path, const std::string& message) {
    *fError = fFile + ": at " + (path.empty() ? std::string("/") : path) + ": " + message;
    return false;
  }

  bool Parse(std::string_view text, json* out) {
    try {
      *out = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
      size_t line, column;
      size_t at = e.byte > 0 ? e.byte - 1 : 0;
      LineAndColumn(text, at, &line, &column);
      std::string what = e.what();
      size_t cut = what.find("syntax error");
      *fError = fFile + ":" + std::to_string(line) + ":" + std::to_string(column) +
                ": the descriptor is not valid JSON: " +
                (cut == std::string::npos ? what : what.substr(cut));
      return false;
    }
    return true;
  }

  bool String(const json& j, const std::string& path, std::string* out) {
    if (!j.is_string()) return Fail(path, "a text is expected");
    *out = j.get<std::string>();
    return true;
  }

  bool StringList(const json& j, const std::string& path, std::vector<std::string>* out) {
    if (!j.is_array()) return Fail(path, "a list of texts is expected");
    out->clear();
    for (size_t i = 0; i < j.size(); ++i) {
      std::string s;
      if (!String(j[i], Ptr(path, i), &s)) return false;
      out->push_back(std::move(s));
    }
    return true;
  }

  bool Attributes(const json& j, const std::string& path, AttributeList* out) {
    if (!j.is_object()) return Fail(path, "an object of attribute arrays is expected");
    for (const auto& [name, values] : j.items()) {
      std::vector<std::string> list;
      if (!StringList(values, Ptr(path, name), &list)) return false;
      out->emplace_back(name, std::move(list));
    }
    return true;
  }

  // A value of missingValues or categories: a text, a number, or {"value": ..., "label": ...}.
  bool Value(const json& j, const std::string& path, DescriptorValue* out) {
    out->path = path;
    const json* v = &j;
    if (j.is_object()) {
      if (!j.contains("value")) return Fail(path, "the entry has no \"value\"");
      v = &j["value"];
      out->path = Ptr(path, "value");
      if (j.contains("label")) {
        if (!String(j["label"], Ptr(path, "label"), &out->label)) return false;
        out->hasLabel = true;
      }
    }
    if (v->is_string()) {
      out->text = v->get<std::string>();
    } else if (v->is_number()) {
      out->isNumber = true;
      out->number = v->get<double>();
      out->text = NumberText(out->number);
    } else {
      return Fail(out->path, "a text or a number is expected");
    }
    return true;
  }

  bool ValueList(const json& j, const std::string& path, std::vector<DescriptorValue>* out) {
    if (!j.is_array()) return Fail(path, "a list is expected");
    for (size_t i = 0; i < j.size(); ++i) {
      DescriptorValue v;
      if (!Value(j[i], Ptr(path, i), &v)) return false;
      out->push_back(std::move(v));
    }
    return true;
  }

  bool Format(const json& j, const std::string& path, FieldKind kind, ZiraFormat* out) {
    std::string text;
    if (!String(j, path, &text)) return false;
    if (!ParseFormatCode(text, out))
      return Fail(
          path,
          "'" + text + "' is not a format code (such as F8.2, A20, DATE10, TIME8, DATETIME19)");
    if ((out->type == kFmtString) != (kind == FieldKind::kString))
      return Fail(path, "format " + text + " does not fit a field of type " + FieldKindName(kind));
    return true;
  }

  bool Kind(const std::string& type, const std::string& path, FieldKind* out) {
    static const std::pair<const char*, FieldKind> kKinds[] = {{"number", FieldKind::kNumber},
                                                               {"integer", FieldKind::kInteger},
                                                               {"boolean", FieldKind::kBoolean},
                                                               {"string", FieldKind::kString},
                                                               {"date", FieldKind::kDate},
                                                               {"time", FieldKind::kTime},
                                                               {"datetime", FieldKind::kDateTime},
                                                               {"year", FieldKind::kYear},
                                                               // Types kept as text.
                                                               {"any", FieldKind::kString},
                                                               {"yearmonth", FieldKind::kString},
                                                               {"duration", FieldKind::kString},
                                                               {"object", FieldKind::kString},
                                                               {"array", FieldKind::kString},
                                                               {"list", FieldKind::kString},
                                                               {"geopoint", FieldKind::kString},
                                                               {"geojson", FieldKind::kString}};
    for (const auto& [name, kind] : kKinds) {
      if (type == name) {
        *out = kind;
        return true;
      }
    }
    return Fail(path,
                "unknown type '" + type +
                    "' (known: number, integer, boolean, string, date, time, datetime, "
                    "year, yearmonth, duration, any, object, array, list, geopoint, geojson)");
  }

  bool Field(const json& j, const std::string& path, FieldSpec* f) {
    if (!j.is_object()) return Fail(path, "a field must be an object");
    f->path = path;
    if (!j.contains("name")) return Fail(path, "the field has no \"name\"");
    if (!String(j["name"], Ptr(path, "name"), &f->name)) return false;
    std::string type = "string";
    if (j.contains("type") && !String(j["type"], Ptr(path, "type"), &type)) return false;
    if (!Kind(type, Ptr(path, "type"), &f->kind)) return false;
    const bool numeric = f->kind != FieldKind::kString;
    for (const auto& [key, v] : j.items()) {
      std::string p = Ptr(path, key);
      if (key == "title") {
        if (!String(v, p, &f->title)) return false;
      } else if (key == "description") {
        if (!String(v, p, &f->description)) return false;
      } else if (key == "format") {
        std::string fmt;
        if (!String(v, p, &fmt)) return false;
        bool dated = f->kind == FieldKind::kDate || f->kind == FieldKind::kTime ||
                     f->kind == FieldKind::kDateTime;
        if (dated && fmt != "default" && fmt != "any" && !fmt.empty()) {
          for (size_t i = 0; i < fmt.size(); ++i) {
            if (fmt[i] != '%') continue;
            if (i + 1 == fmt.size() ||
                std::string_view("YmdHMS%").find(fmt[i + 1]) == std::string_view::npos)
              return Fail(p, "date pattern '" + fmt + "' may use only %Y %m %d %H %M %S and %%");
            ++i;
          }
          f->datePattern = fmt;
        }
      } else if (key == "constraints") {
        if (!v.is_object()) return Fail(p, "an object is expected");
        if (v.contains("maxLength") && f->kind == FieldKind::kString) {
          const json& m = v["maxLength"];
          if (!m.is_number_integer() || m.get<long long>() < 1 || m.get<long long>() > 32767)
            return Fail(Ptr(p, "maxLength"), "a whole number from 1 to 32767 is expected");
          f->width = m.get<int>();
        }
      } else if (key == "zira.width") {
        if (!v.is_number_integer() || v.get<long long>() < 1 || v.get<long long>() > 32767)
          return Fail(p, "a whole number from 1 to 32767 is expected");
        if (f->kind == FieldKind::kString && f->width == 0) f->width = v.get<int>();
      } else if (key == "zira.format") {
        if (!Format(v, p, f->kind, &f->format)) return false;
        f->hasFormat = true;
      } else if (key == "zira.writeFormat") {
        if (!Format(v, p, f->kind, &f->writeFormat)) return false;
        f->hasWriteFormat = true;
      } else if (key == "missingValues") {
        if (!ValueList(v, p, &f->missingValues)) return false;
      } else if (key == "zira.missingRange") {
        if (!numeric) return Fail(p, "only a numeric field can have a missing-value range");
        if (!v.is_object() || !v.contains("low") || !v.contains("high") || !v["low"].is_number() ||
            !v["high"].is_number() || v["low"].get<double>() > v["high"].get<double>())
          return Fail(p, "{\"low\": number, \"high\": number} with low <= high is expected");
        f->hasMissingRange = true;
        f->missingLow = v["low"].get<double>();
        f->missingHigh = v["high"].get<double>();
      } else if (key == "categories") {
        if (!ValueList(v, p, &f->categories)) return false;
      } else if (key == "categoriesOrdered") {
        if (!v.is_boolean()) return Fail(p, "true or false is expected");
        f->categoriesOrdered = v.get<bool>();
      } else if (key == "zira.level") {
        std::string level;
        if (!String(v, p, &level)) return false;
        if (AreStringsEqualCase(level, "nominal")) {
          f->level = kLevelNominal;
        } else if (AreStringsEqualCase(level, "ordinal")) {
          f->level = kLevelOrdinal;
        } else if (AreStringsEqualCase(level, "scale")) {
          f->level = kLevelScale;
        } else {
          return Fail(p, "'" + level + "' is not a level (nominal, ordinal or scale)");
        }
      } else if (key == "zira.attributes") {
        if (!Attributes(v, p, &f->attributes)) return false;
      } else if (key == "decimalChar") {
        std::string s;
        if (!String(v, p, &s)) return false;
        if (s.size() != 1) return Fail(p, "one character is expected");
        f->decimalChar = s[0];
      } else if (key == "groupChar") {
        if (!String(v, p, &f->groupChar)) return false;
        if (f->groupChar.size() > 1) return Fail(p, "one character is expected");
      } else if (key == "trueValues") {
        if (!StringList(v, p, &f->trueValues)) return false;
      } else if (key == "falseValues") {
        if (!StringList(v, p, &f->falseValues)) return false;
      }
    }
    if (f->categoriesOrdered && f->level == kLevelUnknown) f->level = kLevelOrdinal;
    return true;
  }

  bool Schema(const json& j, const std::string& path, TableSchemaSpec* out) {
    if (!j.is_object()) return Fail(path, "a table schema must be an object");
    if (!j.contains("fields") || !j["fields"].is_array())
      return Fail(path, "the schema has no list of \"fields\"");
    const json& fields = j["fields"];
    for (size_t i = 0; i < fields.size(); ++i) {
      FieldSpec f;
      if (!Field(fields[i], Ptr(Ptr(path, "fields"), i), &f)) return false;
      out->fields.push_back(std::move(f));
    }
    if (j.contains("missingValues")) {
      std::vector<DescriptorValue> values;
      if (!ValueList(j["missingValues"], Ptr(path, "missingValues"), &values)) return false;
      out->missingValues.clear();
      for (auto& v : values) out->missingValues.push_back(std::move(v.text));
    }
    if (j.contains("zira.attributes") &&
        !Attributes(j["zira.attributes"], Ptr(path, "zira.attributes"), &out->attributes))
      return false;
    return true;
  }

 private:
  std::string fFile;
  std::string* fError;
};

// The index of the package resource whose path names the CSV file, or -1.
long FindResource(const json& pkg, const fs::path& pkgDir, const std::string& csvPath) {
  if (!pkg.is_object() || !pkg.contains("resources") || !pkg["resources"].is_array()) return -1;
  const json& res = pkg["resources"];
  for (size_t i = 0; i < res.size(); ++i) {
    if (!res[i].is_object() || !res[i].contains("path") || !res[i]["path"].is_string()) continue;
    fs::path p = pkgDir / res[i]["path"].get<std::string>();
    std::error_code ec;
    if (fs::equivalent(p, csvPath, ec) && !ec) return static_cast<long>(i);
  }
  return -1;
}

}  // namespace

const char* FieldKindName(FieldKind kind) {
  switch (kind) {
    case FieldKind::kNumber:
      return "number";
    case FieldKind::kInteger:
      return "integer";
    case FieldKind::kBoolean:
      return "boolean";
    case FieldKind::kString:
      return "string";
    case FieldKind::kDate:
      return "date";
    case FieldKind::kTime:
      return "time";
    case FieldKind::kDateTime:
      return "datetime";
    case FieldKind::kYear:
      return "year";
  }
  return "string";
}

std::string SidecarSchemaPath(const std::string& csvPath) {
  fs::path p(csvPath);
  std::string stem = p.extension() == ".csv" || p.extension() == ".CSV" ? p.stem().string()
                                                                        : p.filename().string();
  return (p.parent_path() / (stem + ".schema.json")).string();
}

bool ParseTableSchema(std::string_view text, const std::string& fileName,
                      const std::string& csvPath, TableSchemaSpec* out, std::string* error) {
  DescriptorReader reader(fileName, error);
  json j;
  if (!reader.Parse(text, &j)) return false;
  out->fileName = fileName;
  if (!j.is_object() || !j.contains("resources")) return reader.Schema(j, "", out);
  // A data package: the resource that names the CSV file.
  fs::path pkgDir = fs::path(fileName).parent_path();
  long index = FindResource(j, pkgDir, csvPath);
  if (index < 0)
    return reader.Fail("/resources",
                       "no resource has the path of " + fs::path(csvPath).filename().string());
  std::string resPath = Ptr(Ptr("", "resources"), static_cast<size_t>(index));
  const json& res = j["resources"][static_cast<size_t>(index)];
  if (!res.contains("schema")) return reader.Fail(resPath, "the resource has no \"schema\"");
  const json& schema = res["schema"];
  if (!schema.is_string()) return reader.Schema(schema, Ptr(resPath, "schema"), out);
  std::string schemaFile = (pkgDir / schema.get<std::string>()).string();
  std::string schemaText;
  if (!ReadTextFile(schemaFile, &schemaText, error)) return false;
  DescriptorReader inner(schemaFile, error);
  json sj;
  if (!inner.Parse(schemaText, &sj)) return false;
  out->fileName = schemaFile;
  return inner.Schema(sj, "", out);
}

bool LoadTableSchema(const std::string& csvPath, const std::string& schemaPath, bool* found,
                     TableSchemaSpec* out, std::string* error) {
  *found = false;
  std::string path = schemaPath;
  std::string text;
  if (path.empty()) {
    std::error_code ec;
    std::string sidecar = SidecarSchemaPath(csvPath);
    if (fs::is_regular_file(sidecar, ec)) {
      path = sidecar;
    } else {
      fs::path pkg = fs::path(csvPath).parent_path() / "datapackage.json";
      if (!fs::is_regular_file(pkg, ec)) return true;
      if (!ReadTextFile(pkg.string(), &text, error)) return false;
      json j = json::parse(text, nullptr, false);
      if (j.is_discarded() || FindResource(j, pkg.parent_path(), csvPath) < 0) return true;
      path = pkg.string();
    }
  }
  if (text.empty() && !ReadTextFile(path, &text, error)) return false;
  *found = true;
  return ParseTableSchema(text, path, csvPath, out, error);
}
