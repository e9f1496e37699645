#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "modal_steps.h"
#include "output/image_file_commands.h"
#include "support/test_paths.h"
#include "ui/application_look.h"
#include "ui/cluster_error_frm.h"
#include "ui/qt_dialogs_file_choosers.h"
#include "ui/qt_dialogs_message_box.h"
#include "ui_test_skin.h"

// Renders the wizard's questions, as the user sees them, into PNG files under <build>/ui-review
// for a look by eye.
namespace kova {
namespace {

class QuestionsGalleryTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ApplyApplicationLook(*qobject_cast<QApplication*>(QCoreApplication::instance()),
                         test::TestSkin());
  }

  static void Save(QWidget& widget, const char* name) {
    const QString folder = QString::fromStdString((test::BinaryDir() / "ui-review").string());
    QDir().mkpath(folder);
    EXPECT_TRUE(widget.grab().save(folder + "/" + name + ".png"));
  }

  static void SaveMessage(const TXMessageRequest& request, const char* name) {
    test::WhenShown<TXMessageBoxForm>([name](TXMessageBoxForm& box) {
      Save(box, name);
      box.close();
    });
    ShowMessageBox(request, &test::TestSkin());
  }
};

TEST_F(QuestionsGalleryTest, MessageBoxes) {
  SaveMessage({"The folder /media/backup/Photos cannot be created.",
               TXMessageIcon::Warning,
               TXMessageButtons::Ok,
               {}},
              "message-warning");
  SaveMessage({"The card was removed or cannot be read any more.",
               TXMessageIcon::Error,
               TXMessageButtons::Ok,
               {}},
              "message-error");
  SaveMessage({"Do you want to stop copying the card?",
               TXMessageIcon::Question,
               TXMessageButtons::StopContinue,
               {}},
              "message-stop-question");
  SaveMessage({"No photos, videos or sounds were found on this card.",
               TXMessageIcon::Information,
               TXMessageButtons::Ok,
               {}},
              "message-information");
  SaveMessage(
      {"The files found are not restored yet. Do you really want to leave?", TXMessageIcon::Warning,
       TXMessageButtons::BackExit, "Yes, leave without restoring the files"},
      "message-exit-confirmation");
}

TEST_F(QuestionsGalleryTest, ClusterErrorForm) {
  TXDRClusterErrorQtDialog dialog;
  dialog.Options().Skin = &test::TestSkin();
  dialog.Data().FailedUnit = 65;
  dialog.Data().TotalUnits = 249856;
  dialog.Data().UnitSize = 32768;
  test::WhenShown<TXDRClusterErrorFrm>([](TXDRClusterErrorFrm& form) {
    Save(form, "cluster-error");
    form.close();
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
}

TEST_F(QuestionsGalleryTest, FileDialogs) {
  test::TempDir temp;
  std::filesystem::create_directories(temp / "Pictures/Holiday");
  test::WhenShown<TXFileChooser>([](TXFileChooser& chooser) {
    Save(chooser, "folder-chooser");
    chooser.reject();
  });
  ChooseFolder({"Select the folder for the restored files", (temp / "Pictures").string(),
                "Keep the card's folders", false});
  test::WhenShown<TXFileChooser>([](TXFileChooser& chooser) {
    Save(chooser, "save-image-file");
    chooser.reject();
  });
  ChooseSaveFile((temp / "card.bin").string(), ImageFileFilter());
}

}  // namespace
}  // namespace kova
