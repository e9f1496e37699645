#include "imaging/extension_icons.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/png_image.h"
#include "imaging/skin_interface.h"

namespace kova {
namespace {

constexpr TXColor kList = MakeColor(250, 250, 240);
constexpr TXColor kImageBlue = MakeColor(30, 80, 200);
constexpr TXColor kVideoRed = MakeColor(200, 30, 30);
constexpr TXColor kAudioPurple = MakeColor(120, 40, 160);
constexpr TXColor kBadgeGreen = MakeColor(20, 160, 60);
constexpr TXColor kArrowBlack = MakeColor(10, 10, 10);

const std::vector<std::string> kImages = {".jpg", ".cr2"};
const std::vector<std::string> kVideo = {".avi"};
const std::vector<std::string> kAudio = {".mp3"};

// A skin whose pictures are PNGs with one opaque rectangle on a transparent ground, so that
// each layer of an icon shows where it was drawn.
class RectangleSkin : public IXDRSkin {
 public:
  TXImagesBox* FindImagesBox(std::string_view name) override {
    for (auto& box : boxes_) {
      if (box->Name() == name) return box.get();
    }
    return nullptr;
  }
  TXComposeTable& ComposeTable() override { return table_; }

  void Add(const std::string& box, const std::string& name, TXSize size, const TXRect& opaque,
           TXColor colour) {
    TXPngImage png;
    TXBitmap32& pixels = png.Reset(size.Width, size.Height, true);
    pixels.Canvas().FillRect({0, 0, size.Width, size.Height}, 0);
    pixels.Canvas().FillRect(opaque, colour);
    ASSERT_NE(BoxNamed(box).Images().AddPicture(name, png), nullptr);
  }

  // The group pictures, arrows and badges of every extension but those left out.
  void AddEverything(const std::vector<std::string>& withoutBadges = {}) {
    const TXRect leftHalf{0, 0, 11, 16};
    Add(skin::kImages, "simage", {22, 16}, leftHalf, kImageBlue);
    Add(skin::kImages, "svideo", {22, 16}, leftHalf, kVideoRed);
    Add(skin::kImages, "saudio", {22, 16}, leftHalf, kAudioPurple);
    const TXRect upperPart{10, 4, 60, 40};
    Add(skin::kImages, "image", {72, 72}, upperPart, kImageBlue);
    Add(skin::kImages, "video", {72, 72}, upperPart, kVideoRed);
    Add(skin::kImages, "audio", {72, 72}, upperPart, kAudioPurple);
    for (const char* box : {skin::kSmallExtImages, skin::kLargeExtImages}) {
      Add(box, "ascend", {22, 16}, {6, 4, 16, 12}, kArrowBlack);
      Add(box, "descend", {22, 16}, {6, 4, 16, 12}, kArrowBlack);
    }
    for (const auto* group : {&kImages, &kVideo, &kAudio}) {
      for (const std::string& ext : *group) {
        if (std::find(withoutBadges.begin(), withoutBadges.end(), ext) != withoutBadges.end())
          continue;
        Add(skin::kSmallExtImages, ext, {22, 16}, {12, 8, 22, 16}, kBadgeGreen);
        Add(skin::kLargeExtImages, ext, {72, 72}, {8, 44, 64, 62}, kBadgeGreen);
      }
    }
  }

 private:
  TXImagesBox& BoxNamed(const std::string& name) {
    if (TXImagesBox* box = FindImagesBox(name)) return *box;
    boxes_.push_back(std::make_unique<TXImagesBox>());
    boxes_.back()->SetName(name);
    return *boxes_.back();
  }

  std::vector<std::unique_ptr<TXImagesBox>> boxes_;
  TXComposeTable table_;
};

// The colour (without alpha) of a pixel of icon n.
class IconPixels {
 public:
  IconPixels(const TXImageCollection& icons, int32_t index) {
    const TXImageObject& data = icons.At(index)->Data();
    EXPECT_EQ(data.DataClass(), "TBitmap");
    graphic_ = data.Decode();
  }
  TXSize Size() const { return graphic_->Size(); }
  TXColor At(int32_t x, int32_t y) const {
    return static_cast<const TXBitmap32&>(*graphic_).Pixel(x, y) & 0xFFFFFFu;
  }
  bool All(TXColor colour) const {
    for (TXColor pixel : static_cast<const TXBitmap32&>(*graphic_).Pixels()) {
      if ((pixel & 0xFFFFFFu) != (colour & 0xFFFFFFu)) return false;
    }
    return true;
  }

 private:
  std::unique_ptr<TXGraphic> graphic_;
};

TXColor Rgb(TXColor colour) {
  return colour & 0xFFFFFFu;
}

TEST(TypeIconsTest, KeysStartWithThreeEmptyEntriesAndIndexesIgnoreCase) {
  TXDRTypeIcons icons(kImages, kVideo, kAudio);
  EXPECT_EQ(icons.TypeKeys(),
            (std::vector<std::string>{"", "", "", ".jpg", ".cr2", ".avi", ".mp3"}));
  EXPECT_EQ(icons.IconIndexOf(".jpg"), 3);
  EXPECT_EQ(icons.IconIndexOf(".JPG"), 3);
  EXPECT_EQ(icons.IconIndexOf(".Cr2"), 4);
  EXPECT_EQ(icons.IconIndexOf(".avi"), 5);
  EXPECT_EQ(icons.IconIndexOf(".mp3"), 6);
  // Outside the catalogue, and the empty extension, which must not pick a sort arrow.
  EXPECT_EQ(icons.IconIndexOf(".jpeg"), TXDRTypeIcons::kGenericIcon);
  EXPECT_EQ(icons.IconIndexOf(""), TXDRTypeIcons::kGenericIcon);
  EXPECT_EQ(icons.IconIndexOf("jpg"), TXDRTypeIcons::kGenericIcon);
}

TEST(TypeIconsTest, SmallIconsAreArrowsThenBadgesOverTheGroupPictureOnTheListColour) {
  RectangleSkin skin;
  skin.AddEverything();
  TXDRTypeIcons icons(kImages, kVideo, kAudio);
  icons.BuildSmall(skin, kList);
  ASSERT_EQ(icons.Small().Count(), 7);
  for (int32_t i = 0; i < 7; ++i)
    EXPECT_EQ(IconPixels(icons.Small(), i).Size(), (TXSize{22, 16}));

  const IconPixels ascend(icons.Small(), TXDRTypeIcons::kAscendIcon);
  EXPECT_EQ(ascend.At(10, 8), Rgb(kArrowBlack));
  EXPECT_EQ(ascend.At(1, 1), Rgb(kList));

  const IconPixels generic(icons.Small(), TXDRTypeIcons::kGenericIcon);
  EXPECT_EQ(generic.At(2, 2), Rgb(kImageBlue));
  EXPECT_EQ(generic.At(16, 2), Rgb(kList));
  EXPECT_EQ(generic.At(16, 12), Rgb(kList)) << "the generic icon has no badge";

  const IconPixels jpg(icons.Small(), icons.IconIndexOf(".jpg"));
  EXPECT_EQ(jpg.At(2, 2), Rgb(kImageBlue));
  EXPECT_EQ(jpg.At(16, 12), Rgb(kBadgeGreen));
  EXPECT_EQ(jpg.At(16, 2), Rgb(kList));
  EXPECT_EQ(IconPixels(icons.Small(), icons.IconIndexOf(".avi")).At(2, 2), Rgb(kVideoRed));
  EXPECT_EQ(IconPixels(icons.Small(), icons.IconIndexOf(".mp3")).At(2, 2), Rgb(kAudioPurple));
}

TEST(TypeIconsTest, LargeIconsKeepTheGroupPictureUnderTheBadge) {
  RectangleSkin skin;
  skin.AddEverything();
  TXDRTypeIcons icons(kImages, kVideo, kAudio);
  icons.BuildLarge(skin, kList);
  ASSERT_EQ(icons.Large().Count(), 7);
  EXPECT_TRUE(IconPixels(icons.Large(), TXDRTypeIcons::kAscendIcon).All(kList));
  EXPECT_TRUE(IconPixels(icons.Large(), TXDRTypeIcons::kDescendIcon).All(kList));

  const IconPixels generic(icons.Large(), TXDRTypeIcons::kGenericIcon);
  EXPECT_EQ(generic.Size(), (TXSize{72, 72}));
  EXPECT_EQ(generic.At(30, 20), Rgb(kImageBlue));
  EXPECT_EQ(generic.At(30, 50), Rgb(kList));

  const IconPixels cr2(icons.Large(), icons.IconIndexOf(".cr2"));
  EXPECT_EQ(cr2.At(30, 20), Rgb(kImageBlue)) << "the badge must not wipe its group picture";
  EXPECT_EQ(cr2.At(30, 50), Rgb(kBadgeGreen));
  EXPECT_EQ(cr2.At(2, 2), Rgb(kList));
  EXPECT_EQ(IconPixels(icons.Large(), icons.IconIndexOf(".avi")).At(30, 20), Rgb(kVideoRed));
}

TEST(TypeIconsTest, LargerGroupPicturesAreFittedIntoTheCell) {
  RectangleSkin skin;
  skin.Add(skin::kImages, "image", {144, 72}, {0, 0, 144, 72}, kImageBlue);
  TXDRTypeIcons icons(kImages, kVideo, kAudio);
  icons.BuildLarge(skin, kList);
  const IconPixels generic(icons.Large(), TXDRTypeIcons::kGenericIcon);
  // 144 x 72 fits as 72 x 36, centred from row 18 to row 53.
  EXPECT_EQ(generic.At(36, 10), Rgb(kList));
  EXPECT_EQ(generic.At(36, 62), Rgb(kList));
  EXPECT_EQ(generic.At(36, 36), Rgb(kImageBlue));
  EXPECT_EQ(generic.At(1, 20), Rgb(kImageBlue));
}

TEST(TypeIconsTest, MissingPicturesLeaveWhatWasDrawnBefore) {
  RectangleSkin skin;
  skin.AddEverything({".cr2"});
  TXDRTypeIcons icons(kImages, kVideo, kAudio);
  icons.Build(skin, kList);
  const IconPixels generic(icons.Large(), TXDRTypeIcons::kGenericIcon);
  const IconPixels cr2(icons.Large(), icons.IconIndexOf(".cr2"));
  for (int32_t y = 0; y < 72; y += 3) {
    for (int32_t x = 0; x < 72; x += 3)
      ASSERT_EQ(cr2.At(x, y), generic.At(x, y)) << x << "," << y;
  }
  EXPECT_EQ(IconPixels(icons.Small(), icons.IconIndexOf(".cr2")).At(16, 12), Rgb(kList));

  RectangleSkin empty;
  icons.Build(empty, kList);
  ASSERT_EQ(icons.Small().Count(), 7);
  ASSERT_EQ(icons.Large().Count(), 7);
  for (int32_t i = 0; i < 7; ++i) {
    EXPECT_TRUE(IconPixels(icons.Small(), i).All(kList)) << i;
    EXPECT_TRUE(IconPixels(icons.Large(), i).All(kList)) << i;
  }
}

TEST(TypeIconsTest, BuildingAgainReplacesTheIconsOnTheNewColour) {
  RectangleSkin skin;
  skin.AddEverything();
  TXDRTypeIcons icons(kImages, kVideo, kAudio);
  icons.Build(skin, kList);
  const TXColor dark = MakeColor(40, 40, 40);
  icons.Build(skin, dark);
  EXPECT_EQ(icons.Small().Count(), 7);
  EXPECT_EQ(icons.Large().Count(), 7);
  EXPECT_TRUE(IconPixels(icons.Large(), 0).All(dark));
  EXPECT_EQ(IconPixels(icons.Small(), 3).At(16, 2), Rgb(dark));
  EXPECT_EQ(icons.Small().At(3)->DisplayName(), ".jpg");
}

}  // namespace
}  // namespace kova
