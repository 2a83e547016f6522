// The host commands that read, write and reorder the active dataset: LOAD, WRITE and SORT.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>

#include "host/commands/HostCommandSupport.h"
#include "host/commands/HostCommands.h"
#include "host/io/DatasetReader.h"
#include "host/io/DatasetWriter.h"
#include "host/session/Session.h"
#include "host/syntax/VarSpecObj.h"

using namespace UPSpecTypes;

CommandDescriptor MakeLoadDescriptor() {
  CommandDescriptor desc("LOAD");
  SubComDescriptor sub("", kSubComPlain, true, true);
  sub.addParamDesc("FILE", kParamStringList, true, true, kNoBrackets);
  sub.addParamDesc("SCHEMA", kParamStringList, false, true, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeWriteDescriptor() {
  CommandDescriptor desc("WRITE");
  SubComDescriptor sub("", kSubComPlain, true, true);
  sub.addParamDesc("FILE", kParamStringList, true, true, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

CommandDescriptor MakeSortDescriptor() {
  CommandDescriptor desc("SORT");
  SubComDescriptor sub("", kSubComPlain, true, true);
  sub.addParamDesc("BY", kParamTokenList, true, true, kNoBrackets);
  desc.addSubComDesc(sub);
  return desc;
}

bool RunLoadCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeLoadDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  const ParamObj* file = FindParam(spec, "", "FILE");
  const ParamObj* schema = FindParam(spec, "", "SCHEMA");
  DatasetReadOptions options;
  options.progress = true;
  if (schema) options.schemaPath = ResolveCommandPath(command, schema->getStringValue());
  const std::string path = ResolveCommandPath(command, file->getStringValue());
  ZIRA_DataSource data;
  std::string error;
  std::vector<std::string> warnings;
  const bool ok = ReadDataset(path, options, &data, &error, &warnings);
  for (const auto& w : warnings) CommandWarning({"LOAD", "", ""}, w, nullptr);
  if (!ok) {
    const bool schemaFault = schema && error.find(options.schemaPath) != std::string::npos;
    const ParamObj* at = schemaFault ? schema : file;
    return CommandError({"LOAD", at->getName(), ""},
                        error +
                            "\nThe active dataset is unchanged; FILE names a CSV file and "
                            "SCHEMA its Table Schema descriptor.",
                        ValueToken(*at));
  }
  session.SetActive(std::move(data));
  // A new dataset has no weight variable.
  session.Glb().weightWord = 0;
  return true;
}

bool RunWriteCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeWriteDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  if (!RequireDataset(session, command, "WRITE")) return false;
  const ParamObj* file = FindParam(spec, "", "FILE");
  const std::string path = ResolveCommandPath(command, file->getStringValue());
  if (path.size() < 5 || path.compare(path.size() - 4, 4, ".csv") != 0)
    return CommandError({"WRITE", "FILE", ""},
                        "The file name must end in .csv (its descriptor is written beside it "
                        "as NAME.schema.json); found " +
                            file->getStringToken() + ".",
                        ValueToken(*file));
  // A folder that does not exist yet is made, as users expect of an output path.
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty() && !std::filesystem::exists(folder, ec)) {
    std::filesystem::create_directories(folder, ec);
    if (ec)
      return CommandError({"WRITE", "FILE", ""},
                          "Cannot make the folder " + folder.string() + ": " + ec.message() + ".",
                          ValueToken(*file));
  }
  std::string error;
  if (!WriteDataset(session.Active(), path, &error))
    return CommandError({"WRITE", "FILE", ""}, error, ValueToken(*file));
  return true;
}

namespace {

struct SortKey {
  int column;
  bool descending;
};

// Reads BY's list: variable names and lists, each run of them optionally followed by (A) or
// (D), which applies to the variables since the previous direction.
bool ReadSortKeys(const ParamObj& by, const CommandDescriptor& desc, ZIRA_DataSource* data,
                  std::vector<SortKey>* keys) {
  const CommandPlace place{"SORT", "BY", ""};
  const auto& toks = by.getTokenList();
  std::vector<TokenInfoObj> pending;
  std::vector<char> seen(static_cast<size_t>(data->ColumnCount()), 0);
  auto flush = [&](bool descending, const TokenInfoObj* at) {
    if (pending.empty())
      return CommandError(place, "(A) or (D) must follow the variables it applies to.", at);
    VarSpecObj vars("BY", "", &desc, data);
    if (!vars.ValidateVariables(pending, kVarRepeatError)) return false;
    for (int col : vars.GetValidVarList()) {
      if (seen[static_cast<size_t>(col)]) {
        const std::string& name = data->GetVariable(col)->GetName();
        for (const TokenInfoObj& t : pending)
          if (t.isName() && data->FindVarIndex(t.getText()) == col) at = &t;
        return CommandError(
            place,
            "The variable " + name + " is named more than once; name each sort variable once.", at);
      }
      seen[static_cast<size_t>(col)] = 1;
      keys->push_back({col, descending});
    }
    pending.clear();
    return true;
  };
  for (size_t i = 0; i < toks.size(); ++i) {
    if (toks[i].getOperatorCode() != kOpLeftParen) {
      pending.push_back(toks[i]);
      continue;
    }
    const bool closed = i + 2 < toks.size() && toks[i + 2].getOperatorCode() == kOpRightParen;
    const std::string dir = i + 1 < toks.size() ? toks[i + 1].getUpperString() : "";
    if (!closed || !toks[i + 1].isName() || (dir != "A" && dir != "D"))
      return CommandError(place,
                          "A sort direction is written (A) for ascending or (D) for descending.",
                          i + 1 < toks.size() ? &toks[i + 1] : &toks[i]);
    if (!flush(dir == "D", &toks[i])) return false;
    i += 2;
  }
  if (!pending.empty() && !flush(false, nullptr)) return false;
  if (keys->empty())
    return CommandError(place, "At least one variable must be named.", &by.getKeywordToken());
  return true;
}

// Whether case a comes before case b under the keys (a strict weak order; stable_sort keeps
// ties in file order).
class CaseOrder {
 public:
  CaseOrder(const ZIRA_DataSource& data, const std::vector<SortKey>& keys) {
    for (const SortKey& k : keys) fVars.push_back({data.GetVariable(k.column), k.descending});
  }
  bool operator()(size_t a, size_t b) const {
    for (const auto& [v, desc] : fVars) {
      int c;
      if (v->IsString()) {
        c = std::memcmp(v->GetStringCell(a), v->GetStringCell(b),
                        static_cast<size_t>(v->GetCellWidth()));
      } else {
        const double x = v->GetNumber(a), y = v->GetNumber(b);
        c = x < y ? -1 : (y < x ? 1 : 0);
      }
      if (c != 0) return desc ? c > 0 : c < 0;
    }
    return false;
  }

 private:
  std::vector<std::pair<const ZIRA_Variable*, bool>> fVars;
};

}  // namespace

bool RunSortCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeSortDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  if (!RequireDataset(session, command, "SORT")) return false;
  ZIRA_DataSource& data = session.Active();
  std::vector<SortKey> keys;
  if (!ReadSortKeys(*FindParam(spec, "", "BY"), desc, &data, &keys)) return false;
  std::vector<size_t> order(data.CaseCount());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), CaseOrder(data, keys));
  data.PermuteCases(order);
  return true;
}
