#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>

#include "framework/aspects.h"
#include "persistence/lg.h"
#include "recovery/recovery_aspects.h"
#include "support/test_paths.h"
#include "ui/action_frame.h"
#include "ui/finish_frame.h"
#include "ui/image_file_frame.h"
#include "ui/welcome_frame.h"
#include "ui_test_pictures.h"
#include "ui_test_skin.h"
#include "ui_test_urls.h"

namespace kova {
namespace {

// Records the actions a page sends towards the engine.
std::vector<int> SelectedActions(TXCustomFrame& frame, std::vector<int>& sink) {
  frame.Observable().AddObserver(TXHandler(&sink, "actions", [&sink](AXNotification& n) {
    if (auto* a = n.AspectAs<TXDRSelectedActionAspect>()) sink.push_back(a->Value);
  }));
  return sink;
}

TEST(WelcomePageTest, ShowsTheAboutTextAndTheSkinPictures) {
  std::unique_ptr<TXDRWelcomeFrm> page(MakeFrame<TXDRWelcomeFrm>(test::TestSkin()));
  page->show();
  EXPECT_EQ(page->AboutGroupBox().title(), "About the Program");
  EXPECT_TRUE(page->AboutLabel().text().startsWith("Velmora Kova brings back photos"));
  EXPECT_EQ(page->StartImage().Picture(), test::TestSkin().Picture(skin::kImages, "start"));
  EXPECT_EQ(page->AboutImage().Picture(), test::TestSkin().Picture(skin::kImages, "smiley"));
  EXPECT_EQ(page->StartImage().geometry(), QRect(112, 127, 400, 200));
  EXPECT_EQ(page->AboutGroupBox().geometry(), QRect(8, 12, 608, 88));
  EXPECT_EQ(page->AboutImage().geometry(), QRect(16, 30, 32, 32));
  const QRect label = page->AboutLabel().geometry();
  EXPECT_EQ(label.bottom() + 1, 88 - 4);
  EXPECT_GE(label.height(), page->AboutLabel().heightForWidth(label.width()));
}

TEST(ActionPageTest, TheChosenActionIsSentOnClickAndOnSubmit) {
  std::unique_ptr<TXDRActionFrm> page(MakeFrame<TXDRActionFrm>(test::TestSkin()));
  std::vector<int> sent;
  SelectedActions(*page, sent);
  page->show();
  EXPECT_TRUE(page->RecoverDiskBtn().isChecked());
  page->CreateDiskImageBtn().click();
  page->RecoverDiskImageBtn().click();
  page->RecoverDiskBtn().click();
  DispatchAspect<TXDialogUpdatePageDataAspect>(page->Observable());
  EXPECT_EQ(sent, (std::vector<int>{1, 2, 0, 0}));
  EXPECT_EQ(page->RecoverDiskBtn().text(), "Restore photos directly from memory card");
  EXPECT_TRUE(page->Explanation(0).font().bold());
  EXPECT_FALSE(page->Explanation(1).font().bold());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(page->InfoImage(i).Picture(), test::TestSkin().Picture(skin::kInfoImages, "info32"));
    EXPECT_EQ(page->InfoImage(i).size(), QSize(32, 32));
  }
  // Everything fits on the page, one explanation below the other.
  for (int i = 0; i < 3; ++i) {
    const QRect text = page->Explanation(i).geometry();
    EXPECT_LE(text.bottom(), page->SelectActionGroupBox().height());
    EXPECT_GE(text.height(), page->Explanation(i).heightForWidth(text.width()));
    if (i > 0) {
      EXPECT_GT(text.top(), page->Explanation(i - 1).geometry().bottom());
    }
  }
  page->Observable().RemoveObserversOf(&sent);
}

TEST(FinishPageTest, TheFolderIsShownAndOpenedUnquoted) {
  test::TempDir dir;
  const QString folder = QString::fromStdString(dir.Path().string());
  std::unique_ptr<TXDRFinishFrm> page(MakeFrame<TXDRFinishFrm>(test::TestSkin()));
  page->show();
  DispatchAspect<TXDialogInitFolderAspect>(page->Observable(), folder.toStdString());
  EXPECT_EQ(page->Folder(), folder);
  EXPECT_TRUE(page->FolderLink().text().contains(folder.section('/', -1)));
  test::OpenedUrls opened;
  page->OpenFolderBtn().click();
  emit page->FolderLink().linkActivated("folder");
  page->SetFolder('"' + folder + '"');
  EXPECT_TRUE(page->OpenFolder());
  ASSERT_EQ(opened.urls.size(), 3);
  for (const QUrl& url : opened.urls)
    EXPECT_EQ(url, QUrl::fromLocalFile(folder));
  EXPECT_EQ(page->FolderGroupBox().title(), "Files are saved to:");
  EXPECT_EQ(page->OpenFolderBtn().text(), "Open Folder");
}

TEST(FinishPageTest, TheFinishPictureOpensTheLinkOnlyWhenThereIsOne) {
  std::unique_ptr<TXDRFinishFrm> page(MakeFrame<TXDRFinishFrm>(test::TestSkin()));
  page->resize(624, 420);
  page->show();
  TXImageObject* picture = page->FinishPicture().Picture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(page->FinishPicture().size(), QSize(600, 257));
  // A shorter page shrinks the picture to the room below the folder, keeping its proportions.
  page->resize(624, 356);
  const QRect room = page->ComposablePanel().geometry();
  EXPECT_EQ(page->FinishPicture().height(), room.height());
  EXPECT_NEAR(page->FinishPicture().width(), room.height() * 600 / 257, 1);
  EXPECT_LE(room.bottom(), page->contentsRect().bottom());
  EXPECT_EQ(page->FinishImage().Picture(), test::TestSkin().Picture(skin::kImages, "arrow"));
  test::OpenedUrls opened;
  emit page->FinishPicture().Clicked();
  EXPECT_TRUE(opened.urls.isEmpty());
  page->SetFinishLink("https://www.velmora.com/kova/thanks");
  emit page->FinishPicture().Clicked();
  ASSERT_EQ(opened.urls.size(), 1);
  EXPECT_EQ(opened.urls[0].toString(), "https://www.velmora.com/kova/thanks");
}

// Puts a "Finish" document into the language while it lives.
class FinishDocument {
 public:
  explicit FinishDocument(const QByteArray& bytes) {
    TXMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_TRUE(Lg().AddDocument("Finish", ".png", stream));
  }
  ~FinishDocument() {
    TXBCollection& documents = Lg().Documents();
    documents.Delete(documents.Find("Finish")->Index());
  }
};

TEST(FinishPageTest, TheLanguagesFinishPictureComesFirstAndADamagedOneIsIgnored) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  test::PlainImage(300, 100, Qt::red).save(&buffer, "PNG");
  {
    FinishDocument document(png);
    std::unique_ptr<TXDRFinishFrm> page(MakeFrame<TXDRFinishFrm>(test::TestSkin()));
    page->resize(624, 420);
    page->show();
    ASSERT_NE(page->FinishPicture().Picture(), nullptr);
    EXPECT_EQ(page->FinishPicture().size(), QSize(300, 100));
  }
  {
    FinishDocument document(png.left(40));
    std::unique_ptr<TXDRFinishFrm> page(MakeFrame<TXDRFinishFrm>(test::TestSkin()));
    page->resize(624, 420);
    page->show();
    ASSERT_NE(page->FinishPicture().Picture(), nullptr);
    EXPECT_EQ(page->FinishPicture().size(), QSize(600, 257));
  }
}

TEST(ImageFilePageTest, TheLogFollowsTheCopyAndSavesAsUtf8WithAMark) {
  std::unique_ptr<TXDRImageFileFrm> page(MakeFrame<TXDRImageFileFrm>());
  TXObservable viewGear;
  page->Subscribe(viewGear, AspectClassOf<TXLogClearAspect>());
  page->Subscribe(viewGear, AspectClassOf<TXLogStringAspect>());
  DispatchAspect<TXLogStringAspect>(viewGear, "old line");
  DispatchAspect<TXLogClearAspect>(viewGear);
  DispatchAspect<TXLogStringAspect>(viewGear, "Creating the memory card image file café.bin");
  DispatchAspect<TXLogStringAspect>(viewGear, "Unreadable cluster 12");
  EXPECT_EQ(page->LogLines(),
            (QStringList{"Creating the memory card image file café.bin", "Unreadable cluster 12"}));
  test::TempDir dir;
  const QString file = QString::fromStdString((dir / "log.txt").string());
  QString error;
  ASSERT_TRUE(page->SaveLog(file, error)) << error.toStdString();
  QFile saved(file);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(),
            QByteArray("\xEF\xBB\xBF") +
                QString("Creating the memory card image file café.bin\r\nUnreadable cluster 12\r\n")
                    .toUtf8());
}

TEST(ImageFilePageTest, AFailedSaveSaysWhyAndKeepsTheLog) {
  std::unique_ptr<TXDRImageFileFrm> page(MakeFrame<TXDRImageFileFrm>());
  DispatchAspect<TXLogStringAspect>(page->Observable(), "keep me");
  test::TempDir dir;
  QString error;
  EXPECT_FALSE(
      page->SaveLog(QString::fromStdString((dir / "no/such/folder/log.txt").string()), error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(page->LogLines(), QStringList{"keep me"});
}

TEST(ImageFilePageTest, PageDataEnablesSavingAndTextsComeFromTheLanguage) {
  std::unique_ptr<TXDRImageFileFrm> page(MakeFrame<TXDRImageFileFrm>());
  DispatchAspect<TXDRDialogInitPageDataSaveAspect>(page->Observable(), false);
  EXPECT_FALSE(page->SaveLogBtn().isEnabled());
  DispatchAspect<TXDRDialogInitPageDataSaveAspect>(page->Observable(), true);
  EXPECT_TRUE(page->SaveLogBtn().isEnabled());
  EXPECT_EQ(page->SaveFilter(), "Text files (*.txt);;All files (*)");
  EXPECT_EQ(page->StatusGroupBox().title(), "Status");
  EXPECT_EQ(page->SaveLogBtn().text(), "Save Log");
  page->show();
  EXPECT_EQ(page->SaveLogBtn().geometry().right(), page->StatusGroupBox().width() - 8 - 1);
}

}  // namespace
}  // namespace kova
