#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "card_manifest.h"
#include "cli/cli_runner.h"
#include "support/test_files.h"
#include "support/test_paths.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::ReadFileBytes;
using test::RunCli;
using test::TempDir;

std::string Member(const std::string& line, const std::string& name) {
  std::smatch match;
  if (std::regex_search(line, match, std::regex("\"" + name + "\":\"([^\"]*)\""))) return match[1];
  if (std::regex_search(line, match, std::regex("\"" + name + "\":([^,}]*)"))) return match[1];
  return {};
}

std::map<std::string, std::vector<uint8_t>> Folder(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadFileBytes(entry.path());
  return files;
}

// The demo card that the build makes, with its manifest.
class CliRecoverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(Card())) GTEST_SKIP() << "the demo card was not built in " << Card();
    ASSERT_TRUE(
        mkcard::ReadManifestFile(Card().parent_path() / "demo-card.manifest.jsonl", &manifest_)
            .ok());
    card_ = ReadFileBytes(Card());
  }
  static fs::path Card() { return test::BinaryDir() / "demo" / "demo-card.img"; }

  // The name under which a file of the manifest is saved: deleted entries lose their first
  // letter, saved as "_", and the only file without an entry is the first one the search names.
  static std::string SavedName(const mkcard::ManifestRecord& record) {
    const std::string name = fs::path(record.path).filename().string();
    if (record.state == mkcard::EntryState::kDeleted) return "_" + name.substr(1);
    if (record.state == mkcard::EntryState::kRaw) return "000001.jpg";
    return name;
  }
  std::vector<uint8_t> Bytes(const mkcard::ManifestRecord& record) const {
    std::vector<uint8_t> bytes;
    for (const mkcard::Extent& e : record.extents)
      bytes.insert(bytes.end(), card_.begin() + static_cast<ptrdiff_t>(e.offset),
                   card_.begin() + static_cast<ptrdiff_t>(e.offset + e.size));
    return bytes;
  }

  mkcard::Manifest manifest_;
  std::vector<uint8_t> card_;
  TempDir out_;
};

TEST_F(CliRecoverTest, KeepingFoldersGivesBackTheCardsTreeAndTimes) {
  const fs::path folder = out_ / "kept";
  CliResult result =
      RunCli({"recover", Card().string(), "--out", folder.string(), "--keep-folders"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  for (const mkcard::ManifestRecord& record : manifest_.records) {
    if (record.folder || !record.intact) continue;
    fs::path place = folder / record.folder_path;
    if (record.state == mkcard::EntryState::kLost) {
      // Its deleted folder's entry kept no long name: the folder's first letter is lost.
      const std::string name = place.filename().string();
      place = place.parent_path() / ("_" + name.substr(1));
    }
    if (record.state == mkcard::EntryState::kRaw) place = folder / "Found by search";
    const fs::path file = place / SavedName(record);
    ASSERT_TRUE(fs::exists(file)) << record.path << " as " << file;
    EXPECT_EQ(ReadFileBytes(file), Bytes(record)) << file;
    if (record.state != mkcard::EntryState::kRaw) {
      EXPECT_EQ(test::LocalModifiedTime(file), record.time) << file;
    }
  }
}

TEST_F(CliRecoverTest, TheDemoCardGivesBackEveryRecoverableFileByteForByte) {
  const fs::path folder = out_ / "recovered";
  CliResult result = RunCli({"recover", Card().string(), "--out", folder.string()});
  ASSERT_EQ(result.Status, 0) << result.Err;
  std::map<std::string, std::vector<uint8_t>> written = Folder(folder);
  int recoverable = 0;
  for (const mkcard::ManifestRecord& record : manifest_.records) {
    if (record.folder || !record.intact) continue;
    ++recoverable;
    const std::string name = SavedName(record);
    ASSERT_TRUE(written.contains(name)) << record.path << " as " << name;
    EXPECT_EQ(written[name], Bytes(record)) << record.path;
    written.erase(name);
  }
  EXPECT_EQ(recoverable, 15);
  // The deleted photo whose clusters a later photo took is saved as the card holds it now.
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written.begin()->first, "_OVA0011.JPG");
  EXPECT_EQ(written.begin()->second.size(), manifest_.Find("DCIM/100KOVA/KOVA0011.JPG")->size);

  EXPECT_NE(result.Out.find("Saved 16 files"), std::string::npos) << result.Out;
  EXPECT_NE(result.Out.find("Images: 14, videos: 2, sound files: 0"), std::string::npos);
  EXPECT_TRUE(std::regex_search(result.Out,
                                std::regex("KOVA0101\\.JPG +jpg +[0-9.]+ KB  lost folder +saved")));
  EXPECT_EQ(ReadFileBytes(Card()), card_) << "the card is never written";
}

// The JSON line of the saved file with this name.
std::string LineOf(const std::string& out, const std::string& name) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (Member(line, "name") == name) return line;
  return {};
}

TEST_F(CliRecoverTest, AMapfileMarksTheFilesOnItsHolesDamagedByTheirUnreadableBytes) {
  const mkcard::ManifestRecord* photo = manifest_.Find("DCIM/100KOVA/KOVA0001.JPG");
  ASSERT_NE(photo, nullptr);
  const int64_t bad = static_cast<int64_t>(photo->extents.front().offset) + 4096;
  // The image as a copy leaves it: zeros where the card could not be read.
  std::vector<uint8_t> image = card_;
  std::fill_n(image.begin() + bad, 512, 0);
  test::WriteFileBytes(out_ / "card.img", image);
  const int64_t size = static_cast<int64_t>(image.size());
  std::ofstream(out_ / "holes.map") << "# Mapfile. Created by GNU ddrescue version 1.27\n"
                                    << "0x0 + 1\n"
                                    << "0x0 " << bad << " +\n"
                                    << bad << " 512 -\n"
                                    << bad + 512 << " " << size - bad - 512 << " +\n";
  const fs::path folder = out_ / "holed";
  CliResult result = RunCli({"recover", (out_ / "card.img").string(), "--out", folder.string(),
                             "--map", (out_ / "holes.map").string(), "--json"});
  EXPECT_EQ(result.Status, 2) << "the card could not be read completely";
  const std::string line = LineOf(result.Out, "KOVA0001.JPG");
  EXPECT_EQ(Member(line, "result"), "damaged") << result.Out;
  EXPECT_EQ(Member(line, "unreadable"), "512");
  std::vector<uint8_t> expected = Bytes(*photo);
  std::fill_n(expected.begin() + 4096, 512, 0);
  EXPECT_EQ(ReadFileBytes(folder / "KOVA0001.JPG"), expected) << "saved whole, zeros in the hole";
  EXPECT_EQ(Member(LineOf(result.Out, "KOVA0002.JPG"), "unreadable"), "0");
  EXPECT_NE(result.Out.find("\"unreadable\":512,\"failed\""), std::string::npos) << result.Out;

  // A mapfile beside the image is taken without being named.
  fs::rename(out_ / "holes.map", out_ / "card.img.map");
  CliResult beside = RunCli(
      {"recover", (out_ / "card.img").string(), "--out", (out_ / "beside").string(), "--json"});
  EXPECT_EQ(beside.Status, 2);
  EXPECT_EQ(Member(LineOf(beside.Out, "KOVA0001.JPG"), "unreadable"), "512");

  CliResult missing =
      RunCli({"scan", (out_ / "card.img").string(), "--map", (out_ / "none.map").string()});
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Err.find("none.map"), std::string::npos) << missing.Err;
}

TEST_F(CliRecoverTest, ASecondRecoveryKeepsTheFirstAndOnlyDeletedLeavesTheListedFiles) {
  const fs::path folder = out_ / "again";
  ASSERT_EQ(RunCli({"recover", Card().string(), "--out", folder.string()}).Status, 0);
  const auto first = Folder(folder);
  CliResult deleted =
      RunCli({"recover", Card().string(), "--out", folder.string(), "--only-deleted", "--json"});
  ASSERT_EQ(deleted.Status, 0) << deleted.Err;
  const auto both = Folder(folder);
  for (const auto& [name, bytes] : first)
    EXPECT_EQ(both.at(name), bytes) << name << " is kept";
  std::vector<std::string> added;
  for (const auto& [name, bytes] : both)
    if (!first.contains(name)) added.push_back(name);
  EXPECT_EQ(added, (std::vector<std::string>{"0000011.jpg", "KOVA01011.JPG", "KOVA01021.JPG",
                                             "KOVA01031.JPG", "_OVA00071.JPG", "_OVA00081.JPG",
                                             "_OVA00111.JPG"}));
  const std::vector<std::string> lines = deleted.OutLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(Member(lines[0], "result"), "saved");
  EXPECT_EQ(Member(lines.back(), "summary"), "true");
  EXPECT_EQ(Member(lines.back(), "found"), "16");
  EXPECT_EQ(Member(lines.back(), "files"), "7");
  EXPECT_EQ(Member(lines.back(), "failed"), "0");
}

TEST_F(CliRecoverTest, AFolderThatCannotBeWrittenIsRefusedBeforeTheSearch) {
  EXPECT_EQ(RunCli({"recover", Card().string()}).Status, 1) << "--out is needed";
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  fs::create_directories(out_ / "locked");
  fs::permissions(out_.Path(), fs::perms::all);
  const std::vector<std::string> asNobody = {"setpriv", "--reuid=65534", "--regid=65534",
                                             "--clear-groups"};
  CliResult result =
      RunCli({"recover", Card().string(), "--out", (out_ / "locked").string()}, asNobody);
  if (result.Err.find("setpriv") != std::string::npos) GTEST_SKIP() << result.Err;
  EXPECT_EQ(result.Status, 3) << result.Err;
  EXPECT_NE(
      result.Err.find("Velmora Kova may not write into the folder " + (out_ / "locked").string()),
      std::string::npos)
      << result.Err;
  EXPECT_EQ(result.Out, "") << "nothing was searched";
  EXPECT_TRUE(fs::is_empty(out_ / "locked"));

  CliResult unmakeable =
      RunCli({"--json", "recover", Card().string(), "--out", (out_ / "locked" / "deeper").string()},
             asNobody);
  EXPECT_EQ(unmakeable.Status, 3);
  EXPECT_EQ(unmakeable.Out, "") << "nothing was searched";
  EXPECT_NE(unmakeable.Err.find("{\"message\":\"The folder " +
                                (out_ / "locked" / "deeper").string() + "/ cannot be created."),
            std::string::npos)
      << unmakeable.Err;
  EXPECT_NE(unmakeable.Err.find("\"status\":3,\"meaning\":\"output failed\"}"), std::string::npos);
}

TEST_F(CliRecoverTest, AFolderOnTheDriveBeingReadIsRefusedBeforeTheSearch) {
  if (::geteuid() != 0) GTEST_SKIP() << "attaching and mounting a loop device needs root";
  // A drive whose file system this kernel can mount: the folder lies on the drive itself.
  const fs::path volume = out_ / "volume.img";
  fs::copy_file(Card(), volume);
  if (test::RunProgram({"mkfs.ext4", "-q", "-F", volume.string()}).Status != 0)
    GTEST_SKIP() << "mkfs.ext4 is not at hand";
  test::LoopDevice loop(volume);
  if (loop.Device().empty()) GTEST_SKIP() << "no loop device could be attached";
  const fs::path mounted = out_ / "drive";
  fs::create_directories(mounted);
  if (::mount(loop.Device().c_str(), mounted.c_str(), "ext4", MS_RDONLY, "noload") != 0)
    GTEST_SKIP() << "the drive cannot be mounted here";
  CliResult result = RunCli({"recover", loop.Device(), "--out", (mounted / "saved").string()});
  ::umount2(mounted.c_str(), MNT_DETACH);
  EXPECT_EQ(result.Status, 3);
  EXPECT_NE(result.Err.find("cannot be saved to the drive you are recovering from"),
            std::string::npos)
      << result.Err;
  EXPECT_EQ(result.Out, "") << "nothing was searched";
}

}  // namespace
}  // namespace kova
