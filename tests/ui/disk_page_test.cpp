#include <gtest/gtest.h>

#include <QTimer>
#include <cerrno>

#include "drives/drive_services.h"
#include "storage/disk_aspect.h"
#include "support/faulty_device.h"
#include "support/udisks_fixture.h"
#include "ui/disk_frame.h"
#include "ui/disk_sizes.h"
#include "ui_test_drives.h"
#include "ui_test_skin.h"

namespace kova {
namespace {

constexpr int64_t kCard = 4 * kMiB;

TEST(DiskSizesTest, PredefinedAndCustomSizes) {
  auto sizes = PredefinedSizes();
  ASSERT_EQ(sizes.size(), 18u);
  EXPECT_STREQ(sizes[12].Caption, "4.7 GB");
  EXPECT_EQ(sizes[12].MiB * kMiB, 5046796288);
  EXPECT_EQ(sizes.back().MiB, 131072);
  const QLocale english(QLocale::English);
  EXPECT_EQ(CustomSizeBytes("1.5", true, english), 2 * kGiB);
  EXPECT_EQ(CustomSizeBytes("2.5", true, english), 2 * kGiB);
  EXPECT_EQ(CustomSizeBytes("3.5", true, english), 4 * kGiB);
  EXPECT_EQ(CustomSizeBytes(" 700 ", false, english), 700 * kMiB);
  EXPECT_EQ(CustomSizeBytes("1,5", true, QLocale(QLocale::German)), 2 * kGiB);
  EXPECT_EQ(CustomSizeBytes("1.5", true, QLocale(QLocale::German)), 2 * kGiB);
}

TEST(DiskSizesTest, TextThatIsNoUsableSizeCountsAsZero) {
  const QLocale english(QLocale::English);
  for (const char* text : {"", "eight", "-4", "1e30", "nan", "inf"})
    EXPECT_EQ(CustomSizeBytes(text, true, english), 0) << text;
  EXPECT_EQ(SizeEditText(0, english), "0.00");
  EXPECT_EQ(SizeEditText(3 * kGiB / 2, english), "1.50");
  EXPECT_EQ(SizeEditText(3 * kGiB / 2, QLocale(QLocale::German)), "1,50");
}

class DiskPageTest : public testing::Test {
 protected:
  DiskPageTest() {
    drives.Disk("sda", 64 * kMiB, false, "Samsung SSD");
    drives.Partition("sda", "sda2", 60 * kMiB);
    drives.Disk("sdb", kCard, true, "SD Reader");
  }

  // Makes the page and records every disk choice it sends.
  void MakePage() {
    page.reset(MakeFrame<TXDRDiskFrm>(test::TestSkin(), nullptr, nullptr, drives.Paths()));
    page->Observable().AddObserver(TXHandler(this, "disk", [this](AXNotification& n) {
      if (auto* disk = n.AspectAs<TXDiskAspect>())
        sent.push_back({disk->Drive, disk->Size, disk->NotReady, disk->Usable});
    }));
  }

  void Choose(const std::string& name) {
    const int index =
        page->DriveBox().findText(QString::fromStdString(drives.Dev(name)), Qt::MatchContains);
    ASSERT_GE(index, 0) << name;
    page->DriveBox().setCurrentIndex(index);
  }

  struct Sent {
    std::string Drive;
    int64_t Size;
    int NotReady;
    bool Usable;
    friend bool operator==(const Sent&, const Sent&) = default;
  };

  test::FakeDrives drives;
  std::unique_ptr<TXDRDiskFrm> page;
  std::vector<Sent> sent;
};

TEST_F(DiskPageTest, NothingIsSentWhileThePageIsMadeAndTheChoiceGoesOutWhenShown) {
  MakePage();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(page->DriveBox().SelectedRoot().toStdString(), drives.Dev("sdb"))
      << "the card, never the system disk";
  page->show();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Sent{drives.Dev("sdb"), 0, 0, true}));
  EXPECT_EQ(page->SelectDriveGroupBox().title(), "Select the drive of your memory card or camera");
  EXPECT_EQ(page->RefreshDrivesBtn().text(), "Refresh Drives");
}

TEST_F(DiskPageTest, ADriveThatReportsItsSizeHidesTheSizeGroup) {
  MakePage();
  page->show();
  Choose("sda2");
  sent.clear();
  Choose("sdb");
  EXPECT_TRUE(page->SizeGroupBox().isHidden());
  EXPECT_FALSE(page->NotReady());
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Sent{drives.Dev("sdb"), 0, 0, true}));
  DispatchAspect<TXDialogUpdatePageDataAspect>(page->Observable());
  EXPECT_EQ(sent.size(), 2u);
}

TEST_F(DiskPageTest, ADriveWithoutASizeAsksForOneAndSendsTheChosenSize) {
  drives.Disk("sdc", 0, true, "Old Reader");
  MakePage();
  page->show();
  Choose("sdc");
  ASSERT_FALSE(page->SizeGroupBox().isHidden());
  EXPECT_FALSE(page->NotReady());
  EXPECT_EQ(page->SizeEdit().text(), SizeEditText(0));
  sent.clear();
  page->SizeBox().setCurrentIndex(12);
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sdc"), 5046796288, 0, true}));
  page->CustomSizeBtn().click();
  EXPECT_FALSE(page->SizeBox().isEnabled());
  EXPECT_TRUE(page->SizeEdit().isEnabled());
  EXPECT_TRUE(page->MBGBComboBox().isEnabled());
  page->MBGBComboBox().setCurrentIndex(1);
  page->SizeEdit().setText(QLocale().toString(1.5));
  EXPECT_EQ(sent.back().Size, 2 * kGiB);
  page->SizeEdit().setText("not a size");
  EXPECT_EQ(sent.back().Size, 0);
  page->FixedSizeBtn().click();
  EXPECT_TRUE(page->SizeBox().isEnabled());
  EXPECT_FALSE(page->SizeEdit().isEnabled());
  EXPECT_EQ(sent.back().Size, 5046796288);
}

TEST_F(DiskPageTest, AWidePageShowsTheWholeDriveCaption) {
  MakePage();
  page->resize(1200, 420);
  page->show();
  const QRect box = page->DriveBox().geometry();
  EXPECT_GE(box.width(), page->DriveBox().sizeHint().width()) << "nothing of the caption is cut";
  EXPECT_LT(box.right(), page->RefreshDrivesBtn().geometry().left());
  page->resize(624, 420);
  EXPECT_LE(page->RefreshDrivesBtn().geometry().right(), page->SelectDriveGroupBox().width())
      << "a narrow page keeps the button in its group";
}

TEST_F(DiskPageTest, DrivesAreNamedByWhatTheyAreAndTheSystemDiskSaysSo) {
  MakePage();
  QStringList captions;
  for (int i = 0; i < page->DriveBox().count(); ++i)
    captions << page->DriveBox().itemText(i);
  EXPECT_EQ(captions,
            (QStringList{QString::fromStdString("Hard disk 64.00 MB \u2014 Samsung SSD, ATA, holds "
                                                "the system (" +
                                                drives.Dev("sda") + ")"),
                         QString::fromStdString("Partition 1 60.00 MB \u2014 holds the system (" +
                                                drives.Dev("sda2") + ")"),
                         QString::fromStdString("SD card 4.00 MB \u2014 SD Reader, USB (" +
                                                drives.Dev("sdb") + ")")}));
}

TEST_F(DiskPageTest, ADriveWeMayNotReadWithoutADiskServiceSaysWhatToDo) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->OpenError = EACCES;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(drives.Dev("sdb"), drives.Dev("sdb"), plan));
  MakePage();
  page->show();
  EXPECT_TRUE(page->NotReady());
  EXPECT_EQ(page->Access(), TXDriveAccess::daNoPermission);
  EXPECT_FALSE(page->AccessPanel().isHidden());
  EXPECT_TRUE(page->AccessLabel().text().contains("sudo apt install udisks2"));
  EXPECT_TRUE(page->SizeGroupBox().isHidden());
  EXPECT_TRUE(page->SizeEdit().text().isEmpty());
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sdb"), 0, 1, false}));
  Choose("sda2");
  EXPECT_TRUE(page->AccessPanel().isHidden());
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sda2"), 0, 0, true}));
}

TEST_F(DiskPageTest, ALockedDriveSaysGoingOnUnlocksItAndIsReadableOnceUnlocked) {
  test::PrivateBus bus;
  test::UDisksMachine machine;
  machine.CardReader("Reader", "SD Reader", "flash_sd");
  machine.Disk("sdb", drives.Dev("sdb"), kCard, "Reader");
  machine.Open(drives.Dev("sdb"), drives.Dev("sdb"), "password");
  test::FakeUDisks service(bus, machine);
  ASSERT_TRUE(service.Ready()) << bus.Problem();
  TXDriveServices services(true, bus.Address());
  auto plan = std::make_shared<TXFaultPlan>();
  plan->OpenError = EACCES;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(drives.Dev("sdb"), drives.Dev("sdb"), plan));
  MakePage();
  page->show();
  EXPECT_EQ(page->DriveBox().SelectedRoot().toStdString(), drives.Dev("sdb"));
  EXPECT_EQ(page->Access(), TXDriveAccess::daLocked);
  EXPECT_TRUE(page->AccessLabel().text().startsWith(
      "Velmora Kova needs your permission to read this drive."));
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sdb"), 0, 1, true}));
  ASSERT_FALSE(service.Calls().empty());
  for (const std::string& call : service.Calls())
    EXPECT_EQ(call, "OpenForBackup " + drives.Dev("sdb") + " quiet")
        << "looking at the drive never asks for a password";
  ASSERT_TRUE(UnlockDrive(drives.Dev("sdb")).Readable()) << "what going on does";
  page->DriveChanged();
  EXPECT_EQ(page->Access(), TXDriveAccess::daReadable);
  EXPECT_TRUE(page->AccessPanel().isHidden());
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sdb"), 0, 0, true}));
}

TEST_F(DiskPageTest, ADriveThatIsGoneOrEmptySaysSo) {
  MakePage();
  page->show();
  Choose("sda2");
  std::filesystem::remove(drives.Dev("sdb"));
  Choose("sdb");
  EXPECT_TRUE(page->NotReady());
  EXPECT_EQ(page->Access(), TXDriveAccess::daGone);
  EXPECT_TRUE(page->AccessLabel().text().startsWith("This drive is not connected any more."));
  EXPECT_EQ(sent.back().NotReady, 1);
  EXPECT_FALSE(sent.back().Usable);
  auto plan = std::make_shared<TXFaultPlan>();
  plan->OpenError = ENOMEDIUM;
  TXDeviceOpenerScope empty(FaultyDeviceOpener(drives.Dev("sda2"), drives.Dev("sda2"), plan));
  Choose("sda2");
  EXPECT_EQ(page->Access(), TXDriveAccess::daNoMedium);
  EXPECT_TRUE(page->AccessLabel().text().startsWith("There is no card in this drive."));
  EXPECT_FALSE(sent.back().Usable);
}

TEST_F(DiskPageTest, RefreshSelectsTheCardOrNothing) {
  MakePage();
  page->show();
  Choose("sda2");
  drives.Disk("sdd", kCard, true, "Camera");
  sent.clear();
  page->RefreshDrivesBtn().click();
  EXPECT_EQ(page->DriveBox().count(), 4);
  EXPECT_EQ(page->DriveBox().SelectedRoot().toStdString(), drives.Dev("sdb"));
  ASSERT_EQ(sent.size(), 1u);

  test::FakeDrives system;
  system.Disk("sda", 64 * kMiB, false, "Samsung SSD");
  system.Partition("sda", "sda2", 60 * kMiB);
  std::unique_ptr<TXDRDiskFrm> lonely(
      MakeFrame<TXDRDiskFrm>(test::TestSkin(), nullptr, nullptr, system.Paths()));
  lonely->RefreshDrives();
  EXPECT_EQ(lonely->DriveBox().count(), 2);
  EXPECT_EQ(lonely->DriveBox().currentIndex(), -1) << "never the system disk";
  EXPECT_TRUE(lonely->NotReady());
  EXPECT_TRUE(lonely->AccessPanel().isHidden());
}

TEST_F(DiskPageTest, TheCardHelpLinkShowsTheCardHelp) {
  MakePage();
  page->show();
  QString text;
  QTimer::singleShot(0, [&] {
    text = static_cast<TXHelpFrm*>(page->HelpDlg().Form())->HelpRichEdit().toPlainText();
    page->HelpDlg().Close(drClosed);
  });
  emit page->CardHelpLabel().linkActivated("help");
  EXPECT_TRUE(text.startsWith("How do I find my memory card?"));
  EXPECT_EQ(page->HelpDlg().Result(), drClosed);
}

}  // namespace
}  // namespace kova
