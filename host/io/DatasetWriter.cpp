#include "host/io/DatasetWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "host/io/TableSchema.h"
#include "host/io/ValueText.h"

namespace fs = std::filesystem;
using ojson = nlohmann::ordered_json;

namespace {

constexpr double kMaxExactInteger = 9007199254740992.0;  // 2^53
constexpr size_t kFlushBytes = size_t{1} << 20;

// Writes a value of a numeric kind; 0 when the kind cannot hold it exactly.
size_t WriteValue(FieldKind kind, double v, char* buf) {
  switch (kind) {
    case FieldKind::kDate:
      return WriteIsoDate(v, buf);
    case FieldKind::kTime:
      return WriteIsoTime(v, buf);
    case FieldKind::kDateTime:
      return WriteIsoDateTime(v, buf);
    default:
      return WriteNumber(v, buf);
  }
}

std::string ValueText(FieldKind kind, double v) {
  char buf[kIsoTextMax];
  return std::string(buf, WriteValue(kind, v, buf));
}

// The kind a numeric variable is written as: its format's date or time kind when every value
// (data, labelled values, missing values) reads back exactly in ISO form; integer when every
// value is a whole number and the format has no decimals; else number.
FieldKind WriteKind(const ZIRA_Variable& v) {
  if (v.IsString()) return FieldKind::kString;
  std::vector<double> values;
  for (const auto& [x, label] : v.GetValueLabels().NumericPairs()) values.push_back(x);
  for (double x : v.GetMissingValues().values) values.push_back(x);
  auto all = [&](auto pred) {
    for (double x : v.Numbers())
      if (x != MCMV::gMissingValue && !pred(x)) return false;
    for (double x : values)
      if (!pred(x)) return false;
    return true;
  };
  FieldKind dated = v.GetFormat().type == kFmtDate       ? FieldKind::kDate
                    : v.GetFormat().type == kFmtTime     ? FieldKind::kTime
                    : v.GetFormat().type == kFmtDateTime ? FieldKind::kDateTime
                                                         : FieldKind::kNumber;
  if (dated != FieldKind::kNumber) {
    char buf[kIsoTextMax];
    if (all([&](double x) { return WriteValue(dated, x, buf) > 0; })) return dated;
    return FieldKind::kNumber;
  }
  if (v.GetFormat().decimals == 0 && all([](double x) {
        return std::isfinite(x) && std::floor(x) == x && std::fabs(x) <= kMaxExactInteger &&
               !(x == 0 && std::signbit(x));
      }))
    return FieldKind::kInteger;
  return FieldKind::kNumber;
}

ojson JsonValue(FieldKind kind, double v) {
  if (kind == FieldKind::kDate || kind == FieldKind::kTime || kind == FieldKind::kDateTime)
    return ValueText(kind, v);
  if (std::isfinite(v) && std::floor(v) == v && std::fabs(v) <= kMaxExactInteger)
    return static_cast<long long>(v);
  if (!std::isfinite(v)) return ValueText(kind, v);
  return v;
}

ojson Attributes(const DatasourceAttributes& attrs) {
  ojson j = ojson::object();
  for (const auto& name : attrs.Names()) j[name] = attrs.Values(name);
  return j;
}

ojson FieldJson(const ZIRA_Variable& v, FieldKind kind) {
  ojson f;
  f["name"] = v.GetName();
  f["type"] = FieldKindName(kind);
  if (!v.GetLabel().empty()) f["title"] = v.GetLabel();
  if (!v.GetDescription().empty()) f["description"] = v.GetDescription();
  f["zira.format"] = FormatCodeText(v.GetFormat());
  if (!(v.GetWriteFormat() == v.GetFormat()))
    f["zira.writeFormat"] = FormatCodeText(v.GetWriteFormat());
  if (v.IsString()) f["zira.width"] = v.GetType();
  static const char* kLevels[] = {"", "nominal", "ordinal", "scale"};
  int level = v.GetMeasurementLevel();
  if (level >= kLevelNominal && level <= kLevelScale) f["zira.level"] = kLevels[level];
  // Categories: labelled values in their order (user-missing ones too, so that the order of
  // the labels survives), then values listed without labels.
  const ZIRA_ValueLabelMap& labels = v.GetValueLabels();
  ojson cats = ojson::array();
  bool labelled = !labels.Empty();
  for (const auto& [x, label] : labels.NumericPairs())
    cats.push_back({{"value", JsonValue(kind, x)}, {"label", label}});
  for (const auto& [s, label] : labels.StringPairs())
    cats.push_back({{"value", s}, {"label", label}});
  for (const auto& text : v.GetUnlabeledCategories()) {
    ojson value = text;
    double x;
    if (!v.IsString() && ParseNumber(text, &x) && NumberText(x) == text)
      value = JsonValue(FieldKind::kNumber, x);
    cats.push_back(labelled ? ojson{{"value", value}} : value);
  }
  if (!cats.empty()) {
    f["categories"] = cats;
    if (level == kLevelOrdinal) f["categoriesOrdered"] = true;
  }
  // User-missing values, as the cells hold them; with their labels when any has one.
  const ZiraMissingValues& mv = v.GetMissingValues();
  ojson missing = ojson::array();
  bool anyLabel = false;
  std::vector<std::pair<std::string, const std::string*>> items;
  for (double x : mv.values) items.emplace_back(ValueText(kind, x), labels.Find(x));
  for (const auto& s : mv.strings) items.emplace_back(s, labels.Find(s));
  for (const auto& item : items) anyLabel = anyLabel || item.second;
  for (const auto& [text, label] : items) {
    if (!anyLabel) {
      missing.push_back(text);
    } else if (label) {
      missing.push_back({{"value", text}, {"label", *label}});
    } else {
      missing.push_back({{"value", text}});
    }
  }
  if (!missing.empty()) f["missingValues"] = missing;
  if (mv.hasRange) f["zira.missingRange"] = {{"low", mv.low}, {"high", mv.high}};
  if (!v.GetAttributes().Empty()) f["zira.attributes"] = Attributes(v.GetAttributes());
  return f;
}

std::string SchemaText(const ZIRA_DataSource& data, const std::vector<FieldKind>& kinds) {
  ojson schema;
  schema["$schema"] = "https://datapackage.org/profiles/2.0/tableschema.json";
  ojson fields = ojson::array();
  for (int i = 0; i < data.ColumnCount(); ++i)
    fields.push_back(FieldJson(*data.GetVariable(i), kinds[static_cast<size_t>(i)]));
  schema["fields"] = fields;
  schema["missingValues"] = ojson::array({""});
  if (!data.GetAttributes().Empty()) schema["zira.attributes"] = Attributes(data.GetAttributes());
  return schema.dump(2, ' ', false, ojson::error_handler_t::replace) + "\n";
}

// Appends a string cell, quoted when it holds a comma, quote or line end.
void PutString(std::string_view s, std::string* out) {
  if (s.find_first_of(",\"\r\n") == std::string_view::npos) {
    out->append(s);
    return;
  }
  out->push_back('"');
  for (char c : s) {
    if (c == '"') out->push_back('"');
    out->push_back(c);
  }
  out->push_back('"');
}

// A file being written under a temporary name in the target's folder. Removes the
// temporary file unless committed.
class TempFile {
 public:
  explicit TempFile(const std::string& target) : fTarget(target) {}
  ~TempFile() {
    if (fFd >= 0) ::close(fFd);
    if (!fPath.empty()) ::unlink(fPath.c_str());
  }
  bool Open(std::string* error) {
    fs::path t(fTarget);
    fs::path dir = t.parent_path().empty() ? fs::path(".") : t.parent_path();
    std::string templ = (dir / ("." + t.filename().string() + ".tmpXXXXXX")).string();
    fFd = ::mkstemp(templ.data());
    if (fFd < 0) return Fail(error);
    fPath = templ;
    ::fchmod(fFd, 0644);
    return true;
  }
  bool Write(std::string_view bytes, std::string* error) {
    while (!bytes.empty()) {
      ssize_t n = ::write(fFd, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Fail(error);
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
  bool Close(std::string* error) {
    int fd = fFd;
    fFd = -1;
    if (::fsync(fd) != 0) {
      ::close(fd);
      return Fail(error);
    }
    return ::close(fd) == 0 || Fail(error);
  }
  const std::string& Path() const { return fPath; }
  void Committed() { fPath.clear(); }
  bool Fail(std::string* error) {
    *error = "cannot write " + fTarget + ": " + std::strerror(errno);
    return false;
  }

 private:
  std::string fTarget;
  std::string fPath;
  int fFd = -1;
};

bool WriteCsv(const ZIRA_DataSource& data, const std::vector<FieldKind>& kinds, TempFile* file,
              std::string* error) {
  const int ncols = data.ColumnCount();
  std::string out;
  out.reserve(kFlushBytes + 4096);
  for (int c = 0; c < ncols; ++c) {
    if (c) out.push_back(',');
    PutString(data.GetVariable(c)->GetName(), &out);
  }
  out.push_back('\n');
  char buf[kIsoTextMax];
  for (size_t row = 0; row < data.CaseCount(); ++row) {
    for (int c = 0; c < ncols; ++c) {
      if (c) out.push_back(',');
      const ZIRA_Variable& v = *data.GetVariable(c);
      size_t before = out.size();
      if (v.IsString()) {
        PutString(v.GetString(row), &out);
      } else if (double x = v.GetNumber(row); x != MCMV::gMissingValue) {
        size_t n = WriteValue(kinds[static_cast<size_t>(c)], x, buf);
        assert(n > 0 && "host/io/DatasetWriter: the write kind holds every value");
        out.append(buf, n);
      }
      if (ncols == 1 && out.size() == before) out.append("\"\"");  // an empty line is no row
    }
    out.push_back('\n');
    if (out.size() >= kFlushBytes) {
      if (!file->Write(out, error)) return false;
      out.clear();
    }
  }
  return file->Write(out, error);
}

}  // namespace

std::string MakeTableSchemaText(const ZIRA_DataSource& data) {
  std::vector<FieldKind> kinds;
  for (int i = 0; i < data.ColumnCount(); ++i) kinds.push_back(WriteKind(*data.GetVariable(i)));
  return SchemaText(data, kinds);
}

bool WriteDataset(const ZIRA_DataSource& data, const std::string& csvPath, std::string* error) {
  if (data.ColumnCount() == 0) {
    *error = "cannot write " + csvPath + ": the dataset has no variables";
    return false;
  }
  const std::string schemaPath = SidecarSchemaPath(csvPath);
  std::vector<FieldKind> kinds;
  for (int i = 0; i < data.ColumnCount(); ++i) kinds.push_back(WriteKind(*data.GetVariable(i)));

  TempFile csv(csvPath), schema(schemaPath);
  if (!csv.Open(error) || !WriteCsv(data, kinds, &csv, error) || !csv.Close(error)) return false;
  if (!schema.Open(error) || !schema.Write(SchemaText(data, kinds), error) || !schema.Close(error))
    return false;

  // Keep a link to the old data file so that it can be put back if the descriptor fails.
  std::string backup = csv.Path() + ".old";
  std::error_code ec;
  bool hadOld = fs::is_regular_file(csvPath, ec) && ::link(csvPath.c_str(), backup.c_str()) == 0;
  if (::rename(csv.Path().c_str(), csvPath.c_str()) != 0) {
    bool failed = csv.Fail(error);
    if (hadOld) ::unlink(backup.c_str());
    return failed;
  }
  csv.Committed();
  if (::rename(schema.Path().c_str(), schemaPath.c_str()) != 0) {
    bool failed = schema.Fail(error);
    if (hadOld) {
      ::rename(backup.c_str(), csvPath.c_str());
    } else {
      ::unlink(csvPath.c_str());
    }
    return failed;
  }
  schema.Committed();
  if (hadOld) ::unlink(backup.c_str());
  fs::path dir = fs::path(csvPath).parent_path();
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}
