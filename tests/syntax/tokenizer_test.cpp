// The command language's tokens: names, numbers, strings, operators and comments.
#include "host/syntax/Tokenizer.h"

#include <gtest/gtest.h>

#include "host/common/CommonBlocks.h"
#include "host/syntax/CommandTokens.h"
#include "syntax_support.h"

namespace {

// The tokens of a text that holds one command.
std::vector<TokenInfoObj> Tokens(const std::string& text) {
  CommandTokens cmd;
  std::string err;
  EXPECT_TRUE(CommandTokens::FromText(text, &cmd, &err)) << err;
  return cmd.Tokens();
}

std::vector<std::string> Texts(const std::vector<TokenInfoObj>& toks) {
  std::vector<std::string> out;
  for (const auto& t : toks) out.push_back(t.getText());
  return out;
}

}  // namespace

TEST(Tokenizer, NamesKeepInnerPeriodsButAPeriodAtTheEndOfTheLineEndsTheCommand) {
  auto toks = Tokens("SHOW $VD.CRule a.b x.  \n");
  ASSERT_EQ(Texts(toks), (std::vector<std::string>{"SHOW", "$VD.CRule", "a.b", "x"}));
  EXPECT_TRUE(toks[1].isName());
  EXPECT_EQ(toks[1].getUpperString(), "$VD.CRULE");
  EXPECT_EQ(toks[2].getLine(), 1);
  EXPECT_EQ(toks[2].getColumn(), 16);
}

TEST(Tokenizer, NumbersReadIntegersDecimalsAndExponents) {
  auto toks = Tokens("X 12 0.5 .25 1e3 2.5E-2 5.0 99999999999999999999 7.");
  ASSERT_EQ(toks.size(), 9u);
  EXPECT_TRUE(toks[1].isInteger());
  EXPECT_EQ(toks[1].getIntegerValue(), 12);
  EXPECT_DOUBLE_EQ(toks[2].getNumberValue(), 0.5);
  EXPECT_DOUBLE_EQ(toks[3].getNumberValue(), 0.25);
  EXPECT_DOUBLE_EQ(toks[4].getNumberValue(), 1000.0);
  EXPECT_FALSE(toks[4].isInteger());
  EXPECT_DOUBLE_EQ(toks[5].getNumberValue(), 0.025);
  EXPECT_FALSE(toks[6].isInteger());  // typed with decimals
  EXPECT_TRUE(toks[7].isNumber());    // too large for 64 bits: a number, not an integer
  EXPECT_FALSE(toks[7].isInteger());
  EXPECT_EQ(toks[8].getText(), "7");  // the final period ends the command
}

TEST(Tokenizer, TheLocaleDecimalCommaJoinsDigitsButSeparatesOtherwise) {
  RecordingSession rs;
  rs.session().Loc().decimal = ',';
  auto toks = Tokens("X 12,5 3, 4");
  ASSERT_EQ(Texts(toks), (std::vector<std::string>{"X", "12,5", "3", ",", "4"}));
  EXPECT_DOUBLE_EQ(toks[1].getNumberValue(), 12.5);
  EXPECT_EQ(Tokens("X 1.5")[1].getNumberValue(), 1.5);  // a period stays a decimal point
}

TEST(Tokenizer, AMinusIsASignOnlyWhereAnOperandIsExpected) {
  auto toks = Tokens("COMPUTE y = -1 + x-2 * (-0.5) - 3");
  ASSERT_EQ(Texts(toks), (std::vector<std::string>{"COMPUTE", "y", "=", "-1", "+", "x", "-", "2",
                                                   "*", "(", "-0.5", ")", "-", "3"}));
  EXPECT_EQ(toks[3].getIntegerValue(), -1);
  EXPECT_EQ(toks[6].getOperatorCode(), kOpMinus);
  EXPECT_DOUBLE_EQ(toks[10].getNumberValue(), -0.5);
}

TEST(Tokenizer, StringsTakeEitherQuoteAndADoubledQuoteIsOneQuote) {
  auto toks = Tokens(R"(X 'it''s' "say ""hi""" '')");
  ASSERT_EQ(toks.size(), 4u);
  EXPECT_TRUE(toks[1].isString());
  EXPECT_EQ(toks[1].getString(), "it's");
  EXPECT_EQ(toks[1].getText(), "'it''s'");
  EXPECT_EQ(toks[2].getString(), "say \"hi\"");
  EXPECT_EQ(toks[3].getString(), "");
}

TEST(Tokenizer, OperatorsCarryTheirCodesAndTheWordAllIsOperator35) {
  auto toks = Tokens("X ( ) [ ] all = / , ** <= >= <> ~= < > & | ~ + *");
  std::vector<int> codes;
  for (size_t i = 1; i < toks.size(); ++i) codes.push_back(toks[i].getOperatorCode());
  EXPECT_EQ(codes, (std::vector<int>{13,
                                     14,
                                     36,
                                     37,
                                     35,
                                     kOpEqual,
                                     kOpSlash,
                                     kOpComma,
                                     kOpPower,
                                     kOpLessEqual,
                                     kOpGreaterEqual,
                                     kOpNotEqual,
                                     kOpNotEqual,
                                     kOpLess,
                                     kOpGreater,
                                     kOpAnd,
                                     kOpOr,
                                     kOpNot,
                                     kOpPlus,
                                     kOpStar}));
  EXPECT_EQ(toks[5].getText(), "all");
  EXPECT_EQ(Tokens("X a")[1].getOperatorCode(), 0);
}

TEST(Tokenizer, CommentsAreSkipped) {
  std::vector<CommandTokens> cmds;
  std::string err;
  ASSERT_TRUE(
      SplitCommands("* a comment line.\n"
                    "  * an indented comment line\n"
                    "A x /* inline */ y\n"
                    "* a first-column comment inside the command\n"
                    "  /* spans\n   lines */ z.  /* after the end */\n"
                    "B 2 * 3.\n",
                    "f.sps", &cmds, &err))
      << err;
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(Texts(cmds[0].Tokens()), (std::vector<std::string>{"A", "x", "y", "z"}));
  EXPECT_EQ(cmds[0].Tokens()[3].getLine(), 6);
  EXPECT_EQ(Texts(cmds[1].Tokens()), (std::vector<std::string>{"B", "2", "*", "3"}));
}

TEST(Tokenizer, LexicalErrorsNameLineAndColumnAndShowACaret) {
  struct Case {
    const char* text;
    const char* what;
    const char* caretLine;
  };
  const Case cases[] = {
      {"A 'open\n", "is not closed on its line", "      ^"},
      {"A b ! c\n", "Unexpected character '!'", "        ^"},
      {"A 12abc\n", "'12abc' is not a valid number", "      ^^^^^"},
      {"A x /* never closed\n", "never closed with */", "        ^^"},
      {"A . b\n", "Unexpected period", "      ^"},
  };
  for (const Case& c : cases) {
    std::vector<CommandTokens> cmds;
    std::string err;
    EXPECT_FALSE(SplitCommands(c.text, "bad.sps", &cmds, &err)) << c.text;
    EXPECT_NE(err.find(c.what), std::string::npos) << err;
    EXPECT_NE(err.find("at line 1, column "), std::string::npos) << err;
    EXPECT_NE(err.find("in bad.sps:\n    " +
                       std::string(c.text).substr(0, std::string(c.text).size() - 1)),
              std::string::npos)
        << err;
    EXPECT_NE(err.find(std::string("\n") + c.caretLine), std::string::npos) << err;
  }
}

TEST(Tokenizer, ExpressionModeHasNoCommandEndsOrCommentLines) {
  std::vector<TokenInfoObj> toks;
  std::string err;
  ASSERT_TRUE(TokenizeExpression("* x >= 1.5 & $VD.x ~= 'a'", &toks, &err)) << err;
  EXPECT_EQ(Texts(toks),
            (std::vector<std::string>{"*", "x", ">=", "1.5", "&", "$VD.x", "~=", "'a'"}));
  EXPECT_FALSE(TokenizeExpression("x = 'a", &toks, &err));
}
