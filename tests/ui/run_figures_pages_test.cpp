#include <QAbstractButton>
#include <cstring>
#include <filesystem>

#include "storage/disk_info.h"
#include "support/file_size_limit.h"
#include "ui/action_frame.h"
#include "ui/finish_frame.h"
#include "ui/image_file_frame.h"
#include "ui/images_frm.h"
#include "ui/restoring_frame.h"
#include "wizard_app_fixture.h"

// The running pages tell, with real runs on a real card, how far the run is and how many files it
// has; the finish page tells how many files were saved and, when some failed, which folder and why.
namespace kova::test {
namespace {

namespace fs = std::filesystem;
using Kind = TXWizardFrameKind;

std::string Text(const QLabel& label) {
  return label.text().toStdString();
}

// Reads the label's figures now, and says whether they hold the text.
bool ShowsNow(TXRunFiguresLabel& figures, const std::string& text) {
  figures.Refresh();
  return Text(figures).find(text) != std::string::npos;
}

class RunFiguresPagesTest : public WizardAppTest {
 protected:
  std::string CardSize() const { return FormatByteSize(card_->Size()); }
};

TEST_F(RunFiguresPagesTest, TheScanningPageShowsTheSearchAndTheFilesFound) {
  // A first scan counts the card's reads from Start on; the second holds its last one, when the
  // search is under way and the files of the folders have been found, so that the page is read
  // while the scan runs however fast the machine is.
  Start();
  const int before = plan->Reads;
  ScanTheCard();
  const int scanReads = plan->Reads - before;
  module.reset();
  Start();
  plan->HoldAtRead = plan->Reads + scanReads;
  StartScanning();
  plan->WaitUntilHeld();
  auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
  EXPECT_TRUE(results.Figures().isVisible());
  EXPECT_TRUE(ShowsNow(results.Figures(), " of " + CardSize())) << Text(results.Figures());
  EXPECT_TRUE(ShowsNow(results.Figures(), "Files found: ")) << Text(results.Figures());
  EXPECT_FALSE(ShowsNow(results.Figures(), "Files found: 0")) << Text(results.Figures());

  dialogs.AnswerMessage(TXMessageButton::Stop);
  Click(Window().CancelButton());
  plan->Release();
  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_EQ(module->Engine().DataGear().Result(rkScan).Code, kErrCancelled);
  EXPECT_FALSE(results.Figures().isVisible()) << "the results page shows the preview instead";
}

TEST_F(RunFiguresPagesTest, TheScanningPageShowsItsFiguresFromTheMomentItAppears) {
  Start();
  plan->HoldAtRead = plan->Reads + 1;  // the scan waits at its first read of the card
  StartScanning();
  plan->WaitUntilHeld();
  QCoreApplication::processEvents();  // what the first painting of the page shows
  auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
  EXPECT_NE(Text(results.Figures()).find("Files found: 0"), std::string::npos)
      << "not only after the first reading of the timer: " << Text(results.Figures());
  plan->Release();
  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_EQ(module->Engine().WorkerGear().Worker().Figures().Read().Entries, 4)
      << "the folders' entries of the card's four photos (one deleted) were counted";
}

TEST_F(RunFiguresPagesTest, RestoringShowsBytesAndFilesAndTheFinishPageCountsTheSavedFiles) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the restored files";
  Start();
  ScanTheCard();
  const auto expected = card_->Expected();
  const int64_t checked = module->Engine().DataGear().FoundFiles().CheckedSize();
  plan->ReadDelay = std::chrono::milliseconds(100);
  dialogs.AnswerFolder((target.Path() / "all").string());
  Click(Window().NextButton());
  ASSERT_TRUE(WaitForPage(wpRestoring));
  auto& restoring = Frame<TXDRRestoringFrm>(Kind::fkRestoring);
  EXPECT_TRUE(restoring.Figures().isVisible());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return ShowsNow(restoring.Figures(), " of " + FormatByteSize(checked)); }, 60000))
      << Text(restoring.Figures());
  EXPECT_NE(Text(restoring.Figures()).find("Saved: "), std::string::npos);

  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_EQ(FolderFiles(target.Path() / "all"), expected);
  auto& finish = Frame<TXDRFinishFrm>(Kind::fkFinish);
  EXPECT_EQ(Text(finish.SummaryLabel()), "Files saved: " + std::to_string(expected.size()));
  EXPECT_TRUE(finish.OpenFolderBtn().isVisible());
}

TEST_F(RunFiguresPagesTest, TheFinishPageSaysHowManyFilesFailedWhereAndWhy) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the restored files";
  Start();
  ScanTheCard();
  const auto expected = card_->Expected();
  size_t largest = 0;
  for (const auto& [name, bytes] : expected)
    largest = std::max(largest, bytes.size());
  const fs::path folder = target.Path() / "some";
  dialogs.AnswerFolder(folder.string());
  {
    // Only the largest file is too big to be written.
    FileSizeLimit limit(static_cast<rlim_t>(largest - 1));
    Click(Window().NextButton());
    ASSERT_TRUE(WaitForPage(wpFinish, 20000)) << Page() << " " << dialogs.Count();
  }
  const std::string summary = Text(Frame<TXDRFinishFrm>(Kind::fkFinish).SummaryLabel());
  EXPECT_EQ(summary.rfind("Files saved: " + std::to_string(expected.size() - 1) + "\n", 0), 0u)
      << summary;
  EXPECT_NE(summary.find("1 of the checked files could not be saved to " + folder.string()),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find(std::strerror(EFBIG)), std::string::npos) << summary;
}

TEST_F(RunFiguresPagesTest, TheImagingPageShowsTheBytesCopiedAndKeepsThemWhenDone) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the image file";
  Start();
  Window().ModeComboBox().setCurrentIndex(1);
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpAction);
  Frame<TXDRActionFrm>(Kind::fkAction).CreateDiskImageBtn().click();
  dialogs.AnswerSaveImage((target.Path() / "card.bin").string());
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpImageFileDisk);
  ChooseCard();
  plan->ReadDelay = std::chrono::milliseconds(20);
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpImageFile);
  auto& imaging = Frame<TXDRImageFileFrm>(Kind::fkImageFile);
  EXPECT_TRUE(imaging.Figures().isVisible());
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return ShowsNow(imaging.Figures(), " of " + CardSize()); }, 60000))
      << Text(imaging.Figures());

  ASSERT_TRUE(WaitForPage(wpImageFileFinish));
  const std::string whole = CardSize() + " of " + CardSize();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Text(imaging.Figures()).find(whole) != std::string::npos; }, 10000))
      << Text(imaging.Figures());
}

}  // namespace
}  // namespace kova::test
