// Stored forms of the screening state: byte-exact round trips, object sizes, and truncated,
// corrupted or foreign streams refused with the documented status.
#include <gtest/gtest.h>

#include <sstream>

#include "featureselection/FSAlgorithm.h"
#include "featureselection/FSContAccums.h"
#include "featureselection/FSPredSort.h"
#include "fs_test_data.h"

namespace {

// A ranked algorithm over a mixed set with a categorical target and one deleted predictor.
std::unique_ptr<IFSAlgorithm> RankedAlgorithm(FSSettings& s) {
  MCCommon::VectorRecordIter it;
  for (int i = 0; i < 80; ++i) {
    it.AddRow({static_cast<double>(i % 4), i * 0.5 + (i % 3), 7.0, static_cast<double>(i % 5),
               static_cast<double>(i % 3)});
  }
  s.SetTargetPosition(4);
  auto a = MakeAlgorithm(s);
  EXPECT_TRUE(a->AccumulateData(&it, -1).IsOK());
  EXPECT_TRUE(a->CheckForDeletion().IsOK());
  EXPECT_TRUE(a->RankPredictors(0).IsOK());
  return a;
}

std::string SaveBytes(IFSAlgorithm& a) {
  std::ostringstream os;
  EXPECT_TRUE(a.Save(os).IsOK());
  return os.str();
}

}  // namespace

TEST(PersistenceTest, SavedLoadedAndSavedAgainGivesTheSameBytes) {
  FSSettings s(std::vector<bool>{true, false, false, true}, true);
  auto a = RankedAlgorithm(s);
  const std::string first = SaveBytes(*a);
  ASSERT_EQ(first.substr(0, 16), "FSAlgorithm 1.00");
  std::istringstream is(first);
  FSAlgorithmFactory f;
  auto b = f.Load(is);
  ASSERT_TRUE(b) << f.GetErrorText();
  EXPECT_EQ(SaveBytes(*b), first);
  EXPECT_TRUE(b->IsRanked());
  EXPECT_EQ(b->GetDeletedIndices(), (std::vector<int>{2}));
  EXPECT_EQ(b->GetRanks(kFSPearson), a->GetRanks(kFSPearson));
  EXPECT_NE(b->GetSettings(), &s);  // restored settings belong to the algorithm
}

TEST(PersistenceTest, XMLFormRoundTripsToTheSameState) {
  FSSettings s(std::vector<bool>{true, false, false, true}, true);
  auto a = RankedAlgorithm(s);
  std::ostringstream xml;
  ASSERT_TRUE(a->SaveXML(xml).IsOK());
  EXPECT_NE(xml.str().find("\"FSAlgorithm 1.00\""), std::string::npos);
  std::istringstream is(xml.str());
  FSAlgorithmFactory f;
  auto b = f.LoadXML(is);
  ASSERT_TRUE(b) << f.GetErrorText();
  EXPECT_EQ(SaveBytes(*b), SaveBytes(*a));
}

TEST(PersistenceTest, AnAlgorithmSavedRightAfterConstructionRestoresAsInitial) {
  FSSettings s(3, false, true);
  auto a = MakeAlgorithm(s);
  std::istringstream is(SaveBytes(*a));
  FSAlgorithmFactory f;
  auto b = f.Load(is);
  ASSERT_TRUE(b);
  const auto& ps = dynamic_cast<FSAlgorithm*>(b.get())->GetPredictorSet();
  EXPECT_EQ(ps.GetStatus(), kFSSetInitial);
  EXPECT_FALSE(ps.IsAllocated());
  EXPECT_FALSE(b->IsDataAccumulated());
  EXPECT_FALSE(b->IsRanked());
}

TEST(PersistenceTest, ObjectSizesFollowTheLayout) {
  std::ostringstream sort, cont;
  EXPECT_EQ(FSPredSort{}.Save(sort), 33);
  EXPECT_EQ(sort.str().size(), 33u);
  EXPECT_EQ(sort.str().substr(0, 5), "FSPRS");
  FSContPContTAccum acc;
  EXPECT_EQ(acc.Save(cont), 73);
  EXPECT_EQ(cont.str().substr(0, 5), "COPCO");
  FSSettings s(2, true, true);
  std::ostringstream set;
  // Tag 5, n 4, types 8, then 4 + 4 + 4 + 24 + 7 x 4 and six (double, int) pairs.
  EXPECT_EQ(s.Save(set), 5 + 4 + 8 + 12 + 24 + 28 + 6 * 12);
}

TEST(PersistenceTest, ForeignTruncatedAndCorruptStreamsAreRefused) {
  FSSettings s(std::vector<bool>{true, false, false, true}, true);
  auto a = RankedAlgorithm(s);
  const std::string bytes = SaveBytes(*a);
  FSAlgorithmFactory f;

  std::istringstream foreign("FSAlgorithm 2.00 and more");
  EXPECT_FALSE(f.Load(foreign));
  EXPECT_EQ(f.GetStatus(), FSStatus(kFSLoadFailed, false));

  for (std::size_t cut :
       {std::size_t{0}, std::size_t{10}, std::size_t{40}, bytes.size() / 2, bytes.size() - 1}) {
    std::istringstream truncated(bytes.substr(0, cut));
    EXPECT_FALSE(f.Load(truncated)) << "cut at " << cut;
    EXPECT_EQ(f.GetStatus().code, kFSLoadFailed);
    EXPECT_NE(f.GetErrorText().find("Error reading"), std::string::npos);
  }

  // A predictor count that disagrees with the settings, and a deleted index out of range.
  std::string corrupt = bytes;
  const std::size_t prset = corrupt.find("PRSET");
  ASSERT_NE(prset, std::string::npos);
  corrupt[prset + 5] = 9;
  std::istringstream c1(corrupt);
  EXPECT_FALSE(f.Load(c1));
  EXPECT_EQ(f.GetStatus().code, kFSLoadFailed);
  EXPECT_NE(f.GetErrorText().find("FSPredictorSet"), std::string::npos);

  std::istringstream bad;
  bad.setstate(std::ios::failbit);
  EXPECT_FALSE(f.Load(bad));
  EXPECT_EQ(f.GetStatus().code, kFSStreamNotGood);

  // Flipping every byte in turn never crashes; each load either fails or succeeds whole.
  for (std::size_t k = 0; k < bytes.size(); k += 7) {
    std::string flipped = bytes;
    flipped[k] = static_cast<char>(flipped[k] ^ 0x5A);
    std::istringstream is(flipped);
    auto b = f.Load(is);
    if (b) {
      EXPECT_FALSE(b->GetStatus().IsError());
    }
  }
}

TEST(PersistenceTest, BadXMLIsRefusedWithStatus80005) {
  FSAlgorithmFactory f;
  std::istringstream notXml("FSAlgorithm 1.00");
  EXPECT_FALSE(f.LoadXML(notXml));
  EXPECT_EQ(f.GetStatus().code, kFSLoadXMLFailed);
  EXPECT_NE(f.GetErrorText().find("not well formed"), std::string::npos);

  FSSettings s(2, true, true);
  auto a = MakeAlgorithm(s);
  std::ostringstream xml;
  a->SaveXML(xml);
  std::string text = xml.str();
  const std::size_t at = text.find("name=\"numPreds\">2<");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 18, "name=\"numPreds\">x<");
  std::istringstream is(text);
  EXPECT_FALSE(f.LoadXML(is));
  EXPECT_EQ(f.GetStatus().code, kFSLoadXMLFailed);
  EXPECT_NE(f.GetErrorText().find("FSSettings"), std::string::npos);
}
