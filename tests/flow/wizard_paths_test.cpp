#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <set>

#include "output/image_space.h"
#include "recipe.h"
#include "support/test_files.h"
#include "wizard_fixture.h"

namespace kova {
namespace {

using test::FakeFrame;
using test::FlowCard;
using test::ScriptedDialogs;
using test::TempDir;
using test::WizardTest;
using Kind = TXWizardFrameKind;

// The files of a folder by name, with their bytes.
std::map<std::string, std::vector<uint8_t>> FolderFiles(const std::filesystem::path& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = test::ReadFileBytes(entry.path());
  return files;
}

// Every intact file of the card, live or deleted, came back byte for byte under its name (a
// deleted entry's lost first letter is saved as "_").
void ExpectRestored(const FlowCard& card, const std::filesystem::path& folder) {
  const auto restored = FolderFiles(folder);
  size_t expected = 0;
  for (const mkcard::ManifestRecord& record : card.Manifest().records) {
    if (record.folder || !record.intact) continue;
    ++expected;
    std::string name = record.short_name;
    if (record.state == mkcard::EntryState::kDeleted) name[0] = '_';
    ASSERT_TRUE(restored.contains(name)) << name;
    EXPECT_EQ(restored.at(name), card.Content(record)) << name;
  }
  EXPECT_EQ(restored.size(), expected);
}

class WizardPaths : public WizardTest {
 protected:
  static void SetUpTestSuite() {
    WizardTest::SetUpTestSuite();
    card_ = new FlowCard(5, 2);
  }
  static void TearDownTestSuite() { delete card_; }

  static FlowCard* card_;
  TempDir out_;
};
FlowCard* WizardPaths::card_ = nullptr;

TEST_F(WizardPaths, TypicalRestoreFromTheCardWelcomeDiskScanningImagesRestoringFinish) {
  auto drive = card_->AsDrive();
  EXPECT_TRUE(Window().Shown);
  EXPECT_EQ(Page(), wpWelcome);
  EXPECT_EQ(Window().Caption, "Velmora Kova 7");
  EXPECT_EQ(Window().Controls["Next"].Caption, "Start");
  EXPECT_EQ(Window().Controls["Cancel"].Caption, "Exit");
  EXPECT_FALSE(Window().Controls["Prev"].Visible);
  EXPECT_TRUE(Window().Controls["Mode"].Visible);

  Window().ClickNext();
  ASSERT_EQ(Page(), wpDisk);
  EXPECT_EQ(Window().Caption, "Select your memory card");
  EXPECT_EQ(Window().Controls["Next"].Caption, "Start") << "the typical mode starts from here";
  EXPECT_EQ(Window().Controls["Prev"].Caption, "< Back");
  EXPECT_FALSE(Window().Controls["Mode"].Visible);
  Frame(Kind::fkDisk).ChooseDrive(FlowCard::kDrive);

  Window().ClickNext();
  ASSERT_EQ(Page(), wpScanning);
  EXPECT_TRUE(Window().ShowsProgress);
  EXPECT_EQ(Window().Caption, "Searching for your photos and videos...");
  EXPECT_EQ(Window().Controls["Cancel"].Caption, "Stop");
  EXPECT_FALSE(Window().Controls["Next"].Visible);
  EXPECT_FALSE(Frame(Kind::fkResults).Preview);

  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_EQ(Data().Result(rkScan).Code, kErrNone);
  EXPECT_EQ(engine->WorkerGear().Data().DiskIO.Path(), FlowCard::kDrive);
  EXPECT_EQ(Data().FileTypeList(), TXDRFileTypes::GetAllExtensions());
  FakeFrame& results = Frame(Kind::fkResults);
  EXPECT_EQ(results.Rows.size(), 5u) << "three live and two deleted photos";
  EXPECT_EQ(static_cast<int32_t>(results.Rows.size()), Data().FoundFiles().Count());
  EXPECT_TRUE(results.Preview);
  EXPECT_EQ(Window().ProgressPeak, 1000);
  EXPECT_EQ(Window().Caption, "Check the files you want to restore");
  EXPECT_EQ(Window().Controls["Next"].Caption, "Restore");

  dialogs.AnswerFolder((out_ / "photos").string());
  Window().ClickNext();
  ASSERT_EQ(Page(), wpRestoring);
  EXPECT_EQ(Data().RestoreFolder, (out_ / "photos").string() + "/");
  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_EQ(Window().Caption, "Your files have been restored!");
  EXPECT_EQ(Window().Controls["Cancel"].Caption, "Close");
  EXPECT_EQ(Frame(Kind::fkFinish).Folder, Data().RestoreFolder);
  ExpectRestored(*card_, out_ / "photos");
  EXPECT_EQ(dialogs.Unscripted(), 0);

  Window().ClickCancel();
  EXPECT_EQ(Page(), wpWelcome) << "Close on the finish page starts over";
}

TEST_F(WizardPaths, TheRestoreStepsBoxKeepsTheCardsFolders) {
  auto drive = card_->AsDrive();
  ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpScanning);
  ASSERT_TRUE(WaitForPage(wpImages));
  dialogs.AnswerFolder((out_ / "kept").string(), true);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpRestoring);
  EXPECT_TRUE(Data().KeepFolders);
  ASSERT_TRUE(WaitForPage(wpFinish));
  for (const mkcard::ManifestRecord& record : card_->Manifest().records) {
    if (record.folder || !record.intact) continue;
    std::string name = record.short_name;
    if (record.state == mkcard::EntryState::kDeleted) name[0] = '_';
    EXPECT_EQ(test::ReadFileBytes(out_ / "kept" / record.folder_path / name),
              card_->Content(record))
        << name;
  }
  const auto asked = dialogs.QuestionsOf(test::ScriptedDialogs::Kind::Folder);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Folder.CheckText, "Keep the card's folders");
  EXPECT_FALSE(asked[0].Folder.Checked) << "the flat folder is the default";
}

TEST_F(WizardPaths, AdvancedRestoreLooksOnlyForTheChosenFileTypes) {
  auto drive = card_->AsDrive();
  Frame(Kind::fkFileTypes).FileTypes = &settings.FileTypes();
  Frame(Kind::fkFileTypes).EditFileTypes = [](TXDRFileTypes& types) {
    types.SelectAll();
    types.SetImages(false);
  };
  ChooseDrive(FlowCard::kDrive, true);
  EXPECT_EQ(Window().Controls["Next"].Caption, "Next >");
  Window().ClickNext();
  ASSERT_EQ(Page(), wpFileTypes);
  EXPECT_EQ(Window().Controls["Next"].Caption, "Start");
  Window().ClickBack();
  EXPECT_EQ(Page(), wpDisk) << "Previous leads to the page the file types were entered from";
  Window().ClickNext();
  Window().ClickNext();
  ASSERT_EQ(Page(), wpScanning);
  EXPECT_FALSE(settings.FileTypes().Images()) << "the page handed its choice over when left";
  ASSERT_TRUE(WaitForPage(wpAction)) << "nothing found: back to the action page";
  EXPECT_EQ(Data().FileTypeList(), settings.FileTypes().GetSelectedExtensions());
  EXPECT_EQ(Data().FileTypeList().front(), ".3g2");
  EXPECT_EQ(Data().FoundFiles().Count(), 0) << "photos were not asked for";
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{Lg().Word(lg::kNothingFound)});
}

TEST_F(WizardPaths, AnImageFileWithoutRoomForTheWholeDriveIsRefusedBeforeTheCopyStarts) {
  auto drive = card_->AsDrive();
  const std::string image = (out_ / "card.bin").string();
  Window().ChooseMode(true);
  Window().ClickNext();
  Frame(Kind::fkAction).ChooseAction(saCreateImageFile);
  dialogs.AnswerSaveImage(image);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpImageFileDisk);
  // A drive said to be a pebibyte large: no file system here has room for its image.
  const int64_t size = int64_t{1} << 50;
  Frame(Kind::fkDisk).ChooseDrive(FlowCard::kDrive, size);
  Window().ClickNext();
  EXPECT_EQ(Page(), wpImageFileDisk);
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{ImageSpaceShortage(image, size)});
  EXPECT_FALSE(std::filesystem::exists(image));
  EXPECT_FALSE(engine->WorkerGear().IsRunning());

  Frame(Kind::fkDisk).ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpImageFile) << "the drive's own size fits";
  ASSERT_TRUE(WaitForPage(wpImageFileFinish));
  EXPECT_EQ(Data().Result(rkImageFile).Code, kErrNone);
}

TEST_F(WizardPaths, CreateAnImageFileOfTheCardThenParseItAndRestoreFromIt) {
  auto drive = card_->AsDrive();
  const std::string image = (out_ / "card copy.bin").string();
  Window().ChooseMode(true);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpAction);
  Frame(Kind::fkAction).ChooseAction(saCreateImageFile);
  dialogs.AnswerSaveImage(image);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpImageFileDisk);
  EXPECT_EQ(Data().ImageFileName, image);
  EXPECT_EQ(Data().SourceKind, skCreateImage);
  Frame(Kind::fkDisk).ChooseDrive(FlowCard::kDrive);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpImageFile);
  EXPECT_EQ(Window().Caption, "Creating the memory card image file...");
  EXPECT_FALSE(Frame(Kind::fkImageFile).SaveLog);
  ASSERT_TRUE(WaitForPage(wpImageFileFinish));
  EXPECT_EQ(Data().Result(rkImageFile).Code, kErrNone);
  EXPECT_EQ(Window().Caption, "The memory card image file is ready!");
  EXPECT_TRUE(Frame(Kind::fkImageFile).SaveLog);
  EXPECT_FALSE(Frame(Kind::fkImageFile).Log.empty());
  const std::vector<uint8_t> card = test::ReadFileBytes(card_->Image());
  std::vector<uint8_t> copy = test::ReadFileBytes(image);
  ASSERT_GE(copy.size(), card.size());
  copy.resize(card.size());
  EXPECT_TRUE(copy == card) << "the image holds the card byte for byte, then its trailer";

  Window().ClickCancel();
  ASSERT_EQ(Page(), wpWelcome);
  Window().ClickNext();
  Frame(Kind::fkAction).ChooseAction(saParseImageFile);
  dialogs.AnswerOpenImage(image);
  Window().ClickNext();
  ASSERT_EQ(Page(), wpFileTypes);
  Window().ClickBack();
  EXPECT_EQ(Page(), wpAction);
  dialogs.AnswerOpenImage(image);
  Window().ClickNext();
  Window().ClickNext();
  ASSERT_EQ(Page(), wpScanning);
  ASSERT_TRUE(WaitForPage(wpImages));
  EXPECT_EQ(engine->WorkerGear().Data().IO, &engine->WorkerGear().Data().FileIO);
  EXPECT_EQ(Data().FoundFiles().Count(), 5);

  dialogs.AnswerFolder(out_.Path().string());
  Window().ClickNext();
  ASSERT_EQ(Page(), wpRestoring) << "an image's own folder may take the restored files";
  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_TRUE(std::filesystem::exists(image + ".map")) << "the copy keeps its mapfile beside it";
  std::filesystem::remove(image);
  std::filesystem::remove(image + ".map");
  ExpectRestored(*card_, out_.Path());
}

TEST_F(WizardTest, TheDemoCardComesBackThroughTheWizard) {
  TempDir dir;
  mkcard::CardBuilder builder;
  mkcard::Status built = mkcard::RunRecipeFile(
      test::SourceDir() / "resources/demo/demo-card.recipe", test::SamplesDir(), &builder);
  ASSERT_TRUE(built.ok()) << built.message();
  ASSERT_TRUE(builder.Save(dir / "demo-card.img").ok());
  const mkcard::Manifest manifest = builder.MakeManifest();

  Window().ChooseMode(true);
  Window().ClickNext();
  Frame(Kind::fkAction).ChooseAction(saParseImageFile);
  dialogs.AnswerOpenImage((dir / "demo-card.img").string());
  Window().ClickNext();
  Window().ClickNext();
  ASSERT_TRUE(WaitForPage(wpImages));
  dialogs.AnswerFolder((dir / "recovered").string());
  Window().ClickNext();
  ASSERT_TRUE(WaitForPage(wpFinish));
  EXPECT_EQ(Data().Result(rkRestore).Code, kErrNone);

  const auto restored = FolderFiles(dir / "recovered");
  std::set<uint32_t> restoredCrcs;
  for (const auto& [name, bytes] : restored)
    restoredCrcs.insert(
        static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size()))));
  for (const mkcard::ManifestRecord& record : manifest.records) {
    if (record.folder || !record.intact) continue;
    EXPECT_TRUE(restoredCrcs.contains(record.crc32)) << record.path << " came back";
  }
}

}  // namespace
}  // namespace kova
