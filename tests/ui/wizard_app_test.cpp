#include <sys/stat.h>

#include <QAbstractButton>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/key_store.h"
#include "framework/app_engine.h"
#include "framework/aspects.h"
#include "framework/core_app.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "support/test_files.h"
#include "ui/disk_frame.h"
#include "ui/finish_frame.h"
#include "ui/images_frm.h"
#include "ui/restoring_frame.h"
#include "ui/results_intake.h"
#include "ui/results_model.h"
#include "ui_test_urls.h"
#include "wizard_app_fixture.h"

namespace kova::test {
namespace {

namespace fs = std::filesystem;
using Kind = TXWizardFrameKind;
using Asked = ScriptedDialogs::Kind;

TEST_F(WizardAppTest, TypicalPathRestoresEveryIntactFileOfTheCardByteForByte) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the restored files";
  Start();
  EXPECT_TRUE(Window().ModeComboBox().isVisible());
  const QRect placed = Window().geometry();
  ScanTheCard();

  const auto expected = card_->Expected();
  auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
  results.ShowWaitingFiles();
  EXPECT_EQ(module->Engine().DataGear().FoundFiles().Count(), static_cast<int>(expected.size()));
  EXPECT_TRUE(results.PreviewEnabled());
  EXPECT_FALSE(Window().isMaximized()) << "the window stays as the user left it";
  EXPECT_EQ(Window().geometry(), placed);
  EXPECT_EQ(Window().NextButton().text().toStdString(), Lg().Word(lg::kRestoreCaption));

  const fs::path folder = target.Path() / "photos";
  dialogs.AnswerFolder(folder.string());
  Click(Window().NextButton());
  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_EQ(Window().geometry(), placed);
  EXPECT_EQ(FolderFiles(folder), expected);
  auto& finish = Frame<TXDRFinishFrm>(Kind::fkFinish);
  EXPECT_TRUE(finish.isVisible());
  EXPECT_EQ(fs::path(finish.Folder().toStdString()), fs::path(folder.string() + "/"));
  EXPECT_EQ(dialogs.Unscripted(), 0);

  // Close on the finish page ends the program's window.
  Click(Window().CancelButton());
  ASSERT_TRUE(WaitForPage(wpWelcome));
  Click(Window().CancelButton());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Window().isVisible(); }, 60000));
}

TEST_F(WizardAppTest, TheRestoringPageSaysHowManyFilesGoWhere) {
  OtherDriveFolder target;
  if (target.Path().empty()) GTEST_SKIP() << "no second file system for the restored files";
  Start();
  ScanTheCard();
  auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
  results.ShowWaitingFiles();
  results.CheckAll(false);
  module->Engine().DataGear().FoundFiles().At(0)->Checked = true;
  // The card holds the restore's first read until the page has been read.
  plan->HoldAtRead = plan->Reads + 1;
  dialogs.AnswerFolder((target.Path() / "one").string());
  Click(Window().NextButton());
  ASSERT_TRUE(WaitForPage(wpRestoring));
  auto& restoring = Frame<TXDRRestoringFrm>(Kind::fkRestoring);
  EXPECT_TRUE(restoring.isVisible());
  EXPECT_NE(restoring.SummaryLabel().text().toStdString().find(" 1 "), std::string::npos)
      << restoring.SummaryLabel().text().toStdString();
  EXPECT_NE(restoring.SummaryLabel().text().toStdString().find(target.Path().string()),
            std::string::npos);
  plan->Release();
  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_EQ(FolderFiles(target.Path() / "one").size(), 1u);
}

TEST_F(WizardAppTest, CancelOnTheSetupPagesReturnsToTheWelcomePage) {
  Start();
  Window().ModeComboBox().setCurrentIndex(1);  // the advanced mode: every setup page
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpAction);
  Click(Window().CancelButton());
  EXPECT_EQ(Page(), wpWelcome);

  Click(Window().NextButton());
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpDisk);
  Click(Window().CancelButton());
  EXPECT_EQ(Page(), wpWelcome);

  Click(Window().NextButton());
  Click(Window().NextButton());
  ChooseCard();
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpFileTypes);
  Click(Window().CancelButton());
  EXPECT_EQ(Page(), wpWelcome);
  EXPECT_TRUE(Window().isVisible());
  EXPECT_EQ(dialogs.Count(), 0u);
}

TEST_F(WizardAppTest, CancelWhileScanningAsksThenShowsWhatWasFoundSoFar) {
  Start();
  StartSlowScanning();

  dialogs.AnswerMessage(TXMessageButton::Continue);
  Click(Window().CancelButton());
  EXPECT_EQ(Page(), wpScanning);
  EXPECT_TRUE(module->Engine().WorkerGear().IsRunning());

  // The found files as the results page has them; the data gear's list belongs to the scan
  // thread until the scan ends.
  auto& results = Frame<TXDRImagesFrm>(Kind::fkResults);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return results.Model().ItemCount() + results.Intake().WaitingCount() > 0; }, 60000));
  plan->HoldAtRead = plan->Reads + 1;  // the scan cannot end before the cancel
  dialogs.AnswerMessage(TXMessageButton::Stop);
  Click(Window().CancelButton());
  plan->Release();
  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_EQ(module->Engine().DataGear().Result(rkScan).Code, kErrCancelled);
  EXPECT_EQ(dialogs.QuestionsOf(Asked::Message).size(), 2u);
}

TEST_F(WizardAppTest, ClosingTheWindowWhileScanningAsksAndARefusalKeepsItOpen) {
  Start();
  StartSlowScanning();
  plan->HoldAtRead = plan->Reads + 1;  // the scan cannot end before the window is closed

  dialogs.AnswerMessage(TXMessageButton::Continue);
  EXPECT_FALSE(Window().close());
  QCoreApplication::processEvents();  // a close queued on the loop would happen now
  EXPECT_TRUE(Window().isVisible());
  EXPECT_TRUE(module->Engine().WorkerGear().IsRunning());

  dialogs.AnswerMessage(TXMessageButton::Stop);
  EXPECT_TRUE(Window().close());
  plan->Release();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !module->Engine().WorkerGear().IsRunning(); }, 60000));
}

TEST_F(WizardAppTest, CancelAndCloseOnTheResultsPageAskTheExitQuestion) {
  Start();
  ScanTheCard();
  dialogs.AnswerMessage(TXMessageButton::Back);
  Click(Window().CancelButton());
  EXPECT_EQ(Page(), wpImages);
  dialogs.AnswerMessage(TXMessageButton::Back);
  EXPECT_FALSE(Window().close());
  EXPECT_TRUE(Window().isVisible());
  ASSERT_EQ(dialogs.QuestionsOf(Asked::Message).size(), 2u);
  EXPECT_FALSE(dialogs.QuestionsOf(Asked::Message)[0].Message.CheckText.empty());

  // Exit with the confirmation ticked ends the program.
  dialogs.AnswerMessage(TXMessageButton::Exit, true);
  Click(Window().CancelButton());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Window().isVisible(); }, 60000));
}

TEST_F(WizardAppTest, ClosingTheWindowOnASetupPageNeedsNoQuestion) {
  Start();
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpDisk);
  EXPECT_TRUE(Window().close());
  EXPECT_FALSE(Window().isVisible());
  EXPECT_EQ(dialogs.Count(), 0u);
}

TEST_F(WizardAppTest, NoFolderChosenKeepsTheResultsAndNoFileIsWritten) {
  Start();
  ScanTheCard();
  Click(Window().NextButton());  // the folder dialog is cancelled
  EXPECT_EQ(Page(), wpImages);
  EXPECT_EQ(dialogs.QuestionsOf(Asked::Folder).size(), 1u);
  EXPECT_TRUE(module->Engine().DataGear().RestoreFolder.empty());
}

TEST_F(WizardAppTest, TheModuleAnswersHelpAboutAndSupportAndKeepsItsSettings) {
  Start();
  EXPECT_EQ(module->MainForm(), &Window());
  OpenedUrls opened;
  Click(Window().HelpButton());
  ASSERT_NE(module->HelpDlg().Form(), nullptr);
  auto* help = dynamic_cast<TXHelpFrm*>(module->HelpDlg().Form());
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_FALSE(help->HelpRichEdit().toPlainText().isEmpty());
  module->HelpDlg().Close(drClosed);

  QTimer::singleShot(0, [&] {
    auto* about = dynamic_cast<TXAboutFrm*>(module->AboutDlg().Form());
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->UpdatesBtn().isVisible());
    module->AboutDlg().Close(drClosed);
  });
  Click(Window().AboutButton());
  EXPECT_EQ(module->AboutDlg().Result(), drClosed);

  DispatchAspect<TXActionAspect>(CoreApp().Engine(), kActionSupport);
  ASSERT_EQ(opened.urls.size(), 1);
  EXPECT_EQ(opened.urls[0].toString().toStdString(), TUniQ::kSupportAddress);

  // The settings are written when the module goes, and read when it comes again.
  module->Settings().SetShowThumbnails(false);
  module.reset();
  EXPECT_TRUE(fs::exists(home / "settings.keys"));
  Start();
  EXPECT_FALSE(module->Settings().ShowThumbnails());
}

TEST_F(WizardAppTest, SupportSaysSoWhenNoBrowserCanBeStarted) {
  // Qt's offscreen platform has no way to start a browser; elsewhere a real one might open.
  if (QGuiApplication::platformName() != QLatin1String("offscreen"))
    GTEST_SKIP() << "needs the offscreen platform";
  Start();
  DispatchAspect<TXActionAspect>(CoreApp().Engine(), kActionSupport);
  const auto messages = dialogs.QuestionsOf(Asked::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].Message.Text.find(TUniQ::kSupportAddress), std::string::npos)
      << messages[0].Message.Text;
}

TEST_F(WizardAppTest, TheWindowComesBackWhereAndAsTheUserLeftIt) {
  Start();
  const QRect chosen(QPoint(30, 40), Window().minimumSize() + QSize(90, 60));
  Window().setGeometry(chosen);
  module.reset();
  Start();
  EXPECT_EQ(Window().geometry(), chosen);

  Window().showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Window().isMaximized(); }));
  module.reset();
  Start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Window().isMaximized(); }));
  EXPECT_EQ(Window().NormalGeometry(), chosen);
  module.reset();

  // A place that no screen shows any more gives the window centred at its least size.
  TXKovaIni settings;
  ASSERT_TRUE(settings.Load(TXKeyStoreFile(home / "settings.keys")));
  settings.SetWindowLeft(-50000);
  settings.SetWindowMaximized(false);
  ASSERT_TRUE(settings.Save(TXKeyStoreFile(home / "settings.keys")));
  Start();
  EXPECT_EQ(Window().size(), Window().minimumSize());
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.contains(Window().frameGeometry().center(), true));
}

TEST_F(WizardAppTest, DamagedSettingsLeaveTheDefaultsAndGoodOnesAreWrittenAtTheEnd) {
  const std::string damaged = "\x01\x02 not a key store";
  std::ofstream(home / "settings.keys") << damaged;
  Start();
  EXPECT_TRUE(module->Settings().ShowThumbnails());
  module->Settings().SetShowThumbnails(false);
  module.reset();
  TXKovaIni reread;
  EXPECT_TRUE(reread.Load(TXKeyStoreFile(home / "settings.keys")));
  EXPECT_FALSE(reread.ShowThumbnails());
}

// Whether the process holds the lock of a lock file in the folder, as the kernel's lock table
// tells (asking by taking the lock ourselves could take it from the program).
bool HoldsInstanceLock(qint64 pid, const fs::path& folder) {
  std::set<std::string> inodes;
  for (const auto& entry : fs::directory_iterator(folder)) {
    struct stat facts {};
    if (entry.is_regular_file() && ::stat(entry.path().c_str(), &facts) == 0)
      inodes.insert(":" + std::to_string(facts.st_ino) + " ");
  }
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    if (line.find(" FLOCK ") == std::string::npos) continue;
    if (line.find(" " + std::to_string(pid) + " ") == std::string::npos) continue;
    for (const std::string& inode : inodes)
      if (line.find(inode) != std::string::npos) return true;
  }
  return false;
}

// The program itself: a second start while the first runs ends at once, without a window.
TEST(WizardProgramTest, ASecondStartEndsSilentlyWhileTheFirstRuns) {
  const QString program = QStringLiteral(KOVA_TEST_BINARY_DIR "/src/app/gui/kova");
  if (!fs::exists(program.toStdString())) GTEST_SKIP() << "the kova program is not built";
  TempDir runtime;
  fs::permissions(runtime.Path(), fs::perms::owner_all, fs::perm_options::replace);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path().string()));
  environment.insert("XDG_CONFIG_HOME", QString::fromStdString((runtime / "config").string()));
  environment.insert("QT_QPA_PLATFORM", "offscreen");

  QProcess first;
  first.setProcessEnvironment(environment);
  first.start(program, {});
  ASSERT_TRUE(first.waitForStarted());
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return HoldsInstanceLock(first.processId(), runtime.Path()); }, 60000));

  QProcess second;
  second.setProcessEnvironment(environment);
  second.start(program, {QStringLiteral("--anything")});
  ASSERT_TRUE(second.waitForFinished(60000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(first.state(), QProcess::Running);

  first.terminate();
  first.waitForFinished(60000);
}

}  // namespace
}  // namespace kova::test
