#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>

#include "storage/device_access.h"
#include "wizard_fixture.h"

// The drive a user may not open: the disk page's Start unlocks it through the system's disk
// service (a scripted one here), and a refusal is told as what it is.
namespace kova {
namespace {

using test::FakeButton;
using test::FlowCard;
using test::WizardTest;

// A disk service that hands over the card's image when the user agrees.
class ScriptedBroker final : public IXDeviceAccessBroker {
 public:
  explicit ScriptedBroker(std::string image) : image_(std::move(image)) {}

  TXAccessGrant Grant(const std::string&, TXAccessPrompt prompt) override {
    std::lock_guard lock(mutex_);
    prompts.push_back(prompt);
    const TXAccessRefusal answer = prompt == TXAccessPrompt::apNever ? quietAnswer : askedAnswer;
    if (answer != TXAccessRefusal::arNone) return {-1, answer, "refused here"};
    return {::open(image_.c_str(), O_RDONLY | O_CLOEXEC), TXAccessRefusal::arNone, {}};
  }
  TXAccessGrant LastRefusal(const std::string&) const override { return {}; }

  std::vector<TXAccessPrompt> Prompts() {
    std::lock_guard lock(mutex_);
    return prompts;
  }

  TXAccessRefusal quietAnswer = TXAccessRefusal::arNeedsPassword;
  TXAccessRefusal askedAnswer = TXAccessRefusal::arNone;

 private:
  std::mutex mutex_;
  std::string image_;
  std::vector<TXAccessPrompt> prompts;
};

class WizardAccess : public WizardTest {
 protected:
  static void SetUpTestSuite() {
    WizardTest::SetUpTestSuite();
    card_ = new FlowCard(3, 1);
  }
  static void TearDownTestSuite() { delete card_; }

  WizardAccess() { locked_->OpenError = EACCES; }

  static FlowCard* card_;
  std::shared_ptr<TXFaultPlan> locked_ = std::make_shared<TXFaultPlan>();
  std::unique_ptr<TXDeviceOpenerScope> drive_ = card_->AsDrive(locked_);
  std::shared_ptr<ScriptedBroker> broker_ = std::make_shared<ScriptedBroker>(card_->Image());
  TXDeviceAccessBrokerScope brokerScope_{broker_};
};
FlowCard* WizardAccess::card_ = nullptr;

TEST_F(WizardAccess, StartUnlocksALockedDriveAndTheScanReadsIt) {
  ChooseDrive(FlowCard::kDrive);
  ScanToResults();
  EXPECT_EQ(Data().Result(rkScan).Code, kErrNone);
  EXPECT_EQ(Frame(TXWizardFrameKind::fkResults).Rows.size(), 3u);
  const std::vector<TXAccessPrompt> prompts = broker_->Prompts();
  ASSERT_GE(prompts.size(), 2u);
  EXPECT_EQ(prompts[0], TXAccessPrompt::apNever) << "first the page only looks";
  EXPECT_EQ(prompts[1], TXAccessPrompt::apAsk) << "then Start lets the system ask the user";
  EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(WizardAccess, AnUnlockTheUserDeclinesKeepsTheDiskPageAndSaysSo) {
  broker_->askedAnswer = TXAccessRefusal::arDismissed;
  ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  EXPECT_EQ(Page(), wpDisk);
  EXPECT_FALSE(engine->WorkerGear().IsRunning());
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kDriveUnlockDismissed)});
  broker_->askedAnswer = TXAccessRefusal::arNotAuthorized;
  Window().ClickNext();
  EXPECT_EQ(dialogs.MessageTexts().back(), Lg().Format(lg::kDriveRefused, {"refused here"}));
  EXPECT_EQ(Page(), wpDisk);
}

TEST_F(WizardAccess, StartIsOfferedOnlyForADriveThatCanBeReadOrUnlocked) {
  const FakeButton& start = Window().Controls["Next"];
  ChooseDrive("");
  EXPECT_EQ(start.Caption, Lg().Word(lg::kStartCaption));
  EXPECT_FALSE(start.Enabled) << "no drive";
  Frame(TXWizardFrameKind::fkDisk).ChooseDrive(FlowCard::kDrive, 0, 1);
  EXPECT_FALSE(start.Enabled) << "a drive that is gone or empty";
  Frame(TXWizardFrameKind::fkDisk).ChooseLockedDrive(FlowCard::kDrive);
  EXPECT_TRUE(start.Enabled) << "Start unlocks a locked drive";
  Frame(TXWizardFrameKind::fkDisk).ChooseDrive(FlowCard::kDrive);
  EXPECT_TRUE(start.Enabled);
}

TEST_F(WizardAccess, WithoutAChosenDriveStartSaysSo) {
  ChooseDrive("");
  Window().ClickNext();
  EXPECT_EQ(Page(), wpDisk);
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kDriveNoneChosen)});
}

TEST_F(WizardAccess, AScanRefusedForLackOfPermissionSaysSoAndNotThatTheCardWasRemoved) {
  broker_->quietAnswer = TXAccessRefusal::arNone;           // readable while the page looks
  broker_->askedAnswer = TXAccessRefusal::arNotAuthorized;  // refused when the scan opens it
  ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpScanning);
  ASSERT_TRUE(WaitForPage(wpDisk));
  EXPECT_EQ(Data().Result(rkScan).Code, kErrAccessDenied);
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kRunAccessDenied)});
}

}  // namespace
}  // namespace kova
