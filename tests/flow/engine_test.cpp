#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "card_builder.h"
#include "imaging/png_image.h"
#include "imaging/skin_interface.h"
#include "output/output_work_commands.h"
#include "recipe.h"
#include "recovery/file_types.h"
#include "run/work_command.h"
#include "wizard_fixture.h"

namespace kova {
namespace {

using test::FlowCard;
using test::FlowSettings;
using namespace std::chrono_literals;

// The recovery engine without windows, as a program without a user interface runs it.
class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseBuiltInLanguage(); }

  template <class A, class... Args>
  void Report(Args&&... args) {
    DispatchAspect<A>(engine->WorkerGear(), std::forward<Args>(args)...);
  }
  // Every notification the view gear passes on, with the thread it arrived on.
  void WatchView() {
    engine->ViewGear().AddObserver(TXHandler(this, "watch", [this](AXNotification& n) {
      threads.push_back(std::this_thread::get_id());
      if (auto* p = n.AspectAs<TXProgressChangedAspect>()) {
        seen.push_back("progress " + std::to_string(p->Position));
      } else if (auto* a = n.AspectAs<TXDRAddFileAspect>()) {
        seen.push_back("file " + a->Item->Name);
      } else if (auto* l = n.AspectAs<TXLogStringAspect>()) {
        seen.push_back("log " + l->Text);
      }
    }));
  }

  FlowSettings settings;
  TXHeadlessLoop loop;
  std::unique_ptr<TXKovaEngine> engine = CreateKovaEngine(&settings, nullptr, nullptr, loop);
  std::vector<std::string> seen;
  std::vector<std::thread::id> threads;
};

TEST_F(EngineTest, TheDataGearKeepsEachRunsOutcomeByTheOperationName) {
  TXErrorData readError;
  readError.Code = kErrRead;
  readError.Text = "damaged";
  TXErrorData gone;
  gone.Code = kErrNotReady;
  Report<TXOperationThreadTerminatedAspect>("DeepScan", readError);
  Report<TXOperationThreadTerminatedAspect>("Restore", gone);
  Report<TXOperationThreadTerminatedAspect>("Imaging", gone);
  TXDRDataGear& data = engine->DataGear();
  EXPECT_EQ(data.Result(rkScan), readError);
  EXPECT_EQ(data.Result(rkRestore), gone);
  EXPECT_EQ(data.Result(rkImageFile), TXErrorData{}) << "an unknown name changes nothing";
  Report<TXOperationThreadTerminatedAspect>("Scan", TXErrorData{});
  Report<TXOperationThreadTerminatedAspect>("ImageFile", readError);
  EXPECT_EQ(data.Result(rkScan), TXErrorData{});
  EXPECT_EQ(data.Result(rkImageFile), readError);
}

TEST_F(EngineTest, TheTypicalModeLooksForEveryTypeWhateverTheSettingsHold) {
  TXDRDataGear& data = engine->DataGear();
  settings.FileTypes().SetVideo(false);
  EXPECT_EQ(data.ScanExtensions(), TXDRFileTypes::GetAllExtensions());
  EXPECT_EQ(data.FileTypeList().size(), std::size(kFileTypes));
  data.AdvancedMode = true;
  EXPECT_EQ(data.ScanExtensions(), settings.FileTypes().GetSelectedExtensions());
  EXPECT_FALSE(ListHasExtension(data.FileTypeList(), ".avi"));
  EXPECT_EQ(engine->WorkerGear().ScanExtensions(), data.FileTypeList())
      << "the worker gear asks the data gear";
  EXPECT_EQ(engine->WorkerGear().Data().Files, &data.FoundFiles());
}

TEST_F(EngineTest, ActionsBecomeWorkCommandsForTheSource) {
  TXDRDataGear& data = engine->DataGear();
  DispatchAspect<TXDiskAspect>(engine->ViewGear(), "/dev/sdz", int64_t{8} << 30, uint8_t{0}, true);
  EXPECT_EQ(data.DriveText(), "/dev/sdz");
  EXPECT_EQ(data.DriveSize(), int64_t{8} << 30);
  data.ImageFileName = "/home/user/card.bin";
  data.RestoreFolder = "/home/user/photos/";
  data.KeepFolders = true;

  auto scan = engine->WorkCommandFor(TXDRActionDeepScan());
  auto* diskScan = dynamic_cast<TXDRDiskDeepScanWorkCommand*>(scan.Get());
  ASSERT_NE(diskScan, nullptr);
  EXPECT_EQ(diskScan->Path, "/dev/sdz");
  EXPECT_EQ(diskScan->Size, int64_t{8} << 30);
  auto restore = engine->WorkCommandFor(TXDRActionRestoreFiles());
  auto* diskRestore = dynamic_cast<TXDRDiskRestoreFilesWorkCommand*>(restore.Get());
  ASSERT_NE(diskRestore, nullptr);
  EXPECT_EQ(diskRestore->Path, "/dev/sdz");
  EXPECT_EQ(diskRestore->RestoreFolder, "/home/user/photos/");
  EXPECT_TRUE(diskRestore->KeepFolders);
  auto image = engine->WorkCommandFor(TXDRActionImageFile());
  auto* imaging = dynamic_cast<TXDRCopyCardToImageWorkCommand*>(image.Get());
  ASSERT_NE(imaging, nullptr);
  EXPECT_EQ(imaging->Path, "/dev/sdz");
  EXPECT_EQ(imaging->ImagePath, "/home/user/card.bin");

  data.SourceKind = skImageFile;
  scan = engine->WorkCommandFor(TXDRActionDeepScan());
  auto* fileScan = dynamic_cast<TXDRScanImageFileWorkCommand*>(scan.Get());
  ASSERT_NE(fileScan, nullptr);
  EXPECT_EQ(fileScan->Path, "/home/user/card.bin") << "parsing never names the drive";
  EXPECT_EQ(fileScan->Size, 0);
  restore = engine->WorkCommandFor(TXDRActionRestoreFiles());
  auto* fileRestore = dynamic_cast<TXDRDiskImageRestoreFilesWorkCommand*>(restore.Get());
  ASSERT_NE(fileRestore, nullptr);
  EXPECT_EQ(fileRestore->Path, "") << "restoring reads through the scan's open input";
  EXPECT_EQ(fileRestore->RestoreFolder, "/home/user/photos/");
  EXPECT_TRUE(fileRestore->KeepFolders);
  EXPECT_EQ(engine->WorkCommandFor(TXDRAction()), nullptr);
}

TEST_F(EngineTest, ASecondScanWhileOneRunsIsIgnored) {
  FlowCard card;
  engine->DataGear().SourceKind = skImageFile;
  engine->DataGear().ImageFileName = card.Image();
  int ends = 0;
  engine->ViewGear().AddObserver(AspectClassOf<TXOperationThreadTerminatedAspect>(),
                                 TXHandler(&ends, "ends", [&](AXNotification&) { ++ends; }));
  DispatchAspect<TXDRActionDeepScan>(engine->ViewGear());
  ASSERT_TRUE(engine->WorkerGear().IsRunning());
  DispatchAspect<TXDRActionDeepScan>(engine->ViewGear());
  ASSERT_TRUE(loop.RunUntil([&] { return ends > 0; }, 60s));
  engine->ProcessMessages();
  EXPECT_FALSE(engine->WorkerGear().IsRunning()) << "no second scan was started";
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(engine->DataGear().FoundFiles().Count(), 4);
  engine->ViewGear().RemoveObserversOf(&ends);
}

TEST_F(EngineTest, TheSettingsCodePageReadsTheShortNames) {
  test::TempDir dir;
  mkcard::CardBuilder card;
  // Ø is 0x9D in code page 850 (437 reads it as ¥).
  ASSERT_TRUE(mkcard::RunRecipe("volume fat16 size=32M code-page=850\n"
                                "file ÅRØSUND.JPG photo=320x240\n"
                                "delete ÅRØSUND.JPG\n",
                                {}, &card)
                  .ok());
  ASSERT_TRUE(card.Save(dir / "card.img").ok());
  settings.codePage = 850;
  engine->DataGear().SourceKind = skImageFile;
  engine->DataGear().ImageFileName = (dir / "card.img").string();
  int ends = 0;
  engine->ViewGear().AddObserver(AspectClassOf<TXOperationThreadTerminatedAspect>(),
                                 TXHandler(&ends, "ends", [&](AXNotification&) { ++ends; }));
  DispatchAspect<TXDRActionDeepScan>(engine->ViewGear());
  ASSERT_TRUE(loop.RunUntil([&] { return ends > 0; }, 60s));
  engine->ViewGear().RemoveObserversOf(&ends);
  EXPECT_EQ(engine->WorkerGear().Data().CodePage, 850);
  ASSERT_EQ(engine->DataGear().FoundFiles().Count(), 1);
  EXPECT_EQ(engine->DataGear().FoundFiles()[0]->Name, "!RØSUND.JPG");
}

TEST_F(EngineTest, ReportsFromAnotherThreadArePostedToTheViewGear) {
  WatchView();
  TXDRFileItem item;
  item.Name = "IMG_0001.JPG";
  std::thread scanThread([&] {
    Report<TXProgressChangedAspect>(250);
    auto shared = MakeSharedNotification<TXDRAddFileAspect>(&item);
    engine->WorkerGear().Dispatch(*shared);
    Report<TXLogStringAspect>("line");
    Report<TXTaskTerminatedAspect>();
  });
  scanThread.join();
  EXPECT_TRUE(seen.empty()) << "nothing is dispatched on the view gear from the other thread";
  ASSERT_TRUE(loop.RunUntil([&] { return seen.size() == 3; }, 60s));
  for (std::thread::id id : threads)
    EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(seen, (std::vector<std::string>{"progress 250", "file IMG_0001.JPG", "log line"}));

  Report<TXProgressChangedAspect>(500);
  EXPECT_EQ(seen.back(), "progress 500") << "on the engine's thread reports are passed on at once";
  engine->ViewGear().RemoveObserversOf(this);
}

TEST_F(EngineTest, DestroyingTheEngineStopsARunningScan) {
  FlowCard card;
  auto plan = std::make_shared<TXFaultPlan>();
  plan->ReadDelay = 20ms;
  auto drive = card.AsDrive(plan);
  DispatchAspect<TXDiskAspect>(engine->ViewGear(), FlowCard::kDrive, int64_t{0}, uint8_t{0}, true);
  DispatchAspect<TXDRActionDeepScan>(engine->ViewGear());
  ASSERT_TRUE(engine->WorkerGear().IsRunning());
  ASSERT_TRUE(loop.RunUntil([&] { return plan->Reads > 3; }, 60s));
  engine.reset();
  EXPECT_EQ(plan->OpenDevices, 0) << "the scan's thread has ended and closed the card";
}

TEST(FlowRelay, ANotificationIsNotRelayedAgainWhereItIsBeingRelayed) {
  TXObservable a;
  TXObservable b;
  int atA = 0;
  int atB = 0;
  a.AddObserver(TXHandler(&atA, "a", [&](AXNotification& n) {
    ++atA;
    RelayNotification(b, n);
  }));
  b.AddObserver(TXHandler(&atB, "b", [&](AXNotification& n) {
    ++atB;
    RelayNotification(a, n);
  }));
  auto notification = MakeNotification<TXChangedAspect>();
  RelayNotification(a, *notification);
  EXPECT_EQ(atA, 1);
  EXPECT_EQ(atB, 1);
  RelayNotification(b, *notification);
  EXPECT_EQ(atB, 2) << "the same notification may be relayed again later";
}

// A skin with only the group pictures, as small as the tests need.
class GroupPicturesSkin final : public IXDRSkin {
 public:
  GroupPicturesSkin() {
    box_.SetName(skin::kImages);
    for (const char* name : {"simage", "svideo", "saudio", "image", "video", "audio"}) {
      TXPngImage png;
      png.Reset(8, 8, true).Canvas().FillRect({0, 0, 8, 8}, MakeColor(200, 40, 40));
      box_.Images().AddPicture(name, png);
    }
  }
  TXImagesBox* FindImagesBox(std::string_view name) override {
    return name == skin::kImages ? &box_ : nullptr;
  }
  TXComposeTable& ComposeTable() override { return table_; }

 private:
  TXImagesBox box_;
  TXComposeTable table_;
};

TEST(FlowIcons, TheViewGearDrawsATypeIconPerCatalogueExtension) {
  UseBuiltInLanguage();
  FlowSettings settings;
  GroupPicturesSkin skin;
  TXHeadlessLoop loop;
  auto engine = CreateKovaEngine(&settings, &skin, nullptr, loop);
  const TXDRVCLViewGear& view = engine->View();
  // The three group pictures, then every catalogue type.
  const int32_t keys = TXDRFileTypes::kPropertyCount;
  ASSERT_EQ(view.TypeKeys().size(), static_cast<size_t>(keys));
  EXPECT_EQ(view.TypeKeys()[3], ".jpg");
  EXPECT_EQ(view.TypeKeys().back(), kFileTypes[std::size(kFileTypes) - 1].Ext);
  ASSERT_EQ(view.TypeIcons().Small().Count(), keys);
  ASSERT_EQ(view.TypeIcons().Large().Count(), keys);
  EXPECT_EQ(view.TypeIcons().Small()[3]->Data().Width(), 22);
  EXPECT_EQ(view.TypeIcons().Small()[3]->Data().Height(), 16);
  EXPECT_EQ(view.TypeIcons().Large()[60]->Data().Width(), 72);
  EXPECT_EQ(view.TypeIcons().IconIndexOf(".MOV"),
            std::ranges::find(kFileTypes, ".mov", &TXFileType::Ext) - std::begin(kFileTypes) + 3);
  EXPECT_EQ(view.TypeIcons().IconIndexOf(".xyz"), TXDRTypeIcons::kGenericIcon);
}

}  // namespace
}  // namespace kova
