#include "host/io/DictionaryReport.h"

#include <sstream>

#include "host/io/ValueText.h"

namespace {

const char* LevelName(int level) {
  switch (level) {
    case kLevelNominal:
      return "nominal";
    case kLevelOrdinal:
      return "ordinal";
    case kLevelScale:
      return "scale";
    default:
      return "unknown (settled when a procedure runs)";
  }
}

// A numeric value as its format shows it: dates and times in ISO form, else a plain number.
std::string ShowNumber(const ZIRA_Variable& v, double x) {
  if (x == MCMV::gMissingValue) return "sysmis";
  char buf[kIsoTextMax];
  size_t n = 0;
  switch (v.GetFormat().type) {
    case kFmtDate:
      n = WriteIsoDate(x, buf);
      break;
    case kFmtTime:
      n = WriteIsoTime(x, buf);
      break;
    case kFmtDateTime:
      n = WriteIsoDateTime(x, buf);
      break;
    default:
      break;
  }
  return n ? std::string(buf, n) : NumberText(x);
}

// Lines of a list under a heading, the first beside the heading, the rest indented below it.
void Block(std::ostringstream& out, const char* heading, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  constexpr int kIndent = 18;
  std::string pad(kIndent, ' ');
  std::string head = std::string("  ") + heading + ":";
  head.resize(kIndent, ' ');
  for (size_t i = 0; i < lines.size(); ++i) out << (i ? pad : head) << lines[i] << "\n";
}

std::vector<std::string> AttributeLines(const DatasourceAttributes& attrs) {
  std::vector<std::string> lines;
  for (const auto& name : attrs.Names()) {
    const auto& values = attrs.Values(name);
    for (size_t i = 0; i < values.size(); ++i)
      lines.push_back(name + "[" + std::to_string(i + 1) +
                      "] = " + (values[i].empty() ? "(empty)" : values[i]));
  }
  return lines;
}

}  // namespace

std::string DescribeDictionary(const ZIRA_DataSource& data) {
  std::ostringstream out;
  if (!data.SourcePath().empty()) out << "File: " << data.SourcePath() << "\n";
  out << "Cases: " << data.CaseCount() << "    Variables: " << data.ColumnCount() << "\n";
  for (int i = 0; i < data.ColumnCount(); ++i) {
    const ZIRA_Variable& v = *data.GetVariable(i);
    out << "\n" << (i + 1) << ". " << v.GetName() << "\n";
    Block(
        out, "Label",
        v.GetLabel().empty() ? std::vector<std::string>{} : std::vector<std::string>{v.GetLabel()});
    if (!v.GetDescription().empty()) Block(out, "Description", {v.GetDescription()});
    Block(out, "Type",
          {v.IsString() ? "string, width " + std::to_string(v.GetType()) : std::string("numeric")});
    std::string format = FormatCodeText(v.GetFormat());
    if (!(v.GetWriteFormat() == v.GetFormat()))
      format += " (write " + FormatCodeText(v.GetWriteFormat()) + ")";
    Block(out, "Format", {format});
    Block(out, "Level", {LevelName(v.GetMeasurementLevel())});
    std::vector<std::string> labels;
    for (const auto& [x, label] : v.GetValueLabels().NumericPairs())
      labels.push_back(ShowNumber(v, x) + " \"" + label + "\"");
    for (const auto& [s, label] : v.GetValueLabels().StringPairs())
      labels.push_back("\"" + s + "\" \"" + label + "\"");
    Block(out, "Value labels", labels);
    if (!v.GetUnlabeledCategories().empty()) {
      std::string cats;
      for (const auto& c : v.GetUnlabeledCategories()) cats += (cats.empty() ? "" : ", ") + c;
      Block(out, "Categories", {cats});
    }
    const ZiraMissingValues& mv = v.GetMissingValues();
    if (!mv.Empty()) {
      std::string text;
      for (double x : mv.values) text += (text.empty() ? "" : ", ") + ShowNumber(v, x);
      for (const auto& s : mv.strings) text += (text.empty() ? "\"" : ", \"") + s + "\"";
      if (mv.hasRange)
        text += (text.empty() ? "" : "; ") + std::string("range ") + ShowNumber(v, mv.low) +
                " to " + ShowNumber(v, mv.high);
      Block(out, "Missing values", {text});
    }
    Block(out, "Attributes", AttributeLines(v.GetAttributes()));
  }
  std::vector<std::string> dsAttrs = AttributeLines(data.GetAttributes());
  if (!dsAttrs.empty()) {
    out << "\nDataset attributes\n";
    for (const auto& line : dsAttrs) out << "  " << line << "\n";
  }
  return out.str();
}
