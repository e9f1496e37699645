#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "fat/card_fixture.h"
#include "flow/kova_engine.h"
#include "framework/headless_loop.h"
#include "framework/oem_code_pages.h"
#include "persistence/lg_builtin.h"
#include "support/faulty_device.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"
#include "wizard_doubles.h"

namespace kova::test {

// The settings as the flow sees them.
class FlowSettings final : public IXDRIni {
 public:
  FlowSettings() { types_.SetDefaults(); }
  TXDRFileTypes& FileTypes() override { return types_; }
  uint16_t CodePage() const override { return codePage; }
  int32_t ThumbnailSize() const override { return thumbnailSize; }
  void SetThumbnailSize(int32_t pixels) override { thumbnailSize = pixels; }

  uint16_t codePage = kDefaultCodePage;
  int32_t thumbnailSize = 72;

 private:
  TXDRFileTypes types_;
};

// A card with photos in a folder (one of them deleted), as the wizard's tests read it: as an
// image file, or as the drive kDrive whose reads a fault plan may slow down or end.
class FlowCard {
 public:
  static constexpr char kDrive[] = "/dev/kova-flow-card";

  explicit FlowCard(int photos = 4, int deleted = 1) : card_(Fat32Options(40 << 20, 1)) {
    EXPECT_TRUE(card_.Formatted().ok());
    EXPECT_TRUE(card_.Builder().MakeFolder("DCIM").ok());
    for (int i = 1; i <= photos; ++i)
      EXPECT_TRUE(card_.Builder().WriteFile(Path(i), Photo(320, 240, 60 + i)).ok());
    for (int i = photos - deleted + 1; i <= photos; ++i)
      EXPECT_TRUE(card_.Builder().Delete(Path(i)).ok());
    EXPECT_TRUE(card_.Save().ok());
  }

  static std::string Path(int i) { return "DCIM/IMG_000" + std::to_string(i) + ".JPG"; }
  std::string Image() const { return card_.Image().string(); }
  const mkcard::Manifest& Manifest() const { return card_.Manifest(); }
  // The bytes of a file as the card holds them.
  std::vector<uint8_t> Content(const mkcard::ManifestRecord& record) const {
    std::vector<uint8_t> image = ReadFileBytes(card_.Image());
    std::vector<uint8_t> bytes;
    for (const mkcard::Extent& extent : record.extents)
      bytes.insert(bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(extent.offset),
                   image.begin() + static_cast<std::ptrdiff_t>(extent.offset + extent.size));
    return bytes;
  }

  // Presents the card as the drive while the returned scope lives.
  std::unique_ptr<TXDeviceOpenerScope> AsDrive(std::shared_ptr<TXFaultPlan> plan = nullptr) const {
    if (!plan) plan = std::make_shared<TXFaultPlan>();
    return std::make_unique<TXDeviceOpenerScope>(FaultyDeviceOpener(kDrive, Image(), plan));
  }

 private:
  FixtureCard card_;
};

// The recovery engine with its wizard built on the doubles, on a loop of the test's own, with
// the dialogs answered from a script.
class WizardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseBuiltInLanguage(); }

  void SetUp() override { engine = CreateKovaEngine(&settings, nullptr, &views, loop); }
  void TearDown() override { engine.reset(); }

  FakeMainWindow& Window() { return *views.Window; }
  FakeFrame& Frame(TXWizardFrameKind kind) { return *views.Frames.at(kind); }
  TXKovaWizardPageGear& Pages() { return *engine->View().PageGear(); }
  TXDRDataGear& Data() { return engine->DataGear(); }
  TXKovaPageID Page() { return Pages().Current() ? Pages().Current()->PageID : wpNone; }

  // Runs the loop until the wizard shows the page (or the timeout passes).
  bool WaitForPage(TXKovaPageID page, std::chrono::seconds timeout = std::chrono::seconds(60)) {
    return loop.RunUntil([&] { return Page() == page; }, timeout);
  }
  bool WaitForIdle(std::chrono::seconds timeout = std::chrono::seconds(60)) {
    return loop.RunUntil([&] { return !engine->WorkerGear().IsRunning(); }, timeout);
  }

  // Welcome -> (Action) -> the disk page with the drive chosen.
  void ChooseDrive(const std::string& drive, bool advanced = false) {
    Window().ChooseMode(advanced);
    Window().ClickNext();
    if (advanced) {
      ASSERT_EQ(Page(), wpAction);
      Window().ClickNext();
    }
    ASSERT_EQ(Page(), wpDisk);
    Frame(TXWizardFrameKind::fkDisk).ChooseDrive(drive);
  }

  // From the disk page (typical mode) to the results of the scan.
  void ScanToResults() {
    Window().ClickNext();
    ASSERT_EQ(Page(), wpScanning);
    ASSERT_TRUE(WaitForPage(wpImages));
  }

  ScriptedDialogs dialogs;
  FlowSettings settings;
  FakeViewFactory views;
  TXHeadlessLoop loop;
  std::unique_ptr<TXKovaEngine> engine;
};

}  // namespace kova::test
