#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>

#include "wizard_fixture.h"

namespace kova {
namespace {

using test::FakeFrame;
using test::FlowCard;
using test::TempDir;
using test::WizardTest;
using Kind = TXWizardFrameKind;
using Button = TXMessageButton;
using namespace std::chrono_literals;

class WizardEdges : public WizardTest {
 protected:
  static void SetUpTestSuite() {
    WizardTest::SetUpTestSuite();
    card_ = new FlowCard(5, 1);
  }
  static void TearDownTestSuite() { delete card_; }

  // A drive whose reads take a while, so that a scan can be caught running.
  std::unique_ptr<TXDeviceOpenerScope> SlowDrive() {
    plan_->ReadDelay = 15ms;
    return card_->AsDrive(plan_);
  }
  // Runs the loop until the results list shows a file of the running scan.
  bool WaitForFirstRow() {
    return loop.RunUntil([&] { return !Frame(Kind::fkResults).Rows.empty(); }, 60s);
  }
  // The card's next read hangs until the test lets the card go: the run cannot end before.
  void HoldTheCard() { plan_->HoldAtRead = plan_->Reads + 1; }
  void TearDown() override {
    plan_->Release();  // a run held by the card must be able to end
    WizardTest::TearDown();
  }

  static FlowCard* card_;
  std::shared_ptr<TXFaultPlan> plan_ = std::make_shared<TXFaultPlan>();
  TempDir out_;
};
FlowCard* WizardEdges::card_ = nullptr;

TEST_F(WizardEdges, CancelReturnsToWelcomeFromTheSetupPagesAndExitsFromWelcome) {
  Window().ChooseMode(true);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpAction);
  EXPECT_TRUE(Window().ClickCancel());
  EXPECT_EQ(Page(), wpWelcome);

  Window().ClickNext();
  Window().ClickNext();
  ASSERT_EQ(Page(), wpDisk);
  EXPECT_TRUE(Window().ClickCancel());
  EXPECT_EQ(Page(), wpWelcome);

  auto drive = card_->AsDrive();
  Frame(Kind::fkDisk).ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  Window().ClickNext();
  Window().ClickNext();
  ASSERT_EQ(Page(), wpFileTypes);
  EXPECT_EQ(Window().Controls["Cancel"].Caption, "Cancel");
  EXPECT_TRUE(Window().ClickCancel());
  EXPECT_EQ(Page(), wpWelcome);
  EXPECT_FALSE(Window().Closed);

  EXPECT_TRUE(Window().ClickCancel());
  EXPECT_TRUE(Window().Closed) << "Exit on the welcome page closes the window";
  EXPECT_EQ(dialogs.Count(), 0u) << "none of these pages asks";
}

TEST_F(WizardEdges, ClosingTheWindowOnTheSetupPagesAsksNothing) {
  EXPECT_TRUE(Window().Request(kActionClose));
  Window().Closed = false;
  Window().ClickNext();
  ASSERT_EQ(Page(), wpDisk);
  EXPECT_TRUE(Window().Request(kActionClose));
  EXPECT_EQ(dialogs.Count(), 0u);
}

TEST_F(WizardEdges, CancelWhileScanningAsksFirstAndThenShowsWhatWasFoundSoFar) {
  auto drive = SlowDrive();
  ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpScanning);
  ASSERT_TRUE(WaitForFirstRow());
  HoldTheCard();

  dialogs.AnswerMessage(Button::Continue);
  EXPECT_FALSE(Window().ClickCancel()) << "Continue refuses the cancel";
  EXPECT_EQ(Page(), wpScanning);
  EXPECT_TRUE(engine->WorkerGear().IsRunning());
  ASSERT_EQ(dialogs.Count(), 1u);
  EXPECT_EQ(dialogs.Questions()[0].Message.Buttons, TXMessageButtons::StopContinue);
  EXPECT_EQ(dialogs.Questions()[0].Message.Icon, TXMessageIcon::Question);

  dialogs.AnswerMessage(Button::Stop);
  EXPECT_TRUE(Window().ClickCancel());
  EXPECT_EQ(Page(), wpScanning) << "the page waits for the scan to end";
  plan_->Release();
  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_EQ(Data().Result(rkScan).Code, kErrCancelled);
  EXPECT_EQ(Window().Caption, Lg().Word(lg::kResultsIncompleteCaption));
  EXPECT_FALSE(Frame(Kind::fkResults).Rows.empty());
  EXPECT_EQ(static_cast<int32_t>(Frame(Kind::fkResults).Rows.size()), Data().FoundFiles().Count());
}

TEST_F(WizardEdges, ClosingTheWindowWhileScanningAsksTheStopQuestion) {
  auto drive = SlowDrive();
  ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_TRUE(WaitForFirstRow());
  HoldTheCard();

  dialogs.AnswerMessage(Button::Continue);
  EXPECT_FALSE(Window().Request(kActionClose));
  EXPECT_FALSE(Window().Closed);
  EXPECT_TRUE(engine->WorkerGear().IsRunning()) << "refusing keeps the scan running";

  dialogs.AnswerMessage(Button::Stop);
  EXPECT_TRUE(Window().Request(kActionClose));
  EXPECT_TRUE(Window().Closed);
  plan_->Release();
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(Data().Result(rkScan).Code, kErrCancelled) << "closing cancels the scan";
}

TEST_F(WizardEdges, TheWindowMayBeResizedAndMaximisedOnEveryPage) {
  auto drive = card_->AsDrive();
  const int checks = Window().SizeRightChecks;
  const auto resizable = [&] {
    return Window().Request(kActionSize) && Window().Request(kActionMaximize);
  };
  EXPECT_TRUE(resizable()) << "welcome";
  EXPECT_TRUE(Window().Request(kActionMinimize));
  ChooseDrive(FlowCard::kDrive);
  EXPECT_TRUE(resizable()) << "disk";
  Window().ClickNext();
  EXPECT_TRUE(resizable()) << "scanning";
  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_TRUE(resizable()) << "results";
  dialogs.AnswerFolder(out_.Path().string());
  Window().ClickNext();
  ASSERT_EQ(Page(), wpRestoring);
  EXPECT_TRUE(resizable()) << "restoring";
  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_TRUE(resizable()) << "finish";
  EXPECT_EQ(Window().SizeRightChecks, checks + 5) << "asked again on every page change";
}

TEST_F(WizardEdges, GoingToTheCurrentPageDoesNotEnterItAgain) {
  int changes = 0;
  Pages().AddObserver(AspectClassOf<TXWizardPageChangedAspect>(),
                      TXHandler(&changes, "count", [&](AXNotification&) { ++changes; }));
  FakeFrame& welcome = Frame(Kind::fkWelcome);
  const int shown = welcome.ShowCount;
  Window().Caption.clear();
  Pages().GoTo(wpWelcome);
  Pages().GoTo(wpNone);
  EXPECT_EQ(Page(), wpWelcome);
  EXPECT_EQ(welcome.ShowCount, shown);
  EXPECT_EQ(Window().Caption, "") << "nothing announced again";
  EXPECT_EQ(changes, 0);
  Pages().GoTo(wpDisk);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(welcome.Visible);
  EXPECT_EQ(welcome.Submits, 1) << "the page left hands its data over";
  Pages().RemoveObserversOf(&changes);
}

TEST_F(WizardEdges, AScanThatFindsNothingReturnsToTheActionPage) {
  FlowCard empty(0, 0);
  auto drive = empty.AsDrive();
  ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_TRUE(WaitForPage(wpAction));
  EXPECT_EQ(Data().Result(rkScan).Code, kErrNone);
  ASSERT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kNothingFound)});
  EXPECT_EQ(dialogs.Questions()[0].Message.Icon, TXMessageIcon::Warning);
  EXPECT_EQ(Window().Caption, Lg().Word(lg::kActionPageCaption));
  EXPECT_FALSE(engine->WorkerGear().Data().DiskIO.IsOpen()) << "the action page lets the card go";
}

TEST_F(WizardEdges, ADriveThatCannotBeReadKeepsTheImageFileDiskPageAndSaysWhy) {
  Window().ChooseMode(true);
  Window().ClickNext();
  Frame(Kind::fkAction).ChooseAction(saCreateImageFile);
  dialogs.AnswerSaveImage((out_ / "card.bin").string());
  Window().ClickNext();
  ASSERT_EQ(Page(), wpImageFileDisk);
  Frame(Kind::fkDisk).ChooseDrive("/dev/kova-flow-missing", 0, 1);
  Window().ClickNext();
  EXPECT_EQ(Page(), wpImageFileDisk);
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kDriveGone)});
  EXPECT_FALSE(engine->WorkerGear().IsRunning());
  EXPECT_EQ(Data().Disk.Drive, "/dev/kova-flow-missing");
  EXPECT_EQ(Data().Disk.NotReady, 1);
}

TEST_F(WizardEdges, ACancelledFileDialogKeepsTheActionPageAndTheName) {
  Data().ImageFileName = (out_ / "earlier.bin").string();
  Window().ChooseMode(true);
  Window().ClickNext();
  Frame(Kind::fkAction).ChooseAction(saCreateImageFile);
  Window().ClickNext();  // the save dialog is cancelled
  EXPECT_EQ(Page(), wpAction);
  EXPECT_EQ(Data().ImageFileName, (out_ / "earlier.bin").string());
  ASSERT_EQ(dialogs.QuestionsOf(test::ScriptedDialogs::Kind::SaveImage).size(), 1u);
  EXPECT_EQ(dialogs.QuestionsOf(test::ScriptedDialogs::Kind::SaveImage)[0].FileName,
            Data().ImageFileName)
      << "the dialog proposes the last name";

  Frame(Kind::fkAction).ChooseAction(saParseImageFile);
  Window().ClickNext();  // the open dialog is cancelled
  EXPECT_EQ(Page(), wpAction);
  EXPECT_EQ(Data().SourceKind, skImageFile);
}

TEST_F(WizardEdges, TheResultsPageWantsACheckedFileAndAFolderOffTheSource) {
  // The card read through its image file as the drive: a folder beside it is on the source.
  ChooseDrive(card_->Image());
  ScanToResults();
  for (int32_t i = 0; i < Data().FoundFiles().Count(); ++i)
    Data().FoundFiles()[i]->Checked = false;
  Window().ClickNext();
  EXPECT_EQ(Page(), wpImages);
  EXPECT_EQ(dialogs.MessageTexts(),
            std::vector<std::string>{"Please select at least one file to restore!"});

  TXDRFileItem& chosen = *Data().FoundFiles()[1];
  chosen.Checked = true;
  Window().ClickNext();  // the folder dialog is cancelled
  EXPECT_EQ(Page(), wpImages);

  dialogs.AnswerFolder((out_ / "beside the card").string());
  Window().ClickNext();
  EXPECT_EQ(Page(), wpImages);
  EXPECT_NE(dialogs.MessageTexts().back().find(Lg().Word(lg::kSameDriveAsSource)),
            std::string::npos);

  const std::filesystem::path elsewhere =
      std::filesystem::path("/dev/shm") / ("kova-flow-" + std::to_string(::getpid()));
  struct stat shm {
  }, tmp{};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(out_.Path().c_str(), &tmp) != 0 ||
      shm.st_dev == tmp.st_dev)
    GTEST_SKIP() << "no second file system (/dev/shm) to restore onto";
  dialogs.AnswerFolder(elsewhere.string());
  Window().ClickNext();
  ASSERT_EQ(Page(), wpRestoring);
  ASSERT_TRUE(WaitForPage(wpFinish));
  std::vector<std::string> restored;
  for (const auto& entry : std::filesystem::directory_iterator(elsewhere))
    restored.push_back(entry.path().filename().string());
  std::filesystem::remove_all(elsewhere);
  EXPECT_EQ(restored, std::vector<std::string>{chosen.Name}) << "only the checked file";
}

TEST_F(WizardEdges, LeavingTheResultsAsksAndNeedsTheConfirmation) {
  auto drive = card_->AsDrive();
  ChooseDrive(FlowCard::kDrive);
  ScanToResults();
  dialogs.AnswerMessage(Button::Back);
  EXPECT_FALSE(Window().ClickCancel());
  dialogs.AnswerMessage(Button::Exit, false);
  EXPECT_FALSE(Window().ClickCancel()) << "Exit without the confirmation stays";
  dialogs.AnswerMessage(Button::Back, true);
  EXPECT_FALSE(Window().Request(kActionClose));
  EXPECT_FALSE(Window().Closed);
  EXPECT_EQ(Page(), wpImages);

  const auto questions = dialogs.Questions();
  ASSERT_EQ(questions.size(), 3u);
  EXPECT_EQ(questions[0].Message.Text, Lg().Word(lg::kExitQuestion));
  EXPECT_EQ(questions[0].Message.CheckText, Lg().Word(lg::kExitConfirmation));
  EXPECT_EQ(questions[0].Message.Buttons, TXMessageButtons::BackExit);
  EXPECT_EQ(questions[0].Message.Icon, TXMessageIcon::Warning);

  dialogs.AnswerMessage(Button::Exit, true);
  EXPECT_TRUE(Window().ClickCancel());
  EXPECT_TRUE(Window().Closed) << "confirmed: the program ends";
}

TEST_F(WizardEdges, AScanOfAVanishingDriveReturnsToTheDiskPageAfterTheMessage) {
  plan_->VanishAfterReads = 2;
  auto drive = card_->AsDrive(plan_);
  ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_TRUE(WaitForPage(wpDisk));
  EXPECT_EQ(Data().Result(rkScan).Code, kErrNotReady);
  ASSERT_FALSE(dialogs.Questions().empty());
  EXPECT_EQ(dialogs.Questions().back().Message.Text, Lg().Word(lg::kDiskDisconnected));
  EXPECT_EQ(dialogs.Questions().back().Message.Icon, TXMessageIcon::Error);
}

TEST_F(WizardEdges, ARestoreFromAVanishingDriveReturnsToTheResultsAfterTheMessage) {
  auto drive = card_->AsDrive(plan_);
  ChooseDrive(FlowCard::kDrive);
  ScanToResults();
  plan_->VanishAfterReads = plan_->Reads.load();
  dialogs.AnswerFolder(out_.Path().string());
  Window().ClickNext();
  ASSERT_EQ(Page(), wpRestoring);
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(Page(), wpImages);
  EXPECT_EQ(Data().Result(rkRestore).Code, kErrNotReady);
  EXPECT_EQ(dialogs.MessageTexts().back(), Lg().Word(lg::kDiskDisconnected));
}

TEST_F(WizardEdges, FilesThatCannotBeWrittenEndOnTheFinishPageWithoutTheCardMessage) {
  auto drive = card_->AsDrive(plan_);
  ChooseDrive(FlowCard::kDrive);
  ScanToResults();
  dialogs.AnswerFolder(out_.Path().string());
  // No file of the process may grow beyond one byte while the files are written.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  rlimit tiny = previous;
  tiny.rlim_cur = 1;
  ::setrlimit(RLIMIT_FSIZE, &tiny);
  Window().ClickNext();
  const bool ended = WaitForPage(wpFinish);
  ::setrlimit(RLIMIT_FSIZE, &previous);
  ASSERT_TRUE(ended);
  EXPECT_EQ(Data().Result(rkRestore).Code, kErrWrite);
  EXPECT_EQ(Window().Caption, Lg().Word(lg::kRestorePartlyCaption) + "!");
  for (const std::string& text : dialogs.MessageTexts())
    EXPECT_NE(text, Lg().Word(lg::kDiskDisconnected)) << "the card did not go";
}

TEST_F(WizardEdges, CancelWhileRestoringAsksFirstAndTheFinishPageSaysSo) {
  auto drive = card_->AsDrive(plan_);
  ChooseDrive(FlowCard::kDrive);
  ScanToResults();
  HoldTheCard();
  dialogs.AnswerFolder(out_.Path().string());
  Window().ClickNext();
  ASSERT_EQ(Page(), wpRestoring);
  plan_->WaitUntilHeld();
  const size_t asked = dialogs.Count();

  dialogs.AnswerMessage(Button::Continue);
  EXPECT_FALSE(Window().Request(kActionClose)) << "closing asks the stop question too";
  EXPECT_TRUE(engine->WorkerGear().IsRunning());
  dialogs.AnswerMessage(Button::Stop);
  EXPECT_TRUE(Window().ClickCancel());
  ASSERT_EQ(dialogs.Count(), asked + 2);
  EXPECT_EQ(dialogs.Questions().back().Message.Buttons, TXMessageButtons::StopContinue);
  plan_->Release();
  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_EQ(Data().Result(rkRestore).Code, kErrCancelled);
  EXPECT_EQ(Window().Caption, Lg().Word(lg::kRestoreFailedCaption) + "!");
  EXPECT_TRUE(Window().Request(kActionClose)) << "the finish page lets the window go";
  EXPECT_EQ(dialogs.Count(), asked + 2);
}

TEST_F(WizardEdges, AStoppedImageCopyEndsOnItsFinishPage) {
  auto drive = SlowDrive();
  Window().ChooseMode(true);
  Window().ClickNext();
  Frame(Kind::fkAction).ChooseAction(saCreateImageFile);
  dialogs.AnswerSaveImage((out_ / "card.bin").string());
  Window().ClickNext();
  Frame(Kind::fkDisk).ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpImageFile);
  ASSERT_TRUE(loop.RunUntil([&] { return Window().ProgressPosition > 0; }, 60s));
  HoldTheCard();
  dialogs.AnswerMessage(Button::Stop);
  EXPECT_TRUE(Window().ClickCancel());
  plan_->Release();
  ASSERT_TRUE(WaitForPage(wpImageFileFinish));
  EXPECT_EQ(Data().Result(rkImageFile).Code, kErrCancelled);
  EXPECT_EQ(Window().Caption, Lg().Word(lg::kImageStoppedCaption) + "!");
  const std::vector<std::string>& log = Frame(Kind::fkImageFile).Log;
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], Lg().Word(lg::kImageLogStopped));
  EXPECT_NE(log.back().find((out_ / "card.incomplete.bin").string()), std::string::npos)
      << "the last line says where the copy so far is kept";
  EXPECT_FALSE(std::filesystem::exists(out_ / "card.bin"));
}

}  // namespace
}  // namespace kova
