// The small formatter behind BpComposite: a format text is parsed once into pieces (literal
// text, argument references, list brackets) and then rendered with the composite's arguments.
//
// Grammar: ^n outside a bracket is argument n (a list argument shows its elements joined by
// ", "); %n and $n outside a bracket mean the same. A bracket [A:B:C]k writes list argument k:
// A for its first item, B for each following item, C for the last (n >= 2), an empty part
// meaning B; [B]k and [A:B]k are short forms. Inside a part, %n, ^n and $n are element n of the
// item; an item has as many elements as the highest element number the bracket names.
// A backslash before n is a line break, before any other character that character literally.
// A reference to an argument or element that is not there is written as it stands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CompositeFormat {
 public:
  // One argument: a text, or a list of element texts.
  struct Argument {
    bool isList = false;
    std::string text;
    std::vector<std::string> elements;
  };

  // Parses the format. A malformed format is kept with its error (Ok() false).
  explicit CompositeFormat(std::string_view format);

  bool Ok() const { return fError.empty(); }
  // What is wrong and at which column (1-based), empty when the format is good.
  const std::string& Error() const { return fError; }
  const std::string& Source() const { return fSource; }

  // The format with the arguments filled in. A malformed format renders as its source text,
  // the error in brackets and the arguments after it, so nothing is lost.
  std::string Render(const std::vector<Argument>& args) const;

 private:
  enum class Kind { kLiteral, kReference, kBracket };
  struct Piece {
    Kind kind = Kind::kLiteral;
    std::string text;                           // literal text, or the reference as written
    int number = 0;                             // argument (outside) or element (inside) number
    std::vector<Piece> parts[3];                // A, B, C of a bracket
    bool partGiven[3] = {false, false, false};  // whether the part had any text
    int itemSize = 1;                           // elements per item of a bracket
  };

  bool Parse(std::string_view f);
  static std::string RenderPieces(const std::vector<Piece>& pieces,
                                  const std::vector<std::string>* item);
  std::string RenderBracket(const Piece& bracket, const std::vector<Argument>& args) const;

  std::string fSource;
  std::string fError;
  std::vector<Piece> fPieces;
};
