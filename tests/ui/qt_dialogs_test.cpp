#include "ui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <atomic>
#include <fstream>
#include <thread>

#include "framework/app_engine.h"
#include "framework/core_app.h"
#include "modal_steps.h"
#include "output/cluster_error_dialog.h"
#include "output/image_file_commands.h"
#include "support/test_paths.h"
#include "ui/cluster_error_frm.h"
#include "ui/qt_dialogs_file_choosers.h"
#include "ui/qt_dialogs_message_box.h"
#include "ui_test_skin.h"

namespace kova {
namespace {

using test::ProcessUntil;
using test::WhenShown;

QStringList ButtonTexts(const QMessageBox& box) {
  QStringList texts;
  for (QAbstractButton* button : box.buttons())
    texts << button->text();
  return texts;
}

void Click(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
}

// Types the name into the file dialog's name field and presses Return, as a user would.
void TypeName(QFileDialog& chooser, const QString& name) {
  auto* edit = chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(edit, nullptr);
  edit->setText(name);
  QTest::keyClick(edit, Qt::Key_Return);
}

class QtDialogsTest : public testing::Test {
 protected:
  // The dialogs hand questions to the application engine, which lives on this thread.
  QtDialogsTest() { CoreApp().Engine(); }

  TXQtDialogs dialogs{&test::TestSkin()};
};

TEST_F(QtDialogsTest, MessageBoxesShowTheTextTheButtonsAndAnswerTheOneClicked) {
  struct Case {
    TXMessageButtons buttons;
    QStringList captions;
    TXMessageButton clicked;
  };
  const Case cases[] = {
      {TXMessageButtons::Ok, {"OK"}, TXMessageButton::Ok},
      {TXMessageButtons::StopContinue, {"Stop", "Continue"}, TXMessageButton::Stop},
      {TXMessageButtons::StopContinue, {"Stop", "Continue"}, TXMessageButton::Continue},
      {TXMessageButtons::BackExit, {"Back", "Exit"}, TXMessageButton::Back},
      {TXMessageButtons::BackExit, {"Back", "Exit"}, TXMessageButton::Exit},
  };
  for (const Case& c : cases) {
    WhenShown<TXMessageBoxForm>([&](TXMessageBoxForm& box) {
      EXPECT_EQ(box.windowTitle(), "Velmora Kova");
      EXPECT_EQ(box.text(), "First line\nsecond line");
      EXPECT_EQ(ButtonTexts(box), c.captions);
      EXPECT_EQ(box.checkBox(), nullptr);
      Click(box.ButtonFor(c.clicked));
    });
    const TXMessageAnswer answer =
        dialogs.ShowMessage({"First line\r\nsecond line", TXMessageIcon::Warning, c.buttons, {}});
    EXPECT_EQ(answer.Button, c.clicked);
    EXPECT_FALSE(answer.Checked);
  }
}

TEST_F(QtDialogsTest, ClosingAMessageBoxAnswersTheButtonThatChangesNothing) {
  for (TXMessageButtons buttons :
       {TXMessageButtons::Ok, TXMessageButtons::StopContinue, TXMessageButtons::BackExit}) {
    WhenShown<TXMessageBoxForm>(
        [](TXMessageBoxForm& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.ShowMessage({"Stop?", TXMessageIcon::Question, buttons, {}}).Button,
              HarmlessButton(buttons));
    WhenShown<TXMessageBoxForm>([](TXMessageBoxForm& box) { box.close(); });
    EXPECT_EQ(dialogs.ShowMessage({"Stop?", TXMessageIcon::Question, buttons, {}}).Button,
              HarmlessButton(buttons));
  }
}

TEST_F(QtDialogsTest, TheConfirmationIsTickedOnlyWhenTheUserTicksIt) {
  const TXMessageRequest request{"Leave?", TXMessageIcon::Warning, TXMessageButtons::BackExit,
                                 "Yes, I am sure"};
  for (bool tick : {true, false}) {
    WhenShown<TXMessageBoxForm>([&](TXMessageBoxForm& box) {
      ASSERT_NE(box.checkBox(), nullptr);
      EXPECT_EQ(box.checkBox()->text(), "Yes, I am sure");
      EXPECT_FALSE(box.checkBox()->isChecked());
      if (tick) Click(box.checkBox());
      Click(box.ButtonFor(TXMessageButton::Exit));
    });
    const TXMessageAnswer answer = dialogs.ShowMessage(request);
    EXPECT_EQ(answer.Button, TXMessageButton::Exit);
    EXPECT_EQ(answer.Checked, tick);
  }
}

TEST_F(QtDialogsTest, EachMessageIconShowsItsOwnSkinPicture) {
  std::vector<QImage> shown;
  for (TXMessageIcon icon : {TXMessageIcon::Error, TXMessageIcon::Warning,
                             TXMessageIcon::Information, TXMessageIcon::Question}) {
    TXMessageBoxForm box({"Text", icon, TXMessageButtons::Ok, {}}, &test::TestSkin());
    const QImage image = box.iconPixmap().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 32);
    for (const QImage& other : shown)
      EXPECT_NE(image, other);
    shown.push_back(image);
  }
  TXMessageBoxForm withoutSkin({"Text", TXMessageIcon::Error, TXMessageButtons::Ok, {}}, nullptr);
  EXPECT_EQ(ButtonTexts(withoutSkin), QStringList{"OK"});
}

TEST_F(QtDialogsTest, AQuestionFromAnotherThreadWaitsForTheAnswer) {
  std::atomic<bool> answered = false;
  TXMessageAnswer answer;
  std::thread worker([&] {
    answer =
        dialogs.ShowMessage({"Stop?", TXMessageIcon::Question, TXMessageButtons::StopContinue, {}});
    answered = true;
  });
  bool clicked = false;
  WhenShown<TXMessageBoxForm>([&](TXMessageBoxForm& box) {
    // The worker is still blocked while the box is up.
    EXPECT_FALSE(answered);
    Click(box.ButtonFor(TXMessageButton::Stop));
    clicked = true;
  });
  ProcessUntil([&] { return answered.load(); });
  worker.join();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(answer.Button, TXMessageButton::Stop);
}

TEST_F(QtDialogsTest, TheClusterQuestionFromTheCopyingThreadComesBackWithTheAnswer) {
  TXDRClusterErrorDialog unit;
  unit.Reset();
  unit.FailedUnit = 65;
  unit.TotalUnits = 8192;
  unit.UnitSize = 4096;
  std::atomic<bool> answered = false;
  SetDialogs(&dialogs);
  std::thread copying([&] {
    unit.Execute();
    answered = true;
  });
  WhenShown<TXDRClusterErrorFrm>([](TXDRClusterErrorFrm& form) {
    EXPECT_EQ(form.UnitLabel().text(), "Cluster 65 of 8192 cannot be read.");
    form.SkipEdit().selectAll();
    QTest::keyClicks(&form.SkipEdit(), "3");
    Click(&form.OkBtn());
  });
  ProcessUntil([&] { return answered.load(); });
  copying.join();
  SetDialogs(nullptr);
  EXPECT_EQ(unit.Choice, ecSkipSeveral);
  EXPECT_EQ(unit.SkipCount, 3);
  EXPECT_EQ(unit.FailedUnit, 65);
}

TEST_F(QtDialogsTest, FiltersAndProposedFoldersForTheFileDialogs) {
  EXPECT_EQ(QtFileFilter("Memory card image files (*.bin)|*.bin"),
            "Memory card image files (*.bin)");
  EXPECT_EQ(QtFileFilter("Images|*.jpg;*.png|All|*"), "Images (*.jpg *.png);;All (*)");
  EXPECT_EQ(QtFileFilter("no pattern"), "");
  EXPECT_EQ(DefaultSuffix("Memory card image files (*.bin)|*.bin"), "bin");
  EXPECT_EQ(DefaultSuffix("All|*.*"), "");
  EXPECT_EQ(DefaultSuffix(""), "");
  test::TempDir temp;
  const QString folder = QString::fromStdString(temp.Path().string());
  EXPECT_EQ(ExistingFolderFor((temp / "missing/deeper/card.bin").string()), folder);
  EXPECT_EQ(ExistingFolderFor(temp.Path().string()), folder);
  EXPECT_EQ(ExistingFolderFor(""), QDir::homePath());
}

TEST_F(QtDialogsTest, TheFolderDialogAnswersTheFolderWithATrailingSlashOrNothing) {
  test::TempDir temp;
  std::filesystem::create_directory(temp / "Photos");
  const QString photos = QString::fromStdString((temp / "Photos").string());
  WhenShown<TXFileChooser>([&](TXFileChooser& chooser) {
    EXPECT_EQ(chooser.windowTitle(), "Choose a folder");
    EXPECT_EQ(chooser.directory().absolutePath(), QString::fromStdString(temp.Path().string()));
    TypeName(chooser, photos);
  });
  EXPECT_EQ(dialogs.SelectFolder({"Choose a folder", temp.Path().string(), {}, false}).Folder,
            photos.toStdString() + "/");
  WhenShown<TXFileChooser>([](TXFileChooser& chooser) {
    EXPECT_EQ(chooser.findChild<QCheckBox*>(), nullptr) << "no option asked, no box";
    chooser.reject();
  });
  EXPECT_EQ(dialogs.SelectFolder({"Choose a folder", temp.Path().string(), {}, false}).Folder, "");
}

TEST_F(QtDialogsTest, TheFolderDialogShowsItsOptionAndAnswersHowTheUserLeftIt) {
  test::TempDir temp;
  const QString folder = QString::fromStdString(temp.Path().string());
  const TXFolderRequest request{"Choose a folder", temp.Path().string(), "Keep the card's folders",
                                true};
  WhenShown<TXFileChooser>([&](TXFileChooser& chooser) {
    auto* option = chooser.findChild<QCheckBox*>(QStringLiteral("FolderOption"));
    ASSERT_NE(option, nullptr);
    EXPECT_EQ(option->text(), "Keep the card's folders");
    EXPECT_TRUE(option->isVisibleTo(&chooser));
    EXPECT_TRUE(option->isChecked());
    option->click();
    TypeName(chooser, folder);
  });
  const TXFolderAnswer unchecked = dialogs.SelectFolder(request);
  EXPECT_EQ(unchecked.Folder, folder.toStdString() + "/");
  EXPECT_FALSE(unchecked.Checked);
  WhenShown<TXFileChooser>([](TXFileChooser& chooser) { chooser.reject(); });
  EXPECT_TRUE(dialogs.SelectFolder(request).Checked) << "cancelling changes nothing";
}

TEST_F(QtDialogsTest, SavingProposesTheNameAddsTheExtensionAndAsksBeforeReplacing) {
  test::TempDir temp;
  const std::string proposed = (temp / "card.bin").string();
  WhenShown<TXFileChooser>([&](TXFileChooser& chooser) {
    EXPECT_EQ(chooser.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(chooser.nameFilters(), QStringList{"Memory card image files (*.bin)"});
    EXPECT_EQ(chooser.findChild<QLineEdit*>("fileNameEdit")->text(), "card.bin");
    TypeName(chooser, "holiday");
  });
  EXPECT_EQ(dialogs.SaveImageFile(proposed, ImageFileFilter()), (temp / "holiday.bin").string());

  std::ofstream(temp / "old.bin") << "keep";
  bool asked = false;
  WhenShown<TXFileChooser>([&](TXFileChooser& chooser) {
    WhenShown<QMessageBox>([&](QMessageBox& replace) {
      asked = true;
      Click(replace.button(QMessageBox::No));
    });
    TypeName(chooser, "old.bin");
    EXPECT_TRUE(chooser.isVisible());
    chooser.reject();
  });
  EXPECT_EQ(dialogs.SaveImageFile(proposed, ImageFileFilter()), "");
  EXPECT_TRUE(asked);
  std::ifstream kept(temp / "old.bin");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
}

TEST_F(QtDialogsTest, OpeningAcceptsOnlyAnExistingFile) {
  test::TempDir temp;
  std::ofstream(temp / "card.bin") << "image";
  WhenShown<TXFileChooser>([&](TXFileChooser& chooser) {
    EXPECT_EQ(chooser.fileMode(), QFileDialog::ExistingFile);
    QPointer<QTimer> notFound =
        WhenShown<QMessageBox>([](QMessageBox& warning) { warning.accept(); });
    TypeName(chooser, "missing.bin");
    delete notFound.data();
    TypeName(chooser, "card.bin");
  });
  // A missing name is never the answer: the dialog stays until an existing file is chosen.
  EXPECT_EQ(dialogs.OpenImageFile((temp / "card.bin").string(), ImageFileFilter()),
            (temp / "card.bin").string());
  WhenShown<TXFileChooser>([](TXFileChooser& chooser) { chooser.close(); });
  EXPECT_EQ(dialogs.OpenImageFile("", ImageFileFilter()), "");
}

}  // namespace
}  // namespace kova
