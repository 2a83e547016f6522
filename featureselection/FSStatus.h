// The status record of the screening engine: the result of every operation that can fail,
// with the codes the engine produces.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

// Status codes of the screening engine.
enum FSStatusCode : std::int32_t {
  kFSOK = 0,
  kFSCancelled = 1,                 // cancelled; accumulation memory released
  kFSNotRanked = 6,                 // predictors not ranked yet
  kFSStreamNotGood = 80003,         // input stream not in a good state
  kFSLoadFailed = 80004,            // no readable algorithm in the binary stream
  kFSLoadXMLFailed = 80005,         // no readable algorithm in the XML stream
  kFSCriterionNotComputed = 80006,  // criterion not computed under the settings
  kFSTransactionOrder = 80007,      // predictor indices of a case not strictly increasing
  kFSTransactionIndex = 80008,      // predictor index outside the predictor range
  kFSNoValidData = 80009,           // no valid predictor value at all
  kFSAllDeleted = 80010,            // every predictor was deleted
  kFSNoPredictorsLeft = 80011,      // no predictor left to examine, or every predictor failed
  kFSTooFewPredictors = 80012,      // fewer predictors left than asked for; intParam[0] = left
  kFSNoValidWeight = 80013,         // weight defined but no record had a positive weight
};

// A plain value record: code, severity (0 OK, -1 error, +1 warning) and message parameters.
struct FSStatus {
  std::int32_t code = 0;
  std::int16_t severity = 0;
  std::int32_t intParam[3] = {0, 0, 0};
  double dblParam[3] = {0.0, 0.0, 0.0};

  FSStatus() = default;
  // severity = 2 * isWarning - 1.
  FSStatus(std::int32_t statusCode, bool isWarning)
      : code(statusCode), severity(static_cast<std::int16_t>(isWarning ? 1 : -1)) {}
  FSStatus(std::int32_t statusCode, bool isWarning, int p0, int p1 = 0, int p2 = 0)
      : FSStatus(statusCode, isWarning) {
    intParam[0] = p0;
    intParam[1] = p1;
    intParam[2] = p2;
  }

  bool IsError() const { return severity < 0; }
  bool IsOK() const { return severity == 0; }
  bool IsWarning() const { return severity > 0; }
  bool operator==(const FSStatus& o) const;
  bool operator!=(const FSStatus& o) const { return !(*this == o); }

  // A sentence describing the status, with its parameters filled in.
  std::string GetText() const;
  void Display(std::ostream& os) const;
};
