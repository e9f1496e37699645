#include <algorithm>

#include "drives/drive_services.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "support/udisks_fixture.h"
#include "ui/disk_frame.h"
#include "wizard_app_fixture.h"

// The disk page of the whole program when the card may only be read through udisks2 (the fake
// service on a private bus): for each answer of polkit, Start and the page's note say the same
// thing, and Start never asks again when asking cannot help.
namespace kova {
namespace {

using test::WizardAppTest;

class WizardUDisksAccess : public WizardAppTest {
 protected:
  // The card, which open(2) refuses, is handed over by the service by the rule `access`; the
  // program then stands on the disk page with the card chosen.
  void ServeAndChooseTheCard(const std::string& access) {
    plan->OpenError = EACCES;
    machine.CardReader("Reader", "SD Reader", "flash_sd");
    machine.Disk("sdb", drives.Dev("sdb"), card_->Size(), "Reader");
    machine.Open(drives.Dev("sdb"), card_->Image(), access);
    service = std::make_unique<test::FakeUDisks>(bus, machine);
    ASSERT_TRUE(service->Ready()) << bus.Problem();
    services = std::make_unique<TXDriveServices>(true, bus.Address());
    Start();
    Click(Window().NextButton());
    ASSERT_EQ(Page(), wpDisk);
    ASSERT_EQ(Disk().DriveBox().SelectedRoot().toStdString(), drives.Dev("sdb"));
  }

  TXDRDiskFrm& Disk() const { return Frame<TXDRDiskFrm>(TXWizardFrameKind::fkDisk); }
  std::string Note() const { return Disk().AccessLabel().text().toStdString(); }
  bool StartEnabled() const { return Window().NextButton().isEnabled(); }
  long Asked() const {
    const std::vector<std::string> calls = service->Calls();
    return std::count(calls.begin(), calls.end(), "OpenForBackup " + drives.Dev("sdb") + " ask");
  }

  void TearDown() override {
    WizardAppTest::TearDown();
    services.reset();
  }

  test::PrivateBus bus;
  test::UDisksMachine machine;
  std::unique_ptr<test::FakeUDisks> service;
  std::unique_ptr<TXDriveServices> services;
};

TEST_F(WizardUDisksAccess, ALockedCardIsUnlockedByStartAndScanned) {
  ServeAndChooseTheCard("password");
  EXPECT_EQ(Note(), Lg().Word(lg::kDriveLocked));
  Click(Window().NextButton());
  EXPECT_EQ(Page(), wpScanning);
  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_EQ(Asked(), 1) << "the scan reads what Start was given";
  EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(WizardUDisksAccess, WithoutAnAgentStartAsksOnceThenIsOffNoteAndMessageAgreeing) {
  ServeAndChooseTheCard("noagent");
  EXPECT_TRUE(StartEnabled()) << "looking cannot tell that nobody could ask";
  Click(Window().NextButton());
  EXPECT_EQ(Page(), wpDisk);
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kDriveNoAgent)});
  EXPECT_FALSE(StartEnabled()) << "going on would only be refused again";
  EXPECT_EQ(Note(), Lg().Word(lg::kDriveNoAgent));
  EXPECT_EQ(Asked(), 1);
  Disk().DriveChanged();
  EXPECT_FALSE(StartEnabled()) << "looking again does not offer it again";
  Click(Disk().RefreshDrivesBtn());
  EXPECT_TRUE(StartEnabled()) << "Refresh Drives tries again (an agent may run by now)";
  EXPECT_EQ(Note(), Lg().Word(lg::kDriveLocked));
}

TEST_F(WizardUDisksAccess, APolicyThatSaysNoOffersNoStartAndNoPassword) {
  ServeAndChooseTheCard("refused");
  EXPECT_FALSE(StartEnabled());
  EXPECT_EQ(Note(), Lg().Format(lg::kDriveRefused, {"Not authorized"}));
  EXPECT_EQ(Note().find("go on again"), std::string::npos);
  EXPECT_EQ(Asked(), 0);
}

TEST_F(WizardUDisksAccess, ACancelledPasswordDialogMayBeTriedAgain) {
  ServeAndChooseTheCard("dismissed");
  Click(Window().NextButton());
  EXPECT_EQ(Page(), wpDisk);
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kDriveUnlockDismissed)});
  EXPECT_TRUE(StartEnabled()) << "the message offers to try again";
  EXPECT_EQ(Note(), Lg().Word(lg::kDriveLocked));
  Click(Window().NextButton());
  EXPECT_EQ(Asked(), 2);
}

}  // namespace
}  // namespace kova
