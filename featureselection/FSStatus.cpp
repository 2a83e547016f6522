// The status record of the screening engine and its texts.
#include "featureselection/FSStatus.h"

#include <ostream>

bool FSStatus::operator==(const FSStatus& o) const {
  if (code != o.code || severity != o.severity) return false;
  for (int i = 0; i < 3; ++i) {
    if (intParam[i] != o.intParam[i] || dblParam[i] != o.dblParam[i]) return false;
  }
  return true;
}

std::string FSStatus::GetText() const {
  const std::string p0 = std::to_string(intParam[0]);
  const std::string p1 = std::to_string(intParam[1]);
  const std::string p2 = std::to_string(intParam[2]);
  switch (code) {
    case kFSOK:
      return "No problem.";
    case kFSCancelled:
      return "The screening was cancelled.";
    case kFSNotRanked:
      return "The predictors have not been ranked yet.";
    case kFSStreamNotGood:
      return "The input stream is not in a good state.";
    case kFSLoadFailed:
      return "The binary stream does not hold a readable screening algorithm.";
    case kFSLoadXMLFailed:
      return "The XML stream does not hold a readable screening algorithm.";
    case kFSCriterionNotComputed:
      return "The criterion is not computed under the settings.";
    case kFSTransactionOrder:
      return "Case " + p2 + ": predictor index " + p1 + " follows index " + p0 +
             "; the predictor indices of a case must be strictly increasing.";
    case kFSTransactionIndex:
      return "Case " + p2 + ": predictor index " + p0 + " is outside the range 0 to " +
             std::to_string(intParam[1] - 1) + ".";
    case kFSNoValidData:
      return "No valid predictor value was found.";
    case kFSAllDeleted:
      return "Every predictor was deleted.";
    case kFSNoPredictorsLeft:
      return "No predictor is left to examine, or every predictor failed.";
    case kFSTooFewPredictors:
      return "Only " + p0 + " predictors remain, fewer than asked for.";
    case kFSNoValidWeight:
      return "A frequency weight is defined but no record had a positive weight.";
    default:
      return "Status code " + std::to_string(code) + ".";
  }
}

void FSStatus::Display(std::ostream& os) const {
  os << "FSStatus: code = " << code << ", severity = " << severity << ", intParam = ("
     << intParam[0] << ", " << intParam[1] << ", " << intParam[2] << "), dblParam = ("
     << dblParam[0] << ", " << dblParam[1] << ", " << dblParam[2] << ")\n";
}
