#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/application_module.h"
#include "fat/card_fixture.h"
#include "flow/kova_engine.h"
#include "support/faulty_device.h"
#include "support/scripted_dialogs.h"
#include "ui/wizard_views.h"
#include "ui_test_drives.h"
#include "ui_test_skin.h"

// The whole program as the user meets it: the application module with its real window and pages
// on the offscreen platform, a real card image presented as the removable drive "sdb" of a fake
// machine, the settings in a key store file of the test's own, and the dialogs answered from a
// script.
namespace kova::test {

// A card with photos in a folder, one of them deleted, or whatever `write` puts on it.
class WizardCard {
 public:
  WizardCard();
  explicit WizardCard(const std::function<void(mkcard::CardBuilder&)>& write);

  std::string Image() const { return card_.Image().string(); }
  int64_t Size() const;
  const mkcard::Manifest& Manifest() const { return card_.Manifest(); }
  // The card's intact files by the names they are restored under (a deleted entry's lost first
  // letter is saved as "_"), with their bytes as the card holds them.
  std::map<std::string, std::vector<uint8_t>> Expected() const;

 private:
  FixtureCard card_;
};

// A folder on another file system than the temporary folder that holds the fake drives, so that
// restoring there is not refused as writing to the card's own drive. Empty when there is none.
class OtherDriveFolder {
 public:
  OtherDriveFolder();
  ~OtherDriveFolder();
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::map<std::string, std::vector<uint8_t>> FolderFiles(const std::filesystem::path& folder);

class WizardAppTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { card_ = new WizardCard(); }
  static void TearDownTestSuite() { delete card_; }

  void SetUp() override;
  void TearDown() override;

  // Starts the program's module; the welcome page shows.
  void Start();
  TXKovaFrm& Window() const;
  TXKovaPageID Page() const;
  template <class T>
  T& Frame(TXWizardFrameKind kind) const {
    auto* frame = static_cast<TXQtWizardFrame*>(module->Engine().View().Frame(kind));
    return dynamic_cast<T&>(frame->Frame());
  }
  bool WaitForPage(TXKovaPageID page, int timeoutMs = 60000) const;
  void Click(QAbstractButton& button) const;
  void ChooseCard() const;
  // Welcome -> Disk (the card chosen) -> Scanning.
  void StartScanning();
  // The same on a card that answers each read after 50 ms, so that the scan is still running.
  void StartSlowScanning();
  // Welcome -> Disk (the card chosen) -> Scanning -> Images.
  void ScanTheCard();

  static WizardCard* card_;
  std::shared_ptr<TXFaultPlan> plan = std::make_shared<TXFaultPlan>();
  FakeDrives drives;
  TempDir home;
  ScriptedDialogs dialogs;
  std::unique_ptr<TXDeviceOpenerScope> device;
  std::unique_ptr<TUniQ> module;
};

}  // namespace kova::test
