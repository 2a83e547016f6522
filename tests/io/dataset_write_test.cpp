// Saving is all or nothing: a write that fails leaves the old files whole and no stray
// temporary files; one that succeeds replaces both files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "IoTestSupport.h"
#include "host/io/DatasetReader.h"
#include "host/io/DatasetWriter.h"

namespace {

ZIRA_DataSource Numbers(std::vector<double> values) {
  ZIRA_DataSource ds;
  ds.SetCaseCount(values.size());
  ZIRA_Variable* v = ds.AddVariable("x", 0);
  for (size_t i = 0; i < values.size(); ++i) v->SetNumber(i, values[i]);
  return ds;
}

std::vector<std::string> Entries(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(DatasetWrite, SavingOverOldFilesReplacesBoth) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WriteDataset(Numbers({1, 2}), dir.File("d.csv"), &error)) << error;
  ASSERT_TRUE(WriteDataset(Numbers({3}), dir.File("d.csv"), &error)) << error;
  EXPECT_EQ(ReadFile(dir.File("d.csv")), "x\n3\n");
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"d.csv", "d.schema.json"}));
}

TEST(DatasetWrite, FailedDescriptorRenameLeavesTheOldDataFileWhole) {
  TempDir dir;
  WriteFile(dir.File("d.csv"), "old,data\n1,2\n");
  std::filesystem::create_directory(dir.File("d.schema.json"));  // cannot be replaced by a file
  WriteFile(dir.File("d.schema.json/keep"), "");
  std::string error;
  EXPECT_FALSE(WriteDataset(Numbers({1}), dir.File("d.csv"), &error));
  EXPECT_NE(error.find("cannot write " + dir.File("d.schema.json")), std::string::npos) << error;
  EXPECT_EQ(ReadFile(dir.File("d.csv")), "old,data\n1,2\n");
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"d.csv", "d.schema.json"}));
}

TEST(DatasetWrite, FailedDescriptorRenameWithoutAnOldDataFileLeavesNoDataFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("d.schema.json"));
  WriteFile(dir.File("d.schema.json/keep"), "");
  std::string error;
  EXPECT_FALSE(WriteDataset(Numbers({1}), dir.File("d.csv"), &error));
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"d.schema.json"});
}

TEST(DatasetWrite, DataPathThatIsAFolderFailsAndLeavesTheOldDescriptor) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("d.csv"));
  WriteFile(dir.File("d.csv/keep"), "");
  WriteFile(dir.File("d.schema.json"), "{\"old\": true}");
  std::string error;
  EXPECT_FALSE(WriteDataset(Numbers({1}), dir.File("d.csv"), &error));
  EXPECT_EQ(ReadFile(dir.File("d.schema.json")), "{\"old\": true}");
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"d.csv", "d.schema.json"}));
}

TEST(DatasetWrite, ReadOnlyFolderFailsWithTheReasonAndKeepsTheOldFiles) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  WriteFile(dir.File("d.csv"), "x\n9\n");
  chmod(dir.Path().c_str(), 0555);
  std::string error;
  EXPECT_FALSE(WriteDataset(Numbers({1}), dir.File("d.csv"), &error));
  chmod(dir.Path().c_str(), 0755);
  EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(dir.File("d.csv")), "x\n9\n");
}

TEST(DatasetWrite, DatasetWithoutVariablesIsRefused) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(WriteDataset(ZIRA_DataSource{}, dir.File("d.csv"), &error));
  EXPECT_TRUE(Entries(dir).empty());
}
