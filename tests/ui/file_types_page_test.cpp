#include <gtest/gtest.h>

#include "framework/aspects.h"
#include "ui/file_types_frame.h"
#include "ui_test_skin.h"

namespace kova {
namespace {

class FileTypesPageTest : public testing::Test {
 protected:
  FileTypesPageTest() : page(MakeFrame<TXDRFileTypesFrm>(test::TestSkin())) {
    page->SetFileTypes(&types);
  }
  TXDRFileTypes types;
  std::unique_ptr<TXDRFileTypesFrm> page;
};

TEST_F(FileTypesPageTest, ListsHoldTheCatalogueWithTheCommonTypesFirst) {
  struct Expected {
    TXDRFileGroup group;
    const char* group_text;
  };
  for (Expected e : {Expected{fgImages, "Image file types"},
                     {fgVideo, "Video file types"},
                     {fgAudio, "Audio file types"}}) {
    std::vector<QTreeWidgetItem*> items = page->Items(e.group);
    auto extensions = GroupExtensions(e.group);
    ASSERT_EQ(items.size(), extensions.size());
    QTreeWidget& view = page->TypesView(e.group);
    QTreeWidgetItem* common = view.topLevelItem(0);
    int commonCount = 0;
    for (size_t i = 0; i < items.size(); ++i) {
      SCOPED_TRACE(extensions[i]);
      EXPECT_EQ(items[i]->text(0).toStdString(), extensions[i]);
      EXPECT_FALSE(items[i]->icon(0).isNull());
      EXPECT_EQ(items[i]->parent() == common, IsCommonType(extensions[i]));
      commonCount += IsCommonType(extensions[i]);
    }
    EXPECT_EQ(common->text(0), "Common");
    EXPECT_GT(commonCount, 0);
    EXPECT_EQ(common->childCount(), commonCount);
    EXPECT_EQ(view.topLevelItem(1)->text(0), "Other");
    EXPECT_EQ(page->GroupCheckBox(e.group).text(), e.group_text);
  }
  EXPECT_EQ(page->Items(fgImages).front()->parent(), page->TypesView(fgImages).topLevelItem(0))
      << ".jpg is a common type";
}

TEST_F(FileTypesPageTest, PageDataIsReadFromTheObjectByPropertyName) {
  types.SetSelected(".cr2", false);
  types.SetSelected(".mts", false);
  types.SetVideo(false);
  DispatchAspect<TXDialogInitPageDataAspect>(page->Observable());
  for (QTreeWidgetItem* item : page->Items(fgImages))
    EXPECT_EQ(item->checkState(0) == Qt::Checked, item->text(0) != ".cr2");
  EXPECT_FALSE(page->GroupCheckBox(fgVideo).isChecked());
  EXPECT_FALSE(page->TypesView(fgVideo).isEnabled());
  EXPECT_TRUE(page->GroupCheckBox(fgImages).isChecked());
}

TEST_F(FileTypesPageTest, UncheckingEveryImageTypeKeepsTheGroupFlag) {
  for (QTreeWidgetItem* item : page->Items(fgImages))
    item->setCheckState(0, Qt::Unchecked);
  page->GroupCheckBox(fgAudio).setChecked(false);
  types.SetSelected(".mov", false);
  DispatchAspect<TXDialogUpdatePageDataAspect>(page->Observable());
  EXPECT_TRUE(types.Images());
  EXPECT_FALSE(types.Audio());
  EXPECT_TRUE(types.Video());
  for (const std::string& extension : GroupExtensions(fgImages))
    EXPECT_FALSE(types.Selected(extension)) << extension;
  // The object was reset first: what the page shows is what the object holds.
  EXPECT_TRUE(types.Selected(".mov"));
  EXPECT_TRUE(types.Selected(".wav"));
  TXExtensionList chosen = types.GetSelectedExtensions();
  EXPECT_FALSE(ListHasExtension(chosen, ".jpg"));
  EXPECT_TRUE(ListHasExtension(chosen, ".mov"));
}

TEST_F(FileTypesPageTest, WithoutAnObjectThePageKeepsItsLists) {
  page->SetFileTypes(nullptr);
  page->Items(fgVideo)[0]->setCheckState(0, Qt::Unchecked);
  DispatchAspect<TXDialogInitPageDataAspect>(page->Observable());
  DispatchAspect<TXDialogUpdatePageDataAspect>(page->Observable());
  EXPECT_EQ(page->Items(fgVideo)[0]->checkState(0), Qt::Unchecked);
  EXPECT_TRUE(types.Selected(".avi"));
}

}  // namespace
}  // namespace kova
