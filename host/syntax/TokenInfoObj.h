// One token of the host's command language (a name, a number, a quoted string or an operator)
// with its place in the command file, so that any message about it can show the source line
// with a caret under it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Operator codes. The procedure relies on ( 13, ) 14, ALL 35, [ 36 and ] 37; the rest are
// the host's own.
enum TokenOperatorCode : int {
  kOpNone = 0,
  kOpEqual = 1,          // =
  kOpSlash = 2,          // /
  kOpComma = 3,          // ,
  kOpPlus = 4,           // +
  kOpMinus = 5,          // -
  kOpStar = 6,           // *
  kOpPower = 7,          // **
  kOpLess = 8,           // <
  kOpLessEqual = 9,      // <=
  kOpGreater = 10,       // >
  kOpGreaterEqual = 11,  // >=
  kOpNotEqual = 12,      // <> and ~=
  kOpLeftParen = 13,     // (
  kOpRightParen = 14,    // )
  kOpAnd = 15,           // &
  kOpOr = 16,            // |
  kOpNot = 17,           // ~
  kOpAll = 35,           // the word ALL
  kOpLeftBracket = 36,   // [
  kOpRightBracket = 37,  // ]
};

// The text of the command a token came from: file name, the number of its first line, and
// its lines (without line ends). Shared by every token of the command.
struct CommandSource {
  std::string fileName;
  int firstLine = 1;
  std::vector<std::string> lines;
  // The text of a line of the file, or an empty view when the command does not cover it.
  std::string_view Line(int line) const;
};

class TokenInfoObj {
 public:
  enum Kind : int { kName = 1, kNumber = 2, kString = 3, kOperator = 4 };

  TokenInfoObj() = default;
  // A token; `text` is as typed (a string keeps its quotes). The tokenizer then sets what
  // its kind needs: a string's content, an operator's code, a number's value.
  TokenInfoObj(Kind kind, std::string text, int line, int column);
  void SetStringValue(std::string value) { fValue = std::move(value); }
  void SetOperatorCode(int code) { fOperator = code; }
  // Test and tool helpers that build a token without a source place (Number takes a
  // number text as the tokenizer would accept it; anything else reads as 0).
  static TokenInfoObj Name(std::string text);
  static TokenInfoObj Number(std::string text);
  static TokenInfoObj Operator(std::string text, int code);

  Kind getKind() const { return fKind; }
  // The text as typed.
  const std::string& getText() const { return fText; }
  // A string's content, else the text as typed.
  const std::string& getString() const { return fKind == kString ? fValue : fText; }
  // getString() in upper case.
  std::string getUpperString() const;

  bool isName() const { return fKind == kName; }
  bool isString() const { return fKind == kString; }
  bool isOperator() const { return fKind == kOperator; }
  // The operator code, 0 for a token that is not an operator.
  int getOperatorCode() const { return fOperator; }

  // Numbers: a number token whose text converts to a finite double; an integer is one typed
  // without decimals or exponent that fits in 64 bits.
  bool isNumber() const { return fKind == kNumber; }
  bool isInteger() const { return fIsInteger; }
  double getNumberValue() const { return fNumber; }
  int64_t getIntegerValue() const { return fInteger; }
  // Sets the numeric value of a number token (the tokenizer has checked the text).
  void SetNumber(double value, bool isInteger, int64_t integer);

  // 1-based line in the file and column (in characters) on that line; 0 when unknown.
  int getLine() const { return fLine; }
  int getColumn() const { return fColumn; }
  // Length of the token's text in characters (for carets).
  int getWidth() const;
  const std::shared_ptr<const CommandSource>& getSource() const { return fpSource; }
  void SetSource(std::shared_ptr<const CommandSource> source) { fpSource = std::move(source); }

  // Two or three lines for a message: where the token is, the source line, and a caret
  // under the token. Empty when the token has no place.
  std::string getLocationText() const;

 private:
  Kind fKind = kName;
  std::string fText;
  std::string fValue;
  int fOperator = kOpNone;
  double fNumber = 0.0;
  int64_t fInteger = 0;
  bool fIsInteger = false;
  int fLine = 0;
  int fColumn = 0;
  std::shared_ptr<const CommandSource> fpSource;  // shared with the other tokens of the command
};

// The location text of a place: "  at line L, column C in FILE:", the source line and a caret.
// Empty when line is 0.
std::string FormatSourceLocation(const CommandSource* source, int line, int column, int width);
// Number of characters (UTF-8 code points) in a text.
int CountCharacters(std::string_view text);
