// exFAT cards of mkcard checked against fsck.exfat and The Sleuth Kit, which serve as oracles:
// a fixture is only as good as what they accept and where they find its files.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "card_builder.h"
#include "card_test_support.h"
#include "exfat_volume_writer.h"
#include "recipe.h"
#include "support/card_status.h"
#include "support/test_paths.h"

namespace kova::mkcard::test {
namespace {

using kova::test::TempDir;

#define SKIP_WITHOUT(tool) \
  if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed (exfatprogs, sleuthkit)"

ExfatOptions SmallExfat(uint32_t cluster_bytes = 4096, uint64_t card_bytes = 32 << 20) {
  ExfatOptions o;
  o.card_bytes = card_bytes;
  o.cluster_bytes = cluster_bytes;
  o.label = "KOVA EXFAT";
  return o;
}

ExfatPlacement At(std::vector<uint32_t> clusters, bool fat_chain = false) {
  ExfatPlacement p;
  p.clusters = std::move(clusters);
  p.fat_chain = fat_chain;
  return p;
}

ExfatPlacement Chained() {
  return At({}, true);
}

// The sectors istat lists for an entry, as image extents of 512-byte sectors.
std::vector<Extent> SectorsOf(const std::filesystem::path& image, const std::string& address) {
  const ToolRun run = RunCommand("istat " + Quote(image) + " " + address);
  std::vector<Extent> out;
  const size_t list = run.output.find("Sectors:");
  if (list == std::string::npos) return out;
  std::istringstream words(run.output.substr(list + 8));
  uint64_t sector = 0;
  while (words >> sector) {
    if (sector == 0) continue;  // the unused tail of istat's last line
    if (!out.empty() && out.back().offset + out.back().size == sector * 512) {
      out.back().size += 512;
    } else {
      out.push_back({sector * 512, 512});
    }
  }
  return out;
}

// The entry addresses fls gives to each path ("*" marks a deleted entry).
std::map<std::string, std::string> ListedEntries(const std::filesystem::path& image) {
  std::map<std::string, std::string> listed;
  std::istringstream lines(RunCommand("fls -r -p " + Quote(image)).output);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t colon = line.find(":\t");
    if (colon == std::string::npos) continue;
    const bool deleted = line.find(" * ") != std::string::npos;
    const size_t number = line.rfind(' ', colon) + 1;
    listed[(deleted ? "*" : "") + line.substr(colon + 2)] = line.substr(number, colon - number);
  }
  return listed;
}

// Sectors of a file as extents, its last sector whole (istat lists whole sectors).
std::vector<Extent> WholeSectors(std::vector<Extent> extents) {
  if (!extents.empty()) extents.back().size = (extents.back().size + 511) / 512 * 512;
  return extents;
}

// A card with what a recovery meets on real cards: folders, contiguous, chained and fragmented
// files, deleted files of both kinds and a deleted folder with its contents.
class ExfatCardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOVA_CARD_OK(FormatExfat(&card, SmallExfat(), &exfat));
    KOVA_CARD_OK(exfat->MakeExfatFolder("DCIM"));
    KOVA_CARD_OK(exfat->MakeExfatFolder("DCIM/100KOVA"));
    KOVA_CARD_OK(exfat->WriteExfatFile("DCIM/100KOVA/IMG_0001.JPG", MakeData(20000, 1)));
    KOVA_CARD_OK(
        exfat->WriteExfatFile("DCIM/100KOVA/Größe café.jpg", MakeData(9000, 2), Chained()));
    KOVA_CARD_OK(
        exfat->WriteExfatFile("DCIM/100KOVA/fragmented.mov", MakeData(12000, 3), At({60, 58, 70})));
    KOVA_CARD_OK(exfat->WriteExfatFile("gone contiguous.jpg", MakeData(8192, 4)));
    KOVA_CARD_OK(exfat->WriteExfatFile("gone chained.jpg", MakeData(10000, 5), At({80, 82, 84})));
    KOVA_CARD_OK(exfat->MakeExfatFolder("OLD"));
    KOVA_CARD_OK(exfat->WriteExfatFile("OLD/inside.jpg", MakeData(5000, 6)));
    KOVA_CARD_OK(exfat->Delete("gone contiguous.jpg"));
    KOVA_CARD_OK(exfat->Delete("gone chained.jpg"));
    KOVA_CARD_OK(exfat->Delete("OLD"));
  }
  std::filesystem::path Save(const std::string& name = "card.img") {
    std::filesystem::path image = dir / name;
    const Status saved = card.Save(image, dir / (name + ".jsonl"));
    EXPECT_TRUE(saved.ok()) << saved.message();
    return image;
  }

  TempDir dir;
  CardBuilder card;
  ExfatVolumeWriter* exfat = nullptr;
};

TEST_F(ExfatCardTest, FsckFindsTheCardClean) {
  SKIP_WITHOUT("fsck.exfat");
  const std::filesystem::path image = Save();
  const ToolRun fsck = RunCommand("fsck.exfat -n " + Quote(image));
  EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
  EXPECT_NE(fsck.output.find("clean"), std::string::npos) << fsck.output;
}

TEST_F(ExfatCardTest, SleuthKitListsEveryEntryAndPlacesTheLiveFiles) {
  SKIP_WITHOUT("fls");
  SKIP_WITHOUT("istat");
  const std::filesystem::path image = Save();
  const std::map<std::string, std::string> listed = ListedEntries(image);
  EXPECT_TRUE(listed.count("KOVA EXFAT (Volume Label Entry)"));
  const Manifest manifest = card.MakeManifest();
  ASSERT_EQ(manifest.records.size(), 9u);
  for (const ManifestRecord& r : manifest.records) {
    const bool live = r.state == EntryState::kLive;
    const auto entry = listed.find((live ? "" : "*") + r.path);
    ASSERT_NE(entry, listed.end()) << r.path;
    if (live && !r.folder) {
      EXPECT_EQ(SectorsOf(image, entry->second), WholeSectors(r.extents)) << r.path;
    }
  }
}

TEST_F(ExfatCardTest, ManifestExtentsHoldWhatWasWritten) {
  const std::filesystem::path image = Save();
  const Manifest manifest = card.MakeManifest();
  for (const ManifestRecord& r : manifest.records) {
    EXPECT_TRUE(r.intact) << r.path;
    if (!r.folder) {
      EXPECT_EQ(Crc32(ExtentBytes(image, r)), r.crc32) << r.path;
    }
  }
  const ManifestRecord& fragmented = *manifest.Find("DCIM/100KOVA/fragmented.mov");
  EXPECT_EQ(fragmented.clusters, "60,58,70");
  EXPECT_EQ(fragmented.extents.size(), 3u);
  EXPECT_EQ(manifest.Find("OLD/inside.jpg")->state, EntryState::kDeleted);
  // In use: the bitmap, the up-case table and the root up to the root's cluster, then DCIM,
  // 100KOVA and the three live files' 5 + 3 + 3 clusters.
  EXPECT_EQ(manifest.volume.free_clusters,
            manifest.volume.cluster_count - (exfat->Layout().root_cluster - 1) - 13);
}

TEST_F(ExfatCardTest, DeletingKeepsTheChainAndFreesTheClusters) {
  for (uint32_t c : {80u, 82u, 84u})
    EXPECT_FALSE(exfat->IsAllocated(c)) << c;
  EXPECT_EQ(exfat->FatEntry(80), 82u);
  EXPECT_EQ(exfat->FatEntry(82), 84u);
  EXPECT_EQ(exfat->FatEntry(84), 0xFFFFFFFFu);
  uint32_t first = 0;
  KOVA_CARD_OK(exfat->ClusterOf("gone contiguous.jpg", &first));
  EXPECT_EQ(exfat->FatEntry(first), 0u) << "contiguous data leaves the FAT alone";
  EXPECT_FALSE(exfat->IsAllocated(first));
}

TEST_F(ExfatCardTest, DamagedMainBootRegionLeavesAnIntactBackup) {
  SKIP_WITHOUT("fsck.exfat");
  for (ExfatBootDamage damage :
       {ExfatBootDamage::kZeroedBootSector, ExfatBootDamage::kBadChecksum}) {
    exfat->DamageMainBootRegion(damage);
    const std::filesystem::path image = Save("damaged.img");
    EXPECT_NE(RunCommand("fsck.exfat -n " + Quote(image)).exit_code, 0);
    // The backup region put back in place makes the volume whole again.
    const std::vector<uint8_t> backup = ReadFileBytes(image, 12 * 512, 12 * 512);
    {
      std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
      file.write(reinterpret_cast<const char*>(backup.data()), 12 * 512);
    }
    const ToolRun fsck = RunCommand("fsck.exfat -n " + Quote(image));
    EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
  }
}

TEST_F(ExfatCardTest, BrokenSetChecksumIsWhatFsckComplainsOf) {
  SKIP_WITHOUT("fsck.exfat");
  KOVA_CARD_OK(exfat->BreakSetChecksum("DCIM/100KOVA/IMG_0001.JPG"));
  const std::filesystem::path image = Save();
  const ToolRun fsck = RunCommand("fsck.exfat -n " + Quote(image));
  EXPECT_NE(fsck.exit_code, 0);
  EXPECT_NE(fsck.output.find("checksum"), std::string::npos) << fsck.output;
}

TEST(ExfatCard, FoldersGrowAndVolumesOfEveryClusterSizeStayClean) {
  SKIP_WITHOUT("fsck.exfat");
  SKIP_WITHOUT("fls");
  for (uint32_t cluster : {512u, 4096u, 32768u, 131072u}) {
    SCOPED_TRACE(cluster);
    TempDir dir;
    CardBuilder card;
    ExfatVolumeWriter* exfat = nullptr;
    KOVA_CARD_OK(FormatExfat(&card, SmallExfat(cluster, 48 << 20), &exfat));
    KOVA_CARD_OK(exfat->MakeExfatFolder("A"));
    KOVA_CARD_OK(
        exfat->WriteExfatFile("blocker.jpg", MakeData(100, 1)));  // right after A's cluster
    const int files = static_cast<int>(cluster / 96 + 1);         // three entries each
    for (int i = 0; i < files; ++i)
      KOVA_CARD_OK(
          exfat->WriteExfatFile("A/P" + std::to_string(i) + ".JPG", MakeData(i == 0 ? 700 : 0, i)));
    const std::filesystem::path image = dir / "grown.img";
    KOVA_CARD_OK(card.Save(image));
    const ToolRun fsck = RunCommand("fsck.exfat -n " + Quote(image));
    EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
    const std::map<std::string, std::string> listed = ListedEntries(image);
    EXPECT_TRUE(listed.count("A/P0.JPG"));
    EXPECT_TRUE(listed.count("A/P" + std::to_string(files - 1) + ".JPG"));
    const Manifest manifest = card.MakeManifest();
    const ManifestRecord& folder = *manifest.Find("A");
    EXPECT_GE(folder.extents.size(), 2u) << "grown round the blocker: " << folder.clusters;
  }
}

TEST(ExfatCard, RefusesWhatExfatCannotHold) {
  CardBuilder card;
  ExfatVolumeWriter* exfat = nullptr;
  EXPECT_FALSE(card.WriteFile("A.JPG", MakeData(10, 1)).ok()) << "not formatted";
  ExfatOptions odd = SmallExfat(3000);
  EXPECT_FALSE(FormatExfat(&card, odd).ok());
  odd = SmallExfat();
  odd.label = "A LABEL TOO LONG";
  EXPECT_FALSE(FormatExfat(&card, odd).ok());
  KOVA_CARD_OK(FormatExfat(&card, SmallExfat(), &exfat));
  EXPECT_FALSE(exfat->WriteExfatFile("a:b.jpg", MakeData(10, 1)).ok());
  EXPECT_FALSE(exfat->WriteExfatFile("NOFOLDER/a.jpg", MakeData(10, 1)).ok());
  EXPECT_FALSE(exfat->WriteExfatFile(std::string(256, 'x'), MakeData(10, 1)).ok());
  KOVA_CARD_OK(exfat->WriteExfatFile("Größe.jpg", MakeData(10, 1)));
  EXPECT_FALSE(exfat->WriteExfatFile("GRÖSSE.JPG", MakeData(10, 1)).ok() &&
               exfat->WriteExfatFile("größe.JPG", MakeData(10, 1)).ok())
      << "names are the same whatever their case";
  EXPECT_FALSE(exfat->WriteExfatFile("b.jpg", MakeData(5000, 1), At({100})).ok()) << "two clusters";
  EXPECT_FALSE(exfat->WriteExfatFile("b.jpg", MakeData(5000, 1), At({100, 100})).ok());
  uint32_t used = 0;
  KOVA_CARD_OK(exfat->ClusterOf("Größe.jpg", &used));
  EXPECT_FALSE(exfat->WriteExfatFile("b.jpg", MakeData(10, 1), At({used})).ok());
  EXPECT_FALSE(exfat->WriteExfatFile("huge.bin", MakeData(40 << 20, 1)).ok());
  EXPECT_FALSE(exfat->Delete("nothing.jpg").ok());
}

TEST(ExfatCard, RecipePutsAnExfatVolumeIntoAPartition) {
  SKIP_WITHOUT("fsck.exfat");
  SKIP_WITHOUT("fls");
  TempDir dir;
  CardBuilder card;
  KOVA_CARD_OK(
      RunRecipe("card size=40M table=mbr\n"
                "partition primary start=4M\n"
                "volume exfat cluster=32K label=SDXC serial=1234-ABCD\n"
                "folder DCIM\n"
                "file DCIM/IMG_0001.JPG photo=320x240 long-name=\"Holiday photo.jpg\"\n"
                "file DCIM/GONE.JPG photo=160x120\n"
                "delete DCIM/GONE.JPG\n",
                {}, &card));
  const std::filesystem::path image = dir / "sdxc.img";
  KOVA_CARD_OK(card.Save(image));
  const Manifest manifest = card.MakeManifest();
  ASSERT_EQ(manifest.partitions.size(), 1u);
  EXPECT_EQ(manifest.partitions[0].type, 0x07);
  EXPECT_EQ(manifest.partitions[0].file_system, "exFAT");
  EXPECT_EQ(manifest.volume.file_system, "exFAT");
  EXPECT_EQ(manifest.volume.volume_offset, 4u << 20);
  EXPECT_EQ(manifest.volume.cluster_bytes, 32768u);
  const ManifestRecord& photo = *manifest.Find("DCIM/IMG_0001.JPG");
  EXPECT_EQ(photo.long_name, "Holiday photo.jpg");
  EXPECT_EQ(photo.folder_path, "DCIM");
  EXPECT_EQ(photo.volume, 1);
  // The partition alone, as the tools read a volume, is clean and lists what was written.
  const std::filesystem::path volume = dir / "volume.img";
  ASSERT_EQ(
      RunCommand("dd if=" + Quote(image) + " of=" + Quote(volume) + " bs=1M skip=4 status=none")
          .exit_code,
      0);
  const ToolRun fsck = RunCommand("fsck.exfat -n " + Quote(volume));
  EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
  const std::map<std::string, std::string> listed = ListedEntries(volume);
  EXPECT_TRUE(listed.count("DCIM/Holiday photo.jpg"));
  EXPECT_TRUE(listed.count("*DCIM/GONE.JPG"));
  EXPECT_EQ(Crc32(ExtentBytes(image, photo)), photo.crc32);
}

TEST(ExfatStamp, TenMillisecondsAndUtcOffsetsRoundTrip) {
  const std::optional<ExfatStamp> stamp = ParseExfatStamp("2023-12-31 23:59:59.37+05:45");
  ASSERT_TRUE(stamp);
  EXPECT_EQ(stamp->centiseconds, 137);
  EXPECT_EQ(stamp->utc_quarters, 23);
  EXPECT_TRUE(stamp->utc_valid);
  EXPECT_EQ(FormatExfatStamp(*stamp), "2023-12-31 23:59:59.37+05:45");
  EXPECT_EQ(FormatExfatStamp(*ParseExfatStamp("2024-02-29 00:00:00-12:00")),
            "2024-02-29 00:00:00.00-12:00");
  EXPECT_EQ(ParseExfatStamp("2024-01-01 08:00:00Z")->utc_quarters, 0);
  EXPECT_FALSE(ParseExfatStamp("2024-01-01 08:00:00")->utc_valid);
  for (const char* bad : {"2024-01-01 08:00:00+02:10", "2024-01-01 08:00:00+15:00",
                          "2024-01-01 08:00:00.3", "2024-02-30 08:00:00", "08:00:00"})
    EXPECT_FALSE(ParseExfatStamp(bad)) << bad;
}

TEST(ExfatStamp, EntrySetCarriesTheStamp) {
  CardBuilder card;
  ExfatVolumeWriter* exfat = nullptr;
  KOVA_CARD_OK(FormatExfat(&card, SmallExfat(), &exfat));
  ExfatEntryOptions entry;
  entry.time = ParseExfatStamp("2022-07-01 12:34:57.25-03:30");
  KOVA_CARD_OK(exfat->WriteExfatFile("x.jpg", MakeData(10, 1), {}, entry));
  const Manifest manifest = card.MakeManifest();
  const ManifestRecord& record = *manifest.Find("x.jpg");
  EXPECT_EQ(record.time, "2022-07-01 12:34:57.25-03:30");
  const Bytes file = card.ReadImage(record.entry_offset, 32);
  EXPECT_EQ(file[0], 0x85);
  EXPECT_EQ(GetLE(&file[12], 4),
            (uint64_t{(42u << 9) | (7 << 5) | 1} << 16) | (12u << 11) | (34 << 5) | 28);
  EXPECT_EQ(file[21], 125);
  EXPECT_EQ(file[23], 0x80 | (-14 & 0x7F));
}

}  // namespace
}  // namespace kova::mkcard::test
