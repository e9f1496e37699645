#include "wizard_app_fixture.h"

#include <QAbstractButton>
#include <cstdlib>

#include "storage/platform_volume.h"
#include "support/test_files.h"
#include "ui/disk_frame.h"

namespace kova::test {

namespace fs = std::filesystem;

WizardCard* WizardAppTest::card_ = nullptr;

WizardCard::WizardCard()
    : WizardCard([](mkcard::CardBuilder& card) {
        EXPECT_TRUE(card.MakeFolder("DCIM").ok());
        for (int i = 1; i <= 4; ++i) {
          const std::string path = "DCIM/IMG_000" + std::to_string(i) + ".JPG";
          EXPECT_TRUE(card.WriteFile(path, Photo(640, 480, 70 + i)).ok());
        }
        EXPECT_TRUE(card.Delete("DCIM/IMG_0004.JPG").ok());
      }) {}

WizardCard::WizardCard(const std::function<void(mkcard::CardBuilder&)>& write)
    : card_(Fat32Options(40 << 20, 1)) {
  EXPECT_TRUE(card_.Formatted().ok());
  write(card_.Builder());
  EXPECT_TRUE(card_.Save().ok());
}

int64_t WizardCard::Size() const {
  return static_cast<int64_t>(fs::file_size(card_.Image()));
}

std::map<std::string, std::vector<uint8_t>> WizardCard::Expected() const {
  const std::vector<uint8_t> image = ReadFileBytes(card_.Image());
  std::map<std::string, std::vector<uint8_t>> files;
  for (const mkcard::ManifestRecord& record : Manifest().records) {
    if (record.folder || !record.intact) continue;
    std::string name = record.short_name;
    if (record.state == mkcard::EntryState::kDeleted) name[0] = '_';
    std::vector<uint8_t>& bytes = files[name];
    for (const mkcard::Extent& extent : record.extents)
      bytes.insert(bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(extent.offset),
                   image.begin() + static_cast<std::ptrdiff_t>(extent.offset + extent.size));
  }
  return files;
}

OtherDriveFolder::OtherDriveFolder() {
  char pattern[] = "/dev/shm/kova-wizard-XXXXXX";
  if (!mkdtemp(pattern)) return;
  path_ = pattern;
  if (SameDrive(path_.string(), fs::temp_directory_path().string())) {
    fs::remove_all(path_);
    path_.clear();
  }
}

OtherDriveFolder::~OtherDriveFolder() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

std::map<std::string, std::vector<uint8_t>> FolderFiles(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadFileBytes(entry.path());
  return files;
}

void WizardAppTest::SetUp() {
  drives.Disk("sda", 64 << 20, false, "Samsung SSD");
  drives.Partition("sda", "sda2", 60 << 20);
  drives.Disk("sdb", card_->Size(), true, "SD Reader");
  device = std::make_unique<TXDeviceOpenerScope>(
      FaultyDeviceOpener(drives.Dev("sdb"), card_->Image(), plan));
}

void WizardAppTest::TearDown() {
  plan->Release();  // a run held by the card must be able to end
  module.reset();
  QTest::qWait(0);
}

void WizardAppTest::Start() {
  TXAppPlace place;
  place.Store = TXKeyStoreFile(home / "settings.keys");
  place.Paths = drives.Paths();
  module = std::make_unique<TUniQ>(TestSkin(), std::move(place));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Window().isVisible(); }, 60000));
  ASSERT_EQ(Page(), wpWelcome);
}

TXKovaFrm& WizardAppTest::Window() const {
  return static_cast<TXQtWizardMainWindow*>(module->Engine().View().MainWindow())->Window();
}

TXKovaPageID WizardAppTest::Page() const {
  TXKovaWizardPageGear* pages = module->Engine().View().PageGear();
  return pages && pages->Current() ? pages->Current()->PageID : wpNone;
}

bool WizardAppTest::WaitForPage(TXKovaPageID page, int timeoutMs) const {
  return QTest::qWaitFor([&] { return Page() == page; }, timeoutMs);
}

void WizardAppTest::Click(QAbstractButton& button) const {
  ASSERT_TRUE(button.isVisible()) << button.text().toStdString();
  ASSERT_TRUE(button.isEnabled()) << button.text().toStdString();
  QTest::mouseClick(&button, Qt::LeftButton);
}

void WizardAppTest::ChooseCard() const {
  auto& disk = Frame<TXDRDiskFrm>(TXWizardFrameKind::fkDisk);
  const int index =
      disk.DriveBox().findText(QString::fromStdString(drives.Dev("sdb")), Qt::MatchContains);
  ASSERT_GE(index, 0);
  disk.DriveBox().setCurrentIndex(index);
  ASSERT_FALSE(disk.NotReady());
}

void WizardAppTest::StartScanning() {
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpDisk);
  ChooseCard();
  Click(Window().NextButton());
  ASSERT_EQ(Page(), wpScanning);
}

void WizardAppTest::StartSlowScanning() {
  plan->ReadDelay = std::chrono::milliseconds(50);
  StartScanning();
}

void WizardAppTest::ScanTheCard() {
  StartScanning();
  ASSERT_TRUE(WaitForPage(wpImages));
}

}  // namespace kova::test
