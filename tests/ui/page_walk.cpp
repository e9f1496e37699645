#include "page_walk.h"

#include <QAbstractButton>
#include <QApplication>

#include "app/gui/wizard_startup.h"
#include "ui/action_frame.h"
#include "ui/images_frm.h"
#include "ui/results_model.h"
#include "ui/run_figures_label.h"

namespace kova::test {

namespace fs = std::filesystem;
using Kind = TXWizardFrameKind;

void PageWalkTest::SetUpTestSuite() {
  WizardAppTest::SetUpTestSuite();
  PrepareWizardApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()), TestSkin());
}

void PageWalkTest::ChooseAdvancedAction(bool parse) {
  Window().ModeComboBox().setCurrentIndex(1);
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpAction);
  auto& action = Frame<TXDRActionFrm>(Kind::fkAction);
  (parse ? action.RecoverDiskImageBtn() : action.CreateDiskImageBtn()).click();
}

void PageWalkTest::WalkEveryPage(const fs::path& target, std::chrono::milliseconds readDelay,
                                 const TXVisit& visit) {
  plan->ReadDelay = readDelay;
  Start();
  visit("typical_1_welcome");

  // Typical: Welcome -> Disk -> Scanning -> Images -> Restoring -> Finish.
  Click(Window().NextButton());
  ChooseCard();
  visit("typical_2_disk");
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpScanning);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Frame<TXDRImagesFrm>(Kind::fkResults).Model().rowCount() > 0; }, 60000));
  visit("typical_3_scanning");
  ASSERT_TRUE(WaitForPage(wpImages));
  RestoreThePhotos("typical", target, visit);
  Click(Window().CancelButton());
  ASSERT_EQ(Page(), wpWelcome);

  // Create an image file: Welcome -> Action -> Disk -> Image file -> Image file finish.
  ChooseAdvancedAction(false);
  visit("image_1_action");
  const fs::path image = target / "card.bin";
  dialogs.AnswerSaveImage(image.string());
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpImageFileDisk);
  ChooseCard();
  visit("image_2_disk");
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpImageFile);
  visit("image_3_copying");
  ASSERT_TRUE(WaitForPage(wpImageFileFinish));
  visit("image_4_finish");
  Click(Window().CancelButton());
  ASSERT_EQ(Page(), wpWelcome);

  // Parse the image file: Welcome -> Action -> File types -> Scanning -> Images -> ... Finish.
  ChooseAdvancedAction(true);
  visit("parse_1_action");
  dialogs.AnswerOpenImage(image.string());
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpFileTypes);
  visit("parse_2_file_types");
  Click(Window().NextButton());
  ASSERT_TRUE(WaitForPage(wpImages));
  RestoreThePhotos("parse", target, visit);
}

// The results page in both views with a file selected for the preview, then restoring and the
// finish page.
void PageWalkTest::RestoreThePhotos(const std::string& path, const fs::path& target,
                                    const TXVisit& visit) {
  auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
  results.ShowWaitingFiles();
  results.SelectItem(module->Engine().DataGear().FoundFiles().At(0));
  visit(path + "_4_results_thumbnails");
  results.ShowThumbnails(false);
  visit(path + "_5_results_details");
  results.ShowThumbnails(true);
  dialogs.AnswerFolder((target / path).string());
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpRestoring);
  visit(path + "_6_restoring");
  ASSERT_TRUE(WaitForPage(wpFinish));
  visit(path + "_7_finish");
}

}  // namespace kova::test
