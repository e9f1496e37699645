#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "cli/cli_runner.h"
#include "content.h"
#include "fat/card_fixture.h"
#include "support/test_files.h"
#include "support/tmp_file_system.h"

// kova-cli recover saves the files as its scan passes them, so that a card whose files lie in one
// piece is read once, and saves exactly what it saved when it read the card twice.
namespace kova {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::ReadFileBytes;
using test::RunCli;

// Every file below the folder by its place in it, hidden ones included.
std::map<std::string, std::vector<uint8_t>> Tree(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] = ReadFileBytes(entry.path());
  }
  return files;
}

// The bytes the block device has delivered so far (its sectors read).
int64_t BytesRead(const std::string& device) {
  std::ifstream stat("/sys/block/" + fs::path(device).filename().string() + "/stat");
  int64_t ios = 0, merges = 0, sectors = 0;
  stat >> ios >> merges >> sectors;
  return sectors * 512;
}

// DCIM/100KOVA with photos in one piece each, every third one deleted, and a note beside them.
void FillCard(test::FixtureCard& card) {
  mkcard::CardBuilder& builder = card.Builder();
  ASSERT_TRUE(builder.MakeFolder("DCIM").ok());
  ASSERT_TRUE(builder.MakeFolder("DCIM/100KOVA").ok());
  for (int i = 0; i < 24; ++i) {
    mkcard::PhotoOptions photo;
    photo.width = 800 + 16 * i;
    photo.height = 600;
    photo.grain = 6;
    photo.seed = 70 + i;
    mkcard::Content content;
    ASSERT_TRUE(mkcard::MakePhoto(photo, &content).ok());
    const std::string name = "DCIM/100KOVA/IMG_" + std::to_string(1000 + i) + ".JPG";
    ASSERT_TRUE(builder.WriteFile(name, content).ok());
    if (i % 3 == 1) {
      ASSERT_TRUE(builder.Delete(name).ok());
    }
  }
  ASSERT_TRUE(builder.WriteFile("NOTES.TXT", mkcard::MakeText("shot list\n")).ok());
  ASSERT_TRUE(card.Save().ok());
}

TEST(CliReadOnce, ARecoveryFromADriveReadsItOnceAndSavesWhatTheImageGivesBack) {
  if (::geteuid() != 0) GTEST_SKIP() << "attaching a loop device needs root";
  test::FixtureCard card(test::Fat32Options(48 << 20, 1));
  ASSERT_TRUE(card.Formatted().ok());
  FillCard(card);
  if (HasFatalFailure()) return;
  test::LoopDevice loop(card.Image());
  if (loop.Device().empty()) GTEST_SKIP() << "no loop device could be attached";

  const fs::path fromImage = card.Dir() / "from-image";
  const fs::path fromDrive = card.Dir() / "from-drive";
  CliResult image = RunCli(
      {"recover", card.Image().string(), "--out", fromImage.string(), "--keep-folders", "--json"});
  ASSERT_EQ(image.Status, 0) << image.Err;
  const int64_t before = BytesRead(loop.Device());
  CliResult drive =
      RunCli({"recover", loop.Device(), "--out", fromDrive.string(), "--keep-folders", "--json"});
  const int64_t read = BytesRead(loop.Device()) - before;
  ASSERT_EQ(drive.Status, 0) << drive.Err;

  EXPECT_LE(static_cast<double>(read), 1.05 * static_cast<double>(fs::file_size(card.Image())))
      << read << " bytes read of a card of " << fs::file_size(card.Image());
  const auto saved = Tree(fromDrive);
  EXPECT_EQ(saved, Tree(fromImage)) << "the same files, names, folders and bytes";
  EXPECT_EQ(drive.OutLines().size(), image.OutLines().size());
  for (const mkcard::ManifestRecord& record : card.Manifest().records) {
    if (record.content != "jpg" || !record.intact || record.state != mkcard::EntryState::kLive)
      continue;
    std::vector<uint8_t> bytes;
    const std::vector<uint8_t> whole = ReadFileBytes(card.Image());
    for (const mkcard::Extent& e : record.extents)
      bytes.insert(bytes.end(), whole.begin() + static_cast<ptrdiff_t>(e.offset),
                   whole.begin() + static_cast<ptrdiff_t>(e.offset + e.size));
    auto found = saved.find(record.path);
    ASSERT_NE(found, saved.end()) << record.path;
    EXPECT_EQ(found->second, bytes) << record.path;
  }
  for (const auto& [name, bytes] : saved)
    EXPECT_FALSE(name.starts_with(".")) << "a temporary file is left: " << name;
}

// A recovery refused for want of room leaves nothing behind, the copies saved during its scan
// included.
TEST(CliReadOnce, ARecoveryRefusedForWantOfRoomLeavesNoCopies) {
  test::FixtureCard card(test::Fat32Options(48 << 20, 1));
  ASSERT_TRUE(card.Formatted().ok());
  FillCard(card);
  if (HasFatalFailure()) return;
  const fs::path small = card.Dir() / "small";
  fs::create_directories(small);
  test::TmpFileSystem room(small, "size=1m");
  if (!room.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
  CliResult result = RunCli({"recover", card.Image().string(), "--out", (small / "out").string()});
  EXPECT_EQ(result.Status, 3) << result.Err;
  EXPECT_TRUE(fs::is_empty(small / "out")) << "nothing is left in the folder";
}

}  // namespace
}  // namespace kova
