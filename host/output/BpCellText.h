// Cell texts of the output document: what a table cell, a label, a title or a message shows.
// A cell text is a small value object. Whoever receives one (a table, a composite, a message)
// copies what it shows at that moment, so variables and values are borrowed only for the call.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/common/ZiraTypes.h"

class ZIRA_Variable;

// Number formats of BpNumber (also reachable as BpProcedure::Count and the like).
enum BpNumberFormat : int {
  kBpCount = 1,        // an integer
  kBpPercent = 2,      // one decimal and a percent sign
  kBpCoefficient = 3,  // as few decimals as show the value, at most 6
  kBpGeneralStat = 4,  // general: the shortest form that shows the value (15 digits at most)
};

// The resolved content of a cell text, as the document keeps it.
struct BpCellContent {
  std::string text;             // what is shown
  std::optional<double> value;  // the number behind a numeric cell (not for system-missing)
  std::string tooltip;          // extra words for a pointer hover (a variable's label)
  bool numeric = false;         // a number (system-missing too): renderers align it right
  bool operator==(const BpCellContent&) const = default;
};

// A number in one of the formats, with the locale's decimal character; system-missing is ".".
std::string FormatBpNumber(double value, BpNumberFormat format, char decimal = '.');

class BpCellText {
 public:
  virtual ~BpCellText() = default;
  // A copy of this text (the caller owns it).
  virtual std::unique_ptr<BpCellText> Replicate() const = 0;
  // What the text shows now.
  virtual BpCellContent Content() const = 0;
  std::string Text() const { return Content().text; }
};

// A plain text. translate: true for the system's own words (passed through the host's message
// translation), false for names, labels and values taken from the data.
class BpString : public BpCellText {
 public:
  BpString(std::string text, bool translate);
  std::unique_ptr<BpCellText> Replicate() const override;
  BpCellContent Content() const override {
    BpCellContent c;
    c.text = fText;
    return c;
  }

 private:
  std::string fText;  // already translated
};

// A number in a number format, written with the decimal character of the current locale block.
class BpNumber : public BpCellText {
 public:
  BpNumber(double value, BpNumberFormat format);
  std::unique_ptr<BpCellText> Replicate() const override;
  BpCellContent Content() const override;
  double Value() const { return fValue; }

 private:
  double fValue;
  BpNumberFormat fFormat;
  char fDecimal;
};

// A variable. show 1: its label (the name when it has none); show 2: its name; show 3: name and
// label. The label is also kept as the tooltip. The variable is read in the constructor only.
class BpVariable : public BpCellText {
 public:
  BpVariable(const ZIRA_Variable* variable, int show);
  BpVariable(std::string name, std::string label, int show);
  std::unique_ptr<BpCellText> Replicate() const override;
  BpCellContent Content() const override;

 private:
  std::string fName;
  std::string fLabel;
  int fShow;
};

// A value of a variable. show 2: the value with its value label after it in parentheses where
// there is one; show 1: the label alone (the value when there is none); show 3: the value alone.
// Numeric values follow the variable's print format (decimals, dates, times); system-missing
// is ".". String values are shown without trailing blanks. The variable is read in the
// constructor only; a null variable shows the value as a plain number or text.
class BpDataValue : public BpCellText {
 public:
  BpDataValue(const ZIRA_Variable* variable, double value, int show);
  BpDataValue(const ZIRA_Variable* variable, std::string_view value, int show);
  // A value as cells of the host (one double, or the string's cells for the variable's width).
  BpDataValue(const ZIRA_Variable* variable, const OBS* cells, int show);
  std::unique_ptr<BpCellText> Replicate() const override;
  BpCellContent Content() const override { return fContent; }

 private:
  BpCellContent fContent;
};

// A footnote: wraps another text (copied through Replicate).
class BpAnnotation : public BpCellText {
 public:
  explicit BpAnnotation(const BpCellText& text);
  BpAnnotation(const BpAnnotation& other);
  BpAnnotation& operator=(const BpAnnotation& other);
  std::unique_ptr<BpCellText> Replicate() const override;
  BpCellContent Content() const override { return fpText->Content(); }

 private:
  std::unique_ptr<BpCellText> fpText;  // owned, never null
};
