#include "recovery/file_collection.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kova {
namespace {

TXDRFileItem* AddFile(TXDRFileCollection& files, std::string ext, int64_t start, int64_t size) {
  TXDRFileItem* item = files.Add();
  item->Ext = std::move(ext);
  item->EditBlocks().Add(start, size);
  return item;
}

TEST(FileCollectionTest, ItemsAreFileItemsWhateverClassIsAskedFor) {
  TXDRFileCollection plain;
  EXPECT_EQ(&plain.ItemClass(), &TXDRFileItem::StaticClassInfo());
  TXDRFileCollection asked(TXSplitItem::StaticClassInfo());
  EXPECT_EQ(&asked.ItemClass(), &TXDRFileItem::StaticClassInfo())
      << "a class that does not derive from the file item is refused";
  TXDRFileItem* item = asked.Add();
  EXPECT_EQ(asked.At(0), item);
  EXPECT_EQ(asked[0]->Index(), 0);
}

TEST(FileCollectionTest, CheckedQueriesAndGroupChecking) {
  TXDRFileCollection files;
  EXPECT_FALSE(files.AnyChecked());
  TXDRFileItem* photo = AddFile(files, ".JPG", 0, 1000);
  TXDRFileItem* raw = AddFile(files, ".nef", 4096, 20000);
  TXDRFileItem* movie = AddFile(files, ".mov", 65536, 300000);
  std::vector<std::string> images = {".jpg", ".nef"};
  std::vector<std::string> video = {".mov"};

  EXPECT_TRUE(files.AnyChecked());
  EXPECT_EQ(files.CheckedSize(), 321000);
  files.SetCheckedByExt(images, false);
  EXPECT_FALSE(photo->Checked);
  EXPECT_FALSE(raw->Checked);
  EXPECT_TRUE(movie->Checked) << "other extensions are never touched";
  EXPECT_FALSE(files.AnyCheckedWithExt(images));
  EXPECT_TRUE(files.AnyCheckedWithExt(video));
  EXPECT_EQ(files.CheckedSize(), 300000);
  files.SetCheckedByExt(video, false);
  EXPECT_FALSE(files.AnyChecked());
  EXPECT_EQ(files.CheckedSize(), 0);
  files.SetCheckedByExt(images, true);
  EXPECT_TRUE(files.AnyCheckedWithExt(images));
  EXPECT_EQ(files.CheckedSize(), 21000);
}

TEST(FileCollectionTest, IndexOfBlocksFindsTheFirstItemWithEqualExtents) {
  TXDRFileCollection files;
  AddFile(files, ".jpg", 0, 512);
  TXDRFileItem* split = AddFile(files, ".jpg", 1024, 512);
  split->EditBlocks().Add(4096, 100);
  AddFile(files, ".cr2", 1024, 512);
  AddFile(files, ".jpg", 1024, 512);

  TXBlocks wanted;
  wanted.Add(1024, 512);
  EXPECT_EQ(files.IndexOfBlocks(wanted), 2) << "the first of two equal lists";
  wanted.Add(4096, 100);
  EXPECT_EQ(files.IndexOfBlocks(wanted), 1);
  TXBlocks longer = wanted;
  longer.Add(9000, 1);
  EXPECT_EQ(files.IndexOfBlocks(longer), -1);
  EXPECT_EQ(files.IndexOfBlocks(TXBlocks()), -1);

  files.Move(3, 0);
  TXBlocks single;
  single.Add(1024, 512);
  EXPECT_EQ(files.IndexOfBlocks(single), 0) << "order follows moves";
  files.Delete(0);
  EXPECT_EQ(files.IndexOfBlocks(single), 2) << "deleted items are forgotten";
  files.At(2)->EditBlocks().Add(1536, 1);
  EXPECT_EQ(files.IndexOfBlocks(single), -1) << "changed extents are keyed again";
  files.At(0)->Assign(*files.At(2));
  TXBlocks grown;
  grown.Add(1024, 513);
  EXPECT_EQ(files.IndexOfBlocks(grown), 0) << "assigned extents are keyed again";
  files.Clear();
  EXPECT_EQ(files.IndexOfBlocks(grown), -1);
  AddFile(files, ".jpg", 1024, 513);
  EXPECT_EQ(files.IndexOfBlocks(grown), 0);
}

// The index must answer exactly what a walk over all items answers, through every kind of change
// in any order; the collection grows to the size of a large card's scan.
TEST(FileCollectionTest, IndexOfBlocksAgreesWithAFullWalkOverManyChanges) {
  auto walk = [](const TXDRFileCollection& files, const TXBlocks& blocks) {
    for (int32_t i = 0; i < files.Count(); ++i) {
      if (TXBlocksComparer::Compare(files.At(i)->Blocks(), blocks) == 0) return i;
    }
    return -1;
  };
  std::mt19937 random(7);
  auto someBlocks = [&random] {
    TXBlocks blocks;
    int64_t at = static_cast<int64_t>(random() % 64) * 512;
    for (int pieces = 1 + random() % 2; pieces > 0; --pieces) {
      blocks.Add(at, 512 * (1 + random() % 2));
      at += 4096;
    }
    return blocks;
  };
  TXDRFileCollection files;
  for (int step = 0; step < 20000; ++step) {
    TXBlocks probe = someBlocks();
    ASSERT_EQ(files.IndexOfBlocks(probe), walk(files, probe)) << "step " << step;
    int action = random() % 100;
    if (action < 70 || files.Count() == 0) {
      TXDRFileItem* item = files.Add();
      if (random() % 3) item->EditBlocks() = someBlocks();
    } else if (action < 80) {
      files.Delete(static_cast<int32_t>(random() % files.Count()));
    } else if (action < 88) {
      files.Move(static_cast<int32_t>(random() % files.Count()),
                 static_cast<int32_t>(random() % files.Count()));
    } else {
      TXDRFileItem source;
      source.EditBlocks() = someBlocks();
      files.At(static_cast<int32_t>(random() % files.Count()))->Assign(source);
    }
    if (step == 5000) files.Clear();
  }
  EXPECT_GT(files.Count(), 5000);
}

}  // namespace
}  // namespace kova
