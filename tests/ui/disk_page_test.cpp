#include <gtest/gtest.h>

#include <QTimer>
#include <cerrno>

#include "storage/disk_aspect.h"
#include "support/faulty_device.h"
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
        sent.push_back({disk->Drive, disk->Size, disk->NotReady});
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
    friend bool operator==(const Sent&, const Sent&) = default;
  };

  test::FakeDrives drives;
  std::unique_ptr<TXDRDiskFrm> page;
  std::vector<Sent> sent;
};

TEST_F(DiskPageTest, NothingIsSentWhileThePageIsMadeAndTheChoiceGoesOutWhenShown) {
  MakePage();
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(page->DriveBox().SelectedRoot().toStdString(), drives.Dev("sda2"));
  page->show();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Sent{drives.Dev("sda2"), 0, 0}));
  EXPECT_EQ(page->SelectDriveGroupBox().title(), "Select the drive of your memory card or camera");
  EXPECT_EQ(page->RefreshDrivesBtn().text(), "Refresh Drives");
}

TEST_F(DiskPageTest, ADriveThatReportsItsSizeHidesTheSizeGroup) {
  MakePage();
  page->show();
  sent.clear();
  Choose("sdb");
  EXPECT_TRUE(page->SizeGroupBox().isHidden());
  EXPECT_FALSE(page->NotReady());
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (Sent{drives.Dev("sdb"), 0, 0}));
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
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sdc"), 5046796288, 0}));
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

TEST_F(DiskPageTest, ADriveWeMayNotReadSaysHowToGetAccess) {
  auto plan = std::make_shared<TXFaultPlan>();
  plan->OpenError = EACCES;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(drives.Dev("sdb"), drives.Dev("sdb"), plan));
  MakePage();
  page->show();
  EXPECT_TRUE(page->PermissionPanel().isHidden());
  Choose("sdb");
  EXPECT_TRUE(page->NotReady());
  EXPECT_TRUE(page->NoPermission());
  EXPECT_FALSE(page->PermissionPanel().isHidden());
  EXPECT_TRUE(page->PermissionLabel().text().contains("sudo usermod -aG disk $USER"));
  EXPECT_TRUE(page->SizeGroupBox().isHidden());
  EXPECT_TRUE(page->SizeEdit().text().isEmpty());
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sdb"), 0, 1}));
  Choose("sda2");
  EXPECT_TRUE(page->PermissionPanel().isHidden());
  EXPECT_EQ(sent.back(), (Sent{drives.Dev("sda2"), 0, 0}));
}

TEST_F(DiskPageTest, ADriveThatIsGoneIsNotReadyWithoutThePermissionMessage) {
  MakePage();
  page->show();
  std::filesystem::remove(drives.Dev("sdb"));
  Choose("sdb");
  EXPECT_TRUE(page->NotReady());
  EXPECT_FALSE(page->NoPermission());
  EXPECT_TRUE(page->PermissionPanel().isHidden());
  EXPECT_EQ(sent.back().NotReady, 1);
}

TEST_F(DiskPageTest, RefreshSelectsTheSecondEntryOnlyWhenThereAreSeveral) {
  MakePage();
  page->show();
  drives.Disk("sdd", kCard, true, "Camera");
  sent.clear();
  page->RefreshDrivesBtn().click();
  EXPECT_EQ(page->DriveBox().count(), 4);
  EXPECT_EQ(page->DriveBox().currentIndex(), 1);
  EXPECT_EQ(page->DriveBox().SelectedRoot().toStdString(), drives.Dev("sda2"));
  ASSERT_EQ(sent.size(), 1u);

  test::FakeDrives single;
  single.Disk("sdb", kCard, true, "SD Reader");
  std::unique_ptr<TXDRDiskFrm> lonely(
      MakeFrame<TXDRDiskFrm>(test::TestSkin(), nullptr, nullptr, single.Paths()));
  lonely->RefreshDrives();
  EXPECT_EQ(lonely->DriveBox().count(), 1);
  EXPECT_EQ(lonely->DriveBox().currentIndex(), 0);
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
