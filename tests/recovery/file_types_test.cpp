#include "recovery/file_types.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kova {
namespace {

std::vector<std::string> PublishedNames(const TXDRFileTypes& types) {
  std::vector<std::string> names;
  for (const TXPropInfo* prop : types.ClassInfo().Properties())
    names.push_back(prop->Name);
  return names;
}

std::vector<std::string> CatalogueExtensions(TXDRFileGroup group) {
  std::vector<std::string> extensions;
  for (const TXFileType& type : kFileTypes) {
    if (type.Group == group) extensions.emplace_back(type.Ext);
  }
  return extensions;
}

TEST(FileTypesTest, PublishesTheGroupsThenEveryExtensionInCatalogueOrder) {
  TXDRFileTypes types;
  std::vector<std::string> names = PublishedNames(types);
  ASSERT_EQ(names.size(), std::size(kFileTypes) + 3);
  EXPECT_EQ(names.size(), static_cast<size_t>(TXDRFileTypes::kPropertyCount));
  EXPECT_EQ(names[0], "Images");
  EXPECT_EQ(names[1], "Video");
  EXPECT_EQ(names[2], "Audio");
  for (size_t i = 0; i < std::size(kFileTypes); ++i)
    EXPECT_EQ(names[i + 3], "_" + std::string(kFileTypes[i].Ext.substr(1)));
  EXPECT_EQ(names[3], "_jpg");
  EXPECT_EQ(names.back(), "_wav");
}

TEST(FileTypesTest, TheCatalogueListsEachGroupWithItsCommonTypesFirst) {
  std::vector<std::string> seen;
  size_t at = 0;
  for (TXDRFileGroup group : {fgImages, fgVideo, fgAudio}) {
    const std::vector<std::string> extensions = CatalogueExtensions(group);
    EXPECT_EQ(
        std::vector<std::string>(GroupExtensions(group).begin(), GroupExtensions(group).end()),
        extensions);
    bool common = true;
    for (const std::string& ext : extensions) {
      SCOPED_TRACE(ext);
      ASSERT_LT(at, std::size(kFileTypes));
      EXPECT_EQ(kFileTypes[at++].Ext, ext) << "the groups one after the other";
      EXPECT_EQ(FileGroupOf(ext), group);
      EXPECT_EQ(ext, CatalogueExtension(ext)) << "lower case, no other spelling";
      EXPECT_EQ(ext[0], '.');
      EXPECT_EQ(std::ranges::count(seen, ext), 0);
      seen.push_back(ext);
      EXPECT_TRUE(common || !IsCommonType(ext)) << "a common type after the others";
      common = IsCommonType(ext);
    }
    EXPECT_TRUE(IsCommonType(extensions.front())) << "every group has common types";
  }
  EXPECT_EQ(at, std::size(kFileTypes));
  for (const auto& [spelling, ext] : kOtherSpellings) {
    EXPECT_EQ(FileGroupOf(ext), FileGroupOf(spelling)) << spelling;
    EXPECT_NE(FileGroupOf(spelling), fgNone) << spelling;
    EXPECT_EQ(std::ranges::count(seen, spelling), 0) << spelling << " is a spelling only";
  }
  EXPECT_TRUE(IsCommonType(".JPEG"));
  EXPECT_FALSE(IsCommonType(".mts"));
  EXPECT_FALSE(IsCommonType(".webp"));
}

TEST(FileTypesTest, AllExtensionsAreSortedAndListedOnce) {
  TXExtensionList all = TXDRFileTypes::GetAllExtensions();
  EXPECT_EQ(all.size(), std::size(kFileTypes));
  EXPECT_TRUE(std::ranges::is_sorted(all));
  EXPECT_EQ(std::ranges::count(all, ".arw"), 1) << "two scan formats produce it";
  EXPECT_TRUE(ListHasExtension(all, ".RW2"));
  EXPECT_TRUE(ListHasExtension(all, ".jpeg")) << "another spelling of .jpg";
  EXPECT_FALSE(ListHasExtension(all, ".webp"));
}

TEST(FileTypesTest, DefaultsChooseTheCommonTypes) {
  TXDRFileTypes types;
  EXPECT_EQ(types.GetSelectedExtensions(), TXDRFileTypes::GetAllExtensions())
      << "a new catalogue selects everything";
  types.SetDefaults();
  TXExtensionList common;
  for (const TXFileType& type : kFileTypes) {
    if (type.Common) common.emplace_back(type.Ext);
  }
  std::ranges::sort(common);
  EXPECT_EQ(types.GetSelectedExtensions(), common);
  EXPECT_TRUE(ListHasExtension(common, ".jpg") && ListHasExtension(common, ".mp4"));
  EXPECT_FALSE(ListHasExtension(common, ".crw"));
  EXPECT_TRUE(types.Images() && types.Video() && types.Audio());
  types.Clear();
  EXPECT_EQ(types.GetSelectedExtensions(), TXDRFileTypes::GetAllExtensions())
      << "the reset selects everything";
}

TEST(FileTypesTest, AGroupTurnedOffHidesItsExtensions) {
  TXDRFileTypes types;
  types.SetImages(false);
  TXExtensionList selected = types.GetSelectedExtensions();
  EXPECT_EQ(selected.size(), std::size(kFileTypes) - GroupExtensions(fgImages).size());
  EXPECT_FALSE(ListHasExtension(selected, ".jpg"));
  EXPECT_TRUE(types.Selected(".jpg")) << "its own flag stays";
  ASSERT_TRUE(SetPropText(types, "Images", "True"));
  ASSERT_TRUE(SetPropText(types, "_jpg", "False"));
  EXPECT_FALSE(types.Selected(".JPG"));
  EXPECT_EQ(GetPropText(types, "_jpg"), "False");
  EXPECT_EQ(types.GetSelectedExtensions().size(), std::size(kFileTypes) - 1);
  EXPECT_FALSE(types.SetSelected(".webp", true)) << "not in the catalogue";
  EXPECT_FALSE(types.Selected(".webp"));
  EXPECT_FALSE(types.Selected(".jpeg")) << "the flag of .jpg";
  EXPECT_FALSE(SetPropText(types, "_jpg", "perhaps")) << "a value that does not convert";
  EXPECT_FALSE(types.Selected(".jpg")) << "and nothing is lost";
}

TEST(FileTypesTest, AssignCopiesEveryFlag) {
  TXDRFileTypes source;
  source.SetDefaults();
  source.SetAudio(false);
  TXDRFileTypes copy;
  ASSERT_TRUE(copy.Assign(source));
  EXPECT_EQ(copy.GetSelectedExtensions(), source.GetSelectedExtensions());
  EXPECT_FALSE(copy.Audio());
}

TEST(FileTypesTest, GroupsOfExtensions) {
  EXPECT_EQ(FileGroupOf(".JPG"), fgImages);
  EXPECT_EQ(FileGroupOf(".x3f"), fgImages);
  EXPECT_EQ(FileGroupOf(".mts"), fgVideo);
  EXPECT_EQ(FileGroupOf(".wav"), fgAudio);
  EXPECT_EQ(FileGroupOf(".txt"), fgNone);
  EXPECT_EQ(FileGroupOf(".JPEG"), fgImages);
  EXPECT_EQ(FileGroupOf(".heif"), fgImages);
  EXPECT_EQ(FileGroupOf(".m2ts"), fgVideo);
  EXPECT_EQ(FileGroupOf(""), fgNone);
}

TEST(FileTypesTest, OtherSpellingsStandForTheirCatalogueExtension) {
  EXPECT_EQ(CatalogueExtension(".JPEG"), ".jpg");
  EXPECT_EQ(CatalogueExtension(".jpe"), ".jpg");
  EXPECT_EQ(CatalogueExtension(".Tiff"), ".tif");
  EXPECT_EQ(CatalogueExtension(".HEIF"), ".heic");
  EXPECT_EQ(CatalogueExtension(".CR3"), ".cr3");
  EXPECT_EQ(CatalogueExtension(".webp"), ".webp") << "unknown ones stay as they are, in lower case";
  EXPECT_EQ(CatalogueExtension(""), "");
  TXDRFileTypes types;
  ASSERT_TRUE(types.SetSelected(".JPE", false));
  EXPECT_FALSE(types.Selected(".jpg"));
  EXPECT_FALSE(ListHasExtension(types.GetSelectedExtensions(), ".jpeg"));
}

}  // namespace
}  // namespace kova
