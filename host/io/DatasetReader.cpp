#include "host/io/DatasetReader.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <unordered_map>
#include <unordered_set>

#include "host/common/MemoryAdvice.h"
#include "host/common/Parallel.h"
#include "host/common/StringHelpers.h"
#include "host/io/ColumnParser.h"
#include "host/common/ProgressMeter.h"
#include "host/io/TableSchema.h"
#include "host/io/ValueText.h"

namespace {

constexpr size_t kDefaultChunkBytes = size_t{2} << 20;
constexpr size_t kParallelFromBytes = size_t{8} << 20;
constexpr size_t kMaxNameBytes = 64;

// "FILE:LINE:COLUMN: " for a byte offset of the text.
std::string Where(const std::string& file, std::string_view text, size_t offset) {
  size_t line, column;
  LineAndColumn(text, offset, &line, &column);
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": ";
}

// Cuts a UTF-8 text to at most n bytes without splitting a character.
std::string CutUtf8(std::string s, size_t n) {
  if (s.size() <= n) return s;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  s.resize(n);
  return s;
}

// A valid variable name made from a column header: invalid characters become _, a leading @
// is added where the first character cannot start a name or the name is a reserved word.
std::string MendName(std::string_view raw, size_t column) {
  std::string s;
  for (char ch : raw) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool ok = c >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
              (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '@' || c == '#' || c == '$';
    s += ok ? ch : '_';
  }
  if (s.empty()) s = "@V" + std::to_string(column + 1);
  unsigned char first = static_cast<unsigned char>(s[0]);
  bool letter = first >= 0x80 || (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
  if (!(letter || first == '@' || first == '#' || first == '$') || IsReservedWord(s)) s = "@" + s;
  s = CutUtf8(std::move(s), kMaxNameBytes);
  if (s.back() == '.') s.back() = '_';
  return s;
}

// Runs fn(i) for every chunk index, on up to `threads` threads. Chunks after one that
// failed are skipped: the first fault in the file is the one reported.
template <typename Fn>
void ForEachChunk(size_t n, int threads, const std::vector<ChunkOutcome>& outcomes, Fn fn) {
  std::atomic<size_t> firstFailed{n};
  ParallelFor(n, threads, [&](size_t i) {
    if (i > firstFailed.load()) return;
    fn(i);
    if (outcomes[i].errorOffset != ChunkOutcome::kNoError) {
      size_t cur = firstFailed.load();
      while (i < cur && !firstFailed.compare_exchange_weak(cur, i)) {
      }
    }
  });
}

// The first fault of a pass, or none.
bool FirstFault(const std::vector<ChunkOutcome>& outcomes, const std::string& file,
                std::string_view text, std::string* error) {
  const ChunkOutcome* first = nullptr;
  for (const auto& o : outcomes)
    if (o.errorOffset != ChunkOutcome::kNoError && (!first || o.errorOffset < first->errorOffset))
      first = &o;
  if (!first) return false;
  *error = Where(file, text, first->errorOffset) + first->errorText;
  return true;
}

// Matches the header's columns to the descriptor's fields: in order when the names agree
// position by position, else by name. Fails naming the column or the field.
bool MatchFields(const TableSchemaSpec& schema, const std::vector<std::string>& header,
                 const std::vector<size_t>& offsets, const std::string& file, std::string_view text,
                 std::vector<const FieldSpec*>* specs, std::string* error) {
  const auto& fields = schema.fields;
  bool positional = fields.size() == header.size();
  for (size_t i = 0; positional && i < header.size(); ++i) positional = fields[i].name == header[i];
  specs->assign(header.size(), nullptr);
  if (positional) {
    for (size_t i = 0; i < header.size(); ++i) (*specs)[i] = &fields[i];
    return true;
  }
  std::unordered_map<std::string, size_t> byName;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!byName.emplace(fields[i].name, i).second) {
      *error = schema.fileName + ": at " + fields[i].path + "/name: the name \"" + fields[i].name +
               "\" is used by two fields, so the fields must follow the file's columns in order";
      return false;
    }
  }
  std::vector<bool> used(fields.size(), false);
  for (size_t c = 0; c < header.size(); ++c) {
    auto it = byName.find(header[c]);
    if (it == byName.end()) {
      *error = Where(file, text, offsets[c]) + "column \"" + header[c] + "\" has no field in " +
               schema.fileName;
      return false;
    }
    if (used[it->second]) {
      *error = Where(file, text, offsets[c]) + "column \"" + header[c] +
               "\" appears twice in the header; the descriptor's fields must then follow the "
               "columns in order";
      return false;
    }
    used[it->second] = true;
    (*specs)[c] = &fields[it->second];
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!used[i]) {
      *error = schema.fileName + ": at " + fields[i].path + ": field \"" + fields[i].name +
               "\" is not in the header of " + file;
      return false;
    }
  }
  return true;
}

// The settled kind of an inferred column.
FieldKind InferredKind(const ColumnStats& st) {
  if (!st.any || (st.kinds & kMayNumber)) return FieldKind::kNumber;
  if (st.kinds & kMayDate) return FieldKind::kDate;
  if (st.kinds & kMayDateTime) return FieldKind::kDateTime;
  if (st.kinds & kMayTime) return FieldKind::kTime;
  return FieldKind::kString;
}

// The print format of a column whose descriptor gives none, from its values.
ZiraFormat DerivedFormat(FieldKind kind, int width, const ColumnStats& st) {
  int d = std::min(st.maxDecimals, 9);
  switch (kind) {
    case FieldKind::kString:
      return {kFmtString, width, 0};
    case FieldKind::kDate:
      return {kFmtDate, 10, 0};
    case FieldKind::kTime:
      return {kFmtTime, d ? 9 + d : 8, d};
    case FieldKind::kDateTime:
      return {kFmtDateTime, d ? 20 + d : 19, d};
    case FieldKind::kNumber: {
      if (!st.any) return {kFmtNumber, 8, 2};
      d = std::min(st.maxDecimals, 16);
      int w = static_cast<int>(std::min<size_t>(st.maxNumberText, 40));
      w = std::clamp(std::max(w, d > 0 ? d + 2 : 1), 1, 40);
      return {kFmtNumber, w, d};
    }
    default: {
      int w = st.any ? static_cast<int>(std::clamp<size_t>(st.maxNumberText, 1, 40)) : 8;
      return {kFmtNumber, w, 0};
    }
  }
}

// Puts a descriptor's labels, categories, missing values, level and attributes on a variable.
bool ApplyFieldMetadata(const ColumnPlan& plan, const TableSchemaSpec* schema, ZIRA_Variable* var,
                        std::string* error) {
  const FieldSpec& spec = *plan.spec;
  const bool numeric = plan.kind != FieldKind::kString;
  auto fail = [&](const DescriptorValue& v) {
    *error = (schema ? schema->fileName : std::string("descriptor")) + ": at " + v.path + ": " +
             QuoteValue(v.text) + " is not " + ExpectedText(spec, plan.kind);
    return false;
  };
  auto value = [&](const DescriptorValue& v, double* out) {
    if (v.isNumber) return *out = v.number, true;
    return ReadNumericCell(spec, plan.kind, v.text, out);
  };
  ZIRA_ValueLabelMap labels(var->GetType());
  std::vector<std::string> unlabeled;
  for (const auto& c : spec.categories) {
    if (!c.hasLabel) {
      unlabeled.push_back(c.text);
      continue;
    }
    if (numeric) {
      double x;
      if (!value(c, &x)) return fail(c);
      labels.AddPair(x, c.label);
    } else {
      labels.AddPair(c.text, c.label);
    }
  }
  ZiraMissingValues mv;
  for (const auto& m : spec.missingValues) {
    if (numeric) {
      double x;
      if (!value(m, &x)) continue;  // a marker of system-missing cells instead
      mv.values.push_back(x);
      if (m.hasLabel) labels.AddPair(x, m.label);
    } else {
      mv.strings.push_back(m.text);
      if (m.hasLabel) labels.AddPair(m.text, m.label);
    }
  }
  if (spec.hasMissingRange) {
    mv.hasRange = true;
    mv.low = spec.missingLow;
    mv.high = spec.missingHigh;
  }
  var->SetValueLabels(std::move(labels));
  var->SetUnlabeledCategories(std::move(unlabeled));
  var->SetMissingValues(std::move(mv));
  var->SetMeasurementLevel(spec.level);
  var->SetDescription(spec.description);
  for (const auto& [name, values] : spec.attributes) var->GetAttributes().Set(name, values);
  return true;
}

}  // namespace

namespace {
bool ReadBytes(std::string_view bytes, const std::string& file, const TableSchemaSpec* schema,
               const DatasetReadOptions& options, ZIRA_DataSource* out, std::string* error,
               std::vector<std::string>* warnings, const MappedFile* mapped);
}  // namespace

bool ReadDataset(const std::string& csvPath, const DatasetReadOptions& options,
                 ZIRA_DataSource* out, std::string* error, std::vector<std::string>* warnings) {
  TableSchemaSpec schema;
  bool found = false;
  if (!LoadTableSchema(csvPath, options.schemaPath, &found, &schema, error)) return false;
  MappedFile file;
  if (!file.Open(csvPath, error)) return false;
  return ReadBytes(file.View(), csvPath, found ? &schema : nullptr, options, out, error, warnings,
                   &file);
}

bool ReadDatasetBytes(std::string_view bytes, const std::string& file,
                      const TableSchemaSpec* schema, const DatasetReadOptions& options,
                      ZIRA_DataSource* out, std::string* error,
                      std::vector<std::string>* warnings) {
  return ReadBytes(bytes, file, schema, options, out, error, warnings, nullptr);
}

namespace {

// Reads the bytes of a CSV file; mapped, when given, is the mapping they live in.
bool ReadBytes(std::string_view bytes, const std::string& file, const TableSchemaSpec* schema,
               const DatasetReadOptions& options, ZIRA_DataSource* out, std::string* error,
               std::vector<std::string>* warnings, const MappedFile* mapped) {
  const char* begin = bytes.data();
  const char* end = begin + bytes.size();
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") begin += 3;  // byte order mark

  // The header row.
  CsvCursor hc(begin, end);
  if (!hc.SkipEmptyLines()) {
    *error = file + ":1:1: the file is empty; a header row with the column names is expected";
    return false;
  }
  std::vector<std::string> header;
  std::vector<size_t> offsets;
  std::string buf;
  for (;;) {
    CsvField f;
    offsets.push_back(static_cast<size_t>(hc.Pos() - bytes.data()));
    CsvFieldEnd e = hc.Next(&f);
    if (e == CsvFieldEnd::kError) {
      *error =
          Where(file, bytes, static_cast<size_t>(hc.ErrorPos() - bytes.data())) + hc.ErrorText();
      return false;
    }
    header.emplace_back(f.Text(&buf));
    if (e != CsvFieldEnd::kComma) break;
  }
  const char* dataBegin = hc.Pos();
  if (size_t bad = FindInvalidUtf8(begin, dataBegin); bad != std::string_view::npos) {
    *error = Where(file, bytes, static_cast<size_t>(begin - bytes.data()) + bad) +
             "invalid UTF-8: the file must be encoded in UTF-8";
    return false;
  }
  const size_t ncols = header.size();

  // Fields and column plans.
  std::vector<const FieldSpec*> specs;
  std::vector<FieldSpec> defaults(schema ? 0 : ncols);
  if (schema) {
    if (!MatchFields(*schema, header, offsets, file, bytes, &specs, error)) return false;
  } else {
    for (size_t c = 0; c < ncols; ++c) specs.push_back(&defaults[c]);
  }
  std::vector<ColumnPlan> plans(ncols);
  std::unordered_set<std::string> usedNames;
  std::vector<std::string> labels(ncols);
  for (size_t c = 0; c < ncols; ++c) {
    ColumnPlan& p = plans[c];
    p.spec = specs[c];
    p.infer = schema == nullptr;
    p.kind = p.spec->kind;
    p.width = p.spec->width;
    p.needsWidth = p.infer || (p.kind == FieldKind::kString && p.width == 0);
    p.missingMarkers = schema ? schema->missingValues : std::vector<std::string>{""};
    if (p.kind != FieldKind::kString) {
      for (const auto& m : p.spec->missingValues) {
        double x;
        if (!m.isNumber && !ReadNumericCell(*p.spec, p.kind, m.text, &x))
          p.missingMarkers.push_back(m.text);
      }
    }
    p.onlyEmptyMarker = p.missingMarkers.size() == 1 && p.missingMarkers[0].empty();
    // The variable name, mended and made unique.
    const std::string& raw = header[c];
    std::string name = IsValidVarName(raw) && !IsReservedWord(raw) ? raw : MendName(raw, c);
    bool mended = name != raw;
    std::string base = name;
    for (int k = 2; usedNames.count(FoldCase(name)); ++k) {
      std::string suffix = "_" + std::to_string(k);
      name = CutUtf8(base, kMaxNameBytes - suffix.size()) + suffix;
    }
    usedNames.insert(FoldCase(name));
    if (name != raw && warnings) {
      warnings->push_back(Where(file, bytes, offsets[c]) + "column name \"" + raw + "\" " +
                          (mended ? "is not a valid variable name" : "appears more than once") +
                          "; it is read as " + name + " and kept as the variable's label");
    }
    labels[c] = !p.spec->title.empty() ? p.spec->title : (name != raw ? raw : "");
    p.name = std::move(name);
  }

  // Rows, in chunks of whole rows: pieces of the bytes are scanned for row ends in parallel,
  // then joined in order, which settles where each chunk's rows go in the columns.
  int threads = options.threads;
  if (threads <= 0) {
    threads = bytes.size() < kParallelFromBytes ? 1 : WorkerThreads();
  }
  const size_t chunkBytes = options.chunkBytes ? options.chunkBytes : kDefaultChunkBytes;
  std::vector<RowEndScan> scans((static_cast<size_t>(end - dataBegin) + chunkBytes - 1) /
                                chunkBytes);
  ParallelFor(scans.size(), threads, [&](size_t i) {
    const char* b = dataBegin + i * chunkBytes;
    const char* e = static_cast<size_t>(end - b) > chunkBytes ? b + chunkBytes : end;
    scans[i] = ScanRowEnds(dataBegin, b, e);
    if (mapped) mapped->Release(b, e);  // the passes bring back what they read
  });
  const bool ascii =
      std::all_of(scans.begin(), scans.end(), [](const RowEndScan& s) { return s.ascii; });
  std::vector<CsvChunk> chunks = JoinRowScans(dataBegin, end, scans);
  scans.clear();
  size_t rows = chunks.empty() ? 0 : chunks.back().firstRow + chunks.back().rows;
  const bool statsPass =
      std::any_of(plans.begin(), plans.end(), [](const ColumnPlan& p) { return p.needsWidth; });
  const size_t dataBytes = static_cast<size_t>(end - dataBegin);
  std::string fileName =
      file.substr(file.find_last_of('/') == std::string::npos ? 0 : file.find_last_of('/') + 1);
  ProgressMeter meter("Reading " + fileName, dataBytes * (statsPass ? 2 : 1), options.progress);
  std::vector<ColumnStats> merged;
  auto runPass = [&](ChunkPass pass, bool checkUtf8, std::vector<ChunkOutcome>* outcomes) {
    outcomes->assign(chunks.size(), ChunkOutcome{});
    for (auto& o : *outcomes) o.stats.assign(ncols, ColumnStats{});
    ForEachChunk(chunks.size(), threads, *outcomes, [&](size_t i) {
      ParseChunk(pass, chunks[i], bytes.data(), plans, checkUtf8, &(*outcomes)[i]);
      if (mapped) mapped->Release(chunks[i].begin, chunks[i].end);
      meter.Add(static_cast<size_t>(chunks[i].end - chunks[i].begin));
    });
    if (FirstFault(*outcomes, file, bytes, error)) return false;
    merged.assign(ncols, ColumnStats{});
    for (const auto& o : *outcomes)
      for (size_t c = 0; c < ncols; ++c) merged[c].Merge(o.stats[c]);
    outcomes->clear();
    return true;
  };

  std::vector<ChunkOutcome> outcomes;
  if (statsPass) {
    if (!runPass(ChunkPass::kStats, !ascii, &outcomes)) return false;
    for (size_t c = 0; c < ncols; ++c) {
      ColumnPlan& p = plans[c];
      if (p.infer) p.kind = InferredKind(merged[c]);
      if (p.kind == FieldKind::kString && p.width == 0)
        p.width = static_cast<int>(std::max<size_t>(merged[c].maxLength, 1));
    }
  }

  // The dataset, its variables and their dictionary entries.
  ZIRA_DataSource ds;
  std::vector<ZIRA_Variable*> vars(ncols);
  for (size_t c = 0; c < ncols; ++c) {
    ColumnPlan& p = plans[c];
    ZIRA_Variable* v = ds.AddVariable(p.name, p.kind == FieldKind::kString ? p.width : 0);
    assert(v && "host/io/DatasetReader: mended names are unique");
    vars[c] = v;
    v->SetLabel(labels[c]);
    if (!ApplyFieldMetadata(p, schema, v, error)) return false;
  }
  // Every column is allocated, then its pages are mapped in one call per piece rather than
  // by a page fault each (an allocation beside a mapping would wait for it), then filled.
  std::vector<std::pair<void*, size_t>> room;
  for (ZIRA_Variable* v : vars) room.push_back(v->Reserve(rows));
  PrefaultForWrite(room, threads);
  ParallelFor(ncols, threads, [&](size_t c) { vars[c]->Resize(rows); });
  ds.SetCaseCount(rows);
  for (size_t c = 0; c < ncols; ++c) {
    ColumnPlan& p = plans[c];
    ZIRA_Variable* v = vars[c];
    if (v->IsString()) {
      p.strings = v->StringBuffer().data();
      p.cellWidth = static_cast<size_t>(v->GetCellWidth());
    } else {
      p.numbers = v->Numbers().data();
    }
  }
  if (!runPass(ChunkPass::kStore, !statsPass && !ascii, &outcomes)) return false;
  meter.Finish();
  for (size_t c = 0; c < ncols; ++c) {
    const FieldSpec& spec = *plans[c].spec;
    ZiraFormat fmt =
        spec.hasFormat ? spec.format : DerivedFormat(plans[c].kind, plans[c].width, merged[c]);
    vars[c]->SetFormat(fmt);
    vars[c]->SetWriteFormat(spec.hasWriteFormat ? spec.writeFormat : fmt);
  }
  if (schema)
    for (const auto& [name, values] : schema->attributes) ds.GetAttributes().Set(name, values);
  ds.SetSourcePath(file);
  *out = ds;
  return true;
}

}  // namespace
