#include "recovery/formats/scan_format_registry.h"

#include <gtest/gtest.h>

#include "format_samples.h"
#include "framework/error_data.h"
#include "recovery/formats/tiff_format.h"

namespace kova {
namespace {

TEST(ScanFormatRegistryTest, EveryKindMakesAFormatOfItsClass) {
  const char* extensions[] = {".jpg", ".tif", ".dng", ".cr2", ".nef",  ".orf", ".pef",
                              ".arw", ".arw", ".srf", ".sr2", ".raw",  ".mrw", ".rw2",
                              ".avi", ".mov", ".mp4", ".cr3", ".heic", ".raf", ".mts"};
  for (uint8_t kind = 0; kind < kScanKindCount; ++kind) {
    SCOPED_TRACE(int{kind});
    std::unique_ptr<TXDRScanFormat> format = CreateFormat(kind);
    EXPECT_EQ(format->Kind, kind);
    EXPECT_EQ(&format->FormatClass(), &ClassOfKind(kind));
    EXPECT_EQ(format->GetExtension(), extensions[kind]);
    EXPECT_TRUE(format->Dimensions.IsEmpty());
  }
  EXPECT_EQ(ClassOfKind(kScanKindCount).Kind, skJPG) << "any other kind selects JPEG";
  EXPECT_EQ(ClassOfKind(255).Name, "TXDRScanFormatJPG");
  EXPECT_EQ(CreateFormat(200)->Kind, skJPG);
  EXPECT_NE(dynamic_cast<TXDRScanFormatTIF*>(CreateFormat(skRW2).get()), nullptr);
}

TEST(ScanFormatRegistryTest, ExtensionsSelectTheFirstClassInKindOrder) {
  ASSERT_NE(ClassOfExt(".JPG"), nullptr);
  EXPECT_EQ(ClassOfExt(".JPG")->Kind, skJPG);
  EXPECT_EQ(ClassOfExt(".jpeg")->Kind, skJPG) << "another spelling";
  EXPECT_EQ(ClassOfExt(".JPE")->Kind, skJPG);
  EXPECT_EQ(ClassOfExt(".heif")->Kind, skHEIC);
  EXPECT_EQ(ClassOfExt(".CR3")->Kind, skCR3);
  EXPECT_EQ(ClassOfExt(".raf")->Kind, skRAF);
  EXPECT_EQ(ClassOfExt(".m2ts")->Kind, skMTS);
  EXPECT_EQ(ClassOfExt(".arw")->Kind, skARW) << "not the TIFF-headed Sony class";
  EXPECT_EQ(ClassOfExt(".Mp4")->Kind, skMP4);
  EXPECT_EQ(ClassOfExt(".crw"), nullptr) << "in the catalogue, but no scan format";
  EXPECT_EQ(ClassOfExt(""), nullptr);
}

TEST(ScanFormatRegistryTest, PatternsAreListedByNumberWithTheirPlaces) {
  TXGridPatternList patterns;
  TXDRPatternIndex index;
  BuildPatterns(AllKinds(), patterns, index);
  ASSERT_EQ(patterns.size(), 17u);
  for (int32_t n = 0; n < kStartPatternCount; ++n) {
    EXPECT_EQ(index[n], n);
    EXPECT_EQ(patterns[n], StartPattern(n));
    EXPECT_EQ(PatternOfIndex(index, n), n);
  }
  EXPECT_EQ(patterns[0], (TXGridPattern{0, {0xFF, 0xD8}}));
  // Box headers: any size, then the type.
  EXPECT_EQ(patterns[7], (TXGridPattern{4, {'f', 't', 'y', 'p'}}));
  EXPECT_EQ(patterns[9], (TXGridPattern{4, {'m', 'd', 'a', 't'}}));
  EXPECT_EQ(patterns[14], (TXGridPattern{4, {'p', 'n', 'o', 't'}}));

  BuildPatterns((1u << skMP4) | (1u << skJPG) | (1u << skCR2), patterns, index);
  ASSERT_EQ(patterns.size(), 11u);
  EXPECT_EQ(patterns[0], StartPattern(0));
  EXPECT_EQ(patterns[1], StartPattern(1));
  EXPECT_EQ(patterns[3], StartPattern(7));
  EXPECT_EQ(index[3], -1);
  EXPECT_EQ(index[6], -1);
  EXPECT_EQ(index[9], 5);
  EXPECT_EQ(PatternOfIndex(index, 5), 9);
  EXPECT_EQ(PatternOfIndex(index, 11), 0) << "a place beyond the list";

  BuildPatterns(0, patterns, index);
  EXPECT_TRUE(patterns.empty());
}

TEST(ScanFormatRegistryTest, PatternsLeadToTheGeneralClassOfTheirFamily) {
  const uint8_t expected[] = {skJPG, skTIF, skTIF, skORF, skRW2, skMRW, skAVI, skMOV, skMOV,
                              skMOV, skMOV, skMOV, skMOV, skMOV, skMOV, skRAF, skMTS};
  for (int32_t n = 0; n < kStartPatternCount; ++n)
    EXPECT_EQ(KindOfPattern(n), expected[n]) << n;
  EXPECT_EQ(KindOfPattern(kStartPatternCount), skJPG);
  EXPECT_EQ(KindOfPattern(-1), skJPG);
}

// A format without pictures (MRW) succeeds with nothing; movies and HEIC pictures have pictures
// and fail on bytes that are none of theirs. Either way nothing is drawn.
TEST(ScanFormatRegistryTest, FormatsWithoutPicturesSucceedWithNothing) {
  for (uint8_t kind : {skMRW, skAVI, skMOV, skMP4, skHEIC, skMTS}) {
    SCOPED_TRACE(static_cast<int>(kind));
    const bool pictures = kind != skMRW;
    std::unique_ptr<TXDRScanFormat> format = CreateFormat(kind);
    EXPECT_EQ(format->CanMakeThumbnail(), pictures);
    TXMemoryStream medium(std::vector<uint8_t>(4096, 0x11));
    TXSize size{5, 5};
    TXImageObject image;
    EXPECT_EQ(format->MakeThumbnail(size, image, test::Extent(0, 4096), medium), !pictures);
    EXPECT_TRUE(size.IsEmpty());
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(format->MakePreview(size, image, test::Extent(0, 4096), medium), !pictures);
    EXPECT_TRUE(image.IsEmpty());
  }
  ClearThreadError();
}

}  // namespace
}  // namespace kova
