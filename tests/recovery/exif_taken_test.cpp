#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "card_builder.h"
#include "recipe.h"
#include "recovery/formats/exif_date.h"
#include "recovery/scan_harness.h"
#include "support/test_files.h"
#include "support/test_paths.h"
#include "tiff_builder.h"

// The time a photo was taken, as its EXIF data tells it, for files the search finds: JPEG photos
// and raw files written to a card without an entry.
namespace kova {
namespace {

namespace fs = std::filesystem;

// The date-time of a moment given as numbers: days since 1899-12-30, the time as the fraction.
double DateTime(std::chrono::year_month_day day, int hours, int minutes, int seconds) {
  using namespace std::chrono;
  const double days = (sys_days(day) - sys_days(1899y / December / 30)).count();
  return days + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

// A Nikon raw file in the TIFF structure cameras write: the picture strip, and an EXIF directory
// that holds the time the picture was taken.
mkcard::Bytes NikonRaw(std::string_view taken) {
  mkcard::TiffBuilder tiff(false);
  const int main = tiff.AddIfd();
  const int exif = tiff.AddIfd();
  const int strip = tiff.AddBlob(mkcard::Bytes(6000, 0x5A));
  tiff.AddLongs(main, 256, {100});
  tiff.AddLongs(main, 257, {30});
  tiff.AddAscii(main, 271, "NIKON CORPORATION");
  tiff.AddAscii(main, 272, "NIKON D70");
  tiff.AddBlobOffsets(main, 273, strip, {0});
  tiff.AddLongs(main, 279, {6000});
  tiff.AddIfdPointer(main, 34665, exif);
  tiff.AddAscii(exif, 36867, taken);
  return tiff.Build();
}

TEST(ExifDateTime, CameraTextsGiveTheirMomentAndUnsetClocksNone) {
  using namespace std::chrono;
  EXPECT_DOUBLE_EQ(ExifDateTime("2019:07:04 15:30:12"), DateTime(2019y / July / 4, 15, 30, 12));
  EXPECT_DOUBLE_EQ(ExifDateTime("2000:02:29 00:00:00"), DateTime(2000y / February / 29, 0, 0, 0));
  for (const char* unset : {"", "    :  :     :  :  ", "0000:00:00 00:00:00", "2019:13:04 15:30:12",
                            "2019:02:30 15:30:12", "2019:07:04 24:00:00", "2019:07:04 15:60:12",
                            "2019:07:04 15:30", "20I9:07:04 15:30:12", "1850:01:01 00:00:00"}) {
    EXPECT_EQ(ExifDateTime(unset), 0) << '"' << unset << '"';
  }
}

TEST(ExifTaken, PhotosAndRawFilesFoundByTheSearchCarryTheTimeTheyWereTaken) {
  test::TempDir dir;
  test::WriteFileBytes(dir / "taken.nef", NikonRaw("2016:08:09 10:11:12"));
  test::WriteFileBytes(dir / "unset.nef", NikonRaw("0000:00:00 00:00:00"));
  mkcard::CardBuilder card;
  const mkcard::Status built = mkcard::RunRecipe(R"(card size=32M table=none
volume fat16 cluster=2K label=EXIF
time 2019-07-04 15:30:12
raw offset=8M photo=320x240 seed=1 name=taken.jpg
raw offset=12M photo=320x240 seed=2 thumbnail=no name=plain.jpg
raw offset=16M copy=taken.nef name=taken.nef
raw offset=20M copy=unset.nef name=unset.nef
)",
                                                 {dir.Path(), {}}, &card);
  ASSERT_TRUE(built.ok()) << built.message();
  ASSERT_TRUE(card.Save(dir / "card.img").ok());
  test::ScanHarness scan;
  ASSERT_TRUE(scan.ScanImage((dir / "card.img").string()));
  ASSERT_EQ(scan.endCode, kErrNone);

  using namespace std::chrono;
  // The files by the offset they start at, as they were written.
  std::map<int64_t, const TXDRFileItem*> found;
  for (int32_t i = 0; i < scan.Files().Count(); ++i)
    found[scan.Files()[i]->Blocks()[0].Start] = scan.Files()[i];
  const std::map<int64_t, double> expected = {
      {8 << 20, DateTime(2019y / July / 4, 15, 30, 12)},
      {12 << 20, 0},
      {16 << 20, DateTime(2016y / August / 9, 10, 11, 12)},
      {20 << 20, 0},
  };
  for (const auto& [offset, taken] : expected) {
    ASSERT_TRUE(found.contains(offset)) << offset;
    EXPECT_DOUBLE_EQ(found[offset]->Modified, taken) << found[offset]->Name;
  }
  EXPECT_EQ(found[16 << 20]->Ext, ".nef");
}

}  // namespace
}  // namespace kova
