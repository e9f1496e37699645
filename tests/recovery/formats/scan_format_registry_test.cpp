#include "recovery/formats/scan_format_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "format_samples.h"
#include "framework/error_data.h"
#include "framework/text_utils.h"
#include "recovery/file_types.h"
#include "recovery/formats/tiff_format.h"

namespace kova {
namespace {

std::vector<uint8_t> EveryKind() {
  std::vector<uint8_t> kinds;
  for (int32_t kind = 0; kind < kScanKindCount; ++kind)
    kinds.push_back(static_cast<uint8_t>(kind));
  return kinds;
}

TEST(ScanFormatRegistryTest, EveryKindMakesAFormatOfItsDeclaredClass) {
  for (uint8_t kind : EveryKind()) {
    const TXDRScanFormatClass& formatClass = ClassOfKind(kind);
    SCOPED_TRACE(formatClass.Name);
    EXPECT_EQ(formatClass.Kind, kind);
    EXPECT_TRUE(formatClass.Name.starts_with("TXDRScanFormat"));
    std::unique_ptr<TXDRScanFormat> format = CreateFormat(kind);
    EXPECT_EQ(format->Kind, kind);
    EXPECT_EQ(&format->FormatClass(), &formatClass);
    EXPECT_EQ(format->GetExtension(), formatClass.Ext);
    EXPECT_TRUE(format->Dimensions.IsEmpty());
    EXPECT_FALSE(formatClass.StartPatterns.empty()) << "a kind the search can find";
    EXPECT_GT(formatClass.MostBytes, 0);
    EXPECT_LE(formatClass.MostBytes, int64_t{4} << 30) << "no file of a FAT32 card is larger";
    EXPECT_EQ(MostFileBytes(kind), formatClass.MostBytes);
  }
  EXPECT_EQ(ClassOfKind(kScanKindCount).Kind, skJPG) << "any other kind selects JPEG";
  EXPECT_EQ(ClassOfKind(255).Name, "TXDRScanFormatJPG");
  EXPECT_EQ(CreateFormat(200)->Kind, skJPG);
  EXPECT_EQ(MostFileBytes(200), MostFileBytes(skJPG));
  EXPECT_NE(dynamic_cast<TXDRScanFormatTIF*>(CreateFormat(skRW2).get()), nullptr);
  EXPECT_EQ(AllKinds(), (TXDRScanKindSet{1} << kScanKindCount) - 1);
}

TEST(ScanFormatRegistryTest, EveryKindIsACatalogueTypeFoundByItsExtension) {
  for (uint8_t kind : EveryKind()) {
    const TXDRScanFormatClass& formatClass = ClassOfKind(kind);
    SCOPED_TRACE(formatClass.Name);
    EXPECT_NE(FileGroupOf(formatClass.Ext), fgNone) << "the run's filter would drop its finds";
    EXPECT_EQ(CatalogueExtension(formatClass.Ext), formatClass.Ext) << "its catalogue spelling";
    const TXDRScanFormatClass* byExt = ClassOfExt(UpperCase(formatClass.Ext));
    ASSERT_NE(byExt, nullptr);
    EXPECT_LE(byExt->Kind, kind) << "the first kind in kind order with the extension";
    EXPECT_EQ(byExt->Ext, formatClass.Ext);
  }
}

TEST(ScanFormatRegistryTest, ExtensionsSelectTheFirstClassInKindOrder) {
  EXPECT_EQ(ClassOfExt(".jpeg")->Kind, skJPG) << "another spelling";
  EXPECT_EQ(ClassOfExt(".JPE")->Kind, skJPG);
  EXPECT_EQ(ClassOfExt(".heif")->Kind, skHEIC);
  EXPECT_EQ(ClassOfExt(".m2ts")->Kind, skMTS);
  EXPECT_EQ(ClassOfExt(".arw")->Kind, skARW) << "not the TIFF-headed Sony class";
  EXPECT_EQ(ClassOfExt(".crw"), nullptr) << "in the catalogue, but no scan format";
  EXPECT_EQ(ClassOfExt(""), nullptr);
}

TEST(ScanFormatRegistryTest, EveryDeclaredPatternIsSearchedOnceForTheFirstKindDeclaringIt) {
  const TXDRStartPatterns all = BuildPatterns(AllKinds());
  ASSERT_EQ(all.Patterns.size(), all.Kinds.size());
  std::set<uint8_t> searchedKinds(all.Kinds.begin(), all.Kinds.end());
  size_t next = 0;
  for (uint8_t kind : EveryKind()) {
    for (const TXGridPattern& pattern : ClassOfKind(kind).StartPatterns) {
      auto place = std::ranges::find(all.Patterns, pattern);
      ASSERT_NE(place, all.Patterns.end()) << ClassOfKind(kind).Name;
      EXPECT_EQ(std::count(all.Patterns.begin(), all.Patterns.end(), pattern), 1);
      const auto at = static_cast<size_t>(place - all.Patterns.begin());
      const uint8_t searchedAs = all.Kinds[at];
      EXPECT_LE(searchedAs, kind);
      const auto& own = ClassOfKind(searchedAs).StartPatterns;
      EXPECT_NE(std::ranges::find(own, pattern), own.end());
      // In kind order: a pattern first declared here comes after all those declared before.
      if (searchedAs == kind) {
        EXPECT_EQ(at, next++);
      }
    }
  }
  EXPECT_EQ(next, all.Patterns.size());
  // Variants are told by the measurement of their family's general class.
  for (uint8_t variant :
       {skDNG, skCR2, skNEF, skPEF, skARW, skARWTIF, skSRF, skSR2, skRAW, skMP4, skCR3, skHEIC})
    EXPECT_FALSE(searchedKinds.contains(variant)) << ClassOfKind(variant).Name;
}

TEST(ScanFormatRegistryTest, PatternsOfSomeKindsKeepTheirFamilysKind) {
  const TXDRStartPatterns some = BuildPatterns((1u << skMP4) | (1u << skJPG) | (1u << skCR2));
  TXGridPatternList expected = ClassOfKind(skJPG).StartPatterns;
  for (uint8_t kind : {skCR2, skMP4}) {
    for (const TXGridPattern& pattern : ClassOfKind(kind).StartPatterns)
      expected.push_back(pattern);
  }
  EXPECT_EQ(some.Patterns, expected);
  EXPECT_EQ(some.Kinds.front(), skJPG);
  EXPECT_EQ(some.Kinds[1], skTIF);
  EXPECT_EQ(some.Kinds.back(), skMOV);
  // The bytes themselves: the JPEG start of image; box headers of any size, then the type.
  EXPECT_EQ(some.Patterns[0], (TXGridPattern{0, {0xFF, 0xD8}}));
  EXPECT_NE(std::ranges::find(some.Patterns, TXGridPattern{4, {'f', 't', 'y', 'p'}}),
            some.Patterns.end());
  EXPECT_TRUE(BuildPatterns(0).Patterns.empty());
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
