// ATTRIBUTE: sets, appends to and deletes the attribute arrays of the dataset and of
// variables, and their elements.
//
//   ATTRIBUTE {VARIABLES=list | DATASET} NAME='name'
//       VALUES='a' 'b' ...        replaces the whole array
//       VALUE='x'                 replaces the whole array with one element
//       INDEX=n VALUE='x'         sets element n (from 1), growing the array with empty elements
//     [/APPEND]                   with VALUE or VALUES: adds the elements at the end
//     [/DELETE]                   deletes element INDEX, or the whole array without INDEX
#include "host/commands/HostCommandSupport.h"
#include "host/commands/HostCommands.h"
#include "host/common/StringHelpers.h"
#include "host/session/Session.h"
#include "host/syntax/VarSpecObj.h"

using namespace UPSpecTypes;

namespace {
// Elements beyond this are refused: a typing slip should not allocate millions of elements.
constexpr int kMaxAttributeIndex = 100000;
}  // namespace

CommandDescriptor MakeAttributeDescriptor() {
  CommandDescriptor desc("ATTRIBUTE");
  SubComDescriptor sub("", kSubComPlain, true, true);
  sub.addParamDesc("VARIABLES", kParamTokenList, false, true, kNoBrackets);
  sub.addParamDesc("DATASET", kParamNone, false, false, kNoBrackets);
  sub.addParamDesc("NAME", kParamStringList, true, true, kNoBrackets);
  ParamDescriptor& index = sub.addParamDesc("INDEX", kParamInteger, false, true, kNoBrackets);
  index.setLowerBoundary(1, kLowerMayEqual);
  index.setUpperBoundary(kMaxAttributeIndex, kUpperMayEqual);
  sub.addParamDesc("VALUE", kParamStringList, false, true, kNoBrackets);
  sub.addParamDesc("VALUES", kParamTokenList, false, true, kNoBrackets);
  desc.addSubComDesc(sub);
  desc.addSubComDesc(SubComDescriptor("APPEND", kSubComPlain, false, false));
  desc.addSubComDesc(SubComDescriptor("DELETE", kSubComPlain, false, false));
  return desc;
}

namespace {

enum class AttrAction { kReplace, kSetElement, kAppend, kDeleteElement, kDeleteArray };

// What one ATTRIBUTE command does, checked before anything changes.
struct AttrRequest {
  AttrAction action = AttrAction::kReplace;
  std::string name;
  size_t index = 0;                 // from 1, for the element actions
  std::vector<std::string> values;  // new elements
};

bool ReadRequest(const CommandSpec& spec, AttrRequest* req) {
  const CommandPlace unnamed{"ATTRIBUTE", "", ""};
  const ParamObj* name = FindParam(spec, "", "NAME");
  const ParamObj* index = FindParam(spec, "", "INDEX");
  const ParamObj* value = FindParam(spec, "", "VALUE");
  const ParamObj* values = FindParam(spec, "", "VALUES");
  const SubComObj* append = spec.getSubComObj("APPEND");
  const SubComObj* del = spec.getSubComObj("DELETE");

  req->name = TrimString(name->getStringValue());
  if (!IsValidVarName(req->name))
    return CommandError({"ATTRIBUTE", "NAME", ""},
                        "An attribute name starts with a letter, @, # or $ and holds letters, "
                        "digits and _ . @ # $ (at most 64 bytes, as $VD.SRuleRef); found " +
                            name->getStringToken() + ".",
                        ValueToken(*name));
  if (value && values)
    return CommandError({"ATTRIBUTE", "VALUES", ""},
                        "Give VALUE (one element) or VALUES (a list of elements), not both.",
                        &values->getKeywordToken());
  if (append && del)
    return CommandError({"ATTRIBUTE", "", "DELETE"},
                        "/APPEND and /DELETE cannot be given together.", &del->getNameToken());
  if (values) {
    for (const TokenInfoObj& t : WithoutCommas(values->getTokenList())) {
      if (!t.isString())
        return CommandError({"ATTRIBUTE", "VALUES", ""},
                            "Each element is a text in quotes ('' for an empty element); found " +
                                t.getText() + ".",
                            &t);
      req->values.push_back(t.getString());
    }
  } else if (value) {
    req->values.push_back(value->getStringValue());
  }
  if (index) req->index = static_cast<size_t>(index->getIntegerValue());

  if (del) {
    if (value || values)
      return CommandError({"ATTRIBUTE", value ? "VALUE" : "VALUES", ""},
                          "/DELETE takes no value: it deletes element INDEX, or the whole "
                          "array without INDEX.",
                          value ? &value->getKeywordToken() : &values->getKeywordToken());
    req->action = index ? AttrAction::kDeleteElement : AttrAction::kDeleteArray;
    return true;
  }
  if (!value && !values)
    return CommandError(unnamed,
                        "Expected VALUE='text' or VALUES='text' ... (or /DELETE to delete).",
                        &name->getKeywordToken());
  if (append) {
    if (index)
      return CommandError({"ATTRIBUTE", "INDEX", ""},
                          "/APPEND adds at the end of the array; leave INDEX out, or set the "
                          "element with INDEX and VALUE without /APPEND.",
                          &index->getKeywordToken());
    req->action = AttrAction::kAppend;
    return true;
  }
  if (index) {
    if (!value)
      return CommandError({"ATTRIBUTE", "INDEX", ""},
                          "INDEX sets one element: give it with VALUE='text', not VALUES.",
                          &index->getKeywordToken());
    req->action = AttrAction::kSetElement;
    return true;
  }
  req->action = AttrAction::kReplace;
  return true;
}

void Apply(const AttrRequest& req, DatasourceAttributes* attrs) {
  switch (req.action) {
    case AttrAction::kReplace:
      attrs->Set(req.name, req.values);
      break;
    case AttrAction::kSetElement:
      attrs->SetElement(req.name, req.index, req.values.front());
      break;
    case AttrAction::kAppend:
      for (const auto& v : req.values) attrs->Append(req.name, v);
      break;
    case AttrAction::kDeleteElement:
      attrs->DeleteElement(req.name, req.index);
      break;
    case AttrAction::kDeleteArray:
      attrs->Delete(req.name);
      break;
  }
}

}  // namespace

bool RunAttributeCommand(Session& session, const CommandTokens& command) {
  const CommandDescriptor desc = MakeAttributeDescriptor();
  CommandSpec spec;
  if (!ParseHostCommand(desc, command, &spec)) return false;
  const ParamObj* vars = FindParam(spec, "", "VARIABLES");
  const ParamObj* dataset = FindParam(spec, "", "DATASET");
  if (!vars == !dataset)
    return CommandError({"ATTRIBUTE", "", ""},
                        vars ? "VARIABLES and DATASET cannot be given together; give one of them."
                             : "Say whose attribute it is: VARIABLES=list or DATASET.",
                        vars ? &dataset->getKeywordToken() : &command[0]);
  AttrRequest req;
  if (!ReadRequest(spec, &req)) return false;
  if (!RequireDataset(session, command, "ATTRIBUTE")) return false;
  ZIRA_DataSource& data = session.Active();

  std::vector<DatasourceAttributes*> targets;
  std::vector<std::string> owners;
  if (dataset) {
    targets.push_back(&data.GetAttributes());
    owners.push_back("the dataset");
  } else {
    std::vector<int> cols;
    if (!ResolveVariableList(*vars, "", desc, &data, kVarRepeatDrop, &cols)) return false;
    for (int c : cols) {
      targets.push_back(&data.GetVariable(c)->GetAttributes());
      owners.push_back(data.GetVariable(c)->GetName());
    }
  }
  // Deleting what is not there: an element out of range is an error (the index was meant
  // for another array); a missing whole array is only worth a warning.
  const ParamObj* index = FindParam(spec, "", "INDEX");
  std::string lacking;
  for (size_t k = 0; k < targets.size(); ++k) {
    const size_t size = targets[k]->Values(req.name).size();
    if (req.action == AttrAction::kDeleteElement && req.index > size)
      return CommandError({"ATTRIBUTE", "INDEX", ""},
                          size == 0
                              ? owners[k] + " has no attribute " + req.name + ", so no element " +
                                    std::to_string(req.index) + " to delete."
                              : "The attribute " + req.name + " of " + owners[k] + " has " +
                                    std::to_string(size) + " element" + (size == 1 ? "" : "s") +
                                    "; INDEX must be between 1 and " + std::to_string(size) + ".",
                          ValueToken(*index));
    if (req.action == AttrAction::kDeleteArray && !targets[k]->Has(req.name))
      lacking += (lacking.empty() ? "" : ", ") + owners[k];
  }
  if (!lacking.empty())
    CommandWarning({"ATTRIBUTE", "", "DELETE"},
                   lacking + (lacking.find(',') == std::string::npos ? " has" : " have") +
                       " no attribute " + req.name + "; nothing was deleted there.",
                   nullptr);
  for (DatasourceAttributes* t : targets) Apply(req, t);
  return true;
}
