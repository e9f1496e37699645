#include "storage/bad_sector_map.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "support/test_paths.h"

namespace kova {
namespace {

using S = TXSectorState;

std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
    output.append(buffer, n);
  status = ::pclose(pipe);
  return output;
}

bool HaveDdrescuelog() {
  int status = -1;
  RunCommand("ddrescuelog --version >/dev/null 2>&1", status);
  return status == 0;
}

TEST(BadSectorMapTest, MarksSplitAndJoinAreas) {
  TXBadSectorMap map(10240);
  map.Mark(0, 4096, S::ssFinished);
  map.Mark(5120, 512, S::ssBad);
  map.Mark(4096, 1024, S::ssFinished);
  const std::vector<TXSectorArea> expected{
      {0, 5120, S::ssFinished}, {5120, 512, S::ssBad}, {5632, 4608, S::ssUntried}};
  EXPECT_EQ(map.Areas(), expected) << "neighbours of one state are one area";
  map.Mark(5632, 100000, S::ssFinished);
  EXPECT_EQ(map.Areas().back(), (TXSectorArea{5632, 4608, S::ssFinished})) << "clipped to the map";
  map.Mark(5120, 512, S::ssFinished);
  EXPECT_EQ(map.Areas(), (std::vector<TXSectorArea>{{0, 10240, S::ssFinished}}));
  EXPECT_TRUE(map.IsComplete());
}

TEST(BadSectorMapTest, CountsUnreadableBytesAndAreas) {
  TXBadSectorMap map(1 << 20);
  map.Mark(0, 1 << 20, S::ssFinished);
  map.Mark(4096, 1024, S::ssBad);
  map.Mark(5120, 2048, S::ssNonScraped);
  map.Mark(65536, 512, S::ssNonTrimmed);
  EXPECT_EQ(map.UnreadableBytes(), 1024 + 2048 + 512);
  EXPECT_EQ(map.BadAreaCount(), 2) << "adjoining unreadable states make one area";
  EXPECT_EQ(map.UnreadableWithin(4608, 1024), 1024) << "half bad, half not scraped";
  EXPECT_EQ(map.UnreadableWithin(0, 4096), 0);
  EXPECT_EQ(map.StateAt(65536), S::ssNonTrimmed);
  EXPECT_FALSE(map.IsComplete());
  ASSERT_TRUE(map.NextArea(6000, S::ssNonScraped));
  EXPECT_EQ(*map.NextArea(6000, S::ssNonScraped), (TXSectorArea{6000, 1168, S::ssNonScraped}));
  EXPECT_FALSE(map.NextArea(7168, S::ssNonScraped));
}

TEST(BadSectorMapTest, ReadsMapfilesOfGnuDdrescue) {
  const std::string text =
      "# Mapfile. Created by GNU ddrescue version 1.27\n"
      "# current_pos  current_status  current_pass\n"
      "0x00120000     *               1\n"
      "#      pos        size  status\n"
      "0x00000000  0x00100000  +\n"
      "0x00100000  0x00010000  *\n"
      "0x00110000  0x00000200  -\n"
      "0x00110200  0x000EFE00  ?\n";
  std::string error;
  std::optional<TXBadSectorMap> map = TXBadSectorMap::FromMapfile(text, error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->Size(), 0x200000);
  EXPECT_EQ(map->CurrentPos, 0x120000);
  EXPECT_EQ(map->Phase, TXRescuePhase::rpTrimming);
  EXPECT_EQ(map->UnreadableBytes(), 0x10200);
  map->MarkUntriedBad();
  EXPECT_EQ(map->UnreadableBytes(), 0x100000) << "bytes never copied are missing from an image";
}

TEST(BadSectorMapTest, RefusesWhatIsNoMapfile) {
  std::string error;
  EXPECT_FALSE(TXBadSectorMap::FromMapfile("", error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(TXBadSectorMap::FromMapfile("0x0 + 1\n0x0 0x200 X\n", error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  EXPECT_FALSE(TXBadSectorMap::FromMapfile("0x0 + 1\n0x0 0x400 +\n0x200 0x200 -\n", error));
  EXPECT_NE(error.find("overlaps"), std::string::npos) << error;
  EXPECT_FALSE(TXBadSectorMap::LoadMapfile("/nonexistent/card.map", error));
  EXPECT_NE(error.find("/nonexistent/card.map"), std::string::npos) << error;
}

TEST(BadSectorMapTest, WritesMapfilesThatReadBackAndDdrescuelogAccepts) {
  test::TempDir dir;
  TXBadSectorMap map(8 << 20);
  map.Mark(0, 3 << 20, S::ssFinished);
  map.Mark(3 << 20, 1 << 20, S::ssNonTrimmed);
  map.Mark((4 << 20) + 512, 1024, S::ssBad);
  map.CurrentPos = 5 << 20;
  map.Phase = TXRescuePhase::rpTrimming;
  const std::string path = (dir / "card.map").string();
  int error = 0;
  ASSERT_TRUE(map.SaveMapfile(path, error, "kova-cli image /dev/sdb card.img")) << error;
  EXPECT_FALSE(std::filesystem::exists(path + ".new")) << "written beside and renamed";
  std::string reason;
  std::optional<TXBadSectorMap> back = TXBadSectorMap::LoadMapfile(path, reason);
  ASSERT_TRUE(back) << reason;
  EXPECT_EQ(back->Areas(), map.Areas());
  EXPECT_EQ(back->CurrentPos, map.CurrentPos);
  if (!HaveDdrescuelog()) GTEST_SKIP() << "ddrescuelog (package gddrescue) is not installed";
  int status = -1;
  const std::string bad = RunCommand("ddrescuelog -b 512 -l- '" + path + "' 2>&1", status);
  EXPECT_EQ(status, 0) << bad;
  EXPECT_EQ(bad, "8193\n8194\n") << "the bad sectors as ddrescuelog lists them";
  const std::string trimmed =
      RunCommand("ddrescuelog -b 1048576 -l'*' '" + path + "' 2>&1", status);
  EXPECT_EQ(trimmed, "3\n");
}

TEST(BadSectorMapTest, SavingIntoAMissingFolderFailsWithTheReason) {
  TXBadSectorMap map(512);
  int error = 0;
  EXPECT_FALSE(map.SaveMapfile("/nonexistent/folder/card.map", error));
  EXPECT_EQ(error, ENOENT);
}

}  // namespace
}  // namespace kova
