#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "cli/cli_runner.h"
#include "fat/card_fixture.h"
#include "storage/disk_info.h"

namespace kova {
namespace {

using test::CliResult;
using test::FixtureCard;
using test::RunCli;

std::string Line(const std::string& out, const std::string& label) {
  std::smatch match;
  std::regex_search(out, match, std::regex(label + ": +([^\n]*)"));
  return match.size() > 1 ? match[1].str() : std::string();
}

class CliInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkcard::VolumeOptions options = test::Fat32Options();
    options.label = "HOLIDAY";
    options.serial = 0x1A2B3C4D;
    card = std::make_unique<FixtureCard>(options);
    KOVA_CARD_OK(card->Formatted());
    KOVA_CARD_OK(card->Builder().WriteFile("IMG_0001.JPG", test::Photo(320, 240)));
    KOVA_CARD_OK(card->Save());
  }
  std::string Image() const { return card->Image().string(); }

  std::unique_ptr<FixtureCard> card;
};

TEST_F(CliInfoTest, FatVolumeFactsComeFromItsBootSectorAndTable) {
  CliResult result = RunCli({"info", Image()});
  ASSERT_EQ(result.Status, 0) << result.Err;
  const mkcard::ManifestVolume& volume = card->Manifest().volume;
  EXPECT_EQ(Line(result.Out, "Source"), Image() + " (memory card image file)");
  EXPECT_EQ(Line(result.Out, "Size"), FormatByteSize(static_cast<int64_t>(volume.image_bytes)) +
                                          " (" + std::to_string(volume.image_bytes) + " bytes)");
  EXPECT_EQ(Line(result.Out, "File system"), "FAT32");
  EXPECT_EQ(Line(result.Out, "Cluster size"), "512 bytes");
  EXPECT_EQ(Line(result.Out, "Volume label"), "HOLIDAY");
  EXPECT_EQ(Line(result.Out, "Serial number"), "1A2B-3C4D");
  EXPECT_EQ(Line(result.Out, "Clusters"),
            std::to_string(volume.cluster_count) + " in all, " +
                std::to_string(volume.cluster_count - volume.free_clusters) + " used, " +
                std::to_string(volume.free_clusters) + " free");
  EXPECT_EQ(Line(result.Out, "Image trailer"), "none (a plain copy of a card)");

  CliResult json = RunCli({"info", Image(), "--json"});
  ASSERT_EQ(json.Status, 0);
  EXPECT_NE(json.Out.find("\"fat_type\":\"FAT32\""), std::string::npos) << json.Out;
  EXPECT_NE(json.Out.find("\"free_clusters\":" + std::to_string(volume.free_clusters)),
            std::string::npos);
  EXPECT_NE(json.Out.find("\"used_clusters\":" +
                          std::to_string(volume.cluster_count - volume.free_clusters)),
            std::string::npos);
  EXPECT_NE(json.Out.find("\"trailer\":null"), std::string::npos);
}

TEST_F(CliInfoTest, TrailerOfAnImageFileIsShown) {
  TXDiskInfoRecord trailer;
  trailer.FileSystem = "FAT32";
  trailer.VolumeName = "CAMERA";
  trailer.SectorSize = 512;
  trailer.ClusterSize = 32768;
  trailer.TotalClusters = 1000;
  trailer.FreeClusters = 10;
  std::ofstream(card->Image(), std::ios::binary | std::ios::app) << trailer.ToXml();
  CliResult result = RunCli({"info", Image()});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Line(result.Out, "Image trailer"), "FAT32, clusters of 32.00 KB, label \"CAMERA\"");
  CliResult json = RunCli({"info", Image(), "--json"});
  EXPECT_NE(json.Out.find("\"trailer\":{\"file_system\":\"FAT32\",\"volume_name\":\"CAMERA\""),
            std::string::npos)
      << json.Out;
}

TEST(CliInfo, MediumWithoutFileSystem) {
  test::TempDir dir;
  std::ofstream(dir / "blank.img").close();
  std::filesystem::resize_file(dir / "blank.img", 1 << 20);
  CliResult result = RunCli({"info", (dir / "blank.img").string()});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Line(result.Out, "File system"),
            "none recognised at the start (the whole medium is searched)");
  EXPECT_NE(
      RunCli({"info", (dir / "blank.img").string(), "--json"}).Out.find("\"file_system\":null"),
      std::string::npos);
}

TEST(CliDrives, ListsTheDrivesOfTheSystem) {
  CliResult text = RunCli({"drives"});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_TRUE(text.Out.starts_with("Drives:\n") || text.Out.starts_with("No drives found"));
  CliResult json = RunCli({"drives", "--json"});
  ASSERT_EQ(json.Status, 0);
  for (const std::string& line : json.OutLines()) {
    EXPECT_TRUE(line.starts_with("{\"name\":")) << line;
    EXPECT_NE(line.find("\"device\":\"/dev/"), std::string::npos) << line;
    EXPECT_NE(line.find("\"system\":false"), std::string::npos) << "the system is left out";
  }
  CliResult all = RunCli({"drives", "--json", "--all"});
  ASSERT_EQ(all.Status, 0);
  const std::vector<std::string> lines = all.OutLines();
  const size_t system =
      static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("\"system\":true") != std::string::npos;
      }));
  EXPECT_EQ(lines.size() - system, json.OutLines().size());
  if (system > 0) {
    EXPECT_NE(text.Out.find("Drives of the system left out: " + std::to_string(system)),
              std::string::npos)
        << text.Out;
  }
}

TEST_F(CliInfoTest, ALoopDeviceIsListedAsOneWithTheFileBehindIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "attaching a loop device needs root";
  test::LoopDevice loop(card->Image());
  if (loop.Device().empty()) GTEST_SKIP() << "no loop device could be attached";
  CliResult text = RunCli({"drives", "--no-udisks"});
  ASSERT_EQ(text.Status, 0) << text.Err;
  EXPECT_TRUE(std::regex_search(text.Out, std::regex("  " + loop.Device() + " +Loop device " +
                                                     "[0-9.]+ MB .*" + Image() + "\n")))
      << text.Out;
  EXPECT_EQ(text.Out.find("RAM disk"), std::string::npos);
  CliResult json = RunCli({"--no-udisks", "drives", "--json"});
  EXPECT_NE(json.Out.find("\"device\":\"" + loop.Device() +
                          "\",\"disk\":\"\",\"type\":\"fixed\",\"kind\":\"loop\""),
            std::string::npos)
      << json.Out;
  EXPECT_NE(json.Out.find("\"backing_file\":\"" + Image() + "\""), std::string::npos);
}

TEST_F(CliInfoTest, BlockDeviceIsReadAsADrive) {
  if (::geteuid() != 0) GTEST_SKIP() << "attaching a loop device needs root";
  test::LoopDevice loop(card->Image());
  if (loop.Device().empty()) GTEST_SKIP() << "no loop device could be attached";
  CliResult info = RunCli({"info", loop.Device()});
  ASSERT_EQ(info.Status, 0) << info.Err;
  EXPECT_EQ(Line(info.Out, "Source"), loop.Device() + " (drive)");
  EXPECT_EQ(Line(info.Out, "Volume label"), "HOLIDAY");
  CliResult fromDrive = RunCli({"scan", loop.Device(), "--json"});
  CliResult fromImage = RunCli({"scan", Image(), "--json"});
  ASSERT_EQ(fromDrive.Status, 0) << fromDrive.Err;
  std::vector<std::string> a = fromDrive.OutLines(), b = fromImage.OutLines();
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i + 1 < a.size(); ++i)
    EXPECT_EQ(a[i], b[i]);
}

}  // namespace
}  // namespace kova
