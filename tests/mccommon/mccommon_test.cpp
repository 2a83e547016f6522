// Records, the in-memory record iterator, and the XML object writer, reader and tree writer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "host/mccommon/MCCommonRecord.h"
#include "host/mccommon/MCCommonXML.h"

using namespace MCCommon;
using namespace MCCommonXML;

TEST(RecordIterator, ReadsEveryRowOnceAndCanBeReadAgainAfterReset) {
  VectorRecordIter it;
  it.AddRow({1, 2, 3});
  it.AddRow({4});
  EXPECT_EQ(it.Current(), nullptr);
  ASSERT_TRUE(it.Next());
  ASSERT_NE(it.Current(), nullptr);
  EXPECT_EQ(it.Current()->Size(), 3);
  EXPECT_EQ(it.Current()->GetAll()[2], 3.0);
  ASSERT_TRUE(it.Next());
  EXPECT_EQ((*it.Current())[0], 4.0);
  EXPECT_EQ(it.Current()->ValueOr(5), MCMV::gMissingValue);
  EXPECT_FALSE(it.Next());
  EXPECT_EQ(it.Current(), nullptr);
  EXPECT_FALSE(it.Next());
  ASSERT_TRUE(it.Reset());
  ASSERT_TRUE(it.Next());
  EXPECT_EQ(it.Current()->Size(), 3);
}

TEST(XMLObjects, NestedObjectsReadBackInOrderWithExactDoubles) {
  std::ostringstream os;
  {
    XMLObj x(os);
    x.StartObj("Outer 1.00");
    x.WriteSubElement("n", 42);
    x.StartObj("Inner");
    x.WriteSubElement("third", 0.1 + 0.2);
    x.WriteSubElement("lowest", std::numeric_limits<double>::lowest());
    x.WriteSubElement("inf", -std::numeric_limits<double>::infinity());
    x.WriteSubElement("nan", std::nan(""));
    x.EndObj();
    x.EndObj();
    EXPECT_GT(x.BytesWritten(), 0);
  }
  std::istringstream is(os.str());
  XMLReader r;
  ASSERT_TRUE(r.ParseStartXML(is)) << r.GetError();
  int n = 0;
  double a = 0, b = 0, c = 0, d = 0;
  ASSERT_TRUE(ParseStartObj(r, "Outer 1.00")) << r.GetError();
  ASSERT_TRUE(ParseValue(r, "n", n));
  ASSERT_TRUE(ParseStartObj(r, "Inner"));
  ASSERT_TRUE(ParseValue(r, "third", a));
  ASSERT_TRUE(ParseValue(r, "lowest", b));
  ASSERT_TRUE(ParseValue(r, "inf", c));
  ASSERT_TRUE(ParseValue(r, "nan", d));
  ASSERT_TRUE(ParseEndObj(r));
  ASSERT_TRUE(ParseEndObj(r));
  EXPECT_EQ(n, 42);
  EXPECT_EQ(a, 0.1 + 0.2);
  EXPECT_EQ(b, std::numeric_limits<double>::lowest());
  EXPECT_TRUE(std::isinf(c) && c < 0);
  EXPECT_TRUE(std::isnan(d));
}

TEST(XMLObjects, ReaderRefusesWrongNamesKindsAndLeftoversWithThePlace) {
  std::ostringstream os;
  {
    XMLObj x(os);
    x.StartObj("A");
    x.WriteSubElement("v", 1.5);
    x.WriteSubElement("w", 2);
    x.EndObj();
  }
  {
    std::istringstream is(os.str());
    XMLReader r;
    ASSERT_TRUE(r.ParseStartXML(is));
    EXPECT_FALSE(r.ParseStartObj("B"));
    EXPECT_NE(r.GetError().find("\"B\""), std::string::npos);
  }
  {
    std::istringstream is(os.str());
    XMLReader r;
    ASSERT_TRUE(r.ParseStartXML(is));
    ASSERT_TRUE(r.ParseStartObj("A"));
    int i = 0;
    EXPECT_FALSE(r.ParseValue("v", i));  // a double is not an integer
    EXPECT_NE(r.GetError().find("at byte"), std::string::npos);
  }
  {
    std::istringstream is(os.str());
    XMLReader r;
    ASSERT_TRUE(r.ParseStartXML(is));
    ASSERT_TRUE(r.ParseStartObj("A"));
    double v = 0;
    ASSERT_TRUE(r.ParseValue("v", v));
    EXPECT_FALSE(r.ParseEndObj());  // "w" is left
  }
}

TEST(XMLObjects, MalformedTextAndEntitiesAreRefusedNotExpanded) {
  XMLReader r;
  std::istringstream bad("<MCXMLRoot><Object name=\"A\"></MCXMLRoot>");
  EXPECT_FALSE(r.ParseStartXML(bad));
  EXPECT_NE(r.GetError().find("not well formed"), std::string::npos);

  // An external entity is never fetched; the reference stays unexpanded text, which is not
  // a number.
  std::istringstream ext(
      "<?xml version=\"1.0\"?><!DOCTYPE MCXMLRoot [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
      "<MCXMLRoot><Object name=\"A\"><Long name=\"n\">&x;</Long></Object></MCXMLRoot>");
  XMLReader r2;
  if (r2.ParseStartXML(ext)) {
    ASSERT_TRUE(r2.ParseStartObj("A"));
    int n = 0;
    EXPECT_FALSE(r2.ParseValue("n", n));
  }
}

TEST(XMLTrees, WriteTreeWritesDocTypeAttributesAndEscapedText) {
  XMLElement root("Doc");
  root.SetAttribute("version", std::string("1.0"));
  root.SetAttribute("n", 3);
  root.AddElement("Child").AddString("a < b & c");
  root.SetAttribute("version", std::string("2.0"));  // replaces, keeps its place
  std::ostringstream os;
  ASSERT_TRUE(WriteTree(os, {"Doc", "doc.dtd"}, root, true));
  const std::string s = os.str();
  EXPECT_NE(s.find("<!DOCTYPE Doc SYSTEM \"doc.dtd\">"), std::string::npos);
  EXPECT_NE(s.find("<Doc version=\"2.0\" n=\"3\">"), std::string::npos);
  EXPECT_NE(s.find("<Child>a &lt; b &amp; c</Child>"), std::string::npos);
}
