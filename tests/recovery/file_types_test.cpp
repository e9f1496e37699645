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

TEST(FileTypesTest, PublishesTheGroupsThenEveryExtensionInCatalogueOrder) {
  TXDRFileTypes types;
  std::vector<std::string> names = PublishedNames(types);
  ASSERT_EQ(names.size(), 78u);
  EXPECT_EQ(names[0], "Images");
  EXPECT_EQ(names[1], "Video");
  EXPECT_EQ(names[2], "Audio");
  EXPECT_EQ(names[3], "_jpg");
  EXPECT_EQ(names[4], "_heic");
  EXPECT_EQ(names[50], "_x3f") << "the last image extension";
  EXPECT_EQ(names[51], "_avi");
  EXPECT_EQ(names[68], "_mp3");
  EXPECT_EQ(names[77], "_wav");
  EXPECT_EQ(GroupExtensions(fgImages).size(), 48u);
  EXPECT_EQ(GroupExtensions(fgVideo).size(), 17u);
  EXPECT_EQ(GroupExtensions(fgAudio).size(), 10u);
}

TEST(FileTypesTest, AllExtensionsAreSortedAndListedOnce) {
  TXExtensionList all = TXDRFileTypes::GetAllExtensions();
  EXPECT_EQ(all.size(), 75u);
  EXPECT_TRUE(std::ranges::is_sorted(all));
  EXPECT_EQ(std::ranges::count(all, ".arw"), 1) << "two scan formats produce it";
  EXPECT_TRUE(ListHasExtension(all, ".RW2"));
  EXPECT_TRUE(ListHasExtension(all, ".jpeg")) << "another spelling of .jpg";
  EXPECT_FALSE(ListHasExtension(all, ".webp"));
}

TEST(FileTypesTest, DefaultsChooseTheCommonTypes) {
  TXDRFileTypes types;
  EXPECT_EQ(types.GetSelectedExtensions().size(), 75u) << "a new catalogue selects everything";
  types.SetDefaults();
  TXExtensionList expected = {".arw", ".avi", ".cr2", ".cr3", ".dng", ".heic",
                              ".jpg", ".mov", ".mp3", ".mp4", ".mpg", ".nef",
                              ".orf", ".pef", ".raf", ".raw", ".tif", ".wma"};
  EXPECT_EQ(types.GetSelectedExtensions(), expected);
  EXPECT_TRUE(types.Images() && types.Video() && types.Audio());
  types.Clear();
  EXPECT_EQ(types.GetSelectedExtensions().size(), 75u) << "the reset selects everything";
}

TEST(FileTypesTest, AGroupTurnedOffHidesItsExtensions) {
  TXDRFileTypes types;
  types.SetImages(false);
  TXExtensionList selected = types.GetSelectedExtensions();
  EXPECT_EQ(selected.size(), 27u);
  EXPECT_FALSE(ListHasExtension(selected, ".jpg"));
  EXPECT_TRUE(types.Selected(".jpg")) << "its own flag stays";
  ASSERT_TRUE(SetPropText(types, "Images", "True"));
  ASSERT_TRUE(SetPropText(types, "_jpg", "False"));
  EXPECT_FALSE(types.Selected(".JPG"));
  EXPECT_EQ(GetPropText(types, "_jpg"), "False");
  EXPECT_EQ(types.GetSelectedExtensions().size(), 74u);
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
