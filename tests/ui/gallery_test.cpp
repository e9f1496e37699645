#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cerrno>

#include "framework/aspects.h"
#include "support/faulty_device.h"
#include "support/test_paths.h"
#include "ui/about_dialog.h"
#include "ui/action_frame.h"
#include "ui/application_look.h"
#include "ui/disk_frame.h"
#include "ui/disk_sizes.h"
#include "ui/file_types_frame.h"
#include "ui/finish_frame.h"
#include "ui/help_dialog.h"
#include "ui/image_file_frame.h"
#include "ui/kova_main_window.h"
#include "ui/share_frame.h"
#include "ui/welcome_frame.h"
#include "ui_test_drives.h"
#include "ui_test_skin.h"

// Renders the main window with each page, as the wizard shows them, into PNG files under
// <build>/ui-review for a look by eye.
namespace kova {
namespace {

struct Buttons {
  const char* back = nullptr;
  const char* next = nullptr;
  const char* cancel = nullptr;
  bool mode = false;
};

class GalleryTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ApplyApplicationLook(*qobject_cast<QApplication*>(QCoreApplication::instance()),
                         test::TestSkin());
    RegisterShareComposition(test::TestSkin());
  }

  static void TearDownTestSuite() {
    test::TestSkin().ComposeTable().Unregister(TXComposeTable::kMain);
  }

  GalleryTest() {
    window.Subscribe(wizard);
    window.ApplySkin(test::TestSkin());
  }

  void Show(TXCustomFrame* page, const char* caption, Buttons buttons, bool progress = false) {
    pages.emplace_back(page);
    window.ShowFrame(page);
    DispatchAspect<TXWizardHeaderChangedAspect>(wizard, caption, progress ? 1 : 0);
    auto set = [&]<class A>(const char* text) {
      DispatchAspect<A>(wizard, "", text ? text : "", true, text != nullptr);
    };
    set.template operator()<TXWizardPreviousButtonChangedAspect>(buttons.back);
    set.template operator()<TXWizardNextButtonChangedAspect>(buttons.next);
    set.template operator()<TXWizardCancelButtonChangedAspect>(buttons.cancel);
    DispatchAspect<TXWizardControlChangedAspect>(wizard, "Mode", "", true, buttons.mode);
    window.show();
    QCoreApplication::processEvents();
  }

  static void Save(QWidget& widget, const char* name) {
    const QString folder = QString::fromStdString((test::BinaryDir() / "ui-review").string());
    QDir().mkpath(folder);
    EXPECT_TRUE(widget.grab().save(folder + "/" + name + ".png"));
  }
  void Save(const char* name) { Save(window, name); }

  TXKovaFrm window;
  TXObservable wizard;
  std::vector<std::unique_ptr<TXCustomFrame>> pages;
};

TEST_F(GalleryTest, WelcomePage) {
  Show(MakeFrame<TXDRWelcomeFrm>(test::TestSkin()), "Velmora Kova 7",
       {nullptr, "Start >", "Exit", true});
  Save("welcome");
}

TEST_F(GalleryTest, WelcomePageInALargerWindow) {
  Show(MakeFrame<TXDRWelcomeFrm>(test::TestSkin()), "Velmora Kova 7",
       {nullptr, "Start >", "Exit", true});
  window.resize(900, 600);
  QCoreApplication::processEvents();
  Save("welcome_wide");
}

TEST_F(GalleryTest, ActionPage) {
  Show(MakeFrame<TXDRActionFrm>(test::TestSkin()), "What would you like to do?",
       {"< Back", "Next >", "Cancel"});
  Save("action");
}

TEST_F(GalleryTest, FinishPage) {
  auto* page = MakeFrame<TXDRFinishFrm>(test::TestSkin());
  Show(page, "Your files have been restored!", {nullptr, nullptr, "Close"});
  page->SetFolder("/home/anna/Pictures/Recovered from the SD card of the holiday camera");
  Save("finish");
}

TEST_F(GalleryTest, ImageFilePage) {
  auto* page = MakeFrame<TXDRImageFileFrm>();
  Show(page, "Creating the memory card image file...", {nullptr, nullptr, "Stop"}, true);
  DispatchAspect<TXProgressChangedAspect>(wizard, 420);
  for (const char* line : {"Creating the memory card image file /home/anna/card.bin",
                           "Unreadable cluster 1536", "Unreadable clusters 2048 - 2055",
                           "Skipped clusters 2048 - 2055", "Last cluster written 3071"})
    DispatchAspect<TXLogStringAspect>(page->Observable(), line);
  Save("image_file");
}

// A machine with a system disk, a card reader with a card, and an old reader that does not tell
// the card's size.
void BuildDrives(test::FakeDrives& drives) {
  drives.Disk("sda", 256 * kGiB, false, "Samsung SSD 860");
  drives.Partition("sda", "sda1", kGiB);
  drives.Partition("sda", "sda2", 255 * kGiB);
  drives.Disk("sdb", 8 * kMiB, true, "Generic SD Reader");
  drives.Partition("sdb", "sdb1", 8 * kMiB);
  drives.Disk("sdc", 0, true, "Old Reader");
}

TXDRDiskFrm* ShowDrive(TXDRDiskFrm* page, const std::string& device) {
  page->DriveBox().setCurrentIndex(
      page->DriveBox().findText(QString::fromStdString(device), Qt::MatchContains));
  return page;
}

TEST_F(GalleryTest, DiskPage) {
  test::FakeDrives drives;
  BuildDrives(drives);
  auto* page = MakeFrame<TXDRDiskFrm>(test::TestSkin(), nullptr, nullptr, drives.Paths());
  Show(ShowDrive(page, drives.Dev("sdb")), "Select your memory card",
       {"< Back", "Start >", "Cancel"});
  Save("disk");
}

TEST_F(GalleryTest, DiskPageAskingForTheSize) {
  test::FakeDrives drives;
  BuildDrives(drives);
  auto* page = MakeFrame<TXDRDiskFrm>(test::TestSkin(), nullptr, nullptr, drives.Paths());
  Show(ShowDrive(page, drives.Dev("sdc")), "Select your memory card",
       {"< Back", "Next >", "Cancel"});
  Save("disk_size");
}

TEST_F(GalleryTest, DiskPageWithoutReadAccess) {
  test::FakeDrives drives;
  BuildDrives(drives);
  auto plan = std::make_shared<TXFaultPlan>();
  plan->OpenError = EACCES;
  TXDeviceOpenerScope scope(FaultyDeviceOpener(drives.Dev("sdb"), drives.Dev("sdb"), plan));
  auto* page = MakeFrame<TXDRDiskFrm>(test::TestSkin(), nullptr, nullptr, drives.Paths());
  Show(ShowDrive(page, drives.Dev("sdb")), "Select your memory card",
       {"< Back", "Start >", "Cancel"});
  Save("disk_permission");
}

TEST_F(GalleryTest, FileTypesPage) {
  auto* page = MakeFrame<TXDRFileTypesFrm>(test::TestSkin());
  Show(page, "Choose the file types to look for", {"< Back", "Start >", "Cancel"});
  Save("file_types");
}

// The About box with the product text the application composes.
TEST_F(GalleryTest, AboutBox) {
  TXAboutDialog dialog;
  dialog.Options().Product.SetSkin(&test::TestSkin());
  dialog.Options().ShowUpdates = true;
  dialog.Options().Compose = [](IXComposer& composer) {
    composer.Restart();
    composer.AddText("Velmora Kova", TXComposeStyle::csTitle);
    composer.NewLine();
    composer.AddText("for damaged Memory Cards");
    composer.NewLine();
    composer.AddText("(Version: 7.0.0.1)");
    composer.NewLine();
    composer.AddText("\u00A9 2026");
    composer.NewLine();
    composer.AddText("Velmora Software, ");
    composer.AddLink("www.velmora.com", "https://www.velmora.com");
    composer.NewLine();
    composer.AddLink("Home page", "https://www.velmora.com/kova");
    composer.AddText(" / ");
    composer.AddActionLink("Support", kActionSupport);
    composer.Finish();
  };
  QTimer::singleShot(0, [&] {
    Save(*dialog.Form(), "about");
    dialog.Close(drClosed);
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
}

TEST_F(GalleryTest, HelpWindow) {
  TXHelpDialog dialog;
  dialog.LoadDocument("kovahelp");
  QTimer::singleShot(0, [&] {
    Save(*dialog.Form(), "help");
    dialog.Close(drClosed);
  });
  EXPECT_EQ(dialog.Execute(), drClosed);
}

}  // namespace
}  // namespace kova
