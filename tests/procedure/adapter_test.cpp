// The driver and adapter pass by pass, where the end-to-end report cannot show it: what the
// first of two passes leaves behind.
#include <gtest/gtest.h>

#include <map>

#include "backend/validatedata/VDTFactory.h"
#include "backend/validatedata/VDTParser.h"
#include "backend/validatedata/VDTProcAdapter.h"
#include "backend/validatedata/VDTValidSpecs.h"
#include "dataset_builder.h"
#include "host/data/ProcedureDataSource.h"
#include "host/output/BpDocument.h"
#include "host/output/BpProcedure.h"
#include "host/session/Session.h"
#include "host/syntax/ZIRA_TokenSequence.h"

namespace {

// The pieces the entry point builds, up to a driver over a parsed command.
struct Driver {
  Driver(ZIRA_DataSource dataset, const std::string& command) {
    session.SetActive(std::move(dataset));
    AttachDocument(session, doc);
    std::string error;
    EXPECT_TRUE(CommandTokens::FromText(command, &commandTokens, &error)) << error;
    session.SetCurrentTokens(&commandTokens);
    procedure = std::make_unique<BpProcedure>("ValidateData", 10);
    tokens = std::make_unique<ZIRA_TokenSequence>(true);
    data = std::make_unique<ProcedureDataSource>();
    data->SetMaxObsAdded(4);
    AdjustMeasurementLevels(data.get());
    parser = std::make_unique<VDTParser>(tokens.get(), &specs, data.get());
    EXPECT_TRUE(parser->Parse());
    specs.CreateVarValidSpecs();
    factory = std::make_unique<VDTFactory>(&specs, data.get(), procedure.get());
  }
  Session session;
  Session::Scope scope{session};
  BpDocument doc;
  CommandTokens commandTokens;
  std::unique_ptr<BpProcedure> procedure;
  std::unique_ptr<ZIRA_TokenSequence> tokens;
  std::unique_ptr<ProcedureDataSource> data;
  VDTValidSpecs specs;
  std::unique_ptr<VDTParser> parser;
  std::unique_ptr<VDTFactory> factory;
};

}  // namespace

TEST(DuplicatePasses, TheFirstPassOnlyCollectsGroupsInTheOrderOfTheirSecondCases) {
  DatasetBuilder b(12);
  b.Num("id", {1, 100, 3, 4, 200, 6, 7, 8, 200, 10, 11, 100});
  b.Num("x", {kMiss, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  Driver d(b.data, "VALIDATEDATA VARIABLES=x ID=id /VARCHECKS STATUS=OFF /SAVE EMPTYCASE.");
  ASSERT_TRUE(d.factory->HasDuplicateMap());
  ASSERT_TRUE(d.factory->NextSplit());
  ASSERT_TRUE(d.factory->ReadSplit());
  // Group 200 met its second case (9) before group 100 (12).
  EXPECT_EQ(d.factory->GetDuplicGroups(), (std::vector<std::vector<long>>{{5, 9}, {2, 12}}));
  EXPECT_EQ(d.factory->GetAdapter()->GetNEmptyCases(), 0);
  EXPECT_EQ(d.data->ColumnCount(), 2);
  EXPECT_EQ(d.factory->GetNewVarInd(0), -1);

  ASSERT_TRUE(d.factory->PrepareFinalPass());
  EXPECT_EQ(d.factory->GetNewVarInd(0), 2);
  ASSERT_TRUE(d.factory->NextSplit());
  ASSERT_TRUE(d.factory->ReadSplit());
  EXPECT_EQ(d.factory->GetAdapter()->GetNEmptyCases(), 1);
  EXPECT_FALSE(d.factory->NextSplit());
}

TEST(DuplicatePasses, OverManyBlocksTheGroupsAreThoseOfOneCaseAtATime) {
  // Blocks of cases, prepared on the second thread while the ones before are processed: the
  // groups, their order (by their second cases) and their case lists are those of reading
  // the cases one by one.
  const size_t n = 30000;
  std::vector<double> ids(n);
  for (size_t i = 0; i < n; ++i)
    ids[i] = i % 13 == 5 ? kMiss : static_cast<double>((i * 7919) % 9001);
  std::map<double, std::vector<long>> casesOf;
  std::vector<std::vector<long>> expected;
  std::map<double, size_t> groupOf;
  for (size_t i = 0; i < n; ++i) {
    if (ids[i] == kMiss) continue;
    auto& cases = casesOf[ids[i]];
    cases.push_back(static_cast<long>(i) + 1);
    if (cases.size() == 2) {
      groupOf[ids[i]] = expected.size();
      expected.push_back(cases);
    } else if (cases.size() > 2) {
      expected[groupOf[ids[i]]].push_back(static_cast<long>(i) + 1);
    }
  }
  DatasetBuilder b(n);
  b.Num("id", ids);
  b.Num("x", std::vector<double>(n, 1));
  Driver d(b.data, "VALIDATEDATA VARIABLES=x ID=id /VARCHECKS STATUS=OFF.");
  ASSERT_TRUE(d.factory->NextSplit());
  ASSERT_TRUE(d.factory->ReadSplit());
  EXPECT_EQ(d.factory->GetDuplicGroups(), expected);
}
