// FAT volumes as damaged cards and odd cameras leave them: a zeroed or broken boot sector with a
// sound backup (at sector 6, or where the boot sector says), type texts that name no FAT type,
// and FAT32 table entries whose reserved upper bits are set. The damaged sector is put back from
// its backup to show with fsck.fat and mtools that the backup describes the volume.
#include <gtest/gtest.h>

#include <fstream>

#include "card_builder.h"
#include "card_test_support.h"
#include "recipe.h"

namespace kova::mkcard::test {
namespace {

constexpr const char* kCard = R"(
volume fat32 size=40M cluster=512 label="DAMAGED" %s
folder DCIM
file DCIM/IMG_0001.JPG photo=320x240 seed=1
file DCIM/NOTE.TXT text="still here"
)";

std::string CardWith(const std::string& volume_options, const std::string& more = "") {
  char text[512];
  std::snprintf(text, sizeof text, kCard, volume_options.c_str());
  return text + more;
}

class FatQuirksTest : public RecipeCardTest {
 protected:
  std::vector<uint8_t> Sector(uint64_t n) { return ReadFileBytes(image_, n * 512, 512); }
  // A copy of the card with sector `from` written over the boot sector, as a repair would do.
  std::filesystem::path Repaired(uint64_t from) {
    const std::filesystem::path copy = dir_ / "repaired.img";
    std::filesystem::copy_file(image_, copy);
    const std::vector<uint8_t> backup = Sector(from);
    std::fstream out(copy, std::ios::in | std::ios::out | std::ios::binary);
    out.write(reinterpret_cast<const char*>(backup.data()), 512);
    return copy;
  }
  void ExpectSoundVolume(const std::filesystem::path& image) {
    if (HaveTool("fsck.fat")) {
      const ToolRun fsck = RunCommand("fsck.fat -n " + Quote(image));
      EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
    }
    if (HaveTool("mtype")) {
      EXPECT_EQ(RunCommand("mtype -i " + Quote(image) + " ::DCIM/NOTE.TXT").output, "still here");
    }
  }
};

TEST_F(FatQuirksTest, ZeroedBootSectorLeavesTheBackupAtSector6) {
  Build(CardWith("", "damage boot-sector\n"));
  EXPECT_EQ(Sector(0), std::vector<uint8_t>(512, 0));
  EXPECT_EQ(LE(Sector(6), 510, 2), 0xAA55u);
  EXPECT_EQ(LE(Sector(6), 50, 2), 6u) << "the backup names itself";
  EXPECT_EQ(LE(Sector(7), 0, 4), 0x41615252u) << "the FSInfo copy follows it";
  EXPECT_EQ(manifest_.volume.boot_damage, "zeroed");
  EXPECT_EQ(manifest_.volume.backup_boot_sector, 6u);
  if (HaveTool("fsck.fat")) {
    EXPECT_NE(RunCommand("fsck.fat -n " + Quote(image_)).exit_code, 0) << "the damage shows";
  }
  ExpectSoundVolume(Repaired(6));
}

TEST_F(FatQuirksTest, BrokenBootSectorNamesABackupElsewhere) {
  Build(CardWith("backup-boot=12", "damage boot-sector how=bpb\n"));
  const std::vector<uint8_t> boot = Sector(0);
  EXPECT_EQ(LE(boot, 510, 2), 0u) << "no signature";
  EXPECT_EQ(LE(boot, 11, 2), 0u) << "no sector size";
  EXPECT_EQ(LE(boot, 50, 2), 12u) << "the backup's place survives";
  EXPECT_EQ(std::string(boot.begin() + 71, boot.begin() + 82), "DAMAGED    ");
  EXPECT_EQ(Sector(6), std::vector<uint8_t>(512, 0)) << "nothing at the usual place";
  EXPECT_EQ(LE(Sector(13), 0, 4), 0x41615252u);
  EXPECT_EQ(manifest_.volume.boot_damage, "bios-parameters");
  EXPECT_EQ(manifest_.volume.backup_boot_sector, 12u);
  ExpectSoundVolume(Repaired(12));
}

TEST_F(FatQuirksTest, TypeTextThatNamesNoFatType) {
  Build(R"(
card size=48M table=mbr
partition start=2048 size=20M type=0x06
volume fat16 cluster=2K type-text="FAT"
file NOTE.TXT text="sixteen"
partition start=43008 size=2M type=0x01
volume fat12 cluster=1K type-text=""
file NOTE.TXT text="twelve"
)");
  const ManifestVolume& fat16 = *manifest_.FindVolume(1);
  const ManifestVolume& fat12 = *manifest_.FindVolume(2);
  EXPECT_EQ(fat16.type_text, "FAT");
  EXPECT_EQ(ReadFileBytes(image_, fat16.volume_offset + 54, 8), MakeText("FAT     ").bytes);
  EXPECT_EQ(ReadFileBytes(image_, fat12.volume_offset + 54, 8), MakeText("        ").bytes);
  EXPECT_GE(fat16.cluster_count, 4085u) << "the cluster count says FAT16";
  EXPECT_LT(fat12.cluster_count, 4085u) << "the cluster count says FAT12";
  for (const ManifestVolume& v : manifest_.volumes) {
    if (HaveTool("fsck.fat")) {
      const ToolRun fsck = CheckFatVolume(image_, v, dir_.Path());
      EXPECT_EQ(fsck.exit_code, 0) << fsck.output;
    }
    if (HaveTool("fsstat")) {
      const std::string facts =
          RunCommand("fsstat -o " + std::to_string(v.volume_offset / 512) + " " + Quote(image_))
              .output;
      EXPECT_NE(facts.find("File System Type: " + v.file_system), std::string::npos) << facts;
    }
  }
}

TEST_F(FatQuirksTest, ReservedTableBitsOnAFragmentedLiveFile) {
  Build(R"(
volume fat32 size=40M cluster=512
file FRAGMENT.JPG data=10500 seed=7 clusters=10-17,40-45,30-36 reserved-bits=0x1
file PLAIN.TXT text="untouched"
)");
  const ManifestRecord& photo = *manifest_.Find("FRAGMENT.JPG");
  EXPECT_EQ(photo.clusters, "10-17,40-45,30-36");
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 10), 0x1000000Bu);
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 17), 0x10000028u) << "a link to 40";
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 45), 0x1000001Eu) << "a link to 30";
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, 36), 0x1FFFFFFFu) << "end of chain";
  const ManifestRecord& plain = *manifest_.Find("PLAIN.TXT");
  EXPECT_EQ(FatEntryOnImage(image_, manifest_.volume, plain.first_cluster), 0x0FFFFFFFu);
  if (HaveTool("fsck.fat")) {
    const ToolRun fsck = RunCommand("fsck.fat -n " + Quote(image_));
    EXPECT_EQ(fsck.exit_code, 0) << "fsck.fat masks the reserved bits\n" << fsck.output;
  }
  if (HaveTool("mcopy")) {
    const std::filesystem::path out = dir_ / "out.jpg";
    RunCommand("mcopy -n -i " + Quote(image_) + " ::FRAGMENT.JPG " + Quote(out));
    EXPECT_EQ(Crc32(ReadFileBytes(out)), photo.crc32) << "mtools follows the whole chain";
  }
}

TEST(FatQuirkRefusals, NameTheBrokenRule) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"volume fat16 size=16M backup-boot=6", "backup-boot= is for FAT32"},
      {"volume fat32 size=40M cluster=512 reserved=8 backup-boot=7", "sectors 2..7"},
      {"volume fat32 size=40M cluster=512 backup-boot=1", "sectors 2..31"},
      {"volume fat16 size=16M type-text=\"FAT16 BIG\"", "more than 8"},
      {"volume fat16 size=16M\nfile A.TXT text=x reserved-bits=1", "FAT32 entries"},
      {"volume fat32 size=40M cluster=512\nfile A.TXT text=x reserved-bits=0x10", "0 to 0xF"},
      {"volume fat16 size=16M\ndamage boot-sector how=half", "how= must be zero or bpb"},
      {"card size=8M table=mbr\ndamage boot-sector", "no volume yet"},
      {"volume fat16 size=16M\ndamage everything", "damage knows"},
      {"volume fat16 size=16M code-page=70000", "out of range"},
  };
  ExpectRecipesRefused(cases);
}

}  // namespace
}  // namespace kova::mkcard::test
