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
  ASSERT_EQ(names.size(), 76u);
  EXPECT_EQ(names[0], "Images");
  EXPECT_EQ(names[1], "Video");
  EXPECT_EQ(names[2], "Audio");
  EXPECT_EQ(names[3], "_jpg");
  EXPECT_EQ(names[4], "_arw");
  EXPECT_EQ(names[48], "_x3f") << "the last image extension";
  EXPECT_EQ(names[49], "_avi");
  EXPECT_EQ(names[66], "_mp3");
  EXPECT_EQ(names[75], "_wav");
  EXPECT_EQ(GroupExtensions(fgImages).size(), 46u);
  EXPECT_EQ(GroupExtensions(fgVideo).size(), 17u);
  EXPECT_EQ(GroupExtensions(fgAudio).size(), 10u);
}

TEST(FileTypesTest, AllExtensionsAreSortedAndListedOnce) {
  TXExtensionList all = TXDRFileTypes::GetAllExtensions();
  EXPECT_EQ(all.size(), 73u);
  EXPECT_TRUE(std::ranges::is_sorted(all));
  EXPECT_EQ(std::ranges::count(all, ".arw"), 1) << "two scan formats produce it";
  EXPECT_TRUE(ListHasExtension(all, ".RW2"));
  EXPECT_FALSE(ListHasExtension(all, ".jpeg"));
}

TEST(FileTypesTest, DefaultsChooseTheCommonTypes) {
  TXDRFileTypes types;
  EXPECT_EQ(types.GetSelectedExtensions().size(), 73u) << "a new catalogue selects everything";
  types.SetDefaults();
  TXExtensionList expected = {".arw", ".avi", ".cr2", ".dng", ".jpg", ".mov", ".mp3", ".mp4",
                              ".mpg", ".nef", ".orf", ".pef", ".raf", ".raw", ".tif", ".wma"};
  EXPECT_EQ(types.GetSelectedExtensions(), expected);
  EXPECT_TRUE(types.Images() && types.Video() && types.Audio());
  types.Clear();
  EXPECT_EQ(types.GetSelectedExtensions().size(), 73u) << "the reset selects everything";
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
  EXPECT_EQ(types.GetSelectedExtensions().size(), 72u);
  EXPECT_FALSE(types.SetSelected(".jpeg", true)) << "not in the catalogue";
  EXPECT_FALSE(types.Selected(".jpeg"));
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
  EXPECT_EQ(FileGroupOf(""), fgNone);
}

}  // namespace
}  // namespace kova
