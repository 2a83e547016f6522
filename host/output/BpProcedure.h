// The procedure context of the output: BpProcedure, the heading at the top of a procedure's
// output, with its number formats; BpError for messages and AddNotes for the notes lines.
#pragma once

#include <memory>
#include <string>

#include "host/output/BpCellText.h"
#include "host/output/BpHeading.h"

class BpDocument;

// Made by a procedure for the length of its run. It writes into the output document of the
// current session (Session::Current()->Output()); with no session or no document it writes into
// a private document that it owns and discards. While it lives, messages routed into its
// document go under its heading.
// Invariants:
//  1. the heading item stays open in its document from construction to destruction.
class BpProcedure : public BpHeading {
 public:
  static constexpr BpNumberFormat Count = kBpCount;
  static constexpr BpNumberFormat Percent = kBpPercent;
  static constexpr BpNumberFormat Coefficient = kBpCoefficient;
  static constexpr BpNumberFormat GeneralStat = kBpGeneralStat;

  // title: the procedure's own name (translated); number: the procedure's number.
  BpProcedure(const std::string& title, int number);
  ~BpProcedure() override;

  int Number() const { return fNumber; }
  // Whether the output goes to a private document that is discarded.
  bool Discarded() const { return fpPrivate != nullptr; }

  // One line of the procedure's notes table: kind (3: a variable the procedure created), label
  // and value. The texts are copied.
  void AddNotes(int kind, const BpCellText& label, const BpCellText& value);

 private:
  std::unique_ptr<BpDocument> fpPrivate;  // owned; null when writing to the session's document
  int fNumber;
};

// Reports a message through HostReport, so the running command notes its level: level 2 a
// warning (the command goes on), 3 an error (the command fails), 1 a plain note.
// show 0: only the level is noted, nothing is shown; any other value shows the text.
void BpError(const BpCellText& text, int show, int level);
void BpError(const std::string& text, int show, int level);

// One line of the notes of the innermost open procedure of the current session's document
// (dropped when there is no session or document).
void AddNotes(int kind, const BpCellText& label, const BpCellText& value);
