// Reading with the rows cut into chunks of every size: rows that straddle chunk boundaries
// (quoted line breaks, CRLF, empty lines, a last row without a line feed), formats derived from
// values in the last chunk, faults found past a boundary, and number texts read exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "IoTestSupport.h"
#include "host/io/ColumnParser.h"
#include "host/io/DatasetReader.h"

namespace {

struct Loaded {
  bool ok = false;
  std::string error;
  ZIRA_DataSource data;
  ZIRA_Variable* Var(std::string_view name) const {
    return data.GetVariable(data.FindVarIndex(name));
  }
};

Loaded Read(const std::string& path, int threads, size_t chunkBytes) {
  DatasetReadOptions options;
  options.threads = threads;
  options.chunkBytes = chunkBytes;
  Loaded l;
  l.ok = ReadDataset(path, options, &l.data, &l.error, nullptr);
  return l;
}

// A CSV text quoting a value: doubled quotes inside.
std::string Quoted(const std::string& v) {
  std::string s = "\"";
  for (char c : v) s += c == '"' ? std::string("\"\"") : std::string(1, c);
  return s + "\"";
}

}  // namespace

TEST(DatasetChunks, EveryChunkSizeSplitsRowsWithQuotedLineBreaksCrlfAndEmptyLinesAlike) {
  TempDir dir;
  std::vector<std::string> texts;
  std::string csv = "id,text\r\n\r\n";
  for (int i = 0; i < 40; ++i) {
    std::string text = i % 3 == 0   ? "two\r\nlines \"" + std::to_string(i) + "\""
                       : i % 3 == 1 ? "a\n\nb, c"
                                    : "plain" + std::to_string(i);
    texts.push_back(text);
    csv += std::to_string(i) + "," + (i % 3 == 2 ? text : Quoted(text));
    if (i + 1 < 40) csv += i % 4 == 0 ? "\n" : "\r\n";
    if (i % 5 == 0) csv += i % 2 ? "\r\n" : "\n";  // empty lines are not rows
  }
  WriteFile(dir.File("rows.csv"), csv);  // the last row has no line feed
  for (size_t chunk = 1; chunk <= 48; ++chunk) {
    for (int threads : {1, 3}) {
      Loaded l = Read(dir.File("rows.csv"), threads, chunk);
      ASSERT_TRUE(l.ok) << l.error << " (chunks of " << chunk << " bytes)";
      ASSERT_EQ(l.data.CaseCount(), texts.size()) << "chunks of " << chunk << " bytes";
      size_t widest = 0;
      for (size_t r = 0; r < texts.size(); ++r) {
        ASSERT_EQ(l.Var("id")->GetNumber(r), static_cast<double>(r)) << "chunk " << chunk;
        ASSERT_EQ(l.Var("text")->GetString(r), texts[r]) << "chunk " << chunk;
        widest = std::max(widest, texts[r].size());
      }
      EXPECT_EQ(l.Var("text")->GetType(), static_cast<int>(widest));
    }
  }
}

TEST(DatasetChunks, FieldsOfEveryLengthAroundQuotesAndCarriageReturnsReadTheSameInEveryChunking) {
  // The field cutter looks at 16 bytes at a time: fields shorter and longer than that, runs
  // of empty fields, quoted values holding commas, line breaks and doubled quotes, CRLF and
  // LF rows, wherever they fall against those steps and the chunks' ends.
  TempDir dir;
  std::srand(23);
  const size_t kCols = 6, kRows = 400;
  std::vector<std::vector<std::string>> cells(kRows, std::vector<std::string>(kCols));
  std::string csv = "c0,c1,c2,c3,c4,c5\n";
  for (size_t r = 0; r < kRows; ++r) {
    for (size_t c = 0; c < kCols; ++c) {
      static const size_t kLengths[] = {0, 1, 3, 15, 63, 64, 65, 130};
      const size_t len = kLengths[static_cast<size_t>(std::rand()) % 8];
      std::string v;
      for (size_t k = 0; k < len; ++k) v += static_cast<char>('a' + (r + c + k) % 26);
      const bool quote = len > 2 && std::rand() % 4 == 0;
      if (quote) v[len / 2] = ",\n\"x"[std::rand() % 4];
      if (!v.empty()) v[0] = 'w';  // never a number
      cells[r][c] = v;
      csv += quote ? Quoted(v) : v;
      csv += c + 1 < kCols ? "," : r % 3 == 0 ? "\r\n" : "\n";
    }
  }
  WriteFile(dir.File("lengths.csv"), csv);
  for (size_t chunk : {size_t{0}, size_t{1}, size_t{100}, size_t{4093}}) {
    Loaded l = Read(dir.File("lengths.csv"), chunk ? 2 : 1, chunk);
    ASSERT_TRUE(l.ok) << l.error << " (chunks of " << chunk << " bytes)";
    ASSERT_EQ(l.data.CaseCount(), kRows);
    for (size_t c = 0; c < kCols; ++c) {
      const ZIRA_Variable* v = l.Var("c" + std::to_string(c));
      for (size_t r = 0; r < kRows; ++r) {
        ASSERT_EQ(v->GetString(r), cells[r][c])
            << "row " << r << ", column " << c << ", chunks of " << chunk;
      }
    }
  }
}

TEST(DatasetChunks, AStrayQuoteOrCarriageReturnDeepInALongFieldIsAFaultAtItsColumn) {
  // Wherever the byte falls among the bytes the cutter looks at together.
  TempDir dir;
  for (size_t at = 1; at < 140; at += 7) {
    for (const char* stray : {"\"", "\r"}) {
      std::string field(150, 'w');
      field[at] = stray[0];
      const std::string csv = "a,b\nx," + field + "\ny,z\n";
      WriteFile(dir.File("stray.csv"), csv);
      Loaded l = Read(dir.File("stray.csv"), 1, 0);
      ASSERT_FALSE(l.ok) << "at " << at;
      EXPECT_NE(l.error.find(":2:" + std::to_string(3 + at) + ": "), std::string::npos) << l.error;
      EXPECT_NE(l.error.find(stray[0] == '"' ? "a quote character inside an unquoted value"
                                             : "a carriage return must be followed by a line feed"),
                std::string::npos)
          << l.error;
    }
  }
}

TEST(DatasetChunks, WidthsAndDecimalsComeFromValuesInTheLastChunk) {
  TempDir dir;
  std::string csv = "word,x\n";
  for (int i = 0; i < 300; ++i) csv += "ab," + std::to_string(i % 10) + ".5\n";
  const std::string longWord = "a much longer word than the others";
  const std::string wideNumber = "-12345.678901";
  csv += longWord + "," + wideNumber;  // no line feed after the last row
  WriteFile(dir.File("last.csv"), csv);
  for (size_t chunk : {7, 64, 1000, 1 << 20}) {
    Loaded l = Read(dir.File("last.csv"), 2, chunk);
    ASSERT_TRUE(l.ok) << l.error;
    ASSERT_EQ(l.data.CaseCount(), 301u);
    EXPECT_EQ(l.Var("word")->GetType(), static_cast<int>(longWord.size())) << chunk;
    EXPECT_EQ(l.Var("word")->GetString(300), longWord);
    const int decimals = static_cast<int>(wideNumber.size() - wideNumber.find('.') - 1);
    EXPECT_EQ(l.Var("x")->GetFormat(),
              (ZiraFormat{kFmtNumber, static_cast<int>(wideNumber.size()), decimals}))
        << chunk;
    EXPECT_EQ(l.Var("x")->GetNumber(300), std::strtod(wideNumber.c_str(), nullptr));
  }
}

TEST(DatasetChunks, AFaultPastAQuotedLineBreakIsReportedAtItsLineWithEveryChunkSize) {
  TempDir dir;
  std::string csv = "a,b\n";
  for (int i = 0; i < 6; ++i) csv += std::to_string(i) + ",\"x\ny\"\n";  // lines 2 to 13
  csv += "7\n";                                                          // line 14
  WriteFile(dir.File("late.csv"), csv);
  WriteFile(dir.File("open.csv"), "a,b\n1,\"x\ny\"\n2,\"never closed\n3,z\n");
  for (size_t chunk = 1; chunk <= 40; ++chunk) {
    Loaded late = Read(dir.File("late.csv"), 2, chunk);
    ASSERT_FALSE(late.ok);
    EXPECT_NE(late.error.find("late.csv:14:2: the row has 1 field; the header has 2"),
              std::string::npos)
        << late.error << " (chunks of " << chunk << " bytes)";
    Loaded open = Read(dir.File("open.csv"), 2, chunk);
    ASSERT_FALSE(open.ok);
    EXPECT_NE(open.error.find("open.csv:4:3: a quoted value is not closed"), std::string::npos)
        << open.error << " (chunks of " << chunk << " bytes)";
  }
}

TEST(DatasetChunks, NumberTextsOfEveryShapeReadExactlyAsTheCLibraryReadsThem) {
  const std::vector<std::string> numbers = {"0.1",
                                            "-0",
                                            "-0.0",
                                            "+3",
                                            ".5",
                                            "-.25",
                                            "5.",
                                            "1e3",
                                            "2.5E-3",
                                            "9007199254740993",
                                            "9007199254740992.5",
                                            "0.1234567890123456789012",
                                            "0.12345678901234567890123",
                                            "12345678901234567890",
                                            "3.141592653589793238",
                                            "1.7976931348623157e308",
                                            "4.9e-324",
                                            "2.2250738585072011e-308",
                                            "123456.7890123456",
                                            "-98765.4321",
                                            "0000.5",
                                            "100",
                                            "900719925474.0992",
                                            "0.478400502933415652",
                                            "0.000000000000000001",
                                            "0.0000000000000000001",
                                            "1.0000000000000000"};
  const std::vector<std::string> integers = {
      "-0", "+7", "123456789012345678", "-999999999999999999", "9223372036854775807", "42"};
  TempDir dir;
  std::string csv = "x,n\n";
  for (size_t i = 0; i < numbers.size(); ++i)
    csv += numbers[i] + "," + integers[i % integers.size()] + "\n";
  WriteFile(dir.File("n.csv"), csv);
  WriteFile(dir.File("n.schema.json"),
            R"({"fields":[{"name":"x","type":"number"},{"name":"n","type":"integer"}]})");
  Loaded l = Read(dir.File("n.csv"), 1, 0);
  ASSERT_TRUE(l.ok) << l.error;
  for (size_t i = 0; i < numbers.size(); ++i) {
    const double expected = std::strtod(numbers[i].c_str(), nullptr);
    const double got = l.Var("x")->GetNumber(i);
    EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << numbers[i] << " read as " << got;
    const std::string& n = integers[i % integers.size()];
    EXPECT_EQ(l.Var("n")->GetNumber(i), static_cast<double>(std::strtoll(n.c_str(), nullptr, 10)))
        << n;
  }
}

TEST(DatasetChunks, NumbersOfRandomShapesReadAsTheGeneralReaderReadsThem) {
  // Texts of 1 to 20 characters, mostly digits with signs, periods, exponents, blanks and
  // letters mixed in, so that plain numbers of every length sit beside near misses ("5.",
  // "1.2.3", "-", "1-2"). Whatever fast path a column takes, each cell must read as the
  // general reader reads its text alone, bit for bit, and a text it refuses must fail the
  // load naming that text.
  std::mt19937 rng(2026);
  const std::string alphabet = "0123456789012345678901234567890123456789..--+e x";
  auto text = [&] {
    std::string t(1 + rng() % 20, '0');
    for (char& c : t) c = alphabet[rng() % alphabet.size()];
    if (rng() % 2)
      t.erase(std::remove_if(t.begin(), t.end(), [](char c) { return c < '0'; }), t.end());
    return t.empty() ? std::string("7") : t;
  };
  FieldSpec numberSpec, integerSpec;
  numberSpec.kind = FieldKind::kNumber;
  integerSpec.kind = FieldKind::kInteger;
  struct Cell {
    std::string x, n;
    double vx, vn;
  };
  std::vector<Cell> cells;
  std::vector<std::string> refused;
  while (cells.size() < 6000) {
    Cell c{text(), text(), 0, 0};
    const bool okX = ReadNumericCell(numberSpec, FieldKind::kNumber, c.x, &c.vx);
    const bool okN = ReadNumericCell(integerSpec, FieldKind::kInteger, c.n, &c.vn);
    if (okX && okN) {
      cells.push_back(c);
    } else if (refused.size() < 30 && !okX && !c.x.empty() && c.x.find(' ') == std::string::npos) {
      refused.push_back(c.x);
    }
  }
  ASSERT_EQ(refused.size(), 30u);
  TempDir dir;
  WriteFile(dir.File("n.schema.json"),
            R"({"fields":[{"name":"x","type":"number"},{"name":"n","type":"integer"}]})");
  std::string csv = "x,n\n";
  for (size_t i = 0; i < cells.size(); ++i)
    csv += (i % 7 == 3 ? Quoted(cells[i].x) : cells[i].x) + "," + cells[i].n + "\n";
  WriteFile(dir.File("n.csv"), csv);
  Loaded l = Read(dir.File("n.csv"), 2, 4096);
  ASSERT_TRUE(l.ok) << l.error;
  for (size_t i = 0; i < cells.size(); ++i) {
    const double gx = l.Var("x")->GetNumber(i), gn = l.Var("n")->GetNumber(i);
    ASSERT_EQ(std::memcmp(&gx, &cells[i].vx, sizeof gx), 0) << cells[i].x << " read as " << gx;
    ASSERT_EQ(std::memcmp(&gn, &cells[i].vn, sizeof gn), 0) << cells[i].n << " read as " << gn;
  }
  for (const std::string& bad : refused) {
    WriteFile(dir.File("bad.csv"), "x,n\n12345678901234567890,1\n" + bad + ",2\n");
    WriteFile(dir.File("bad.schema.json"),
              R"({"fields":[{"name":"x","type":"number"},{"name":"n","type":"integer"}]})");
    Loaded b = Read(dir.File("bad.csv"), 1, 0);
    ASSERT_FALSE(b.ok) << bad;
    EXPECT_NE(b.error.find("bad.csv:3:1: column x: " + QuoteValue(bad) + " is not a number"),
              std::string::npos)
        << b.error;
  }
}
