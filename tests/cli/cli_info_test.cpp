#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "cli/cli_runner.h"
#include "fat/card_fixture.h"
#include "storage/disk_info.h"
#include "support/fat_images.h"
#include "support/test_files.h"
#include "support/test_paths.h"

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

// The label blkid shows for a volume image ("" when it shows none).
std::string BlkidLabel(const std::filesystem::path& image) {
  std::string text = test::ToolOutput(
      "PATH=\"$PATH:/usr/sbin:/sbin\" blkid -p -s LABEL -o value '" + image.string() + "'");
  while (!text.empty() && text.back() == '\n')
    text.pop_back();
  return text;
}

void PatchBytes(const std::filesystem::path& image, int64_t at, const std::string& bytes) {
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(at);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The label is the root folder's label entry, as blkid, Windows and cameras show it; the boot
// sector's label (often "NO NAME", or what it was before a camera renamed the card) only when
// the root folder has none.
TEST(CliInfoLabel, TheRootFoldersLabelEntryIsTheLabelAsBlkidShowsIt) {
  KOVA_FAT_TOOLS_OR_SKIP();
  struct Case {
    int bits;
    int64_t kib;
    std::string bootLabel;  // written over the boot sector's label
    bool rootEntry;         // formatted with a label, so the root folder holds its entry
  };
  for (const Case& c : {Case{12, 16384, "NO NAME    ", true}, Case{16, 32768, "OLD LABEL  ", true},
                        Case{32, 65536, "NO NAME    ", true}, Case{32, 65536, "", false}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " " + c.bootLabel);
    test::TempDir dir;
    const std::filesystem::path image = dir / "card.img";
    test::FatImageOptions options;
    options.FatBits = c.bits;
    options.SizeKiB = c.kib;
    options.SectorsPerCluster = c.bits == 12 ? 16 : 4;
    options.Label = c.rootEntry ? "BINGO" : "NO NAME";
    ASSERT_TRUE(test::MakeFatImage(image, options));
    if (!c.bootLabel.empty()) PatchBytes(image, (c.bits == 32 ? 64 : 36) + 7, c.bootLabel);
    const std::string expected = c.rootEntry ? "BINGO" : "";
    EXPECT_EQ(BlkidLabel(image), expected) << "blkid";
    CliResult result = RunCli({"info", image.string()});
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(Line(result.Out, "Volume label"), expected);
    EXPECT_EQ(Line(result.Out, "File system"), "FAT" + std::to_string(c.bits));
  }
}

TEST(CliInfoLabel, AnExfatLabelIsItsRootLabelEntry) {
  test::TempDir dir;
  const std::filesystem::path image = dir / "card.img";
  { std::ofstream(image, std::ios::binary); }
  std::filesystem::resize_file(image, 64 << 20);
  if (test::ToolOutput("PATH=\"$PATH:/usr/sbin:/sbin\" mkfs.exfat -L 'Holiday 24' '" +
                       image.string() + "' && echo made")
          .find("made") == std::string::npos)
    GTEST_SKIP() << "mkfs.exfat is needed to make an exFAT image";
  EXPECT_EQ(BlkidLabel(image), "Holiday 24");
  CliResult result = RunCli({"info", image.string()});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Line(result.Out, "Volume label"), "Holiday 24");
}

// A 16 MB card as mkfs.fat -F 12 makes it: kova-cli info recognises it and counts its free
// clusters as fsck.fat does.
TEST(CliInfoFat12, ASmallCardIsFat12WithTheFreeCountOfFsck) {
  KOVA_FAT_TOOLS_OR_SKIP();
  test::TempDir dir;
  const std::filesystem::path image = dir / "card.img";
  test::FatImageOptions options;
  options.FatBits = 12;
  options.SizeKiB = 16384;
  options.SectorsPerCluster = 16;
  ASSERT_TRUE(test::MakeFatImage(image, options));
  const std::filesystem::path photo = dir / "DSC00001.JPG";
  test::WriteFileBytes(photo, test::Photo(640, 480).bytes);
  ASSERT_TRUE(test::AddFileToImage(image, photo));
  const int64_t free = test::FreeClustersByFsck(image);
  ASSERT_GT(free, 0);
  CliResult result = RunCli({"info", image.string()});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Line(result.Out, "File system"), "FAT12");
  EXPECT_NE(Line(result.Out, "Clusters").find(std::to_string(free) + " free"), std::string::npos)
      << result.Out;
  CliResult json = RunCli({"info", image.string(), "--json"});
  EXPECT_NE(json.Out.find("\"free_clusters\":" + std::to_string(free)), std::string::npos)
      << json.Out;
}

}  // namespace
}  // namespace kova
