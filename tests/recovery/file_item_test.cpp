#include "recovery/file_item.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/observable.h"
#include "imaging/bitmap32.h"
#include "recovery/recovery_aspects.h"

namespace kova {
namespace {

// A small real thumbnail: a bitmap stored in the image object.
void FillThumbnail(TXImageObject& image, int32_t width, int32_t height) {
  TXBitmap32 bitmap;
  bitmap.SetSize(width, height);
  ASSERT_TRUE(image.LoadFrom(bitmap));
}

TEST(FileItemTest, ANewItemIsCheckedEmptyAndWithoutImages) {
  TXDRFileItem item;
  EXPECT_TRUE(item.Checked);
  EXPECT_EQ(item.LargeImageIndex, -1);
  EXPECT_EQ(item.SmallImageIndex, -1);
  EXPECT_TRUE(item.Status.Empty());
  EXPECT_EQ(item.Size(), 0);
  EXPECT_TRUE(item.IsEmpty());
  EXPECT_TRUE(item.Thumbnail.IsEmpty());
  EXPECT_TRUE(item.Dimensions.IsEmpty());
}

TEST(FileItemTest, StatusPairsExcludeEachOtherAndSitInTheirBits) {
  TXDRFileItem item;
  item.MarkThumbnail(false);
  EXPECT_EQ(item.Status.Bits(), 4);
  item.MarkThumbnail(true);
  EXPECT_EQ(item.Status.Bits(), 2) << "a made thumbnail removes the error";
  item.MarkDeletedEntry();
  EXPECT_TRUE(item.IsDeletedEntry());
  item.MarkEntry();
  EXPECT_FALSE(item.IsDeletedEntry());
  EXPECT_EQ(item.Status.Bits(), 2 | 8);
  item.Status.Include(drScanError);
  item.MarkScanValid();
  EXPECT_EQ(item.Status.Bits(), 2 | 8 | 32);
  item.Status.Include(drValidated);
  EXPECT_TRUE(item.Status.Contains(drValidated)) << "the first member pairs with nothing";
  EXPECT_EQ(item.Status.Bits(), 1 | 2 | 8 | 32);
}

TEST(FileItemTest, AssignCopiesEveryFieldTheExtentsAndADeepCopyOfTheThumbnail) {
  TXDRFileItem source;
  source.Checked = false;
  source.Name = "IMG_0001.JPG";
  source.Ext = ".JPG";
  source.Created = 45000.25;
  source.Modified = 45001.5;
  source.Accessed = 45002;
  source.MarkDeletedEntry();
  source.LargeImageIndex = 3;
  source.SmallImageIndex = 4;
  source.Dimensions = {4000, 3000};
  FillThumbnail(source.Thumbnail, 72, 54);
  source.EditBlocks().Add(4096, 1000);
  source.EditBlocks().Add(16384, 24);

  TXDRFileItem copy;
  copy.EditBlocks().Add(1, 1);
  ASSERT_TRUE(copy.Assign(source));
  EXPECT_FALSE(copy.Checked);
  EXPECT_EQ(copy.Name, "IMG_0001.JPG");
  EXPECT_EQ(copy.DisplayName(), "IMG_0001.JPG");
  EXPECT_EQ(copy.Ext, ".JPG");
  EXPECT_EQ(copy.Created, 45000.25);
  EXPECT_EQ(copy.Modified, 45001.5);
  EXPECT_EQ(copy.Accessed, 45002);
  EXPECT_EQ(copy.Status, source.Status);
  EXPECT_EQ(copy.LargeImageIndex, 3);
  EXPECT_EQ(copy.SmallImageIndex, 4);
  EXPECT_EQ(copy.Dimensions, (TXSize{4000, 3000}));
  EXPECT_TRUE(copy.Blocks() == source.Blocks()) << "the old extents are replaced";
  EXPECT_EQ(copy.Size(), 1024);
  EXPECT_EQ(copy.Thumbnail.Width(), 72);
  EXPECT_EQ(copy.Thumbnail.Bytes(), source.Thumbnail.Bytes());

  source.Thumbnail.Clear();
  EXPECT_FALSE(copy.Thumbnail.IsEmpty()) << "the results page clears the offered item's picture";
}

TEST(FileItemTest, AssignFromAPlainSplitItemCopiesOnlyTheExtents) {
  TXSplitItem pieces;
  pieces.EditBlocks().Add(0, 512);
  TXDRFileItem item;
  item.Name = "keep.jpg";
  item.Checked = false;
  ASSERT_TRUE(item.Assign(pieces));
  EXPECT_EQ(item.Name, "keep.jpg");
  EXPECT_FALSE(item.Checked);
  EXPECT_EQ(item.Size(), 512);
}

TEST(FileItemTest, ExtensionsCompareIgnoringCase) {
  TXDRFileItem item;
  item.Ext = ".JPG";
  EXPECT_TRUE(item.SameExt(".jpg"));
  EXPECT_TRUE(item.SameExt(".JPG"));
  EXPECT_FALSE(item.SameExt(".jpeg"));
  std::vector<std::string> none;
  EXPECT_FALSE(item.HasExt(none));
  std::vector<std::string> raw = {".nef", ".cr2"};
  EXPECT_FALSE(item.HasExt(raw));
  raw.push_back(".Jpg");
  EXPECT_TRUE(item.HasExt(raw));
}

TEST(FileItemTest, NamelessFilesAreNumberedWithSixDigitsAtLeast) {
  EXPECT_EQ(FoundFileName(1, ".jpg"), "000001.jpg");
  EXPECT_EQ(FoundFileName(999999, ".mov"), "999999.mov");
  EXPECT_EQ(FoundFileName(1234567, ".cr2"), "1234567.cr2");
  EXPECT_EQ(FoundFileName(42, ""), "000042");
}

struct TXActionLog {
  void OnAction(AXNotification& n) {
    if (auto* found = n.AspectAs<TXDRFoundFileAspect>()) text += found->Item->Name + ";";
    if (n.AspectAs<TXDRActionDeepScan>()) text += "scan;";
    if (n.AspectAs<TXDialogInitPageDataAspect>()) text += "page data;";
  }
  std::string text;
};

TEST(FileItemTest, FoundFilesComeWithAFreshItemAndActionsReachTheirFamilysObservers) {
  TXObservable observable;
  TXActionLog log;
  observable.AddObserver<TXDRFoundFileAspect>(&log, &TXActionLog::OnAction);
  observable.AddObserver<TXDRAction>(&log, &TXActionLog::OnAction);
  observable.AddObserver<TXDialogInitPageDataAspect>(&log, &TXActionLog::OnAction);
  auto found = MakeNotification<TXDRFoundFileAspect>();
  found->Aspect().Item->Name = "offered.jpg";
  observable.Dispatch(*found);
  DispatchAspect<TXDRActionDeepScan>(observable);
  DispatchAspect<TXDRDialogInitPageDataSaveAspect>(observable, true);
  EXPECT_EQ(log.text, "offered.jpg;scan;page data;");
  observable.RemoveObserversOf(&log);
}

}  // namespace
}  // namespace kova
