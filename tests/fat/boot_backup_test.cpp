#include <gtest/gtest.h>

#include <fstream>

#include "fat/fat_recovery_fixture.h"

namespace kova {
namespace {

void Zero(const std::filesystem::path& image, int64_t offset, size_t count) {
  std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(std::string(count, '\0').data(), static_cast<std::streamsize>(count));
}

TEST(FatBootBackup, AZeroedFat32BootSectorIsReplacedByItsBackup) {
  test::FixtureCard card(test::Fat32Options());
  KOVA_CARD_OK(card.Formatted());
  KOVA_CARD_OK(card.Builder().WriteFile("IMG_0001.JPG", test::Photo(160, 120, 3)));
  KOVA_CARD_OK(card.Save());
  Zero(card.Image(), 0, 512);
  test::FatRecoveryRun run(card.Image());
  ASSERT_TRUE(run.loaded);
  EXPECT_TRUE(run.disk.Facts().FromBackupBoot);
  EXPECT_EQ(run.disk.Facts().Name, "FAT32");
  run.FromDirectories();
  const TXDRFileItem* file = run.offered.Find("IMG_0001.JPG");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Blocks(), test::ExtentsOf(card.Record("IMG_0001.JPG")));

  Zero(card.Image(), 6 * 512, 512);  // the backup too: no volume, and no failure
  test::FatRecoveryRun none(card.Image());
  EXPECT_FALSE(none.loaded);
}

TEST(FatBootBackup, TypeTextsOtherThanTheThreeLeaveTheTypeToTheClusterCount) {
  for (const auto& options : {test::Fat16Options(), test::Fat32Options()}) {
    test::FixtureCard card(options);
    KOVA_CARD_OK(card.Formatted());
    KOVA_CARD_OK(card.Builder().WriteFile("IMG_0001.JPG", test::Photo(160, 120, 4)));
    KOVA_CARD_OK(card.Save());
    const bool fat32 = options.type == mkcard::FatType::kFat32;
    std::fstream file(card.Image(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(fat32 ? 82 : 54);
    file.write(fat32 ? "        " : "FAT     ", 8);  // as some cameras write it
    file.close();
    test::FatRecoveryRun run(card.Image());
    ASSERT_TRUE(run.loaded);
    EXPECT_EQ(run.disk.Facts().Name, fat32 ? "FAT32" : "FAT16");
    run.FromDirectories();
    EXPECT_NE(run.offered.Find("IMG_0001.JPG"), nullptr);
  }
}

}  // namespace
}  // namespace kova
