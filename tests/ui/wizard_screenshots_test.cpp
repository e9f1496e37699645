#include <QAbstractButton>
#include <QDir>
#include <QTimer>
#include <filesystem>

#include "ui/action_frame.h"
#include "ui/images_frm.h"
#include "ui/results_model.h"
#include "wizard_app_fixture.h"

// One picture of the program's window per page of the three paths, and of the results page's two
// views, the About box and the help window, for review by eye. Slow, so it runs only when asked
// for (scripts/screenshots.sh, or the target "screenshots"): under Xvfb when there is one.
namespace kova::test {
namespace {

namespace fs = std::filesystem;
using Kind = TXWizardFrameKind;

class WizardScreenshots : public WizardAppTest {
 protected:
  void SetUp() override {
    WizardAppTest::SetUp();
    const QByteArray dir = qgetenv("KOVA_SCREENSHOT_DIR");
    folder_ = dir.isEmpty() ? fs::path(KOVA_TEST_BINARY_DIR) / "screenshots" / "wizard"
                            : fs::path(dir.toStdString());
    fs::create_directories(folder_);
  }

  void Save(QWidget& widget, const std::string& name, int settleMs = 150) {
    QTest::qWait(settleMs);  // let the page settle: layouts, thumbnails, the header's artwork
    const fs::path file = folder_ / (name + ".png");
    EXPECT_TRUE(widget.grab().save(QString::fromStdString(file.string()))) << file;
  }
  void Save(const std::string& name) { Save(Window(), name); }

  void Advanced() {
    Window().ModeComboBox().setCurrentIndex(1);
    Click(Window().NextButton());
    ASSERT_EQ(Page(), wpAction);
  }

  // The results page in both views with a file selected for the preview, then restoring and the
  // finish page.
  void ResultsToFinish(const std::string& path, const fs::path& target) {
    auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
    results.ShowWaitingFiles();
    results.SelectItem(module->Engine().DataGear().FoundFiles().At(0));
    Save(path + "_4_results_thumbnails");
    results.ShowThumbnails(false);
    Save(path + "_5_results_details");
    results.ShowThumbnails(true);
    dialogs.AnswerFolder((target / path).string());
    Click(Window().NextButton());
    ASSERT_TRUE(WaitForPage(wpRestoring));
    Save(Window(), path + "_6_restoring", 0);
    ASSERT_TRUE(WaitForPage(wpFinish));
    Save(path + "_7_finish");
  }

  fs::path folder_;
};

TEST_F(WizardScreenshots, DISABLED_EveryPage) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the restored files";
  // Slow reads of the card keep the running pages up for their pictures.
  plan->ReadDelay = std::chrono::milliseconds(40);
  Start();
  Save("typical_1_welcome");

  // Typical: Welcome -> Disk -> Scanning -> Images -> Restoring -> Finish.
  Click(Window().NextButton());
  ChooseCard();
  Save("typical_2_disk");
  Click(Window().NextButton());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Frame<TXDRImagesFrm>(Kind::fkResults).Model().rowCount() > 0; }, 30000));
  Save("typical_3_scanning");
  ASSERT_TRUE(WaitForPage(wpImages));
  ResultsToFinish("typical", target.Path());
  Click(Window().CancelButton());
  ASSERT_EQ(Page(), wpWelcome);

  // Create an image file: Welcome -> Action -> Disk -> Image file -> Image file finish.
  Advanced();
  auto& action = Frame<TXDRActionFrm>(Kind::fkAction);
  action.CreateDiskImageBtn().click();
  Save("image_1_action");
  const fs::path image = target.Path() / "card.bin";
  dialogs.AnswerSaveImage(image.string());
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpImageFileDisk);
  ChooseCard();
  Save("image_2_disk");
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpImageFile);
  QTest::qWait(600);
  Save("image_3_copying");
  ASSERT_TRUE(WaitForPage(wpImageFileFinish));
  Save("image_4_finish");
  Click(Window().CancelButton());
  ASSERT_EQ(Page(), wpWelcome);

  // Parse the image file: Welcome -> Action -> File types -> Scanning -> Images -> ... Finish.
  Advanced();
  action.RecoverDiskImageBtn().click();
  Save("parse_1_action");
  dialogs.AnswerOpenImage(image.string());
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpFileTypes);
  Save("parse_2_file_types");
  Click(Window().NextButton());
  ASSERT_TRUE(WaitForPage(wpImages));
  ResultsToFinish("parse", target.Path());

  // The About box and the help window.
  QTimer::singleShot(300, [&] {
    if (QWidget* about = module->AboutDlg().Form()) Save(*about, "about");
    module->AboutDlg().Close(drClosed);
  });
  Click(Window().AboutButton());
  Click(Window().HelpButton());
  ASSERT_NE(module->HelpDlg().Form(), nullptr);
  Save(*module->HelpDlg().Form(), "help");
  module->HelpDlg().Close(drClosed);
  EXPECT_EQ(dialogs.Unscripted(), 0);
}

}  // namespace
}  // namespace kova::test
