#include "output/folder_commands.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>

#include "output/cluster_error_dialog.h"
#include "output/image_file_commands.h"
#include "persistence/lg.h"
#include "persistence/lg_keys.h"
#include "storage/platform_volume.h"
#include "support/scripted_dialogs.h"
#include "support/test_files.h"
#include "support/test_paths.h"
#include "support/tmp_file_system.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::TempDir;
using Kind = ScriptedDialogs::Kind;

TEST(SelectRestoreFolder, AnswersTheChosenFolderWithATrailingSlashOrNothing) {
  ScriptedDialogs dialogs;
  dialogs.AnswerFolder("/media/photos", true).AnswerFolder("");
  TXDRSelectRestoreFolderCommand select;
  select.InitialFolder = "/home/ann/Pictures/";
  select.Execute();
  EXPECT_EQ(select.Folder, "/media/photos/");
  EXPECT_TRUE(select.KeepFolders) << "the box as the user left it";
  select.Execute();
  EXPECT_EQ(select.Folder, "");
  EXPECT_FALSE(select.KeepFolders);
  const auto asked = dialogs.QuestionsOf(Kind::Folder);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].Folder.Title, Lg().Word(lg::kSelectRestoreFolder));
  EXPECT_EQ(asked[0].Folder.InitialFolder, "/home/ann/Pictures/");
  EXPECT_EQ(asked[0].Folder.CheckText, "Keep the card's folders");
  EXPECT_FALSE(asked[0].Folder.Checked);
  EXPECT_TRUE(asked[1].Folder.Checked) << "the box opens as it was left";
}

TEST(CheckRestoreFolder, CreatesTheFolderAndRefusesOneThatCannotBe) {
  TempDir dir;
  ScriptedDialogs dialogs;
  TXDRCheckRestoreFolderCommand check((dir / "a" / "b").string() + "/", 1000);
  check.Execute();
  EXPECT_TRUE(check.Accepted);
  EXPECT_TRUE(fs::is_directory(dir / "a" / "b"));
  EXPECT_EQ(dialogs.Count(), 0u);

  test::WriteFileBytes(dir / "file", {1});
  TXDRCheckRestoreFolderCommand blocked((dir / "file" / "sub").string(), 0);
  blocked.Execute();
  EXPECT_FALSE(blocked.Accepted);
  ASSERT_EQ(dialogs.QuestionsOf(Kind::Message).size(), 1u);
  const TXMessageRequest shown = dialogs.QuestionsOf(Kind::Message)[0].Message;
  EXPECT_EQ(shown.Text, Lg().Format(lg::kCannotCreateFolder, {(dir / "file" / "sub").string()}));
  EXPECT_EQ(shown.Icon, TXMessageIcon::Warning);
  EXPECT_EQ(shown.Buttons, TXMessageButtons::Ok);
}

TEST(CheckRestoreFolder, RefusesAFolderWithoutRoomForTheCheckedFiles) {
  TempDir dir;
  const fs::path small = dir / "small";
  test::TmpFileSystem room(small, "size=1m");
  const bool mounted = room.Mounted();
  ScriptedDialogs dialogs;
  TXDRCheckRestoreFolderCommand check(small.string(), int64_t{1} << 50);
  check.Execute();
  EXPECT_FALSE(check.Accepted);
  const std::vector<std::string> texts = dialogs.MessageTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].starts_with("There is not enough free space on ")) << texts[0];
  if (mounted) {
    EXPECT_EQ(texts[0], Lg().Format(lg::kNotEnoughSpace, {small.string()}) + "\r\n" +
                            Lg().Word(lg::kChooseAnotherFolder));
    check.RequiredSize = 512 << 10;
    check.Execute();
    EXPECT_TRUE(check.Accepted);
  }
}

TEST(CheckRestoreFolder, RefusesAFolderThatCannotBeWrittenInto) {
  TempDir dir;
  const fs::path locked = dir / "locked";
  fs::create_directories(locked);
  if (::mount("tmpfs", locked.c_str(), "tmpfs", MS_RDONLY, "size=1m") != 0)
    GTEST_SKIP() << "a read-only file system cannot be mounted here";
  ScriptedDialogs dialogs;
  TXDRCheckRestoreFolderCommand check(locked.string() + "/", 10);
  check.Execute();
  ::umount2(locked.c_str(), MNT_DETACH);
  EXPECT_FALSE(check.Accepted);
  EXPECT_EQ(dialogs.MessageTexts(),
            std::vector<std::string>{Lg().Format(lg::kFolderNotWritable, {locked.string() + "/"})});
}

TEST(CheckDiskAndRestoreFolder, RefusesTheSourcesDriveBeforeCreatingAnything) {
  TempDir dir;
  test::WriteFileBytes(dir / "card.img", std::vector<uint8_t>(4096, 0));
  ScriptedDialogs dialogs;
  TXDRCheckDiskAndRestoreFolderCommand check((dir / "card.img").string(),
                                             (dir / "restored").string(), 10);
  check.Execute();
  EXPECT_FALSE(check.Accepted);
  EXPECT_FALSE(fs::exists(dir / "restored"));
  EXPECT_EQ(dialogs.MessageTexts(),
            (std::vector<std::string>{Lg().Word(lg::kSameDriveAsSource) + "\r\n" +
                                      Lg().Word(lg::kChooseAnotherFolder)}));

  // However the folder is spelt: through a link, with dots, relative to the working folder.
  fs::create_symlink(dir.Path(), dir / "link");
  const fs::path relative = fs::relative(dir / "new" / "restored", fs::current_path());
  for (const fs::path& folder : {dir / "link" / "restored", dir / "." / "x" / ".." / "restored",
                                 relative, fs::path((dir / "card.img").string() + "/")}) {
    check.Folder = folder.string();
    check.Execute();
    EXPECT_FALSE(check.Accepted) << folder;
  }
  EXPECT_FALSE(fs::exists(dir / "restored"));
  EXPECT_FALSE(fs::exists(dir / "new"));

  check.Folder = (dir / "restored").string();
  check.Source.clear();
  check.Execute();
  EXPECT_TRUE(check.Accepted) << "without a source only the folder is checked";
  if (fs::exists("/dev/shm") && !SameDrive("/dev/shm", dir.Path().string())) {
    check.Source = (dir / "card.img").string();
    check.Folder = "/dev/shm/kova-restore-test/";
    check.Execute();
    EXPECT_TRUE(check.Accepted) << "another file system is fine";
    fs::remove_all("/dev/shm/kova-restore-test");
  }
}

TEST(DiskDisconnected, ShowsTheTextWithTheErrorIconAndAPermissionErrorAsOne) {
  ScriptedDialogs dialogs;
  TXDRDiskDisconnectedCommand().Execute();
  TXDRDiskDisconnectedCommand(kErrAccessDenied).Execute();
  const auto shown = dialogs.QuestionsOf(Kind::Message);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Message.Text, Lg().Word(lg::kDiskDisconnected));
  EXPECT_EQ(shown[0].Message.Icon, TXMessageIcon::Error);
  EXPECT_EQ(shown[1].Message.Text, Lg().Word(lg::kRunAccessDenied));
}

TEST(ImageFileCommands, SaveAndOpenAskWithTheFilterAndKeepCancelledNames) {
  TempDir dir;
  ScriptedDialogs dialogs;
  dialogs.AnswerSaveImage((dir / "card").string()).AnswerSaveImage("");
  TXDRSaveImageFileCommand save("old.bin");
  save.Execute();
  EXPECT_TRUE(save.Done);
  EXPECT_EQ(save.FileName, (dir / "card.bin").string());
  save.Execute();
  EXPECT_FALSE(save.Done);
  EXPECT_EQ(save.FileName, (dir / "card.bin").string());
  const auto saves = dialogs.QuestionsOf(Kind::SaveImage);
  EXPECT_EQ(saves[0].FileName, "old.bin");
  EXPECT_EQ(saves[0].Filter, "Memory card image files (*.bin)|*.bin");

  test::WriteFileBytes(dir / "card.bin", {1});
  dialogs.AnswerOpenImage((dir / "missing.bin").string())
      .AnswerOpenImage((dir / "card.bin").string());
  TXDROpenImageFileCommand open((dir / "gone.bin").string());
  open.Execute();
  EXPECT_FALSE(open.Done) << "an answer that names no file is not taken";
  EXPECT_EQ(dialogs.QuestionsOf(Kind::OpenImage)[0].FileName, "") << "a missing name is dropped";
  open.Execute();
  EXPECT_TRUE(open.Done);
  EXPECT_EQ(open.FileName, (dir / "card.bin").string());
}

TEST(ClusterErrorDialog, TextsAndAnswersAsTheFormShowsThem) {
  TXDRClusterErrorDialog dialog;
  dialog.FailedUnit = 65;
  dialog.TotalUnits = 8192;
  dialog.UnitSize = 4096;
  EXPECT_EQ(dialog.UnitLabel(), "Cluster 65 of 8192 cannot be read.");
  EXPECT_EQ(dialog.UnitSizeLabel(), "(cluster size: 4096 bytes)");
  EXPECT_EQ(TXDRClusterErrorDialog::IgnoreAllText(), "Ignore all errors and continue (default)");
  EXPECT_EQ(TXDRClusterErrorDialog::SkipSeveralText(10), "Skip 10 clusters");
  EXPECT_EQ(TXDRClusterErrorDialog::ParseSkipCount(" 25 "), 25);
  EXPECT_EQ(TXDRClusterErrorDialog::ParseSkipCount("ten"), 1);
  EXPECT_EQ(TXDRClusterErrorDialog::ParseSkipCount("-3"), 1);

  ScriptedDialogs dialogs;
  dialogs.AnswerClusterError(9, 0).AnswerClusterError(ecSkipSeveral, 3);
  EXPECT_EQ(dialog.Execute(), 1);
  EXPECT_EQ(dialog.Choice, ecIgnoreAll) << "an unknown answer ignores all errors";
  EXPECT_EQ(dialog.SkipCount, 1);
  dialog.Execute();
  EXPECT_EQ(dialog.Choice, ecSkipSeveral);
  EXPECT_EQ(dialog.SkipCount, 3);
  dialog.Reset();
  EXPECT_EQ(dialog.Choice, ecNotAsked);
  EXPECT_EQ(dialog.SkipCount, 10);
}

TEST(Dialogs, WithoutInstalledDialogsQuestionsAreAnsweredUnattended) {
  EXPECT_EQ(Dialogs().SelectFolder({"title", "/", "option", true}).Folder, "");
  EXPECT_EQ(Dialogs().SaveImageFile("a.bin", ImageFileFilter()), "");
  const TXMessageAnswer answer =
      Dialogs().ShowMessage({"Stop?", TXMessageIcon::Question, TXMessageButtons::StopContinue, {}});
  EXPECT_EQ(answer.Button, TXMessageButton::Continue);
  TXDRClusterErrorDialog dialog;
  dialog.Execute();
  EXPECT_EQ(dialog.Choice, ecIgnoreAll);
  {
    ScriptedDialogs dialogs;
    EXPECT_EQ(&Dialogs(), &dialogs);
    Dialogs().ShowMessage(
        {"Back or exit?", TXMessageIcon::Warning, TXMessageButtons::BackExit, {}});
    EXPECT_EQ(dialogs.Unscripted(), 1);
  }
  EXPECT_EQ(Dialogs().SelectFolder({"title", "/", "option", true}).Folder, "");
}

}  // namespace
}  // namespace kova
