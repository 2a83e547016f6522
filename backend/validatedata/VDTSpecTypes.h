// Kinds and codes shared by the validation rule records and their readers: which attribute a
// rule came from, the value type a standard rule checks, and the shape of its domain.
#pragma once

namespace VDTSpecTypes {

// Where a rule record came from.
enum AttribType : int {
  kAttribNotSpecified = 0,  // not set
  kStandAttribVar = 1,      // a standard rule reached through a variable's rule reference
  kStandAttribData = 2,     // a standard rule read for the data file alone
  kCustAttrib = 3,          // a custom (cross-variable) rule
};

// The `Type` property of a standard rule.
enum ValueType : int {
  kValueNotSpecified = 0,
  kValueNumeric = 1,
  kValueString = 2,
  kValueDate = 3,
};

// The `Domain` property of a standard rule.
enum DomainType : int {
  kDomainNotSpecified = 0,
  kDomainRange = 1,
  kDomainList = 2,
};

}  // namespace VDTSpecTypes
