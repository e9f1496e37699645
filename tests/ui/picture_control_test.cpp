#include "ui/picture_control.h"

#include <gtest/gtest.h>

#include "imaging/image_aspects.h"
#include "ui/qt_pictures.h"
#include "ui_test_pictures.h"

namespace kova {
namespace {

const QColor kRed(220, 30, 30);
const QColor kGreen(30, 160, 60);

// A collection of one picture in the sizes given, largest first.
void FillSizes(TXImageCollection& pictures, std::initializer_list<int> sizes) {
  for (int size : sizes) {
    TXImageItem* item = pictures.Add();
    item->SetDisplayName(std::to_string(size));
    test::LoadPicture(item->Data(), test::PlainImage(size, size, kRed));
  }
}

TEST(PictureControlTest, AutoSizeAddsTwoPixelsPerBevel) {
  TXImageObject picture;
  test::LoadPicture(picture, test::PlainImage(32, 32, kRed));
  TXImage image;
  image.move(5, 7);
  image.SetAutoSize(true);
  image.SetPicture(&picture);
  EXPECT_EQ(image.size(), QSize(32, 32));
  image.SetBevelStyle(TXBevelCut::bvLowered);
  EXPECT_EQ(image.size(), QSize(34, 34));
  image.SetImageBevelStyle(TXBevelCut::bvLowered);
  EXPECT_EQ(image.size(), QSize(36, 36));
  EXPECT_EQ(image.pos(), QPoint(5, 7));
  image.SetAutoSize(false);
  image.SetBevelStyle(TXBevelCut::bvNone);
  EXPECT_EQ(image.size(), QSize(36, 36));
}

TEST(PictureControlTest, AutoSizeTakesTheIconEntryNearestTheIconSize) {
  TXImageObject icon;
  test::LoadIconPicture(icon, {16, 32, 48}, kGreen);
  TXImage image;
  image.SetAutoSize(true);
  image.SetIconSize(48);
  image.SetPicture(&icon);
  EXPECT_EQ(image.size(), QSize(48, 48));
  image.SetIconSize(16);
  EXPECT_EQ(image.size(), QSize(16, 16));
  EXPECT_TRUE(image.ErasesBackground());
}

TEST(PictureControlTest, PickPictureChoosesBySize) {
  TXImageCollection pictures;
  FillSizes(pictures, {64, 48, 32, 16});
  TXImage image;
  image.PickPicture(pictures);
  EXPECT_EQ(image.Picture()->Width(), 64);
  image.SetIconSize(32);
  image.PickPicture(pictures);
  EXPECT_EQ(image.Picture()->Width(), 32);
  image.SetIconSize(40);
  image.PickPicture(pictures);
  EXPECT_EQ(image.Picture()->Width(), 48);
  image.SetIconSize(100);
  image.PickPicture(pictures);
  EXPECT_EQ(image.Picture()->Width(), 64);
  TXImageCollection empty;
  image.PickPicture(empty);
  EXPECT_EQ(image.Picture(), nullptr);
}

TEST(PictureControlTest, EveryOtherPositionPaintsLikeStretch) {
  TXImageObject picture;
  QImage source = test::PlainImage(20, 10, kRed);
  for (int x = 0; x < 10; ++x)
    source.setPixelColor(x, 5, kGreen);
  test::LoadPicture(picture, source);
  auto paint = [&](TXImagePosition position) {
    TXImage image;
    image.resize(60, 50);
    image.SetResample(true);
    image.SetPosition(position);
    image.SetPicture(&picture);
    return image.Render();
  };
  const QImage stretched = paint(TXImagePosition::ipStretch);
  EXPECT_EQ(stretched.pixelColor(59, 0), kRed);
  EXPECT_EQ(stretched.pixelColor(0, 49), kRed);
  for (TXImagePosition position :
       {TXImagePosition::ipTile, TXImagePosition::ipCustom, TXImagePosition::ipFitWidth,
        TXImagePosition::ipFitHeight, TXImagePosition::ipColorOnly,
        TXImagePosition::ipDownScaledBestFit, TXImagePosition::ipDownScaledCenter}) {
    EXPECT_EQ(paint(position), stretched) << static_cast<int>(position);
  }
  EXPECT_NE(paint(TXImagePosition::ipBestFit), stretched);
  EXPECT_NE(paint(TXImagePosition::ipCenter), stretched);
}

TEST(PictureControlTest, PositionsPlaceThePicture) {
  TXImageObject picture;
  test::LoadPicture(picture, test::PlainImage(20, 10, kRed));
  TXImage image;
  image.resize(60, 50);
  image.SetBgColor(kGreen);
  image.SetPicture(&picture);
  image.SetPosition(TXImagePosition::ipDefault);
  QImage painted = image.Render();
  EXPECT_EQ(painted.pixelColor(19, 9), kRed);
  EXPECT_EQ(painted.pixelColor(20, 9).alpha(), 0);
  image.SetPosition(TXImagePosition::ipBestFit);
  painted = image.Render();
  // 20 x 10 in 60 x 50 is never enlarged: centred at (20, 20), the rest in the background colour.
  EXPECT_EQ(painted.pixelColor(0, 0), kGreen);
  EXPECT_EQ(painted.pixelColor(20, 20), kRed);
  EXPECT_EQ(painted.pixelColor(39, 29), kRed);
  EXPECT_EQ(painted.pixelColor(40, 29), kGreen);
  image.SetPosition(TXImagePosition::ipCenter);
  painted = image.Render();
  // Covering 60 x 50 takes the full height: 100 x 50, centred.
  EXPECT_EQ(painted.pixelColor(0, 0), kRed);
  EXPECT_EQ(painted.pixelColor(59, 49), kRed);
}

TEST(PictureControlTest, BevelsFrameTheControlAndTheFittedPicture) {
  TXImageObject picture;
  test::LoadPicture(picture, test::PlainImage(10, 10, kRed));
  TXImage image;
  image.resize(30, 30);
  image.SetBgColor(kGreen);
  image.SetPosition(TXImagePosition::ipBestFit);
  image.SetPicture(&picture);
  const QColor shadow(image.palette().color(QPalette::Dark).rgb());
  const QColor highlight(image.palette().color(QPalette::Light).rgb());
  image.SetBevelStyle(TXBevelCut::bvLowered);
  QImage painted = image.Render();
  EXPECT_EQ(painted.pixelColor(0, 10), shadow);
  EXPECT_EQ(painted.pixelColor(10, 0), shadow);
  EXPECT_EQ(painted.pixelColor(29, 10), highlight);
  EXPECT_EQ(painted.pixelColor(10, 29), highlight);
  EXPECT_EQ(painted.pixelColor(1, 1), kGreen);
  image.SetBevelStyle(TXBevelCut::bvRaised);
  image.SetImageBevelStyle(TXBevelCut::bvSpace);
  painted = image.Render();
  EXPECT_EQ(painted.pixelColor(0, 10), highlight);
  EXPECT_EQ(painted.pixelColor(29, 10), shadow);
  // The fitted picture's frame: the picture (10 x 10 in 28 - 4) sits at (10, 10).
  EXPECT_EQ(painted.pixelColor(9, 12), shadow);
  EXPECT_EQ(painted.pixelColor(20, 12), shadow);
  EXPECT_EQ(painted.pixelColor(12, 12), kRed);
}

TEST(PictureControlTest, OnlyIconsAndPngsLetTheBackgroundBeErased) {
  TXImageObject jpeg, png;
  test::LoadPicture(jpeg, test::PlainImage(16, 16, kRed), "TJPEGImage");
  test::LoadPicture(png, test::PlainImage(16, 16, kRed));
  TXImage image;
  EXPECT_TRUE(image.ErasesBackground());
  image.SetPicture(&jpeg);
  EXPECT_FALSE(image.ErasesBackground());
  image.SetPicture(&png);
  EXPECT_TRUE(image.ErasesBackground());
  image.SetPicture(&jpeg);
  image.SetPicture(nullptr);
  EXPECT_TRUE(image.ErasesBackground());
}

TEST(PictureControlTest, ContainedImageKeepsItsOwnCopy) {
  TXContainedImage image;
  image.resize(16, 16);
  {
    TXImageObject picture;
    test::LoadPicture(picture, test::PlainImage(16, 16, kRed));
    image.SetPicture(&picture);
    EXPECT_NE(image.Picture(), &picture);
    picture.Clear();
  }
  ASSERT_NE(image.Picture(), nullptr);
  EXPECT_EQ(image.Picture()->Width(), 16);
  EXPECT_EQ(image.Render().pixelColor(8, 8), kRed);
  image.SetPicture(nullptr);
  EXPECT_EQ(image.Picture(), nullptr);
  EXPECT_EQ(image.Render().pixelColor(8, 8).alpha(), 0);
}

TEST(PictureControlTest, AttachedControlsFollowPictureChanges) {
  TXImageObject first, second;
  test::LoadPicture(first, test::PlainImage(8, 8, kRed));
  test::LoadPicture(second, test::PlainImage(8, 8, kGreen));
  TXImage image;
  {
    TXObservable source;
    image.Attach(source, AspectClassOf<TXChangedAspect>());
    DispatchAspect<TXImageObjectChangedAspect>(source, &first);
    EXPECT_EQ(image.Picture(), nullptr);
    image.Attach(source, AspectClassOf<TXImageObjectChangedAspect>());
    DispatchAspect<TXImageObjectChangedAspect>(source, &first);
    EXPECT_EQ(image.Picture(), &first);
    image.Detach(source, AspectClassOf<TXImageObjectChangedAspect>());
    DispatchAspect<TXImageObjectChangedAspect>(source, &second);
    EXPECT_EQ(image.Picture(), &first);
    image.Attach(source, AspectClassOf<TXImageObjectChangedAspect>());
  }
  // The observable went first; the control lives on and can attach elsewhere.
  TXObservable other;
  image.Attach(other, AspectClassOf<TXImageObjectChangedAspect>());
  DispatchAspect<TXImageObjectChangedAspect>(other, &second);
  EXPECT_EQ(image.Picture(), &second);
  auto control = std::make_unique<TXImage>();
  control->Attach(other, AspectClassOf<TXImageObjectChangedAspect>());
  control.reset();
  EXPECT_EQ(other.ObserverCount(), 1u);
}

TEST(PictureControlTest, PictureItemsAndDamagedPictures) {
  TXImageCollection pictures;
  FillSizes(pictures, {12});
  TXImage image;
  image.resize(12, 12);
  image.SetPictureItem(pictures.At(0));
  EXPECT_EQ(image.Picture(), &pictures.At(0)->Data());
  image.SetPictureItem(nullptr);
  EXPECT_EQ(image.Picture(), nullptr);
  // Bytes that no longer decode leave the control as the background left it.
  TXImageObject damaged;
  test::LoadPicture(damaged, test::PlainImage(12, 12, kRed));
  damaged.DataStream().Bytes().resize(20);
  image.SetPicture(&damaged);
  EXPECT_EQ(image.Render().pixelColor(6, 6).alpha(), 0);
}

}  // namespace
}  // namespace kova
